#include "runtime/window_records.h"

#include <iterator>
#include <list>

namespace {

// Held only for one walk of the list, never across a system call.
struct SpinLock {
    volatile LONG held = 0;
    void lock() {
        while (InterlockedExchange(&held, 1) != 0) YieldProcessor();
    }
    void unlock() { InterlockedExchange(&held, 0); }
};

SpinLock recordsLock;
std::list<WindowRecord> records;

struct Locked {
    Locked() { recordsLock.lock(); }
    ~Locked() { recordsLock.unlock(); }
};

std::list<WindowRecord>::iterator findLocked(HWND window) {
    for (auto it = records.begin(); it != records.end(); ++it)
        if (it->window == window) return it;
    return records.end();
}

}  // namespace

void AddWindowRecord(const WindowRecord& record) {
    if (!record.window) return;
    // Allocate outside the lock: the heap takes its own.
    std::list<WindowRecord> fresh{record};
    Locked locked;
    auto it = findLocked(record.window);
    if (it != records.end()) {
        *it = record;
        return;
    }
    records.splice(records.begin(), fresh);
}

bool FindWindowRecord(HWND window, WindowRecord& out) {
    if (!window) return false;
    Locked locked;
    auto it = findLocked(window);
    if (it == records.end()) return false;
    out = *it;
    return true;
}

bool UpdateWindowRecord(const WindowRecord& record) {
    if (!record.window) return false;
    Locked locked;
    auto it = findLocked(record.window);
    if (it == records.end()) return false;
    *it = record;
    return true;
}

bool RemoveWindowRecord(HWND window) {
    if (!window) return false;
    std::list<WindowRecord> gone;  // freed after the lock is released
    bool found = false;
    {
        Locked locked;
        for (auto it = records.begin(); it != records.end();) {
            auto next = std::next(it);
            bool mine = it->window == window;
            bool child = !(it->flags & WindowIsForm) && it->owner == window;
            if (mine || child) gone.splice(gone.end(), records, it);
            found = found || mine;
            it = next;
        }
    }
    return found;
}

int CountWindowRecords() {
    Locked locked;
    return static_cast<int>(records.size());
}
