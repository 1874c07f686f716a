#include "storage/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const kTestKey = "Software\\TobrixTest";

struct RegistryTest : ::testing::Test {
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    static void Put(const char* name, DWORD type, const std::string& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
        RegCloseKey(key);
    }

    static void PutDword(const char* name, int32_t value) {
        std::string data(4, '\0');
        std::memcpy(&data[0], &value, 4);
        Put(name, REG_DWORD, data);
    }

    // The raw stored bytes and type, as the system reports them.
    static std::string Raw(HKEY root, const char* path, const char* name, DWORD* type = nullptr) {
        char data[512] = {};
        DWORD size = sizeof data;
        DWORD kind = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
        const LONG status = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (type) *type = kind;
        return status == ERROR_SUCCESS ? std::string(data, size) : "<no value>";
    }
};

TEST_F(RegistryTest, PathIsNormalised) {
    Put("MLQ1", REG_SZ, std::string("same\0", 5));
    for (const char* path : {"Software\\TobrixTest", "\\Software\\TobrixTest\\", "Software\\TobrixTest\\\\",
                             "Software\\\\TobrixTest", "\\\\\\Software\\TobrixTest\\\\\\\\"}) {
        const HKEY key = regOpenKey(HKEY_CURRENT_USER, path, 0, kRegRead, 0);
        EXPECT_NE(key, nullptr) << path;
        if (key) RegCloseKey(key);
        EXPECT_EQ(regReadString(HKEY_CURRENT_USER, path, "MLQ1", ""), "same") << path;
    }
    EXPECT_EQ(regOpenKey(HKEY_CURRENT_USER, "Software\\TobrixTest\\Absent", 0, kRegRead, 0), nullptr);
}

TEST_F(RegistryTest, OpenCreatesOnlyWhenAsked) {
    EXPECT_EQ(regOpenKey(HKEY_CURRENT_USER, "Software\\TobrixTest\\Made", 0, kRegRead, 0), nullptr);
    const HKEY made = regOpenKey(HKEY_CURRENT_USER, "\\Software\\TobrixTest\\Made\\", 0, kRegWrite, 1);
    ASSERT_NE(made, nullptr);
    RegCloseKey(made);
    const HKEY again = regOpenKey(HKEY_CURRENT_USER, "Software\\TobrixTest\\Made", 0, kRegRead, 0);
    EXPECT_NE(again, nullptr);
    if (again) RegCloseKey(again);
}

TEST_F(RegistryTest, DefaultOnlyForAMissingValue) {
    EXPECT_EQ(regValueExists(HKEY_CURRENT_USER, kTestKey, "Missing"), 0);
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Missing", "dflt"), "dflt");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Missing", ""), "");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, "Software\\TobrixTest\\Absent", "Missing", "dflt"), "dflt");
    // Present but empty: empty text, not the default.
    Put("Empty", REG_SZ, std::string());
    EXPECT_EQ(regValueExists(HKEY_CURRENT_USER, kTestKey, "Empty"), -1);
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Empty", "dflt"), "");
}

TEST_F(RegistryTest, DwordReadsAsSignedDecimalWithoutBlank) {
    PutDword("Five", 5);
    PutDword("MinusOne", -1);
    PutDword("Largest", 2147483647);
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Five", ""), "5");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "MinusOne", "x"), "-1");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Largest", ""), "2147483647");
}

TEST_F(RegistryTest, StringTypesReadUpToTheirFirstNul) {
    Put("Multi", REG_MULTI_SZ, std::string("one\0two\0\0", 9));
    Put("Expand", REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11));
    Put("Binary", REG_BINARY, std::string("a\0b", 3));
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Multi", ""), "one");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Expand", ""), "%WINDIR%\\x");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "Binary", ""), std::string("a\0b", 3));

    DWORD type = 0;
    std::string data;
    EXPECT_EQ(regQueryValue(HKEY_CURRENT_USER, kTestKey, "Binary", &type, &data), 1);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, std::string("a\0b", 3));
    EXPECT_EQ(regQueryValue(HKEY_CURRENT_USER, kTestKey, "Missing", &type, &data), 0);
}

TEST_F(RegistryTest, WrittenStringKeepsItsNulOnDiskButNotWhenRead) {
    EXPECT_EQ(regWriteString(HKEY_CURRENT_USER, kTestKey, "MLQ1", "tobrix.example"), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(Raw(HKEY_CURRENT_USER, kTestKey, "MLQ1", &type), std::string("tobrix.example\0", 15));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "MLQ1", ""), "tobrix.example");
    regWriteString(HKEY_CURRENT_USER, "\\Software\\TobrixTest\\", "MLQ1", "鹊信");
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "MLQ1", "dflt"), "鹊信");
}

TEST_F(RegistryTest, WritesNeverCreateKeysAndReportTheFailure) {
    const char* absent = "Software\\TobrixTest\\Absent";
    EXPECT_NE(regWriteString(HKEY_CURRENT_USER, absent, "MLQ1", "x"), ERROR_SUCCESS);
    EXPECT_NE(regSetValue(HKEY_CURRENT_USER, absent, "MLQ1", kRegWrite, REG_SZ, std::string("x\0", 2)),
              ERROR_SUCCESS);
    EXPECT_EQ(Raw(HKEY_CURRENT_USER, absent, "MLQ1"), "<no key>");
}

TEST_F(RegistryTest, RefusedWriteLeavesTheValueAndSaysSo) {
    regWriteString(HKEY_CURRENT_USER, kTestKey, "MLQ1", "before");
    // A key opened for reading only refuses the write.
    EXPECT_NE(regSetValue(HKEY_CURRENT_USER, kTestKey, "MLQ1", kRegRead, REG_SZ, std::string("after\0", 6)),
              ERROR_SUCCESS);
    EXPECT_EQ(regReadString(HKEY_CURRENT_USER, kTestKey, "MLQ1", ""), "before");
}

TEST_F(RegistryTest, StartupRewritesTheMachineValue) {
    // HKEY_LOCAL_MACHINE\SOFTWARE "MLQ1" is the program's own value; keep
    // whatever was there before this test.
    DWORD oldType = 0;
    const std::string old = Raw(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1", &oldType);

    RefreshRegistryValue("test.tobrix.example");
    DWORD type = 0;
    const std::string written = Raw(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1", &type);
    RefreshRegistryValue("tobrix.example");
    const std::string rewritten = Raw(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1");

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        if (old == "<no value>") {
            RegDeleteValueA(key, "MLQ1");
        } else {
            RegSetValueExA(key, "MLQ1", 0, oldType, reinterpret_cast<const BYTE*>(old.data()),
                           static_cast<DWORD>(old.size()));
        }
        RegCloseKey(key);
    }
    EXPECT_EQ(written, std::string("test.tobrix.example\0", 20));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(rewritten, std::string("tobrix.example\0", 15));
}

}  // namespace
