// How much an XML waypoint file may ask of the parser, for reading it and adding to it alike, and
// the look ahead that keeps the parser from taking in more than that.
//
// expat takes in a whole start tag before it reports the element, keeping every attribute of it;
// an element with a million attributes costs ten times the file's size. So a token that spans the
// pieces the parser is given is looked at first: the parser gets the rest of it in one piece (read
// again with each piece it would cost time in the square of its length), and a start tag's
// attributes are counted before that.
#pragma once

#include <cstddef>

namespace vintrel::xml {

// No waypoint file gives an element this many attributes (its namespace declarations counted
// among them), nor has this many namespace declarations in force at once: a file that does is
// refused there.
inline constexpr std::size_t kMostAttributes = 10000;

// The markup that begins with '<' at the start of a text.
struct MarkupEnd {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    bool known = false;      // a start or end tag, a comment, a processing instruction, a CDATA section
    std::size_t end = npos;  // the unit after its '>'; npos when the text ends first
    // A start tag's, each '=' outside a quoted value; the count stops once it is past the most.
    std::size_t attributes = 0;
};

// `unit(i)` gives unit i (a byte of UTF-8 or of a single-byte encoding, a UTF-16 unit) of a text of
// `size` units.
template <class Unit>
MarkupEnd findMarkupEnd(const Unit& unit, std::size_t size) {
    MarkupEnd found;
    const auto startsWith = [&](const char* marker) {
        std::size_t i = 0;
        for (; marker[i] != '\0'; ++i) {
            if (i >= size || unit(i) != static_cast<char32_t>(marker[i])) {
                return false;
            }
        }
        return true;
    };
    const auto findAfter = [&](const char* marker, std::size_t from) {
        std::size_t length = 0;
        while (marker[length] != '\0') {
            ++length;
        }
        for (std::size_t i = from; i + length <= size; ++i) {
            std::size_t k = 0;
            while (k < length && unit(i + k) == static_cast<char32_t>(marker[k])) {
                ++k;
            }
            if (k == length) {
                return i + length;
            }
        }
        return MarkupEnd::npos;
    };
    if (size < 2 || unit(0) != u'<') {
        return found;
    }
    if (unit(1) == u'?') {
        found.known = true;
        found.end = findAfter("?>", 2);
    } else if (startsWith("<!--")) {
        found.known = true;
        found.end = findAfter("-->", 4);
    } else if (startsWith("<![CDATA[")) {
        found.known = true;
        found.end = findAfter("]]>", 9);
    } else if (unit(1) != u'!') {
        // A start or an end tag: the first '>' outside a quoted value ends it.
        found.known = true;
        char32_t quote = 0;
        for (std::size_t i = 1; i < size; ++i) {
            const char32_t c = unit(i);
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'=') {
                if (++found.attributes > kMostAttributes) {
                    return found;
                }
            } else if (c == u'>') {
                found.end = i + 1;
                return found;
            }
        }
    }
    return found;
}

}  // namespace vintrel::xml
