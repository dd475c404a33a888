#include "import/text/fields.h"

#include "model/coordinates.h"

#include <string>

namespace vintrel {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanksAtEnd(QStringView text) {
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

}  // namespace

QStringView trimBlanks(QStringView text) {
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    return trimBlanksAtEnd(text);
}

const std::vector<QStringView>& FieldSplitter::splitCommas(QStringView line) {
    // A quoted field's text is gathered in unquoted_, which may grow meanwhile: the views are made
    // once the line is done.
    spans_.clear();
    unquoted_.resize(0);
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && isBlank(line[i])) {
            ++i;
        }
        if (i < n && line[i] == u'"') {
            const qsizetype start = unquoted_.size();
            ++i;
            while (i < n) {
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        unquoted_.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;  // the closing quote
                    break;
                }
                unquoted_.append(line[i++]);
            }
            // Text between the closing quote and the comma stays with the field.
            const qsizetype restStart = i;
            while (i < n && line[i] != u',') {
                ++i;
            }
            unquoted_.append(trimBlanksAtEnd(line.sliced(restStart, i - restStart)));
            spans_.push_back({true, start, unquoted_.size() - start});
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != u',') {
                ++i;
            }
            const QStringView field = trimBlanksAtEnd(line.sliced(start, i - start));
            spans_.push_back({false, start, field.size()});
        }
        if (i >= n) {
            break;
        }
        ++i;  // the comma
    }
    fields_.clear();
    for (const Span& s : spans_) {
        fields_.push_back(s.quoted ? QStringView(unquoted_).sliced(s.start, s.size)
                                   : line.sliced(s.start, s.size));
    }
    return fields_;
}

const std::vector<QStringView>& FieldSplitter::splitTabs(QStringView line) {
    fields_.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == u'\t') {
            fields_.push_back(trimBlanks(line.sliced(start, i - start)));
            start = i + 1;
        }
    }
    return fields_;
}

QString cellText(QStringView field) {
    QString text = field.toString();
    if (text.contains(u'\t')) {
        text.replace(u'\t', u' ');
    }
    return text;
}

std::optional<double> numberField(QStringView field) {
    std::string ascii;
    ascii.reserve(static_cast<size_t>(field.size()));
    for (QChar c : field) {
        if (c.unicode() >= 0x80) {
            return std::nullopt;  // no digit, sign or point outside ASCII
        }
        ascii.push_back(static_cast<char>(c.unicode()));
    }
    return parseCoordinateUtf8(ascii);
}

}  // namespace vintrel
