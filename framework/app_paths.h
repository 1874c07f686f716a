#pragma once
// Where the program lives, filled once before any form exists and only read
// afterwards (also from worker threads).
#include <windows.h>

#include <string>

struct AppPaths {
    HINSTANCE instance = nullptr;  // every window, hook, image load and icon
    HMODULE module = nullptr;      // non-zero once initialised
    char programPath[260] = {};
    char fileName[260] = {};
    char directory[260] = {};  // exactly one trailing backslash, or empty
    char baseName[260] = {};
    char iniPath[260] = {};
    bool previousInstance = false;
    HANDLE mutex = nullptr;  // lives until the process ends
    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
};

extern AppPaths gAppPaths;

// The parts of a program path, as plain text.
struct ProgramPathParts {
    std::string fileName;
    std::string directory;
    std::string baseName;
    std::string iniPath;
    std::string mutexName;
};

// Splits at the last colon or backslash; without one, file name and directory
// stay empty.
ProgramPathParts SplitProgramPath(const std::string& programPath);

// Does nothing once gAppPaths.module is set. A zero instance takes the
// module handle. Creates the "ZQAPP_" mutex and extracts the program's icons.
void InitAppPaths();
