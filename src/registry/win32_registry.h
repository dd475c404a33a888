// The real Windows registry through advapi32 and kernel32 (ANSI forms). Windows builds only.
#pragma once

#include "registry/registry_api.h"

namespace vintrel::registry {

class Win32Registry : public RegistryApi {
  public:
    long RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                       HKey* result) override;
    long RegCloseKey(HKey key) override;
    long RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* dataSize) override;
    long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t dataSize) override;
    long RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                         HKey* result, std::uint32_t* disposition) override;
    long RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
    long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                          std::uint32_t* values, std::uint32_t* maxValueNameLength,
                          std::uint32_t* maxValueLength) override;
    std::uint32_t ExpandEnvironmentStringsA(const char* source, char* destination,
                                            std::uint32_t size) override;
};

}  // namespace vintrel::registry
