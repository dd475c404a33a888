// Writing XML text fast: straight into room made beforehand for the most a text can take, since it
// runs over every name and description of the list. Shared by the XML writers (KML, GPX).
//
// Texts are written as UTF-8 with '&', '<' and '>' escaped (and '"' in attribute values, which are
// always double-quoted); the characters XML does not allow (control characters other than tab,
// U+FFFE, U+FFFF, unpaired surrogates) become spaces; all other characters are kept.
#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QString>

#include <string_view>

namespace vintrel::xml {

// The most bytes one UTF-16 unit (or Latin-1 character) can take once escaped ("&quot;").
inline constexpr qsizetype kMostBytesPerUnit = 6;
// Room for a coordinate with seven decimals, whatever the number.
inline constexpr qsizetype kDegreesRoom = 400;

// Writes `text` at `p` as character data, which needs room for kMostBytesPerUnit bytes a unit;
// returns the end.
char* putText(char* p, QAnyStringView text);
// The same for an attribute value: '"' is escaped too.
char* putAttribute(char* p, QAnyStringView text);
// Appends character data to `out`.
void appendText(QByteArray& out, QAnyStringView text);

inline char* putLiteral(char* p, std::string_view text) {
    return std::copy(text.begin(), text.end(), p);
}

// The title a document carries: the file's name without its folder and its extension ("caches" for
// C:\out\caches.kml).
QString documentTitle(const QString& path);

// Degrees with seven decimals and a '.', whatever the locale.
char* putDegrees(char* p, double degrees);

}  // namespace vintrel::xml
