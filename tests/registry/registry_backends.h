// The registry back ends the shared test bodies run against, a decorator that counts the key handles
// left open, and a catcher for the numbered errors the wrapper raises.
#pragma once

#include "registry/c_registry.h"
#include "registry/registry_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vintrel::registry::test {

struct Backend {
    std::string name;
    std::function<std::unique_ptr<RegistryApi>()> make;
};

// Test names show the back end's name, not its bytes.
inline void PrintTo(const Backend& backend, std::ostream* os) {
    *os << backend.name;
}

// The error a call raises; a call that raises none is a failure of the test.
template <class Call>
RegistryError errorOf(Call call) {
    try {
        call();
    } catch (const RegistryError& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return RegistryError(0, "", "");
}

// The back ends this build can test: the hive everywhere, and the real registry on Windows.
std::vector<Backend> availableBackends();

// Forwards every call and keeps count of the handles opened or created and not closed.
class CountingApi : public RegistryApi {
  public:
    explicit CountingApi(RegistryApi& inner) : inner_(inner) {}
    int openHandles() const { return open_; }

    long RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t sam,
                       HKey* result) override {
        const long rc = inner_.RegOpenKeyExA(key, subKey, options, sam, result);
        open_ += rc == kSuccess ? 1 : 0;
        return rc;
    }
    long RegCloseKey(HKey key) override {
        const long rc = inner_.RegCloseKey(key);
        open_ -= rc == kSuccess ? 1 : 0;
        return rc;
    }
    long RegQueryValueExA(HKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override {
        return inner_.RegQueryValueExA(key, name, type, data, size);
    }
    long RegSetValueExA(HKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) override {
        return inner_.RegSetValueExA(key, name, type, data, size);
    }
    long RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t sam,
                         HKey* result, std::uint32_t* disposition) override {
        const long rc = inner_.RegCreateKeyExA(key, subKey, options, sam, result, disposition);
        open_ += rc == kSuccess ? 1 : 0;
        return rc;
    }
    long RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t size) override {
        return inner_.RegEnumKeyA(key, index, name, size);
    }
    long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        return inner_.RegEnumValueA(key, index, name, nameSize, type, data, size);
    }
    long RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKey, std::uint32_t* values,
                          std::uint32_t* maxName, std::uint32_t* maxValue) override {
        return inner_.RegQueryInfoKeyA(key, subKeys, maxSubKey, values, maxName, maxValue);
    }
    std::uint32_t ExpandEnvironmentStringsA(const char* source, char* destination,
                                            std::uint32_t size) override {
        return inner_.ExpandEnvironmentStringsA(source, destination, size);
    }

  private:
    RegistryApi& inner_;
    int open_ = 0;
};

}  // namespace vintrel::registry::test
