#include "framework/app_paths.h"

#include <shellapi.h>

#include "runtime/strings.h"

AppPaths gAppPaths;

ProgramPathParts SplitProgramPath(const std::string& programPath) {
    ProgramPathParts parts;
    size_t cut = programPath.find_last_of(":\\");
    if (cut != std::string::npos) {
        parts.fileName = programPath.substr(cut + 1);
        std::string dir = programPath.substr(0, cut + 1);
        while (!dir.empty() && dir.back() == '\\') dir.pop_back();
        parts.directory = dir + "\\";
    }
    size_t dot = parts.fileName.rfind('.');
    parts.baseName = dot == std::string::npos ? parts.fileName : parts.fileName.substr(0, dot);
    parts.iniPath = parts.directory + parts.baseName + ".ini";
    parts.mutexName = ("ZQAPP_" + parts.fileName).substr(0, 259);
    return parts;
}

namespace {

void extractIcons() {
    if (gAppPaths.largeIcon) DestroyIcon(gAppPaths.largeIcon);
    if (gAppPaths.smallIcon && gAppPaths.smallIcon != gAppPaths.largeIcon) DestroyIcon(gAppPaths.smallIcon);
    gAppPaths.largeIcon = gAppPaths.smallIcon = nullptr;
    HICON large = nullptr, small = nullptr;
    ExtractIconExA(gAppPaths.programPath, 0, &large, &small, 1);
    if (large && (!small || small == large)) small = CopyIcon(large);
    gAppPaths.largeIcon = large;
    gAppPaths.smallIcon = small;
}

}  // namespace

void InitAppPaths() {
    if (gAppPaths.module) return;
    gAppPaths.module = GetModuleHandleA(nullptr);
    if (!gAppPaths.instance) gAppPaths.instance = gAppPaths.module;

    DWORD n = GetModuleFileNameA(gAppPaths.instance, gAppPaths.programPath, sizeof gAppPaths.programPath);
    if (n >= sizeof gAppPaths.programPath) n = sizeof gAppPaths.programPath - 1;
    gAppPaths.programPath[n] = '\0';

    ProgramPathParts parts = SplitProgramPath(gAppPaths.programPath);
    StrToBuffer(parts.fileName, gAppPaths.fileName, sizeof gAppPaths.fileName);
    StrToBuffer(parts.directory, gAppPaths.directory, sizeof gAppPaths.directory);
    StrToBuffer(parts.baseName, gAppPaths.baseName, sizeof gAppPaths.baseName);
    StrToBuffer(parts.iniPath, gAppPaths.iniPath, sizeof gAppPaths.iniPath);

    // The flag is kept for callers; a second copy of the program runs normally.
    gAppPaths.mutex = CreateMutexA(nullptr, FALSE, parts.mutexName.c_str());
    gAppPaths.previousInstance = GetLastError() == ERROR_ALREADY_EXISTS;

    extractIcons();
}
