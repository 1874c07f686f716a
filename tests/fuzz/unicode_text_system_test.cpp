// The portable UTF-8 decoding against the system's converter, which name
// files went through before it: the same inputs must be refused as not well
// formed, and the rest must give the same code units. Random inputs lean
// towards the edges: every sequence length, surrogates, noncharacters, the
// last code point and beyond, overlong forms, cut and damaged sequences.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/unicode_text.h"

namespace {

// What the system makes of the bytes with MB_ERR_INVALID_CHARS; false when it
// refuses them.
bool SystemDecode(const std::string& bytes, std::u16string& units) {
    units.clear();
    if (bytes.empty()) return true;
    const int count = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (size <= 0) return false;
    units.resize(static_cast<std::size_t>(size));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count,
                               reinterpret_cast<wchar_t*>(&units[0]), size) == size;
}

// Any code point up to 0x1FFFFF in 1 to 4 bytes, overlong when asked: the
// encoder does not care whether the result is well formed.
std::string Encode(uint32_t code, int length) {
    std::string bytes;
    if (length == 1) return std::string(1, static_cast<char>(code & 0x7F));
    static const unsigned char leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    bytes += static_cast<char>(leads[length] | (code >> (6 * (length - 1))));
    for (int k = length - 2; k >= 0; --k) bytes += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    return bytes;
}

struct Random {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

uint32_t EdgeCode(Random& random) {
    static const uint32_t edges[] = {0x0,    0x7F,   0x80,    0x7FF,    0x800,    0xD7FF,  0xD800,  0xDBFF,
                                     0xDC00, 0xDFFF, 0xE000,  0xFFFD,   0xFFFE,   0xFFFF,  0x10000, 0x10FFFF,
                                     0x110000, 0x4E09, 0x5F20, 0x1F600, 0x1FFFFF};
    return random.below(3) ? edges[random.below(sizeof edges / sizeof edges[0])] : random.below(0x110000);
}

std::string RandomInput(Random& random) {
    std::string bytes;
    const int pieces = static_cast<int>(random.below(6));
    for (int i = 0; i < pieces; ++i) {
        const uint32_t code = EdgeCode(random);
        int length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (random.below(8) == 0 && length < 4) ++length;  // overlong
        bytes += Encode(code, length);
    }
    switch (random.below(5)) {
    case 0:  // cut short
        if (!bytes.empty()) bytes.resize(random.below(static_cast<uint32_t>(bytes.size())));
        break;
    case 1:  // one byte damaged
        if (!bytes.empty()) bytes[random.below(static_cast<uint32_t>(bytes.size()))] = static_cast<char>(random.next());
        break;
    case 2:  // a stray byte
        bytes.insert(bytes.begin() + random.below(static_cast<uint32_t>(bytes.size() + 1)),
                     static_cast<char>(0x80 + random.below(0x80)));
        break;
    default:
        break;
    }
    return bytes;
}

TEST(UnicodeTextSystem, StrictUtf8RefusesAndDecodesWhatTheSystemDoes) {
    Random random{20260308};
    int wellFormed = 0, refused = 0;
    for (int i = 0; i < 50000; ++i) {
        const std::string bytes = RandomInput(random);
        std::u16string ours, system;
        const bool decoded = DecodeStrictUtf8(bytes.data(), bytes.size(), ours);
        const bool accepted = SystemDecode(bytes, system);
        ASSERT_EQ(decoded, accepted) << "input " << i;
        if (!decoded) {
            ++refused;
            continue;
        }
        ++wellFormed;
        ASSERT_EQ(ours, system) << "input " << i;
    }
    // The mix reaches both sides often.
    EXPECT_GT(wellFormed, 10000);
    EXPECT_GT(refused, 10000);
}

}  // namespace
