// A long evening in one run of the real program: 10,000 draws at frequency 0
// by posted clicks, with mode changes, background changes and the three small
// forms opened and closed between them. It must neither hang nor crash, and
// afterwards hold what it held before: the UI thread and the clock and no
// other thread, and as many handles, window properties and framework objects.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/e2e/driver.h"
#include "tests/e2e/process_census.h"
#include "ui/diagnostics.h"

namespace {

const int kCycles = 10000;

struct Census {
    int threads = 0;
    int handles = 0;
    int properties = 0;
    long blocks = 0;          // framework heap blocks
    long records = 0;         // runtime window records
    long runtimeThreads = 0;  // threads with a runtime record
    long rollersAlive = 0;
};

Census TakeCensus(const TobrixRun& run) {
    Census c;
    c.threads = CountProcessThreads(run.process.dwProcessId);
    c.handles = CountProcessHandles(run.process.hProcess);
    c.properties = CountProcessWindowProperties(run.process.dwProcessId);
    c.blocks = ReadTobrixCounter(run.form1, kCountFrameworkBlocks);
    c.records = ReadTobrixCounter(run.form1, kCountWindowRecords);
    c.runtimeThreads = ReadTobrixCounter(run.form1, kCountRuntimeThreads);
    c.rollersAlive = ReadTobrixCounter(run.form1, kCountRollersAlive);
    return c;
}

std::string Describe(const Census& c) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "threads %d, handles %d, window properties %d, framework blocks %ld, window records %ld, "
                  "runtime threads %ld, rollers alive %ld",
                  c.threads, c.handles, c.properties, c.blocks, c.records, c.runtimeThreads, c.rollersAlive);
    return text;
}

// The visible top-level windows of the process, for failure messages.
std::string WindowsOf(DWORD processId) {
    std::string list;
    for (HWND window : TopLevelWindows(processId)) list += " '" + WindowText(window) + "'";
    return list;
}

class SoakE2E : public ::testing::Test {
protected:
    void TearDown() override { EndTobrix(run); }

    // Waits until FORM1 answers. A sent message is answered before what
    // was posted earlier, so this alone does not wait for posted clicks.
    void Settle() { ASSERT_TRUE(Responds(run.form1, 60000)) << "FORM1 stopped answering"; }

    // One draw by posted clicks on Start and Stop; returns when both have
    // been handled: `started` rollers begun in all and none running.
    void Cycle(long started) {
        PostClick(run.form1, form1::kStart);
        PostClick(run.form1, form1::kStop);
        const DWORD begin = GetTickCount();
        for (;;) {
            const long count = ReadTobrixCounter(run.form1, kCountRollersStarted);
            const long alive = ReadTobrixCounter(run.form1, kCountRollersAlive);
            ASSERT_GE(count, 0) << "FORM1 stopped answering at draw " << started;
            if (count == started && alive == 0) return;
            ASSERT_LE(count, started) << "a click started a second draw at draw " << started;
            ASSERT_LT(GetTickCount() - begin, 30000u)
                << "draw " << started << " not done: " << count << " started, " << alive << " running";
            Sleep(1);
        }
    }

    HWND OpenByMenu(int command, const char* caption) {
        PostMenuCommand(run.form1, command);
        return WaitForWindow(run.process.dwProcessId, caption, 15000);
    }

    void CloseAndWait(HWND form) {
        PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(WaitForWindowGone(form, 15000));
        Settle();
    }

    // The access-code form, closed; then the preset form through the code,
    // closed, which closes the access-code form too; then the about form.
    void OpenAndCloseTheForms(int round) {
        Settle();
        HWND code = OpenByMenu(round % 2 ? menu::kNumberPreset : menu::kNamePreset, "请输入口令...");
        ASSERT_TRUE(code) << "round " << round << ":" << WindowsOf(run.process.dwProcessId);
        CloseAndWait(code);
        ASSERT_TRUE(WaitForEnabled(run.form1, true, 15000));

        code = OpenByMenu(round % 2 ? menu::kNamePreset : menu::kNumberPreset, "请输入口令...");
        ASSERT_TRUE(code) << "round " << round << ":" << WindowsOf(run.process.dwProcessId);
        SetControlText(code, form2::kCode, "5038172694");
        PostClick(code, form2::kOk);
        HWND preset = WaitForWindow(run.process.dwProcessId, "预设", 15000);
        ASSERT_TRUE(preset) << "round " << round << ":" << WindowsOf(run.process.dwProcessId);
        CloseAndWait(preset);
        EXPECT_TRUE(WaitForWindowGone(code, 15000));
        ASSERT_TRUE(WaitForEnabled(run.form1, true, 15000));

        HWND about = OpenByMenu(menu::kAbout, "关于我们");
        ASSERT_TRUE(about) << "round " << round << ":" << WindowsOf(run.process.dwProcessId);
        CloseAndWait(about);
        ASSERT_TRUE(WaitForEnabled(run.form1, true, 15000));
    }

    TobrixRun run;
};

TEST_F(SoakE2E, TenThousandDrawsAmongFormsModesAndBackgroundsLeaveNothingBehind) {
    const std::string dir = MakeProgramDirectory("soak");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四\r\n王五"));
    ASSERT_TRUE(LaunchTobrix(dir, run));
    PumpFor(1000);
    const Census afterStartUp = TakeCensus(run);
    std::printf("after start-up:  %s\n", Describe(afterStartUp).c_str());
    ASSERT_EQ(afterStartUp.runtimeThreads, 2) << "the UI thread and the clock";
    ASSERT_EQ(afterStartUp.rollersAlive, 0);
    long started = ReadTobrixCounter(run.form1, kCountRollersStarted);
    SetControlText(run.form1, form1::kJumpFrequency, "0");

    // Every action once. What the program and the system make once, on first
    // use, and then keep, appears here and must not grow later: the brush of
    // the "文件列表" label (first painted in name mode), the semaphores of the
    // roller's condition variable, the registry keys the system keeps open
    // for the mouse settings and the INI file mapping.
    ASSERT_NO_FATAL_FAILURE(Cycle(++started));
    SendMenuCommand(run.form1, menu::kNameMode);
    ASSERT_NO_FATAL_FAILURE(Cycle(++started));
    PumpFor(500);  // the name-mode controls paint
    SendMenuCommand(run.form1, menu::kNumberMode);
    for (int command = menu::kBlueBackground; command <= menu::kYellowBackground; ++command) SendMenuCommand(run.form1, command);
    SendClick(run.form1, form1::kClear);
    ASSERT_NO_FATAL_FAILURE(OpenAndCloseTheForms(0));
    PumpFor(1000);
    const Census afterWarmUp = TakeCensus(run);
    const std::map<uintptr_t, std::string> handlesAfterWarmUp = DescribeProcessHandles(run.process.hProcess);
    std::printf("after warm-up:   %s\n", Describe(afterWarmUp).c_str());
    EXPECT_EQ(afterWarmUp.threads, afterStartUp.threads);
    EXPECT_EQ(afterWarmUp.blocks, afterStartUp.blocks);
    EXPECT_EQ(afterWarmUp.records, afterStartUp.records);

    const DWORD begin = GetTickCount();
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        // One cycle at a time: synthetic clicks queued behind one another
        // are partly lost under Wine (the buttons' capture and focus
        // handling), with or without this program.
        ASSERT_NO_FATAL_FAILURE(Cycle(++started));
        if (cycle % 250 == 0) PostMenuCommand(run.form1, menu::kBlueBackground + (cycle / 250) % 4);  // a background
        if (cycle % 400 == 0) PostMenuCommand(run.form1, (cycle / 400) % 2 ? menu::kNameMode : menu::kNumberMode);  // a mode
        if (cycle % 500 == 0) PostClick(run.form1, form1::kClear);  // "清空": the record stays short
        if (cycle % 1000 == 0) {
            ASSERT_NO_FATAL_FAILURE(OpenAndCloseTheForms(cycle / 1000));
            std::printf("%5d cycles after %3lu s: %s\n", cycle, (GetTickCount() - begin) / 1000,
                        Describe(TakeCensus(run)).c_str());
            std::fflush(stdout);
        }
    }
    SendMenuCommand(run.form1, menu::kNumberMode);

    // Every click above reached the program: each Start began one roller.
    EXPECT_EQ(ReadTobrixCounter(run.form1, kCountRollersStarted), started);
    EXPECT_TRUE(ControlText(run.form1, form1::kResultDisplay).empty()) << "the mode change empties the display";
    EXPECT_TRUE(ControlEnabled(run.form1, form1::kStart));
    EXPECT_FALSE(ControlEnabled(run.form1, form1::kStop));

    // An ended thread leaves the system's lists a moment after it is joined.
    Census afterSoak;
    for (int attempt = 0; attempt < 10; ++attempt) {
        PumpFor(500);
        afterSoak = TakeCensus(run);
        if (afterSoak.threads == afterStartUp.threads && afterSoak.rollersAlive == 0) break;
    }
    std::printf("after %d cycles: %s\n", kCycles, Describe(afterSoak).c_str());
    EXPECT_EQ(afterSoak.threads, afterStartUp.threads);
    EXPECT_EQ(afterSoak.runtimeThreads, 2);
    EXPECT_EQ(afterSoak.rollersAlive, 0);
    EXPECT_EQ(afterSoak.blocks, afterStartUp.blocks);
    EXPECT_EQ(afterSoak.records, afterStartUp.records);
    EXPECT_EQ(afterSoak.properties, afterWarmUp.properties);
    // A lock gets its event the first time two threads meet at it, which
    // happens when it happens: some thousand draws in, or not at all. So a
    // few unnamed events or semaphores may have come since the warm-up, one
    // per lock at most; a leak of anything, events included, would show as
    // thousands after 10,000 draws.
    EXPECT_LE(afterSoak.handles - afterWarmUp.handles, 4);
    const std::map<uintptr_t, std::string> now = DescribeProcessHandles(run.process.hProcess);
    for (const auto& handle : now) {
        if (handlesAfterWarmUp.count(handle.first) && handlesAfterWarmUp.at(handle.first) == handle.second) continue;
        std::printf("handle %04x since the warm-up: %s\n", static_cast<unsigned>(handle.first), handle.second.c_str());
        EXPECT_TRUE(handle.second == "Event" || handle.second == "Semaphore") << handle.second;
    }

    PostClick(run.form1, form1::kClose);
    EXPECT_EQ(WaitForExit(run, 15000), 0u);
}

// The record of a long evening: every result in order, and the box as a
// whole write of its text leaves it (caret at the start, scrolled to the
// top, nothing to undo, not modified), although the program appends.
TEST_F(SoakE2E, LongRecordHoldsEveryResultAndItsBoxStaysAsWritten) {
    const std::string dir = MakeProgramDirectory("record");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四\r\n王五"));
    ASSERT_TRUE(LaunchTobrix(dir, run));
    SetControlText(run.form1, form1::kJumpFrequency, "0");
    std::string expected;
    for (int draw = 0; draw < 400; ++draw) {
        if (draw == 200) SendMenuCommand(run.form1, menu::kNameMode);  // names from here on
        SendClick(run.form1, form1::kStart);
        PumpFor(draw % 3);
        SendClick(run.form1, form1::kStop);
        expected += "  " + ControlText(run.form1, form1::kResultDisplay);
    }
    HWND box = GetDlgItem(run.form1, form1::kDrawRecord);
    EXPECT_EQ(ControlText(run.form1, form1::kDrawRecord), expected);
    EXPECT_EQ(SendMessageA(box, EM_GETSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_FALSE(SendMessageA(box, EM_CANUNDO, 0, 0));
    EXPECT_FALSE(SendMessageA(box, EM_GETMODIFY, 0, 0));

    // Typed into, the record goes on from what the operator left.
    SetControlText(run.form1, form1::kDrawRecord, "note:");
    SendClick(run.form1, form1::kStart);
    SendClick(run.form1, form1::kStop);
    EXPECT_EQ(ControlText(run.form1, form1::kDrawRecord), "note:  " + ControlText(run.form1, form1::kResultDisplay));
}

}  // namespace
