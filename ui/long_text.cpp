#include "ui/long_text.h"

#include <algorithm>

const std::size_t kDisplayTextLimit = 8192;

// Under Wine an edit box wraps a line that has no place to break by measuring
// everything from the line's start to the end of its paragraph, for each line
// it makes: a 100,000-byte name appended at once took 64 s, in pieces of this
// size 1.2 to 3 s on a loaded machine (smaller pieces cost more per piece).
const std::size_t kRecordPieceBytes = 1024;

namespace {

// A text as a control gives it back: up to the first NUL and through the
// system's code page both ways.
std::string asShown(const std::string& text) {
    const std::string upToNul = text.substr(0, text.find('\0'));
    if (upToNul.empty()) return upToNul;
    const int count = static_cast<int>(upToNul.size());
    const int wideSize = MultiByteToWideChar(CP_ACP, 0, upToNul.data(), count, nullptr, 0);
    if (wideSize <= 0) return std::string();
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_ACP, 0, upToNul.data(), count, &wide[0], wideSize);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string back(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, &back[0], size, nullptr, nullptr);
    return back;
}

// Bytes between line breaks, at most.
std::size_t LongestLine(const std::string& text) {
    std::size_t longest = 0, start = 0;
    for (std::size_t end; (end = text.find_first_of("\r\n", start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    return std::max(longest, text.size() - std::min(start, text.size()));
}

}  // namespace

std::size_t WholeCharacterPrefix(const std::string& text, std::size_t from, std::size_t maxBytes) {
    const std::size_t size = text.size() - std::min(from, text.size());
    if (size <= maxBytes) return size;
    std::size_t length = 0;
    while (length < maxBytes) {
        const unsigned char c = static_cast<unsigned char>(text[from + length]);
        // A lead byte takes the byte after it, whatever that is, as the code
        // page's conversion does.
        const std::size_t step = c >= 0x81 && c <= 0xFE && length + 1 < size ? 2 : 1;
        if (length + step > maxBytes) break;
        length += step;
    }
    return length;
}

std::string KeepForResultDisplay(KeptDisplay& kept, const std::string& text) {
    const std::string upToNul = text.substr(0, text.find('\0'));
    if (upToNul.size() <= kDisplayTextLimit) {
        kept = KeptDisplay{};
        return text;
    }
    kept.whole = text;
    kept.cut = upToNul.substr(0, WholeCharacterPrefix(upToNul, 0, kDisplayTextLimit));
    return kept.cut;
}

std::string ResultDisplayText(const KeptDisplay& kept, const std::string& shown) {
    if (kept.cut.empty() || shown != asShown(kept.cut)) return shown;
    return asShown(kept.whole);
}

void AppendInPieces(HWND box, const std::string& text) {
    const std::string tail = text.substr(0, text.find('\0'));  // as one EM_REPLACESEL takes it
    for (std::size_t at = 0; at < tail.size();) {
        const std::size_t length = std::max<std::size_t>(1, WholeCharacterPrefix(tail, at, kRecordPieceBytes));
        const std::string piece = tail.substr(at, length);
        SendMessageA(box, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);  // past the end: clamped to it
        SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
        at += length;
    }
}

void SetEditText(HWND box, const std::string& text) {
    if (LongestLine(text) <= kRecordPieceBytes) {
        SetWindowTextA(box, text.c_str());
        return;
    }
    SetWindowTextA(box, "");
    AppendInPieces(box, text);
    SendMessageA(box, EM_SETSEL, 0, 0);
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
    SendMessageA(box, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageA(box, EM_SETMODIFY, FALSE, 0);
}
