#include "tests/e2e/process_census.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "ui/diagnostics.h"

namespace {

double Seconds(const FILETIME& time) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<double>(ticks) / 1e7;
}

struct PropertyCount {
    DWORD processId;
    int properties;
};

BOOL CALLBACK CountProperty(HWND, LPSTR, HANDLE, ULONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int PropertiesOf(HWND window) {
    int count = 0;
    EnumPropsExA(window, CountProperty, reinterpret_cast<LPARAM>(&count));
    return count;
}

BOOL CALLBACK AddChildProperties(HWND child, LPARAM total) {
    *reinterpret_cast<int*>(total) += PropertiesOf(child);
    return TRUE;
}

BOOL CALLBACK AddWindowProperties(HWND window, LPARAM census) {
    auto* c = reinterpret_cast<PropertyCount*>(census);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != c->processId) return TRUE;
    c->properties += PropertiesOf(window);
    EnumChildWindows(window, AddChildProperties, reinterpret_cast<LPARAM>(&c->properties));
    return TRUE;
}

}  // namespace

std::vector<DWORD> ProcessThreadIds(DWORD processId) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) ids.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return ids;
}

int CountProcessThreads(DWORD processId) {
    return static_cast<int>(ProcessThreadIds(processId).size());
}

double ProcessCpuSeconds(DWORD processId) {
    double total = 0;
    for (DWORD id : ProcessThreadIds(processId)) {
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (!thread) continue;
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) total += Seconds(kernel) + Seconds(user);
        CloseHandle(thread);
    }
    return total;
}

int CountProcessHandles(HANDLE process) {
    // Handle values are multiples of 4 and are handed out from the bottom, so
    // a generous range holds all of a small program's handles, leaked or not.
    int count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            ++count;
            CloseHandle(copy);
        }
    }
    return count;
}

std::map<uintptr_t, std::string> DescribeProcessHandles(HANDLE process) {
    // NtQueryObject: 1 is the object's name, 2 its type; each answer starts
    // with a UNICODE_STRING.
    struct CountedText {
        USHORT length;
        USHORT maximum;
        WCHAR* buffer;
    };
    typedef LONG(NTAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    auto text = [&](HANDLE handle, int what) {
        alignas(8) char answer[2048];
        ULONG size = 0;
        if (!query || query(handle, what, answer, sizeof answer, &size) != 0) return std::string();
        const CountedText* counted = reinterpret_cast<const CountedText*>(answer);
        char narrow[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, counted->buffer, counted->length / 2, narrow, sizeof narrow - 1, nullptr,
                            nullptr);
        return std::string(narrow);
    };
    std::map<uintptr_t, std::string> handles;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE copy = nullptr;
        if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            continue;
        const std::string name = text(copy, 1);
        handles[value] = text(copy, 2) + (name.empty() ? "" : " " + name);
        CloseHandle(copy);
    }
    return handles;
}

int CountProcessWindowProperties(DWORD processId) {
    PropertyCount census{processId, 0};
    EnumWindows(AddWindowProperties, reinterpret_cast<LPARAM>(&census));
    return census.properties;
}

uint64_t ProcessPrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

long ReadTobrixCounter(HWND form1, WPARAM counter, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(form1, kCountersMessage, counter, 0, SMTO_NORMAL, timeoutMs, &result)) return -1;
    return static_cast<long>(result);
}
