// Byte-level helpers of the MapSource formats: little-endian integers and coordinates.
#pragma once

#include <QAnyStringView>
#include <QByteArray>

#include <optional>

namespace vintrel {

// The whole number a 32-bit field holds for a value: rounded, halves to the even neighbour; nothing
// when that lies outside the signed 32-bit range.
std::optional<qint32> toInt32(double value);

// Writes one record in place at the end of a byte array: room for the most it can take is made
// once, the fields are written straight into it, and finish() gives back the rest and fills in the
// length field (the bytes after the type letter) that starts the record. A 32-bit field is
// little-endian two's complement.
class RecordWriter {
  public:
    // `texts`: the UTF-16 units of all the record's texts.
    RecordWriter(QByteArray& out, char type, qsizetype fixedBytes, qsizetype textUnits);
    void int32(qint32 value);
    void int16(quint16 value);
    void byte(char value) { *p_++ = value; }
    void fill(int count, char value);
    // windows-1252 bytes and the 0x00 that ends them.
    void text(QAnyStringView value);
    // UTF-8 bytes and the 0x00 that ends them. The text must already be composed (NFC): room is
    // made for three bytes a UTF-16 unit, which only a composed text is sure to fit.
    void utf8Text(QStringView value);
    void finish();

  private:
    QByteArray& out_;
    qsizetype start_;
    char* p_;
};

// Semicircles of a coordinate in degrees (degrees * 2^31 / 180), or nothing when it cannot be
// written. +180 degrees, one more than the field holds, is written as -2^31: the same meridian.
std::optional<qint32> semicircles(double degrees);

}  // namespace vintrel
