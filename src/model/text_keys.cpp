#include "model/text_keys.h"

#include <QChar>
#include <QHash>

#include <algorithm>
#include <type_traits>

namespace vintrel {

namespace {

// A text's hash, the same whether it is kept as Latin-1 or UTF-16: it is hashed in pieces of UTF-16
// from a small buffer, folded (Fold) or as it is. No second string is made, and the letters A to Z
// fold in place.
template <bool Fold>
size_t hashInPieces(QAnyStringView text) {
    constexpr qsizetype kPiece = 64;
    char16_t units[kPiece + 2];
    qsizetype n = 0;
    size_t h = 0;
    const auto put = [&](char32_t c) {
        if (Fold) {
            c = c < 0x80 ? (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) : QChar::toCaseFolded(c);
        }
        if (QChar::requiresSurrogates(c)) {
            units[n++] = QChar::highSurrogate(c);
            units[n++] = QChar::lowSurrogate(c);
        } else {
            units[n++] = static_cast<char16_t>(c);
        }
        if (n >= kPiece) {
            h = qHash(QStringView(units, n), h);
            n = 0;
        }
    };
    text.visit([&](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            for (const char c : view) {
                put(static_cast<unsigned char>(c));
            }
        } else if constexpr (std::is_same_v<decltype(view), QStringView>) {
            for (qsizetype i = 0; i < view.size(); ++i) {
                char32_t c = view[i].unicode();
                if (QChar::isHighSurrogate(c) && i + 1 < view.size() && view[i + 1].isLowSurrogate()) {
                    c = QChar::surrogateToUcs4(view[i].unicode(), view[i + 1].unicode());
                    ++i;
                }
                put(c);
            }
        } else {
            const QString utf16 = view.toString();
            for (const QChar c : utf16) {
                put(c.unicode());
            }
        }
    });
    return qHash(QStringView(units, n), h);
}

}  // namespace

size_t exactHash(QAnyStringView text) {
    return hashInPieces<false>(text);
}

size_t foldedHash(QAnyStringView text) {
    return hashInPieces<true>(text);
}

QAnyStringView firstChars(QAnyStringView text, qsizetype n) {
    return text.visit([n](auto view) -> QAnyStringView { return view.first(std::min(view.size(), n)); });
}

bool sameIgnoringCase(QAnyStringView a, QAnyStringView b) {
    return QAnyStringView::compare(a, b, Qt::CaseInsensitive) == 0;
}

}  // namespace vintrel
