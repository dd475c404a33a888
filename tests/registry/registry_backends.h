// The registry back ends the shared test bodies run against, and a catcher for the numbered errors
// the wrapper raises.
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

}  // namespace vintrel::registry::test
