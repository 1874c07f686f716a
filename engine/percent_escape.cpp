#include "engine/percent_escape.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void AppendPercentEscaped(std::string& out, const std::string& text, unsigned char firstPlain) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if (c < firstPlain || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

bool ReadPercentEscaped(const char* first, const char* last, unsigned char firstPlain, std::string& text) {
    text.clear();
    text.reserve(static_cast<std::size_t>(last - first));
    for (const char* at = first; at < last; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (c < firstPlain || c == 0x7F) return false;
        if (c != '%') {
            text += static_cast<char>(c);
            continue;
        }
        if (last - at < 3) return false;
        const int high = HexValue(at[1]), low = HexValue(at[2]);
        if (high < 0 || low < 0) return false;
        text += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return true;
}
