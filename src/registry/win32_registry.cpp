#include "registry/win32_registry.h"

#include <windows.h>

namespace vintrel::registry {

namespace {
::HKEY toHandle(HKey key) {
    return reinterpret_cast<::HKEY>(key);
}
}  // namespace

long Win32Registry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                                  std::uint32_t samDesired, HKey* result) {
    ::HKEY opened = nullptr;
    const LSTATUS rc = ::RegOpenKeyExA(toHandle(key), subKey.c_str(), options, samDesired, &opened);
    *result = rc == ERROR_SUCCESS ? reinterpret_cast<HKey>(opened) : 0;
    return rc;
}

long Win32Registry::RegCloseKey(HKey key) {
    return ::RegCloseKey(toHandle(key));
}

long Win32Registry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* dataSize) {
    DWORD t = 0;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LSTATUS rc = ::RegQueryValueExA(toHandle(key), valueName.c_str(), nullptr, &t, data, &size);
    if (type != nullptr) {
        *type = t;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return rc;
}

long Win32Registry::RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t dataSize) {
    return ::RegSetValueExA(toHandle(key), valueName.c_str(), 0, type, data, dataSize);
}

long Win32Registry::RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                                    std::uint32_t samDesired, HKey* result, std::uint32_t* disposition) {
    ::HKEY created = nullptr;
    DWORD disp = 0;
    const LSTATUS rc = ::RegCreateKeyExA(toHandle(key), subKey.c_str(), 0, nullptr, options, samDesired,
                                         nullptr, &created, &disp);
    *result = rc == ERROR_SUCCESS ? reinterpret_cast<HKey>(created) : 0;
    if (disposition != nullptr) {
        *disposition = disp;
    }
    return rc;
}

long Win32Registry::RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    return ::RegEnumKeyA(toHandle(key), index, name, nameSize);
}

long Win32Registry::RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                  std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    DWORD n = *nameSize;
    DWORD t = 0;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LSTATUS rc = ::RegEnumValueA(toHandle(key), index, name, &n, nullptr, &t, data,
                                       dataSize != nullptr ? &size : nullptr);
    *nameSize = n;
    if (type != nullptr) {
        *type = t;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return rc;
}

long Win32Registry::RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                                     std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                     std::uint32_t* maxValueLength) {
    DWORD sk = 0, msk = 0, v = 0, mvn = 0, mv = 0;
    const LSTATUS rc = ::RegQueryInfoKeyA(toHandle(key), nullptr, nullptr, nullptr, &sk, &msk, nullptr, &v,
                                          &mvn, &mv, nullptr, nullptr);
    if (subKeys != nullptr)
        *subKeys = sk;
    if (maxSubKeyLength != nullptr)
        *maxSubKeyLength = msk;
    if (values != nullptr)
        *values = v;
    if (maxValueNameLength != nullptr)
        *maxValueNameLength = mvn;
    if (maxValueLength != nullptr)
        *maxValueLength = mv;
    return rc;
}

std::uint32_t Win32Registry::ExpandEnvironmentStringsA(const char* source, char* destination,
                                                       std::uint32_t size) {
    return ::ExpandEnvironmentStringsA(source, destination, size);
}

}  // namespace vintrel::registry
