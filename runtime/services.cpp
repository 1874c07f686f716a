#include "runtime/services.h"

#include "runtime/strings.h"

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

const char* const kDefaultCaption = "Tobrix";

namespace {

// Exchange-and-test locks, held for one system call or one table access only.
struct SpinLock {
    std::atomic<bool> held{false};
};

void Acquire(SpinLock& lock) {
    while (lock.held.exchange(true, std::memory_order_acquire)) {
        while (lock.held.load(std::memory_order_relaxed)) YieldProcessor();
    }
}

void Release(SpinLock& lock) { lock.held.store(false, std::memory_order_release); }

SpinLock g_gateLock;
SpinLock g_fileTableLock;
SpinLock g_fileOpenLock;

thread_local int32_t t_errorNumber = 0;

// ---- Thread records ----

struct ThreadRecord {
    HANDLE search = INVALID_HANDLE_VALUE;
    DWORD searchMask = 0;
    DialogFont font;
};

std::atomic<DWORD> g_slot{TLS_OUT_OF_INDEXES};
std::atomic<bool> g_shutDown{false};
std::atomic<int32_t> g_threadCount{0};
DialogFont g_mainFont;

// Tests and threads the runtime did not start get their slot on first use.
DWORD EnsureSlot() {
    DWORD slot = g_slot.load();
    if (slot != TLS_OUT_OF_INDEXES) return slot;
    const DWORD fresh = TlsAlloc();
    if (fresh == TLS_OUT_OF_INDEXES) return fresh;
    if (g_slot.compare_exchange_strong(slot, fresh)) return fresh;
    TlsFree(fresh);
    return slot;
}

ThreadRecord* CurrentRecord() {
    if (g_shutDown.load()) return nullptr;
    const DWORD slot = EnsureSlot();
    if (slot == TLS_OUT_OF_INDEXES) return nullptr;
    auto* record = static_cast<ThreadRecord*>(TlsGetValue(slot));
    if (record) return record;
    record = new (std::nothrow) ThreadRecord;
    if (!record) return nullptr;
    record->font = g_mainFont;
    if (!TlsSetValue(slot, record)) {
        delete record;
        return nullptr;
    }
    ++g_threadCount;
    return record;
}

void CloseSearch(ThreadRecord& record) {
    if (record.search == INVALID_HANDLE_VALUE) return;
    FindClose(record.search);
    record.search = INVALID_HANDLE_VALUE;
}

void ReleaseCurrentRecord() {
    const DWORD slot = g_slot.load();
    if (slot == TLS_OUT_OF_INDEXES) return;
    auto* record = static_cast<ThreadRecord*>(TlsGetValue(slot));
    if (!record) return;
    CloseSearch(*record);
    TlsSetValue(slot, nullptr);
    delete record;
    --g_threadCount;
}

// ---- Process state ----

HINSTANCE g_instance = nullptr;
int g_showCommand = SW_SHOWDEFAULT;
OSVERSIONINFOA g_version{};
std::string g_commandTail;
bool g_commandTailSet = false;

// ---- Directory search ----

const DWORD kFilteredAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool Wanted(const WIN32_FIND_DATAA& data, DWORD mask) {
    const char* name = data.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    const DWORD special = data.dwFileAttributes & kFilteredAttributes;
    if (special & ~mask) return false;
    if ((mask & kDirOnly) && !(special & mask)) return false;
    return true;
}

void ClearFindRecord(WIN32_FIND_DATAA* record) {
    if (record) std::memset(record, 0, sizeof *record);
}

// Nothing (left) to find is the normal end of a search, not a failure.
bool IsEndOfSearch(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES; }

// data holds the current candidate; skips until one is wanted or the search ends.
std::string NextWanted(ThreadRecord& thread, WIN32_FIND_DATAA& data, WIN32_FIND_DATAA* record) {
    while (!Wanted(data, thread.searchMask)) {
        DWORD error = 0;
        const BOOL found = GateCall([&] { return FindNextFileA(thread.search, &data); }, error);
        if (!found) {
            if (!IsEndOfSearch(error)) RecordSystemError(error);
            CloseSearch(thread);
            ClearFindRecord(record);
            return std::string();
        }
    }
    if (record) *record = data;
    return std::string(data.cFileName);
}

std::string VolumeName(const std::string& pattern) {
    std::string root;
    if (pattern.size() >= 2 && pattern[1] == ':') root = pattern.substr(0, 2) + "\\";
    char name[MAX_PATH + 1] = {};
    DWORD error = 0;
    const BOOL ok = GateCall(
        [&] {
            return GetVolumeInformationA(root.empty() ? nullptr : root.c_str(), name, sizeof name, nullptr,
                                         nullptr, nullptr, nullptr, 0);
        },
        error);
    if (!ok) {
        RecordSystemError(error);
        return std::string();
    }
    return std::string(name);
}

// ---- Numbered files ----

HANDLE g_files[kFileNumberLimit + 1] = {};

bool ValidFileNumber(int32_t number) { return number >= 1 && number <= kFileNumberLimit; }

HANDLE NumberedHandle(int32_t number) {
    if (!ValidFileNumber(number)) return nullptr;
    Acquire(g_fileTableLock);
    HANDLE file = g_files[number];
    Release(g_fileTableLock);
    return file;
}

DWORD ShareFlags(FileShare share) {
    switch (share) {
    case FileShare::Shared: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileShare::LockRead: return FILE_SHARE_WRITE;
    case FileShare::LockWrite: return FILE_SHARE_READ;
    case FileShare::LockReadWrite: return 0;
    }
    return 0;
}

DWORD AccessFlags(FileAccess access) {
    switch (access) {
    case FileAccess::Read: return GENERIC_READ;
    case FileAccess::Write: return GENERIC_WRITE;
    case FileAccess::Default:
    case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return GENERIC_READ;
}

HANDLE CreateGated(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD& error) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return GateCall(
        [&] {
            return CreateFileA(path.c_str(), access, share, &inheritable, disposition, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        },
        error);
}

// ---- Threads ----

struct ThreadStart {
    LPTHREAD_START_ROUTINE start;
    void* param;
};

DWORD WINAPI RunThread(void* param) {
    const ThreadStart start = *static_cast<ThreadStart*>(param);
    delete static_cast<ThreadStart*>(param);
    const HRESULT com = CoInitialize(nullptr);
    CurrentRecord();
    const DWORD code = start.start(start.param);
    ReleaseCurrentRecord();
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}

}  // namespace

// ---- Runtime errors ----

void RecordError(int32_t number) {
    t_errorNumber = number;
    if (number >= 241) ExitProcess(255);
}

int32_t GetErrorNumber() { return t_errorNumber; }

void ClearError() { t_errorNumber = 0; }

int32_t MapSystemError(DWORD code) {
    switch (code) {
    case 0: return 0;
    case 2: case 18: return 53;
    case 3: return 76;
    case 4: return 67;
    case 5: case 19: case 32: case 33: case 36: return 70;
    case 6: case 11: case 12: case 13: case 22: case 24: return 51;
    case 8: case 14: return 7;
    case 15: case 20: return 68;
    case 17: return 74;
    case 21: return 71;
    case 23: case 25: case 26: case 27: case 28: case 29: case 30: case 31: case 34: case 35: return 72;
    case 38: return 62;
    case 39: case 112: return 61;
    case 87: return 5;
    case 7: case 9: case 10: return 241;
    default: return 75;
    }
}

void RecordSystemError(DWORD code) { RecordError(code == 0 ? 75 : MapSystemError(code)); }

// ---- Gate ----

void GateEnter(GateState& state) {
    Acquire(g_gateLock);
    std::fegetenv(&state.floatingPoint);
    state.errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
}

DWORD GateLeave(GateState& state) {
    std::fesetenv(&state.floatingPoint);
    const DWORD error = GetLastError();
    SetErrorMode(state.errorMode);
    Release(g_gateLock);
    return error;
}

// ---- Process and threads ----

bool RuntimeStartup() {
    CoInitialize(nullptr);
    g_version = OSVERSIONINFOA{};
    g_version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(&g_version);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    g_showCommand = ShowCommandFromStartup(startup);
    g_commandTail = CommandLineTail(StrFromNulTerminated(GetCommandLineA()));
    g_commandTailSet = true;
    g_instance = GetModuleHandleA(nullptr);
    g_mainFont = DialogFont{};
    g_shutDown = false;
    if (EnsureSlot() == TLS_OUT_OF_INDEXES || !CurrentRecord()) {
        CoUninitialize();
        return false;
    }
    InitCommonControlClasses(0x706F);
    return true;
}

void InitCommonControlClasses(DWORD classes) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), classes};
    InitCommonControlsEx(&controls);
}

void RuntimeShutdown() {
    FileCloseAll();
    ReleaseCurrentRecord();
    // Threads still running until ExitProcess must not build records on a freed slot.
    g_shutDown = true;
    const DWORD slot = g_slot.exchange(TLS_OUT_OF_INDEXES);
    if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
    CoUninitialize();
}

HINSTANCE RuntimeInstance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

int RuntimeShowCommand() { return g_showCommand; }

const OSVERSIONINFOA& RuntimeVersion() { return g_version; }

int32_t RuntimeThreadCount() { return g_threadCount.load(); }

DialogFont ThreadDialogFont() {
    const ThreadRecord* record = CurrentRecord();
    return record ? record->font : g_mainFont;
}

std::string CommandLineTail(const std::string& line) {
    std::size_t i = 0;
    const std::size_t n = line.size();
    if (n > 0 && line[0] == '"') {
        i = line.find('"', 1);
        i = i == std::string::npos ? n : i + 1;
    } else {
        while (i < n && static_cast<unsigned char>(line[i]) > ' ') ++i;
    }
    while (i < n && line[i] == ' ') ++i;
    return line.substr(i);
}

int ShowCommandFromStartup(const STARTUPINFOA& startup) {
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

std::string CommandArgument(int32_t index) {
    if (index != 0) {
        RecordError(5);
        return std::string();
    }
    if (g_commandTailSet) return g_commandTail;
    return CommandLineTail(StrFromNulTerminated(GetCommandLineA()));
}

// ---- Directory search ----

std::string DirFirst(const std::string& pattern, DWORD mask, WIN32_FIND_DATAA* record) {
    ThreadRecord* thread = CurrentRecord();
    if (!thread) {
        RecordError(7);
        return std::string();
    }
    CloseSearch(*thread);
    mask &= kDirHidden | kDirSystem | kDirVolume | kDirDirectory | kDirOnly;
    if (!(mask & kFilteredAttributes)) mask &= ~static_cast<DWORD>(kDirOnly);
    std::string path = pattern.substr(0, 256);
    if (!path.empty() && (path.back() == ':' || path.back() == '\\')) path += "*.*";
    if (mask & kDirVolume) return VolumeName(path);

    WIN32_FIND_DATAA data{};
    DWORD error = 0;
    const HANDLE search = GateCall([&] { return FindFirstFileA(path.c_str(), &data); }, error);
    if (search == INVALID_HANDLE_VALUE) {
        if (!IsEndOfSearch(error)) RecordSystemError(error);
        return std::string();
    }
    thread->search = search;
    thread->searchMask = mask;
    return NextWanted(*thread, data, record);
}

std::string DirNext(WIN32_FIND_DATAA* record) {
    ThreadRecord* thread = CurrentRecord();
    if (!thread || thread->search == INVALID_HANDLE_VALUE) return std::string();
    WIN32_FIND_DATAA data{};
    DWORD error = 0;
    const BOOL found = GateCall([&] { return FindNextFileA(thread->search, &data); }, error);
    if (!found) {
        if (!IsEndOfSearch(error)) RecordSystemError(error);
        CloseSearch(*thread);
        ClearFindRecord(record);
        return std::string();
    }
    return NextWanted(*thread, data, record);
}

// ---- Files ----

HANDLE FileOpenHandle(const std::string& path, FileMode mode) {
    const std::string name = StrFromNulTerminated(path.c_str());
    // A longer path is refused rather than cut: the cut would name another file.
    if (name.empty() || name.size() > 255 || name.find_first_of("*?") != std::string::npos) {
        RecordError(64);
        return INVALID_HANDLE_VALUE;
    }
    const DWORD share = ShareFlags(mode.share);
    DWORD error = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    switch (mode.kind) {
    case FileKind::Input:
        file = CreateGated(name, GENERIC_READ, share, OPEN_EXISTING, error);
        break;
    case FileKind::Output:
    case FileKind::Append:
        file = CreateGated(name, GENERIC_WRITE, share, OPEN_ALWAYS, error);
        break;
    case FileKind::Random:
    case FileKind::Binary:
        file = CreateGated(name, AccessFlags(mode.access), share, OPEN_ALWAYS, error);
        if (file == INVALID_HANDLE_VALUE && (mode.access == FileAccess::Default ||
                                             (mode.access == FileAccess::ReadWrite && mode.kind == FileKind::Binary))) {
            file = CreateGated(name, GENERIC_READ, share, OPEN_ALWAYS, error);
        }
        if (file == INVALID_HANDLE_VALUE && mode.access == FileAccess::Default) {
            file = CreateGated(name, GENERIC_WRITE, share, OPEN_ALWAYS, error);
        }
        break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        RecordSystemError(error);
        return file;
    }
    if (mode.kind == FileKind::Output || mode.kind == FileKind::Append) {
        const bool truncate = mode.kind == FileKind::Output;
        const BOOL ok = GateCall(
            [&] {
                if (truncate) return SetEndOfFile(file);
                return static_cast<BOOL>(SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER);
            },
            error);
        if (!ok) RecordSystemError(error);
    }
    return file;
}

uint32_t FileHandleLength(HANDLE file) {
    DWORD high = 0;
    DWORD error = 0;
    const DWORD low = GateCall([&] { return GetFileSize(file, &high); }, error);
    if (low == INVALID_FILE_SIZE && error != 0) {
        RecordSystemError(error);
        return 0;
    }
    return high != 0 ? 0xFFFFFFFFu : low;
}

void FileHandleRead(HANDLE file, std::string& target) {
    if (target.empty()) return;
    DWORD done = 0;
    DWORD error = 0;
    const DWORD size = static_cast<DWORD>(target.size());
    const BOOL ok = GateCall([&] { return ReadFile(file, &target[0], size, &done, nullptr); }, error);
    if (!ok) RecordSystemError(error);
}

void FileHandleClose(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return;
    DWORD error = 0;
    if (!GateCall([&] { return CloseHandle(file); }, error)) RecordSystemError(error);
}

void FileOpen(int32_t number, const std::string& path, FileMode mode) {
    Acquire(g_fileOpenLock);
    if (!ValidFileNumber(number)) {
        Release(g_fileOpenLock);
        RecordError(52);
        return;
    }
    if (NumberedHandle(number)) {
        Release(g_fileOpenLock);
        RecordError(55);
        return;
    }
    const HANDLE file = FileOpenHandle(path, mode);
    if (file != INVALID_HANDLE_VALUE) {
        Acquire(g_fileTableLock);
        g_files[number] = file;
        Release(g_fileTableLock);
    }
    Release(g_fileOpenLock);
}

uint32_t FileLength(int32_t number) {
    const HANDLE file = NumberedHandle(number);
    if (!file) {
        RecordError(52);
        return 0;
    }
    return FileHandleLength(file);
}

void FileRead(int32_t number, std::string& target) {
    const HANDLE file = NumberedHandle(number);
    if (!file) {
        RecordError(52);
        return;
    }
    FileHandleRead(file, target);
}

void FileClose(int32_t number) {
    if (!ValidFileNumber(number)) return;
    Acquire(g_fileTableLock);
    const HANDLE file = g_files[number];
    g_files[number] = nullptr;
    Release(g_fileTableLock);
    if (file) FileHandleClose(file);
}

void FileCloseAll() {
    for (int32_t number = 1; number <= kFileNumberLimit; ++number) FileClose(number);
}

// ---- Processes ----

uint32_t ShellRun(const std::string& commandLine, int showCommand, bool wait, bool inheritHandles) {
    char line[257] = {};
    std::strncpy(line, commandLine.c_str(), 256);
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, inheritHandles ? TRUE : FALSE};
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    DWORD error = 0;
    const BOOL started = GateCall(
        [&] {
            return CreateProcessA(nullptr, line, &security, &security, inheritHandles ? TRUE : FALSE,
                                  NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process);
        },
        error);
    if (!started) {
        RecordSystemError(error);
        return 0;
    }
    uint32_t result = process.dwProcessId;
    if (wait) {
        // Outside the gate: other threads keep using the runtime meanwhile.
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (!GateCall([&] { return GetExitCodeProcess(process.hProcess, &code); }, error)) RecordSystemError(error);
        result = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

int ShowMessage(const std::string& text, const std::string& title, UINT flags) {
    std::fenv_t floatingPoint;
    std::fegetenv(&floatingPoint);
    Sleep(5);
    const int button =
        MessageBoxA(nullptr, text.c_str(), title.empty() ? kDefaultCaption : title.c_str(), flags);
    std::fesetenv(&floatingPoint);
    return button;
}

// ---- Threads and time ----

uint32_t ThreadStackSize(uint32_t requested) {
    if (requested == 0) return 0x100000;
    const uint64_t rounded = (static_cast<uint64_t>(requested) + 0xFFFF) & ~static_cast<uint64_t>(0xFFFF);
    return rounded > 0xFFFF0000u ? 0xFFFF0000u : static_cast<uint32_t>(rounded);
}

HANDLE ThreadCreate(LPTHREAD_START_ROUTINE start, void* param, uint32_t stackSize, DWORD flags, HANDLE* handleVar) {
    HANDLE thread = nullptr;
    auto* startRecord = new (std::nothrow) ThreadStart{start, param};
    if (!startRecord) {
        RecordError(7);
    } else {
        DWORD id = 0;
        DWORD error = 0;
        const DWORD size = ThreadStackSize(stackSize);
        thread = GateCall([&] { return CreateThread(nullptr, size, RunThread, startRecord, flags, &id); }, error);
        if (!thread) {
            delete startRecord;
            RecordSystemError(error);
        }
    }
    if (handleVar) *handleVar = thread;
    return thread;
}

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

std::string TimeText(const SYSTEMTIME& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", time.wHour % 100u, time.wMinute % 100u, time.wSecond % 100u);
    return text;
}

std::string DateText(const SYSTEMTIME& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%02u-%02u%02u", time.wMonth % 100u, time.wDay % 100u,
                  (time.wYear / 100u) % 100u, time.wYear % 100u);
    return text;
}

namespace {
SYSTEMTIME LocalNow() {
    SYSTEMTIME now{};
    DWORD error = 0;
    GateCall(
        [&] {
            GetLocalTime(&now);
            return 0;
        },
        error);
    return now;
}
}  // namespace

std::string TimeText() { return TimeText(LocalNow()); }

std::string DateText() { return DateText(LocalNow()); }
