#include "framework/app_paths.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct PathCase {
    const char* path;
    const char* fileName;
    const char* directory;
    const char* baseName;
    const char* iniPath;
    const char* mutexName;
};

const PathCase kPathCases[] = {
    {"C:\\Tools\\draw.exe", "draw.exe", "C:\\Tools\\", "draw", "C:\\Tools\\draw.ini", "ZQAPP_draw.exe"},
    {"C:\\Tools\\a.b.exe", "a.b.exe", "C:\\Tools\\", "a.b", "C:\\Tools\\a.b.ini", "ZQAPP_a.b.exe"},
    {"C:\\Tools\\draw", "draw", "C:\\Tools\\", "draw", "C:\\Tools\\draw.ini", "ZQAPP_draw"},
    // Repeated separators collapse to exactly one.
    {"C:\\Tools\\\\\\draw.exe", "draw.exe", "C:\\Tools\\", "draw", "C:\\Tools\\draw.ini", "ZQAPP_draw.exe"},
    {"C:draw.exe", "draw.exe", "C:\\", "draw", "C:\\draw.ini", "ZQAPP_draw.exe"},
    // A dot in a directory name is not the extension's.
    {"C:\\v1.2\\tool", "tool", "C:\\v1.2\\", "tool", "C:\\v1.2\\tool.ini", "ZQAPP_tool"},
    // No separator: the file name and the directory stay empty.
    {"draw.exe", "", "", "", ".ini", "ZQAPP_"},
};

TEST(AppPaths, SplitsProgramPaths) {
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.path);
        ProgramPathParts parts = SplitProgramPath(c.path);
        EXPECT_EQ(parts.fileName, c.fileName);
        EXPECT_EQ(parts.directory, c.directory);
        EXPECT_EQ(parts.baseName, c.baseName);
        EXPECT_EQ(parts.iniPath, c.iniPath);
        EXPECT_EQ(parts.mutexName, c.mutexName);
    }
}

TEST(AppPaths, MutexNameIsCutTo259Bytes) {
    std::string longName(300, 'x');
    ProgramPathParts parts = SplitProgramPath("C:\\" + longName);
    EXPECT_EQ(parts.mutexName.size(), 259u);
    EXPECT_EQ(parts.mutexName.compare(0, 6, "ZQAPP_"), 0);
}

TEST(AppPaths, InitialisesFromTheRunningProgramOnce) {
    InitAppPaths();
    ASSERT_NE(gAppPaths.module, nullptr);
    EXPECT_EQ(gAppPaths.instance, GetModuleHandleA(nullptr));
    EXPECT_STREQ(gAppPaths.fileName, "framework_test.exe");
    size_t dirLength = std::strlen(gAppPaths.directory);
    ASSERT_GT(dirLength, 1u);
    EXPECT_EQ(gAppPaths.directory[dirLength - 1], '\\');
    EXPECT_NE(gAppPaths.directory[dirLength - 2], '\\');
    EXPECT_EQ(std::strncmp(gAppPaths.programPath, gAppPaths.directory, dirLength), 0);
    EXPECT_EQ(std::string(gAppPaths.iniPath), std::string(gAppPaths.directory) + "framework_test.ini");

    // The mutex exists for other copies to see; this copy was the first.
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "ZQAPP_framework_test.exe");
    EXPECT_NE(mutex, nullptr);
    if (mutex) CloseHandle(mutex);
    EXPECT_FALSE(gAppPaths.previousInstance);

    // The test program carries the program's icon resource.
    EXPECT_NE(gAppPaths.largeIcon, nullptr);
    EXPECT_NE(gAppPaths.smallIcon, nullptr);
    EXPECT_NE(gAppPaths.smallIcon, gAppPaths.largeIcon);

    // Later calls change nothing.
    HICON icon = gAppPaths.largeIcon;
    HANDLE first = gAppPaths.mutex;
    InitAppPaths();
    EXPECT_EQ(gAppPaths.largeIcon, icon);
    EXPECT_EQ(gAppPaths.mutex, first);
}

}  // namespace
