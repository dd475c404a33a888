#include "export/mapsource/binary_output.h"

#include <cmath>

namespace vintrel {

namespace {

int hexDigitValue(QChar c) {
    if (c >= u'0' && c <= u'9') {
        return c.unicode() - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c.unicode() - u'A' + 10;
    }
    return 0;
}

}  // namespace

qint16 Hex2Dec(const QString& HexVal) {
    const int high = HexVal.size() > 0 ? hexDigitValue(HexVal[0]) : 0;
    const int low = HexVal.size() > 1 ? hexDigitValue(HexVal[1]) : 0;
    return static_cast<qint16>(high * 16 + low);
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

}  // namespace vintrel
