// The main window of the real program, driven from outside: what start-up
// fills in, the clock, the panel toggle, maximising, draws in both modes, mode
// changes during a draw, the draw record, and limits a user should not type.
#include "tests/e2e/fixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

const int kNameControls[] = {form1::kEditFile,     form1::kNewFile,      form1::kDeleteFile,
                              form1::kRefreshFiles, form1::kNameFileList, form1::kFileListLabel};

// " 7", "-3": the sign blank or the minus, then digits, nothing else.

int SecondsOfDay(const std::string& hhmmss) {
    int h = 0, m = 0, s = 0;
    char tail = 0;
    if (hhmmss.size() != 8 || hhmmss[2] != ':' || hhmmss[5] != ':') return -1;
    for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
        if (hhmmss[i] < '0' || hhmmss[i] > '9') return -1;
    if (std::sscanf(hhmmss.c_str(), "%2d:%2d:%2d%c", &h, &m, &s, &tail) != 3) return -1;
    if (h > 23 || m > 59 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}

class MainWindowE2E : public TobrixE2E {
protected:
    // Starts a draw and waits until the display shows a first candidate.
    std::string StartAndWaitForCandidate() {
        SetControlText(form, form1::kResultDisplay, "");  // so that the first candidate is told from the last result
        SendClick(form, form1::kStart);
        std::string shown;
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000, &shown));
        return shown;
    }

    void ExpectIdleButtons() {
        EXPECT_TRUE(ControlEnabled(form, form1::kStart));
        EXPECT_FALSE(ControlEnabled(form, form1::kStop));
    }

    // The display must stay as it is: nothing of an ended draw may reach it.
    void ExpectDisplayStays(const std::string& text) {
        for (int i = 0; i < 10; ++i) {
            PumpFor(30);
            ASSERT_EQ(ControlText(form, form1::kResultDisplay), text);
        }
    }

    void ExpectNameControlsShown(bool shown) {
        for (int id : kNameControls) EXPECT_EQ(ControlVisible(form, id), shown) << "control " << id;
    }

};

TEST_F(MainWindowE2E, StartUpFillsListsDateAndClockAndCollapsesWindow) {
    std::string dir = MakeProgramDirectory("startup");
    ASSERT_TRUE(WriteFileBytes(dir + "b.txt", "X1\r\nY1\r\nZ1"));
    ASSERT_TRUE(WriteFileBytes(dir + "c.txt", "X2\r\nY2"));
    ASSERT_TRUE(WriteFileBytes(dir + "a.txt", "X3"));
    // Neither a hidden ".txt" nor another extension is a name file.
    ASSERT_TRUE(WriteFileBytes(dir + "hidden.txt", "H"));
    SetFileAttributesA((dir + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(WriteFileBytes(dir + "notes.dat", "N"));
    std::vector<std::string> order = TxtFilesInSearchOrder(dir);
    ASSERT_EQ(order.size(), 3u);
    Launch(dir);

    EXPECT_EQ(ComboItems(form, form1::kNameFileList), order);
    EXPECT_EQ(ComboSelection(form, form1::kNameFileList), 0);
    // Each CR-separated piece followed by LF CR; later pieces keep their LF.
    const std::string shownAs[] = {"X1\n\r\nY1\n\r\nZ1\n\r", "X2\n\r\nY2\n\r", "X3\n\r"};
    const std::string firstName = order[0];
    int first = firstName == "b.txt" ? 0 : firstName == "c.txt" ? 1 : 2;
    EXPECT_EQ(ControlText(form, form1::kNamesBox), shownAs[first]);

    std::vector<std::string> intervals = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                                          "随机(1-15)"};
    EXPECT_EQ(ComboItems(form, form1::kDrawInterval), intervals);
    EXPECT_EQ(ComboSelection(form, form1::kDrawInterval), 0);
    EXPECT_EQ(ComboItems(form, form1::kStepList), std::vector<std::string>{"1"});
    EXPECT_EQ(ComboSelection(form, form1::kStepList), 0);
    ExpectNameControlsShown(false);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");

    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    std::snprintf(date, sizeof date, "%02u-%02u-%04u", today.wMonth, today.wDay, today.wYear);
    EXPECT_EQ(StatusBarText(run), date);
    // The window text of the bar is its part 0 as well.
    EXPECT_EQ(WindowText(GetDlgItem(form, form1::kStatusBar)), date);
    EXPECT_TRUE(StatusBarFlags(form) & SBT_NOBORDERS);

    SIZE size = OuterSize(form);
    EXPECT_EQ(size.cx, 1097);
    EXPECT_EQ(size.cy, 565);

    // The clock: HH:MM:SS, near our own time, one step of one second at a time.
    std::vector<int> seen;
    DWORD startTick = GetTickCount();
    while (GetTickCount() - startTick < 3300) {
        std::string text = ControlText(form, form1::kClock);
        int s = SecondsOfDay(text);
        ASSERT_GE(s, 0) << "clock shows '" << text << "'";
        if (seen.empty() || seen.back() != s) {
            if (!seen.empty()) {
                EXPECT_EQ((s - seen.back() + 86400) % 86400, 1) << text;
            }
            seen.push_back(s);
            SYSTEMTIME now;
            GetLocalTime(&now);
            int ours = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
            int late = (ours - s + 86400) % 86400;
            EXPECT_TRUE(late <= 2 || late == 86399) << text;
        }
        PumpFor(50);
    }
    EXPECT_GE(seen.size(), 3u);
}

TEST_F(MainWindowE2E, ToggleLabelExpandsAndCollapsesWithStatusBarAtBottom) {
    Launch(MakeProgramDirectory("toggle"));
    // The bar is placed at H - 62, W wide, but a CCS_BOTTOM bar settles itself
    // at the bottom of the client area, as wide as the client: that is where
    // it must end up, 20 high, whatever the frame metrics.
    auto expectBarAtBottom = [&]() -> int {
        RECT bar = ControlRectInClient(form, form1::kStatusBar), client;
        GetClientRect(form, &client);
        EXPECT_EQ(bar.left, 0);
        EXPECT_EQ(bar.bottom, client.bottom);
        EXPECT_EQ(bar.bottom - bar.top, 20);
        EXPECT_EQ(bar.right - bar.left, client.right);
        EXPECT_TRUE(ControlVisible(form, form1::kStatusBar));
        return bar.top;
    };
    ASSERT_EQ(OuterSize(form).cy, 565);
    int collapsedTop = expectBarAtBottom();

    // Hovering is not pressing.
    HWND label = GetDlgItem(form, form1::kPanelToggle);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(OuterSize(form).cy, 565);

    SendLabelPress(form, form1::kPanelToggle);
    EXPECT_EQ(OuterSize(form).cx, 1097);
    EXPECT_EQ(OuterSize(form).cy, 753);
    EXPECT_EQ(expectBarAtBottom(), collapsedTop + 188);
    EXPECT_EQ(ControlText(form, form1::kPanelToggle), "模式切换>>");
    // The lower panel is in view now.
    EXPECT_LE(ControlRectInClient(form, form1::kDrawRecord).bottom, ControlRectInClient(form, form1::kStatusBar).top);

    SendLabelPress(form, form1::kPanelToggle);
    EXPECT_EQ(OuterSize(form).cy, 565);
    EXPECT_EQ(expectBarAtBottom(), collapsedTop);

    // The same with the real mouse: press and release over the label.
    MouseClickControl(form, form1::kPanelToggle);
    PumpFor(300);
    EXPECT_EQ(OuterSize(form).cy, 753);
    MouseClickControl(form, form1::kPanelToggle);
    PumpFor(300);
    EXPECT_EQ(OuterSize(form).cy, 565);
    EXPECT_TRUE(Responds(form, 2000));
}

TEST_F(MainWindowE2E, MaximiseHidesToggleAndMovesContactLabelsRestoreLeavesThem) {
    Launch(MakeProgramDirectory("maximise"));
    RECT before125 = ControlRectInClient(form, form1::kContactLabel);
    RECT oldFrame = ControlRectInClient(form, form1::kSettingsFrame);
    ASSERT_TRUE(ControlVisible(form, form1::kPanelToggle));

    PumpFor(800);  // painted as a user sees it before maximising
    SendMessageA(form, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(IsZoomed(form));
    SIZE big = OuterSize(form);
    EXPECT_GT(big.cx, 1097);
    EXPECT_FALSE(ControlVisible(form, form1::kPanelToggle));
    RECT r125 = ControlRectInClient(form, form1::kContactLabel), r126 = ControlRectInClient(form, form1::kWebLabel);
    EXPECT_EQ(r125.left, big.cx - 180);
    EXPECT_EQ(r125.top, big.cy - 83);
    EXPECT_EQ(r126.left, big.cx - 100);
    EXPECT_EQ(r126.top, big.cy - 83);
    RECT bar = ControlRectInClient(form, form1::kStatusBar), client;
    GetClientRect(form, &client);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
    EXPECT_EQ(bar.bottom - bar.top, 20);
    RECT band = ControlRectInClient(form, form1::kPicture), display = ControlRectInClient(form, form1::kResultDisplay);
    EXPECT_EQ(band.right - band.left, big.cx);
    EXPECT_EQ(band.bottom - band.top, 337);
    // The display sits in the middle of the band (to the pixel, either way).
    EXPECT_LE(std::abs((display.left - band.left) - (band.right - display.right)), 1);
    EXPECT_LE(std::abs((display.top - band.top) - (band.bottom - display.bottom)), 1);
    RECT frame = ControlRectInClient(form, form1::kSettingsFrame);
    EXPECT_EQ(frame.right - frame.left, big.cx - 34);
    EXPECT_EQ(frame.bottom - frame.top, 73);
    // Where the frame's right edge was, the widened frame shows plain
    // background like its surroundings, not a leftover line.
    auto expectNoOldFrameEdge = [&]() {
        PumpFor(500);
        int y = frame.top + 60;
        COLORREF plain = ScreenPixelInClient(form, POINT{oldFrame.right - 30, y});
        for (int x = oldFrame.right - 4; x < oldFrame.right; ++x)
            EXPECT_EQ(ScreenPixelInClient(form, POINT{x, y}), plain) << "x = " << x;
    };
    expectNoOldFrameEdge();

    SendMessageA(form, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_FALSE(IsZoomed(form));
    EXPECT_EQ(OuterSize(form).cx, 1097);
    EXPECT_EQ(OuterSize(form).cy, 565);
    EXPECT_TRUE(ControlVisible(form, form1::kPanelToggle));
    RECT after125 = ControlRectInClient(form, form1::kContactLabel), after126 = ControlRectInClient(form, form1::kWebLabel);
    EXPECT_EQ(after125.left, r125.left);
    EXPECT_EQ(after125.top, r125.top);
    EXPECT_EQ(after126.left, r126.left);
    EXPECT_EQ(after126.top, r126.top);
    EXPECT_NE(after125.left, before125.left);
    EXPECT_EQ(ControlRectInClient(form, form1::kPicture).right - ControlRectInClient(form, form1::kPicture).left, 1097);

    // Once more, from the restored window as painted.
    PumpFor(800);
    SendMessageA(form, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(IsZoomed(form));
    {
        SCOPED_TRACE("maximised again");
        expectNoOldFrameEdge();
    }
    SendMessageA(form, WM_SYSCOMMAND, SC_RESTORE, 0);
}

TEST_F(MainWindowE2E, DrawsInBothModesBuildTheRecordAndClearEmptiesIt) {
    std::string dir = MakeProgramDirectory("draws");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四\r\n王五"));
    Launch(dir);
    const std::set<std::string> names = {"张三", "李四", "王五"};
    std::string expected;

    StartAndWaitForCandidate();
    SendClick(form, form1::kStop);
    std::string first = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(IsSignedWhole(first) && atoi(first.c_str()) >= 1 && atoi(first.c_str()) <= 10)
        << first;
    expected += "  " + first;
    ExpectIdleButtons();

    // Negative numbers bring their minus instead of the sign blank.
    SetControlText(form, form1::kLowerLimit, "-3");
    SetControlText(form, form1::kUpperLimit, "-2");
    StartAndWaitForCandidate();
    SendClick(form, form1::kStop);
    std::string second = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(second == "-3" || second == "-2") << second;
    expected += "  " + second;
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), expected);

    SendMenuCommand(form, menu::kNameMode);
    ExpectNameControlsShown(true);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), std::vector<std::string>{"names.txt"});
    std::string candidate = StartAndWaitForCandidate();
    EXPECT_TRUE(names.count(candidate)) << candidate;
    EXPECT_FALSE(ControlEnabled(form, form1::kStart));
    EXPECT_TRUE(ControlEnabled(form, form1::kStop));
    SendClick(form, form1::kStop);
    std::string third = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(names.count(third)) << third;
    expected += "  " + third;
    ExpectIdleButtons();
    ExpectDisplayStays(third);

    // Back to numbers: the record keeps both kinds, in the order stopped.
    SendMenuCommand(form, menu::kNumberMode);
    StartAndWaitForCandidate();
    SendClick(form, form1::kStop);
    std::string fourth = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(fourth == "-3" || fourth == "-2") << fourth;
    expected += "  " + fourth;
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), expected);

    ASSERT_NE(ControlText(form, form1::kNamesBox), "");
    SendClick(form, form1::kClear);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");
    EXPECT_EQ(ControlText(form, form1::kNamesBox), "");
    // Cleared for good: a later draw starts a new record.
    StartAndWaitForCandidate();
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + ControlText(form, form1::kResultDisplay));
    EXPECT_EQ(ControlText(form, form1::kNamesBox), "");
}

TEST_F(MainWindowE2E, ModeChangeDuringDrawAbandonsIt) {
    std::string dir = MakeProgramDirectory("abandon");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四\r\n王五"));
    Launch(dir);

    StartAndWaitForCandidate();
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "");
    ExpectIdleButtons();
    ExpectNameControlsShown(true);
    EXPECT_FALSE(ControlEnabled(form, form1::kLowerLimit));
    EXPECT_FALSE(ControlEnabled(form, form1::kUpperLimit));
    EXPECT_FALSE(ControlEnabled(form, form1::kStepList));
    EXPECT_TRUE(ControlEnabled(form, form1::kJumpFrequency));
    ExpectDisplayStays("");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");

    StartAndWaitForCandidate();
    SendMenuCommand(form, menu::kNumberMode);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "");
    ExpectIdleButtons();
    ExpectNameControlsShown(false);
    for (int id : {form1::kStepList, form1::kJumpFrequency, form1::kLowerLimit, form1::kUpperLimit}) EXPECT_TRUE(ControlEnabled(form, id)) << id;
    ExpectDisplayStays("");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");

    // The window still draws normally afterwards.
    StartAndWaitForCandidate();
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + ControlText(form, form1::kResultDisplay));
}

TEST_F(MainWindowE2E, UnusualLimitsAreRefusedOrDrawnAsTheyRead) {
    Launch(MakeProgramDirectory("limits"));
    auto expectRefused = [&](const char* lower, const char* upper) {
        SCOPED_TRACE(std::string(lower) + " / " + upper);
        SetControlText(form, form1::kLowerLimit, lower);
        SetControlText(form, form1::kUpperLimit, upper);
        PostClick(form, form1::kStart);
        HWND box = WaitForMessageBox(run.process.dwProcessId, "提示", 5000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), "上限和下限必须拉开差距");
        DismissMessageBox(box);
        ASSERT_TRUE(WaitForWindowGone(box, 5000));
        ASSERT_TRUE(Responds(form, 5000));
        ExpectDisplayStays("");
        EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");
    };
    expectRefused("-", "-");                // no digits: 0 and 0
    expectRefused("1", "&HFFFFFFFF");       // -1
    expectRefused("1E5000", "1E5000");      // the same huge value twice

    // -1 and a value beyond every integer, which wraps to 0.
    SetControlText(form, form1::kLowerLimit, "&HFFFFFFFF");
    SetControlText(form, form1::kUpperLimit, "1E5000");
    StartAndWaitForCandidate();
    for (int i = 0; i < 30; ++i) {
        std::string s = ControlText(form, form1::kResultDisplay);
        ASSERT_TRUE(s == "-1" || s == " 0") << "'" << s << "'";
        PumpFor(10);
    }
    SendClick(form, form1::kStop);
    std::string result = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(result == "-1" || result == " 0") << result;
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + result);
}

}  // namespace
