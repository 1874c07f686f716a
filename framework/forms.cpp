#include "framework/forms.h"

#include <cmath>
#include <cstring>

#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/events.h"
#include "framework/form_registry.h"
#include "framework/picture_box.h"
#include "runtime/numbers.h"
#include "runtime/startup_trace.h"
#include "runtime/strings.h"
#include "runtime/window_records.h"
#include "framework/property_names.h"

namespace {

const int kUnplaced = static_cast<int>(0x80000000);
// The modal loop's wait when its queue is empty.
const DWORD kIdlePollMs = 50;


struct TemplateWriter {
    unsigned char* p;
    size_t n = 0;
    void word(uint16_t v) {
        std::memcpy(p + n, &v, 2);
        n += 2;
    }
    void dword(uint32_t v) {
        std::memcpy(p + n, &v, 4);
        n += 4;
    }
    void byte(uint8_t v) { p[n++] = v; }
    void text(const char* ascii) {
        while (*ascii) word(static_cast<uint8_t>(*ascii++));
        word(0);
    }
};

int showCommandFor(DWORD style) {
    if (style & WS_MAXIMIZE) return SW_MAXIMIZE;
    if (style & WS_MINIMIZE) return SW_MINIMIZE;
    return SW_SHOW;
}

// Storing a zero-filled heap copy lets the hook free it with the rest.
void setFormName(HWND form, const std::string& name) {
    char* block = static_cast<char*>(FrameworkHeapAlloc(name.size()));
    if (!block) return;
    std::memcpy(block, name.data(), name.size());
    SetPropA(form, prop::kFormName, block);
}

// What the runtime does right after the dialog exists: the frame around the
// empty client, centred in the work area, the caption, the record.
void settleNewDialog(HWND form, HWND owner, const std::string& caption) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(form, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(form, GWL_EXSTYLE));
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT current;
    GetWindowRect(form, &current);
    int x = current.left, y = current.top;
    if (style & DS_CENTER) {
        RECT work;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        x = work.left + (work.right - work.left - w) / 2;
        y = work.top + (work.bottom - work.top - h) / 2;
    }
    SetWindowPos(form, nullptr, x, y, w, h, 0x71C);
    SetWindowTextA(form, caption.c_str());

    WindowRecord record;
    record.window = form;
    record.owner = owner;
    record.flags = WindowIsForm;
    record.showCommand = showCommandFor(style);
    record.dialogFont = reinterpret_cast<HFONT>(SendMessageA(form, WM_GETFONT, 0, 0));
    record.style = style;
    AddWindowRecord(record);
}

// Ending a form on SC_CLOSE that its procedure left alone.
void endForm(HWND form) {
    // Read before WM_CLOSE: a procedure that destroys the window there would
    // otherwise leave its owner disabled.
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(form, GWLP_HWNDPARENT));
    SendMessageA(form, WM_CLOSE, 0, 0);
    bool wasDisabled = false;
    if (owner && IsWindow(owner)) wasDisabled = EnableWindow(owner, TRUE) != 0;
    WindowRecord record;
    if (FindWindowRecord(form, record)) {
        if (record.resultTarget) *record.resultTarget = record.result;
        if (record.accelerators) DestroyAcceleratorTable(record.accelerators);
        record.accelerators = nullptr;
        record.resultTarget = nullptr;
        UpdateWindowRecord(record);
    }
    if (IsWindow(form) && !DestroyWindow(form) && wasDisabled) EnableWindow(owner, FALSE);
}

// Runs the form procedure's initialisation and attaches it.
void initialiseForm(HWND form, INT_PTR* resultTarget, bool modal) {
    DLGPROC procedure = FormProcedureFor(FormNameOf(form));
    WindowRecord record;
    if (!FindWindowRecord(form, record)) return;
    if (procedure) {
        procedure(form, WM_INITDIALOG, reinterpret_cast<WPARAM>(form), 0);
        TraceMark("init procedure");
        RECT client = {};
        GetClientRect(form, &client);
        WPARAM sizeType = record.showCommand == SW_MAXIMIZE   ? SIZE_MAXIMIZED
                          : record.showCommand == SW_MINIMIZE ? SIZE_MINIMIZED
                                                              : SIZE_RESTORED;
        procedure(form, WM_SIZE, sizeType, MAKELPARAM(client.right - client.left, client.bottom - client.top));
    }
    if (!FindWindowRecord(form, record)) return;  // closed during initialisation
    record.formProcedure = procedure;
    if (modal) record.flags |= WindowModal;
    record.resultTarget = resultTarget;
    UpdateWindowRecord(record);
}

}  // namespace

std::string FormNameOf(HWND form) {
    const char* name = form ? static_cast<const char*>(GetPropA(form, prop::kFormName)) : nullptr;
    return name ? std::string(name) : std::string();
}

size_t BuildDialogTemplate(unsigned char (&buffer)[512], DWORD style, DWORD exStyle, bool hasOwner, int x, int y,
                           bool boldFont) {
    DWORD s = style ? style : 0x80C000D4;
    s |= DS_SETFONT | DS_3DLOOK | DS_NOFAILCREATE;
    s &= ~static_cast<DWORD>(WS_VISIBLE | DS_SYSMODAL);
    if (x == kUnplaced || y == kUnplaced) s |= DS_CENTER;
    if (s & WS_CHILD) {
        s &= ~static_cast<DWORD>(WS_POPUP | DS_ABSALIGN);
        if (!hasOwner) s = (s & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    }
    std::memset(buffer, 0, sizeof buffer);
    TemplateWriter t{buffer};
    t.word(1);       // dlgVer
    t.word(0xFFFF);  // signature
    t.dword(0);      // helpID
    t.dword(exStyle);
    t.dword(s);
    t.word(0);  // cDlgItems
    t.word(static_cast<uint16_t>(x));
    t.word(static_cast<uint16_t>(y));
    t.word(0);  // cx
    t.word(0);  // cy
    t.word(0);  // menu
    t.word(0);  // window class
    t.text(" ");
    t.word(8);  // point size
    t.word(boldFont ? 700 : 400);
    t.byte(0);  // italic
    t.byte(0);  // charset
    t.text("MS Sans Serif");
    return t.n;
}

HMENU BuildMenuBar(const std::vector<MenuPopupDefinition>& popups) {
    HMENU bar = CreateMenu();
    if (!bar) return nullptr;
    auto insert = [](HMENU menu, UINT position, const char* text, UINT id, HMENU popup) {
        MENUITEMINFOA item = {};
        item.cbSize = offsetof(MENUITEMINFOA, hbmpItem);  // without hbmpItem: accepted everywhere
        item.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
        item.fType = std::strcmp(text, "-") == 0 ? MFT_SEPARATOR : MFT_STRING;
        item.fState = 0;
        item.wID = id;
        item.hSubMenu = popup;
        item.dwTypeData = const_cast<char*>(text);
        InsertMenuItemA(menu, position, TRUE, &item);
    };
    UINT index = 0;
    for (const MenuPopupDefinition& entry : popups) {
        HMENU popup = CreatePopupMenu();
        UINT position = 0;
        for (const MenuItemDefinition& item : entry.items)
            insert(popup, position++, item.text, static_cast<UINT>(item.commandId), nullptr);
        insert(bar, index++, entry.text, 0, popup);
    }
    return bar;
}

HWND CreateForm(const std::string& formName, HWND owner, int mode) {
    std::string name = StrUpper(StrTrim(formName));
    if (!gAppPaths.instance) InitAppPaths();
    registerPictureBoxClass();

    FormDefinition def;
    if (!FindFormDefinition(name, def)) return nullptr;
    HMENU menu = def.menu ? BuildMenuBar(*def.menu) : nullptr;

    DWORD style = def.style;
    DWORD exStyle = def.exStyle;
    if (owner) {
        if (mode >= 1 && mode <= 4) style |= WS_CHILD | DS_CONTROL;
        if (mode == 1 || mode == 2 || mode == 4) {
            style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE | WS_CAPTION | WS_BORDER | WS_DLGFRAME |
                                         WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
            exStyle &= ~static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CONTEXTHELP |
                                           WS_EX_STATICEDGE);
        }
        if (mode == 4) exStyle &= ~static_cast<DWORD>(WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
    }
    if (style & WS_CHILD) exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);

    int x = def.x, y = def.y, w = def.width, h = def.height;
    TwipsToPixels(nullptr, x, y, w, h);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

    alignas(4) unsigned char buffer[512];
    BuildDialogTemplate(buffer, style, exStyle, owner != nullptr, kUnplaced, kUnplaced, false);
    HWND form = CreateDialogIndirectParamA(gAppPaths.instance, reinterpret_cast<LPCDLGTEMPLATEA>(buffer), owner,
                                           RuntimeDialogProcedure, 0);
    if (!form) {
        if (menu) DestroyMenu(menu);
        return nullptr;
    }
    settleNewDialog(form, owner, def.caption);
    TraceMark("dialog");
    setFormName(form, name);
    // The extended style as the mode left it: an embedded form stays without
    // the frame bits that embedding removed.
    SetWindowLongA(form, GWL_EXSTYLE, GetWindowLongA(form, GWL_EXSTYLE) | static_cast<LONG>(exStyle));

    if (def.clientWidth > 0 && def.clientHeight > 0) {
        int unusedX = 0, unusedY = 0, cw = def.clientWidth, ch = def.clientHeight;
        TwipsToPixels(nullptr, unusedX, unusedY, cw, ch);
        RECT window;
        GetWindowRect(form, &window);
        POINT origin = {0, 0};
        ClientToScreen(form, &origin);
        int left = origin.x - window.left;
        int top = origin.y - window.top;
        int newW = cw + 2 * left;
        int newH = ch + top + left + (menu ? GetSystemMetrics(SM_CYMENU) : 0);
        if (!(style & WS_CHILD)) {
            x -= RoundHalfEven((newW - w) / 2.0);
            y -= RoundHalfEven((newH - h) / 2.0);
        }
        w = newW;
        h = newH;
    }
    if (menu) SetMenu(form, menu);
    TraceMark("hook");
    if (gAppPaths.largeIcon) {
        SendMessageA(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gAppPaths.largeIcon));
        SendMessageA(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gAppPaths.smallIcon));
    }
    if (def.backColor >= 0) SetControlColors(form, 0, def.backColor, 0);
    HWND order = (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP;
    SetWindowPos(form, order, x, y, w, h, SWP_HIDEWINDOW | SWP_FRAMECHANGED);
    if (mode == 0) PlaceWindow(form, owner, 2);
    CreateFormControls(name, form);
    // The hook comes last: nothing it acts on reaches a hidden form while its
    // controls are made, and under Wine each hooked message costs a round
    // trip to the server, several hundred of them for a form like FORM1.
    InstallTaskHook(form);
    TraceMark("controls");
    PostMessageA(form, WM_KEYDOWN, VK_TAB, 0);
    return form;
}

INT_PTR CALLBACK SkeletonFormProcedure(HWND form, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        if (GetPropA(form, prop::kInitialised)) return 0;
        SetPropA(form, prop::kInitialised, reinterpret_cast<HANDLE>(1));
    }
    return 0;
}

DLGPROC FormProcedureFor(const std::string& formName) {
    std::string name = StrUpper(StrTrim(formName));
    for (const auto& entry : RegisteredForms().procedures) {
        if (entry.first == name) return entry.second;
    }
    FormDefinition def;
    return FindFormDefinition(name, def) ? SkeletonFormProcedure : nullptr;
}

INT_PTR CALLBACK RuntimeDialogProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager's own initialisation; the form procedure gets its
    // WM_INITDIALOG from the show.
    if (message == WM_INITDIALOG) return 0;
    WindowRecord record;
    if (FindWindowRecord(form, record) && record.formProcedure) {
        INT_PTR result = record.formProcedure(form, message, wParam, lParam);
        if (result) {
            if (!GetWindowLongPtrA(form, DWLP_MSGRESULT)) SetWindowLongPtrA(form, DWLP_MSGRESULT, result);
            return result;
        }
    }
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            endForm(form);
            return TRUE;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowRecord(form);
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR ShowFormModal(HWND form, HWND owner) {
    if (!form || !IsWindow(form)) return 0;
    if (!owner) owner = reinterpret_cast<HWND>(GetWindowLongPtrA(form, GWLP_HWNDPARENT));
    ShowWindow(form, SW_SHOW);
    UpdateWindow(form);
    TraceMark("first paint");

    INT_PTR result = 0;
    initialiseForm(form, &result, true);
    TraceMark("initialised");

    owner = reinterpret_cast<HWND>(GetWindowLongPtrA(form, GWLP_HWNDPARENT));
    bool ownerWasEnabled = false;
    if (owner) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        ownerWasEnabled = EnableWindow(owner, FALSE) == 0;
    }
    WindowRecord record;
    if (FindWindowRecord(form, record)) ShowWindow(form, record.showCommand);

    MSG msg;
    static bool idleTraced = false;
    while (IsWindow(form)) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsWindow(form)) break;  // ended inside a message sent from another thread
            if (!idleTraced) {
                idleTraced = true;
                TraceMark("first idle");
                TraceWrite();
            }
            if (owner) SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(form));
            // Any message ends the wait at once, so its length only paces the
            // idle polling: at 1 ms an idle main window cost 3 % of a core
            // under Wine (and 4 % more in its server), at 50 ms 0.3 %.
            MsgWaitForMultipleObjectsEx(0, nullptr, kIdlePollMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (IsWindow(form)) {
            HACCEL accelerators = FindWindowRecord(form, record) ? record.accelerators : nullptr;
            if (accelerators && TranslateAcceleratorA(form, accelerators, &msg)) continue;
            if (IsDialogMessageA(form, &msg)) continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (owner && IsWindow(owner)) {
        // A form destroyed without ending leaves the owner as we made it.
        if (ownerWasEnabled && !IsWindowEnabled(owner)) EnableWindow(owner, TRUE);
        SetFocus(owner);
    }
    return result;
}

void ShowFormModeless(HWND form) {
    if (!form || !IsWindow(form)) return;
    initialiseForm(form, nullptr, false);
    WindowRecord record;
    int show = FindWindowRecord(form, record) ? record.showCommand : SW_SHOW;
    ShowWindow(form, show);
    if (show != SW_HIDE && show != SW_SHOWMINIMIZED && show != SW_MINIMIZE)
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SetPropA(form, prop::kInitialised, reinterpret_cast<HANDLE>(1));
    ShowWindow(form, SW_SHOW);
    UpdateWindow(form);
}

LRESULT CloseForm(HWND form) {
    if (!form || !IsWindow(form)) return 0;
    if (GetWindowLongA(form, GWL_STYLE) & WS_CHILD) {
        char cls[64] = {};
        GetClassNameA(GetParent(form), cls, sizeof cls);
        if (lstrcmpiA(cls, "MDIClient") != 0) return 0;
    }
    if (GetWindowThreadProcessId(form, nullptr) != GetCurrentThreadId()) {
        PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    return SendMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
}

RECT GetMonitorWorkArea(HWND owner, bool useCursor, RECT* monitorRect) {
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work = screen;
    typedef HMONITOR(WINAPI * FromWindow)(HWND, DWORD);
    typedef HMONITOR(WINAPI * FromPoint)(POINT, DWORD);
    typedef BOOL(WINAPI * GetInfo)(HMONITOR, LPMONITORINFO);
    HMODULE user32 = GetModuleHandleA("USER32.DLL");
    int32_t handle = static_cast<int32_t>(reinterpret_cast<intptr_t>(user32));
    if (handle < 0 || handle > 32) {
        auto fromWindow = reinterpret_cast<FromWindow>(reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromWindow")));
        auto fromPoint = reinterpret_cast<FromPoint>(reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromPoint")));
        auto getInfo = reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(user32, "GetMonitorInfoA")));
        if (fromWindow && fromPoint && getInfo) {
            HMONITOR monitor = nullptr;
            if (owner) {
                monitor = fromWindow(owner, MONITOR_DEFAULTTONEAREST);
            } else if (useCursor) {
                POINT cursor = {};
                GetCursorPos(&cursor);
                monitor = fromPoint(cursor, MONITOR_DEFAULTTONEAREST);
            }
            if (!monitor) monitor = fromWindow(GetDesktopWindow(), MONITOR_DEFAULTTONEAREST);
            MONITORINFO info = {};
            info.cbSize = sizeof info;
            if (monitor && getInfo(monitor, &info)) {
                screen = info.rcMonitor;
                work = info.rcWork;
            }
        }
    }
    if (monitorRect) *monitorRect = screen;
    return work;
}

int PlaceWindow(HWND window, HWND owner, int mode) {
    if (!window || mode == 0) return 0;
    if (!owner) owner = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
    if (!owner) {
        owner = GetActiveWindow();
        if (owner == window && !IsWindowVisible(window)) owner = nullptr;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    int x = rect.left, y = rect.top;
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    RECT work = GetMonitorWorkArea(owner, true);
    int W = std::abs(work.right - work.left), H = std::abs(work.bottom - work.top);
    auto centreOnWork = [&]() {
        x = RoundHalfEven((W - w) / 2.0);
        y = RoundHalfEven((H - h) / 2.0);
        if (x < 0) x = 0;
        if (y < 0) y = 0;
        x += work.left;
        y += work.top;
    };
    switch (mode) {
    case 1:
        x += work.left;
        y += work.top;
        break;
    case 2:
        centreOnWork();
        break;
    case 3:
    case 4:
        if (!owner) {
            centreOnWork();
            break;
        } else {
            RECT o;
            GetWindowRect(owner, &o);
            x = RoundHalfEven(((o.right - o.left) - w) / 2.0) + o.left;
            y = RoundHalfEven(((o.bottom - o.top) - h) / 2.0) + o.top;
            if (x + w > work.right) x = work.right - w;
            if (y + h > work.bottom) y = work.bottom - h;
            if (x < work.left) x = work.left;
            if (y < work.top) y = work.top;
        }
        break;
    default:
        return 0;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
}
