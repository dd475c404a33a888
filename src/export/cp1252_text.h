// windows-1252, the code page of MapSource's files and of the registry texts it reads.
#pragma once

#include <QByteArray>
#include <QString>

namespace vintrel {

// One byte per character; a character the code page lacks becomes '?'.
// Appends the text's windows-1252 bytes to `out`; cp1252Length() tells how many that is.
void appendCp1252(QByteArray& out, QStringView text);
qsizetype cp1252Length(QStringView text);
QString fromCp1252(const QByteArray& bytes);

}  // namespace vintrel
