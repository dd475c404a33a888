// One set of test bodies for every registry back end: natively the hive, and under Wine also the
// real advapi32 calls.
#include "registry/c_registry.h"
#include "registry/hive_registry.h"

#include "registry_backends.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace vintrel::registry;
using vintrel::registry::test::Backend;
using vintrel::registry::test::errorOf;
using namespace std::string_literals;

namespace {

void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

class RegistryContract : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        backend_ = GetParam().make();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        section_ = std::string("Software\\VintrelTest\\") + info->name();
        section_.erase(std::remove(section_.begin(), section_.end(), '/'), section_.end());
        reg_ = std::make_unique<cRegistry>(*backend_);
        reg_->ClassKey(kHkeyCurrentUser);
        reg_->SectionKey(section_);
    }
    void TearDown() override {
        // The hive counts the handles open; the system's registry keeps no such count.
        if (const auto* hive = dynamic_cast<const HiveRegistry*>(backend_.get())) {
            EXPECT_EQ(hive->openHandleCount(), 0u) << "a key was left open";
        }
    }

    // Stores raw bytes, bypassing the wrapper.
    void put(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data,
             const std::string& sub = std::string()) {
        HKey key = 0;
        const std::string path = sub.empty() ? section_ : section_ + "\\" + sub;
        ASSERT_EQ(backend_->RegCreateKeyExA(kHkeyCurrentUser, path, 0, kKeyAllAccessLegacy, &key, nullptr),
                  kSuccess);
        ASSERT_EQ(
            backend_->RegSetValueExA(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
            kSuccess);
        backend_->RegCloseKey(key);
    }
    // The type and bytes as stored.
    std::pair<std::uint32_t, std::vector<std::uint8_t>> stored(HKey root, const std::string& path,
                                                               const std::string& name) {
        HKey key = 0;
        if (backend_->RegOpenKeyExA(root, path, 0, kKeyQueryValue, &key) != kSuccess) {
            return {0, {}};
        }
        std::uint32_t type = 0, size = 0;
        backend_->RegQueryValueExA(key, name, &type, nullptr, &size);
        std::vector<std::uint8_t> data(size);
        backend_->RegQueryValueExA(key, name, &type, data.data(), &size);
        data.resize(size);
        backend_->RegCloseKey(key);
        return {type, data};
    }
    RegValue read(const std::string& name) {
        reg_->ValueKey(name);
        return reg_->Value();
    }

    std::unique_ptr<RegistryApi> backend_;
    std::unique_ptr<cRegistry> reg_;
    std::string section_;
};

TEST_P(RegistryContract, AbsentValuesReadAsDefaultAndKeepTheType) {
    reg_->ValueType(kRegDword);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(read("Missing")));
    EXPECT_EQ(reg_->ValueType(), kRegDword);
    reg_->Default(RegValue(std::string("fallback")));
    EXPECT_EQ(read("Missing"), RegValue(std::string("fallback")));
    reg_->SectionKey(section_ + "\\NoSuchKey");
    EXPECT_EQ(read("Category1"), RegValue(std::string("fallback")));
}

// Each stored type reads back as the value it holds, and the type is remembered.
TEST_P(RegistryContract, ValuesReadAsTheirStoredType) {
    setEnvironment("VINTREL_TEST_DIR", "C:\\vt");
    const struct {
        const char* name;
        std::uint32_t type;
        std::string bytes;
        RegValue value;
    } cases[] = {
        {"Cat", kRegSz, "Hiking\0"s, RegValue("Hiking"s)},
        {"Empty", kRegSz, ""s, RegValue(""s)},
        {"Exp", kRegExpandSz, "%VINTREL_TEST_DIR%\\x\0"s, RegValue("C:\\vt\\x"s)},
        {"Multi", kRegMultiSz, "a\0b\0\0"s, RegValue("a\0b\0"s)},
        {"Dword", kRegDword, "\x02\x01\0\0"s, RegValue(std::int32_t{258})},
        {"BigEndian", kRegDwordBigEndian, "\0\0\x01\x02"s, RegValue(std::int32_t{258})},
        {"Bin", kRegBinary, "\x34\x12\x99"s, RegValue(std::int16_t{4660})},
        {"Negative", kRegBinary, "\0\x80"s, RegValue(std::int16_t{-32768})},
        {"One", kRegBinary, "\x07"s, RegValue(std::int16_t{7})},
    };
    for (const auto& c : cases) {
        put(c.name, c.type, std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
        reg_->ValueType(0);  // none: the read sets it
        EXPECT_EQ(read(c.name), c.value) << c.name;
        EXPECT_EQ(reg_->ValueType(), c.type) << c.name;
    }
}

// A text holding a %NAME% is stored as expandable; a number goes as a DWORD whatever type was asked
// for, and a text that is no number is not written as one.
TEST_P(RegistryContract, WritingStoresTheTypeTheValueNeeds) {
    const struct {
        std::uint32_t asked;
        const char* name;
        RegValue value;
        std::uint32_t type;  // as stored; 0: nothing stored
        std::string bytes;
    } cases[] = {
        {kRegSz, "50%", RegValue("50%"s), kRegSz, "50%\0"s},
        {kRegSz, "%PATH%", RegValue("%PATH%"s), kRegExpandSz, "%PATH%\0"s},
        {kRegSz, "%%", RegValue("%%"s), kRegSz, "%%\0"s},
        {kRegSz, "a%b%", RegValue("a%b%"s), kRegExpandSz, "a%b%\0"s},
        {kRegDwordBigEndian, "Small", RegValue(std::int16_t{-2}), kRegDword, "\xFE\xFF\xFF\xFF"s},
        {kRegDwordBigEndian, "NotANumber", RegValue("12"s), 0, ""s},
        {kRegBinary, "Bytes", RegValue(std::vector<std::uint8_t>{1, 2, 3}), kRegBinary, "\x01\x02\x03"s},
    };
    for (const auto& c : cases) {
        reg_->ValueType(c.asked);
        reg_->ValueKey(c.name);
        reg_->Value(c.value);
        const auto [type, data] = stored(kHkeyCurrentUser, section_, c.name);
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(std::string(data.begin(), data.end()), c.bytes) << c.name;
    }
}

TEST_P(RegistryContract, WriteFailuresRaiseNumberedErrors) {
    reg_->ValueKey("X");
    reg_->ValueType(9);
    RegistryError e = errorOf([&] { reg_->Value(RegValue(std::string("v"))); });
    EXPECT_EQ(e.number(), kErrStoreValue);
    EXPECT_EQ(e.source(), "vintrel.cRegistry");
    EXPECT_EQ(e.description(), "Failed to set registry value Key: '2147483649',Section: '" + section_ +
                                   "',Key: 'X' to value: 'v'");
    reg_->ClassKey(0x1234);  // no such root: the key cannot be created
    reg_->ValueType(kRegSz);
    e = errorOf([&] { reg_->Value(RegValue(std::int32_t{5})); });
    EXPECT_EQ(e.number(), kErrSetValue);
    EXPECT_EQ(e.description(),
              "Failed to set registry value Key: '4660',Section: '" + section_ + "',Key: 'X' to value: '5'");
}

TEST_P(RegistryContract, KeyExistsAndEnumerations) {
    EXPECT_FALSE(reg_->KeyExists());
    put("First", kRegSz, {'1', 0});
    put("Second", kRegDword, {0, 0, 0, 0});
    put("v", kRegSz, {0}, "A");
    put("v", kRegSz, {0}, "B");
    EXPECT_TRUE(reg_->KeyExists());
    std::vector<std::string> names{"stale"};
    std::int32_t count = 7;
    EXPECT_TRUE(reg_->EnumerateSections(names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(reg_->EnumerateValues(names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(count, 2);
    reg_->SectionKey(section_ + "\\Missing");
    EXPECT_TRUE(reg_->EnumerateValues(names, count));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);
}

TEST_P(RegistryContract, FileAssociations) {
    const std::string cls = "VintrelTest." + section_.substr(section_.rfind('\\') + 1);
    reg_->CreateEXEAssociation("  C:\\Program Files\\Vintrel\\vintrel.exe ", cls, "Waypoint file", "vtx", "",
                               true, "", false, "", true, "", 0);
    EXPECT_EQ(reg_->ClassKey(), kHkeyLocalMachine);
    const auto text = [&](HKey root, const std::string& path) {
        const auto [type, data] = stored(root, path, "");
        return std::string(data.begin(), std::find(data.begin(), data.end(), 0));
    };
    const std::string exe = "\"C:\\Program Files\\Vintrel\\vintrel.exe\"";
    EXPECT_EQ(text(kHkeyClassesRoot, ".vtx"), cls);
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\open"), "&Open");
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\open\\command"), exe + " \"%1\"");
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\add"), "&Install vtx");
    EXPECT_EQ(text(kHkeyLocalMachine, "SOFTWARE\\Classes\\" + cls + "\\DefaultIcon"), exe + ",0");

    reg_->ClassKey(kHkeyClassesRoot);
    reg_->CreateAdditionalEXEAssociations(cls, {RegValue(std::string("edit")), RegValue(std::string("&Edit")),
                                                RegValue(std::string("notepad \"%1\""))});
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\edit\\command"), "notepad \"%1\"");
    RegistryError e = errorOf([&] {
        reg_->CreateAdditionalEXEAssociations(cls, {RegValue(std::string("a")), RegValue(std::string("b"))});
    });
    EXPECT_EQ(e.number(), kErrAssociationItems);
    EXPECT_EQ(
        e.description(),
        "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract,
                         ::testing::ValuesIn(vintrel::registry::test::availableBackends()), backendName);
