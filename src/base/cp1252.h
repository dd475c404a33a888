// windows-1252, the code page of the registry's ANSI texts and of MapSource's files. Standard C++
// only, so the registry layer and the program share one table.
#pragma once

#include <string>

namespace vintrel::codepage {

// The character of one windows-1252 byte; the five bytes the code page leaves undefined stand for
// the control characters of the same value.
char16_t cp1252ToUnicode(unsigned char byte);

// The byte of a character, or '?' when windows-1252 lacks it.
char unicodeToCp1252(char32_t c);

// windows-1252 bytes of a UTF-16 text; characters the code page lacks become '?'.
std::string utf16ToCp1252(const std::u16string& text);

}  // namespace vintrel::codepage
