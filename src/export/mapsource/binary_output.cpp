#include "export/mapsource/binary_output.h"

#include <cmath>
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

void putInt32Le(QByteArray& out, qint32 value) {
    const auto v = static_cast<quint32>(value);
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}

void putInt16Le(QByteArray& out, quint16 value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void putBytes(QByteArray& out, int count, char value) {
    out.append(count, value);
}

qint32 readInt32Le(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<qint32>(static_cast<quint32>(b[0]) | static_cast<quint32>(b[1]) << 8 |
                               static_cast<quint32>(b[2]) << 16 | static_cast<quint32>(b[3]) << 24);
}

void patchRecordLength(QByteArray& out, qsizetype recordStart) {
    constexpr qsizetype kLengthAndType = 5;
    const auto length = static_cast<quint32>(out.size() - recordStart - kLengthAndType);
    char* p = out.data() + recordStart;
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
