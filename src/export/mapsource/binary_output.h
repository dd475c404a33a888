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

// The whole number a 32-bit field holds for a value: rounded, halves to the even neighbour; nothing
// when that lies outside the signed 32-bit range.
std::optional<qint32> toInt32(double value);

// A 32-bit field: 32-bit little-endian two's complement.
void putInt32Le(QByteArray& out, qint32 value);
void putInt16Le(QByteArray& out, quint16 value);

void putBytes(QByteArray& out, int count, char value);

}  // namespace vintrel
