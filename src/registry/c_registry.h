// cRegistry: a small general-purpose wrapper over the registry. The caller describes a location by
// setting ClassKey, SectionKey, ValueKey, ValueType and Default, then reads or writes Value; the
// class also tests whether a key exists, lists value and subkey names, and registers file-type
// associations for an executable.
//
// Reads never fail: a missing key or value reads as Default. Writes and enumerations raise
// RegistryError with the numbers below. Texts are windows-1252 bytes.
#pragma once

#include "registry/registry_api.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace vintrel::registry {

// Empty, text, 32-bit integer, 16-bit integer, bytes.
using RegValue =
    std::variant<std::monostate, std::string, std::int32_t, std::int16_t, std::vector<std::uint8_t>>;

inline constexpr std::int32_t kErrSetValue = 26001;
inline constexpr std::int32_t kErrStoreValue = static_cast<std::int32_t>(0x800469A9u);
inline constexpr std::int32_t kErrEnumerateSections = static_cast<std::int32_t>(0x800469AAu);
inline constexpr std::int32_t kErrAssociationItems = static_cast<std::int32_t>(0x800469ACu);
inline constexpr std::int32_t kErrAssociationClass = static_cast<std::int32_t>(0x800469ADu);

class RegistryError : public std::runtime_error {
  public:
    RegistryError(std::int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}
    std::int32_t number() const { return number_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// A value as text, the way error messages show it.
std::string valueText(const RegValue& value);

class cRegistry {
  public:
    // `api` must outlive the object; `appName` names the executable in error sources.
    explicit cRegistry(RegistryApi& api, std::string appName = "vintrel");

    bool KeyExists();
    RegValue Value();
    void Value(const RegValue& vValue);
    bool EnumerateValues(std::vector<std::string>& names, std::int32_t& count);
    bool EnumerateSections(std::vector<std::string>& names, std::int32_t& count);
    void CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                              const std::string& sClassDescription, const std::string& sAssociation,
                              const std::string& sOpenMenuText, bool bSupportPrint,
                              const std::string& sPrintMenuText, bool bSupportNew,
                              const std::string& sNewMenuText, bool bSupportInstall,
                              const std::string& sInstallMenuText, std::int32_t lDefaultIconIndex);
    void CreateAdditionalEXEAssociations(const std::string& sClassName, const std::vector<RegValue>& vItems);
    void ValueType(std::uint32_t eValueType) { valueType_ = eValueType; }
    std::uint32_t ValueType() const { return valueType_; }
    void ClassKey(HKey eKey) { classKey_ = eKey; }
    HKey ClassKey() const { return classKey_; }
    const std::string& SectionKey() const { return sectionKey_; }
    void SectionKey(const std::string& sSectionKey) { sectionKey_ = sSectionKey; }
    RegValue ValueEx(HKey classKey, const std::string& sectionKey, const std::string& valueKey,
                     std::uint32_t valueType, const RegValue& defaultValue);
    void ValueKey(const std::string& sValueKey) { valueKey_ = sValueKey; }
    const std::string& ValueKey() const { return valueKey_; }
    void Default(const RegValue& vDefault) { default_ = vDefault; }
    const RegValue& Default() const { return default_; }

    // The last value written.
    const RegValue& lastValueWritten() const { return lastWritten_; }

  private:
    std::string source() const { return appName_ + ".cRegistry"; }
    std::string failedToSetText(const RegValue& value) const;
    void writeDefaultTextBothRoots(const std::string& keyPath, const std::string& text);

    RegistryApi& api_;
    std::string appName_;
    HKey classKey_ = 0;
    std::string sectionKey_;
    std::string valueKey_;
    std::uint32_t valueType_ = 0;
    RegValue default_;
    RegValue lastWritten_;
};

}  // namespace vintrel::registry
