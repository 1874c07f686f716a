// A small command-line remote for a running Tobrix, for scripts:
//   tobrix_drive wait <seconds>              waits until the main window is up and initialised
//   tobrix_drive close                       presses "关闭" and waits until the window is gone
//   tobrix_drive menu <id>                   a menu command to the main window
//   tobrix_drive click <id> [caption]        presses a button or label of the main window or
//                                            of the window with that caption
//   tobrix_drive text <id> <text> [caption]  sets a control's text the same way
//   tobrix_drive dismiss <caption>           the close box of that window
//   tobrix_drive hold                        keeps a hidden window until killed (see Hold)
//   tobrix_drive fits                        prints the main window's rectangle and its
//                                            monitor's work area; fails unless one holds the other
// menu, click, text and dismiss return at once; what they start happens in the program.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/ids.h"

static HWND FindMainWindow() { return FindWindowA(nullptr, "Tobrixv1.0"); }

static int WaitForMainWindow(int seconds) {
    DWORD deadline = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < deadline) {
        HWND form = FindMainWindow();
        HWND bar = form ? GetDlgItem(form, form1::kStatusBar) : nullptr;
        // The date in the status bar is the last thing the window sets up
        // before its background; give the picture a moment to paint.
        if (bar && IsWindowVisible(form) && LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)) > 0) {
            Sleep(500);
            return 0;
        }
        Sleep(50);
    }
    std::fprintf(stderr, "tobrix_drive: no main window after %d s\n", seconds);
    return 1;
}

static int CloseMainWindow() {
    HWND form = FindMainWindow();
    if (!form) return 0;
    PostMessageA(GetDlgItem(form, form1::kClose), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(form); ++i) Sleep(50);
    return IsWindow(form) ? 1 : 0;
}

// Wine's desktop process ends some seconds (up to 20 here) after the last
// program with a window is gone, and the next program starts a new one that inherits its
// output. A test runner waits for that output to close, so each test would
// wait out the desktop's lifetime. A hidden window of its own keeps the one
// desktop process alive for the whole run.
static int Hold() {
    HWND window = CreateWindowA("STATIC", "tobrix_drive hold", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                nullptr);
    if (!window) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

static int MainWindowFits() {
    HWND form = FindMainWindow();
    if (!form) return 1;
    RECT window;
    GetWindowRect(form, &window);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &info)) return 1;
    const RECT& work = info.rcWork;
    const bool inside = window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                        window.bottom <= work.bottom;
    std::printf("window %ld,%ld %ldx%ld; work area %ld,%ld %ldx%ld: %s\n", window.left, window.top,
                window.right - window.left, window.bottom - window.top, work.left, work.top,
                work.right - work.left, work.bottom - work.top, inside ? "inside" : "NOT inside");
    return inside ? 0 : 1;
}

static HWND FindForm(int argc, char** argv, int captionAt) {
    return argc > captionAt ? FindWindowA(nullptr, argv[captionAt]) : FindMainWindow();
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "wait") == 0)
        return WaitForMainWindow(argc >= 3 ? std::atoi(argv[2]) : 60);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return CloseMainWindow();
    if (argc >= 2 && std::strcmp(argv[1], "hold") == 0) return Hold();
    if (argc >= 2 && std::strcmp(argv[1], "fits") == 0) return MainWindowFits();
    if (argc >= 3 && std::strcmp(argv[1], "dismiss") == 0)
        return PostMessageA(FindWindowA(nullptr, argv[2]), WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    if (argc >= 3 && std::strcmp(argv[1], "menu") == 0)
        return PostMessageA(FindMainWindow(), WM_COMMAND, std::atoi(argv[2]), 0) ? 0 : 1;
    if (argc >= 3 && std::strcmp(argv[1], "click") == 0) {
        HWND form = FindForm(argc, argv, 3);
        HWND control = form ? GetDlgItem(form, std::atoi(argv[2])) : nullptr;
        if (!control) return 1;
        char cls[16] = {};
        GetClassNameA(control, cls, sizeof cls);
        // A label reacts to the press itself, as the system reports it while
        // setting the cursor; a button to BM_CLICK.
        if (lstrcmpiA(cls, "Static") == 0)
            return SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                                MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)) >= 0 ? 0 : 1;
        return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "key") == 0) {
        // To the presenter view, as a clicker sends it: a press, not a repeat.
        HWND view = FindWindowA("TobrixPresenterView", nullptr);
        const WPARAM key = static_cast<WPARAM>(std::atoi(argv[2]));
        return view && PostMessageA(view, WM_KEYDOWN, key, 1) && PostMessageA(view, WM_KEYUP, key, 0xC0000001) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "text") == 0) {
        HWND form = FindForm(argc, argv, 4);
        return form && SetDlgItemTextA(form, std::atoi(argv[2]), argv[3]) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: tobrix_drive wait <seconds> | close | menu <id> | click <id> [caption] | "
                         "text <id> <text> [caption] | key <vk> | dismiss <caption> | hold | fits\n");
    return 2;
}
