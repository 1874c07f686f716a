#include "framework/events.h"

#include <ole2.h>

#include <cstring>
#include <mutex>

#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/property_index.h"
#include "framework/property_names.h"

namespace {

struct HookEntry {
    DWORD threadId = 0;  // 0: free
    HHOOK hook = nullptr;
    int count = 0;
    HANDLE mutex = nullptr;  // prop::kHookMutex and the thread id, held while the hook is installed
};

// Index 0 is unused so that 0 can mean "no entry".
std::mutex hookTableLock;
std::vector<HookEntry> hookTable(2);

// Each thread's own hook, so the hook procedure finds it without the lock.
struct HookCache {
    bool valid = false;
    HHOOK hook = nullptr;
};
thread_local HookCache hookCache;

volatile LONG subclassCount = 0;

size_t findEntryLocked(DWORD tid) {
    for (size_t i = 1; i < hookTable.size(); ++i)
        if (hookTable[i].threadId == tid) return i;
    return 0;
}

// Writes the decimal digits of v at p, returns the end.
char* putNumber(char* p, long long v) {
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) *p++ = digits[--n];
    return p;
}

// "<prefix>,<message>,<code>" into an 80-byte buffer.
struct PropName {
    char text[80];
    PropName(const char* prefix, UINT message, int code) {
        size_t n = std::strlen(prefix);
        std::memcpy(text, prefix, n);
        char* p = text + n;
        *p++ = ',';
        p = putNumber(p, message);
        *p++ = ',';
        p = putNumber(p, code);
        *p = '\0';
    }
};

EventHandler eventOf(HWND window, UINT message, int code) {
    if (!window || !MayHaveEventProperty(window, message)) return nullptr;
    return reinterpret_cast<EventHandler>(GetPropA(window, PropName(prop::kEvent, message, code).text));
}

// The first two handler arguments: a child control is (parent, ID), any other
// window is (itself, 0). Top-level windows carry their menu in the ID field,
// so only children count as controls.
WNDPROC callbackOf(HWND window, UINT message, int code) {
    if (!window || !MayHaveEventProperty(window, message)) return nullptr;
    return reinterpret_cast<WNDPROC>(GetPropA(window, PropName(prop::kCallbackEvent, message, code).text));
}

void identify(HWND window, HWND& form, int& id) {
    id = 0;
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) id = GetDlgCtrlID(window);
    form = id ? GetParent(window) : window;
}

LRESULT callHandler(EventHandler handler, HWND window, intptr_t a = 0, intptr_t b = 0, intptr_t c = 0,
                    intptr_t d = 0) {
    HWND form;
    int id;
    identify(window, form, id);
    return handler(form, id, a, b, c, d);
}

void subclassForOneMessage(HWND window, bool& handled) {
    handled = true;
    // Already waiting for its message: subclassing again would make the
    // subclass procedure its own "previous" procedure.
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(EventSubclassProc)) return;
    LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EventSubclassProc));
    if (!previous) return;
    SetPropA(window, prop::kSubclassed, reinterpret_cast<HANDLE>(previous));
    InterlockedIncrement(&subclassCount);
}

int32_t storedColor(HWND window, const char* name) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(GetPropA(window, name)));
}

void reapplyColors(HWND window) {
    int32_t eraseColor = storedColor(window, prop::kEraseColor);
    if (eraseColor) SetControlColors(window, 0, eraseColor - 1, -1);
    std::vector<HWND> children;
    EnumChildList(window, children);
    for (HWND child : children) {
        int32_t back = storedColor(child, prop::kBackColor) - 1;
        int32_t fore = storedColor(child, prop::kForeColor) - 1;
        int id = GetDlgCtrlID(child);
        if (back >= 0 && id) SetControlColors(window, id, back, fore);
    }
}

BOOL CALLBACK removeFrameworkProp(HWND window, LPSTR name, HANDLE value, ULONG_PTR) {
    if (IS_INTRESOURCE(name) || std::strncmp(name, prop::kPrefix, sizeof prop::kPrefix - 1) != 0) return TRUE;
    if (std::strcmp(name, prop::kTaskHook) == 0) return TRUE;  // the hook's own bookkeeping, below
    if (std::strcmp(name, prop::kTag) == 0) {
        SetControlTag(window, 0, std::string());
        return TRUE;
    }
    if (std::strcmp(name, prop::kFormName) == 0) {
        FrameworkHeapFree(value);
    } else if (std::strncmp(name, prop::kColorUnknownPrefix, sizeof prop::kColorUnknownPrefix - 1) == 0 || std::strncmp(name, prop::kUnknownPrefix, sizeof prop::kUnknownPrefix - 1) == 0) {
        if (value) static_cast<IUnknown*>(value)->Release();
    }
    RemovePropA(window, name);
    return TRUE;
}

// Releases what the framework attached to the window. Returns true when the
// thread's last form went and the hook was removed; result then holds what
// the next hook answered.
bool releaseWindow(HWND window, int code, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    ForgetWindowProperties(window);
    if (HANDLE brush = RemovePropA(window, prop::kBrush)) DeleteObject(brush);
    if (HANDLE font = RemovePropA(window, prop::kFont)) DeleteObject(font);
    if (HANDLE bitmap = RemovePropA(window, prop::kBitmap)) DeleteObject(bitmap);
    if (HANDLE icon = RemovePropA(window, prop::kIcon)) DestroyIcon(static_cast<HICON>(icon));
    FrameworkHeapFree(RemovePropA(window, prop::kResizeData));
    FrameworkHeapFree(RemovePropA(window, prop::kMenuOwnerDraw));
    EnumPropsExA(window, removeFrameworkProp, 0);

    if (!RemovePropA(window, prop::kTaskHook)) return false;
    HookEntry gone;
    {
        std::lock_guard<std::mutex> locked(hookTableLock);
        size_t i = findEntryLocked(GetCurrentThreadId());
        if (!i) return false;
        if (--hookTable[i].count >= 1) return false;
        gone = hookTable[i];
        hookTable[i] = HookEntry();
    }
    result = CallNextHookEx(gone.hook, code, wParam, lParam);
    UnhookWindowsHookEx(gone.hook);
    hookCache = HookCache();
    if (gone.mutex) CloseHandle(gone.mutex);
    return true;
}

}  // namespace

int AddControlEvent(HWND window, UINT message, int code, EventHandler handler) {
    if (!window || !message || !handler) return 0;
    NoteEventProperty(window, message);
    SetPropA(window, PropName(prop::kEvent, message, code).text, reinterpret_cast<HANDLE>(handler));
    return 1;
}

int RemoveControlEvent(HWND window, UINT message, int code) {
    if (!window || !message) return 0;
    RemovePropA(window, PropName(prop::kEvent, message, code).text);
    return 1;
}

int SetCallbackEvent(HWND window, UINT message, int code, WNDPROC callback) {
    if (!window || (message != WM_DESTROY && message != WM_NOTIFY)) return 0;
    PropName name(prop::kCallbackEvent, message, code);
    if (callback) {
        NoteEventProperty(window, message);
        SetPropA(window, name.text, reinterpret_cast<HANDLE>(callback));
    } else {
        RemovePropA(window, name.text);
    }
    return 1;
}

int InstallTaskHook(HWND form) {
    if (!gAppPaths.instance) InitAppPaths();
    DWORD tid = GetCurrentThreadId();
    if (!form || GetPropA(form, prop::kTaskHook)) return 0;

    std::lock_guard<std::mutex> locked(hookTableLock);
    size_t i = findEntryLocked(tid);
    if (!i) {
        char name[40] = {};
        std::memcpy(name, prop::kHookMutex, sizeof prop::kHookMutex - 1);
        *putNumber(name + sizeof prop::kHookMutex - 1, tid) = '\0';
        // Someone else already hooks this thread for the framework.
        if (HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, name)) {
            CloseHandle(other);
            return 0;
        }
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        if (!mutex) return 0;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex);
            return 0;
        }
        i = findEntryLocked(0);
        if (!i) {
            hookTable.emplace_back();
            i = hookTable.size() - 1;
        }
        hookTable[i].mutex = mutex;
    }
    HookEntry& entry = hookTable[i];
    if (!entry.hook) {
        entry.threadId = tid;
        entry.hook = SetWindowsHookExA(WH_CALLWNDPROC, TaskHookProc, nullptr, tid);
        hookCache.valid = true;
        hookCache.hook = entry.hook;
    }
    entry.count += 1;
    SetPropA(form, prop::kTaskHook, reinterpret_cast<HANDLE>(1));
    return entry.count;
}

int TaskHookReferenceCount(DWORD threadId) {
    std::lock_guard<std::mutex> locked(hookTableLock);
    size_t i = findEntryLocked(threadId);
    return i ? hookTable[i].count : 0;
}

HHOOK TaskHookHandle(DWORD threadId) {
    std::lock_guard<std::mutex> locked(hookTableLock);
    size_t i = findEntryLocked(threadId);
    return i ? hookTable[i].hook : nullptr;
}

unsigned long TaskHookSubclassCount() { return static_cast<unsigned long>(subclassCount); }

namespace {

BOOL CALLBACK collectChild(HWND child, LPARAM out) {
    auto& list = *reinterpret_cast<std::vector<HWND>*>(out);
    if (list.size() == list.capacity()) list.reserve(list.size() + 100);
    list.push_back(child);
    return TRUE;
}

}  // namespace

int EnumChildList(HWND window, std::vector<HWND>& list) {
    list.clear();
    if (!window) return 0;
    list.reserve(100);
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&list));
    return static_cast<int>(list.size());
}

namespace {

// What the hook makes of a message before the window's procedure sees it.
enum class HookAnswer {
    Pass,      // nothing of the framework's: the next hook sees it
    Handled,   // the hook did the framework's part itself
    Subclass,  // the window is subclassed for this one message
};

HookAnswer subclassIf(bool needed) { return needed ? HookAnswer::Subclass : HookAnswer::Pass; }

// ---- In the hook: whether the window needs its one-message subclass ----

HookAnswer hasEvent(const CWPSTRUCT& cwp) { return subclassIf(eventOf(cwp.hwnd, cwp.message, 0) != nullptr); }

HookAnswer erasesInColour(const CWPSTRUCT& cwp) {
    return subclassIf(MayHaveColourProperty(cwp.hwnd) && GetPropA(cwp.hwnd, prop::kEraseColor) != nullptr);
}

HookAnswer controlHasColours(const CWPSTRUCT& cwp) {
    HWND control = reinterpret_cast<HWND>(cwp.lParam);
    return subclassIf(control && MayHaveColourProperty(control) &&
                      (GetPropA(control, prop::kBackColor) || GetPropA(control, prop::kForeColor)));
}

HookAnswer reapplyColoursOnChange(const CWPSTRUCT& cwp) {
    if (!MayHaveColourProperty(cwp.hwnd) || !GetPropA(cwp.hwnd, prop::kEraseColor)) return HookAnswer::Pass;
    reapplyColors(cwp.hwnd);
    return HookAnswer::Handled;
}

HookAnswer hasDialogCodeEvent(const CWPSTRUCT& cwp) {
    const MSG* asked = reinterpret_cast<const MSG*>(cwp.lParam);
    bool has = asked && eventOf(cwp.hwnd, WM_GETDLGCODE, static_cast<int>(asked->message));
    return subclassIf(has || eventOf(cwp.hwnd, WM_GETDLGCODE, 0));
}

HookAnswer hasActivateEvent(const CWPSTRUCT& cwp) {
    if (reinterpret_cast<HWND>(cwp.wParam) == cwp.hwnd) return HookAnswer::Pass;
    return hasEvent(cwp);
}

HookAnswer scrollSourceHasEvent(const CWPSTRUCT& cwp) {
    HWND source = cwp.lParam ? reinterpret_cast<HWND>(cwp.lParam) : cwp.hwnd;
    return subclassIf(eventOf(source, cwp.message, 0) != nullptr);
}

HookAnswer hasCursorEvent(const CWPSTRUCT& cwp) {
    if (reinterpret_cast<HWND>(cwp.wParam) != cwp.hwnd) return HookAnswer::Pass;
    return subclassIf(eventOf(cwp.hwnd, WM_SETCURSOR, HIWORD(cwp.lParam)) != nullptr);
}

HookAnswer controlHasCommandEvent(const CWPSTRUCT& cwp) {
    HWND control = reinterpret_cast<HWND>(cwp.lParam);
    if (!control) return HookAnswer::Pass;
    if (HIWORD(cwp.wParam) == BN_CLICKED && GetPropA(control, prop::kThreeState)) {
        LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
        SendMessageA(control, BM_SETCHECK, check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return subclassIf(eventOf(control, WM_COMMAND, HIWORD(cwp.wParam)) != nullptr);
}

HookAnswer notifyCallbackOrEvent(const CWPSTRUCT& cwp) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(cwp.lParam);
    if (!header || !header->hwndFrom) return HookAnswer::Pass;
    int notifyCode = static_cast<int>(header->code);
    WNDPROC callback = callbackOf(header->hwndFrom, WM_NOTIFY, notifyCode);
    if (callback && CallWindowProcA(callback, cwp.hwnd, cwp.message, cwp.wParam, cwp.lParam)) return HookAnswer::Handled;
    if (eventOf(header->hwndFrom, WM_NOTIFY, notifyCode)) return HookAnswer::Subclass;
    return callback ? HookAnswer::Handled : HookAnswer::Pass;
}

HookAnswer itemHasEvent(const CWPSTRUCT& cwp) {
    if (!cwp.lParam) return HookAnswer::Pass;
    HWND item = cwp.wParam ? GetDlgItem(cwp.hwnd, static_cast<int>(cwp.wParam)) : cwp.hwnd;
    return subclassIf(eventOf(item, cwp.message, 0) != nullptr);
}

// A framework form that is a child with a system menu hides and becomes
// top-level on close instead of going.
HookAnswer hideClosedChildForm(const CWPSTRUCT& cwp) {
    if (!GetPropA(cwp.hwnd, prop::kFormName)) return HookAnswer::Pass;
    LONG style = GetWindowLongA(cwp.hwnd, GWL_STYLE);
    if (!(style & WS_CHILD) || !(style & WS_SYSMENU)) return HookAnswer::Pass;
    ShowWindow(cwp.hwnd, SW_HIDE);
    SetWindowLongPtrA(cwp.hwnd, GWLP_HWNDPARENT, 0);
    SetParent(cwp.hwnd, nullptr);
    return HookAnswer::Handled;
}

// A child passes a context-menu request on to its parent with itself in
// wParam; acting where it starts keeps the handler to one call per request.
HookAnswer hasContextMenuEvent(const CWPSTRUCT& cwp) {
    if (!cwp.wParam || reinterpret_cast<HWND>(cwp.wParam) != cwp.hwnd) return HookAnswer::Pass;
    return hasEvent(cwp);
}

HookAnswer callDestroyHandlers(const CWPSTRUCT& cwp) {
    bool found = false;
    if (WNDPROC callback = callbackOf(cwp.hwnd, WM_DESTROY, 0)) {
        found = true;
        CallWindowProcA(callback, cwp.hwnd, cwp.message, cwp.wParam, cwp.lParam);
    }
    if (EventHandler handler = eventOf(cwp.hwnd, WM_DESTROY, 0)) {
        found = true;
        callHandler(handler, cwp.hwnd);
    }
    return found ? HookAnswer::Handled : HookAnswer::Pass;
}

// ---- In the subclass: the message itself, for the window's one message ----

typedef LRESULT (*SubclassStep)(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT colourFill(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    int32_t stored = storedColor(window, prop::kEraseColor);
    if (stored <= 0) return CallWindowProcA(own, window, message, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ResolveColor(stored - 1)));
    RECT box;
    GetClipBox(dc, &box);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    return 1;
}

LRESULT colourAnswer(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    HBRUSH brush = nullptr;
    int32_t back = storedColor(control, prop::kBackColor);
    if (back > 0) {
        COLORREF rgb = static_cast<COLORREF>(ResolveColor(back - 1));
        SetBkColor(dc, rgb);
        brush = static_cast<HBRUSH>(GetPropA(control, prop::kBrush));
        if (!brush) {
            brush = CreateSolidBrush(rgb);
            SetPropA(control, prop::kBrush, brush);
        }
    }
    int32_t fore = storedColor(control, prop::kForeColor);
    if (fore > 0 && IsWindowEnabled(control)) {
        COLORREF rgb = static_cast<COLORREF>(ResolveColor(fore - 1));
        SetTextColor(dc, rgb);
        if (!brush) {
            LRESULT result = CallWindowProcA(own, window, message, wParam, lParam);
            SetTextColor(dc, rgb);
            return result;
        }
    }
    if (brush) return reinterpret_cast<LRESULT>(brush);
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT sizeEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    EventHandler handler = eventOf(window, message, 0);
    if (!handler) return CallWindowProcA(own, window, message, wParam, lParam);
    RECT client = {};
    GetClientRect(window, &client);
    callHandler(handler, window, wParam, client.right - client.left, client.bottom - client.top);
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT focusEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    EventHandler handler = eventOf(window, message, 0);
    LRESULT result = CallWindowProcA(own, window, message, wParam, lParam);
    if (handler) callHandler(handler, window, wParam);
    return result;
}

LRESULT enableEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EventHandler handler = eventOf(window, message, 0)) callHandler(handler, window, wParam ? -1 : 0);
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT clipboardEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    EventHandler handler = eventOf(window, message, 0);
    if (handler && callHandler(handler, window)) return 0;
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT copyDataEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EventHandler handler = eventOf(window, message, 0)) {
        if (LRESULT result = callHandler(handler, window, wParam, lParam)) return result;
    }
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT dialogCodeEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    auto callOwn = [&]() { return CallWindowProcA(own, window, message, wParam, lParam); };
    MSG* asked = reinterpret_cast<MSG*>(lParam);
    if (asked) {
        if (EventHandler handler = eventOf(window, message, static_cast<int>(asked->message))) {
            LRESULT result = callHandler(handler, window, reinterpret_cast<intptr_t>(&asked->wParam), asked->lParam);
            return result ? result : callOwn();
        }
    }
    if (EventHandler handler = eventOf(window, message, 0)) {
        LRESULT result = callHandler(handler, window, wParam, lParam, reinterpret_cast<intptr_t>(own),
                                     reinterpret_cast<intptr_t>(window));
        if (result) return result;
    }
    return callOwn();
}

LRESULT activateEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EventHandler handler = eventOf(window, message, 0)) {
        if (LRESULT result = callHandler(handler, window, wParam, LOWORD(lParam), HIWORD(lParam))) return result;
    }
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT cursorEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EventHandler handler = eventOf(window, message, HIWORD(lParam))) {
        POINT cursor = {}, origin = {};
        GetCursorPos(&cursor);
        ClientToScreen(window, &origin);
        callHandler(handler, window, wParam, cursor.x - origin.x, cursor.y - origin.y);
    }
    return CallWindowProcA(own, window, message, wParam, lParam);
}

LRESULT scrollEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND bar = reinterpret_cast<HWND>(lParam);
    EventHandler handler = eventOf(bar ? bar : window, message, 0);
    LRESULT result = CallWindowProcA(own, window, message, wParam, lParam);
    if (handler) {
        if (bar)
            callHandler(handler, bar, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<intptr_t>(bar));
        else
            callHandler(handler, window, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<intptr_t>(window));
    }
    return result;
}

LRESULT commandEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    EventHandler handler = eventOf(control, message, HIWORD(wParam));
    LRESULT result = CallWindowProcA(own, window, message, wParam, lParam);
    if (handler) {
        int id = GetDlgCtrlID(control);
        int n = LOWORD(wParam);
        if (n != id)
            handler(window, id, n, 0, 0, 0);
        else if (id)
            handler(window, id, 0, 0, 0, 0);
        else
            handler(control, n, 0, 0, 0, 0);
    }
    return result;
}

LRESULT notifyEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    EventHandler handler = header ? eventOf(header->hwndFrom, message, static_cast<int>(header->code)) : nullptr;
    if (!handler) return CallWindowProcA(own, window, message, wParam, lParam);
    return handler(window, static_cast<int>(header->idFrom), lParam, 0, 0, 0);
}

LRESULT paintEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    EventHandler handler = eventOf(window, message, 0);
    if (!handler) return CallWindowProcA(own, window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    callHandler(handler, window, reinterpret_cast<intptr_t>(dc), reinterpret_cast<intptr_t>(&paint));
    EndPaint(window, &paint);
    return 0;
}

LRESULT itemEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND item = wParam ? GetDlgItem(window, static_cast<int>(wParam)) : window;
    EventHandler handler = eventOf(item, message, 0);
    if (!handler) return CallWindowProcA(own, window, message, wParam, lParam);
    return handler(window, static_cast<int>(wParam), lParam, 0, 0, 0);
}

LRESULT contextMenuEvent(HWND window, WNDPROC own, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND source = reinterpret_cast<HWND>(wParam);
    EventHandler handler = eventOf(source, message, 0);
    if (handler) {
        int x = static_cast<short>(LOWORD(lParam));
        int y = static_cast<short>(HIWORD(lParam));
        if (callHandler(handler, source, x, y)) return 0;
    }
    return CallWindowProcA(own, window, message, wParam, lParam);
}

// ---- The messages the framework handles ----

struct MessageRule {
    UINT message;
    HookAnswer (*inHook)(const CWPSTRUCT& cwp);
    SubclassStep inSubclass;  // null: the hook never subclasses for it
};

const MessageRule kMessageRules[] = {
    {WM_ERASEBKGND, erasesInColour, colourFill},
    {WM_PAINT, hasEvent, paintEvent},
    {WM_CTLCOLORMSGBOX, controlHasColours, colourAnswer},
    {WM_CTLCOLOREDIT, controlHasColours, colourAnswer},
    {WM_CTLCOLORLISTBOX, controlHasColours, colourAnswer},
    {WM_CTLCOLORBTN, controlHasColours, colourAnswer},
    {WM_CTLCOLORDLG, controlHasColours, colourAnswer},
    {WM_CTLCOLORSCROLLBAR, controlHasColours, colourAnswer},
    {WM_CTLCOLORSTATIC, controlHasColours, colourAnswer},
    {WM_SYSCOLORCHANGE, reapplyColoursOnChange, nullptr},
    {WM_GETDLGCODE, hasDialogCodeEvent, dialogCodeEvent},
    {WM_MOUSEACTIVATE, hasActivateEvent, activateEvent},
    {WM_SIZE, hasEvent, sizeEvent},
    {WM_SETFOCUS, hasEvent, focusEvent},
    {WM_KILLFOCUS, hasEvent, focusEvent},
    {WM_ENABLE, hasEvent, enableEvent},
    {WM_COPYDATA, hasEvent, copyDataEvent},
    {WM_CUT, hasEvent, clipboardEvent},
    {WM_COPY, hasEvent, clipboardEvent},
    {WM_PASTE, hasEvent, clipboardEvent},
    {WM_HSCROLL, scrollSourceHasEvent, scrollEvent},
    {WM_VSCROLL, scrollSourceHasEvent, scrollEvent},
    {WM_SETCURSOR, hasCursorEvent, cursorEvent},
    {WM_COMMAND, controlHasCommandEvent, commandEvent},
    {WM_NOTIFY, notifyCallbackOrEvent, notifyEvent},
    {WM_DRAWITEM, itemHasEvent, itemEvent},
    {WM_MEASUREITEM, itemHasEvent, itemEvent},
    {WM_CLOSE, hideClosedChildForm, nullptr},
    {WM_CONTEXTMENU, hasContextMenuEvent, contextMenuEvent},
    {WM_DESTROY, callDestroyHandlers, nullptr},
};

const MessageRule* ruleFor(UINT message) {
    for (const MessageRule& rule : kMessageRules) {
        if (rule.message == message) return &rule;
    }
    return nullptr;
}

}  // namespace

LRESULT CALLBACK TaskHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (!hookCache.valid) {
        std::lock_guard<std::mutex> locked(hookTableLock);
        size_t i = findEntryLocked(GetCurrentThreadId());
        if (!i || !hookTable[i].hook) return 0;
        hookCache.valid = true;
        hookCache.hook = hookTable[i].hook;
    }
    HHOOK hook = hookCache.hook;
    if (code < 0 || !lParam) return CallNextHookEx(hook, code, wParam, lParam);

    const CWPSTRUCT& cwp = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (cwp.message == WM_NCDESTROY) {
        // Other hooks of the thread still see the window go.
        LRESULT result = 0;
        if (releaseWindow(cwp.hwnd, code, wParam, lParam, result)) return result;
        return CallNextHookEx(hook, code, wParam, lParam);
    }
    const MessageRule* rule = ruleFor(cwp.message);
    switch (rule ? rule->inHook(cwp) : HookAnswer::Pass) {
    case HookAnswer::Pass: return CallNextHookEx(hook, code, wParam, lParam);
    case HookAnswer::Handled: return 0;
    case HookAnswer::Subclass: {
        bool handled = false;
        subclassForOneMessage(cwp.hwnd, handled);
        return 0;
    }
    }
    return 0;
}

LRESULT CALLBACK EventSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto own = reinterpret_cast<WNDPROC>(GetPropA(window, prop::kSubclassed));
    if (!own) own = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    SetPropA(window, prop::kSubclassed, nullptr);
    const MessageRule* rule = ruleFor(message);
    if (rule && rule->inSubclass) return rule->inSubclass(window, own, message, wParam, lParam);
    return CallWindowProcA(own, window, message, wParam, lParam);
}
