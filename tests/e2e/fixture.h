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

    TobrixRun run;
    HWND form = nullptr;
};
