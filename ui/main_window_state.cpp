#include "ui/main_window_state.h"

const char* const kMainWindowProperty = "TobrixMainWindow";

MainWindow* FindMainWindow(HWND window) {
    for (HWND form = window; form;) {
        if (auto* owner = static_cast<MainWindow*>(GetPropA(form, kMainWindowProperty))) return owner;
        HWND next = GetWindow(form, GW_OWNER);
        form = next ? next : GetAncestor(form, GA_PARENT);
        if (form == GetDesktopWindow()) break;
    }
    return nullptr;
}
