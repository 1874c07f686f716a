#include "runtime/unicode_text.h"

#include <cstdint>
#include <cstring>

namespace {

bool StartsWith(const std::string& bytes, const char* mark) {
    const std::size_t length = std::strlen(mark);
    return bytes.size() >= length && bytes.compare(0, length, mark) == 0;
}

// Reads one well-formed sequence at bytes[at]; its length, or 0 when the
// bytes there are not one.
std::size_t ReadUtf8(const unsigned char* bytes, std::size_t size, std::size_t at, uint32_t& code) {
    const unsigned char lead = bytes[at];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (size - at < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = bytes[at + k];
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (length == 3 && code < 0x800) return 0;
    if (length == 4 && (code < 0x10000 || code > 0x10FFFF)) return 0;
    if (code >= 0xD800 && code <= 0xDFFF) return 0;
    return length;
}

}  // namespace

UnicodeForm DetectUnicodeForm(const std::string& bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return UnicodeForm::Utf8Marked;
    if (StartsWith(bytes, "\xFF\xFE")) return UnicodeForm::Utf16LE;
    if (StartsWith(bytes, "\xFE\xFF")) return UnicodeForm::Utf16BE;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool nonAscii = false;
    uint32_t code = 0;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = ReadUtf8(data, size, at, code);
        if (length == 0) return UnicodeForm::None;
        nonAscii = nonAscii || length > 1;
        at += length;
    }
    return nonAscii ? UnicodeForm::Utf8 : UnicodeForm::None;
}

std::size_t UnicodeMarkLength(UnicodeForm form) {
    switch (form) {
    case UnicodeForm::Utf8Marked: return 3;
    case UnicodeForm::Utf16LE:
    case UnicodeForm::Utf16BE: return 2;
    default: return 0;
    }
}

bool DecodeStrictUtf8(const char* bytes, std::size_t size, std::u16string& units) {
    units.clear();
    units.reserve(size);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t code = 0;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = ReadUtf8(data, size, at, code);
        if (length == 0) {
            units.clear();
            return false;
        }
        if (code < 0x10000) {
            units += static_cast<char16_t>(code);
        } else {
            code -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (code >> 10));
            units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        }
        at += length;
    }
    return true;
}

std::u16string DecodeUtf16(const char* bytes, std::size_t size, bool bigEndian) {
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(bytes[2 * i]);
        const unsigned char b = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return units;
}
