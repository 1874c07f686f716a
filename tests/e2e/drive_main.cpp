// A small command-line remote for a running Tobrix, for scripts:
//   tobrix_drive wait <seconds>   waits until the main window is up and initialised
//   tobrix_drive close            presses "关闭" and waits until the window is gone
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HWND FindMainWindow() { return FindWindowA(nullptr, "Tobrixv1.0"); }

static int WaitForMainWindow(int seconds) {
    DWORD deadline = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < deadline) {
        HWND form = FindMainWindow();
        HWND bar = form ? GetDlgItem(form, 105) : nullptr;
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
    PostMessageA(GetDlgItem(form, 120), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(form); ++i) Sleep(50);
    return IsWindow(form) ? 1 : 0;
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "wait") == 0)
        return WaitForMainWindow(argc >= 3 ? std::atoi(argv[2]) : 60);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return CloseMainWindow();
    std::fprintf(stderr, "usage: tobrix_drive wait <seconds> | close\n");
    return 2;
}
