#include "ui/main_window.h"

#include <string>

#include "engine/draw_session.h"
#include "framework/app_paths.h"
#include "runtime/services.h"
#include "storage/name_files.h"
#include "ui/handlers.h"

AppForms gForms;

namespace {

// One draw per main window; the window that owns it now.
DrawSession* session = nullptr;
HWND sessionWindow = nullptr;

std::string controlText(HWND form, int id) {
    HWND control = GetDlgItem(form, id);
    int length = control ? GetWindowTextLengthA(control) : 0;
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string selectedItem(HWND form, int id) {
    HWND list = GetDlgItem(form, id);
    if (!list) return std::string();
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

DrawHost hostFor(HWND form) {
    DrawHost host;
    host.readText = [form](int id) { return controlText(form, id); };
    host.writeText = [form](int id, const std::string& text) { SetDlgItemTextA(form, id, text.c_str()); };
    host.enableControl = [form](int id, bool enabled) { EnableWindow(GetDlgItem(form, id), enabled); };
    host.selectedItemText = [form](int id) { return selectedItem(form, id); };
    host.showMessage = [](const std::string& text, const std::string& caption) {
        ShowMessage(text, caption, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    };
    host.readPreset = [](DrawMode) { return std::string(); };  // presets come with the preset forms
    host.programDirectory = gAppPaths.directory;
    host.loadTextFile = [](const std::string& path) { return LoadTextFile(path); };
    host.timeOfDay = []() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        TimeOfDay time;
        time.hour = now.wHour;
        time.minute = now.wMinute;
        time.second = now.wSecond;
        time.millisecond = now.wMilliseconds;
        return time;
    };
    // The roller's thread: posting never blocks, and the roller waits for
    // the candidate to be taken, so the queue holds at most one.
    host.requestDelivery = [form]() { PostMessageA(form, kDeliverCandidateMessage, 0, 0); };
    return host;
}

void releaseSession(HWND form) {
    if (form != sessionWindow) return;
    delete session;  // ends and joins a running roller, which never waits on us
    session = nullptr;
    sessionWindow = nullptr;
}

void initialise(HWND form) {
    MainDrawSession(form).mode = DrawMode::Number;
}

}  // namespace

DrawSession& MainDrawSession(HWND form) {
    if (!session || sessionWindow != form) {
        delete session;
        session = new DrawSession(hostFor(form));
        sessionWindow = form;
    }
    return *session;
}

INT_PTR CALLBACK MainWindowProcedure(HWND form, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (GetPropA(form, "ZQ_INITDLG")) return 0;
        SetPropA(form, "ZQ_INITDLG", reinterpret_cast<HANDLE>(1));
        initialise(form);
        return 0;
    case kDeliverCandidateMessage:
        if (form == sessionWindow) session->deliverCandidate();
        return 0;
    case WM_NCDESTROY:
        releaseSession(form);
        return 0;
    default:
        return 0;
    }
}

LRESULT HandleStart(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!form) return 0;
    MainDrawSession(form).start();
    return 0;
}

LRESULT HandleStop(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!form) return 0;
    MainDrawSession(form).stop();
    return 0;
}
