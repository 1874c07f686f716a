#include "framework/events.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <thread>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/property_index.h"
#include "tests/support/message_sequences.h"
#include "tests/support/framework_test_support.h"
#include "runtime/window_records.h"

using namespace fwtest;

namespace {

// The property an event lives in, as the framework names it.
HANDLE EventProperty(HWND window, UINT message, int code) {
    return GetPropA(window, ("ZQ_EVENT," + std::to_string(message) + "," + std::to_string(code)).c_str());
}

TEST(EventNames, AreDecimalWithSignedCodes) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const struct {
        UINT message;
        int code;
        const char* name;
    } cases[] = {{273, 0, "ZQ_EVENT,273,0"},
                 {32, 513, "ZQ_EVENT,32,513"},
                 {78, -2, "ZQ_EVENT,78,-2"},
                 {0xFFFFFFFFu, -2147483647 - 1, "ZQ_EVENT,4294967295,-2147483648"}};
    for (const auto& c : cases) {
        ASSERT_EQ(AddControlEvent(window, c.message, c.code, RecordingHandler), 1);
        EXPECT_EQ(GetPropA(window, c.name), reinterpret_cast<HANDLE>(RecordingHandler)) << c.name;
        RemoveControlEvent(window, c.message, c.code);
    }
    DestroyWindow(window);
}

TEST(EventRegistration, IgnoresZeroArguments) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(AddControlEvent(nullptr, WM_COMMAND, 0, RecordingHandler), 0);
    EXPECT_EQ(AddControlEvent(window, 0, 0, RecordingHandler), 0);
    EXPECT_EQ(AddControlEvent(window, WM_COMMAND, 0, nullptr), 0);
    EXPECT_TRUE(FrameworkProps(window).empty());

    EXPECT_EQ(AddControlEvent(window, WM_NOTIFY, -2, RecordingHandler), 1);
    EXPECT_EQ(GetPropA(window, "ZQ_EVENT,78,-2"), reinterpret_cast<HANDLE>(RecordingHandler));
    EXPECT_EQ(EventProperty(window, WM_NOTIFY, -2), reinterpret_cast<HANDLE>(RecordingHandler));
    EXPECT_EQ(RemoveControlEvent(nullptr, WM_NOTIFY, -2), 0);
    EXPECT_EQ(RemoveControlEvent(window, 0, -2), 0);
    EXPECT_EQ(RemoveControlEvent(window, WM_NOTIFY, -2), 1);
    EXPECT_EQ(EventProperty(window, WM_NOTIFY, -2), nullptr);

    WNDPROC callback = DefWindowProcA;
    EXPECT_EQ(SetCallbackEvent(window, WM_COMMAND, 0, callback), 0);
    EXPECT_EQ(SetCallbackEvent(nullptr, WM_DESTROY, 0, callback), 0);
    EXPECT_EQ(SetCallbackEvent(window, WM_DESTROY, 0, callback), 1);
    EXPECT_EQ(GetPropA(window, "ZQ_HKCBEVT,2,0"), reinterpret_cast<HANDLE>(callback));
    EXPECT_EQ(SetCallbackEvent(window, WM_DESTROY, 0, nullptr), 1);
    EXPECT_TRUE(FrameworkProps(window).empty());
    DestroyWindow(window);
}

// FORM1 with its handlers replaced by the recording one.
struct MainFormDispatch : ::testing::Test {
    HWND form = nullptr;
    unsigned long subclassesBefore = 0;
    void SetUp() override {
        form = CreateForm(kMainFormName, nullptr, 0);
        ASSERT_NE(form, nullptr);
        Log().clear();
        HandlerResult() = 0;
        StraySubclassCount() = 0;
        subclassesBefore = TaskHookSubclassCount();
    }
    void TearDown() override {
        if (IsWindow(form)) DestroyWindow(form);
        EXPECT_EQ(StraySubclassCount(), 0);
    }
    HWND item(int id) { return GetDlgItem(form, id); }
    void replaceHandler(int id, UINT message, int code) {
        ASSERT_NE(EventProperty(item(id), message, code), nullptr);
        RemoveControlEvent(item(id), message, code);
        AddControlEvent(item(id), message, code, RecordingHandler);
    }
    unsigned long subclasses() { return TaskHookSubclassCount() - subclassesBefore; }
    // Every window of the form runs its own procedure again.
    void expectNothingLeftSubclassed() {
        std::vector<HWND> windows;
        EnumChildList(form, windows);
        windows.push_back(form);
        for (HWND w : windows) {
            EXPECT_NE(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(EventSubclassProc));
            EXPECT_EQ(GetPropA(w, "ZQ_TASKHOOKWND"), nullptr);
        }
    }
};

TEST_F(MainFormDispatch, ClickOnStartReachesTheFormBeforeTheHandler) {
    replaceHandler(form1::kStart, WM_COMMAND, 0);
    Record(form, kMainFormName, {WM_COMMAND});
    LONG_PTR own = GetWindowLongPtrA(form, GWLP_WNDPROC);
    SendMessageA(item(form1::kStart), BM_CLICK, 0, 0);
    EXPECT_EQ(Log(), Expect({kStartClickSequence}, form, item(form1::kStart)));
    EXPECT_GE(subclasses(), 1u);
    EXPECT_EQ(GetWindowLongPtrA(form, GWLP_WNDPROC), own);
    expectNothingLeftSubclassed();
}

TEST_F(MainFormDispatch, CommandsWithoutAHandlerPassUntouched) {
    Record(form, kMainFormName, {WM_COMMAND});
    // The Clear button's handler is real but stays; a notification code nobody
    // registered, and a menu command without a control, subclass nothing.
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(form1::kClear, BN_SETFOCUS), reinterpret_cast<LPARAM>(item(form1::kClear)));
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(menu::kNumberMode, 0), 0);
    std::vector<Seen> expected = {
        {kMainFormName, WM_COMMAND, {MAKEWPARAM(form1::kClear, BN_SETFOCUS), H(item(form1::kClear))}},
        {kMainFormName, WM_COMMAND, {menu::kNumberMode, 0}},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(subclasses(), 0u);
}

TEST_F(MainFormDispatch, LeftPressOverThePanelLabelCallsItsHandlerFirst) {
    replaceHandler(form1::kPanelToggle, WM_SETCURSOR, WM_LBUTTONDOWN);
    HWND label = item(form1::kPanelToggle);
    Record(label, "label104", {WM_SETCURSOR});
    POINT origin = {0, 0};
    ClientToScreen(label, &origin);
    SetCursorPos(origin.x + 7, origin.y + 4);
    POINT cursor;
    GetCursorPos(&cursor);

    LPARAM press = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), press);
    std::vector<Seen> expected = {
        {"handler", 0, {H(form), form1::kPanelToggle, H(label), cursor.x - origin.x, cursor.y - origin.y, 0}},
        {"label104", WM_SETCURSOR, {H(label), press}},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(subclasses(), 1u);

    // A move, and the copy that reaches the parent, subclass nothing.
    Log().clear();
    LPARAM move = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), move);
    Record(form, kMainFormName, {WM_SETCURSOR});
    SendMessageA(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), press);
    expected = {
        {"label104", WM_SETCURSOR, {H(label), move}},
        {kMainFormName, WM_SETCURSOR, {H(label), press}},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(subclasses(), 1u);
    expectNothingLeftSubclassed();
}

TEST_F(MainFormDispatch, RightClickOnTheContactLabelGivesScreenCoordinates) {
    replaceHandler(form1::kContactLabel, WM_CONTEXTMENU, 0);
    HWND label = item(form1::kContactLabel);
    Record(label, "label125", {WM_CONTEXTMENU});
    Record(form, kMainFormName, {WM_CONTEXTMENU});
    LPARAM at = MAKELPARAM(static_cast<WORD>(-5), 300);

    // The label passes the request on to the form; the handler runs once.
    SendMessageA(label, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(label), at);
    std::vector<Seen> expected = {
        {"handler", 0, {H(form), form1::kContactLabel, -5, 300, 0, 0}},
        {"label125", WM_CONTEXTMENU, {H(label), at}},
        {kMainFormName, WM_CONTEXTMENU, {H(label), at}},
    };
    EXPECT_EQ(Log(), expected);

    // A handler that answers non-zero keeps the label's own procedure out.
    Log().clear();
    HandlerResult() = 1;
    SendMessageA(label, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(label), MAKELPARAM(640, 480));
    expected = {{"handler", 0, {H(form), form1::kContactLabel, 640, 480, 0, 0}}};
    EXPECT_EQ(Log(), expected);
    expectNothingLeftSubclassed();
}

struct ColourCase {
    int id;
    bool disabled;
    bool ourBrush;        // the answer is the control's ZQ_BRUSH
    COLORREF background;  // CLR_INVALID: not ours to say
    COLORREF text;        // CLR_INVALID: not ours to say
};

TEST_F(MainFormDispatch, ColourAnswersFollowTheStoredColours) {
    const ColourCase cases[] = {
        {form1::kFrequencyLabel, false, true, 0xE0E0E0, CLR_INVALID},  // back colour only
        {form1::kResultDisplay, false, false, CLR_INVALID, 0x0000FF}, // fore colour only
        {form1::kContactLabel, false, true, 0xE0E0E0, 0x0000C0},     // both
        {form1::kContactLabel, true, true, 0xE0E0E0, CLR_INVALID},   // disabled: the system's grey text
    };
    HDC dc = CreateCompatibleDC(nullptr);
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.id);
        EnableWindow(item(c.id), !c.disabled);
        SetBkColor(dc, 0x010203);
        SetTextColor(dc, 0x040506);
        unsigned long before = TaskHookSubclassCount();
        LRESULT answer = SendMessageA(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(item(c.id)));
        EXPECT_EQ(TaskHookSubclassCount() - before, 1u);
        HANDLE brush = GetPropA(item(c.id), "ZQ_BRUSH");
        if (c.ourBrush) {
            EXPECT_EQ(answer, reinterpret_cast<LRESULT>(brush));
            LOGBRUSH lb = {};
            GetObjectA(brush, sizeof lb, &lb);
            EXPECT_EQ(lb.lbColor, c.background);
        } else {
            EXPECT_EQ(brush, nullptr);
            EXPECT_NE(answer, 0);  // the dialog's own answer
        }
        if (c.background != CLR_INVALID) { EXPECT_EQ(GetBkColor(dc), c.background); }
        if (c.text != CLR_INVALID) { EXPECT_EQ(GetTextColor(dc), c.text); }
        if (c.text == CLR_INVALID) { EXPECT_NE(GetTextColor(dc), 0x0000C0u); }
    }
    // A control without colours is left to the dialog.
    unsigned long before = TaskHookSubclassCount();
    SendMessageA(form, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(item(form1::kStart)));
    EXPECT_EQ(TaskHookSubclassCount(), before);
    DeleteDC(dc);
    expectNothingLeftSubclassed();
}

TEST_F(MainFormDispatch, EraseFillsWithTheFormColour) {
    HDC dc = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_NE(SendMessageA(form, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
    EXPECT_EQ(GetPixel(dc, 3, 3), 0xE0E0E0u);
    SetControlColors(form, 0, 0x01000005, -1);
    SendMessageA(form, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 3, 3), GetSysColor(COLOR_WINDOW));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(MainFormDispatch, SystemColourChangeReappliesColours) {
    HDC dc = GetDC(form);
    SendMessageA(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(item(form1::kFrequencyLabel)));
    ReleaseDC(form, dc);
    HANDLE brush = GetPropA(item(form1::kFrequencyLabel), "ZQ_BRUSH");
    ASSERT_NE(brush, nullptr);
    SendMessageA(form, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(GetObjectType(brush), 0u);  // remade on the next paint
    EXPECT_EQ(PropValue(form, "ZQ_BACKCOLOREB"), 0xE0E0E1u);
    EXPECT_EQ(GetPropA(form, "ZQ_FORECOLOR"), nullptr);
    EXPECT_EQ(PropValue(item(form1::kFrequencyLabel), "ZQ_BACKCOLOR"), 0xE0E0E1u);
    EXPECT_EQ(PropValue(item(form1::kContactLabel), "ZQ_FORECOLOR"), 0xC1u);
    EXPECT_EQ(PropValue(item(form1::kResultDisplay), "ZQ_FORECOLOR"), 0x100u);
}

TEST_F(MainFormDispatch, EnumChildListFindsEveryControl) {
    std::vector<HWND> list;
    int n = EnumChildList(form, list);
    EXPECT_EQ(n, static_cast<int>(list.size()));
    std::set<int> ids;
    for (HWND w : list) ids.insert(GetDlgCtrlID(w));
    for (int id = form1::kStart; id <= form1::kLastControl; ++id) EXPECT_EQ(ids.count(id), 1u) << id;
    EXPECT_EQ(EnumChildList(nullptr, list), 0);
    EXPECT_TRUE(list.empty());
}

// ---- The rows of the dispatch tables, on a window of a test class ----

LRESULT& OwnResult() {
    static LRESULT result = 77;
    return result;
}

std::set<UINT>& OwnLogged() {
    static std::set<UINT> messages;
    return messages;
}

LRESULT CALLBACK TargetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (OwnLogged().count(message)) {
        Log().push_back({"own", message, {static_cast<intptr_t>(wParam), lParam}});
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
        }
        return OwnResult();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct TableRows : ::testing::Test {
    HWND form = nullptr;    // a form without controls, for the hook
    HWND target = nullptr;  // ID 200
    HWND child = nullptr;   // ID 300, a child of target
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TargetProcedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FwTarget";
        RegisterClassA(&wc);
        form = CreateForm(kUnusedFormName, nullptr, 0);
        ASSERT_NE(form, nullptr);
        target = CreateWindowExA(0, "FwTarget", "", WS_CHILD | WS_VISIBLE, 0, 0, 40, 30, form,
                                 reinterpret_cast<HMENU>(200), nullptr, nullptr);
        child = CreateWindowExA(0, "FwTarget", "", WS_CHILD, 0, 0, 5, 5, target, reinterpret_cast<HMENU>(300),
                                nullptr, nullptr);
        ASSERT_NE(child, nullptr);
        Log().clear();
        OwnLogged().clear();
        HandlerResult() = 0;
        OwnResult() = 77;
    }
    void TearDown() override {
        OwnLogged().clear();
        if (IsWindow(form)) DestroyWindow(form);
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
        OwnLogged().insert(message);
        return SendMessageA(target, message, wParam, lParam);
    }
    Seen own(UINT message, WPARAM wParam, LPARAM lParam) {
        return {"own", message, {static_cast<intptr_t>(wParam), lParam}};
    }
    Seen handler(HWND f, int id, intptr_t a = 0, intptr_t b = 0, intptr_t c = 0, intptr_t d = 0) {
        return {"handler", 0, {H(f), id, a, b, c, d}};
    }
    void check(LRESULT result, LRESULT expectedResult, const std::vector<Seen>& expected) {
        EXPECT_EQ(result, expectedResult);
        EXPECT_EQ(Log(), expected);
        EXPECT_EQ(GetWindowLongPtrA(target, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetProcedure));
        Log().clear();
    }
};

TEST_F(TableRows, HandlerBeforeOrAfterTheOwnProcedure) {
    AddControlEvent(target, WM_SIZE, 0, RecordingHandler);
    LRESULT r = send(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1, 2));
    check(r, 77, {handler(form, 200, SIZE_MAXIMIZED, 40, 30), own(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1, 2))});

    AddControlEvent(target, WM_SETFOCUS, 0, RecordingHandler);
    AddControlEvent(target, WM_KILLFOCUS, 0, RecordingHandler);
    r = send(WM_SETFOCUS, 0x1234, 0);
    check(r, 77, {own(WM_SETFOCUS, 0x1234, 0), handler(form, 200, 0x1234)});
    r = send(WM_KILLFOCUS, 0x4321, 0);
    check(r, 77, {own(WM_KILLFOCUS, 0x4321, 0), handler(form, 200, 0x4321)});

    AddControlEvent(target, WM_ENABLE, 0, RecordingHandler);
    r = send(WM_ENABLE, TRUE, 0);
    check(r, 77, {handler(form, 200, -1), own(WM_ENABLE, TRUE, 0)});
    r = send(WM_ENABLE, FALSE, 0);
    check(r, 77, {handler(form, 200, 0), own(WM_ENABLE, FALSE, 0)});

    AddControlEvent(target, WM_HSCROLL, 0, RecordingHandler);
    r = send(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 55), 0);
    check(r, 77, {own(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 55), 0), handler(form, 200, SB_THUMBTRACK, 55, H(target))});
}

TEST_F(TableRows, HandlerResultDecidesWhetherTheOwnProcedureRuns) {
    AddControlEvent(target, WM_COPY, 0, RecordingHandler);
    LRESULT r = send(WM_COPY, 0, 0);
    check(r, 77, {handler(form, 200), own(WM_COPY, 0, 0)});
    HandlerResult() = 1;
    r = send(WM_COPY, 0, 0);
    check(r, 0, {handler(form, 200)});

    AddControlEvent(target, WM_COPYDATA, 0, RecordingHandler);
    HandlerResult() = 5;
    COPYDATASTRUCT data = {};
    r = send(WM_COPYDATA, reinterpret_cast<WPARAM>(form), reinterpret_cast<LPARAM>(&data));
    check(r, 5, {handler(form, 200, H(form), reinterpret_cast<intptr_t>(&data))});
    HandlerResult() = 0;
    r = send(WM_COPYDATA, reinterpret_cast<WPARAM>(form), reinterpret_cast<LPARAM>(&data));
    check(r, 77,
          {handler(form, 200, H(form), reinterpret_cast<intptr_t>(&data)),
           own(WM_COPYDATA, reinterpret_cast<WPARAM>(form), reinterpret_cast<LPARAM>(&data))});

    // Only activation by another window counts.
    AddControlEvent(target, WM_MOUSEACTIVATE, 0, RecordingHandler);
    LPARAM hit = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
    r = send(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(form), hit);
    check(r, 77, {handler(form, 200, H(form), HTCLIENT, WM_LBUTTONDOWN), own(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(form), hit)});
    r = send(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(target), hit);
    check(r, 77, {own(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(target), hit)});
}

TEST_F(TableRows, DialogCodeAsksPerMessage) {
    MSG key = {};
    key.message = WM_KEYDOWN;
    key.wParam = VK_RETURN;
    key.lParam = 0x1C0001;
    AddControlEvent(target, WM_GETDLGCODE, WM_KEYDOWN, RecordingHandler);
    HandlerResult() = DLGC_WANTALLKEYS;
    LRESULT r = send(WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&key));
    check(r, DLGC_WANTALLKEYS, {handler(form, 200, reinterpret_cast<intptr_t>(&key.wParam), 0x1C0001)});

    RemoveControlEvent(target, WM_GETDLGCODE, WM_KEYDOWN);
    AddControlEvent(target, WM_GETDLGCODE, 0, RecordingHandler);
    HandlerResult() = 0;
    r = send(WM_GETDLGCODE, 0, 0);
    check(r, 77,
          {handler(form, 200, 0, 0, reinterpret_cast<intptr_t>(TargetProcedure), H(target)), own(WM_GETDLGCODE, 0, 0)});
}

TEST_F(TableRows, CommandsCarryTheControlId) {
    AddControlEvent(child, WM_COMMAND, EN_CHANGE, RecordingHandler);
    WPARAM change = MAKEWPARAM(300, EN_CHANGE);
    LRESULT r = send(WM_COMMAND, change, reinterpret_cast<LPARAM>(child));
    check(r, 77, {own(WM_COMMAND, change, reinterpret_cast<LPARAM>(child)), handler(target, 300)});

    // A command ID that differs from the sender's goes third.
    AddControlEvent(child, WM_COMMAND, 0, RecordingHandler);
    r = send(WM_COMMAND, MAKEWPARAM(5, 0), reinterpret_cast<LPARAM>(child));
    check(r, 77, {own(WM_COMMAND, 5, reinterpret_cast<LPARAM>(child)), handler(target, 300, 5)});
}

TEST_F(TableRows, ThreeStateBoxesToggleOnClick) {
    HWND box = CreateWindowExA(0, "Button", "", WS_CHILD | BS_3STATE, 0, 0, 10, 10, target,
                               reinterpret_cast<HMENU>(301), nullptr, nullptr);
    SetPropA(box, "ZQ_3CBST", reinterpret_cast<HANDLE>(1));
    SendMessageA(box, BM_SETCHECK, BST_INDETERMINATE, 0);
    send(WM_COMMAND, MAKEWPARAM(301, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    send(WM_COMMAND, MAKEWPARAM(301, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    send(WM_COMMAND, MAKEWPARAM(301, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

LRESULT& CallbackResult() {
    static LRESULT result = 0;
    return result;
}

LRESULT CALLBACK RecordingCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({"callback", message, {H(window), static_cast<intptr_t>(wParam), lParam}});
    return CallbackResult();
}

TEST_F(TableRows, NotificationsGoToTheSender) {
    NMHDR header = {child, 300, static_cast<UINT>(-2)};
    AddControlEvent(child, WM_NOTIFY, -2, RecordingHandler);
    SetCallbackEvent(child, WM_NOTIFY, -2, RecordingCallback);
    HandlerResult() = 11;
    LPARAM lp = reinterpret_cast<LPARAM>(&header);
    LRESULT r = send(WM_NOTIFY, 300, lp);
    check(r, 11, {{"callback", WM_NOTIFY, {H(target), 300, lp}}, handler(target, 300, lp)});

    // A callback that answers ends it there.
    CallbackResult() = 1;
    r = send(WM_NOTIFY, 300, lp);
    check(r, 77, {{"callback", WM_NOTIFY, {H(target), 300, lp}}, own(WM_NOTIFY, 300, lp)});
    CallbackResult() = 0;
}

TEST_F(TableRows, OwnerDrawGoesToTheItem) {
    AddControlEvent(child, WM_DRAWITEM, 0, RecordingHandler);
    DRAWITEMSTRUCT item = {};
    HandlerResult() = 1;
    LPARAM lp = reinterpret_cast<LPARAM>(&item);
    LRESULT r = send(WM_DRAWITEM, 300, lp);
    check(r, 1, {handler(target, 300, lp)});
    // Without an item structure nothing happens.
    r = send(WM_DRAWITEM, 300, 0);
    check(r, 77, {own(WM_DRAWITEM, 300, 0)});
}

LRESULT PaintingHandler(HWND form, int id, intptr_t dc, intptr_t paint, intptr_t, intptr_t) {
    const PAINTSTRUCT* ps = reinterpret_cast<const PAINTSTRUCT*>(paint);
    bool inside = dc && ps && ps->hdc == reinterpret_cast<HDC>(dc);
    Log().push_back({"paint", 0, {H(form), id, inside}});
    return 0;
}

TEST_F(TableRows, PaintHandlerPaintsBetweenBeginAndEnd) {
    OwnLogged().insert(WM_PAINT);
    AddControlEvent(target, WM_PAINT, 0, PaintingHandler);
    InvalidateRect(target, nullptr, FALSE);
    LRESULT r = SendMessageA(target, WM_PAINT, 0, 0);
    check(r, 0, {{"paint", 0, {H(form), 200, 1}}});
    // The update region was validated by the handler's paint.
    RECT update;
    EXPECT_FALSE(GetUpdateRect(target, &update, FALSE));
}

TEST_F(TableRows, DestroyHandlersRunFromTheHook) {
    AddControlEvent(child, WM_DESTROY, 0, RecordingHandler);
    SetCallbackEvent(child, WM_DESTROY, 0, RecordingCallback);
    OwnLogged().insert(WM_DESTROY);
    DestroyWindow(child);
    std::vector<Seen> expected = {
        {"callback", WM_DESTROY, {H(child), 0, 0}},
        handler(target, 300),
        own(WM_DESTROY, 0, 0),
    };
    EXPECT_EQ(Log(), expected);
}

// ---- The hook's life ----

std::string HookMutexName(DWORD tid) { return "ZQ_HKMUTEX" + std::to_string(tid); }

bool MutexExists(const std::string& name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex) CloseHandle(mutex);
    return mutex != nullptr;
}

TEST(TaskHook, LivesAsLongAsTheThreadHasForms) {
    DWORD tid = GetCurrentThreadId();
    ASSERT_EQ(TaskHookReferenceCount(tid), 0) << "an earlier test left a form";
    EXPECT_FALSE(MutexExists(HookMutexName(tid)));

    HWND main = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(TaskHookReferenceCount(tid), 1);
    EXPECT_NE(TaskHookHandle(tid), nullptr);
    EXPECT_TRUE(MutexExists(HookMutexName(tid)));
    EXPECT_EQ(InstallTaskHook(main), 0);  // once per form
    EXPECT_EQ(InstallTaskHook(nullptr), 0);
    EXPECT_EQ(TaskHookReferenceCount(tid), 1);

    HWND access = CreateForm(kAccessCodeFormName, main, 0);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(TaskHookReferenceCount(tid), 2);
    DestroyWindow(access);
    EXPECT_EQ(TaskHookReferenceCount(tid), 1);
    EXPECT_TRUE(MutexExists(HookMutexName(tid)));
    DestroyWindow(main);
    EXPECT_EQ(TaskHookReferenceCount(tid), 0);
    EXPECT_EQ(TaskHookHandle(tid), nullptr);
    EXPECT_FALSE(MutexExists(HookMutexName(tid)));

    // A later form gets a new hook that works.
    HWND again = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(TaskHookReferenceCount(tid), 1);
    HWND start = GetDlgItem(again, form1::kStart);
    RemoveControlEvent(start, WM_COMMAND, 0);
    AddControlEvent(start, WM_COMMAND, 0, RecordingHandler);
    Log().clear();
    SendMessageA(start, BM_CLICK, 0, 0);
    EXPECT_EQ(Log(), Expect({kStartHandlerSequence}, again));
    DestroyWindow(again);
    EXPECT_EQ(TaskHookReferenceCount(tid), 0);
}

TEST(TaskHook, ForeignMutexLeavesTheThreadWithoutDispatch) {
    std::vector<Seen> seen;
    int count = -1;
    bool created = false;
    std::thread worker([&] {
        DWORD tid = GetCurrentThreadId();
        HANDLE foreign = CreateMutexA(nullptr, FALSE, HookMutexName(tid).c_str());
        HWND form = CreateForm(kMainFormName, nullptr, 0);
        created = form != nullptr;
        count = TaskHookReferenceCount(tid);
        if (form) {
            HWND start = GetDlgItem(form, form1::kStart);
            RemoveControlEvent(start, WM_COMMAND, 0);
            AddControlEvent(start, WM_COMMAND, 0, RecordingHandler);
            Log().clear();
            SendMessageA(start, BM_CLICK, 0, 0);
            seen = Log();
            DestroyWindow(form);
        }
        CloseHandle(foreign);
    });
    worker.join();
    EXPECT_TRUE(created);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(seen.empty());
}

// Takes the framework's properties of a window at WM_NCDESTROY, after the
// hook has run and before the window is gone.
std::map<HWND, size_t>& PropsAtEnd() {
    static std::map<HWND, size_t> left;
    return left;
}
std::map<HWND, WNDPROC>& EndWatchOriginal() {
    static std::map<HWND, WNDPROC> original;
    return original;
}

LRESULT CALLBACK EndWatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC original = EndWatchOriginal()[window];
    if (message == WM_NCDESTROY) PropsAtEnd()[window] = FrameworkProps(window).size();
    return CallWindowProcA(original, window, message, wParam, lParam);
}

void WatchEnd(HWND window) {
    EndWatchOriginal()[window] =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EndWatch)));
}

TEST(Release, DestroyedWindowsKeepNothingOfTheFramework) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    SetControlTag(form, form1::kStart, "tag");
    SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    UpdateWindow(form);
    Pump(30);

    std::vector<HWND> windows;
    EnumChildList(form, windows);
    windows.push_back(form);
    std::vector<HANDLE> objects;
    size_t propsBefore = 0;
    for (HWND w : windows) {
        std::map<std::string, HANDLE> props = FrameworkProps(w);
        propsBefore += props.size();
        for (const char* name : {"ZQ_BRUSH", "ZQ_FONT"})
            if (props.count(name)) objects.push_back(props[name]);
        WatchEnd(w);
    }
    EXPECT_GE(objects.size(), 3u);  // two fonts, the label brushes
    EXPECT_GT(propsBefore, 40u);
    PropsAtEnd().clear();
    DestroyWindow(form);
    EXPECT_EQ(PropsAtEnd().size(), windows.size());
    for (auto& left : PropsAtEnd()) EXPECT_EQ(left.second, 0u) << GetDlgCtrlID(left.first);
    for (HANDLE object : objects) EXPECT_EQ(GetObjectType(object), 0u);
    EndWatchOriginal().clear();
}

// The hook skips the property lookups that the in-process index rules out:
// every event and colour property FORM1 really carries must be admitted by
// it, and a destroyed form must leave nothing in it.
TEST(Release, PropertyIndexAdmitsEveryPropertyAndForgetsTheDestroyed) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    SetControlColors(form, form1::kStart, 0xFF, -1);
    std::vector<HWND> windows;
    EnumChildList(form, windows);
    windows.push_back(form);
    size_t events = 0, colours = 0;
    for (HWND w : windows) {
        for (const auto& prop : FrameworkProps(w)) {
            const std::string& name = prop.first;
            if (name.rfind("ZQ_EVENT,", 0) == 0 || name.rfind("ZQ_HKCBEVT,", 0) == 0) {
                const UINT message = static_cast<UINT>(std::strtoul(name.c_str() + name.find(',') + 1, nullptr, 10));
                EXPECT_TRUE(MayHaveEventProperty(w, message)) << name << " on " << GetDlgCtrlID(w);
                ++events;
            }
            if (name == "ZQ_BACKCOLOR" || name == "ZQ_FORECOLOR" || name == "ZQ_BACKCOLOREB") {
                EXPECT_TRUE(MayHaveColourProperty(w)) << name << " on " << GetDlgCtrlID(w);
                ++colours;
            }
        }
    }
    EXPECT_GT(events, 10u);
    EXPECT_GT(colours, 5u);
    // Without properties the answer is no: the buttons have no colours of
    // their own, and no control has a paint handler.
    EXPECT_FALSE(MayHaveColourProperty(GetDlgItem(form, form1::kStop)));
    EXPECT_FALSE(MayHaveEventProperty(GetDlgItem(form, form1::kStart), WM_PAINT));

    DestroyWindow(form);
    for (HWND w : windows) {
        EXPECT_FALSE(MayHaveColourProperty(w));
        EXPECT_FALSE(MayHaveEventProperty(w, WM_COMMAND));
    }
}

TEST(Release, HundredsOfFormsLeaveNoTrace) {
    HANDLE process = GetCurrentProcess();
    // Warm up: classes, fonts and caches of the first creation stay.
    for (int i = 0; i < 3; ++i) DestroyWindow(CreateForm(kMainFormName, nullptr, 0));
    long blocks = FrameworkHeapBlockCount();
    int records = CountWindowRecords();
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    std::vector<HANDLE> objects;
    for (int i = 0; i < 200; ++i) {
        HWND form = CreateForm(i % 2 ? kMainFormName : kAboutFormName, nullptr, 0);
        ASSERT_NE(form, nullptr);
        HDC dc = GetDC(form);
        // What a paint makes: the label brushes.
        std::vector<HWND> children;
        EnumChildList(form, children);
        for (HWND child : children) SendMessageA(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
        ReleaseDC(form, dc);
        SetControlTag(form, 0, "per form");
        for (HWND child : children)
            for (const char* name : {"ZQ_BRUSH", "ZQ_FONT"})
                if (HANDLE h = GetPropA(child, name)) objects.push_back(h);
        DestroyWindow(form);
        for (HANDLE h : objects) ASSERT_EQ(GetObjectType(h), 0u) << i;
        objects.clear();
    }
    EXPECT_EQ(FrameworkHeapBlockCount(), blocks);
    EXPECT_EQ(CountWindowRecords(), records);
    EXPECT_EQ(TaskHookReferenceCount(GetCurrentThreadId()), 0);
    // Where the system counts objects, the counts are back where they were.
    if (gdi) { EXPECT_EQ(GetGuiResources(process, GR_GDIOBJECTS), gdi); }
    if (user) { EXPECT_EQ(GetGuiResources(process, GR_USEROBJECTS), user); }
}

}  // namespace

namespace {

// Real mouse input on the main form while its modal loop runs.
void mouseAt(HWND window, int x, int y, DWORD down, DWORD up) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = down;
    input[1].mi.dwFlags = up;
    SendInput(2, input, sizeof(INPUT));
}

TEST(RealInput, MouseButtonsReachTheHandlers) {
    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    for (auto event : {std::make_pair(form1::kStart, WM_COMMAND), std::make_pair(form1::kPanelToggle, WM_SETCURSOR)}) {
        HWND control = GetDlgItem(form, event.first);
        int code = event.second == WM_SETCURSOR ? WM_LBUTTONDOWN : 0;
        RemoveControlEvent(control, event.second, code);
        AddControlEvent(control, event.second, code, RecordingHandler);
    }
    HWND contact = GetDlgItem(form, form1::kContactLabel);
    RemoveControlEvent(contact, WM_CONTEXTMENU, 0);
    AddControlEvent(contact, WM_CONTEXTMENU, 0, RecordingHandler);
    HandlerResult() = 0;
    Log().clear();
    std::vector<std::vector<Seen>> phases(3);
    POINT rightAt = {10, 5};
    StartSteps(
        [&](int tick) {
            if (tick == 5) {
                // The main window starts collapsed, hiding the contact label
                // below its bottom edge; the click has to land on the label.
                SetWindowPos(form, nullptr, 0, 0, 1097, 753, SWP_NOMOVE | SWP_NOZORDER);
                SetForegroundWindow(form);
            }
            if (tick == 10) mouseAt(GetDlgItem(form, form1::kStart), 20, 10, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            if (tick == 20) {
                phases[0] = Log();
                Log().clear();
                mouseAt(GetDlgItem(form, form1::kPanelToggle), 6, 5, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            }
            if (tick == 30) {
                phases[1] = Log();
                Log().clear();
                mouseAt(contact, rightAt.x, rightAt.y, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
                ClientToScreen(contact, &rightAt);
            }
            if (tick == 40) {
                phases[2] = Log();
                CloseForm(form);
                return true;
            }
            return false;
        },
        20);
    Watchdog dog(form, 10000);
    ShowFormModal(form, nullptr);
    EXPECT_FALSE(dog.fired);

    // Each press makes exactly one handler call.
    EXPECT_EQ(phases[0], Expect({kStartHandlerSequence}, form));
    ASSERT_EQ(phases[1].size(), 1u);
    EXPECT_EQ(phases[1][0].args[1], form1::kPanelToggle);
    EXPECT_EQ(phases[1][0].args[3], 6);  // x, y in the label's client area
    EXPECT_EQ(phases[1][0].args[4], 5);
    // The right click: once, although the label passes it on to the form.
    ASSERT_EQ(phases[2].size(), 1u);
    EXPECT_EQ(phases[2][0].args[1], form1::kContactLabel);
    EXPECT_EQ(phases[2][0].args[2], rightAt.x);  // screen coordinates
    EXPECT_EQ(phases[2][0].args[3], rightAt.y);
}

}  // namespace
