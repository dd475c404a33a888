// windows-1252, the code page of MapSource's and PCX5 files, of the registry's ANSI texts and of
// text inputs that are not UTF-8. The program's one codec for it: standard C++ only, so the
// registry layer and the Qt layers above share it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vintrel::cp1252 {

// The character of one byte; the five bytes the code page leaves undefined stand for the control
// characters of the same value.
char16_t toUnicode(unsigned char byte);

// The byte of a character, or '?' when the code page lacks it.
char fromUnicode(char32_t c);

// One byte per character: a surrogate pair (a character outside the basic plane, which the code
// page never has) is one '?'.
std::size_t encodedLength(std::u16string_view text);
// Writes the encodedLength(text) bytes of `text` at `out`; returns the end.
char* encode(std::u16string_view text, char* out);
std::string encode(std::u16string_view text);

// The bytes of a UTF-8 text (an invalid byte becomes '?').
std::string fromUtf8(std::string_view utf8);

}  // namespace vintrel::cp1252
