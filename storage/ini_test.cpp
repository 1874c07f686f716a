#include "storage/ini.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/storage_test_support.h"

using namespace test_support;

namespace {

struct IniTest : ::testing::Test {
    ScratchDirectory dir{"ini"};
    std::string File(const char* name) const { return dir.path + name; }
};

TEST_F(IniTest, NewFileGetsTheSectionAndKey) {
    const std::string file = File("config1.ini");
    ASSERT_FALSE(Exists(file));
    EXPECT_NE(IniWrite(file, "f1", "v", "42"), 0);
    const std::string bytes = ReadBytes(file);
    EXPECT_NE(bytes.find("[f1]"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("v=42"), std::string::npos) << bytes;
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "42");
}

TEST_F(IniTest, MissingFileSectionOrKeyGivesTheDefault) {
    const std::string file = File("preset.ini");
    EXPECT_EQ(IniRead(file, "f1", "v", "dflt"), "dflt");
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "");
    IniWrite(file, "f1", "v", "x");
    EXPECT_EQ(IniRead(file, "f2", "v", "dflt"), "dflt");
    EXPECT_EQ(IniRead(file, "f1", "w", "dflt"), "dflt");
    EXPECT_EQ(IniRead(file, "f1", "w", ""), "");
    EXPECT_FALSE(Exists(File("other.ini")));
}

TEST_F(IniTest, EmptyValueIsKeptAndReadsAsTheDefault) {
    const std::string file = File("empty.ini");
    IniWrite(file, "f1", "v", "something");
    EXPECT_NE(IniWrite(file, "f1", "v", ""), 0);
    const std::string bytes = ReadBytes(file);
    EXPECT_NE(bytes.find("v=\r\n"), std::string::npos) << "the key stays, with an empty value: " << bytes;
    EXPECT_EQ(IniRead(file, "f1", "v", "dflt"), "dflt");
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "");
}

TEST_F(IniTest, WrittenValueIsReplacedInPlaceAndReadBackAsWritten) {
    const std::string file = File("replace.ini");
    IniWrite(file, "f2", "v2", "张三");
    IniWrite(file, "f2", "other", "1");
    IniWrite(file, "f2", "v2", "李四");
    EXPECT_EQ(IniRead(file, "f2", "v2", ""), "李四");
    EXPECT_EQ(IniRead(file, "f2", "other", ""), "1");
    EXPECT_EQ(ReadBytes(file).find("张三"), std::string::npos);
}

TEST_F(IniTest, QuotesAndBlanksAroundTheFileNameAreIgnored) {
    const std::string file = File("quoted.ini");
    IniWrite(file, "f1", "v", "7");
    EXPECT_EQ(IniRead("\"" + file + "\"  ", "f1", "v", ""), "7");
    EXPECT_EQ(IniRead("  \"\"" + file + "\"", "f1", "v", ""), "7");
    EXPECT_EQ(IniRead(" \" " + file + " \" ", "f1", "v", ""), "7");
    EXPECT_NE(IniWrite("\"" + file + "\"", "f1", "v", "8"), 0);
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "8");
    // Section and key lose their blanks too.
    EXPECT_EQ(IniRead(file, "  f1 ", " v  ", ""), "8");
}

TEST_F(IniTest, BlankFileSectionOrKeyDoesNothing) {
    const std::string file = File("blank.ini");
    IniWrite(file, "f1", "v", "1");
    EXPECT_EQ(IniRead(file, "   ", "v", "dflt"), "");
    EXPECT_EQ(IniRead(file, "f1", "", "dflt"), "");
    EXPECT_EQ(IniRead("  \"\"  ", "f1", "v", "dflt"), "");
    EXPECT_EQ(IniRead("", "f1", "v", "dflt"), "");

    const std::string untouched = File("untouched.ini");
    EXPECT_EQ(IniWrite(untouched, " ", "v", "1"), 0);
    EXPECT_EQ(IniWrite(untouched, "f1", "  ", "1"), 0);
    EXPECT_EQ(IniWrite("\"\"", "f1", "v", "1"), 0);
    EXPECT_FALSE(Exists(untouched));
}

TEST_F(IniTest, LongValueIsCutTo4999Bytes) {
    const std::string file = File("long.ini");
    std::string value;
    for (int i = 0; i < 6000; ++i) value += static_cast<char>('a' + i % 26);
    ASSERT_NE(IniWrite(file, "f1", "v", value), 0);
    EXPECT_EQ(IniRead(file, "f1", "v", ""), value.substr(0, 4999));
    const std::string exact = value.substr(0, 4999);
    IniWrite(file, "f1", "v", exact);
    EXPECT_EQ(IniRead(file, "f1", "v", ""), exact);
}

TEST_F(IniTest, FileHeldOpenRefusesTheWriteAndStaysAsItWas) {
    const std::string file = File("held.ini");
    IniWrite(file, "f1", "v", "old");
    const std::string before = ReadBytes(file);
    const HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(IniWrite(file, "f1", "v", "new"), 0);
    EXPECT_EQ(IniWrite(file, "f9", "k", "added"), 0);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "old");
}

TEST_F(IniTest, ReadOnlyFileRefusesTheWrite) {
    const std::string file = File("readonly.ini");
    IniWrite(file, "f1", "v", "old");
    const std::string before = ReadBytes(file);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    const HANDLE probe = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "this system lets the account write read-only files (Wine run as root)";
    }
    EXPECT_EQ(IniWrite(file, "f1", "v", "new"), 0);
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(IniTest, UnusablePathsAreSilent) {
    const std::string at259 = dir.path + std::string(259 - dir.path.size() - 4, 'x') + ".ini";
    EXPECT_NE(IniWrite(at259, "f1", "v", "1"), 0);
    EXPECT_EQ(IniRead(at259, "f1", "v", "dflt"), "1");
    SetFileAttributesA(at259.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(at259.c_str());
    for (std::size_t size : {260u, 261u, 262u, 300u}) {
        const std::string tooLong = dir.path + std::string(size - dir.path.size() - 4, 'x') + ".ini";
        EXPECT_EQ(IniWrite(tooLong, "f1", "v", "1"), 0) << size;
        EXPECT_EQ(IniRead(tooLong, "f1", "v", "dflt"), "dflt") << size;
    }
    EXPECT_EQ(IniWrite(dir.path, "f1", "v", "1"), 0) << "a folder is no file";
    const std::string noFolder = dir.path + "missing\\config1.ini";
    EXPECT_EQ(IniWrite(noFolder, "f1", "v", "1"), 0);
    EXPECT_EQ(IniRead(noFolder, "f1", "v", "dflt"), "dflt");
    const std::string wild = dir.path + "c*.ini";
    EXPECT_EQ(IniWrite(wild, "f1", "v", "1"), 0);
    EXPECT_EQ(IniRead(wild, "f1", "v", "dflt"), "dflt");
    EXPECT_TRUE(SearchOrder(dir.path + "*").empty());
}

TEST_F(IniTest, NulInsideATextEndsIt) {
    const std::string file = File("nul.ini");
    EXPECT_NE(IniWrite(file, "f1", "v", std::string("ab\0cd", 5)), 0);
    EXPECT_EQ(IniRead(file, "f1", "v", ""), "ab");
    EXPECT_EQ(IniRead(file, std::string("f1\0junk", 7), "v", ""), "ab");
}

}  // namespace
