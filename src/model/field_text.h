// The one rule for a text cell read from a file: the readers make their cells with it, and adding
// to a file that holds text fields compares that file's names as the readers would read them.
#pragma once

#include <QString>

#include <string_view>

namespace vintrel {

// A field as the list holds it, from UTF-8: a line break with the blanks around it becomes one
// space, a tab elsewhere one space too, and white space at both ends is dropped.
QString fieldText(std::string_view utf8);

}  // namespace vintrel
