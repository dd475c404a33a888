#include "registry/reg_text.h"

#include "base/cp1252.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vintrel::registry {

namespace {

std::u16string utf16leBytes(const std::vector<std::uint8_t>& bytes) {
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool lessName(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::uint8_t> textBytes(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

bool isStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

bool readQuoted(const std::string& s, size_t& pos, Dialect dialect, std::u16string& out) {
    ++pos;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') {
            return true;
        }
        if (c != '\\' || pos >= s.size()) {
            out.push_back(static_cast<unsigned char>(c));
            continue;
        }
        const char e = s[pos++];
        if (dialect != Dialect::Wine) {
            out.push_back(static_cast<unsigned char>(e));
            continue;
        }
        static constexpr std::pair<char, char16_t> kEscapes[] = {
            {'a', u'\a'}, {'b', u'\b'}, {'e', u'\x1b'}, {'f', u'\f'},
            {'n', u'\n'}, {'r', u'\r'}, {'t', u'\t'},   {'v', u'\v'},
        };
        const auto named = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                        [e](const auto& x) { return x.first == e; });
        if (named != std::end(kEscapes)) {
            out.push_back(named->second);
        } else if (e == 'x') {
            char16_t v = 0;
            for (int n = 0; n < 4 && pos < s.size() && hexDigit(s[pos]) >= 0; ++n) {
                v = static_cast<char16_t>(v * 16 + hexDigit(s[pos++]));
            }
            out.push_back(v);
        } else if (e >= '0' && e <= '7') {
            char16_t v = static_cast<char16_t>(e - '0');
            for (int n = 1; n < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++n) {
                v = static_cast<char16_t>(v * 8 + (s[pos++] - '0'));
            }
            out.push_back(v);
        } else {
            out.push_back(static_cast<unsigned char>(e));
        }
    }
    return false;
}

// An export's text is already windows-1252 bytes (a Unicode export is converted as a whole when it
// is read); Wine's escapes give code points, which are converted here.
std::string quotedToAnsi(const std::u16string& raw, Dialect dialect) {
    if (dialect != Dialect::Wine) {
        std::string out;
        for (char16_t c : raw) {
            out.push_back(static_cast<char>(c));
        }
        return out;
    }
    return cp1252::encode(raw);
}

bool parseData(const std::string& s, size_t pos, Dialect dialect, ParsedValue& value, std::string& why) {
    const std::string rest = s.substr(pos);
    if (rest == "-") {
        value.remove = true;
        return true;
    }
    if (!rest.empty() && rest[0] == '"') {
        std::u16string raw;
        size_t p = pos;
        if (!readQuoted(s, p, dialect, raw)) {
            why = "text without closing quote";
            return false;
        }
        value.type = kRegSz;
        value.data = textBytes(quotedToAnsi(raw, dialect));
        return true;
    }
    if (rest.rfind("str(", 0) == 0 && dialect == Dialect::Wine) {
        const size_t close = rest.find("):");
        if (close == std::string::npos || close + 2 >= rest.size() || rest[close + 2] != '"') {
            why = "malformed str() value";
            return false;
        }
        value.type = static_cast<std::uint32_t>(std::strtoul(rest.c_str() + 4, nullptr, 16));
        std::u16string raw;
        size_t p = pos + close + 2;
        if (!readQuoted(s, p, dialect, raw)) {
            why = "text without closing quote";
            return false;
        }
        value.data = textBytes(cp1252::encode(raw));
        return true;
    }
    if (rest.rfind("dword:", 0) == 0) {
        const std::string digits = rest.substr(6);
        if (digits.size() != 8 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return hexDigit(c) >= 0; })) {
            why = "dword value needs eight hexadecimal digits";
            return false;
        }
        const auto v = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
        value.type = kRegDword;
        value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        return true;
    }
    if (rest.rfind("hex", 0) == 0) {
        size_t p = 3;
        value.type = kRegBinary;
        if (p < rest.size() && rest[p] == '(') {
            const size_t close = rest.find(')', p);
            if (close == std::string::npos) {
                why = "malformed hex() value";
                return false;
            }
            value.type = static_cast<std::uint32_t>(std::strtoul(rest.c_str() + p + 1, nullptr, 16));
            p = close + 1;
        }
        if (p >= rest.size() || rest[p] != ':') {
            why = "malformed hex value";
            return false;
        }
        ++p;
        std::vector<std::uint8_t> bytes;
        while (p < rest.size()) {
            while (p < rest.size() && (rest[p] == ',' || rest[p] == ' ' || rest[p] == '\t')) {
                ++p;
            }
            if (p >= rest.size()) {
                break;
            }
            if (p + 1 >= rest.size() || hexDigit(rest[p]) < 0 || hexDigit(rest[p + 1]) < 0) {
                why = "bad byte in hex value";
                return false;
            }
            bytes.push_back(static_cast<std::uint8_t>(hexDigit(rest[p]) * 16 + hexDigit(rest[p + 1])));
            p += 2;
        }
        if (isStringType(value.type) && dialect != Dialect::Export4) {
            const std::string ansi = cp1252::encode(utf16leBytes(bytes));
            bytes.assign(ansi.begin(), ansi.end());
        }
        value.data = std::move(bytes);
        return true;
    }
    why = "unknown value form";
    return false;
}

std::string readFileBytes(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string decodeRegText(const std::string& bytes, bool& wasUnicode) {
    wasUnicode = false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        wasUnicode = true;
        std::vector<std::uint8_t> raw(bytes.begin() + 2, bytes.end());
        return cp1252::encode(utf16leBytes(raw));
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        wasUnicode = true;
        return cp1252::fromUtf8(std::string_view(bytes).substr(3));
    }
    return bytes;
}

std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const bool continued = !line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos;
        if (!current.empty()) {
            const size_t first = line.find_first_not_of(" \t");
            line = first == std::string::npos ? std::string() : line.substr(first);
        }
        if (continued || (!current.empty() && !line.empty() && line.back() == '\\')) {
            line.pop_back();
            current += line;
            continue;
        }
        lines.push_back(current + line);
        current.clear();
    }
    if (!current.empty()) {
        lines.push_back(current);
    }
    return lines;
}

}  // namespace vintrel::registry
