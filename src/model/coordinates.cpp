#include "model/coordinates.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vintrel {

namespace {

constexpr double kCutAddend = 0.000005;
constexpr double kLocAddend = 0.0000049;
constexpr int kMinutesDecimals = 5;
constexpr int kMinutesLength = 8;     // "MM.mmmmm"
constexpr char kDegreeSign = '\xB0';  // Latin-1, so cells can be built from bytes

// v > 0 written with 15 significant digits in plain decimal, trailing zeros dropped. Returns the
// length written into `out` (at least 64 bytes).
int plainDecimal15(double v, char* out) {
    const int exponent = static_cast<int>(std::floor(std::log10(v)));
    const int decimals = std::max(0, 14 - exponent);
    char* end = std::to_chars(out, out + 63, v, std::chars_format::fixed, decimals).ptr;
    if (std::memchr(out, '.', static_cast<size_t>(end - out)) != nullptr) {
        while (end[-1] == '0') {
            --end;
        }
        if (end[-1] == '.') {
            --end;
        }
    }
    return static_cast<int>(end - out);
}

// floor(log10(v)) for v > 0, as plainDecimal15 works it out: found by comparing with powers of ten,
// and asked of log10 only within a hair of one, where its rounding decides.
int decimalExponent(double v) {
    static constexpr double kPowers[] = {1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2};
    constexpr int kFirst = -7;
    if (v < kPowers[0] || v >= kPowers[std::size(kPowers) - 1]) {
        return static_cast<int>(std::floor(std::log10(v)));
    }
    int i = 0;
    while (v >= kPowers[i + 1]) {
        ++i;
    }
    const double nearLow = v / kPowers[i] - 1;       // v just above a power of ten
    const double nearHigh = 1 - v / kPowers[i + 1];  // or just below the next
    if (nearLow < 1e-12 || nearHigh < 1e-12) {
        return static_cast<int>(std::floor(std::log10(v)));
    }
    return kFirst + i;
}

// Minutes with five decimals, as an integer (12.345678 -> 1234567 or 1234568), read from
// plainDecimal15's text of `v`: the digits past the fifth cut, or rounded half to even on the text,
// so a tie is a real decimal tie.
long long minutesFromText(double v, bool round) {
    char buf[64];
    const int n = plainDecimal15(v, buf);
    const std::string_view text(buf, static_cast<size_t>(n));
    const size_t dot = text.find('.');
    const std::string_view intPart = text.substr(0, dot);
    const std::string_view fracPart =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    long long scaled = 0;
    for (char c : intPart) {
        scaled = (scaled * 10 + (c - '0')) % 100;  // the field shows two digits; parity is kept
    }
    for (int i = 0; i < kMinutesDecimals; ++i) {
        scaled = scaled * 10 +
                 (i < static_cast<int>(fracPart.size()) ? fracPart[static_cast<size_t>(i)] - '0' : 0);
    }
    if (round && fracPart.size() > kMinutesDecimals && fracPart[kMinutesDecimals] >= '5') {
        const std::string_view rest = fracPart.substr(kMinutesDecimals + 1);
        const bool tie =
            fracPart[kMinutesDecimals] == '5' && rest.find_first_not_of('0') == std::string_view::npos;
        if (!tie || scaled % 2 != 0) {
            ++scaled;
        }
    }
    return scaled;
}

// The same number without the text: plainDecimal15's digits are the exact binary value of `v`
// times 10^decimals, rounded half to even as the text conversion rounds, which 128-bit integers
// hold for every `v` minutes give (4.9e-6 <= v < 61). A file of a million waypoints asks for two
// million of these.
long long minutes5(double v, bool round) {
#ifdef __SIZEOF_INT128__
    constexpr int kMostDecimals = 20;  // 10^20 * 2^53 < 2^127
    const int decimals = std::max(0, 14 - decimalExponent(v));
    int binaryExponent = 0;
    const double fraction = std::frexp(v, &binaryExponent);  // v = fraction * 2^binaryExponent
    const int shift = 53 - binaryExponent;                   // v = mantissa / 2^shift
    if (decimals < kMinutesDecimals || decimals > kMostDecimals || shift < 1 || shift > 120) {
        return minutesFromText(v, round);
    }
    __extension__ typedef unsigned __int128 U128;  // GCC and Clang
    static constexpr auto kPowers = [] {
        std::array<U128, kMostDecimals + 1> p{};
        p[0] = 1;
        for (size_t i = 1; i < p.size(); ++i) {
            p[i] = p[i - 1] * 10;
        }
        return p;
    }();
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const U128 product = U128{mantissa} * kPowers[static_cast<size_t>(decimals)];
    U128 digits = product >> shift;
    const U128 rest = product & ((U128{1} << shift) - 1);
    const U128 half = U128{1} << (shift - 1);
    if (rest > half || (rest == half && (digits & 1) != 0)) {
        ++digits;
    }
    // Fifteen significant digits: the number fits 64 bits, whose division is far cheaper.
    const auto all = static_cast<std::uint64_t>(digits);
    const auto unit = static_cast<std::uint64_t>(kPowers[static_cast<size_t>(decimals - kMinutesDecimals)]);
    auto scaled = static_cast<long long>(all / unit);
    if (round && decimals > kMinutesDecimals) {
        const std::uint64_t dropped = all % unit;
        const std::uint64_t halfUnit = unit / 2;
        if (dropped > halfUnit || (dropped == halfUnit && scaled % 2 != 0)) {
            ++scaled;
        }
    }
    return scaled;
#else
    return minutesFromText(v, round);
#endif
}

// Writes "MM.mmmmm" from minutes scaled by 10^5, with leading zeros.
void writeMinutes(long long scaled, char* out) {
    for (int i = kMinutesLength - 1; i >= 0; --i) {
        if (i == 2) {
            out[i] = '.';
            continue;
        }
        out[i] = static_cast<char>('0' + scaled % 10);
        scaled /= 10;
    }
}

void fixedMinutes(double minutes, char* out) {
    if (minutes == 0.0) {
        std::memcpy(out, "00.00000", kMinutesLength);
        return;
    }
    writeMinutes(minutes5(minutes + kCutAddend, false), out);
}

void roundedMinutes(double minutes, char* out) {
    writeMinutes(minutes5(minutes + kLocAddend, true), out);
}

// Writes the raw degree-minute text; returns its length.
int writeDM(double value, int degreeDigits, char positive, char negative, MinutesRule rule, char* out) {
    const double magnitude = std::fabs(value);
    const double degrees = std::floor(magnitude);
    const double minutes = (magnitude - degrees) * 60.0;
    out[0] = value < 0 ? negative : positive;
    char digits[32];
    const char* end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(degrees)).ptr;
    const int n = static_cast<int>(end - digits);
    int pos = 1;
    for (int i = n; i < degreeDigits; ++i) {
        out[pos++] = '0';
    }
    std::memcpy(out + pos, digits, static_cast<size_t>(n));
    pos += n;
    if (rule == MinutesRule::Cut) {
        fixedMinutes(minutes, out + pos);
    } else {
        roundedMinutes(minutes, out + pos);
    }
    return pos + kMinutesLength;
}

// The column 3 or 4 text from the raw text `dm` of length n; `visible` is the length of the part
// before the degree sign (3 for latitudes, 4 for longitudes).
QString displayCell(const char* dm, int n, int visible) {
    char buf[64];
    int pos = 0;
    std::memcpy(buf, dm, static_cast<size_t>(visible));
    pos += visible;
    buf[pos++] = kDegreeSign;
    const int minutesShown = std::clamp(n - visible, 0, 6);
    std::memcpy(buf + pos, dm + visible, static_cast<size_t>(minutesShown));
    pos += minutesShown;
    buf[pos++] = ' ';
    buf[pos++] = ' ';
    std::memcpy(buf + pos, dm, static_cast<size_t>(n));
    return QString::fromLatin1(buf, pos + n);
}

}  // namespace

QString toFixedMinutes(double minutes) {
    char out[kMinutesLength];
    fixedMinutes(minutes, out);
    return QString::fromLatin1(out, kMinutesLength);
}

QString toRoundedMinutes(double minutes) {
    char out[kMinutesLength];
    roundedMinutes(minutes, out);
    return QString::fromLatin1(out, kMinutesLength);
}

int writeLatDM(double value, MinutesRule rule, char* out) {
    return writeDM(value, 2, 'N', 'S', rule, out);
}

int writeLonDM(double value, MinutesRule rule, char* out) {
    return writeDM(value, 3, 'E', 'W', rule, out);
}

QString formatLatDM(double value, MinutesRule rule) {
    char buf[48];
    return QString::fromLatin1(buf, writeDM(value, 2, 'N', 'S', rule, buf));
}

QString formatLonDM(double value, MinutesRule rule) {
    char buf[48];
    return QString::fromLatin1(buf, writeDM(value, 3, 'E', 'W', rule, buf));
}

QString displayLatCell(const QString& latDM) {
    const QByteArray dm = latDM.toLatin1();
    return dm.size() < 3 ? latDM : displayCell(dm.constData(), static_cast<int>(dm.size()), 3);
}

QString displayLonCell(const QString& lonDM) {
    const QByteArray dm = lonDM.toLatin1();
    return dm.size() < 4 ? lonDM : displayCell(dm.constData(), static_cast<int>(dm.size()), 4);
}

QString latCell(double value, MinutesRule rule) {
    char buf[48];
    return displayCell(buf, writeDM(value, 2, 'N', 'S', rule, buf), 3);
}

QString lonCell(double value, MinutesRule rule) {
    char buf[48];
    return displayCell(buf, writeDM(value, 3, 'E', 'W', rule, buf), 4);
}

namespace {

// Writes `value` with `decimals` decimals into buf (at least 400 bytes); returns the end.
char* writeDecimal(double value, int decimals, char* buf) {
    if (value == 0.0) {
        value = 0.0;  // no "-0.0000000"
    }
    // The shortest text that reads back as the value is, when it has at most `decimals` decimals,
    // also the value rounded to them; that covers every coordinate a file gives with that many.
    char* end = std::to_chars(buf, buf + 400, value, std::chars_format::fixed).ptr;
    const char* dot = static_cast<const char*>(std::memchr(buf, '.', static_cast<size_t>(end - buf)));
    const long written = dot == nullptr ? 0 : end - dot - 1;
    if (written <= decimals) {
        if (dot == nullptr) {
            *end++ = '.';
        }
        for (long i = written; i < decimals; ++i) {
            *end++ = '0';
        }
    } else {
        end = std::to_chars(buf, buf + 400, value, std::chars_format::fixed, decimals).ptr;
    }
    return end;
}

QString withSeparator(const char* buf, const char* end, QChar decimalSeparator) {
    QString text = QString::fromLatin1(buf, end - buf);
    if (decimalSeparator != u'.') {
        text.replace(u'.', decimalSeparator);
    }
    return text;
}

}  // namespace

QString formatDecimalCell(double value, QChar decimalSeparator, int decimals) {
    char buf[400];
    return withSeparator(buf, writeDecimal(value, decimals, buf), decimalSeparator);
}

double decimalCellValue(double value, int decimals, int sourceDecimals) {
    if (value == 0.0) {
        return 0.0;  // the cell shows no sign
    }
    if (sourceDecimals >= 0 && sourceDecimals <= decimals) {
        return value;  // its shortest text has no more decimals than the text it was read from
    }
    // A value whose shortest text has no more decimals than the cell is the cell's value itself.
    char buf[400];
    char* end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed).ptr;
    const char* dot = static_cast<const char*>(std::memchr(buf, '.', static_cast<size_t>(end - buf)));
    if (dot == nullptr || end - dot - 1 <= decimals) {
        return value;
    }
    end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals).ptr;
    double exact = 0;
    std::from_chars(buf, end, exact);
    return exact == 0.0 ? 0.0 : exact;
}

DecimalCell decimalCell(double value, QChar decimalSeparator, int decimals) {
    char buf[400];
    char* end = writeDecimal(value, decimals, buf);
    double exact = 0;
    std::from_chars(buf, end, exact);
    return {withSeparator(buf, end, decimalSeparator), exact};
}

std::optional<double> parseCoordinateUtf8(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

QChar decimalSeparatorOf(const QLocale& locale) {
    const QString text = locale.toString(1.1);
    return text.size() >= 2 ? text[1] : QChar(u'.');
}

}  // namespace vintrel
