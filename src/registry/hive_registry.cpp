#include "registry/hive_registry.h"

#include "base/cp1252.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vintrel::registry {

namespace {

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

std::u16string utf16leBytes(const std::vector<std::uint8_t>& bytes) {
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return out;
}

std::vector<std::uint8_t> textBytes(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

bool isStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
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

enum class Dialect { Export4, Export5, Wine };

// Reads a quoted text starting at s[pos] == '"'; leaves pos after the closing quote. Export files
// escape only \ and "; Wine's files also write control and non-ASCII characters as escapes.
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

struct ParsedValue {
    bool remove = false;
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;
};

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

// The file's text with UTF-16 and UTF-8 byte-order marks decoded to code units kept one per char:
// characters above 0xFF become their windows-1252 byte (or '?').
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

}  // namespace

struct HiveRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;  // sorted, ignoring case
    std::vector<Value> values;                                            // in creation order

    Node* child(const std::string& name) const {
        for (const auto& [n, c] : children) {
            if (sameName(n, name)) {
                return c.get();
            }
        }
        return nullptr;
    }
    Node* addChild(const std::string& name) {
        auto it = std::lower_bound(
            children.begin(), children.end(), name,
            [](const auto& entry, const std::string& n) { return lessName(entry.first, n); });
        it = children.insert(it, {name, std::make_unique<Node>()});
        return it->second.get();
    }
    void removeChild(const std::string& name) {
        std::erase_if(children, [&](const auto& entry) { return sameName(entry.first, name); });
    }
    Value* value(const std::string& name) {
        for (Value& v : values) {
            if (sameName(v.name, name)) {
                return &v;
            }
        }
        return nullptr;
    }
};

namespace {

// Stores (or, for "name"=-, removes) the value a line such as "Category1"="Hiking" or @=dword:1
// describes. On failure `error` says what is wrong with the line.
bool applyValueLine(HiveRegistry::Node& key, const std::string& line, Dialect dialect, std::string& error) {
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else {
        std::u16string raw;
        if (!readQuoted(line, pos, dialect, raw)) {
            error = "value name without closing quote";
            return false;
        }
        name = quotedToAnsi(raw, dialect);
        if (name.find('\0') != std::string::npos) {
            error = "a value name holds a NUL character";
            return false;
        }
    }
    if (pos >= line.size() || line[pos] != '=') {
        error = "missing '='";
        return false;
    }
    ParsedValue value;
    if (!parseData(line, pos + 1, dialect, value, error)) {
        return false;
    }
    if (value.remove) {
        std::erase_if(key.values, [&](const HiveRegistry::Node::Value& v) { return sameName(v.name, name); });
    } else if (HiveRegistry::Node::Value* v = key.value(name)) {
        v->type = value.type;
        v->data = std::move(value.data);
    } else {
        key.values.push_back({name, value.type, std::move(value.data)});
    }
    return true;
}

}  // namespace

HiveRegistry::HiveRegistry() {
    for (HKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine}) {
        roots_[root] = std::make_unique<Node>();
    }
}

HiveRegistry::~HiveRegistry() = default;

HiveRegistry::Node* HiveRegistry::resolve(HKey key) const {
    if (const auto r = roots_.find(key); r != roots_.end()) {
        return r->second.get();
    }
    const auto h = handles_.find(key);
    return h == handles_.end() ? nullptr : h->second;
}

HiveRegistry::Node* HiveRegistry::walk(Node* from, const std::string& path, bool create, bool* created) {
    Node* node = from;
    size_t start = 0;
    while (node != nullptr && start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) {
            Node* next = node->child(part);
            if (next == nullptr && create) {
                next = node->addChild(part);
                if (created != nullptr) {
                    *created = true;
                }
            }
            node = next;
        }
        start = end + 1;
    }
    return node;
}

long HiveRegistry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t, std::uint32_t,
                                 HKey* result) {
    *result = 0;
    Node* base = resolve(key);
    if (base == nullptr) {
        return kInvalidHandle;
    }
    Node* node = walk(base, subKey, false, nullptr);
    if (node == nullptr) {
        return kFileNotFound;
    }
    *result = nextHandle_;
    nextHandle_ += 4;
    handles_[*result] = node;
    return kSuccess;
}

long HiveRegistry::RegCloseKey(HKey key) {
    if (roots_.count(key) != 0) {
        return kSuccess;
    }
    return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

long HiveRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    const Node::Value* v = node->value(valueName);
    if (v == nullptr) {
        return kFileNotFound;
    }
    if (type != nullptr) {
        *type = v->type;
    }
    const auto size = static_cast<std::uint32_t>(v->data.size());
    if (data != nullptr) {
        if (dataSize == nullptr) {
            return kInvalidParameter;
        }
        if (*dataSize < size) {
            *dataSize = size;
            return kMoreData;
        }
        std::copy(v->data.begin(), v->data.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return kSuccess;
}

long HiveRegistry::RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    std::vector<std::uint8_t> bytes(data, data + (data == nullptr ? 0 : dataSize));
    if (Node::Value* v = node->value(valueName)) {
        v->type = type;
        v->data = std::move(bytes);
    } else {
        node->values.push_back({valueName, type, std::move(bytes)});
    }
    return kSuccess;
}

long HiveRegistry::RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t, std::uint32_t,
                                   HKey* result, std::uint32_t* disposition) {
    *result = 0;
    Node* base = resolve(key);
    if (base == nullptr) {
        return kInvalidHandle;
    }
    bool created = false;
    Node* node = walk(base, subKey, true, &created);
    *result = nextHandle_;
    nextHandle_ += 4;
    handles_[*result] = node;
    if (disposition != nullptr) {
        *disposition = created ? 1 : 2;
    }
    return kSuccess;
}

long HiveRegistry::RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    if (index >= node->children.size()) {
        return kNoMoreItems;
    }
    const std::string& n = node->children[index].first;
    if (n.size() + 1 > nameSize) {
        return kMoreData;
    }
    std::memcpy(name, n.c_str(), n.size() + 1);
    return kSuccess;
}

long HiveRegistry::RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    if (index >= node->values.size()) {
        return kNoMoreItems;
    }
    const Node::Value& v = node->values[index];
    if (v.name.size() + 1 > *nameSize) {
        return kMoreData;
    }
    std::memcpy(name, v.name.c_str(), v.name.size() + 1);
    *nameSize = static_cast<std::uint32_t>(v.name.size());
    if (type != nullptr) {
        *type = v.type;
    }
    if (dataSize != nullptr) {
        const auto size = static_cast<std::uint32_t>(v.data.size());
        if (data != nullptr && *dataSize < size) {
            *dataSize = size;
            return kMoreData;
        }
        if (data != nullptr) {
            std::copy(v.data.begin(), v.data.end(), data);
        }
        *dataSize = size;
    }
    return kSuccess;
}

long HiveRegistry::RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                                    std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                    std::uint32_t* maxValueLength) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    std::uint32_t maxKey = 0, maxName = 0, maxData = 0;
    for (const auto& [n, c] : node->children) {
        maxKey = std::max<std::uint32_t>(maxKey, static_cast<std::uint32_t>(n.size()));
    }
    for (const Node::Value& v : node->values) {
        maxName = std::max<std::uint32_t>(maxName, static_cast<std::uint32_t>(v.name.size()));
        maxData = std::max<std::uint32_t>(maxData, static_cast<std::uint32_t>(v.data.size()));
    }
    if (subKeys != nullptr)
        *subKeys = static_cast<std::uint32_t>(node->children.size());
    if (maxSubKeyLength != nullptr)
        *maxSubKeyLength = maxKey;
    if (values != nullptr)
        *values = static_cast<std::uint32_t>(node->values.size());
    if (maxValueNameLength != nullptr)
        *maxValueNameLength = maxName;
    if (maxValueLength != nullptr)
        *maxValueLength = maxData;
    return kSuccess;
}

std::uint32_t HiveRegistry::ExpandEnvironmentStringsA(const char* source, char* destination,
                                                      std::uint32_t size) {
    const std::string in(source);
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t open = in.find('%', pos);
        const size_t close = open == std::string::npos ? std::string::npos : in.find('%', open + 1);
        if (close == std::string::npos) {
            out += in.substr(pos);
            break;
        }
        out += in.substr(pos, open - pos);
        const std::string name = in.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr) {
            out += value;
            pos = close + 1;
        } else {
            out += '%' + name;  // an unknown name stays, and its closing % may open the next one
            pos = close;
        }
    }
    const auto needed = static_cast<std::uint32_t>(out.size() + 1);
    if (destination != nullptr && size >= needed) {
        std::memcpy(destination, out.c_str(), needed);
    }
    return needed;
}

bool HiveRegistry::loadExport(const std::string& path, std::string& error) {
    bool ok = false;
    const std::string bytes = readFileBytes(path, ok);
    if (!ok) {
        error = path + ": cannot be opened";
        return false;
    }
    bool unicode = false;
    const std::vector<std::string> lines = logicalLines(decodeRegText(bytes, unicode));
    if (lines.empty()) {
        error = path + ": empty file";
        return false;
    }
    Dialect dialect;
    if (lines[0] == "REGEDIT4") {
        dialect = Dialect::Export4;
    } else if (lines[0] == "Windows Registry Editor Version 5.00") {
        dialect = Dialect::Export5;
    } else {
        error = path + ": not a registry export";
        return false;
    }
    static const std::pair<const char*, HKey> kRoots[] = {
        {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},   {"HKCR", kHkeyClassesRoot},
        {"HKEY_CURRENT_USER", kHkeyCurrentUser},   {"HKCU", kHkeyCurrentUser},
        {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine}, {"HKLM", kHkeyLocalMachine},
    };
    Node* current = nullptr;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string where = path + ", line " + std::to_string(i + 1) + ": ";
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            if (close == std::string::npos) {
                error = where + "key without closing bracket";
                return false;
            }
            const bool remove = line.size() > 1 && line[1] == '-';
            const std::string full = line.substr(remove ? 2 : 1, close - (remove ? 2 : 1));
            if (full.find('\0') != std::string::npos) {
                error = where + "a key name holds a NUL character";
                return false;
            }
            const size_t slash = full.find('\\');
            const std::string rootName = full.substr(0, slash);
            const std::string rest = slash == std::string::npos ? std::string() : full.substr(slash + 1);
            current = nullptr;
            for (const auto& [n, h] : kRoots) {
                if (sameName(rootName, n)) {
                    Node* root = roots_[h].get();
                    if (remove) {
                        const size_t last = rest.rfind('\\');
                        Node* parent = last == std::string::npos
                                           ? root
                                           : walk(root, rest.substr(0, last), false, nullptr);
                        if (parent != nullptr) {
                            parent->removeChild(last == std::string::npos ? rest : rest.substr(last + 1));
                        }
                    } else {
                        current = walk(root, rest, true, nullptr);
                    }
                }
            }
            continue;  // keys below other roots are passed over with their values
        }
        if (current == nullptr) {
            continue;
        }
        if (line[0] != '@' && line[0] != '"') {
            error = where + "not a key or a value";
            return false;
        }
        if (!applyValueLine(*current, line, dialect, error)) {
            error = where + error;
            return false;
        }
    }
    return true;
}

bool HiveRegistry::loadWine(const std::string& path, HKey root, std::string& error) {
    bool ok = false;
    const std::string bytes = readFileBytes(path, ok);
    if (!ok) {
        error = path + ": cannot be opened";
        return false;
    }
    const std::vector<std::string> lines = logicalLines(bytes);
    if (lines.empty() || lines[0].rfind("WINE REGISTRY Version", 0) != 0) {
        error = path + ": not a Wine registry file";
        return false;
    }
    Node* base = resolve(root);
    if (base == nullptr) {
        error = path + ": unknown root key";
        return false;
    }
    Node* current = nullptr;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string where = path + ", line " + std::to_string(i + 1) + ": ";
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            // [Software\\Garmin\\MapSource] 1700000000: the key path is escaped like a text.
            std::string quoted = "\"";
            size_t close = 1;
            for (; close < line.size() && line[close] != ']'; ++close) {
                if (line[close] == '\\' && close + 1 < line.size()) {
                    quoted += line[close++];
                }
                quoted += line[close];
            }
            quoted += '"';
            std::u16string raw;
            size_t p = 0;
            readQuoted(quoted, p, Dialect::Wine, raw);
            if (raw.find(u'\0') != std::u16string::npos) {
                error = where + "a key name holds a NUL character";
                return false;
            }
            current = walk(base, cp1252::encode(raw), true, nullptr);
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        if (line[0] != '@' && line[0] != '"') {
            continue;  // lines Wine may add that carry no value
        }
        if (!applyValueLine(*current, line, Dialect::Wine, error)) {
            error = where + error;
            return false;
        }
    }
    return true;
}

}  // namespace vintrel::registry
