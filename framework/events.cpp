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

std::string EventPropertyName(UINT message, int code) { return PropName(prop::kEvent, message, code).text; }

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

EventHandler GetControlEvent(HWND window, UINT message, int code) { return eventOf(window, message, code); }

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
    HWND window = cwp.hwnd;
    bool found = false;
    bool handled = false;
    auto subclassIf = [&](bool has) {
        if (!has) return;
        found = true;
        subclassForOneMessage(window, handled);
    };

    switch (cwp.message) {
    case WM_ERASEBKGND:
        subclassIf(MayHaveColourProperty(window) && GetPropA(window, prop::kEraseColor) != nullptr);
        break;
    case WM_PAINT:
        subclassIf(eventOf(window, WM_PAINT, 0) != nullptr);
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        HWND control = reinterpret_cast<HWND>(cwp.lParam);
        subclassIf(control && MayHaveColourProperty(control) &&
                   (GetPropA(control, prop::kBackColor) || GetPropA(control, prop::kForeColor)));
        break;
    }
    case WM_SYSCOLORCHANGE:
        if (MayHaveColourProperty(window) && GetPropA(window, prop::kEraseColor)) {
            found = true;
            reapplyColors(window);
        }
        break;
    case WM_GETDLGCODE: {
        const MSG* asked = reinterpret_cast<const MSG*>(cwp.lParam);
        bool has = asked && eventOf(window, WM_GETDLGCODE, static_cast<int>(asked->message));
        subclassIf(has || eventOf(window, WM_GETDLGCODE, 0));
        break;
    }
    case WM_MOUSEACTIVATE:
        if (reinterpret_cast<HWND>(cwp.wParam) != window) subclassIf(eventOf(window, WM_MOUSEACTIVATE, 0) != nullptr);
        break;
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_COPYDATA:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
        subclassIf(eventOf(window, cwp.message, 0) != nullptr);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        HWND source = cwp.lParam ? reinterpret_cast<HWND>(cwp.lParam) : window;
        subclassIf(eventOf(source, cwp.message, 0) != nullptr);
        break;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(cwp.wParam) == window)
            subclassIf(eventOf(window, WM_SETCURSOR, HIWORD(cwp.lParam)) != nullptr);
        break;
    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(cwp.lParam);
        if (!control) break;
        if (HIWORD(cwp.wParam) == BN_CLICKED && GetPropA(control, prop::kThreeState)) {
            LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
            SendMessageA(control, BM_SETCHECK, check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        subclassIf(eventOf(control, WM_COMMAND, HIWORD(cwp.wParam)) != nullptr);
        break;
    }
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(cwp.lParam);
        if (!header || !header->hwndFrom) break;
        int notifyCode = static_cast<int>(header->code);
        WNDPROC callback = callbackOf(header->hwndFrom, WM_NOTIFY, notifyCode);
        if (callback) {
            found = true;
            if (CallWindowProcA(callback, window, cwp.message, cwp.wParam, cwp.lParam)) break;
        }
        subclassIf(eventOf(header->hwndFrom, WM_NOTIFY, notifyCode) != nullptr);
        break;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (cwp.lParam) {
            HWND item = cwp.wParam ? GetDlgItem(window, static_cast<int>(cwp.wParam)) : window;
            subclassIf(eventOf(item, cwp.message, 0) != nullptr);
        }
        break;
    case WM_CLOSE:
        if (GetPropA(window, prop::kFormName)) {
            LONG style = GetWindowLongA(window, GWL_STYLE);
            if ((style & WS_CHILD) && (style & WS_SYSMENU)) {
                found = true;
                ShowWindow(window, SW_HIDE);
                SetWindowLongPtrA(window, GWLP_HWNDPARENT, 0);
                SetParent(window, nullptr);
            }
        }
        break;
    case WM_CONTEXTMENU:
        // A child passes the request on to its parent with itself in wParam;
        // acting where it starts keeps the handler to one call per request.
        if (cwp.wParam && reinterpret_cast<HWND>(cwp.wParam) == window)
            subclassIf(eventOf(window, WM_CONTEXTMENU, 0) != nullptr);
        break;
    case WM_DESTROY: {
        WNDPROC callback = callbackOf(window, WM_DESTROY, 0);
        if (callback) {
            found = true;
            CallWindowProcA(callback, window, cwp.message, cwp.wParam, cwp.lParam);
        }
        if (EventHandler handler = eventOf(window, WM_DESTROY, 0)) {
            found = true;
            callHandler(handler, window);
        }
        break;
    }
    case WM_NCDESTROY: {
        // Other hooks of the thread still see the window go.
        LRESULT result = 0;
        if (releaseWindow(window, code, wParam, lParam, result)) return result;
        break;
    }
    default:
        break;
    }
    if (!found && !handled) return CallNextHookEx(hook, code, wParam, lParam);
    return 0;
}

namespace {

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

}  // namespace

LRESULT CALLBACK EventSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto own = reinterpret_cast<WNDPROC>(GetPropA(window, prop::kSubclassed));
    if (!own) own = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    SetPropA(window, prop::kSubclassed, nullptr);
    auto callOwn = [&]() { return CallWindowProcA(own, window, message, wParam, lParam); };

    switch (message) {
    case WM_ERASEBKGND:
        return colourFill(window, own, message, wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return colourAnswer(window, own, message, wParam, lParam);
    case WM_SIZE: {
        EventHandler handler = eventOf(window, message, 0);
        if (!handler) return callOwn();
        RECT client = {};
        GetClientRect(window, &client);
        callHandler(handler, window, wParam, client.right - client.left, client.bottom - client.top);
        return callOwn();
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        EventHandler handler = eventOf(window, message, 0);
        LRESULT result = callOwn();
        if (handler) callHandler(handler, window, wParam);
        return result;
    }
    case WM_ENABLE: {
        if (EventHandler handler = eventOf(window, message, 0)) callHandler(handler, window, wParam ? -1 : 0);
        return callOwn();
    }
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE: {
        EventHandler handler = eventOf(window, message, 0);
        if (handler && callHandler(handler, window)) return 0;
        return callOwn();
    }
    case WM_COPYDATA: {
        EventHandler handler = eventOf(window, message, 0);
        if (handler) {
            if (LRESULT result = callHandler(handler, window, wParam, lParam)) return result;
        }
        return callOwn();
    }
    case WM_GETDLGCODE: {
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
    case WM_MOUSEACTIVATE: {
        if (EventHandler handler = eventOf(window, message, 0)) {
            if (LRESULT result = callHandler(handler, window, wParam, LOWORD(lParam), HIWORD(lParam))) return result;
        }
        return callOwn();
    }
    case WM_SETCURSOR: {
        if (EventHandler handler = eventOf(window, message, HIWORD(lParam))) {
            POINT cursor = {}, origin = {};
            GetCursorPos(&cursor);
            ClientToScreen(window, &origin);
            callHandler(handler, window, wParam, cursor.x - origin.x, cursor.y - origin.y);
        }
        return callOwn();
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        HWND bar = reinterpret_cast<HWND>(lParam);
        EventHandler handler = eventOf(bar ? bar : window, message, 0);
        LRESULT result = callOwn();
        if (handler) {
            if (bar)
                callHandler(handler, bar, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<intptr_t>(bar));
            else
                callHandler(handler, window, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<intptr_t>(window));
        }
        return result;
    }
    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lParam);
        EventHandler handler = eventOf(control, message, HIWORD(wParam));
        LRESULT result = callOwn();
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
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        EventHandler handler = header ? eventOf(header->hwndFrom, message, static_cast<int>(header->code)) : nullptr;
        if (!handler) return callOwn();
        return handler(window, static_cast<int>(header->idFrom), lParam, 0, 0, 0);
    }
    case WM_PAINT: {
        EventHandler handler = eventOf(window, message, 0);
        if (!handler) return callOwn();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        callHandler(handler, window, reinterpret_cast<intptr_t>(dc), reinterpret_cast<intptr_t>(&paint));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM: {
        HWND item = wParam ? GetDlgItem(window, static_cast<int>(wParam)) : window;
        EventHandler handler = eventOf(item, message, 0);
        if (!handler) return callOwn();
        return handler(window, static_cast<int>(wParam), lParam, 0, 0, 0);
    }
    case WM_CONTEXTMENU: {
        HWND source = reinterpret_cast<HWND>(wParam);
        EventHandler handler = eventOf(source, message, 0);
        if (handler) {
            int x = static_cast<short>(LOWORD(lParam));
            int y = static_cast<short>(HIWORD(lParam));
            if (callHandler(handler, source, x, y)) return 0;
        }
        return callOwn();
    }
    default:
        return callOwn();
    }
}
