#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

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
    // The caption as the system keeps it: asking the window itself would
    // wait for as long as the program is busy.
    char caption[512] = {};
    GetWindowTextA(w, caption, sizeof caption);
    if (*a->caption != caption) return TRUE;
    a->found = w;
    return FALSE;
}

}  // namespace

std::string MakeProgramDirectory(const std::string& tag, bool withPictures) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return MakeProgramDirectoryUnder(temp, tag, withPictures);
}

std::string MakeProgramDirectoryUnder(const std::string& parent, const std::string& tag,
                                      bool withPictures) {
    static int counter = 0;
    std::string dir;
    // Process IDs come round again under Wine: skip names an earlier run left.
    do {
        char name[96];
        std::snprintf(name, sizeof name, "tobrix-%s-%lu-%d\\", tag.c_str(), GetCurrentProcessId(),
                      ++counter);
        dir = parent + name;
    } while (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
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

void RemoveProgramDirectory(const std::string& directory) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((directory + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            SetFileAttributesA((directory + fd.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((directory + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(directory.c_str());
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
        HWND bar = GetDlgItem(run.form1, form1::kStatusBar);
        DWORD_PTR length = 0;
        if (bar && SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, 0, 0, SMTO_NORMAL, 200, &length) &&
            LOWORD(length) > 0)
            break;
        PumpFor(20);
    }
    return true;
}

HWND FindVisibleWindow(DWORD processId, const std::string& caption) {
    FindArgs a{processId, &caption, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&a));
    return a.found;
}

HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if (HWND found = FindVisibleWindow(processId, caption)) return found;
        PumpFor(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string WindowText(HWND window) {
    // WM_GETTEXT, not GetWindowTextA: for another process's control the latter
    // returns the text the control was created with. The text may grow between
    // asking its length and fetching it (a rolling display), so the buffer has
    // room to spare and a full buffer is fetched again.
    for (int slack = 256;; slack *= 4) {
        int n = int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
        int size = n + 1 + slack;
        std::string s(size, '\0');
        n = int(SendMessageA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(&s[0])));
        s.resize(n > 0 ? n : 0);
        if (n < size - 1 || slack > (1 << 24)) return s;
    }
}

std::string ControlText(HWND form, int id) {
    return WindowText(GetDlgItem(form, id));
}

std::string ControlTextPrefix(HWND form, int id, int maxBytes) {
    std::string s(maxBytes + 1, '\0');
    int n = int(SendDlgItemMessageA(form, id, WM_GETTEXT, maxBytes + 1,
                                    reinterpret_cast<LPARAM>(&s[0])));
    s.resize(n > 0 ? n : 0);
    return s;
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

SIZE OuterSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string StatusBarText(const TobrixRun& run, int part) {
    HWND bar = GetDlgItem(run.form1, form1::kStatusBar);
    if (!bar || !run.process.hProcess || part < 0 || part >= StatusBarParts(run.form1)) return "";
    int length = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, WPARAM(part), 0));
    // Wine counts the length in UTF-16 units, Windows in bytes: room for both.
    SIZE_T size = 2 * SIZE_T(length) + 2;
    void* remote = VirtualAllocEx(run.process.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return "";
    std::string text(size, '\0');
    SendMessageA(bar, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(remote));
    SIZE_T got = 0;
    ReadProcessMemory(run.process.hProcess, remote, &text[0], size, &got);
    VirtualFreeEx(run.process.hProcess, remote, 0, MEM_RELEASE);
    text.resize(strnlen(text.c_str(), got));
    return text;
}

int StatusBarParts(HWND form) {
    return int(SendMessageA(GetDlgItem(form, form1::kStatusBar), SB_GETPARTS, 0, 0));
}

UINT StatusBarFlags(HWND form) {
    return HIWORD(SendMessageA(GetDlgItem(form, form1::kStatusBar), SB_GETTEXTLENGTHA, 0, 0));
}

HWND WaitForMessageBox(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    HWND box = WaitForWindow(processId, caption, timeoutMs);
    return box && WindowClass(box) == "#32770" ? box : nullptr;
}

void PressDialogButton(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        PumpFor(20);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

namespace {

struct ListArgs {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM lp) {
    ListArgs* a = reinterpret_cast<ListArgs*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if ((a->processId == 0 || pid == a->processId) && IsWindowVisible(w)) a->windows->push_back(w);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    std::vector<HWND> windows;
    ListArgs a{processId, &windows};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&a));
    return windows;
}

std::string WindowClass(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND WaitForNewWindowOfClass(const std::string& className, const std::vector<HWND>& known,
                             DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        for (HWND w : TopLevelWindows(0)) {
            if (WindowClass(w) != className) continue;
            bool old = false;
            for (HWND k : known) old = old || k == w;
            if (!old) return w;
        }
        PumpFor(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if ((IsWindowEnabled(window) != FALSE) == enabled) return true;
        PumpFor(10);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

bool Responds(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

void SendLabelPress(HWND form, int id) {
    HWND label = GetDlgItem(form, id);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                 MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
}

void MouseClickControl(HWND form, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(form, id), &r);
    SetForegroundWindow(form);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpFor(50);
    INPUT press[2] = {};
    press[0].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press[0], sizeof(INPUT));
    PumpFor(50);
    SendInput(1, &press[1], sizeof(INPUT));
}

COLORREF ScreenPixelInClient(HWND form, POINT clientPoint) {
    ClientToScreen(form, &clientPoint);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, clientPoint.x, clientPoint.y);
    ReleaseDC(nullptr, screen);
    return c;
}

void ForceRepaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

namespace {

// 1 when a file can be made in the directory and every file in it can be
// opened for writing, 0 when none of that is possible, -1 in between.
int WritableState(const std::string& directory) {
    bool created = false, someWritable = false, someLocked = false;
    std::string probe = directory + "write-probe.tmp";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        created = true;
        CloseHandle(h);
        DeleteFileA(probe.c_str());
    }
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((directory + "*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            HANDLE f = CreateFileA((directory + fd.cFileName).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f != INVALID_HANDLE_VALUE) {
                someWritable = true;
                CloseHandle(f);
            } else {
                someLocked = true;
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    if (created && !someLocked) return 1;
    if (!created && !someWritable) return 0;
    return -1;
}

}  // namespace

bool SetDirectoryImmutable(const std::string& directory, bool immutable) {
    typedef char*(CDECL * ToUnixPath)(const WCHAR*);
    ToUnixPath toUnix = reinterpret_cast<ToUnixPath>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return false;  // not under Wine
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, directory.c_str(), -1, wide, MAX_PATH);
    char* unixPath = toUnix(wide);
    if (!unixPath) return false;
    // chattr runs under a shell that leaves a marker when it is done: a
    // probe file made in the directory while chattr runs would be locked in
    // with it, and Wine does not report a native program's end.
    char marker[64];
    std::snprintf(marker, sizeof marker, "/tmp/tobrix-chattr-%lu-%lu.done", GetCurrentProcessId(), GetTickCount());
    std::string cmd = std::string("/bin/sh -c \"/usr/bin/chattr -R ") + (immutable ? "+i" : "-i") + " '" + unixPath +
                      "'; touch " + marker + "\"";
    HeapFree(GetProcessHeap(), 0, unixPath);
    std::string markerPath = std::string("Z:") + marker;
    for (char& c : markerPath) c = c == '/' ? '\\' : c;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA("Z:\\bin\\sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(markerPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 20000) return false;  // a loaded machine starts it slowly
        PumpFor(50);
    }
    DeleteFileA(markerPath.c_str());
    return WritableState(directory) == (immutable ? 0 : 1);
}

std::vector<std::string> TxtFilesInSearchOrder(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_DIRECTORY)))
            names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}
