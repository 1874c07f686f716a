// What the system around the program may do to it: a preset file held by
// another program, a refused preset write, a name file gone between listing
// and Start, broken background pictures, a registry that refuses the write.
// Each leaves the program working and showing what its rules give for a
// missing or unreadable file, and says nothing. A name file whose first name
// is 100,000 bytes long must not cost the window its answers either.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/directory_snapshot.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/fixture.h"
#include "ui/contact.h"
#include "framework/property_names.h"

namespace {

bool IsNotEmpty(const std::string& s) { return !s.empty(); }

// " 1" to " 10", as the default limits roll.
bool IsRolledNumber(const std::string& s) {
    if (s.size() < 2 || s[0] != ' ') return false;
    const int v = std::atoi(s.c_str() + 1);
    return v >= 1 && v <= 10 && s == " " + std::to_string(v);
}

HANDLE HoldExclusively(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FaultsE2E : public ::testing::Test {
protected:
    void TearDown() override {
        EndTobrix(run);
        if (!directory.empty()) RemoveProgramDirectory(directory);
    }

    void Launch(const std::string& dir) {
        directory = dir;
        ASSERT_TRUE(LaunchTobrix(dir, run));
        form = run.form1;
    }

    DWORD pid() const { return run.process.dwProcessId; }

    // Start, wait for a candidate, Stop; the display afterwards.
    std::string Draw() {
        SendClick(form, form1::kStart);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
        SendClick(form, form1::kStop);
        return ControlText(form, form1::kResultDisplay);
    }

    void ExpectNothingSaid() { EXPECT_EQ(WaitForWindow(pid(), "提示", 300), nullptr); }

    // "数字高级", the access code, the value, "保存": both forms close.
    void SaveNumberPreset(const std::string& value) { SavePresetThroughForms(form, pid(), menu::kNumberPreset, value); }

    TobrixRun run;
    HWND form = nullptr;
    std::string directory;
};

TEST_F(FaultsE2E, PresetFileHeldExclusivelyAtStopLeavesTheRolledResult) {
    const std::string dir = MakeProgramDirectory("heldpreset");
    const std::string preset = "[f1]\r\nv=88\r\n";
    ASSERT_TRUE(WriteFileBytes(dir + "config1.ini", preset));
    Launch(dir);

    HANDLE held = HoldExclusively(dir + "config1.ini");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string shown = Draw();
    EXPECT_TRUE(IsRolledNumber(shown)) << "'" << shown << "'";
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + shown);
    ExpectNothingSaid();
    CloseHandle(held);

    // Released, the preset is in force again: it shows, the record keeps the
    // rolled number.
    EXPECT_EQ(Draw(), "88");
    const std::string record = ControlText(form, form1::kDrawRecord);
    ASSERT_GT(record.size(), 2 + shown.size() + 2);
    EXPECT_TRUE(IsRolledNumber(record.substr(2 + shown.size() + 2))) << record;
    EXPECT_EQ(ReadFileBytes(dir + "config1.ini"), preset);
}

TEST_F(FaultsE2E, RefusedPresetWriteSaysNothingAndKeepsThePreviousPreset) {
    const std::string dir = MakeProgramDirectory("refusedsave");
    const std::string preset = "[f1]\r\nv=88\r\n";
    ASSERT_TRUE(WriteFileBytes(dir + "config1.ini", preset));
    Launch(dir);
    EXPECT_EQ(Draw(), "88");

    // The read-only attribute on the directory stops nobody here: Wine runs
    // as root, and root writes through it. A file held open without sharing
    // is refused to every writer, so the save meets that.
    SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_READONLY);
    const bool attributeStopsWrites = !WriteFileBytes(dir + "probe.tmp", "x");
    DeleteFileA((dir + "probe.tmp").c_str());
    SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::printf("a read-only directory attribute %s writes here\n", attributeStopsWrites ? "stops" : "does not stop");

    const DirectorySnapshot before = SnapshotDirectory(dir);
    HANDLE held = HoldExclusively(dir + "config1.ini");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(SaveNumberPreset("99"));
    ExpectNothingSaid();
    CloseHandle(held);
    EXPECT_EQ(ChangedFiles(before, SnapshotDirectory(dir)), "");

    // What the program reads at Stop is the file, not what it tried to write.
    EXPECT_EQ(Draw(), "88");

    // The same save with nothing in the way takes effect.
    ASSERT_NO_FATAL_FAILURE(SaveNumberPreset("77"));
    EXPECT_EQ(Draw(), "77");
}

TEST_F(FaultsE2E, NameFileDeletedAfterListingDrawsOneEmptyName) {
    const std::string dir = MakeProgramDirectory("vanished");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四"));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    ASSERT_EQ(ComboItems(form, form1::kNameFileList), std::vector<std::string>{"names.txt"});
    ASSERT_EQ(ComboSelection(form, form1::kNameFileList), 0);

    ASSERT_TRUE(DeleteFileA((dir + "names.txt").c_str()));
    SendClick(form, form1::kStart);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(ControlText(form, form1::kResultDisplay), "");
        PumpFor(10);
    }
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  ");
    // The read created it again, empty.
    ASSERT_TRUE(FileExists(dir + "names.txt"));
    EXPECT_EQ(ReadFileBytes(dir + "names.txt"), "");
    ExpectNothingSaid();

    // Written again, its names come back at the next Start.
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "王五"));
    SendClick(form, form1::kStart);
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "王五");
}

TEST_F(FaultsE2E, BrokenBackgroundPicturesLeaveThePlainBand) {
    const std::string dir = MakeProgramDirectory("brokenpictures");
    const std::string blue = ReadFileBytes(dir + "未标题-1.jpg");
    const std::string red = ReadFileBytes(dir + "未标题-3.jpg");
    ASSERT_GT(blue.size(), 100u);
    ASSERT_TRUE(WriteFileBytes(dir + "未标题-1.jpg", blue.substr(0, blue.size() / 2)));
    ASSERT_TRUE(WriteFileBytes(dir + "未标题-3.jpg", red.substr(0, 9)));
    Launch(dir);
    HWND band = GetDlgItem(form, form1::kPicture);
    ASSERT_NE(GetPropA(band, prop::kPicture), nullptr) << "the black gradient at start-up";

    // A point of the band beside the result display.
    const RECT rect = ControlRectInClient(form, form1::kPicture);
    const POINT point{rect.left + 8, rect.top + 8};
    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
    for (int command : {menu::kBlueBackground, menu::kRedBackground}) {
        SendMenuCommand(form, command);
        ASSERT_TRUE(Responds(form, 5000)) << command;
        EXPECT_EQ(GetPropA(band, prop::kPicture), nullptr) << command;
        ForceRepaint(form);
        PumpFor(300);
        EXPECT_EQ(ScreenPixelInClient(form, point), buttonFace) << command;
        ExpectNothingSaid();
    }

    SendMenuCommand(form, menu::kBlackBackground);
    EXPECT_NE(GetPropA(band, prop::kPicture), nullptr);
    EXPECT_TRUE(IsRolledNumber(Draw()));
}

// Denies setting values of HKEY_LOCAL_MACHINE\SOFTWARE to everyone (Wine
// checks a key's access list like Windows does) and puts the key's own list
// back when it goes. A denial left behind by a test that died is removed
// first, so one crash cannot spoil the prefix for the tests after it.
class RegistryWriteRefusal {
public:
    RegistryWriteRefusal() {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) return;
        RemoveLeftOverDenial();
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) return;
        BOOL present = FALSE, defaulted = FALSE;
        PACL old = nullptr;
        GetSecurityDescriptorDacl(saved_.data(), &present, &old, &defaulted);
        std::vector<BYTE> acl(1024 + (present && old ? old->AclSize : 0));
        PACL fresh = reinterpret_cast<PACL>(acl.data());
        InitializeAcl(fresh, static_cast<DWORD>(acl.size()), ACL_REVISION);
        AddAccessDeniedAce(fresh, ACL_REVISION, KEY_SET_VALUE, everyone());
        if (present && old) {
            for (DWORD i = 0; i < old->AceCount; ++i) {
                void* ace = nullptr;
                if (GetAce(old, i, &ace))
                    AddAce(fresh, ACL_REVISION, MAXDWORD, ace, reinterpret_cast<ACE_HEADER*>(ace)->AceSize);
            }
        } else {
            AddAccessAllowedAce(fresh, ACL_REVISION, KEY_ALL_ACCESS, everyone());  // what no list allowed
        }
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, fresh, FALSE);
        active_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    }
    ~RegistryWriteRefusal() {
        if (active_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
        if (key_) RegCloseKey(key_);
    }
    RegistryWriteRefusal(const RegistryWriteRefusal&) = delete;
    RegistryWriteRefusal& operator=(const RegistryWriteRefusal&) = delete;

    // The refusal holds: opening the key for writing is denied.
    bool refusing() const {
        HKEY probe = nullptr;
        const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_WRITE, &probe);
        if (result == ERROR_SUCCESS) RegCloseKey(probe);
        return active_ && result == ERROR_ACCESS_DENIED;
    }

private:
    static PSID everyone() {
        static BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        CreateWellKnownSid(WinWorldSid, nullptr, sid, &size);
        return sid;
    }

    void RemoveLeftOverDenial() {
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        std::vector<BYTE> descriptor(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, descriptor.data(), &size) != ERROR_SUCCESS) return;
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = nullptr;
        if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !present || !acl) return;
        bool removed = false;
        for (DWORD i = acl->AceCount; i-- > 0;) {
            ACCESS_DENIED_ACE* ace = nullptr;
            if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
            if (ace->Header.AceType == ACCESS_DENIED_ACE_TYPE && ace->Mask == KEY_SET_VALUE &&
                EqualSid(&ace->SidStart, everyone())) {
                DeleteAce(acl, i);
                removed = true;
            }
        }
        if (!removed) return;
        SECURITY_DESCRIPTOR fixed;
        InitializeSecurityDescriptor(&fixed, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&fixed, TRUE, acl, FALSE);
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &fixed);
    }

    HKEY key_ = nullptr;
    std::vector<BYTE> saved_;
    bool active_ = false;
};

std::string ReadWebValue() {
    char value[256] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "(none)";
    return value;
}

void WriteWebValue(const std::string& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, "MLQ1", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

TEST_F(FaultsE2E, RegistryRefusingTheWriteChangesNothing) {
    const std::string dir = MakeProgramDirectory("registry");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四"));
    // A value the program would overwrite if its write went through.
    WriteWebValue("left by the test");
    ASSERT_EQ(ReadWebValue(), "left by the test");
    {
        RegistryWriteRefusal refusal;
        ASSERT_TRUE(refusal.refusing()) << "could not make the registry refuse the write";
        Launch(dir);
        EXPECT_EQ(ReadWebValue(), "left by the test") << "the write went through";
        ExpectNothingSaid();
        EXPECT_FALSE(StatusBarText(run).empty());
        EXPECT_EQ(ComboItems(form, form1::kNameFileList), std::vector<std::string>{"names.txt"});
        EXPECT_TRUE(IsRolledNumber(Draw()));
        PostClick(form, form1::kClose);
        EXPECT_EQ(WaitForExit(run, 15000), 0u);
        EndTobrix(run);
    }
    // Allowed again, the next start writes the value.
    Launch(dir);
    EXPECT_EQ(ReadWebValue(), TOBRIX_WEB_HOST);
}

// The latency of one message to the window, in milliseconds; 5000 or more
// when it does not answer within that.
DWORD AnswerTime(HWND form) {
    const DWORD start = GetTickCount();
    if (!Responds(form, 5000)) return 5000;
    return GetTickCount() - start;
}

// A prefix of `text` that ends between two of its double-byte characters.
bool IsWholeCharacterPrefix(const std::string& shown, const std::string& text) {
    return !shown.empty() && shown.size() % 2 == 0 && text.compare(0, shown.size(), shown) == 0;
}

TEST_F(FaultsE2E, HundredKilobyteNameKeepsTheWindowAnsweringAndIsRecordedWhole) {
    std::string longName;
    for (int i = 0; i < 50000; ++i) longName += "长";
    ASSERT_EQ(longName.size(), 100000u);
    const std::string dir = MakeProgramDirectory("longname");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", longName + "\r\n短"));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SetControlText(form, form1::kJumpFrequency, "0");

    // Draws until one stops on the long name; each half of the time.
    int longResults = 0, draws = 0;
    DWORD slowest = 0;
    std::string record = ControlText(form, form1::kDrawRecord);
    while (longResults == 0 && draws < 12) {
        ++draws;
        SendClick(form, form1::kStart);
        ASSERT_TRUE(WaitForEnabled(GetDlgItem(form, form1::kStop), true, 5000));
        // Rolling for a second, the window answers every message at once.
        for (const DWORD begin = GetTickCount(); GetTickCount() - begin < 1000;) {
            slowest = std::max(slowest, AnswerTime(form));
            PumpFor(10);
        }
        // Stop takes the window away for moments, not for a minute (64 s
        // once, appending the long name to the record at once).
        const DWORD stopAt = GetTickCount();
        PostClick(form, form1::kStop);
        ASSERT_TRUE(WaitForEnabled(GetDlgItem(form, form1::kStart), true, 5000));
        ASSERT_TRUE(Responds(form, 10000)) << "no answer after Stop";
        std::printf("draw %d: slowest answer %lu ms so far, Stop %lu ms\n", draws, static_cast<unsigned long>(slowest),
                    static_cast<unsigned long>(GetTickCount() - stopAt));

        const std::string shown = ControlText(form, form1::kResultDisplay);
        const std::string now = ControlText(form, form1::kDrawRecord);
        ASSERT_GT(now.size(), record.size()) << "nothing recorded";
        const std::string added = now.substr(record.size());
        record = now;
        if (shown == "短") {
            EXPECT_EQ(added, "  短");
            continue;
        }
        // The display shows what it can of the long name, cut between
        // characters; the record has it whole.
        EXPECT_TRUE(IsWholeCharacterPrefix(shown, longName)) << shown.size() << " bytes shown";
        EXPECT_EQ(added.size(), longName.size() + 2);
        EXPECT_TRUE(added == "  " + longName) << added.substr(0, 40);
        ++longResults;
    }
    EXPECT_LT(slowest, 100u);
    ASSERT_EQ(longResults, 1) << "no draw in " << draws << " stopped on the long name";

    // The copied table (the export's rows) has it whole too.
    SendMenuCommand(form, menu::kCopyRecord);
    std::wstring copied;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) PumpFor(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            copied = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    EXPECT_NE(copied.find(L"\t" + std::wstring(50000, L'\u957F') + L"\t"), std::wstring::npos)
        << copied.size() << " characters copied";
}

}  // namespace
