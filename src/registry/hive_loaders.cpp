// Filling the in-memory registry from registry exports and Wine's registry files.
#include "registry/hive_node.h"

#include "base/cp1252.h"

namespace vintrel::registry {

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
