#include "runtime/startup_trace.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// Enough for start-up and a few Stop handlers; stamps beyond it are dropped.
const int kMostStamps = 128;

struct TraceStamp {
    const char* kind;  // "mark" or "span"
    const char* name;
    int64_t value;
};

struct TraceState {
    std::atomic<int> enabled{-1};  // -1: the environment not read yet
    char path[MAX_PATH] = {};
    std::mutex lock;
    TraceStamp stamps[kMostStamps];
    int count = 0;
};

TraceState& state() {
    static TraceState s;
    return s;
}

bool usePath(const char* path) {
    TraceState& s = state();
    s.count = 0;
    const bool usable = path && *path && std::strlen(path) < MAX_PATH;
    if (usable) std::strcpy(s.path, path);
    s.enabled = usable ? 1 : 0;
    return usable;
}

}  // namespace

// Read once: the release program pays for one getenv and nothing after.
bool TraceEnabled() {
    const int enabled = state().enabled.load(std::memory_order_relaxed);
    if (enabled >= 0) return enabled != 0;
    std::lock_guard<std::mutex> locked(state().lock);
    if (state().enabled.load() < 0) usePath(std::getenv("TOBRIX_TRACE"));
    return state().enabled.load() != 0;
}

void TraceRedirect(const char* path) {
    std::lock_guard<std::mutex> locked(state().lock);
    usePath(path);
}

int64_t TraceNow() {
    if (!TraceEnabled()) return 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void TraceMark(const char* name) {
    if (!TraceEnabled()) return;
    const int64_t now = TraceNow();
    TraceState& s = state();
    std::lock_guard<std::mutex> locked(s.lock);
    if (s.count < kMostStamps) s.stamps[s.count++] = TraceStamp{"mark", name, now};
}

void TraceAddSpan(const char* name, int64_t since) {
    if (!TraceEnabled()) return;
    const int64_t counts = TraceNow() - since;
    TraceState& s = state();
    std::lock_guard<std::mutex> locked(s.lock);
    for (int i = 0; i < s.count; ++i) {
        if (std::strcmp(s.stamps[i].kind, "span") == 0 && std::strcmp(s.stamps[i].name, name) == 0) {
            s.stamps[i].value += counts;
            return;
        }
    }
    if (s.count < kMostStamps) s.stamps[s.count++] = TraceStamp{"span", name, counts};
}

void TraceWrite() {
    if (!TraceEnabled()) return;
    TraceState& s = state();
    std::lock_guard<std::mutex> locked(s.lock);
    HANDLE file = CreateFileA(s.path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[160];
    int length = std::snprintf(line, sizeof line, "frequency %lld\n", static_cast<long long>(frequency.QuadPart));
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    for (int i = 0; i < s.count; ++i) {
        const TraceStamp& stamp = s.stamps[i];
        length = std::snprintf(line, sizeof line, "%s %s %lld\n", stamp.kind, stamp.name,
                               static_cast<long long>(stamp.value));
        if (length > 0 && length < static_cast<int>(sizeof line))
            WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    }
    CloseHandle(file);
}
