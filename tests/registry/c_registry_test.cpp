// One set of test bodies for every registry back end: natively the hive, and under Wine also the
// real advapi32 calls.
#include "registry/c_registry.h"

#include "registry_backends.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace vintrel::registry;
using vintrel::registry::test::Backend;
using vintrel::registry::test::CountingApi;
using vintrel::registry::test::errorOf;

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
        counting_ = std::make_unique<CountingApi>(*backend_);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        section_ = std::string("Software\\VintrelTest\\") + info->name();
        section_.erase(std::remove(section_.begin(), section_.end(), '/'), section_.end());
        reg_ = std::make_unique<cRegistry>(*counting_);
        reg_->ClassKey(kHkeyCurrentUser);
        reg_->SectionKey(section_);
    }
    void TearDown() override { EXPECT_EQ(counting_->openHandles(), 0) << "a key was left open"; }

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
    void putText(const std::string& name, std::uint32_t type, const std::string& text) {
        put(name, type, std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
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
    std::unique_ptr<CountingApi> counting_;
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

TEST_P(RegistryContract, TextValues) {
    putText("Cat", kRegSz, "Hiking");
    put("Empty", kRegSz, {});
    putText("Exp", kRegExpandSz, "%VINTREL_TEST_DIR%\\x");
    put("Multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
    setEnvironment("VINTREL_TEST_DIR", "C:\\vt");
    reg_->ValueType(kRegDword);
    EXPECT_EQ(read("Cat"), RegValue(std::string("Hiking")));
    EXPECT_EQ(reg_->ValueType(), kRegSz);
    EXPECT_EQ(read("Empty"), RegValue(std::string()));
    EXPECT_EQ(read("Exp"), RegValue(std::string("C:\\vt\\x")));
    EXPECT_EQ(reg_->ValueType(), kRegExpandSz);
    EXPECT_EQ(read("Multi"), RegValue(std::string("a\0b\0", 4)));
    if (const char* temp = std::getenv("TEMP")) {
        putText("Temp", kRegExpandSz, "%TEMP%\\x");
        EXPECT_EQ(read("Temp"), RegValue(std::string(temp) + "\\x"));
    }
}

TEST_P(RegistryContract, NumberValues) {
    put("Dword", kRegDword, {0x02, 0x01, 0x00, 0x00});
    put("BigEndian", kRegDwordBigEndian, {0x00, 0x00, 0x01, 0x02});
    put("Bin", kRegBinary, {0x34, 0x12, 0x99});
    put("Negative", kRegBinary, {0x00, 0x80});
    put("One", kRegBinary, {0x07});
    EXPECT_EQ(read("Dword"), RegValue(std::int32_t{258}));
    EXPECT_EQ(read("BigEndian"), RegValue(std::int32_t{258}));
    EXPECT_EQ(reg_->ValueType(), kRegDwordBigEndian);
    EXPECT_EQ(read("Bin"), RegValue(std::int16_t{4660}));
    EXPECT_EQ(read("Negative"), RegValue(std::int16_t{-32768}));
    EXPECT_EQ(read("One"), RegValue(std::int16_t{7}));
}

TEST_P(RegistryContract, WritingChoosesTheTextType) {
    reg_->ValueType(kRegSz);
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"50%", kRegSz}, {"%PATH%", kRegExpandSz}, {"%%", kRegSz}, {"a%b%", kRegExpandSz}};
    for (const auto& [text, type] : cases) {
        reg_->ValueKey(text);
        reg_->Value(RegValue(std::string(text)));
        const auto [storedType, data] = stored(kHkeyCurrentUser, section_, text);
        EXPECT_EQ(storedType, type) << text;
        EXPECT_EQ(data.size(), std::string(text).size() + 1) << text;
        EXPECT_EQ(reg_->lastValueWritten(), RegValue(std::string(text)));
    }
}

TEST_P(RegistryContract, WritingNumbersAndBytes) {
    reg_->ValueType(kRegDwordBigEndian);
    reg_->ValueKey("Small");
    reg_->Value(RegValue(std::int16_t{-2}));
    EXPECT_EQ(stored(kHkeyCurrentUser, section_, "Small"),
              (std::pair<std::uint32_t, std::vector<std::uint8_t>>{kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}}));
    reg_->ValueKey("NotANumber");
    reg_->Value(RegValue(std::string("12")));  // not written, no error
    EXPECT_EQ(stored(kHkeyCurrentUser, section_, "NotANumber").first, 0u);
    reg_->ValueType(kRegBinary);
    reg_->ValueKey("Bytes");
    reg_->Value(RegValue(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(stored(kHkeyCurrentUser, section_, "Bytes"),
              (std::pair<std::uint32_t, std::vector<std::uint8_t>>{kRegBinary, {1, 2, 3}}));
}

TEST_P(RegistryContract, WriteFailuresRaiseNumberedErrors) {
    reg_->ValueType(kRegBinary);
    reg_->ValueKey("X");
    EXPECT_EQ(errorOf([&] { reg_->Value(RegValue(std::string("not bytes"))); }).number(), kErrSetValue);
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

TEST_P(RegistryContract, ValueExSetsEverythingThenReads) {
    putText("Category3", kRegSz, "Parking");
    const RegValue v = reg_->ValueEx(kHkeyCurrentUser, section_, "Category3", kRegSz, RegValue());
    EXPECT_EQ(v, RegValue(std::string("Parking")));
    EXPECT_EQ(reg_->ValueKey(), "Category3");
    EXPECT_EQ(reg_->ValueEx(kHkeyCurrentUser, section_, "Category4", kRegSz, RegValue(std::int32_t{1})),
              RegValue(std::int32_t{1}));
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
    EXPECT_EQ(text(kHkeyLocalMachine, "SOFTWARE\\Classes\\.vtx"), cls);
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\open"), "&Open");
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\open\\command"), exe + " \"%1\"");
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\print\\command"), exe + " /p \"%1\"");
    EXPECT_EQ(text(kHkeyClassesRoot, cls + "\\shell\\add"), "&Install vtx");
    EXPECT_EQ(text(kHkeyLocalMachine, "SOFTWARE\\Classes\\" + cls + "\\DefaultIcon"), exe + ",0");
    EXPECT_EQ(stored(kHkeyClassesRoot, cls + "\\shell\\new", "").first, 0u);

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
    reg_->ClassKey(kHkeyClassesRoot);
    e = errorOf([&] {
        reg_->CreateAdditionalEXEAssociations(
            "VintrelTest.NoSuchClass", {RegValue(std::string("a")), RegValue(std::string("b")), RegValue()});
    });
    EXPECT_EQ(e.number(), kErrAssociationClass);
    EXPECT_EQ(e.description(), "Error - attempt to create additional associations before class defined.");
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract,
                         ::testing::ValuesIn(vintrel::registry::test::availableBackends()), backendName);
