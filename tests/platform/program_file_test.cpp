// What Windows reads from Tobrix.exe itself before running a line of it: the
// version resource (Explorer's properties), the manifest (visual styles,
// supported versions, system DPI awareness) and the icon sizes.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string ProgramPath() {
    std::string p = std::string("Z:") + TOBRIX_EXE_UNIX;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

struct VersionInfo {
    std::string block;
    bool read(const std::string& path) {
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        if (size == 0) return false;
        block.assign(size, '\0');
        return GetFileVersionInfoA(path.c_str(), 0, size, &block[0]) != FALSE;
    }
    bool query(const std::string& key, void** value, UINT* length) {
        return VerQueryValueA(&block[0], key.c_str(), value, length) != FALSE;
    }
    std::string text(const std::string& name) {
        void* value = nullptr;
        UINT length = 0;
        if (!query("\\StringFileInfo\\080404b0\\" + name, &value, &length) || !value) return "<none>";
        return static_cast<const char*>(value);
    }
};

TEST(ProgramFile, CarriesTheVersionInChineseAndEnglish) {
    VersionInfo info;
    ASSERT_TRUE(info.read(ProgramPath())) << ProgramPath();
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(info.query("\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    ASSERT_TRUE(info.query("\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0804);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);

    EXPECT_EQ(info.text("ProductName"), "Tobrix");
    EXPECT_EQ(info.text("ProductVersion"), "1.0");
    EXPECT_EQ(info.text("FileVersion"), "1.0");
    EXPECT_EQ(info.text("OriginalFilename"), "Tobrix.exe");
    // Read back through the ANSI call, so in the code page 936 of the test.
    EXPECT_EQ(info.text("FileDescription"), "Tobrix 随机抽取");
}

struct ProgramModule {
    HMODULE module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~ProgramModule() {
        if (module) FreeLibrary(module);
    }
    std::string resource(LPCSTR type, int id) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found) return std::string();
        HGLOBAL loaded = LoadResource(module, found);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
    }
};

TEST(ProgramFile, AsksForVisualStylesNamesTheSupportedWindowsAndIsDpiAware) {
    ProgramModule program;
    ASSERT_NE(program.module, nullptr);
    const std::string manifest = program.resource(RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(manifest.rfind("<?xml", 0), 0u);
    for (const char* needed : {
             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
             "publicKeyToken=\"6595b64144ccf1df\"", "processorArchitecture=\"x86\"",
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}",   // Vista
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
        EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
    // System DPI aware, in the namespace that Windows reads it from, and
    // inside the application's windowsSettings (elsewhere it is ignored).
    const std::string aware =
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>";
    const size_t at = manifest.find(aware);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware", at + aware.size()), std::string::npos);  // said once
    const size_t settings = manifest.rfind("<windowsSettings>", at);
    const size_t application = manifest.rfind("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">", at);
    ASSERT_NE(settings, std::string::npos);
    ASSERT_NE(application, std::string::npos);
    EXPECT_LT(application, settings);
    EXPECT_LT(manifest.find("</windowsSettings>", at), manifest.find("</application>", at));
    EXPECT_EQ(manifest.find("</assembly>"), manifest.find_last_not_of("\r\n \t") - 10);
}

TEST(ProgramFile, HasOneIconInTheSizesWindowsShows) {
    ProgramModule program;
    ASSERT_NE(program.module, nullptr);
    const std::string group = program.resource(RT_GROUP_ICON, 1);
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(group.size(), 6u + count * 14u);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const unsigned char* entry = reinterpret_cast<const unsigned char*>(group.data()) + 6 + i * 14;
        const int width = entry[0] ? entry[0] : 256;
        EXPECT_EQ(entry[1] ? entry[1] : 256, width);
        EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32) << width;  // bits per pixel
        sizes.insert(width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 256}));

    // Start-up takes icon 0 for its windows: one group, large and small.
    EXPECT_EQ(ExtractIconExA(ProgramPath().c_str(), -1, nullptr, nullptr, 0), 1u);
    HICON large = nullptr, small = nullptr;
    ExtractIconExA(ProgramPath().c_str(), 0, &large, &small, 1);
    ASSERT_NE(large, nullptr);
    ASSERT_NE(small, nullptr);
    ICONINFO iconInfo{};
    ASSERT_TRUE(GetIconInfo(large, &iconInfo));
    BITMAP bitmap{};
    GetObjectA(iconInfo.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
    DeleteObject(iconInfo.hbmColor);
    DeleteObject(iconInfo.hbmMask);
    DestroyIcon(large);
    DestroyIcon(small);
}

}  // namespace
