#include "engine/zip_crc.h"

#include <zlib.h>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <immintrin.h>
#define TOBRIX_FOLDED_CRC 1
#endif

namespace {

uint32_t UpdateTableCrc(uint32_t crc, const unsigned char* data, std::size_t size) {
    // zlib takes an unsigned int length; a 32-bit build never has more, a
    // 64-bit one might.
    while (size > 0) {
        const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
        crc = static_cast<uint32_t>(crc32(crc, data, chunk));
        data += chunk;
        size -= chunk;
    }
    return crc;
}

#ifdef TOBRIX_FOLDED_CRC

#define TOBRIX_CLMUL __attribute__((target("pclmul,sse2")))

TOBRIX_CLMUL __attribute__((always_inline)) inline __m128i FoldLane(__m128i lane, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

TOBRIX_CLMUL __attribute__((always_inline)) inline __m128i LoadLane(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Folds 64 bytes at a time in four 128-bit lanes, then one lane, and leaves
// the last 16 folded bytes and the tail to the table: the CRC without an
// initial value is linear, so the folded bytes stand for all before them.
// The constants are x^n mod P for the reflected polynomial 0xEDB88320.
// The stack of a 32-bit Windows caller may be only 4-byte aligned.
TOBRIX_CLMUL __attribute__((force_align_arg_pointer)) uint32_t UpdateFoldedCrc(uint32_t crc, const unsigned char* data,
                                                                              std::size_t size) {
    const __m128i fold4 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    const __m128i fold1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);

    __m128i x0 = _mm_xor_si128(LoadLane(data), _mm_cvtsi32_si128(static_cast<int>(~crc)));
    __m128i x1 = LoadLane(data + 16), x2 = LoadLane(data + 32), x3 = LoadLane(data + 48);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64) {
        x0 = FoldLane(x0, fold4, LoadLane(data));
        x1 = FoldLane(x1, fold4, LoadLane(data + 16));
        x2 = FoldLane(x2, fold4, LoadLane(data + 32));
        x3 = FoldLane(x3, fold4, LoadLane(data + 48));
    }
    x0 = FoldLane(x0, fold1, x1);
    x0 = FoldLane(x0, fold1, x2);
    x0 = FoldLane(x0, fold1, x3);
    for (; size >= 16; data += 16, size -= 16) x0 = FoldLane(x0, fold1, LoadLane(data));

    unsigned char folded[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), x0);
    // The initial value went into the first bytes, so the table starts from none.
    return UpdateTableCrc(UpdateTableCrc(0xFFFFFFFFu, folded, sizeof folded), data, size);
}

bool HasCarrylessMultiply() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    }();
    return has;
}

#endif

}  // namespace

uint32_t UpdateZipCrc(uint32_t crc, const void* data, std::size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
#ifdef TOBRIX_FOLDED_CRC
    if (size >= 256 && HasCarrylessMultiply()) return UpdateFoldedCrc(crc, bytes, size);
#endif
    return UpdateTableCrc(crc, bytes, size);
}
