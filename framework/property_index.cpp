#include "framework/property_index.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

struct WindowNotes {
    uint64_t messages = 0;  // one bit per message number modulo 64
    bool colour = false;
};

std::mutex notesLock;
std::unordered_map<HWND, WindowNotes> notes;

uint64_t messageBit(UINT message) { return uint64_t{1} << (message % 64); }

}  // namespace

void NoteEventProperty(HWND window, UINT message) {
    if (!window) return;
    std::lock_guard<std::mutex> locked(notesLock);
    notes[window].messages |= messageBit(message);
}

void NoteColourProperty(HWND window) {
    if (!window) return;
    std::lock_guard<std::mutex> locked(notesLock);
    notes[window].colour = true;
}

bool MayHaveEventProperty(HWND window, UINT message) {
    std::lock_guard<std::mutex> locked(notesLock);
    const auto found = notes.find(window);
    return found != notes.end() && (found->second.messages & messageBit(message)) != 0;
}

bool MayHaveColourProperty(HWND window) {
    std::lock_guard<std::mutex> locked(notesLock);
    const auto found = notes.find(window);
    return found != notes.end() && found->second.colour;
}

void ForgetWindowProperties(HWND window) {
    std::lock_guard<std::mutex> locked(notesLock);
    notes.erase(window);
}
