#include "tests/fuzz/fuzz_targets.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/draw_pools.h"
#include "engine/name_list.h"
#include "runtime/numbers.h"
#include "runtime/unicode_text.h"
#include "tests/name_rules.h"

namespace {

[[noreturn]] void Fail(const char* check, int line) {
    std::fprintf(stderr, "fuzz_targets.cpp:%d: check failed: %s\n", line, check);
    std::abort();
}

#define FUZZ_CHECK(condition)                      \
    do {                                           \
        if (!(condition)) Fail(#condition, __LINE__); \
    } while (0)

// ---- Numbers ----

void CheckNumber(const std::string& text) {
    const long double value = ParseNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    // The draws' whole numbers: the low 32 bits of the rounded value, 0 when
    // it does not fit 64 bits.
    int64_t whole = 0;
    const bool fits = RoundToInt64(value, whole);
    FUZZ_CHECK(ToInt64(value) == (fits ? whole : 0));
    FUZZ_CHECK(ToInt32(value) == static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(value)))));

    // Written with d significant digits, a value reads back within what d
    // digits can hold. Far out in the exponent range the reader saturates or
    // flushes to zero, so only the broad middle is checked.
    for (int digits : {1, 7, 15, 18}) {
        const std::string written = FormatNumber(value, true, digits);
        FUZZ_CHECK(!written.empty() && written.size() < 40);
        FUZZ_CHECK(written[0] == (value < 0 ? '-' : ' '));
        const long double size = std::fabs(value);
        if (!std::isfinite(value) || size < 1e-4000L || size > 1e4000L) continue;
        const long double back = ParseNumber(written);
        FUZZ_CHECK(std::fabs(back - value) <= size * std::pow(10.0L, static_cast<long double>(1 - digits)));
    }
}

// ---- Unicode ----

// RFC 3629's table of well-formed sequences, read as it is written: another
// way to the same answer than the decoder's.
bool WellFormedUtf8(const std::string& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    auto tail = [&](std::size_t at) { return at < n && b[at] >= 0x80 && b[at] <= 0xBF; };
    auto in = [&](std::size_t at, unsigned low, unsigned high) { return at < n && b[at] >= low && b[at] <= high; };
    for (std::size_t i = 0; i < n;) {
        const unsigned c = b[i];
        if (c <= 0x7F) {
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF && tail(i + 1)) {
            i += 2;
        } else if ((c == 0xE0 && in(i + 1, 0xA0, 0xBF) && tail(i + 2)) ||
                   (((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) && tail(i + 1) && tail(i + 2)) ||
                   (c == 0xED && in(i + 1, 0x80, 0x9F) && tail(i + 2))) {
            i += 3;
        } else if ((c == 0xF0 && in(i + 1, 0x90, 0xBF) && tail(i + 2) && tail(i + 3)) ||
                   (c >= 0xF1 && c <= 0xF3 && tail(i + 1) && tail(i + 2) && tail(i + 3)) ||
                   (c == 0xF4 && in(i + 1, 0x80, 0x8F) && tail(i + 2) && tail(i + 3))) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

bool HasNonAscii(const std::string& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) > 0x7F) return true;
    return false;
}

// Code units back to UTF-8; a lone surrogate gives nothing sensible, so it
// is a failure here (the decoder must never produce one).
std::string EncodeUtf8(const std::u16string& units) {
    std::string bytes;
    for (std::size_t i = 0; i < units.size(); ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            FUZZ_CHECK(i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF);
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00u);
        } else {
            FUZZ_CHECK(code < 0xDC00 || code > 0xDFFF);
        }
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | code >> 6);
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | code >> 12);
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | code >> 18);
            bytes += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

void CheckUtf8(const std::string& text) {
    std::u16string units = u"stale";
    const bool decoded = DecodeStrictUtf8(text.data(), text.size(), units);
    FUZZ_CHECK(decoded == WellFormedUtf8(text));
    if (decoded) {
        FUZZ_CHECK(EncodeUtf8(units) == text);
    } else {
        FUZZ_CHECK(units.empty());
    }
}

void CheckDecoding(const std::string& bytes) {
    const UnicodeForm form = DetectUnicodeForm(bytes);
    const std::size_t mark = UnicodeMarkLength(form);
    FUZZ_CHECK(mark <= bytes.size());
    FUZZ_CHECK(bytes.compare(0, mark, form == UnicodeForm::Utf8Marked ? "\xEF\xBB\xBF"
                                      : form == UnicodeForm::Utf16LE ? "\xFF\xFE"
                                      : form == UnicodeForm::Utf16BE ? "\xFE\xFF"
                                                                     : "") == 0);
    const std::string text = bytes.substr(mark);
    const bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
                        bytes.compare(0, 2, "\xFE\xFF") == 0;
    switch (form) {
    case UnicodeForm::None:
        FUZZ_CHECK(!marked && !(WellFormedUtf8(bytes) && HasNonAscii(bytes)));
        break;
    case UnicodeForm::Utf8:
        FUZZ_CHECK(!marked && WellFormedUtf8(bytes) && HasNonAscii(bytes));
        break;
    case UnicodeForm::Utf8Marked:
        break;
    case UnicodeForm::Utf16LE:
    case UnicodeForm::Utf16BE: {
        const bool bigEndian = form == UnicodeForm::Utf16BE;
        const std::u16string units = DecodeUtf16(text.data(), text.size(), bigEndian);
        FUZZ_CHECK(units.size() == text.size() / 2);
        for (std::size_t i = 0; i < units.size(); ++i) {
            const unsigned char first = static_cast<unsigned char>(text[2 * i]);
            const unsigned char second = static_cast<unsigned char>(text[2 * i + 1]);
            FUZZ_CHECK(units[i] == (bigEndian ? first * 256u + second : second * 256u + first));
        }
        break;
    }
    }
    CheckUtf8(text);
}

// ---- Names ----

void CheckNames(const std::string& bytes) {
    const std::vector<std::string> expected = NamesByTheRules(bytes);
    const NameList list = BuildNameList(bytes);
    FUZZ_CHECK(NameCount(list) == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) FUZZ_CHECK(NameAt(list, i) == expected[i]);
}

// ---- Pools ----

void CheckPools(const std::string& bytes) {
    const DrawPools pools = ParsePools(bytes);
    std::size_t entries = 0;
    for (const auto& source : pools.names) {
        FUZZ_CHECK(!source.second.empty());
        for (const std::string& name : source.second) FUZZ_CHECK(!name.empty());
        entries += source.second.size();
    }
    for (const auto& source : pools.numbers) {
        int32_t lo = 0, hi = 0;
        FUZZ_CHECK(ParseNumberSourceKey(source.first, lo, hi));
        FUZZ_CHECK(NumberSourceKey(lo, hi) == source.first);
        const std::vector<int32_t>& values = source.second;
        FUZZ_CHECK(!values.empty());
        for (std::size_t i = 0; i < values.size(); ++i) {
            FUZZ_CHECK(values[i] >= lo && values[i] <= hi);
            FUZZ_CHECK(i == 0 || values[i - 1] < values[i]);
        }
        entries += values.size();
    }
    FUZZ_CHECK(entries <= kMaxPoolEntries);

    const std::string written = SerializePools(pools);
    const DrawPools back = ParsePools(written);
    FUZZ_CHECK(back.names == pools.names);
    FUZZ_CHECK(back.numbers == pools.numbers);
    FUZZ_CHECK(SerializePools(back) == written);
}

}  // namespace

int FuzzPoolsFile(const uint8_t* data, std::size_t size) {
    CheckPools(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzParseNumber(const uint8_t* data, std::size_t size) {
    CheckNumber(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzNameFile(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckDecoding(bytes);
    CheckNames(bytes);
    return 0;
}
