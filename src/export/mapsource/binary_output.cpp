#include "export/mapsource/binary_output.h"

#include "formats/text/cp1252_text.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vintrel {

namespace {
constexpr double kSemicirclesPerDegree = 1073741824.0 / 90.0;
}

std::optional<qint32> toInt32(double value) {
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<qint32>(rounded);
}

RecordWriter::RecordWriter(QByteArray& out, char type, qsizetype fixedBytes, qsizetype textUnits)
    : out_(out), start_(out.size()) {
    constexpr qsizetype kLengthAndType = 5;
    out_.resize(start_ + kLengthAndType + fixedBytes + kCp1252MostPerUnit * textUnits);
    p_ = out_.data() + start_ + 4;
    *p_++ = type;
}

void RecordWriter::int32(qint32 value) {
    const auto v = static_cast<quint32>(value);
    for (int i = 0; i < 4; ++i) {
        *p_++ = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void RecordWriter::int16(quint16 value) {
    *p_++ = static_cast<char>(value & 0xFF);
    *p_++ = static_cast<char>(value >> 8);
}

void RecordWriter::fill(int count, char value) {
    std::memset(p_, value, static_cast<size_t>(count));
    p_ += count;
}

void RecordWriter::text(QAnyStringView value) {
    p_ = writeCp1252(p_, value);
    *p_++ = '\0';
}

void RecordWriter::utf8Text(QStringView value) {
    const QByteArray bytes = value.toUtf8();
    std::memcpy(p_, bytes.constData(), static_cast<size_t>(bytes.size()));
    p_ += bytes.size();
    *p_++ = '\0';
}

void RecordWriter::finish() {
    const qsizetype end = p_ - out_.data();
    out_.truncate(end);
    const auto length = static_cast<quint32>(end - start_ - 5);
    char* p = out_.data() + start_;
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
}

std::optional<qint32> semicircles(double degrees) {
    const double value = degrees * kSemicirclesPerDegree;
    if (std::nearbyint(value) == 2147483648.0) {
        return std::numeric_limits<qint32>::min();
    }
    return toInt32(value);
}

}  // namespace vintrel
