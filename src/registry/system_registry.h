// The registry the program reads MapSource's settings from.
#pragma once

#include "registry/registry_api.h"

#include <memory>

namespace vintrel::registry {

// The registry the program uses on this system: the real one on Windows; elsewhere a hive holding
// HKEY_CURRENT_USER from $WINEPREFIX/user.reg (default ~/.wine/user.reg) when that file exists, so
// lookups read as absent on a machine without MapSource.
std::unique_ptr<RegistryApi> makeSystemRegistry();

}  // namespace vintrel::registry
