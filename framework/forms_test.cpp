#include "framework/forms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <thread>

#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/form_registry.h"
#include "framework/startup.h"
#include "tests/support/message_sequences.h"
#include "tests/support/framework_test_support.h"
#include "runtime/window_records.h"
#include "ui/main_window.h"

using namespace fwtest;

namespace {

// ---- Template and menu ----

struct TemplateCase {
    DWORD style;
    bool hasOwner;
    int x, y;
    DWORD expected;
};

const int kUnplaced = static_cast<int>(0x80000000);

const TemplateCase kTemplateCases[] = {
    {0x06CF0000, false, kUnplaced, kUnplaced, 0x06CF0854},  // FORM1 with the clip bits
    {0x10CF0000, false, kUnplaced, kUnplaced, 0x00CF0854},  // WS_VISIBLE goes
    {0x00CF0002, false, kUnplaced, kUnplaced, 0x00CF0854},  // so does DS_SYSMODAL
    {0, false, kUnplaced, kUnplaced, 0x80C008D4},           // the default style
    {0x00CF0000, false, 5, 5, 0x00CF0054},                  // placed: no DS_CENTER
    {0xC0000001, true, kUnplaced, kUnplaced, 0x40000854},   // a child loses WS_POPUP and DS_ABSALIGN
    {0x40000000, false, kUnplaced, kUnplaced, 0x80000854},  // without an owner a child becomes a pop-up
};

TEST(DialogTemplate, DerivesTheStyleAndCarriesNoControls) {
    for (const TemplateCase& c : kTemplateCases) {
        SCOPED_TRACE(c.style);
        unsigned char buffer[512];
        size_t size = BuildDialogTemplate(buffer, c.style, 0x180, c.hasOwner, c.x, c.y, false);
        uint16_t words[13];
        std::memcpy(words, buffer, sizeof words);
        DWORD exStyle, style;
        std::memcpy(&exStyle, buffer + 8, 4);
        std::memcpy(&style, buffer + 12, 4);
        EXPECT_EQ(words[0], 1);       // dlgVer
        EXPECT_EQ(words[1], 0xFFFF);  // signature
        EXPECT_EQ(exStyle, 0x180u);
        EXPECT_EQ(style, c.expected);
        EXPECT_EQ(words[8], 0);  // cDlgItems
        EXPECT_EQ(words[9], static_cast<uint16_t>(c.x));
        EXPECT_EQ(words[11], 0);  // cx
        EXPECT_EQ(words[12], 0);  // cy
        // menu 0, class 0, title " ", 8 points, weight 400, not italic, charset 0, the face.
        const uint16_t tail[] = {0, 0, 0, ' ', 0, 8, 400};
        EXPECT_EQ(std::memcmp(buffer + 26, tail + 1, sizeof tail - 2), 0);
        EXPECT_EQ(buffer[38], 0);  // italic
        EXPECT_EQ(buffer[39], 0);  // charset
        const char* face = "MS Sans Serif";
        for (size_t i = 0; i <= std::strlen(face); ++i) {
            uint16_t ch;
            std::memcpy(&ch, buffer + 40 + 2 * i, 2);
            EXPECT_EQ(ch, static_cast<uint8_t>(face[i]));
        }
        EXPECT_EQ(size, 40 + 2 * (std::strlen(face) + 1));
    }
    unsigned char buffer[512];
    BuildDialogTemplate(buffer, 0x00CF0000, 0, false, kUnplaced, kUnplaced, true);
    uint16_t weight;
    std::memcpy(&weight, buffer + 36, 2);
    EXPECT_EQ(weight, 700);
}

struct Form : ::testing::Test {
    std::vector<HWND> made;
    HWND create(const char* name, HWND owner = nullptr, int mode = 0) {
        HWND form = CreateForm(name, owner, mode);
        if (form) made.push_back(form);
        return form;
    }
    void TearDown() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (IsWindow(*it)) DestroyWindow(*it);
        EXPECT_EQ(TaskHookReferenceCount(GetCurrentThreadId()), 0);
    }
};

std::string windowText(HWND w) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

TEST_F(Form, MainFormCarriesTheMenuOfItsDefinition) {
    HWND main = create(kMainFormName);
    ASSERT_NE(main, nullptr);
    FormDefinition definition;
    ASSERT_TRUE(FindFormDefinition(kMainFormName, definition));
    ASSERT_NE(definition.menu, nullptr);
    const std::vector<MenuPopupDefinition>& expected = *definition.menu;
    HMENU bar = GetMenu(main);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        char text[64] = {};
        GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i].text);
        HMENU popup = GetSubMenu(bar, static_cast<int>(i));
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected[i].items.size()));
        for (size_t j = 0; j < expected[i].items.size(); ++j) {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = sizeof text;
            ASSERT_TRUE(GetMenuItemInfoA(popup, static_cast<UINT>(j), TRUE, &info));
            EXPECT_STREQ(text, expected[i].items[j].text);
            EXPECT_EQ(info.wID, static_cast<UINT>(expected[i].items[j].commandId));
            EXPECT_EQ(info.fState, 0u);  // enabled, unchecked
            EXPECT_EQ(info.fType, static_cast<UINT>(MFT_STRING));
        }
    }
    HWND about = create(kAboutFormName, main);
    EXPECT_EQ(GetMenu(about), nullptr);
}

TEST(MenuBar, MinusAloneMakesASeparator) {
    std::vector<MenuPopupDefinition> popups = {{"A", {{"x", 1}, {"-", 0}, {"y", 2}}}};
    HMENU bar = BuildMenuBar(popups);
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(popup, 2), 2u);
    DestroyMenu(bar);
}

// ---- Creation ----

RECT workArea() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int centred(LONG low, LONG high, LONG size) {
    long offset = std::lround(std::nearbyint((high - low - size) / 2.0));
    return low + (offset < 0 ? 0 : static_cast<int>(offset));
}

TEST_F(Form, FormsAreCreatedHiddenAndCentred) {
    HWND main = create("  form1 ");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FormNameOf(main), "FORM1");
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(windowText(main), "Tobrixv1.0");
    LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_THICKFRAME | WS_CAPTION),
              static_cast<LONG>(WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_THICKFRAME | WS_CAPTION));
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(r.right - r.left, 1097);
    EXPECT_EQ(r.bottom - r.top, 753);
    RECT work = workArea();
    EXPECT_EQ(r.left, centred(work.left, work.right, 1097));
    EXPECT_EQ(r.top, centred(work.top, work.bottom, 753));
    EXPECT_EQ(SendMessageA(main, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(gAppPaths.largeIcon));
    EXPECT_EQ(SendMessageA(main, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(gAppPaths.smallIcon));

    HWND access = create(kAccessCodeFormName, main);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(windowText(access), "请输入口令...");
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(access, GWLP_HWNDPARENT)), main);
    EXPECT_EQ(GetWindowLongA(access, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(access));
    GetWindowRect(access, &r);
    EXPECT_EQ(r.right - r.left, 373);
    EXPECT_EQ(r.bottom - r.top, 231);
    EXPECT_EQ(r.left, centred(work.left, work.right, 373));
    EXPECT_EQ(r.top, centred(work.top, work.bottom, 231));

    // FORM4 exists but has no controls.
    HWND empty = create("Form4");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GetWindow(empty, GW_CHILD), nullptr);
}

TEST_F(Form, UnknownNamesCreateNothing) {
    long blocks = FrameworkHeapBlockCount();
    int records = CountWindowRecords();
    EXPECT_EQ(CreateForm("FORM9", nullptr, 0), nullptr);
    EXPECT_EQ(CreateForm("", nullptr, 0), nullptr);
    EXPECT_EQ(CreateForm("FORM 1", nullptr, 0), nullptr);
    EXPECT_EQ(FrameworkHeapBlockCount(), blocks);
    EXPECT_EQ(CountWindowRecords(), records);
    EXPECT_EQ(FormProcedureFor("FORM9"), nullptr);
    EXPECT_EQ(FormProcedureFor(" form1"), reinterpret_cast<DLGPROC>(MainWindowProcedure));
    EXPECT_EQ(FormProcedureFor("FORM3"), reinterpret_cast<DLGPROC>(SkeletonFormProcedure));
}

TEST_F(Form, EmbeddedFormsAreChildrenThatCloseFormLeaves) {
    HWND main = create(kMainFormName);
    HWND inner = create(kAboutFormName, main, 2);
    ASSERT_NE(inner, nullptr);
    LONG style = GetWindowLongA(inner, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(GetWindowLongA(inner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetParent(inner), main);
    EXPECT_EQ(CloseForm(inner), 0);
    EXPECT_TRUE(IsWindow(inner));
}

// ---- Placement ----

struct Placement : ::testing::Test {
    HWND window = nullptr;
    HWND make(int w, int h, int x = 10, int y = 20) {
        HWND made = CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
        return made;
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
    }
    RECT rect() {
        RECT r;
        GetWindowRect(window, &r);
        return r;
    }
};

TEST_F(Placement, CentresAndClampsToTheWorkArea) {
    RECT work = workArea();
    EXPECT_EQ(GetMonitorWorkArea(nullptr, false).left, work.left);
    EXPECT_EQ(GetMonitorWorkArea(nullptr, true).bottom, work.bottom);

    window = make(2000, 301);
    EXPECT_EQ(PlaceWindow(window, nullptr, 2), 1);
    RECT r = rect();
    EXPECT_EQ(r.left, work.left);  // wider than the work area
    EXPECT_EQ(r.top, centred(work.top, work.bottom, 301));
    EXPECT_EQ(r.right - r.left, 2000);  // not resized
    DestroyWindow(window);

    window = make(301, 3000);
    PlaceWindow(window, nullptr, 2);
    r = rect();
    EXPECT_EQ(r.top, work.top);
    EXPECT_EQ(r.left, centred(work.left, work.right, 301));
    DestroyWindow(window);

    window = make(100, 100, 10, 20);
    EXPECT_EQ(PlaceWindow(window, nullptr, 1), 1);
    r = rect();
    EXPECT_EQ(r.left, work.left + 10);
    EXPECT_EQ(r.top, work.top + 20);
    for (int mode : {0, 5, -1}) {
        EXPECT_EQ(PlaceWindow(window, nullptr, mode), 0);
        EXPECT_EQ(rect().left, work.left + 10);
    }
    EXPECT_EQ(PlaceWindow(nullptr, nullptr, 2), 0);
}

TEST_F(Placement, OverTheOwnerInsideTheWorkArea) {
    RECT work = workArea();
    HWND owner = make(400, 300, 100, 100);
    window = make(200, 101);
    EXPECT_EQ(PlaceWindow(window, owner, 3), 1);
    RECT r = rect();
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);  // 99.5 rounds to the even 100
    // An owner at the right edge pushes the window back inside.
    SetWindowPos(owner, nullptr, work.right - 100, work.bottom - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PlaceWindow(window, owner, 4);
    r = rect();
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.bottom, work.bottom);
    DestroyWindow(owner);
}

// ---- Modal forms ----

struct Modal : Form {
    HWND main = nullptr;
    void SetUp() override {
        main = create(kMainFormName);
        ASSERT_NE(main, nullptr);
        Record(main, "owner", {WM_ENABLE});
    }
    // Logs what the modal form and its owner see from here on.
    void recordModal(HWND form) {
        Record(form, "form", kModalFilter);
        Log().clear();
    }
};

TEST_F(Modal, ClosingTheAccessFormReenablesTheMainForm) {
    HWND access = create(kAccessCodeFormName, main);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(GetPropA(access, "ZQ_INITDLG"), nullptr);
    bool ownerDisabled = false, shown = false;
    uint32_t initialised = 0;
    int hooks = 0;
    LRESULT closeResult = -1;
    StartSteps([&](int) {
        ownerDisabled = !IsWindowEnabled(main);
        shown = IsWindowVisible(access);
        initialised = PropValue(access, "ZQ_INITDLG");
        hooks = TaskHookReferenceCount(GetCurrentThreadId());
        closeResult = CloseForm(access);
        return true;
    });
    recordModal(access);
    Watchdog dog(access, 5000);
    INT_PTR result = ShowFormModal(access, nullptr);
    EXPECT_FALSE(dog.fired);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(shown);
    EXPECT_EQ(initialised, 1u);
    EXPECT_EQ(hooks, 2);
    EXPECT_EQ(closeResult, 0);
    EXPECT_FALSE(IsWindow(access));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(TaskHookReferenceCount(GetCurrentThreadId()), 1);
    EXPECT_EQ(Log(), Expect({kShowModalSequence, kCloseModalSequence}, access));
}

TEST_F(Modal, TheAboutFormInitialisesOncePerWindow) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND about = create(kAboutFormName, main);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetPropA(about, "ZQ_INITDLG"), nullptr);
        uint32_t initialised = 0;
        LRESULT again = -1;
        StartSteps([&](int) {
            initialised = PropValue(about, "ZQ_INITDLG");
            // A second initialisation of the same window changes nothing.
            again = SkeletonFormProcedure(about, WM_INITDIALOG, 0, 0);
            PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
            return true;
        });
        recordModal(about);
        Watchdog dog(about, 5000);
        ShowFormModal(about, nullptr);
        EXPECT_FALSE(dog.fired);
        EXPECT_EQ(initialised, 1u);
        EXPECT_EQ(again, 0);
        EXPECT_FALSE(IsWindow(about));
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_EQ(Log(), Expect({kShowModalSequence, kCloseModalSequence}, about));
    }
}

TEST_F(Modal, CloseFormFromAnotherThreadPostsAndReturnsAtOnce) {
    HWND access = create(kAccessCodeFormName, main);
    LRESULT fromWorker = -1;
    DWORD workerMs = 0;
    std::string typed;
    DWORD sendMs = 0;
    std::thread worker;
    StartSteps([&](int) {
        worker = std::thread([&] {
            // A message sent into the loop is served while it polls.
            DWORD t0 = GetTickCount();
            SendMessageA(GetDlgItem(access, form2::kCode), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
            sendMs = GetTickCount() - t0;
            typed = windowText(GetDlgItem(access, form2::kCode));
            t0 = GetTickCount();
            fromWorker = CloseForm(access);
            workerMs = GetTickCount() - t0;
        });
        return true;
    });
    recordModal(access);
    Watchdog dog(access, 5000);
    ShowFormModal(access, nullptr);
    worker.join();
    EXPECT_FALSE(dog.fired);
    EXPECT_EQ(fromWorker, 0);
    EXPECT_LT(workerMs, 500u);
    EXPECT_LT(sendMs, 500u);
    EXPECT_EQ(typed, "abc");
    EXPECT_FALSE(IsWindow(access));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(Log(), Expect({kShowModalSequence, kCloseModalSequence}, access));
}

TEST_F(Modal, AFormDestroyedWithoutEndingStillFreesItsOwner) {
    HWND access = create(kAccessCodeFormName, main);
    StartSteps([&](int) {
        DestroyWindow(access);
        return true;
    });
    recordModal(access);
    Watchdog dog(access, 5000);
    ShowFormModal(access, nullptr);
    EXPECT_FALSE(dog.fired);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(Log(), Expect({kShowModalSequence, kDestroyedModalSequence}, access));
}

INT_PTR CALLBACK AnsweringProcedure(HWND form, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_USER + 7) return 5;
    if (message == WM_USER + 8) {
        SetWindowLongPtrA(form, DWLP_MSGRESULT, 9);
        return TRUE;
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return TRUE;  // refuses to close
    return 0;
}

TEST_F(Modal, TheFormProcedureAnswersFirst) {
    HWND access = create(kAccessCodeFormName, main);
    WindowRecord record;
    ASSERT_TRUE(FindWindowRecord(access, record));
    EXPECT_TRUE(record.flags & WindowIsForm);
    EXPECT_EQ(record.owner, main);
    EXPECT_EQ(record.showCommand, SW_SHOW);
    record.formProcedure = AnsweringProcedure;
    UpdateWindowRecord(record);
    EXPECT_EQ(SendMessageA(access, WM_USER + 7, 0, 0), 5);
    EXPECT_EQ(SendMessageA(access, WM_USER + 8, 0, 0), 9);
    EXPECT_EQ(CloseForm(access), 1);  // the procedure's answer
    EXPECT_TRUE(IsWindow(access));
    record.formProcedure = SkeletonFormProcedure;
    UpdateWindowRecord(record);
    CloseForm(access);
    EXPECT_FALSE(IsWindow(access));
    EXPECT_FALSE(FindWindowRecord(access, record));
}

TEST_F(Modal, EndingStoresTheFormResult) {
    HWND access = create(kAccessCodeFormName, main);
    StartSteps([&](int) {
        WindowRecord record;
        FindWindowRecord(access, record);
        EXPECT_TRUE(record.flags & WindowModal);
        EXPECT_EQ(record.formProcedure, reinterpret_cast<DLGPROC>(SkeletonFormProcedure));
        record.result = 42;
        UpdateWindowRecord(record);
        CloseForm(access);
        return true;
    });
    recordModal(access);
    Watchdog dog(access, 5000);
    EXPECT_EQ(ShowFormModal(access, nullptr), 42);
    EXPECT_EQ(Log(), Expect({kShowModalSequence, kCloseModalSequence}, access));
}

TEST(ModalInput, MissingFormsReturnAtOnce) {
    EXPECT_EQ(ShowFormModal(nullptr, nullptr), 0);
    EXPECT_EQ(CloseForm(nullptr), 0);
    HWND form = CreateForm(kAboutFormName, nullptr, 0);
    DestroyWindow(form);
    DWORD t0 = GetTickCount();
    EXPECT_EQ(ShowFormModal(form, nullptr), 0);
    EXPECT_LT(GetTickCount() - t0, 500u);
    EXPECT_EQ(CloseForm(form), 0);
    ShowFormModeless(nullptr);
}

TEST_F(Form, ModelessFormsInitialiseAndShow) {
    HWND about = create(kAboutFormName);
    ShowFormModeless(about);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(PropValue(about, "ZQ_INITDLG"), 1u);
    WindowRecord record;
    ASSERT_TRUE(FindWindowRecord(about, record));
    EXPECT_FALSE(record.flags & WindowModal);
    EXPECT_EQ(record.formProcedure, reinterpret_cast<DLGPROC>(SkeletonFormProcedure));
    EXPECT_EQ(CloseForm(about), 0);
    EXPECT_FALSE(IsWindow(about));
}

// ---- Start-up and a number draw through the event table ----

TEST(Startup, RunsTheMainFormAndANumberDraw) {
    std::set<std::string> shown;
    std::string record, finalDisplay;
    bool stopEnabledWhileRolling = false, startEnabledAfter = false, visible = false;
    std::string title;
    HWND main = nullptr;
    int phase = 0;
    DWORD stopAt = 0;
    const FormRegistry registered = RegisteredForms();
    FormRegistry forms = registered;
    HWND created = nullptr;
    forms.mainWindow = &created;
    RegisterForms(forms);
    StartSteps(
        [&](int tick) {
            main = created;
            HWND start = GetDlgItem(main, form1::kStart), stop = GetDlgItem(main, form1::kStop), display = GetDlgItem(main, form1::kResultDisplay);
            if (tick > 400) {  // about eight seconds: give up, close
                CloseForm(main);
                return true;
            }
            switch (phase) {
            case 0:
                visible = IsWindowVisible(main);
                title = windowText(main);
                SendMessageA(start, BM_CLICK, 0, 0);
                stopEnabledWhileRolling = IsWindowEnabled(stop) && !IsWindowEnabled(start);
                phase = 1;
                return false;
            case 1:
                shown.insert(windowText(display));
                if (shown.size() < 6) return false;
                SendMessageA(stop, BM_CLICK, 0, 0);
                finalDisplay = windowText(display);
                stopAt = GetTickCount();
                phase = 2;
                return false;
            default:
                // Nothing reaches the display after Stop.
                if (GetTickCount() - stopAt < 200) {
                    EXPECT_EQ(windowText(display), finalDisplay);
                    return false;
                }
                record = windowText(GetDlgItem(main, form1::kDrawRecord));
                startEnabledAfter = IsWindowEnabled(start) && !IsWindowEnabled(stop);
                CloseForm(main);
                return true;
            }
        },
        20);
    int code = ApplicationStart(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
    RegisterForms(registered);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(visible);
    EXPECT_EQ(title, "Tobrixv1.0");
    EXPECT_TRUE(stopEnabledWhileRolling);
    EXPECT_TRUE(startEnabledAfter);
    shown.erase("");
    EXPECT_GE(shown.size(), 5u);
    for (const std::string& text : shown) {
        ASSERT_GE(text.size(), 2u) << text;
        EXPECT_EQ(text[0], ' ') << text;
        int n = std::atoi(text.c_str() + 1);
        EXPECT_GE(n, 1) << text;
        EXPECT_LE(n, 10) << text;
    }
    EXPECT_NE(record.find(finalDisplay.substr(1)), std::string::npos) << record;
    EXPECT_EQ(TaskHookReferenceCount(GetCurrentThreadId()), 0);
}

}  // namespace
