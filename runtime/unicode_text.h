#pragma once
// Name files saved by current editors come as UTF-8 or UTF-16, while the
// program shows GBK. This tells which Unicode form a file's bytes are in and
// gives its UTF-16 code units; turning those into GBK is the system's part.
// Nothing here keeps state, so any thread may call it.
#include <cstddef>
#include <string>

enum class UnicodeForm {
    None,        // not Unicode text: GBK, or bytes to be taken as they are
    Utf8Marked,  // after the mark EF BB BF
    Utf8,        // no mark; strict UTF-8 with at least one byte above 0x7F
    Utf16LE,     // after the mark FF FE
    Utf16BE,     // after the mark FE FF
};

// A mark decides. Without one only strict UTF-8 (RFC 3629: shortest forms,
// no surrogates, nothing above U+10FFFF) that is not plain ASCII counts: GBK
// text is never valid UTF-8 unless it is very short.
UnicodeForm DetectUnicodeForm(const std::string& bytes);

// The length of the form's mark: 0, 2 or 3 bytes.
std::size_t UnicodeMarkLength(UnicodeForm form);

// Strict UTF-8 to UTF-16. False, with `units` emptied, when the bytes are not
// well formed.
bool DecodeStrictUtf8(const char* bytes, std::size_t size, std::u16string& units);

// UTF-16 in the given byte order; an odd last byte is dropped.
std::u16string DecodeUtf16(const char* bytes, std::size_t size, bool bigEndian);
