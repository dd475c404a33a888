#include "registry/c_registry.h"

#include <algorithm>
#include <cstring>

namespace vintrel::registry {

namespace {

// Closes a key handle when the scope ends, whichever way it ends.
class KeyCloser {
  public:
    KeyCloser(RegistryApi& api, HKey key) : api_(api), key_(key) {}
    ~KeyCloser() { api_.RegCloseKey(key_); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

  private:
    RegistryApi& api_;
    HKey key_;
};

std::int32_t littleEndian32(const std::vector<std::uint8_t>& d) {
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(i < d.size() ? d[i] : 0) << (8 * i);
    }
    return static_cast<std::int32_t>(v);
}

std::int32_t bigEndian32(const std::vector<std::uint8_t>& d) {
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v = (v << 8) | (i < d.size() ? d[i] : 0);
    }
    return static_cast<std::int32_t>(v);
}

// A text is stored as REG_EXPAND_SZ when it holds a "%" and another "%" at least two characters
// after it, as in %PATH%; "50%" and "%%" stay REG_SZ.
bool looksExpandable(const std::string& text) {
    const size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

std::string quotedPath(std::string path) {
    const size_t first = path.find_first_not_of(' ');
    const size_t last = path.find_last_not_of(' ');
    path = first == std::string::npos ? std::string() : path.substr(first, last - first + 1);
    if (path.empty() || path.front() != '"') {
        path.insert(path.begin(), '"');
    }
    if (path.size() < 2 || path.back() != '"') {
        path.push_back('"');
    }
    return path;
}

}  // namespace

std::string valueText(const RegValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        return *s;
    }
    if (const auto* i = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*i);
    }
    if (const auto* i = std::get_if<std::int16_t>(&value)) {
        return std::to_string(*i);
    }
    return {};
}

cRegistry::cRegistry(RegistryApi& api, std::string appName) : api_(api), appName_(std::move(appName)) {}

bool cRegistry::KeyExists() {
    HKey key = 0;
    if (api_.RegOpenKeyExA(classKey_, sectionKey_, 0, kKeyQueryValue, &key) != kSuccess) {
        return false;
    }
    api_.RegCloseKey(key);
    return true;
}

RegValue cRegistry::Value() {
    HKey key = 0;
    if (api_.RegOpenKeyExA(classKey_, sectionKey_, 0, kKeyQueryValue, &key) != kSuccess) {
        return default_;
    }
    KeyCloser closer(api_, key);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    long rc = api_.RegQueryValueExA(key, valueKey_, &type, nullptr, &size);
    if (rc != kSuccess && rc != kMoreData) {
        return default_;
    }
    valueType_ = type;
    std::vector<std::uint8_t> data(size);
    if (size > 0) {
        std::uint32_t got = size;
        rc = api_.RegQueryValueExA(key, valueKey_, &type, data.data(), &got);
        if (rc != kSuccess) {
            return default_;
        }
        data.resize(got);
    }
    switch (type) {
        case kRegSz:
        case kRegExpandSz: {
            // A text ends at its zero byte; the data may have room for more.
            const auto zero = std::find(data.begin(), data.end(), std::uint8_t{0});
            std::string text(data.begin(), zero);
            if (type == kRegSz) {
                return text;
            }
            const std::uint32_t needed = api_.ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
            std::string expanded(needed, '\0');
            api_.ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
            expanded.resize(std::strlen(expanded.c_str()));
            return expanded;
        }
        case kRegMultiSz: {
            std::string text(data.begin(), data.end());
            if (!text.empty() && text.back() == '\0') {
                text.pop_back();  // the final zero goes; the zeros between the texts stay
            }
            return text;
        }
        case kRegDword:
            return littleEndian32(data);
        case kRegDwordBigEndian:
            return bigEndian32(data);
        default: {
            // Binary and other data read as a signed 16-bit number from its first two bytes.
            const auto lo = static_cast<std::uint16_t>(data.size() > 0 ? data[0] : 0);
            const auto hi = static_cast<std::uint16_t>(data.size() > 1 ? data[1] : 0);
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(hi << 8 | lo));
        }
    }
}

std::string cRegistry::failedToSetText(const RegValue& value) const {
    return "Failed to set registry value Key: '" + std::to_string(classKey_) + "',Section: '" + sectionKey_ +
           "',Key: '" + valueKey_ + "' to value: '" + valueText(value) + "'";
}

void cRegistry::Value(const RegValue& vValue) {
    HKey key = 0;
    std::uint32_t disposition = 0;
    if (api_.RegCreateKeyExA(classKey_, sectionKey_, 0, kKeyAllAccessLegacy, &key, &disposition) !=
        kSuccess) {
        throw RegistryError(kErrSetValue, source(), failedToSetText(vValue));
    }
    KeyCloser closer(api_, key);
    long rc = kSuccess;
    switch (valueType_) {
        case kRegSz:
        case kRegExpandSz: {
            const std::string text = valueText(vValue);
            const std::uint32_t type = looksExpandable(text) ? kRegExpandSz : kRegSz;
            rc =
                api_.RegSetValueExA(key, valueKey_, type, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                    static_cast<std::uint32_t>(text.size() + 1));
            break;
        }
        case kRegBinary: {
            const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&vValue);
            if (bytes == nullptr) {
                throw RegistryError(kErrSetValue, appName_, "Application-defined or object-defined error");
            }
            rc = api_.RegSetValueExA(key, valueKey_, kRegBinary, bytes->data(),
                                     static_cast<std::uint32_t>(bytes->size()));
            break;
        }
        case kRegDword:
        case kRegDwordBigEndian: {
            std::uint32_t v = 0;
            if (const auto* i32 = std::get_if<std::int32_t>(&vValue)) {
                v = static_cast<std::uint32_t>(*i32);
            } else if (const auto* i16 = std::get_if<std::int16_t>(&vValue)) {
                v = static_cast<std::uint32_t>(static_cast<std::int32_t>(*i16));
            } else {
                return;  // only whole numbers become DWORDs; anything else is left unwritten
            }
            const std::uint8_t data[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                          static_cast<std::uint8_t>(v >> 16),
                                          static_cast<std::uint8_t>(v >> 24)};
            rc = api_.RegSetValueExA(key, valueKey_, kRegDword, data, 4);
            break;
        }
        default:
            rc = kInvalidData;
    }
    if (rc != kSuccess) {
        throw RegistryError(kErrStoreValue, source(), failedToSetText(vValue));
    }
    lastWritten_ = vValue;
}

bool cRegistry::EnumerateValues(std::vector<std::string>& names, std::int32_t& count) {
    names.clear();
    count = 0;
    HKey key = 0;
    if (api_.RegOpenKeyExA(classKey_, sectionKey_, 0, kKeyQueryValue, &key) != kSuccess) {
        return true;
    }
    KeyCloser closer(api_, key);
    std::uint32_t longest = 0;
    api_.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &longest, nullptr);
    std::vector<char> buffer(longest + 1);
    for (std::uint32_t i = 0;; ++i) {
        auto size = static_cast<std::uint32_t>(buffer.size());
        if (api_.RegEnumValueA(key, i, buffer.data(), &size, nullptr, nullptr, nullptr) != kSuccess) {
            break;
        }
        names.emplace_back(buffer.data(), size);
        ++count;
    }
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& names, std::int32_t& count) {
    names.clear();
    count = 0;
    HKey key = 0;
    if (api_.RegOpenKeyExA(classKey_, sectionKey_, 0, kKeyEnumerateSubKeys, &key) != kSuccess) {
        return true;
    }
    KeyCloser closer(api_, key);
    try {
        char buffer[256];
        for (std::uint32_t i = 0;; ++i) {
            if (api_.RegEnumKeyA(key, i, buffer, sizeof buffer) != kSuccess) {
                break;
            }
            names.emplace_back(buffer, strnlen(buffer, sizeof buffer));
            ++count;
        }
    } catch (const std::exception& e) {
        throw RegistryError(kErrEnumerateSections, source(), e.what());
    }
    return true;
}

void cRegistry::writeDefaultTextBothRoots(const std::string& keyPath, const std::string& text) {
    valueKey_.clear();
    valueType_ = kRegSz;
    classKey_ = kHkeyClassesRoot;
    sectionKey_ = keyPath;
    Value(RegValue(text));
    classKey_ = kHkeyLocalMachine;
    sectionKey_ = "SOFTWARE\\Classes\\" + keyPath;
    Value(RegValue(text));
}

void cRegistry::CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                                     const std::string& sClassDescription, const std::string& sAssociation,
                                     const std::string& sOpenMenuText, bool bSupportPrint,
                                     const std::string& sPrintMenuText, bool bSupportNew,
                                     const std::string& sNewMenuText, bool bSupportInstall,
                                     const std::string& sInstallMenuText, std::int32_t lDefaultIconIndex) {
    const std::string exe = quotedPath(sExePath);
    const std::string shell = sClassName + "\\shell\\";
    const auto orDefault = [](const std::string& text, const std::string& fallback) {
        return text.empty() ? fallback : text;
    };
    writeDefaultTextBothRoots("." + sAssociation, sClassName);
    writeDefaultTextBothRoots(sClassName, sClassDescription);
    writeDefaultTextBothRoots(shell + "open", orDefault(sOpenMenuText, "&Open"));
    writeDefaultTextBothRoots(shell + "open\\command", exe + " \"%1\"");
    if (bSupportPrint) {
        writeDefaultTextBothRoots(shell + "print", orDefault(sPrintMenuText, "&Print"));
        writeDefaultTextBothRoots(shell + "print\\command", exe + " /p \"%1\"");
    }
    if (bSupportInstall) {
        writeDefaultTextBothRoots(shell + "add", orDefault(sInstallMenuText, "&Install " + sAssociation));
        writeDefaultTextBothRoots(shell + "add\\command", exe + " /a \"%1\"");
    }
    if (bSupportNew) {
        writeDefaultTextBothRoots(shell + "new", orDefault(sNewMenuText, "&New"));
        writeDefaultTextBothRoots(shell + "new\\command", exe + " /n \"%1\"");
    }
    if (lDefaultIconIndex > -1) {
        writeDefaultTextBothRoots(sClassName + "\\DefaultIcon",
                                  exe + "," + std::to_string(lDefaultIconIndex));
    }
}

void cRegistry::CreateAdditionalEXEAssociations(const std::string& sClassName,
                                                const std::vector<RegValue>& vItems) {
    if (vItems.empty() || vItems.size() % 3 != 0) {
        throw RegistryError(kErrAssociationItems, source(),
                            "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                            "Name/Text/Command");
    }
    sectionKey_ = sClassName;
    if (!KeyExists()) {
        throw RegistryError(kErrAssociationClass, source(),
                            "Error - attempt to create additional associations before class defined.");
    }
    for (size_t i = 0; i < vItems.size(); i += 3) {
        const std::string key = sClassName + "\\shell\\" + valueText(vItems[i]);
        writeDefaultTextBothRoots(key, valueText(vItems[i + 1]));
        writeDefaultTextBothRoots(key + "\\command", valueText(vItems[i + 2]));
    }
}

RegValue cRegistry::ValueEx(HKey classKey, const std::string& sectionKey, const std::string& valueKey,
                            std::uint32_t valueType, const RegValue& defaultValue) {
    classKey_ = classKey;
    sectionKey_ = sectionKey;
    valueKey_ = valueKey;
    valueType_ = valueType;
    default_ = defaultValue;
    return Value();
}

}  // namespace vintrel::registry
