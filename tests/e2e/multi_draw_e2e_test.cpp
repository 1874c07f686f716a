// Automatic draws of several results and the keyboard flow, in the real
// program: the count field and the interval list, the refusal, Stop during
// an automatic draw, and Start and Stop with the space bar alone.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/e2e/fixture.h"
#include "ui/diagnostics.h"

namespace {

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
    bool Idle() { return ControlEnabled(form, form1::kStart) && !ControlEnabled(form, form1::kStop); }
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
    ASSERT_EQ(ComboSelection(form, form1::kDrawInterval), 0);  // "1"
    SetControlText(form, form1::kDrawCount, "3");
    const DWORD begin = GetTickCount();
    SendClick(form, form1::kStart);
    EXPECT_FALSE(ControlEnabled(form, form1::kStart));
    EXPECT_TRUE(ControlEnabled(form, form1::kStop));
    ASSERT_TRUE(WaitIdle(20000));
    const DWORD took = GetTickCount() - begin;
    EXPECT_GE(took, 2800u);  // a result every second

    const std::string record = ControlText(form, form1::kDrawRecord);
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
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), " " + results.back());
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
    EXPECT_TRUE(WaitFocusOn(form1::kStart));
    // Nothing more reaches the window.
    PumpFor(1500);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), " " + results.back());
}

TEST_F(MultiDrawE2E, FiveNamesFromAFileOfFiveAreEachTakenOnce) {
    const std::string dir = MakeProgramDirectory("multinames");
    const std::vector<std::string> names = {"张三", "李四", "王五", "赵六", "孙七"};
    std::string file;
    for (const std::string& n : names) file += n + "\r\n";
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", file));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SetControlText(form, form1::kDrawCount, "5");
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitIdle(30000));
    const std::vector<std::string> results = Words(ControlText(form, form1::kDrawRecord));
    EXPECT_EQ(std::multiset<std::string>(results.begin(), results.end()),
              std::multiset<std::string>(names.begin(), names.end()));
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
}

TEST_F(MultiDrawE2E, ElevenFromOneToTenIsRefusedAndStartsNothing) {
    Launch(MakeProgramDirectory("multi11"));
    SetControlText(form, form1::kResultDisplay, "before");
    SetControlText(form, form1::kDrawRecord, "  earlier");
    SetControlText(form, form1::kDrawCount, "11");
    const long started = Counter(kCountRollersStarted);
    ASSERT_GE(started, 0);
    PostClick(form, form1::kStart);
    HWND box = WaitForMessageBox(run.process.dwProcessId, "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kTooMany);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(WaitIdle(5000));
    EXPECT_EQ(Counter(kCountRollersStarted), started);
    PumpFor(300);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "before");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  earlier");
    EXPECT_TRUE(WaitFocusOn(form1::kStart));

    // A name file of blank lines has no name to take: refused as well.
    const std::string dir = run.directory;
    ASSERT_TRUE(WriteFileBytes(dir + "blank.txt", "\r\n   \r\n\r\n"));
    SendClick(form, form1::kRefreshFiles);  // "刷新"
    SendMenuCommand(form, menu::kNameMode);
    SetControlText(form, form1::kDrawCount, "1");
    PostClick(form, form1::kStart);
    box = WaitForMessageBox(run.process.dwProcessId, "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kTooMany);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(WaitIdle(5000));
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  earlier");
    EXPECT_TRUE(WaitFocusOn(form1::kStart));
}

TEST_F(MultiDrawE2E, StopDuringAnAutomaticDrawKeepsTheResultsTaken) {
    Launch(MakeProgramDirectory("multistop"));
    SetControlText(form, form1::kDrawCount, "5");
    SendClick(form, form1::kStart);
    DWORD start = GetTickCount();
    while (Words(ControlText(form, form1::kDrawRecord)).size() < 2 && GetTickCount() - start < 15000) PumpFor(20);
    SendClick(form, form1::kStop);
    const std::string record = ControlText(form, form1::kDrawRecord);
    const std::vector<std::string> results = Words(record);
    ASSERT_EQ(results.size(), 2u) << record;
    EXPECT_NE(results[0], results[1]);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), " " + results.back());
    PumpFor(2500);  // longer than the spacing: nothing is taken after Stop
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
    EXPECT_EQ(Counter(kCountRollersAlive), 0);
}

TEST_F(MultiDrawE2E, TheRandomIntervalTakesOneResultWithinFifteenSeconds) {
    Launch(MakeProgramDirectory("multirandom"));
    ASSERT_EQ(ComboItems(form, form1::kDrawInterval).back(), "随机(1-15)");
    SendMessageA(GetDlgItem(form, form1::kDrawInterval), CB_SETCURSEL, 10, 0);
    SetControlText(form, form1::kDrawCount, "1");
    const DWORD begin = GetTickCount();
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitIdle(20000));  // a manual draw would roll on
    EXPECT_GE(GetTickCount() - begin, 900u);
    EXPECT_EQ(Words(ControlText(form, form1::kDrawRecord)).size(), 1u);
}

TEST_F(MultiDrawE2E, TheSpaceBarStartsStopsAndStartsAgain) {
    Launch(MakeProgramDirectory("space"));
    ASSERT_TRUE(WaitFocusOn(form1::kStart));
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(form1::kStop));
    EXPECT_TRUE(ControlEnabled(form, form1::kStop));
    EXPECT_FALSE(ControlEnabled(form, form1::kStart));
    PumpFor(200);
    EXPECT_FALSE(ControlText(form, form1::kResultDisplay).empty());

    PressSpace();
    ASSERT_TRUE(WaitFocusOn(form1::kStart));
    EXPECT_TRUE(Idle());
    const std::string shown = ControlText(form, form1::kResultDisplay);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + shown);

    PressSpace();
    ASSERT_TRUE(WaitFocusOn(form1::kStop));
    EXPECT_FALSE(ControlEnabled(form, form1::kStart));
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(form1::kStart));
    EXPECT_EQ(Words(ControlText(form, form1::kDrawRecord)).size(), 2u);

    // A mode change leaves the keyboard on Start too.
    PressSpace();
    ASSERT_TRUE(WaitFocusOn(form1::kStop));
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_TRUE(WaitFocusOn(form1::kStart));
    EXPECT_TRUE(Idle());
}

}  // namespace
