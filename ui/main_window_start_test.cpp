// FORM1 prepared before its first show: collapsed and laid out while hidden,
// it must end start-up exactly where and as the window shown first and
// collapsed by its initialisation ends; other show commands leave it alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "framework/form_registry.h"
#include "framework/forms.h"
#include "framework/startup.h"
#include "tests/support/framework_test_support.h"
#include "runtime/numbers.h"
#include "ui/ids.h"
#include "ui/main_window.h"

namespace {

struct ControlState {
    int id;
    RECT place;  // in FORM1's client area
    bool visible;
};

struct Standing {
    RECT outer{};
    std::vector<ControlState> controls;
};

BOOL CALLBACK NoteControl(HWND control, LPARAM out) {
    HWND form = GetParent(control);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    reinterpret_cast<Standing*>(out)->controls.push_back(
        {GetDlgCtrlID(control), place, IsWindowVisible(control) != FALSE});
    return TRUE;
}

// Runs the program's start-up with `prepare` in the registry and notes how
// FORM1 stands once its initialisation is over, then closes it.
Standing StartUp(void (*prepare)(HWND, int), int showCommand) {
    const FormRegistry registered = RegisteredForms();
    FormRegistry forms = registered;
    forms.prepareMainForm = prepare;
    HWND main = nullptr;
    forms.mainWindow = &main;
    RegisterForms(forms);
    Standing standing;
    fwtest::StartSteps([&](int) {
        GetWindowRect(main, &standing.outer);
        EnumChildWindows(main, NoteControl, reinterpret_cast<LPARAM>(&standing));
        CloseForm(main);
        return true;
    });
    ApplicationStart(GetModuleHandleA(nullptr), nullptr, "", showCommand);
    RegisterForms(registered);
    return standing;
}

TEST(MainWindowStart, PreparedWindowEndsStartUpAsTheWindowCollapsedAfterItsShow) {
    const Standing prepared = StartUp(PrepareMainWindow, SW_SHOWNORMAL);
    const Standing plain = StartUp(nullptr, SW_SHOWNORMAL);
    EXPECT_TRUE(EqualRect(&prepared.outer, &plain.outer));
    ASSERT_EQ(prepared.controls.size(), plain.controls.size());
    ASSERT_GE(prepared.controls.size(), 30u);
    for (size_t i = 0; i < plain.controls.size(); ++i) {
        SCOPED_TRACE(plain.controls[i].id);
        EXPECT_EQ(prepared.controls[i].id, plain.controls[i].id);
        EXPECT_TRUE(EqualRect(&prepared.controls[i].place, &plain.controls[i].place));
        EXPECT_EQ(prepared.controls[i].visible, plain.controls[i].visible);
    }
}

struct ShowCase {
    int showCommand;
    bool visibleAlready;
    bool collapses;
};

const ShowCase kShowCases[] = {
    {SW_SHOWNORMAL, false, true},      {SW_SHOW, false, true},          {SW_SHOWDEFAULT, false, true},
    {SW_SHOWNOACTIVATE, false, true},  {SW_SHOWMINNOACTIVE, false, false}, {SW_SHOWMINIMIZED, false, false},
    {SW_SHOWMAXIMIZED, false, false},  {SW_MINIMIZE, false, false},     {SW_HIDE, false, false},
    {SW_SHOWNORMAL, true, false},
};

TEST(MainWindowStart, OnlyAWindowAboutToBeShownNormallyIsPrepared) {
    for (const ShowCase& c : kShowCases) {
        SCOPED_TRACE(testing::Message() << "show command " << c.showCommand << (c.visibleAlready ? ", visible" : ""));
        HWND form = CreateForm(kMainFormName, nullptr, 0);
        ASSERT_NE(form, nullptr);
        if (c.visibleAlready) ShowWindow(form, SW_SHOWNOACTIVATE);
        RECT before;
        GetWindowRect(form, &before);
        PrepareMainWindow(form, c.showCommand);
        RECT after;
        GetWindowRect(form, &after);
        const int height = before.bottom - before.top;
        EXPECT_EQ(after.right - after.left, before.right - before.left);
        EXPECT_EQ(after.bottom - after.top, c.collapses ? RoundHalfEven(3.0 * height / 4.0) : height);
        EXPECT_EQ(IsWindowVisible(form) != FALSE, c.visibleAlready);
        DestroyWindow(form);
    }
}

}  // namespace
