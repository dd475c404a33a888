// Byte-level helpers of the MapSource formats: little-endian integers and coordinates.
#pragma once

#include <QByteArray>

#include <optional>

namespace vintrel {

// The whole number a 32-bit field holds for a value: rounded, halves to the even neighbour; nothing
// when that lies outside the signed 32-bit range.
std::optional<qint32> toInt32(double value);

// A 32-bit field: 32-bit little-endian two's complement.
void putInt32Le(QByteArray& out, qint32 value);
void putInt16Le(QByteArray& out, quint16 value);
void putBytes(QByteArray& out, int count, char value);

qint32 readInt32Le(const char* bytes);

// A record's length field, written once the record is complete: the bytes after its type letter.
void patchRecordLength(QByteArray& out, qsizetype recordStart);

// Semicircles of a coordinate in degrees (degrees * 2^31 / 180), or nothing when it cannot be
// written. +180 degrees, one more than the field holds, is written as -2^31: the same meridian.
std::optional<qint32> semicircles(double degrees);

}  // namespace vintrel
