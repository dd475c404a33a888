#include "formats/gpi/gpi_layout.h"

#include "base/cp1252.h"
#include "formats/text/cp1252_text.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

namespace vintrel::gpi {

void putU16(QByteArray& out, quint16 value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    out.append(bytes, 2);
}

void putU32(QByteArray& out, quint32 value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF), static_cast<char>(value >> 24)};
    out.append(bytes, 4);
}

void putI32(QByteArray& out, qint32 value) {
    putU32(out, static_cast<quint32>(value));
}

namespace {

void patchU32(QByteArray& out, qsizetype at, quint32 value) {
    char* p = out.data() + at;
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

RecordFrame::RecordFrame(QByteArray& out, quint16 type, bool hasMain)
    : out_(out), start_(out.size()), hasMain_(hasMain) {
    const char header[12] = {static_cast<char>(type & 0xFF), static_cast<char>(type >> 8),
                             hasMain ? '\x08' : '\0'};
    out_.append(header, hasMain ? 12 : 8);
}

void RecordFrame::mainDone() {
    patchU32(out_, start_ + 8, static_cast<quint32>(out_.size() - start_ - 12));
}

void RecordFrame::end() {
    patchU32(out_, start_ + 4, static_cast<quint32>(out_.size() - start_ - (hasMain_ ? 12 : 8)));
}

namespace {

bool fitsUnits(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80 && (QChar::isSurrogate(c) || cp1252::fromUnicode(c) == '?')) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool fitsWindows1252(QAnyStringView text) {
    return text.visit([](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            for (char c : view) {
                const auto b = static_cast<unsigned char>(c);
                if (b >= 0x80 && cp1252::fromUnicode(b) == '?') {
                    return false;
                }
            }
            return true;
        } else {
            const QString utf16 = view.toString();
            for (QChar c : utf16) {
                if (c.unicode() >= 0x300) {
                    return fitsUnits(utf16.normalized(QString::NormalizationForm_C));
                }
            }
            return fitsUnits(utf16);
        }
    });
}

QByteArray encodeText(QAnyStringView text, quint16 codePage, bool* cut) {
    QByteArray bytes;
    if (codePage == kUtf8) {
        bytes = text.toString().normalized(QString::NormalizationForm_C).toUtf8();
    } else {
        appendCp1252(bytes, text);
    }
    if (bytes.size() > kLongestText) {
        qsizetype end = kLongestText;
        // In UTF-8 the cut goes before the character whose bytes would not all fit.
        while (codePage == kUtf8 && end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
            --end;
        }
        bytes.truncate(end);
        if (cut != nullptr) {
            *cut = true;
        }
    }
    return bytes;
}

bool putText(QByteArray& out, QAnyStringView text, quint16 codePage) {
    const qsizetype start = out.size();
    putU32(out, 0);
    out.append(kLanguage);
    putU16(out, 0);
    bool cut = false;
    if (codePage == kUtf8) {
        out.append(encodeText(text, codePage, &cut));
    } else if (appendCp1252(out, text) > kLongestText) {
        // Written in place, as nearly every text is: no copy of its own.
        out.truncate(start + 8 + kLongestText);
        cut = true;
    }
    const auto bytes = static_cast<quint32>(out.size() - start - 8);
    patchU32(out, start, bytes + 4);
    out[start + 6] = static_cast<char>(bytes & 0xFF);
    out[start + 7] = static_cast<char>(bytes >> 8);
    return cut;
}

void putShortText(QByteArray& out, QByteArrayView encoded) {
    putU16(out, static_cast<quint16>(encoded.size()));
    out.append(encoded);
}

qint32 semicircles(double degrees) {
    // +180 degrees is one more than the field holds: -2^31 is the same meridian.
    const double value = std::round(degrees * 4294967296.0 / 360.0);
    return value >= 2147483648.0 ? std::numeric_limits<qint32>::min() : static_cast<qint32>(value);
}

double degreesOf(qint32 semicircles) {
    return semicircles * (360.0 / 4294967296.0);
}

namespace {

// Hundredths of a metre a second in one of each unit.
double fieldPerUnit(SpeedUnit unit) {
    return unit == SpeedUnit::Mph ? 44.704 : 100.0 / 3.6;
}

}  // namespace

quint16 speedField(int value, SpeedUnit unit) {
    return static_cast<quint16>(std::lround(value * fieldPerUnit(unit)));
}

int speedValue(quint16 field, SpeedUnit unit) {
    return static_cast<int>(std::lround(field / fieldPerUnit(unit)));
}

namespace {

char16_t unitOf(QChar c) {
    return c.unicode();
}
char16_t unitOf(QLatin1Char c) {
    return c.unicode();
}
char16_t unitOf(char c) {
    return static_cast<unsigned char>(c);
}

bool sameLetters(std::u16string_view text, std::u16string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](char16_t a, char16_t b) { return (a >= u'A' && a <= u'Z' ? a + 32 : a) == b; });
}

}  // namespace

SpeedTail speedTail(QAnyStringView text) {
    SpeedTail tail;
    // Every camera's name is looked at: the tail is copied out, the name is not.
    std::array<char16_t, 8> rest{};
    qsizetype restSize = 0;
    text.visit([&tail, &rest, &restSize](auto view) {
        for (qsizetype i = view.size(); i-- > 0;) {
            if (unitOf(view[i]) == u'@') {
                tail.at = i;
                break;
            }
        }
        if (tail.at >= 0) {
            restSize = view.size() - tail.at - 1;
            for (qsizetype i = 0; i < std::min<qsizetype>(restSize, rest.size()); ++i) {
                rest[static_cast<size_t>(i)] = unitOf(view[tail.at + 1 + i]);
            }
        }
    });
    if (tail.at < 0) {
        return tail;
    }
    tail.kind = SpeedTail::NotASpeed;
    if (restSize > static_cast<qsizetype>(rest.size())) {
        return tail;
    }
    const std::u16string_view all(rest.data(), static_cast<size_t>(restSize));
    size_t digits = 0;
    int value = 0;
    while (digits < all.size() && all[digits] >= u'0' && all[digits] <= u'9') {
        value = value * 10 + (all[digits++] - u'0');
    }
    const std::u16string_view unit = all.substr(digits);
    if (digits == 0 || digits > 3) {
        return tail;
    }
    if (sameLetters(unit, u"mph")) {
        tail.unit = SpeedUnit::Mph;
    } else if (sameLetters(unit, u"kmh") || sameLetters(unit, u"km/h")) {
        tail.unit = SpeedUnit::Kmh;
    } else if (!unit.empty()) {
        return tail;
    }
    tail.kind = SpeedTail::Speed;
    tail.value = value;
    return tail;
}

std::optional<Record> recordAt(QByteArrayView bytes, qsizetype pos, qsizetype base, bool clip) {
    FieldReader header(bytes.sliced(pos));
    Record record;
    record.offset = base + pos;
    record.type = header.u16();
    record.flags = header.u16();
    qint64 length = header.u32();
    qint64 main = (record.flags & kHasMain) != 0 ? header.u32() : length;
    if (clip) {
        length = std::min<qint64>(length, header.left());
        main = std::min(main, length);
    }
    if (!header.ok() || length > header.left() || main > length) {
        return std::nullopt;
    }
    const QByteArrayView body = bytes.sliced(pos + header.position(), length);
    record.main = body.first(main);
    record.nested = body.sliced(main);
    return record;
}

quint8 FieldReader::u8() {
    const QByteArrayView b = take(1);
    return b.isEmpty() ? 0 : static_cast<quint8>(b[0]);
}

quint16 FieldReader::u16() {
    const QByteArrayView b = take(2);
    return b.isEmpty() ? 0 : static_cast<quint16>(static_cast<quint8>(b[0]) | static_cast<quint8>(b[1]) << 8);
}

quint32 FieldReader::u32() {
    const quint32 low = u16();
    return low | static_cast<quint32>(u16()) << 16;
}

QByteArrayView FieldReader::take(qsizetype n) {
    if (!ok_ || n < 0 || n > left()) {
        ok_ = false;
        return {};
    }
    const QByteArrayView b = bytes_.sliced(pos_, n);
    pos_ += n;
    return b;
}

QByteArrayView FieldReader::text() {
    FieldReader parts(take(u32()));
    QByteArrayView chosen;
    bool first = true;
    while (parts.ok() && parts.left() > 0) {
        const QByteArrayView language = parts.take(2);
        const QByteArrayView bytes = parts.take(parts.u16());
        if (parts.ok() && (first || language == kLanguage)) {
            chosen = bytes;
            first = false;
        }
    }
    if (!parts.ok()) {
        ok_ = false;
    }
    return chosen;
}

}  // namespace vintrel::gpi
