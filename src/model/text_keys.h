// The keys the list finds rows by: names hashed as they are or ignoring letter case, whichever
// form (Latin-1 or UTF-16) a row keeps its text in.
#pragma once

#include <QAnyStringView>

#include <cstddef>

namespace vintrel {

// A text's hash, the same for its Latin-1 and UTF-16 forms.
size_t exactHash(QAnyStringView text);

// Names compare ignoring letter case character by character (case folding: accented letters match
// their other case, a sharp s is not "SS"); the hash agrees with that comparison and is computed
// without building a second string.
size_t foldedHash(QAnyStringView text);

// The first `n` characters (at most) of a text, as a view of the same kind.
QAnyStringView firstChars(QAnyStringView text, qsizetype n);
bool sameIgnoringCase(QAnyStringView a, QAnyStringView b);

}  // namespace vintrel
