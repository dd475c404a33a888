#include "formats/xml/xml_text.h"

#include <QFileInfo>
#include <QStringView>

#include <algorithm>
#include <array>
#include <charconv>
#include <type_traits>

namespace vintrel::xml {

namespace {

// The escape of an ASCII character, or nullptr when it stands for itself.
template <bool Attribute>
const char* escapeOf(char32_t c, int& length) {
    switch (c) {
        case '&':
            length = 5;
            return "&amp;";
        case '<':
            length = 4;
            return "&lt;";
        case '>':
            length = 4;
            return "&gt;";
        case '"':
            if constexpr (Attribute) {
                length = 6;
                return "&quot;";
            }
            break;
        default:
            break;
    }
    return nullptr;
}

template <bool Attribute>
char* putAscii(char* p, char32_t c) {
    int length = 0;
    if (const char* escape = escapeOf<Attribute>(c, length)) {
        return std::copy_n(escape, length, p);
    }
    *p++ = (c < 0x20 && c != '\t') ? ' ' : static_cast<char>(c);
    return p;
}

template <bool Attribute>
char* put16(char* p, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text[i].unicode();
        if (c < 0x80) {
            p = putAscii<Attribute>(p, c);
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i].unicode());
            *p++ = static_cast<char>(0xF0 | (u >> 18));
            *p++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            *p++ = ' ';
        } else {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return p;
}

// Whether a Latin-1 character stands for itself, by its code.
template <bool Attribute>
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) {
        plain[static_cast<std::size_t>(c)] = c != '&' && c != '<' && c != '>' && (!Attribute || c != '"');
    }
    plain['\t'] = true;
    return plain;
}();

// A Latin-1 text: every character is one byte, and two in UTF-8 from 0x80 on. Runs of characters
// that stand for themselves, nearly all of a text, are copied whole.
template <bool Attribute>
char* putLatin1(char* p, QLatin1StringView text) {
    const char* s = text.data();
    const char* const end = s + text.size();
    while (s != end) {
        const char* const run = s;
        while (s != end && kPlain<Attribute>[static_cast<unsigned char>(*s)]) {
            ++s;
        }
        p = std::copy(run, s, p);
        if (s == end) {
            break;
        }
        const auto c = static_cast<unsigned char>(*s++);
        if (c >= 0x80) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            p = putAscii<Attribute>(p, c);
        }
    }
    return p;
}

template <bool Attribute>
char* putAny(char* p, QAnyStringView text) {
    return text.visit([p](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            return putLatin1<Attribute>(p, view);
        } else if constexpr (std::is_same_v<decltype(view), QStringView>) {
            return put16<Attribute>(p, view);
        } else {
            return put16<Attribute>(p, view.toString());
        }
    });
}

}  // namespace

char* putText(char* p, QAnyStringView text) {
    return putAny<false>(p, text);
}

char* putAttribute(char* p, QAnyStringView text) {
    return putAny<true>(p, text);
}

void appendText(QByteArray& out, QAnyStringView text) {
    const qsizetype start = out.size();
    out.resize(start + kMostBytesPerUnit * text.size());
    out.truncate(putText(out.data() + start, text) - out.constData());
}

QString documentTitle(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

char* putDegrees(char* p, double degrees) {
    return std::to_chars(p, p + kDegreesRoom, degrees, std::chars_format::fixed, 7).ptr;
}

}  // namespace vintrel::xml
