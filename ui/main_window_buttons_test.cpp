// Start and Stop: the keyboard goes to the one enabled button, which also
// carries the default frame, and a Stop right after Start records this draw.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/draw_session.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "ui/handlers.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"

namespace {

struct ButtonCase {
    const char* name;
    int focusedBefore;  // a control ID
    bool rolling;       // the state the buttons are set to
};

const ButtonCase kCases[] = {
    {"Stop pressed by keyboard", form1::kStop, false},
    {"Start pressed by keyboard", form1::kStart, true},
    {"Stop clicked while typing a limit", form1::kLowerLimit, false},
    {"Start clicked while typing a limit", form1::kUpperLimit, true},
    {"already idle", form1::kStart, false},
};

bool HasDefaultFrame(HWND button) { return (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON; }

TEST(MainWindowButtons, FocusAndDefaultFrameFollowTheEnabledButton) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    ShowWindow(form, SW_SHOW);
    SetForegroundWindow(form);
    DrawHost& host = MainWindowOf(form).session->windowTasks();
    HWND start = GetDlgItem(form, form1::kStart), stop = GetDlgItem(form, form1::kStop);
    for (const ButtonCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // The state before: the other button enabled, the focus where the case puts it.
        host.setButtonsRolling(!c.rolling);
        host.focusEnabledButton();
        SetFocus(GetDlgItem(form, c.focusedBefore));

        host.setButtonsRolling(c.rolling);
        host.focusEnabledButton();

        HWND enabled = c.rolling ? stop : start, disabled = c.rolling ? start : stop;
        EXPECT_TRUE(IsWindowEnabled(enabled));
        EXPECT_FALSE(IsWindowEnabled(disabled));
        EXPECT_EQ(GetFocus(), enabled);
        EXPECT_TRUE(HasDefaultFrame(enabled));
        EXPECT_FALSE(HasDefaultFrame(disabled));
    }
    DestroyWindow(form);
}

// A window of the program's own over the main window (the presenter view)
// keeps the keyboard and stays active while its clicker starts and stops.
TEST(MainWindowButtons, AnOwnedWindowInFrontKeepsTheKeyboard) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    ShowWindow(form, SW_SHOW);
    SetForegroundWindow(form);
    HWND view = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, form, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(view, nullptr);
    SetActiveWindow(view);
    SetFocus(view);
    ASSERT_EQ(GetActiveWindow(), view);
    DrawHost& host = MainWindowOf(form).session->windowTasks();
    for (bool rolling : {true, false}) {
        host.setButtonsRolling(rolling);
        host.focusEnabledButton();
        EXPECT_EQ(GetActiveWindow(), view) << rolling;
        EXPECT_EQ(GetFocus(), view) << rolling;
    }
    // Back in the main window, the enabled button takes it again.
    DestroyWindow(view);
    SetActiveWindow(form);
    host.focusEnabledButton();
    EXPECT_EQ(GetFocus(), GetDlgItem(form, form1::kStart));
    DestroyWindow(form);
}

// A Stop sent right after Start must find this draw's first candidate on the
// display, not the text the display showed before.
TEST(MainWindowButtons, StartReturnsWithTheFirstCandidateShown) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    SetDlgItemTextA(form, form1::kLowerLimit, "1");
    SetDlgItemTextA(form, form1::kUpperLimit, "10");
    SetDlgItemTextA(form, form1::kJumpFrequency, "0");
    for (int draw = 0; draw < 20; ++draw) {
        SetDlgItemTextA(form, form1::kResultDisplay, "before");
        HandleStart(form, form1::kStart, 0, 0, 0, 0);
        const std::string shown = ControlText(form, form1::kResultDisplay);
        HandleStop(form, form1::kStop, 0, 0, 0, 0);
        ASSERT_NE(shown, "before") << draw;
        const std::string record = ControlText(form, form1::kDrawRecord);
        EXPECT_EQ(record.substr(record.size() - shown.size() - 2), "  " + shown) << draw;
    }
    DestroyWindow(form);
}

// Each FORM1 owns its draw: a second one neither ends nor replaces the
// first one's, and the forms a main window opens find it as their owner.
TEST(MainWindowOwner, EachFormKeepsItsOwnDrawAndItsFormsFindIt) {
    HWND first = CreateForm(kMainFormName, nullptr, 0), second = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    MainWindow& owner = MainWindowOf(first);
    EXPECT_EQ(&MainWindowOf(first), &owner);
    EXPECT_NE(&MainWindowOf(second), &owner);
    for (HWND form : {first, second}) {
        SetDlgItemTextA(form, form1::kLowerLimit, "1");
        SetDlgItemTextA(form, form1::kUpperLimit, "10");
    }
    HandleStart(first, form1::kStart, 0, 0, 0, 0);
    HandleStart(second, form1::kStart, 0, 0, 0, 0);
    HandleStop(second, form1::kStop, 0, 0, 0, 0);
    EXPECT_TRUE(owner.session->rolling());
    HandleStop(first, form1::kStop, 0, 0, 0, 0);
    EXPECT_EQ(owner.session->sessionResults().size(), 1u);
    EXPECT_EQ(MainWindowOf(second).session->sessionResults().size(), 1u);

    HWND about = CreateForm(kAboutFormName, first, 0);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(FindMainWindow(about), &owner);
    DestroyWindow(about);
    DestroyWindow(second);
    DestroyWindow(first);
}

}  // namespace
