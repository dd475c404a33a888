#include "registry_backends.h"

#include "registry/hive_registry.h"
#ifdef _WIN32
#include "registry/win32_registry.h"
#endif

namespace vintrel::registry::test {

std::vector<Backend> availableBackends() {
    std::vector<Backend> backends{{"Hive", [] { return std::make_unique<HiveRegistry>(); }}};
#ifdef _WIN32
    backends.push_back({"Win32", [] { return std::make_unique<Win32Registry>(); }});
#endif
    return backends;
}

}  // namespace vintrel::registry::test
