#include "formats/text/cp1252_text.h"

#include "base/cp1252.h"
#include "model/text_keys.h"

#include <QHash>

#include <algorithm>
#include <type_traits>

namespace vintrel {

namespace {

std::u16string_view utf16(QStringView text) {
    return {text.utf16(), static_cast<size_t>(text.size())};
}

// Composition can only change a text that holds a combining mark or another character from U+0300
// on; almost every text holds none, and is taken as it is.
bool mayCompose(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x300) {
            return true;
        }
    }
    return false;
}

// Calls f with the text as it is written: composed where composing changes it.
template <class F>
auto withComposed(QStringView text, F f) {
    if (mayCompose(text)) {
        const QString composed = text.toString().normalized(QString::NormalizationForm_C);
        return f(utf16(composed));
    }
    return f(utf16(text));
}

}  // namespace

qsizetype cp1252Length(QAnyStringView text) {
    const QString utf16 = text.toString();
    if (!mayCompose(utf16)) {
        return utf16.size();  // below U+0300 every unit is one character
    }
    return withComposed(
        utf16, [](std::u16string_view t) { return static_cast<qsizetype>(cp1252::encodedLength(t)); });
}

namespace {

// A Latin-1 character's windows-1252 byte: the same, but for the C1 controls 0x80-0x9F, where the
// code page has other characters.
char fromLatin1(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 && b < 0xA0 ? cp1252::fromUnicode(b) : c;
}

char* writeUtf16(char* out, QStringView text) {
    // Below U+0300 (nearly every text) each unit is one character and one byte, in one pass.
    char* const begin = out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x300) {
            return withComposed(text, [begin](std::u16string_view t) { return cp1252::encode(t, begin); });
        }
        *out++ = u < 0x80 ? static_cast<char>(u) : cp1252::fromUnicode(u);
    }
    return out;
}

}  // namespace

char* writeCp1252(char* out, QAnyStringView text) {
    return text.visit([out](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            return std::transform(view.begin(), view.end(), out, fromLatin1);
        } else if constexpr (std::is_same_v<decltype(view), QStringView>) {
            return writeUtf16(out, view);
        } else {
            return writeUtf16(out, view.toString());
        }
    });
}

qsizetype appendCp1252(QByteArray& out, QAnyStringView text) {
    const qsizetype start = out.size();
    out.resize(start + kCp1252MostPerUnit * text.size());
    const qsizetype written = writeCp1252(out.data() + start, text) - (out.data() + start);
    out.truncate(start + written);
    return written;
}

QString fromCp1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(cp1252::toUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

char* writeCp1252Field(char* out, QAnyStringView text, qsizetype width) {
    char* end = writeCp1252(out, firstChars(text, 2 * width));
    end = std::min(end, out + width);
    std::replace_if(
        out, end, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    std::fill(end, out + width, ' ');
    return out + width;
}

QByteArray cp1252Field(QAnyStringView text, qsizetype width) {
    QByteArray field(cp1252FieldRoom(width), Qt::Uninitialized);
    field.truncate(writeCp1252Field(field.data(), text, width) - field.constData());
    return field;
}

bool cp1252Changes(QAnyStringView text) {
    return text.visit([](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            return std::any_of(view.begin(), view.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80 && fromLatin1(c) == '?';
            });
        } else {
            const QString utf16 = view.toString();
            if (!mayCompose(utf16)) {
                return std::any_of(utf16.begin(), utf16.end(), [](QChar c) {
                    return c.unicode() >= 0x80 && cp1252::fromUnicode(c.unicode()) == '?';
                });
            }
            QByteArray bytes;
            appendCp1252(bytes, utf16);
            return fromCp1252(bytes) != utf16;
        }
    });
}

QString writtenAlikeSentence(const QString& first, const QString& second, const QString& written) {
    return QStringLiteral("\"%1\" and \"%2\" are both written as \"%3\".").arg(first, second, written);
}

QString moreWrittenAlikeSentence(int unlisted) {
    return QStringLiteral("%1 more names are written as the same bytes as another.").arg(unlisted);
}

QStringList cp1252NameCollisions(const QList<QAnyStringView>& names) {
    // Only a name whose bytes stand for other characters can meet another name in its bytes; most
    // files have none, and cost one look at each name.
    if (std::none_of(names.begin(), names.end(), [](QAnyStringView n) { return cp1252Changes(n); })) {
        return {};
    }
    QHash<QByteArray, QString> first;
    QStringList found;
    int unlisted = 0;
    for (QAnyStringView view : names) {
        const QString name = view.toString();
        QByteArray bytes;
        appendCp1252(bytes, name);
        const auto it = first.constFind(bytes);
        if (it == first.constEnd()) {
            first.insert(bytes, name);
        } else if (*it != name) {
            if (found.size() < kListedWrittenAlike) {
                found.append(writtenAlikeSentence(*it, name, fromCp1252(bytes)));
            } else {
                ++unlisted;
            }
        }
    }
    if (unlisted > 0) {
        found.append(moreWrittenAlikeSentence(unlisted));
    }
    return found;
}

}  // namespace vintrel
