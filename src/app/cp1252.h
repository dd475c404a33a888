// windows-1252, the code page of MapSource's files and of the registry texts it reads.
#pragma once

#include <QByteArray>
#include <QString>

namespace vintrel {

// One byte per character; a character the code page lacks becomes '?'.
QByteArray toCp1252(QStringView text);
// The same appended to `out`, and the number of bytes it takes (without appending).
void appendCp1252(QByteArray& out, QStringView text);
qsizetype cp1252Length(QStringView text);
QString fromCp1252(const QByteArray& bytes);

}  // namespace vintrel
