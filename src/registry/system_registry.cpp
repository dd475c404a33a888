#include "registry/system_registry.h"

#include "registry/hive_registry.h"

#ifdef _WIN32
#include "registry/win32_registry.h"
#else
#include <cstdlib>
#include <fstream>
#endif

namespace vintrel::registry {

std::unique_ptr<RegistryApi> makeSystemRegistry() {
#ifdef _WIN32
    return std::make_unique<Win32Registry>();
#else
    auto hive = std::make_unique<HiveRegistry>();
    std::string prefix;
    if (const char* wine = std::getenv("WINEPREFIX"); wine != nullptr && *wine != '\0') {
        prefix = wine;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        prefix = std::string(home) + "/.wine";
    }
    const std::string userReg = prefix + "/user.reg";
    if (!prefix.empty() && std::ifstream(userReg).good()) {
        std::string error;
        hive->loadWine(userReg, kHkeyCurrentUser, error);  // what loaded before a bad line still serves
    }
    return hive;
#endif
}

}  // namespace vintrel::registry
