#include "fuzz_support.h"
#include "registry/c_registry.h"
#include "registry/hive_registry.h"

// Loads an export (or, by the first byte, Wine's own format), then reads back what a writer would.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vintrel::registry;
    const QString path = vintrel::fuzz::asFile(data, size, "reg");
    HiveRegistry hive;
    std::string error;
    if (size > 0 && data[0] % 2 == 0) {
        hive.loadExport(path.toStdString(), error);
    } else {
        hive.loadWine(path.toStdString(), kHkeyCurrentUser, error);
    }
    vintrel::readCategoryNames(&hive);
    std::vector<std::string> names;
    std::int32_t count = 0;
    cRegistry reg(hive);
    reg.ClassKey(kHkeyCurrentUser);
    reg.SectionKey("SOFTWARE\\Garmin\\MapSource\\Settings\\WaypointCategoryNames");
    reg.EnumerateValues(names, count);
    if (hive.openHandleCount() != 0) {
        std::abort();
    }
    return 0;
}
