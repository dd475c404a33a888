// The text of registry files, as both registry exports (REGEDIT4, "Windows Registry Editor Version
// 5.00") and Wine's user.reg write it: quoted texts and their escapes, value data in its forms
// ("text", dword:, hex:, hex(N):), lines continued with a backslash, and names compared as the
// registry compares them, without regard to letter case.
#pragma once

#include "registry/registry_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vintrel::registry {

bool sameName(const std::string& a, const std::string& b);
bool lessName(const std::string& a, const std::string& b);

// Value data as the registry holds a text: windows-1252 bytes and a NUL.
std::vector<std::uint8_t> textBytes(const std::string& text);
bool isStringType(std::uint32_t type);

enum class Dialect { Export4, Export5, Wine };

// Reads a quoted text starting at s[pos] == '"'; leaves pos after the closing quote. Export files
// escape only \ and "; Wine's files also write control and non-ASCII characters as escapes.
bool readQuoted(const std::string& s, size_t& pos, Dialect dialect, std::u16string& out);
// A quoted text as the ANSI functions give it.
std::string quotedToAnsi(const std::u16string& raw, Dialect dialect);

struct ParsedValue {
    bool remove = false;  // "name"=-
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;
};

// The data after a value's '=' at s[pos]; false with the reason in `why`.
bool parseData(const std::string& s, size_t pos, Dialect dialect, ParsedValue& value, std::string& why);

std::string readFileBytes(const std::string& path, bool& ok);
// The file's text with UTF-16 and UTF-8 byte-order marks decoded to code units kept one per char:
// characters above 0xFF become their windows-1252 byte (or '?').
std::string decodeRegText(const std::string& bytes, bool& wasUnicode);
// The file's lines, a value's hex data continued over several lines joined into one.
std::vector<std::string> logicalLines(const std::string& text);

}  // namespace vintrel::registry
