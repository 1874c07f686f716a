#pragma once
// Helpers for the win tests of the runtime services and the storage layer:
// scratch directories and files, and a watcher that answers the dialogs the
// code under test shows on this process's threads.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace test_support {

inline std::string ExecutablePath() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

inline std::string ExecutableDirectory() {
    const std::string path = ExecutablePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// "" for a missing file; use Exists to tell a missing file from an empty one.
inline std::string ReadBytes(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names are collected before anything is deleted: deleting while a search
// runs can make the search skip entries.
inline void RemoveTree(const std::string& directory) {
    std::vector<std::pair<std::string, bool>> entries;
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA((directory + "*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name != "." && name != "..") {
                entries.emplace_back(directory + name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    for (const auto& entry : entries) {
        SetFileAttributesA(entry.first.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.second) {
            RemoveTree(entry.first + "\\");
        } else {
            DeleteFileA(entry.first.c_str());
        }
    }
    RemoveDirectoryA(directory.c_str());
}

// A fresh directory under the temporary directory, ending in a backslash;
// removed again with everything in it when the value goes.
struct ScratchDirectory {
    std::string path;
    explicit ScratchDirectory(const char* tag) {
        static std::atomic<int> counter{0};
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + "tobrix_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(counter++) + "\\";
        RemoveTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~ScratchDirectory() { RemoveTree(path); }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
};

// Makes directory the current one for the value's lifetime.
struct CurrentDirectory {
    std::string previous;
    explicit CurrentDirectory(const std::string& directory) {
        char buffer[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(MAX_PATH, buffer);
        previous = buffer;
        SetCurrentDirectoryA(directory.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(previous.c_str()); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
};

// The names the system's own search gives, in its order.
inline std::vector<std::string> SearchOrder(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))) {
            names.push_back(data.cFileName);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return names;
}

inline std::string WindowText(HWND window) {
    char buffer[1024] = {};
    const int n = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? n : 0);
}

inline std::string ClassName(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

struct SeenDialog {
    std::string caption;
    std::string text;  // the texts of its static controls, joined
    std::vector<std::string> buttons;
    int pressed = 0;
};

// Watches for visible dialogs of this process and presses `preferred` in
// each (IDOK, IDYES, ...), or else OK, or else closes it. Records what it saw.
class DialogAnswerer {
public:
    explicit DialogAnswerer(int preferred = IDOK) : preferred_(preferred), thread_([this] { Run(); }) {}
    ~DialogAnswerer() {
        stop_ = true;
        thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    std::vector<SeenDialog> Seen() {
        std::lock_guard<std::mutex> hold(mutex_);
        return seen_;
    }

private:
    struct Search {
        DWORD process;
        std::vector<HWND> found;
    };

    static BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == search->process && IsWindowVisible(window) && ClassName(window) == "#32770") {
            search->found.push_back(window);
        }
        return TRUE;
    }

    static BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
    }

    void Answer(HWND dialog, bool record) {
        SeenDialog seen;
        seen.caption = WindowText(dialog);
        std::vector<HWND> children;
        EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
        HWND target = nullptr;
        HWND ok = nullptr;
        for (HWND child : children) {
            const std::string kind = ClassName(child);
            const std::string text = WindowText(child);
            if (_stricmp(kind.c_str(), "Static") == 0 && !text.empty()) {
                seen.text += text;
            } else if (_stricmp(kind.c_str(), "Button") == 0) {
                seen.buttons.push_back(text);
                const int id = GetDlgCtrlID(child);
                if (id == preferred_) target = child;
                if (id == IDOK) ok = child;
            }
        }
        if (!target) target = ok;
        if (target) {
            seen.pressed = GetDlgCtrlID(target);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(seen.pressed, BN_CLICKED), reinterpret_cast<LPARAM>(target));
        } else {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        if (!record) return;
        std::lock_guard<std::mutex> hold(mutex_);
        seen_.push_back(seen);
    }

    void Run() {
        using Clock = std::chrono::steady_clock;
        std::map<HWND, Clock::time_point> answered;
        while (!stop_) {
            Search search{GetCurrentProcessId(), {}};
            EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
            for (HWND dialog : search.found) {
                const auto at = answered.find(dialog);
                if (at == answered.end()) {
                    // Let the dialog finish laying itself out before reading it.
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    Answer(dialog, true);
                    answered[dialog] = Clock::now();
                } else if (Clock::now() - at->second > std::chrono::seconds(1)) {
                    Answer(dialog, false);  // still there: press again
                    at->second = Clock::now();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    int preferred_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::thread thread_;
};

}  // namespace test_support
