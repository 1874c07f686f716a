// The sounds through the system. Whether there is an audio device or not,
// playing never fails visibly and never holds up the caller.
#include "ui/sound.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

BOOL CALLBACK CountVisible(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) ++*reinterpret_cast<int*>(param);
    return TRUE;
}

int VisibleWindowsOfThisProcess() {
    int count = 0;
    EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&count));
    return count;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(SystemSound, PlaysReturnAtOnce) {
    const SoundPlayer player = SystemSoundPlayer();
    ASSERT_NE(player.play, nullptr);
    double slowest = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        const auto call = std::chrono::steady_clock::now();
        player.play(player.context, i % 10 == 9 ? SoundCue::Chime : SoundCue::Tick);
        slowest = std::max(slowest, Seconds(call));
        Sleep(5);
    }
    // A draw shows a candidate every few milliseconds; a play that waited for
    // the sound to end would slow it down.
    EXPECT_LT(slowest, 0.25);
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);  // no error box, no system sound dialog
}

TEST(SystemSound, SwitchingFollowsTheOption) {
    SoundState sound = MakeSystemSound();
    EXPECT_FALSE(sound.on);  // off until the operator switches it on
    SetSoundOn(sound, true);
    EXPECT_TRUE(sound.on);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) SoundCandidateShown(sound);  // limited to a tick or two, so cheap
    SoundResultTaken(sound);
    EXPECT_LT(Seconds(start), 1.0);
    SetSoundOn(sound, false);  // also stops the chime
    EXPECT_FALSE(sound.on);
    EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);
}

}  // namespace
