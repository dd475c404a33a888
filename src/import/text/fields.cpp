#include "import/text/fields.h"

#include "model/coordinates.h"

#include <string>

namespace vintrel {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isDigit(QStringView text, qsizetype i) {
    return i < text.size() && text[i] >= u'0' && text[i] <= u'9';
}

}  // namespace

QStringView trimBlanks(QStringView text) {
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
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

QStringView leadingNumber(QStringView field) {
    field = trimBlanks(field);
    qsizetype i = 0;
    if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (isDigit(field, i)) {
        ++i;
        ++digits;
    }
    if (i < field.size() && field[i] == u'.') {
        ++i;
        while (isDigit(field, i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return QStringView();
    }
    // An exponent only when digits follow it: "5e" is 5 and a letter.
    if (i < field.size() && (field[i] == u'e' || field[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < field.size() && (field[j] == u'+' || field[j] == u'-')) {
            ++j;
        }
        if (isDigit(field, j)) {
            while (isDigit(field, j)) {
                ++j;
            }
            i = j;
        }
    }
    return field.first(i);
}

}  // namespace vintrel
