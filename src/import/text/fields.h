// The fields of a text input's line as the readers use them: list cells and the numbers they hold.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace vintrel {

// `text` without the spaces and tabs at its ends.
QStringView trimBlanks(QStringView text);

// The field `index` (from 0), or an empty view when the line has fewer fields.
inline QStringView fieldAt(const std::vector<QString>& fields, size_t index) {
    return index < fields.size() ? QStringView(fields[index]) : QStringView();
}

// A field as a list cell holds it: tabs inside become spaces, as cells are one line of text.
QString cellText(QStringView field);

// A decimal number with "." as the point, optionally signed, the whole field; nullopt for an empty
// field, anything else, or a value that is not finite.
std::optional<double> numberField(QStringView field);

// The number a field begins with, after blanks: a sign, digits with a "." among them, an exponent,
// up to the first character that cannot continue it ("37;" and "37 (cache)" begin with 37). An
// empty view when the field does not begin with a number.
QStringView leadingNumber(QStringView field);

}  // namespace vintrel
