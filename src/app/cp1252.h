// windows-1252, the code page of MapSource's files and of the registry texts it reads.
#pragma once

#include <QByteArray>
#include <QString>

namespace vintrel {

// One byte per character; a character the code page lacks becomes '?'.
QByteArray toCp1252(QStringView text);
QString fromCp1252(const QByteArray& bytes);

}  // namespace vintrel
