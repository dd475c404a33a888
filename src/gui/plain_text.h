// Texts that name files or quote what a file holds are shown as the plain text they are: never
// read as HTML (a file named "<h1>x<img src=...>" shows those characters), with bytes that are
// not UTF-8, control characters and the characters that reorder text (bidirectional controls,
// which could make one name turn every name after it round) shown as escapes such as "\u202E".
#pragma once

#include <QString>

namespace vintrel {

// `text` line by line as displayFileName() shows a name; the line breaks stay.
QString shownText(const QString& text);

// A tooltip that shows `text` (as shownText() gives it) as plain text, in its lines, whatever
// characters it holds: Qt would otherwise read a tooltip that looks like HTML as HTML.
QString plainToolTip(const QString& text);

}  // namespace vintrel
