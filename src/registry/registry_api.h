// The system calls the registry wrapper needs, as an interface with the shapes of the Win32 ANSI
// functions, so the same class runs over the real registry on Windows and over an in-memory hive
// everywhere else (and in tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vintrel::registry {

using HKey = std::uintptr_t;

inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;

// Result codes of the registry functions (Win32 error numbers).
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kInvalidData = 13;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;

// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access masks.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyAllAccessLegacy = 0x003F;

class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    virtual long RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t samDesired, HKey* result) = 0;
    virtual long RegCloseKey(HKey key) = 0;
    // With data == nullptr only the type and the size are returned.
    virtual long RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t dataSize) = 0;
    virtual long RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t samDesired, HKey* result, std::uint32_t* disposition) = 0;
    // `name` receives the subkey's name ended by a zero byte; `nameSize` counts bytes with the zero.
    virtual long RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) = 0;
    // `nameSize` is the buffer size on entry and the name's length (without the zero) on success.
    virtual long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                               std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual long RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                                  std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                  std::uint32_t* maxValueLength) = 0;
    // Returns the size needed including the final zero; writes only when `size` is large enough.
    virtual std::uint32_t ExpandEnvironmentStringsA(const char* source, char* destination,
                                                    std::uint32_t size) = 0;
};

}  // namespace vintrel::registry
