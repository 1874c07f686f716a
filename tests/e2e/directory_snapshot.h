#pragma once
// The files of a directory by name, each with its size and a hash of its
// bytes, so that a test can say which files a case changed, created or
// removed, down to the byte.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct FileState {
    uint64_t size = 0;
    uint64_t hash = 0;
    bool operator==(const FileState& other) const { return size == other.size && hash == other.hash; }
    bool operator!=(const FileState& other) const { return !(*this == other); }
};

using DirectorySnapshot = std::map<std::string, FileState>;

inline FileState ReadFileState(const std::string& path) {
    FileState state;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return state;
    std::vector<unsigned char> buffer(1 << 20);
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
        state.size += got;
    }
    state.hash = hash;
    CloseHandle(file);
    return state;
}

inline DirectorySnapshot SnapshotDirectory(const std::string& directory) {
    DirectorySnapshot snapshot;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return snapshot;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        snapshot[found.cFileName] = ReadFileState(directory + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return snapshot;
}

// The names of files that differ between two snapshots, each marked with
// + (created), - (removed) or * (changed); empty when none does.
inline std::string ChangedFiles(const DirectorySnapshot& before, const DirectorySnapshot& after) {
    std::string changes;
    for (const auto& entry : after) {
        auto old = before.find(entry.first);
        if (old == before.end()) {
            changes += " +" + entry.first;
        } else if (old->second != entry.second) {
            changes += " *" + entry.first;
        }
    }
    for (const auto& entry : before)
        if (!after.count(entry.first)) changes += " -" + entry.first;
    return changes;
}
