// windows-1252 for the Qt texts of the list: what the MapSource and PCX5 writers put in their files
// and how the names in an existing file read back.
#pragma once

#include <QByteArray>
#include <QString>

namespace vintrel {

// One byte per character; a character the code page lacks becomes '?'.
qsizetype cp1252Length(QStringView text);
// Appends the text's windows-1252 bytes (cp1252Length() of them) to `out`.
void appendCp1252(QByteArray& out, QStringView text);
QString fromCp1252(QByteArrayView bytes);

}  // namespace vintrel
