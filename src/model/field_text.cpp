#include "model/field_text.h"

#include <algorithm>

namespace vintrel {

QString fieldText(std::string_view utf8) {
    QString out = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const bool hasBreaks =
        std::any_of(utf8.begin(), utf8.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
    if (hasBreaks) {
        // A line break takes the blanks around it along into its one space, so that an indented
        // next line reads on after a single space; a tab elsewhere is one space.
        const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
        const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
        QString joined;
        joined.reserve(out.size());
        for (qsizetype i = 0; i < out.size();) {
            if (!isBreak(out[i])) {
                joined.append(out[i] == u'\t' ? QChar(u' ') : out[i]);
                ++i;
                continue;
            }
            while (!joined.isEmpty() && joined.back() == u' ') {
                joined.chop(1);
            }
            while (i < out.size() && (isBreak(out[i]) || isBlank(out[i]))) {
                ++i;
            }
            joined.append(u' ');
        }
        out = std::move(joined);
    }
    const bool padded = !out.isEmpty() && (out.front().isSpace() || out.back().isSpace());
    return padded ? std::move(out).trimmed() : out;
}

}  // namespace vintrel
