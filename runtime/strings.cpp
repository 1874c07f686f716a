#include "runtime/strings.h"

#include <algorithm>
#include <cstring>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const std::size_t kNulScanLimit = 0x2000000;

// Starts and counts are clipped in 64 bits so that INT32_MIN and INT32_MAX
// cannot overflow on the way.
std::string MidClipped(const std::string& s, int64_t start, int64_t count) {
    const int64_t len = static_cast<int64_t>(s.size());
    if (start == 0) return std::string();
    if (start < 0) {
        start = len + start + 1;
        if (start < 1) return std::string();
    }
    if (count < 0) count = len + count;
    if (count <= 0 || start > len) return std::string();
    const int64_t available = len - (start - 1);
    return s.substr(static_cast<std::size_t>(start - 1),
                    static_cast<std::size_t>(std::min(count, available)));
}

#ifdef _WIN32
// The system converts through Unicode: a cut or invalid double-byte character
// comes back as '?' or shorter, with stale bytes behind it. So each character
// goes on its own and is kept as it was unless it maps to as many bytes.
void UpperCharacter(char* at, DWORD n) {
    char piece[2] = {at[0], n > 1 ? at[1] : '\0'};
    if (CharUpperBuffA(piece, n) == n) std::memcpy(at, piece, n);
}
#else
// Code page 936: a lead byte takes the next byte with it, and a trail byte may
// be an ASCII letter ("\x81\x61"), which must not change.
bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
#endif

}  // namespace

std::string StrConcat(const std::string& a, const std::string& b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a);
    out.append(b);
    return out;
}

int StrCompare(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    // memcmp compares as unsigned char, which is the order wanted.
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string StrTrimLeft(const std::string& s) {
    const std::size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string StrTrimRight(const std::string& s) {
    const std::size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string StrTrim(const std::string& s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const std::size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string StrTrimLeft(const std::string& s, const std::string& p) {
    const std::size_t m = p.size();
    if (m == 0) return s;
    std::size_t pos = 0;
    while (s.size() - pos >= m && s.compare(pos, m, p) == 0) pos += m;
    return s.substr(pos);
}

std::string StrTrimRight(const std::string& s, const std::string& p) {
    const std::size_t m = p.size();
    if (m == 0) return s;
    std::size_t end = s.size();
    while (end >= m && s.compare(end - m, m, p) == 0) end -= m;
    return s.substr(0, end);
}

std::string StrMid(const std::string& s, int32_t start, int32_t count) {
    return MidClipped(s, start, count);
}

std::string StrMid(const std::string& s, int32_t start) {
    return MidClipped(s, start, static_cast<int64_t>(s.size()));
}

int32_t StrFind(int32_t start, const std::string& s, const std::string& p) {
    const int64_t len = static_cast<int64_t>(s.size());
    const int64_t m = static_cast<int64_t>(p.size());
    if (len == 0 || start == 0) return 0;
    if (start > 0) {
        if (start > len) return 0;
        if (m == 0) return start;
        const std::size_t at = s.find(p, static_cast<std::size_t>(start - 1));
        return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
    }
    // The last byte, 1-based, on which an occurrence may end.
    const int64_t end = len + start + 1;
    if (end < 1) return 0;
    if (m == 0) return static_cast<int32_t>(end);
    if (end < m) return 0;
    const std::size_t at = s.rfind(p, static_cast<std::size_t>(end - m));
    return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}

std::string StrUpper(const std::string& s) {
    std::string out = s;
    if (out.empty()) return out;
#ifdef _WIN32
    std::size_t i = 0;
    while (i < out.size()) {
        std::size_t end = i;
        while (end < out.size() && static_cast<unsigned char>(out[end]) < 0x80) ++end;
        if (end > i) {
            // ASCII cannot be malformed: one call for the whole run.
            CharUpperBuffA(&out[i], static_cast<DWORD>(end - i));
            i = end;
            continue;
        }
        if (IsDBCSLeadByte(static_cast<BYTE>(out[i]))) {
            if (i + 1 < out.size()) UpperCharacter(&out[i], 2);
            i += 2;
        } else {
            UpperCharacter(&out[i], 1);
            i += 1;
        }
    }
#else
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsGbkLeadByte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
#endif
    return out;
}

std::string StrFromCodes(std::initializer_list<int> codes) {
    std::string out;
    out.reserve(codes.size());
    for (int code : codes) {
        if (code != -1) out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::string StrFromCodes(const std::vector<int>& codes) {
    std::string out;
    out.reserve(codes.size());
    for (int code : codes) {
        if (code != -1) out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::string StrRepeat(int32_t n, int byte) {
    if (n <= 0) return std::string();
    return std::string(static_cast<std::size_t>(n), static_cast<char>(byte & 0xFF));
}

std::string StrReplace(const std::string& s, const std::string& find, const std::string& repl) {
    if (find.empty()) return s;
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at; (at = s.find(find, pos)) != std::string::npos; pos = at + find.size()) {
        out.append(s, pos, at - pos);
        out.append(repl);
    }
    out.append(s, pos, std::string::npos);
    return out;
}

std::size_t StrFieldCount(const std::string& s, const std::string& delimiters) {
    bool isDelimiter[256] = {};
    for (char d : delimiters) isDelimiter[static_cast<unsigned char>(d)] = true;
    std::size_t count = 1;
    for (char c : s) count += isDelimiter[static_cast<unsigned char>(c)] ? 1 : 0;
    return count;
}

void StrSplit(const std::string& source, const std::string& delimiter,
              std::vector<std::string>& array) {
    // Splitting an element of the target array into that array would
    // overwrite the text while it is being read.
    std::string copy;
    const std::string* text = &source;
    const std::less<const std::string*> before;
    if (!array.empty() && !before(&source, array.data()) &&
        before(&source, array.data() + array.size())) {
        copy = source;
        text = &copy;
    }
    const std::string& s = *text;

    std::size_t pos = 0;
    for (std::string& element : array) {
        if (pos >= s.size()) {
            element.clear();
            continue;
        }
        // An empty delimiter never ends a field: the text stays whole.
        const std::size_t at = delimiter.empty() ? std::string::npos : s.find(delimiter, pos);
        if (at == std::string::npos) {
            element.assign(s, pos, std::string::npos);
            pos = s.size();
        } else {
            element.assign(s, pos, at - pos);
            pos = at + delimiter.size();
        }
    }
}

std::string StrFromNulTerminated(const char* text) {
    if (text == nullptr) return std::string();
    std::size_t n = 0;
    // Byte by byte: the text may end just before an unreadable page.
    while (n < kNulScanLimit && text[n] != '\0') ++n;
    return std::string(text, n);
}

std::size_t StrToBuffer(const std::string& s, char* buffer, std::size_t size) {
    if (buffer == nullptr) return 0;
    std::size_t n = s.size();
    if (const void* nul = std::memchr(s.data(), 0, n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - s.data());
    }
    if (size != 0 && n > size - 1) n = size - 1;
    std::memmove(buffer, s.data(), n);
    buffer[n] = '\0';
    return n;
}

void StrToFixed(const std::string& s, char* field, std::size_t size) {
    if (field == nullptr || size == 0) return;
    const std::size_t n = std::min(s.size(), size);
    std::memmove(field, s.data(), n);
    std::memset(field + n, ' ', size - n);
}
