#pragma once
// What every end-to-end test shares: a program run that is always ended and
// cleaned up, and a few checks on texts the program shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver.h"

inline bool IsNotEmpty(const std::string& s) { return !s.empty(); }

// A drawn number as shown: the sign blank or "-", then digits.
inline bool IsSignedWhole(const std::string& s) {
    if (s.size() < 2 || (s[0] != ' ' && s[0] != '-')) return false;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// A preset saved as the operator does it: the menu command (menu::kNumberPreset
// "数字高级" or menu::kNamePreset "姓名高级"), the access code, the value, "保存";
// both forms close and the main window is enabled again.
inline void SavePresetThroughForms(HWND form, DWORD pid, int command, const std::string& value,
                                   DWORD timeoutMs = 10000) {
    PostMenuCommand(form, command);
    HWND code = WaitForWindow(pid, "请输入口令...", timeoutMs);
    ASSERT_NE(code, nullptr);
    SetControlText(code, form2::kCode, "5038172694");
    PostClick(code, form2::kOk);
    HWND preset = WaitForWindow(pid, "预设", timeoutMs);
    ASSERT_NE(preset, nullptr);
    SetControlText(preset, form3::kPreset, value);
    PostClick(preset, form3::kSave);
    ASSERT_TRUE(WaitForWindowGone(preset, timeoutMs));
    ASSERT_TRUE(WaitForWindowGone(code, timeoutMs));
    ASSERT_TRUE(WaitForEnabled(form, true, timeoutMs));
}

// A file dialog's file name field: an edit of its own, or the edit inside
// the file name combo box (which may sit in an extended one).
inline HWND DialogFileNameEdit(HWND dialog) {
    for (HWND w = GetDlgItem(dialog, 0x47C); w; w = GetWindow(w, GW_CHILD)) {
        if (WindowClass(w) == "Edit") return w;
    }
    return GetDlgItem(dialog, 0x480);
}

// The clipboard's Unicode text, as a paste would take it; "" when it holds none.
inline std::wstring ClipboardText() {
    std::wstring text;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) PumpFor(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class TobrixE2E : public ::testing::Test {
protected:
    void TearDown() override {
        EndTobrix(run);
        if (!run.directory.empty()) RemoveProgramDirectory(run.directory);
    }

    void Launch(const std::string& dir) {
        ASSERT_TRUE(LaunchTobrix(dir, run));
        form = run.form1;
    }

    DWORD pid() const { return run.process.dwProcessId; }

    // Closed as the operator closes it, then started again in the same directory.
    void Restart() {
        const std::string dir = run.directory;
        PostClick(form, form1::kClose);
        EXPECT_NE(WaitForExit(run, 10000), DWORD(STILL_ACTIVE));
        EndTobrix(run);
        Launch(dir);
    }

    // Ended as a crash or Task Manager ends it; the directory stays for a relaunch.
    void Kill() {
        TerminateProcess(run.process.hProcess, 1);
        WaitForSingleObject(run.process.hProcess, 10000);
        const std::string dir = run.directory;
        EndTobrix(run);
        run.directory = dir;
    }

    TobrixRun run;
    HWND form = nullptr;
};
