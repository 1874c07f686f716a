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
