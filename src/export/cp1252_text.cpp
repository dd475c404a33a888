#include "export/cp1252_text.h"

#include "base/cp1252.h"

#include <QHash>

#include <algorithm>

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

constexpr int kListedCollisions = 20;

}  // namespace

qsizetype cp1252Length(QStringView text) {
    if (!mayCompose(text)) {
        return text.size();  // below U+0300 every unit is one character
    }
    return withComposed(
        text, [](std::u16string_view t) { return static_cast<qsizetype>(cp1252::encodedLength(t)); });
}

char* writeCp1252(char* out, QStringView text) {
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

qsizetype appendCp1252(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + kCp1252MostPerUnit * text.size());
    const qsizetype written = writeCp1252(out.data() + start, text) - (out.data() + start);
    out.truncate(start + written);
    return written;
}

bool cp1252Changes(QStringView text) {
    if (!mayCompose(text)) {
        for (QChar c : text) {
            if (c.unicode() >= 0x80 && cp1252::fromUnicode(c.unicode()) == '?') {
                return true;
            }
        }
        return false;
    }
    QByteArray bytes;
    appendCp1252(bytes, text);
    return fromCp1252(bytes) != text;
}

QStringList cp1252NameCollisions(const QList<QStringView>& names, const QList<QByteArray>& existing) {
    // Only a name whose bytes stand for other characters can meet another name in its bytes; most
    // files have none, and cost one look at each name.
    if (std::none_of(names.begin(), names.end(), [](QStringView n) { return cp1252Changes(n); })) {
        return {};
    }
    QHash<QByteArray, QString> first;
    for (const QByteArray& e : existing) {
        first.insert(e, fromCp1252(e));
    }
    QStringList found;
    int unlisted = 0;
    for (QStringView name : names) {
        QByteArray bytes;
        appendCp1252(bytes, name);
        const auto it = first.constFind(bytes);
        if (it == first.constEnd()) {
            first.insert(bytes, name.toString());
        } else if (*it != name) {
            if (found.size() < kListedCollisions) {
                found.append(QStringLiteral("\"%1\" and \"%2\" are both written as \"%3\".")
                                 .arg(*it, name, fromCp1252(bytes)));
            } else {
                ++unlisted;
            }
        }
    }
    if (unlisted > 0) {
        found.append(QStringLiteral("%1 more names are written as the same bytes as another.").arg(unlisted));
    }
    return found;
}

QString fromCp1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(cp1252::toUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

}  // namespace vintrel
