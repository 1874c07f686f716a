#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <cstdio>

namespace {

std::string WindowsPath(const char* unixPath) {
    std::string p = std::string("Z:") + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

struct FindArgs {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND w, LPARAM lp) {
    FindArgs* a = reinterpret_cast<FindArgs*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != a->processId || !IsWindowVisible(w)) return TRUE;
    if (WindowText(w) != *a->caption) return TRUE;
    a->found = w;
    return FALSE;
}

}  // namespace

std::string MakeProgramDirectory(const std::string& tag, bool withPictures) {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "tobrix-%s-%lu-%d\\", tag.c_str(), GetCurrentProcessId(),
                  ++counter);
    std::string dir = std::string(temp) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA(WindowsPath(TOBRIX_EXE_UNIX).c_str(), (dir + "Tobrix.exe").c_str(), FALSE);
    if (withPictures) {
        std::string assets = WindowsPath(TOBRIX_ASSETS_UNIX) + "\\";
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((assets + "*.jpg").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                CopyFileA((assets + fd.cFileName).c_str(), (dir + fd.cFileName).c_str(), FALSE);
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
    }
    return dir;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(h, &bytes[0], DWORD(bytes.size()), &got, nullptr);
    CloseHandle(h);
    bytes.resize(got);
    return bytes;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool LaunchTobrix(const std::string& directory, TobrixRun& run, DWORD timeoutMs,
                  const std::string& currentDirectory) {
    run = TobrixRun{};
    run.directory = directory;
    std::string cmd = "\"" + directory + "Tobrix.exe\"";
    std::string cwd = currentDirectory.empty() ? directory : currentDirectory;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si,
                        &run.process))
        return false;
    run.form1 = WaitForWindow(run.process.dwProcessId, "Tobrixv1.0", timeoutMs);
    if (!run.form1) {
        EndTobrix(run);
        return false;
    }
    // The window shows before its initialisation has run; the status bar's
    // date is the last visible step, so wait for it.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND bar = GetDlgItem(run.form1, 105);
        if (bar && LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)) > 0) break;
        PumpFor(20);
    }
    return true;
}

HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        FindArgs a{processId, &caption, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&a));
        if (a.found) return a.found;
        PumpFor(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string WindowText(HWND window) {
    // WM_GETTEXT, not GetWindowTextA: for another process's control the latter
    // returns the text the control was created with.
    int n = int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string s(n + 1, '\0');
    n = int(SendMessageA(window, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(&s[0])));
    s.resize(n > 0 ? n : 0);
    return s;
}

std::string ControlText(HWND form, int id) {
    return WindowText(GetDlgItem(form, id));
}

void SetControlText(HWND form, int id, const std::string& text) {
    SendMessageA(GetDlgItem(form, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ControlEnabled(HWND form, int id) {
    return IsWindowEnabled(GetDlgItem(form, id)) != FALSE;
}

bool ControlVisible(HWND form, int id) {
    return IsWindowVisible(GetDlgItem(form, id)) != FALSE;
}

RECT ControlRectInClient(HWND form, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(form, id), &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PostClick(HWND form, int id) {
    PostMessageA(GetDlgItem(form, id), BM_CLICK, 0, 0);
}

void SendClick(HWND form, int id) {
    SendMessageA(GetDlgItem(form, id), BM_CLICK, 0, 0);
}

void PostMenuCommand(HWND form, int commandId) {
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

void SendMenuCommand(HWND form, int commandId) {
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

std::vector<std::string> ComboItems(HWND form, int id) {
    HWND combo = GetDlgItem(form, id);
    std::vector<std::string> items;
    int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        int len = int(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
        std::wstring w(len + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&w[0]));
        w.resize(len);
        std::string a(len * 2 + 1, '\0');
        int m = WideCharToMultiByte(CP_ACP, 0, w.c_str(), len, &a[0], int(a.size()), nullptr,
                                    nullptr);
        a.resize(m);
        items.push_back(a);
    }
    return items;
}

int ComboSelection(HWND form, int id) {
    return int(SendMessageW(GetDlgItem(form, id), CB_GETCURSEL, 0, 0));
}

std::string MessageBoxText(HWND box) {
    // The message is the static control with ID 0xFFFF in a standard box.
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : "";
}

void DismissMessageBox(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok) ok = FindWindowExA(box, nullptr, "Button", nullptr);
    PostMessageA(ok, BM_CLICK, 0, 0);
}

bool WaitForText(HWND form, int id, bool (*accept)(const std::string&), DWORD timeoutMs,
                 std::string* last) {
    DWORD start = GetTickCount();
    std::string text;
    do {
        text = ControlText(form, id);
        if (accept(text)) {
            if (last) *last = text;
            return true;
        }
        PumpFor(10);
    } while (GetTickCount() - start < timeoutMs);
    if (last) *last = text;
    return false;
}

DWORD WaitForExit(TobrixRun& run, DWORD timeoutMs) {
    if (!run.process.hProcess) return STILL_ACTIVE;
    WaitForSingleObject(run.process.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.process.hProcess, &code);
    return code;
}

void EndTobrix(TobrixRun& run) {
    if (run.process.hProcess) {
        DWORD code = 0;
        if (GetExitCodeProcess(run.process.hProcess, &code) && code == STILL_ACTIVE) {
            TerminateProcess(run.process.hProcess, 1);
            WaitForSingleObject(run.process.hProcess, 5000);
        }
        CloseHandle(run.process.hProcess);
        CloseHandle(run.process.hThread);
    }
    run.process = PROCESS_INFORMATION{};
    run.form1 = nullptr;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}
