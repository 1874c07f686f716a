#pragma once
// Shared by the framework's tests: a message log written as data and compared
// in order, recording window procedures and handlers, and message loops that
// always end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "framework/events.h"

namespace fwtest {

// One thing that happened: who saw it (a window's own procedure, by the name
// the test gave it, or "handler"), the message (0 for a handler call) and
// its arguments.
struct Seen {
    std::string who;
    UINT message = 0;
    std::vector<intptr_t> args;
    bool operator==(const Seen& o) const { return who == o.who && message == o.message && args == o.args; }
};

inline std::ostream& operator<<(std::ostream& out, const Seen& s) {
    out << "{" << s.who << ", " << s.message;
    for (intptr_t a : s.args) out << ", " << a;
    return out << "}";
}

inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}

// What the recording handler answers.
inline LRESULT& HandlerResult() {
    static LRESULT result = 0;
    return result;
}

inline LRESULT RecordingHandler(HWND form, int id, intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
    Log().push_back({"handler", 0, {reinterpret_cast<intptr_t>(form), id, a, b, c, d}});
    return HandlerResult();
}

inline intptr_t H(HWND w) { return reinterpret_cast<intptr_t>(w); }

// A window's own procedure wrapped so that it logs the messages of a filter.
// The wrapper stays the window's procedure; it also notes when it runs while
// the window's procedure is something else (a subclass left in place).
struct RecordedWindow {
    std::string name;
    WNDPROC original = nullptr;
    std::vector<UINT> filter;
};

inline std::map<HWND, RecordedWindow>& Recorded() {
    static std::map<HWND, RecordedWindow> windows;
    return windows;
}

inline int& StraySubclassCount() {
    static int count = 0;
    return count;
}

inline LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = Recorded().find(window);
    if (it == Recorded().end()) return DefWindowProcA(window, message, wParam, lParam);
    RecordedWindow& r = it->second;
    WNDPROC original = r.original;
    for (UINT m : r.filter) {
        if (m != message) continue;
        Log().push_back({r.name, message, {static_cast<intptr_t>(wParam), lParam}});
        if (GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(RecordingProcedure))
            ++StraySubclassCount();
    }
    if (message == WM_NCDESTROY) {
        LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
        Recorded().erase(window);
        return result;
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

inline void Record(HWND window, const std::string& name, std::vector<UINT> filter) {
    RecordedWindow r;
    r.name = name;
    r.filter = std::move(filter);
    r.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProcedure)));
    Recorded()[window] = r;
}

inline void Unrecord(HWND window) {
    auto it = Recorded().find(window);
    if (it == Recorded().end()) return;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
    Recorded().erase(it);
}

// Dispatches messages until done() or the timeout; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Thread timers that call a step from inside whatever loop is running. A
// step returns true when it is finished; the timer then stops. A step that
// is still running (a nested loop) is not entered again.
struct Stepper {
    std::function<bool(int)> step;
    int tick = 0;
    bool busy = false;
    bool finished = false;
    UINT_PTR timer = 0;
};

inline std::map<UINT_PTR, Stepper>& Steppers() {
    static std::map<UINT_PTR, Stepper> steppers;
    return steppers;
}

inline void CALLBACK StepperTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Steppers().find(id);
    if (it == Steppers().end() || it->second.busy || it->second.finished) return;
    std::function<bool(int)> step = it->second.step;
    int tick = it->second.tick++;
    it->second.busy = true;
    bool done = step(tick);
    it = Steppers().find(id);
    if (it == Steppers().end()) return;
    it->second.busy = false;
    if (done) {
        it->second.finished = true;
        KillTimer(nullptr, id);
    }
}

// Starts calling step every interval ms; returns the timer for StopSteps.
inline UINT_PTR StartSteps(std::function<bool(int)> step, UINT interval = 20) {
    UINT_PTR id = SetTimer(nullptr, 0, interval, StepperTimer);
    Stepper s;
    s.step = std::move(step);
    s.timer = id;
    Steppers()[id] = s;
    return id;
}

inline void StopSteps(UINT_PTR id) {
    KillTimer(nullptr, id);
    Steppers().erase(id);
}

// A watchdog for modal loops: after timeoutMs it destroys the form from its
// own thread (through a thread timer), so a test fails instead of hanging.
struct Watchdog {
    UINT_PTR timer = 0;
    bool fired = false;
    Watchdog(HWND form, DWORD timeoutMs) {
        DWORD start = GetTickCount();
        timer = StartSteps(
            [this, form, start, timeoutMs](int) {
                if (!IsWindow(form)) return true;
                if (GetTickCount() - start < timeoutMs) return false;
                fired = true;
                DestroyWindow(form);
                return true;
            },
            50);
    }
    ~Watchdog() { StopSteps(timer); }
};

inline BOOL CALLBACK CollectFrameworkProp(HWND, LPSTR name, HANDLE value, ULONG_PTR out) {
    if (!IS_INTRESOURCE(name) && std::string(name).compare(0, 3, "ZQ_") == 0)
        (*reinterpret_cast<std::map<std::string, HANDLE>*>(out))[name] = value;
    return TRUE;
}

// Every "ZQ_" property of a window, by name.
inline std::map<std::string, HANDLE> FrameworkProps(HWND window) {
    std::map<std::string, HANDLE> props;
    EnumPropsExA(window, CollectFrameworkProp, reinterpret_cast<ULONG_PTR>(&props));
    return props;
}

inline uint32_t PropValue(HWND window, const char* name) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetPropA(window, name)));
}

}  // namespace fwtest
