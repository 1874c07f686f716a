// Automatic draws of several results and the keyboard flow, in the real
// program: the count field and the interval list, the refusal, Stop during
// an automatic draw, and Start and Stop with the space bar alone.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/e2e/fixture.h"
#include "ui/diagnostics.h"

namespace {

const int kStart = 100, kStop = 101, kDisplay = 102, kRecord = 119, kCount = 127, kInterval = 128;
const char* const kTooMany = "抽取个数超过了可抽取的不同结果数";

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

class MultiDrawE2E : public TobrixE2E {
protected:
    void Launch(const std::string& dir) {
        ASSERT_TRUE(LaunchTobrix(dir, run));
        form = run.form1;
    }
    bool Idle() { return ControlEnabled(form, kStart) && !ControlEnabled(form, kStop); }
    bool WaitIdle(DWORD timeoutMs) {
        DWORD start = GetTickCount();
        while (!Idle()) {
            if (GetTickCount() - start > timeoutMs) return false;
            PumpFor(20);
        }
        return true;
    }
    long Counter(WPARAM id) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(form, kCountersMessage, id, 0, SMTO_NORMAL, 5000, &result)) return -1;
        return long(result);
    }
    HWND Focused() {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info)) return nullptr;
        return info.hwndFocus;
    }
    bool WaitFocusOn(int id, DWORD timeoutMs = 5000) {
        DWORD start = GetTickCount();
        while (Focused() != GetDlgItem(form, id)) {
            if (GetTickCount() - start > timeoutMs) return false;
            PumpFor(20);
        }
        return true;
    }
    // The space bar, as the keyboard delivers it: to the control with the focus.
    void PressSpace() {
        HWND target = Focused();
        ASSERT_NE(target, nullptr);
        PostMessageA(target, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageA(target, WM_KEYUP, VK_SPACE, 0xC0390001);
        PumpFor(100);
    }

};

TEST_F(MultiDrawE2E, ThreeDifferentNumbersOneASecondThenItStopsByItself) {
    Launch(MakeProgramDirectory("multi3"));
    ASSERT_EQ(ComboSelection(form, kInterval), 0);  // "1"
    SetControlText(form, kCount, "3");
    const DWORD begin = GetTickCount();
    SendClick(form, kStart);
    EXPECT_FALSE(ControlEnabled(form, kStart));
    EXPECT_TRUE(ControlEnabled(form, kStop));
    ASSERT_TRUE(WaitIdle(20000));
    const DWORD took = GetTickCount() - begin;
    EXPECT_GE(took, 2800u);  // a result every second

    const std::string record = ControlText(form, kRecord);
    const std::vector<std::string> results = Words(record);
    ASSERT_EQ(results.size(), 3u) << record;
    std::set<int> values;
    std::string expected;
    for (const std::string& r : results) {
        const int v = atoi(r.c_str());
        EXPECT_TRUE(v >= 1 && v <= 10 && std::to_string(v) == r) << r;
        values.insert(v);
        expected += "   " + r;
    }
    EXPECT_EQ(values.size(), 3u) << record;
    EXPECT_EQ(record, expected);
    EXPECT_EQ(ControlText(form, kDisplay), " " + results.back());
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
    EXPECT_TRUE(WaitFocusOn(kStart));
    // Nothing more reaches the window.
    PumpFor(1500);
    EXPECT_EQ(ControlText(form, kRecord), record);
    EXPECT_EQ(ControlText(form, kDisplay), " " + results.back());
}

TEST_F(MultiDrawE2E, FiveNamesFromAFileOfFiveAreEachTakenOnce) {
    const std::string dir = MakeProgramDirectory("multinames");
    const std::vector<std::string> names = {"张三", "李四", "王五", "赵六", "孙七"};
    std::string file;
    for (const std::string& n : names) file += n + "\r\n";
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", file));
    Launch(dir);
    SendMenuCommand(form, 1005);
    SetControlText(form, kCount, "5");
    SendClick(form, kStart);
    ASSERT_TRUE(WaitIdle(30000));
    const std::vector<std::string> results = Words(ControlText(form, kRecord));
    EXPECT_EQ(std::multiset<std::string>(results.begin(), results.end()),
              std::multiset<std::string>(names.begin(), names.end()));
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
}

TEST_F(MultiDrawE2E, ElevenFromOneToTenIsRefusedAndStartsNothing) {
    Launch(MakeProgramDirectory("multi11"));
    SetControlText(form, kDisplay, "before");
    SetControlText(form, kRecord, "  earlier");
    SetControlText(form, kCount, "11");
    const long started = Counter(kCountRollersStarted);
    ASSERT_GE(started, 0);
    PostClick(form, kStart);
    HWND box = WaitForMessageBox(run.process.dwProcessId, "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kTooMany);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(WaitIdle(5000));
    EXPECT_EQ(Counter(kCountRollersStarted), started);
    PumpFor(300);
    EXPECT_EQ(ControlText(form, kDisplay), "before");
    EXPECT_EQ(ControlText(form, kRecord), "  earlier");
    EXPECT_TRUE(WaitFocusOn(kStart));

    // A name file of blank lines has no name to take: refused as well.
    const std::string dir = run.directory;
    ASSERT_TRUE(WriteFileBytes(dir + "blank.txt", "\r\n   \r\n\r\n"));
    SendClick(form, 110);  // "刷新"
    SendMenuCommand(form, 1005);
    SetControlText(form, kCount, "1");
    PostClick(form, kStart);
    box = WaitForMessageBox(run.process.dwProcessId, "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kTooMany);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(WaitIdle(5000));
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
    EXPECT_EQ(ControlText(form, kRecord), "  earlier");
    EXPECT_TRUE(WaitFocusOn(kStart));
}

TEST_F(MultiDrawE2E, StopDuringAnAutomaticDrawKeepsTheResultsTaken) {
    Launch(MakeProgramDirectory("multistop"));
    SetControlText(form, kCount, "5");
    SendClick(form, kStart);
    DWORD start = GetTickCount();
    while (Words(ControlText(form, kRecord)).size() < 2 && GetTickCount() - start < 15000) PumpFor(20);
    SendClick(form, kStop);
    const std::string record = ControlText(form, kRecord);
    const std::vector<std::string> results = Words(record);
    ASSERT_EQ(results.size(), 2u) << record;
    EXPECT_NE(results[0], results[1]);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(ControlText(form, kDisplay), " " + results.back());
    PumpFor(2500);  // longer than the spacing: nothing is taken after Stop
    EXPECT_EQ(ControlText(form, kRecord), record);
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
}

TEST_F(MultiDrawE2E, TheRandomIntervalTakesOneResultWithinFifteenSeconds) {
    Launch(MakeProgramDirectory("multirandom"));
    ASSERT_EQ(ComboItems(form, kInterval).back(), "随机(1-15)");
    SendMessageA(GetDlgItem(form, kInterval), CB_SETCURSEL, 10, 0);
    SetControlText(form, kCount, "1");
    const DWORD begin = GetTickCount();
    SendClick(form, kStart);
    ASSERT_TRUE(WaitIdle(20000));  // a manual draw would roll on
    EXPECT_GE(GetTickCount() - begin, 900u);
    EXPECT_EQ(Words(ControlText(form, kRecord)).size(), 1u);
}

TEST_F(MultiDrawE2E, TheSpaceBarStartsStopsAndStartsAgain) {
    Launch(MakeProgramDirectory("space"));
    ASSERT_TRUE(WaitFocusOn(kStart));
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(kStop));
    EXPECT_TRUE(ControlEnabled(form, kStop));
    EXPECT_FALSE(ControlEnabled(form, kStart));
    PumpFor(200);
    EXPECT_FALSE(ControlText(form, kDisplay).empty());

    PressSpace();
    ASSERT_TRUE(WaitFocusOn(kStart));
    EXPECT_TRUE(Idle());
    const std::string shown = ControlText(form, kDisplay);
    EXPECT_EQ(ControlText(form, kRecord), "  " + shown);

    PressSpace();
    ASSERT_TRUE(WaitFocusOn(kStop));
    EXPECT_FALSE(ControlEnabled(form, kStart));
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(kStart));
    EXPECT_EQ(Words(ControlText(form, kRecord)).size(), 2u);

    // A mode change leaves the keyboard on Start too.
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(kStop));
    SendMenuCommand(form, 1005);
    EXPECT_TRUE(WaitFocusOn(kStart));
    EXPECT_TRUE(Idle());
}

}  // namespace
