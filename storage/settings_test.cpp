#include "storage/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "storage/ini.h"
#include "tests/support/storage_test_support.h"
#include "tests/e2e/driver.h"

using namespace test_support;

namespace {

struct SettingsTest : ::testing::Test {
    ScratchDirectory dir{"settings"};
    std::string file = dir.path + kOptionsFileName;
};

bool operator==(const Options& a, const Options& b) {
    return a.noRepeats == b.noRepeats && a.sound == b.sound && a.prizeRounds == b.prizeRounds;
}

TEST_F(SettingsTest, EveryCombinationSurvivesASaveAndOverwritesThePrevious) {
    const Options all[] = {{false, false, false}, {true, false, true}, {false, true, false},
                           {true, true, true},    {false, false, true}, {false, false, false}};
    for (const Options& o : all) {
        ASSERT_TRUE(SaveOptions(file, o));
        EXPECT_TRUE(LoadOptions(file) == o) << o.noRepeats << o.sound << o.prizeRounds;
    }
}

TEST_F(SettingsTest, NoFileMeansBothOff) {
    EXPECT_TRUE(LoadOptions(file) == Options{});
    EXPECT_FALSE(Exists(file));  // reading creates nothing
}

TEST_F(SettingsTest, OnlyAOneSwitchesOn) {
    struct Case {
        const char* stored;
        bool on;
    };
    const Case cases[] = {{"1", true}, {" 1 ", true}, {"0", false}, {"", false}, {"2", false},
                          {"yes", false}, {"true", false}, {"10", false}, {"-1", false}, {"\xD5\xC5", false}};
    for (const Case& c : cases) {
        test_support::WriteBytes(file, std::string("[options]\r\nno_repeats=") + c.stored + "\r\nsound=" + c.stored +
                                           "\r\n");
        const Options o = LoadOptions(file);
        EXPECT_EQ(o.noRepeats, c.on) << "[" << c.stored << "]";
        EXPECT_EQ(o.sound, c.on) << "[" << c.stored << "]";
    }
}

TEST_F(SettingsTest, OtherContentIsLeftAlone) {
    // What a newer version may add, and garbage, stay where they are.
    WriteBytes(file, "junk line\r\n[later]\r\ncolour=red\r\n[options]\r\nvolume=7\r\n");
    ASSERT_TRUE(SaveOptions(file, {true, false}));
    EXPECT_EQ(IniRead(file, "later", "colour", ""), "red");
    EXPECT_EQ(IniRead(file, "options", "volume", ""), "7");
    EXPECT_TRUE(LoadOptions(file) == (Options{true, false}));
}

TEST_F(SettingsTest, RandomBytesReadAsOff) {
    std::string noise(4096, '\0');
    unsigned seed = 12345;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    WriteBytes(file, noise);
    EXPECT_TRUE(LoadOptions(file) == Options{});
}

TEST_F(SettingsTest, AnUnwritablePlaceReportsFalseAndChangesNothing) {
    const std::string noFolder = dir.path + "missing\\" + kOptionsFileName;
    EXPECT_FALSE(SaveOptions(noFolder, {true, true}));
    EXPECT_TRUE(LoadOptions(noFolder) == Options{});

    // A folder nobody may write to, root included.
    const std::string locked = dir.path + "locked\\";
    CreateDirectoryA(locked.c_str(), nullptr);
    const std::string lockedFile = locked + kOptionsFileName;
    ASSERT_TRUE(SaveOptions(lockedFile, {false, true}));
    ASSERT_TRUE(SetDirectoryImmutable(locked, true));
    const bool saved = SaveOptions(lockedFile, {true, false});
    const Options loaded = LoadOptions(lockedFile);
    ASSERT_TRUE(SetDirectoryImmutable(locked, false));
    EXPECT_FALSE(saved);
    EXPECT_TRUE(loaded == (Options{false, true}));
}

}  // namespace
