// The presenter view of the real program, driven as a clicker and an operator
// would: it covers the monitor, follows the display, starts and stops draws
// from its keys and clicks, sizes names to the screen, and comes and goes
// without leaving anything behind.
#include "tests/e2e/fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/e2e/process_census.h"
#include "ui/ids.h"

namespace {

const char kViewClass[] = "TobrixPresenterView";
const char kViewCaption[] = "全屏展示";

long ViewProperty(HWND view, const char* name) {
    return static_cast<long>(reinterpret_cast<intptr_t>(GetPropA(view, name)));
}

class PresenterViewE2E : public TobrixE2E {
protected:
    std::vector<HWND> Views() {
        std::vector<HWND> views;
        for (HWND w : TopLevelWindows(pid()))
            if (WindowClass(w) == kViewClass) views.push_back(w);
        return views;
    }

    HWND WaitForView(DWORD timeoutMs = 5000) {
        DWORD start = GetTickCount();
        do {
            std::vector<HWND> views = Views();
            if (!views.empty()) return views.front();
            PumpFor(20);
        } while (GetTickCount() - start < timeoutMs);
        return nullptr;
    }

    HWND OpenView() {
        SendMenuCommand(form, menu::kPresenterView);
        return WaitForView();
    }

    // A key as a clicker sends it: pressed once, not held.
    void PostKey(HWND view, WPARAM key, bool repeated = false) {
        PostMessageA(view, WM_KEYDOWN, key, repeated ? 0x40000001 : 0x00000001);
    }

    bool WaitForDrawing(bool drawing, DWORD timeoutMs = 5000) {
        return WaitForEnabled(GetDlgItem(form, form1::kStop), drawing, timeoutMs) &&
               WaitForEnabled(GetDlgItem(form, form1::kStart), !drawing, timeoutMs);
    }

    // One draw from the view's keys, stopped once the display shows `name`.
    std::string DrawOnce(HWND view, const std::string& name) {
        PostKey(view, VK_SPACE);
        EXPECT_TRUE(WaitForDrawing(true));
        static std::string expected;
        expected = name;
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, [](const std::string& s) { return s == expected; }, 5000));
        PostKey(view, VK_NEXT);
        EXPECT_TRUE(WaitForDrawing(false));
        return ControlText(form, form1::kResultDisplay);
    }

    // Whether some pixel across the middle of the view's text is pure red
    // on the screen, now or before the time is up.
    bool WaitForRedInTextBand(HWND view, DWORD timeoutMs) {
        RECT screen;
        GetWindowRect(view, &screen);
        const long width = screen.right - screen.left, middle = screen.top + (screen.bottom - screen.top) / 2;
        HDC dc = GetDC(nullptr);
        bool red = false;
        const DWORD start = GetTickCount();
        do {
            const long textWidth = ViewProperty(view, "TobrixViewTextWidth");
            for (long x = (width - textWidth) / 2; x < (width + textWidth) / 2 && !red; x += 2)
                red = GetPixel(dc, screen.left + x, middle) == RGB(255, 0, 0);
            if (!red) PumpFor(20);
        } while (!red && GetTickCount() - start < timeoutMs);
        ReleaseDC(nullptr, dc);
        return red;
    }

    RECT MonitorOfForm() {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoA(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &info);
        return info.rcMonitor;
    }
};

TEST_F(PresenterViewE2E, CoversTheMonitorAndClickerKeysStartAndStop) {
    Launch(MakeProgramDirectory("presenter_keys"));
    HWND view = OpenView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(WindowText(view), kViewCaption);
    RECT rect, monitor = MonitorOfForm();
    GetWindowRect(view, &rect);
    EXPECT_TRUE(EqualRect(&rect, &monitor)) << rect.left << "," << rect.top << "-" << rect.right << "," << rect.bottom;
    EXPECT_EQ(GetAncestor(view, GA_PARENT), GetDesktopWindow());  // top-level
    EXPECT_EQ(GetWindow(view, GW_OWNER), form);
    EXPECT_EQ(GetWindowLongA(view, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);

    const std::string recordBefore = ControlText(form, form1::kDrawRecord);
    struct Press {
        WPARAM start, stop;
    } presses[] = {{VK_SPACE, VK_NEXT},  {VK_NEXT, VK_SPACE}, {VK_RETURN, VK_PRIOR},
                   {VK_RIGHT, VK_LEFT},  {VK_DOWN, VK_UP},    {VK_OEM_PERIOD, VK_OEM_PERIOD}};
    int results = 0;
    for (const Press& p : presses) {
        PostKey(view, p.start);
        ASSERT_TRUE(WaitForDrawing(true)) << "start key " << p.start;
        // A held key repeats: nothing more happens until it is pressed again.
        PostKey(view, p.stop, true);
        PumpFor(200);
        EXPECT_TRUE(ControlEnabled(form, form1::kStop)) << "repeat of " << p.stop;
        PostKey(view, p.stop);
        ASSERT_TRUE(WaitForDrawing(false)) << "stop key " << p.stop;
        ++results;
    }
    // A left click starts and stops as well.
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    ASSERT_TRUE(WaitForDrawing(true));
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    ASSERT_TRUE(WaitForDrawing(false));
    ++results;

    // Each stop added one entry to the record; the view still has the keyboard.
    const std::string record = ControlText(form, form1::kDrawRecord);
    int entries = 0;
    for (size_t at = record.find("  ", recordBefore.size()); at != std::string::npos; at = record.find("  ", at + 2))
        ++entries;
    EXPECT_EQ(entries, results) << record;
    EXPECT_EQ(GetForegroundWindow(), view);

    // Keys that mean nothing to the view do nothing.
    PostKey(view, 'A');
    PostKey(view, VK_TAB);
    PumpFor(200);
    EXPECT_TRUE(ControlEnabled(form, form1::kStart));
    EXPECT_TRUE(IsWindow(view));

    PostKey(view, VK_ESCAPE);
    EXPECT_TRUE(WaitForWindowGone(view, 3000));
    EXPECT_TRUE(Views().empty());
    EXPECT_TRUE(Responds(form, 2000));
    SendClick(form, form1::kStart);
    EXPECT_TRUE(WaitForDrawing(true));
    SendClick(form, form1::kStop);
    EXPECT_TRUE(WaitForDrawing(false));
}

TEST_F(PresenterViewE2E, TextFollowsTheDisplayCandidateByCandidate) {
    std::string dir = MakeProgramDirectory("presenter_follow");
    const std::string shortName = "甲乙", longName = "一二三四五六七八九十一二三四五六七八九十";
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", shortName + "\r\n" + longName));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SetControlText(form, form1::kJumpFrequency, "150");
    HWND view = OpenView();
    ASSERT_NE(view, nullptr);

    // Operated from the main window underneath this time.
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitForDrawing(true));
    std::map<std::string, std::set<long>> heights;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 4000) {
        const std::string before = ControlText(form, form1::kResultDisplay);
        const long height = ViewProperty(view, "TobrixViewFontHeight");
        const std::string after = ControlText(form, form1::kResultDisplay);
        if (before == after && !before.empty()) heights[before].insert(height);
        PumpFor(15);
    }
    SendClick(form, form1::kStop);
    ASSERT_TRUE(WaitForDrawing(false));

    // Both names were seen, each always at its own size, the long one smaller.
    ASSERT_EQ(heights.size(), 2u);
    ASSERT_EQ(heights[shortName].size(), 1u);
    ASSERT_EQ(heights[longName].size(), 1u);
    EXPECT_GT(*heights[shortName].begin(), *heights[longName].begin());
    const std::string result = ControlText(form, form1::kResultDisplay);
    EXPECT_EQ(ViewProperty(view, "TobrixViewFontHeight"), *heights[result].begin());
}

TEST_F(PresenterViewE2E, ShortNamesFillTheScreenLongNamesFitInside) {
    std::string dir = MakeProgramDirectory("presenter_sizes");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张伟"));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    HWND view = OpenView();
    ASSERT_NE(view, nullptr);
    RECT screen;
    GetWindowRect(view, &screen);
    const long width = screen.right - screen.left, height = screen.bottom - screen.top;

    ASSERT_EQ(DrawOnce(view, "张伟"), "张伟");
    EXPECT_GE(ViewProperty(view, "TobrixViewTextHeight") * 10, height * 4);
    EXPECT_LE(ViewProperty(view, "TobrixViewTextHeight") * 10, height * 6);
    EXPECT_LE(ViewProperty(view, "TobrixViewTextWidth") * 10, width * 9);
    // The display's colour at the middle of the characters' strokes: some
    // pixel of the text's band is the display's red. The buttons turn in the
    // middle of Stop, and what the view paints reaches the screen once the
    // program is idle, so the band is watched until it shows.
    EXPECT_TRUE(WaitForRedInTextBand(view, 5000));

    std::string longName;
    for (int i = 0; i < 30; ++i) longName += "名";
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", longName));
    ASSERT_EQ(DrawOnce(view, longName), longName);
    const long longWidth = ViewProperty(view, "TobrixViewTextWidth");
    EXPECT_GT(longWidth, width / 2);
    EXPECT_LE(longWidth * 10, width * 9);
    EXPECT_LE(ViewProperty(view, "TobrixViewTextHeight") * 10, height * 6);
    EXPECT_GT(ViewProperty(view, "TobrixViewFontHeight"), 0);
}

TEST_F(PresenterViewE2E, TogglingAHundredTimesLeavesNothingBehind) {
    Launch(MakeProgramDirectory("presenter_toggle"));
    // Once open and closed, so that what a first view loads is counted before.
    ASSERT_NE(OpenView(), nullptr);
    SendMenuCommand(form, menu::kPresenterView);
    ASSERT_TRUE(Views().empty());
    const uint64_t bytesBefore = ProcessPrivateBytes(run.process.hProcess);

    for (int i = 0; i < 100; ++i) PostMenuCommand(form, menu::kPresenterView);
    // Posted messages come in order: once name mode shows, every toggle is done.
    PostMenuCommand(form, menu::kNameMode);
    DWORD start = GetTickCount();
    while (!ControlVisible(form, form1::kEditFile) && GetTickCount() - start < 30000) PumpFor(50);
    ASSERT_TRUE(ControlVisible(form, form1::kEditFile));
    EXPECT_TRUE(Views().empty());
    // Opened by the command, closed by F11 in the view, as fast as it goes.
    for (int i = 0; i < 20; ++i) {
        HWND view = OpenView();
        ASSERT_NE(view, nullptr) << i;
        PostKey(view, VK_F11);
        ASSERT_TRUE(WaitForWindowGone(view, 3000)) << i;
    }
    ASSERT_TRUE(Responds(form, 5000));
    EXPECT_TRUE(Views().empty());
    // Each view holds two screen-sized bitmaps: 120 views kept would be
    // gigabytes; a little allocator slack is not.
    const uint64_t bytesAfter = ProcessPrivateBytes(run.process.hProcess);
    EXPECT_LT(bytesAfter, bytesBefore + 32u * 1024 * 1024) << bytesBefore << " -> " << bytesAfter;

    // Still works afterwards.
    HWND view = OpenView();
    ASSERT_NE(view, nullptr);
    PostKey(view, VK_SPACE);
    EXPECT_TRUE(WaitForDrawing(true));
    PostKey(view, VK_SPACE);
    EXPECT_TRUE(WaitForDrawing(false));
}

TEST_F(PresenterViewE2E, ClosingTheProgramClosesTheView) {
    Launch(MakeProgramDirectory("presenter_exit"));
    HWND view = OpenView();
    ASSERT_NE(view, nullptr);
    PostKey(view, VK_SPACE);
    ASSERT_TRUE(WaitForDrawing(true));
    PostClick(form, form1::kClose);
    EXPECT_EQ(WaitForExit(run, 10000), 0u);
    EXPECT_FALSE(IsWindow(view));
}

}  // namespace
