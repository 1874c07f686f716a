#include "storage/name_files.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/services.h"
#include "tests/support/storage_test_support.h"

using namespace test_support;

namespace {

const std::string kGbkNames = "张三\r\n李四";  // GBK bytes: the sources are compiled to GBK

// ---- Whole-file read ----

struct LoadTextFileTest : ::testing::Test {
    ScratchDirectory dir{"load"};
    std::string Path(const std::string& name) const { return dir.path + name; }
    std::string Loaded(const std::string& bytes) const {
        WriteBytes(Path("f.txt"), bytes);
        return LoadTextFile(Path("f.txt"));
    }
};

TEST_F(LoadTextFileTest, RecycleRefusesNamesThatWouldReachOtherFiles) {
    WriteBytes(Path("a1.txt"), "1");
    WriteBytes(Path("a2.txt"), "2");
    const std::string victim = dir.path + std::string(259 - dir.path.size(), 'v');
    WriteBytes(victim, "victim");
    ASSERT_TRUE(Exists(victim));
    DialogAnswerer answerer(IDYES);  // would confirm, were anything asked
    EXPECT_NE(RecycleFile(dir.path + "a?.txt"), 0);
    EXPECT_NE(RecycleFile(dir.path + "*"), 0);
    EXPECT_NE(RecycleFile(victim + "tail"), 0);
    EXPECT_NE(RecycleFile(""), 0);
    EXPECT_TRUE(Exists(dir.path + "a1.txt"));
    EXPECT_TRUE(Exists(dir.path + "a2.txt"));
    EXPECT_EQ(ReadBytes(victim), "victim");
    EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(LoadTextFileTest, MissingFileIsCreatedEmpty) {
    ClearError();
    EXPECT_EQ(LoadTextFile(Path("vanished.txt")), "");
    EXPECT_TRUE(Exists(Path("vanished.txt")));
    EXPECT_EQ(GetErrorNumber(), 0);
}

TEST_F(LoadTextFileTest, BytesComeBackAsStoredNulsIncluded) {
    EXPECT_EQ(Loaded(std::string("a\0b\r\n\0c", 7)), std::string("a\0b\r\n\0c", 7));
    EXPECT_EQ(Loaded("plain ascii\r\nsecond\n"), "plain ascii\r\nsecond\n");
}

TEST_F(LoadTextFileTest, ReadOnlyFileIsRead) {
    WriteBytes(Path("ro.txt"), kGbkNames);
    SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(LoadTextFile(Path("ro.txt")), kGbkNames);
}

TEST_F(LoadTextFileTest, DirectoryOrLockedFileReadsEmptyAndRecordsTheError) {
    ClearError();
    EXPECT_EQ(LoadTextFile(dir.path), "");
    EXPECT_EQ(GetErrorNumber(), 70);

    WriteBytes(Path("held.txt"), kGbkNames);
    const HANDLE held = CreateFileA(Path("held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ClearError();
    EXPECT_EQ(LoadTextFile(Path("held.txt")), "");
    EXPECT_EQ(GetErrorNumber(), 70);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(Path("held.txt")), kGbkNames);
}

TEST_F(LoadTextFileTest, BadPathsReadEmptyAndCreateNothing) {
    const std::string at255 = dir.path + std::string(255 - dir.path.size() - 4, 'p') + ".txt";
    ASSERT_EQ(at255.size(), 255u);
    WriteBytes(at255, "fits");
    EXPECT_EQ(LoadTextFile(at255), "fits");
    for (std::size_t size : {256u, 260u, 300u}) {
        const std::string longer = at255.substr(0, 251) + std::string(size - 255, 'q') + ".txt";
        ASSERT_EQ(longer.size(), size);
        ClearError();
        EXPECT_EQ(LoadTextFile(longer), "");
        EXPECT_EQ(GetErrorNumber(), 64);
    }
    ClearError();
    EXPECT_EQ(LoadTextFile(Path("*.txt")), "");
    EXPECT_EQ(GetErrorNumber(), 64);
    EXPECT_EQ(LoadTextFile(Path("?.txt")), "");
    EXPECT_EQ(SearchOrder(dir.path + "*"), std::vector<std::string>{at255.substr(dir.path.size())});
}

TEST_F(LoadTextFileTest, FiftyMegabyteFileIsReadWhole) {
    std::string big;
    big.reserve(50u << 20);
    for (int i = 0; big.size() < (50u << 20); ++i) big += "name" + std::to_string(i) + "\r\n";
    big.resize(50u << 20);
    const std::string loaded = Loaded(big);
    EXPECT_EQ(loaded.size(), big.size());
    EXPECT_TRUE(loaded == big);
}

// ---- Encodings ----

TEST_F(LoadTextFileTest, GbkFilesNeverChange) {
    EXPECT_EQ(Loaded(kGbkNames), kGbkNames);
    const std::string roster =
        "王伟\r\n王芳\r\n李娜\r\n张敏\r\n李静\r\n王静\r\n刘伟\r\n王秀英\r\n张丽\r\n李秀英\r\n"
        "王丽\r\n张静\r\n张秀英\r\n李强\r\n王敏\r\n李敏\r\n王磊\r\n刘洋\r\n王艳\r\n王勇\r\n"
        "陈静\r\n杨帆\r\n赵雷\r\n黄磊\r\n周杰\r\n吴刚\r\n徐丽\r\n孙悦\r\n胡军\r\n朱琳\r\n";
    EXPECT_EQ(Loaded(roster), roster);
    EXPECT_EQ(Loaded("李四"), "李四");
    EXPECT_EQ(Loaded(" 张三 \r\n\t李四\t\r\n"), " 张三 \r\n\t李四\t\r\n");
}

TEST_F(LoadTextFileTest, Utf8AndUtf16BecomeGbk) {
    const std::string utf8(u8"张三\r\n李四");
    EXPECT_EQ(Loaded("\xEF\xBB\xBF" + utf8), kGbkNames);
    EXPECT_EQ(Loaded(utf8), kGbkNames);

    const std::u16string wide(u"张三\r\n李四");
    std::string le = "\xFF\xFE";
    std::string be = "\xFE\xFF";
    for (char16_t c : wide) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    EXPECT_EQ(Loaded(le), kGbkNames);
    EXPECT_EQ(Loaded(be), kGbkNames);
    EXPECT_EQ(Loaded("\xEF\xBB\xBF"), "");
    EXPECT_EQ(Loaded("\xFF\xFE"), "");
    EXPECT_EQ(Loaded("\xEF\xBB\xBF" "abc"), "abc");
}

TEST_F(LoadTextFileTest, OnlyStrictUtf8IsDecoded) {
    // Overlong, surrogate, beyond U+10FFFF, cut short: not UTF-8, left alone.
    for (const std::string& bytes :
         {std::string("a\xC0\xAF"), std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"),
          std::string("\xE5\xBC"), std::string("\xE5\xBC\xA0\xE4\xB8")}) {
        EXPECT_EQ(Loaded(bytes), bytes);
    }
    // Valid UTF-8 that is not Chinese is decoded too: é is A8 A6 in GBK.
    EXPECT_EQ(Loaded(u8"é"), "\xA8\xA6");
}

}  // namespace
