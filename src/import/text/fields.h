// Splitting a line of a text input into its fields, and reading the numbers they hold.
//
// Comma-separated lines (speed-camera lists, Maptech marks) respect double quotes: a field that
// begins with a quote runs to its closing quote, may hold commas, and "" inside it stands for one
// quote; the enclosing quotes are not part of the field. Tab-separated lines (NetStumbler exports)
// know no quotes. Either way the blanks around each field are dropped, so "42.42, -71.08" reads
// like "42.42,-71.08".
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace vintrel {

class FieldSplitter {
  public:
    // The fields of `line`, valid until the next call or until `line` changes.
    const std::vector<QStringView>& splitCommas(QStringView line);
    const std::vector<QStringView>& splitTabs(QStringView line);

  private:
    struct Span {
        bool quoted;  // in unquoted_, else in the line
        qsizetype start;
        qsizetype size;
    };
    std::vector<Span> spans_;
    std::vector<QStringView> fields_;
    QString unquoted_;  // the text of quoted fields, which differs from the line's
};

// `text` without the spaces and tabs at its ends.
QStringView trimBlanks(QStringView text);

// The field `index` (from 0), or an empty view when the line has fewer fields.
inline QStringView fieldAt(const std::vector<QStringView>& fields, size_t index) {
    return index < fields.size() ? fields[index] : QStringView();
}

// A field as a list cell holds it: tabs inside become spaces, as cells are one line of text.
QString cellText(QStringView field);

// A decimal number with "." as the point, optionally signed, the whole field; nullopt for an empty
// field, anything else, or a value that is not finite.
std::optional<double> numberField(QStringView field);

}  // namespace vintrel
