// Byte-level helpers of the binary output formats: windows-1252 texts, little-endian integers and
// the two-digit hexadecimal reader the record layouts are described with.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vintrel {

// The value of two hexadecimal digits: 16 times the first plus the second. Only the first two
// characters count; digits are 0-9 and upper-case A-F, any other character (lower case included)
// counts as 0.
qint16 Hex2Dec(const QString& HexVal);

// A 32-bit field: the value rounded to a whole number (halves to the even neighbour), as 32-bit
// little-endian two's complement. Returns false, appending nothing, when the rounded value lies
// outside the signed 32-bit range.
bool putInt32Le(QByteArray& out, double value);
void putInt32Le(QByteArray& out, qint32 value);
void putInt16Le(QByteArray& out, quint16 value);

void putBytes(QByteArray& out, int count, char value);

}  // namespace vintrel
