#include "registry/hive_registry.h"
#include "registry/c_registry.h"
#include "registry/system_registry.h"

#include "registry_backends.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace vintrel::registry;

namespace {

const std::string kData = VINTREL_TEST_DATA "/registry/";
const std::string kCategories = "Software\\Garmin\\MapSource\\Settings\\WaypointCategoryNames";

RegValue readValue(HiveRegistry& hive, HKey root, const std::string& section, const std::string& name) {
    cRegistry reg(hive);
    return reg.ValueEx(root, section, name, kRegSz, RegValue());
}

RegValue text(const std::string& s) {
    return RegValue(s);
}

}  // namespace

TEST(HiveLoader, WineUserReg) {
    setenv("VINTREL_HIVE_DIR", "/tmp/vt", 1);
    HiveRegistry hive;
    std::string error;
    ASSERT_TRUE(hive.loadWine(kData + "user.reg", kHkeyCurrentUser, error)) << error;
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category1"), text("Hiking"));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "category2"), text("Caf\xe9 \"Ost\""));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category3"), text("/tmp/vt\\x"));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category4"),
              text("Line\nBreak!"));  // \041: an octal escape
    const std::string types = "Software\\Vintrel\\Types";
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, "Dword"), RegValue(std::int32_t{258}));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, "Bin"), RegValue(std::int16_t{4660}));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, "Long"), RegValue(std::int16_t{0x0201}));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, "Multi"), text(std::string("one\0two\0", 8)));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, "Wide"), text("%A%"));  // UTF-16 data, expanded
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, types, ""), text("the default"));
    EXPECT_EQ(hive.openHandleCount(), 0u);
}

TEST(HiveLoader, RegeditExports) {
    HiveRegistry hive;
    std::string error;
    ASSERT_TRUE(hive.loadExport(kData + "export4.reg", error)) << error;
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category1"), text("Geo \"quoted\" \\ path"));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category2"), RegValue(std::int32_t{10}));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category3"), RegValue(std::int16_t{255}));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Category4"), text(std::string("a\0b\0", 4)));
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, "Deleted"), RegValue());
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, kCategories, ""), text("default text"));
    EXPECT_EQ(readValue(hive, kHkeyLocalMachine, "SOFTWARE\\Vintrel", "Where"), text("machine"));
    cRegistry reg(hive);
    reg.ClassKey(kHkeyCurrentUser);
    reg.SectionKey("Software\\Gone");
    EXPECT_FALSE(reg.KeyExists());

    HiveRegistry five;
    ASSERT_TRUE(five.loadExport(kData + "export5.reg", error)) << error;
    EXPECT_EQ(readValue(five, kHkeyCurrentUser, kCategories, "Category1"), text("Wanderweg \x80"));
    EXPECT_EQ(readValue(five, kHkeyCurrentUser, kCategories, "Category3"), text(std::string("a\0b\0", 4)));
}

TEST(HiveLoader, BadFilesAreRefusedWithTheirLine) {
    HiveRegistry hive;
    std::string error;
    EXPECT_FALSE(hive.loadExport(kData + "broken.reg", error));
    EXPECT_EQ(error, kData + "broken.reg, line 5: dword value needs eight hexadecimal digits");
    EXPECT_EQ(readValue(hive, kHkeyCurrentUser, "Software\\B", "Good"), text("1"));
    EXPECT_FALSE(hive.loadExport(kData + "user.reg", error));
    EXPECT_EQ(error, kData + "user.reg: not a registry export");
    EXPECT_FALSE(hive.loadWine(kData + "export4.reg", kHkeyCurrentUser, error));
    EXPECT_FALSE(hive.loadWine(kData + "missing.reg", kHkeyCurrentUser, error));
    EXPECT_EQ(error, kData + "missing.reg: cannot be opened");
}

TEST(HiveLoader, NamesHoldingANulCharacterAreRefusedWithTheirLine) {
    // A NUL would cut the name short when it is listed, naming another key or value, or none.
    const std::string dir = std::string(::testing::TempDir());
    const auto refused = [&](const std::string& name, const std::string& contents, bool wine) {
        const std::string path = dir + name;
        std::ofstream(path, std::ios::binary) << contents;
        HiveRegistry hive;
        std::string error;
        EXPECT_FALSE(wine ? hive.loadWine(path, kHkeyCurrentUser, error) : hive.loadExport(path, error));
        return error.substr(path.size());
    };
    const std::string header = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"Good\"=\"1\"\r\n";
    EXPECT_EQ(refused("rawvalue.reg", header + std::string("\"Cat\0egory1\"=\"x\"\r\n", 17), false),
              ", line 5: a value name holds a NUL character");
    const std::string wine = "WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"Good\"=\"1\"\n";
    EXPECT_EQ(refused("esckey.reg", wine + "[Software\\\\B\\0C] 1\n", true),
              ", line 5: a key name holds a NUL character");
}

TEST(SystemRegistry, ReadsTheWinePrefixOrNothing) {
    const std::string prefix = std::string(::testing::TempDir()) + "vintrel-wineprefix";
    std::system(("mkdir -p '" + prefix + "'").c_str());
    std::ifstream src(kData + "user.reg", std::ios::binary);
    std::ofstream(prefix + "/user.reg", std::ios::binary) << src.rdbuf();
    setenv("WINEPREFIX", prefix.c_str(), 1);
    std::unique_ptr<RegistryApi> api = makeSystemRegistry();
    cRegistry reg(*api);
    EXPECT_EQ(reg.ValueEx(kHkeyCurrentUser, kCategories, "Category1", kRegSz, RegValue()), text("Hiking"));

    setenv("WINEPREFIX", (prefix + "/none").c_str(), 1);
    api = makeSystemRegistry();
    cRegistry empty(*api);
    EXPECT_EQ(empty.ValueEx(kHkeyCurrentUser, kCategories, "Category1", kRegSz, RegValue()), RegValue());
    unsetenv("WINEPREFIX");
}

namespace {
// Fails the way a broken system call would: by throwing.
class ThrowingEnum : public HiveRegistry {
  public:
    long RegEnumKeyA(HKey, std::uint32_t, char*, std::uint32_t) override {
        throw std::runtime_error("enum broke");
    }
};
}  // namespace

TEST(RegistryErrors, EnumerationFailureIsWrappedAndTheKeyClosed) {
    ThrowingEnum hive;
    cRegistry reg(hive);
    reg.ClassKey(kHkeyCurrentUser);
    reg.SectionKey("");
    std::vector<std::string> names;
    std::int32_t count = 0;
    const RegistryError e = test::errorOf([&] { reg.EnumerateSections(names, count); });
    EXPECT_EQ(e.number(), kErrEnumerateSections);
    EXPECT_EQ(e.description(), "enum broke");
    EXPECT_EQ(hive.openHandleCount(), 0u);
}
