#pragma once
// What the bench's reference programs share: a dialog procedure that only
// closes, and the plain GetMessage loop that a minimal program runs.
#include <windows.h>

inline INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_CLOSE: DestroyWindow(dialog); return TRUE;
    case WM_DESTROY: PostQuitMessage(0); return TRUE;
    default: return FALSE;
    }
}

// Until the dialog is destroyed; returns the program's exit code.
inline int RunPlainDialogLoop(HWND dialog) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
