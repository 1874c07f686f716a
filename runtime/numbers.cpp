#include "runtime/numbers.h"

#include <cmath>
#include <cstring>
#include <limits>

// The digit generation reads the x87 layout directly: 64-bit mantissa with an
// explicit integer bit, then sign and 15-bit exponent, little-endian.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must be x87 extended");
static_assert(std::numeric_limits<long double>::max_exponent == 16384, "long double must be x87 extended");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "x87 layout is little-endian");

namespace {

constexpr long double kTwo63 = 0x1p63L;

// ---------------------------------------------------------------------------
// Rounding to integers

// Every long double of magnitude 2^63 or more is already an integer.
long double RoundHalfEvenExtended(long double x) {
    if (!(x > -kTwo63 && x < kTwo63)) return x;
    const int64_t whole = static_cast<int64_t>(x);
    long double rounded = static_cast<long double>(whole);
    const long double fraction = x - rounded;  // exact
    const bool odd = (whole & 1) != 0;
    if (fraction > 0.5L || (fraction == 0.5L && odd)) rounded += 1;
    else if (fraction < -0.5L || (fraction == -0.5L && odd)) rounded -= 1;
    return rounded;
}

long double Truncate(long double x) {
    if (!(x > -kTwo63 && x < kTwo63)) return x;
    return static_cast<long double>(static_cast<int64_t>(x));
}

bool FitsInt64(long double integer) { return integer >= -kTwo63 && integer < kTwo63; }

// ---------------------------------------------------------------------------
// Text to number

unsigned ByteAt(const std::string& text, std::size_t i) {
    // Past the end reads as NUL, which ends every kind of number.
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
}

bool IsDecimalDigit(unsigned c) { return c >= '0' && c <= '9'; }

// Digit value for a radix of 2^bits, or -1.
int RadixDigit(unsigned c, int bits) {
    int value = -1;
    if (IsDecimalDigit(c)) value = static_cast<int>(c - '0');
    else if (c >= 'a' && c <= 'f') value = static_cast<int>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') value = static_cast<int>(c - 'A' + 10);
    return value < (1 << bits) ? value : -1;
}

// i is just past the "&".
long double ParseRadix(const std::string& text, std::size_t i) {
    int bits = 3;
    const unsigned radix = ByteAt(text, i);
    if (radix == 'H' || radix == 'h') {
        bits = 4;
        ++i;
    } else if (radix == 'B' || radix == 'b') {
        bits = 1;
        ++i;
    } else if (radix == 'O' || radix == 'o' || radix == 'Q' || radix == 'q') {
        ++i;
    }

    const std::size_t first = i;
    uint64_t value = 0;
    bool overflow = false;
    for (int digit; (digit = RadixDigit(ByteAt(text, i), bits)) >= 0; ++i) {
        if (value > (UINT64_MAX >> bits)) overflow = true;
        else value = (value << bits) | static_cast<uint64_t>(digit);
    }
    if (i == first || overflow) return 0;

    // Short forms are read as 16- or 32-bit integers, so "&HFFFF" is -1; a
    // leading 0 or the type suffixes say the value is meant unsigned.
    const unsigned suffix = ByteAt(text, i);
    const int width = value == 0 ? 0 : 64 - __builtin_clzll(value);
    if (ByteAt(text, first) == '0' || suffix == '?') return static_cast<long double>(value);
    if (width > 32) return static_cast<long double>(value);
    if (suffix == '&' && ByteAt(text, i + 1) == '&') return static_cast<long double>(value);
    if (width > 16 && (value & 0x80000000u)) return static_cast<long double>(static_cast<int64_t>(value) - 0x100000000LL);
    if (width <= 16 && suffix == '&') return static_cast<long double>(value);
    if (width <= 16 && (value & 0x8000u)) return static_cast<long double>(static_cast<int64_t>(value) - 0x10000LL);
    return static_cast<long double>(value);
}

// 10^k for 0 <= k < 8192. Up to 10^27 the powers are exact, so a mantissa
// scaled by one of them is correctly rounded; beyond, a few roundings.
long double PowerOfTen(int k) {
    static const long double kSmall[32] = {
        1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L,
        1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L,
        1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
    static const long double kLarge[8] = {1e32L,  1e64L,   1e128L,  1e256L,
                                          1e512L, 1e1024L, 1e2048L, 1e4096L};
    long double power = kSmall[k & 31];
    k >>= 5;
    for (int i = 0; k != 0 && i < 8; ++i, k >>= 1)
        if (k & 1) power *= kLarge[i];
    return power;
}

// mantissa x 10^exponent, for exponents that keep the result within about
// 10^-4950 .. 10^4950.
long double ScaleByPowerOfTen(uint64_t mantissa, int exponent) {
    long double value = static_cast<long double>(mantissa);
    if (exponent >= 0) return value * PowerOfTen(exponent);
    int down = -exponent;
    if (down > 4900) {
        // 10^down itself would overflow; divide in two steps.
        value /= PowerOfTen(4900);
        down -= 4900;
    }
    return value / PowerOfTen(down);
}

long double ParseDecimal(const std::string& text, std::size_t i) {
    bool negative = false;
    unsigned c = ByteAt(text, i);
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++i;
    }

    // value = mantissa x 10^(scale + exponent), mantissa holding the first
    // `kept` significant digits.
    constexpr int kMaxDigits = 18;
    uint64_t mantissa = 0;
    int kept = 0;
    int64_t scale = 0;
    bool point = false;
    for (;; ++i) {
        c = ByteAt(text, i);
        if (c == '.') {
            if (point) break;
            point = true;
            continue;
        }
        if (!IsDecimalDigit(c)) break;
        if (kept == 0 && c == '0') {
            if (point) --scale;
        } else if (kept < kMaxDigits) {
            mantissa = mantissa * 10 + (c - '0');
            ++kept;
            if (point) --scale;
        } else if (!point) {
            ++scale;
        }
    }

    int exponent = 0;
    c = ByteAt(text, i);
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        bool exponentNegative = false;
        c = ByteAt(text, ++i);
        if (c == '+' || c == '-') {
            exponentNegative = c == '-';
            ++i;
        }
        for (; IsDecimalDigit(c = ByteAt(text, i)); ++i) {
            exponent = exponent * 10 + static_cast<int>(c - '0');
            if (exponent > 9999) exponent = 9999;
        }
        if (exponentNegative) exponent = -exponent;
    }

    // Also covers "-0": the sign is applied to non-zero values only.
    if (mantissa == 0) return 0;
    const int64_t magnitude = kept - 1 + scale + exponent;  // of the leading digit
    long double value;
    if (magnitude >= 4933) {
        value = 0x1p127L;
    } else if (magnitude <= -4933) {
        return 0;
    } else {
        // Without trailing zeros equal texts ("1E30", "10E29") take the
        // same path and give the same value.
        int64_t power = scale + exponent;
        for (; mantissa % 10 == 0; ++power) mantissa /= 10;
        value = ScaleByPowerOfTen(mantissa, static_cast<int>(power));
    }
    return negative ? -value : value;
}

// ---------------------------------------------------------------------------
// Number to text

// Non-negative integer in 32-bit words, least significant first. The widest
// one the digit generation meets is about 100 x 2^16445 (the smallest
// subnormal's denominator times the scaled numerator's headroom), 515 words.
constexpr int kBigWords = 530;

struct BigNum {
    int size = 0;  // words in use; the top one is non-zero
    uint32_t word[kBigWords];
};

void BigCopy(BigNum& to, const BigNum& from) {
    to.size = from.size;
    std::memcpy(to.word, from.word, sizeof(uint32_t) * static_cast<std::size_t>(from.size));
}

void BigSet(BigNum& a, uint64_t value) {
    a.size = 0;
    for (; value != 0; value >>= 32) a.word[a.size++] = static_cast<uint32_t>(value);
}

void BigMultiply(BigNum& a, uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 0; i < a.size; ++i) {
        const uint64_t product = static_cast<uint64_t>(a.word[i]) * factor + carry;
        a.word[i] = static_cast<uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0) a.word[a.size++] = static_cast<uint32_t>(carry);
}

void BigMultiplyPowerOfTen(BigNum& a, int k) {
    static const uint32_t kPowers[10] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
    for (; k >= 9; k -= 9) BigMultiply(a, kPowers[9]);
    if (k > 0) BigMultiply(a, kPowers[k]);
}

void BigShiftLeft(BigNum& a, int bits) {
    if (a.size == 0 || bits == 0) return;
    const int words = bits / 32;
    const int shift = bits % 32;
    if (shift == 0) {
        for (int i = a.size - 1; i >= 0; --i) a.word[i + words] = a.word[i];
        a.size += words;
    } else {
        const uint32_t top = a.word[a.size - 1] >> (32 - shift);
        for (int i = a.size - 1; i > 0; --i)
            a.word[i + words] = (a.word[i] << shift) | (a.word[i - 1] >> (32 - shift));
        a.word[words] = a.word[0] << shift;
        a.size += words;
        if (top != 0) a.word[a.size++] = top;
    }
    for (int i = 0; i < words; ++i) a.word[i] = 0;
}

int BigCompare(const BigNum& a, const BigNum& b) {
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int i = a.size - 1; i >= 0; --i)
        if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
    return 0;
}

// a -= factor x b, where the result is not negative.
void BigSubtractMultiple(BigNum& a, const BigNum& b, uint32_t factor) {
    uint64_t carry = 0;
    uint64_t borrow = 0;
    for (int i = 0; i < a.size; ++i) {
        const uint64_t product = (i < b.size ? static_cast<uint64_t>(b.word[i]) * factor : 0) + carry;
        carry = product >> 32;
        const uint64_t subtrahend = (product & 0xFFFFFFFFu) + borrow;
        const uint64_t word = a.word[i];
        borrow = word < subtrahend ? 1 : 0;
        a.word[i] = static_cast<uint32_t>(word - subtrahend);
    }
    while (a.size > 0 && a.word[a.size - 1] == 0) --a.size;
}

// floor(a / b) or one more, for a < 10 b: from the top words alone, whose
// ratio is off by less than 2^-31 of itself.
int EstimateQuotient(const BigNum& a, const BigNum& b) {
    const int n = b.size;
    auto word = [](const BigNum& x, int i) -> long double {
        return i >= 0 && i < x.size ? static_cast<long double>(x.word[i]) : 0.0L;
    };
    const long double top = word(a, n) * 0x1p64L + word(a, n - 1) * 0x1p32L + word(a, n - 2);
    const long double bottom = word(b, n - 1) * 0x1p32L + word(b, n - 2);
    return static_cast<int>(top / bottom);
}

constexpr int kDecimalDigits = 18;

// value = d[0].d[1]d[2]... x 10^exponent
struct Decimal {
    int digit[kDecimalDigits];
    int exponent;
};

// The first 18 significant digits of a finite positive value, exactly
// rounded (halves to even).
Decimal ToDecimal(long double value) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof bytes);
    uint64_t mantissa;
    std::memcpy(&mantissa, bytes, sizeof mantissa);
    const int biased = (bytes[8] | bytes[9] << 8) & 0x7FFF;
    // value = mantissa x 2^binaryExponent; subnormals share the lowest scale.
    const int binaryExponent = (biased == 0 ? 1 : biased) - 16383 - 63;

    Decimal result;
    if (binaryExponent < 0 && binaryExponent > -64 && (mantissa << (64 + binaryExponent)) == 0 &&
        (mantissa >> -binaryExponent) < 1000000000000000000u) {
        // An integer below 10^18, the usual case, needs no rounding.
        uint64_t integer = mantissa >> -binaryExponent;
        int reversed[kDecimalDigits];
        int count = 0;
        for (; integer != 0; integer /= 10) reversed[count++] = static_cast<int>(integer % 10);
        for (int i = 0; i < kDecimalDigits; ++i) result.digit[i] = i < count ? reversed[count - 1 - i] : 0;
        result.exponent = count - 1;
        return result;
    }

    // value = numerator / denominator, then both scaled until the quotient
    // lies in [1, 10).
    BigNum numerator, denominator, scratch;
    BigSet(numerator, mantissa);
    BigSet(denominator, 1);
    if (binaryExponent >= 0) BigShiftLeft(numerator, binaryExponent);
    else BigShiftLeft(denominator, -binaryExponent);

    const int log2 = binaryExponent + 63 - __builtin_clzll(mantissa);
    int exponent = static_cast<int>(std::floor(log2 * 0.30102999566398119521));
    if (exponent >= 0) BigMultiplyPowerOfTen(denominator, exponent);
    else BigMultiplyPowerOfTen(numerator, -exponent);
    for (;;) {
        BigCopy(scratch, denominator);
        BigMultiply(scratch, 10);
        if (BigCompare(numerator, scratch) < 0) break;
        BigCopy(denominator, scratch);
        ++exponent;
    }
    while (BigCompare(numerator, denominator) < 0) {
        BigMultiply(numerator, 10);
        --exponent;
    }

    result.exponent = exponent;
    for (int i = 0; i < kDecimalDigits; ++i) {
        if (i > 0) BigMultiply(numerator, 10);
        int digit = EstimateQuotient(numerator, denominator);
        if (digit > 0) BigSubtractMultiple(numerator, denominator, static_cast<uint32_t>(--digit));
        for (; BigCompare(numerator, denominator) >= 0; ++digit) BigSubtractMultiple(numerator, denominator, 1);
        result.digit[i] = digit;
    }
    BigShiftLeft(numerator, 1);
    const int half = BigCompare(numerator, denominator);
    if (half > 0 || (half == 0 && (result.digit[kDecimalDigits - 1] & 1))) {
        int i = kDecimalDigits - 1;
        for (; i >= 0 && result.digit[i] == 9; --i) result.digit[i] = 0;
        if (i >= 0) {
            ++result.digit[i];
        } else {
            result.digit[0] = 1;
            ++result.exponent;
        }
    }
    return result;
}

void AppendDigits(std::string& out, const int* digits, int count) {
    for (int i = 0; i < count; ++i) out += static_cast<char>('0' + digits[i]);
}

// ---------------------------------------------------------------------------
// Precision

// Windows starts every thread but the main one with the x87 unit rounding to
// 53 bits, which would make a roller read "1234567890123456789" differently
// from the user-interface thread. Each conversion runs at 64 bits, rounding
// to nearest, and gives the caller's setting back.
#define NOIPA __attribute__((noipa))  // keeps the work behind the switch

struct FullPrecisionScope {
    uint16_t saved = 0;
    uint16_t wanted = 0;

    FullPrecisionScope() {
        __asm__ volatile("fnstcw %0" : "=m"(saved) : : "memory");
        // Precision control (bits 8-9) 11 = 64 bits; rounding (10-11) 00 = nearest.
        wanted = static_cast<uint16_t>((saved & ~0x0C00u) | 0x0300u);
        if (wanted != saved) __asm__ volatile("fldcw %0" : : "m"(wanted) : "memory");
    }
    ~FullPrecisionScope() {
        if (wanted != saved) __asm__ volatile("fldcw %0" : : "m"(saved) : "memory");
    }
    FullPrecisionScope(const FullPrecisionScope&) = delete;
    FullPrecisionScope& operator=(const FullPrecisionScope&) = delete;
};

NOIPA long double ParseNumberBody(const std::string& text) {
    std::size_t i = 0;
    for (unsigned c; (c = ByteAt(text, i)) == ' ' || c == '\t' || c == '\n';) ++i;
    if (ByteAt(text, i) == '&') return ParseRadix(text, i + 1);
    return ParseDecimal(text, i);
}

NOIPA bool RoundToInt64Body(long double value, int64_t& result) {
    const long double rounded = RoundHalfEvenExtended(value);
    if (!FitsInt64(rounded)) return false;
    result = static_cast<int64_t>(rounded);
    return true;
}

NOIPA std::string FormatNumberBody(long double value, bool leadingBlank, int digits) {
    if (digits < 1) digits = 1;
    if (digits > kDecimalDigits) digits = kDecimalDigits;

    std::string out;
    const bool negative = value < 0;  // not for -0 or NaN
    if (negative) out += '-';
    else if (leadingBlank) out += ' ';

    if (std::isnan(value) || value == 0) {
        out += '0';
        return out;
    }
    if (std::isinf(value)) {
        out += '9';
        if (digits > 1) out.append(1, '.').append(static_cast<std::size_t>(digits - 1), '9');
        out += "E+998";
        return out;
    }

    Decimal decimal = ToDecimal(negative ? -value : value);
    int* digit = decimal.digit;
    if (digits < kDecimalDigits) {
        // Only the next digit decides, so a 5 there is a tie even when
        // further non-zero digits follow.
        const int next = digit[digits];
        if (next > 5 || (next == 5 && (digit[digits - 1] & 1))) {
            int i = digits - 1;
            for (; i >= 0 && digit[i] == 9; --i) digit[i] = 0;
            if (i >= 0) {
                ++digit[i];
            } else {
                digit[0] = 1;
                ++decimal.exponent;
            }
        }
    }
    int count = digits;
    while (count > 1 && digit[count - 1] == 0) --count;
    const int before = decimal.exponent + 1;  // digits before the point

    if (before >= count && before <= digits) {
        AppendDigits(out, digit, count);
        out.append(static_cast<std::size_t>(before - count), '0');
    } else if (before < count && count - before <= digits) {
        if (before > 0) {
            AppendDigits(out, digit, before);
            out += '.';
            AppendDigits(out, digit + before, count - before);
        } else {
            out += '.';
            out.append(static_cast<std::size_t>(-before), '0');
            AppendDigits(out, digit, count);
        }
    } else {
        AppendDigits(out, digit, 1);
        if (count > 1) {
            out += '.';
            AppendDigits(out, digit + 1, count - 1);
        }
        out += decimal.exponent < 0 ? "E-" : "E+";
        out += std::to_string(decimal.exponent < 0 ? -decimal.exponent : decimal.exponent);
    }
    return out;
}

NOIPA long double IntDivideBody(long double a, long double b) {
    const long double dividend = RoundHalfEvenExtended(a);
    const long double divisor = RoundHalfEvenExtended(b);
    // Exceptions are masked: a zero divisor gives an infinity or NaN.
    if (divisor == 0) return dividend / divisor;
    if (FitsInt64(dividend) && FitsInt64(divisor)) {
        const int64_t x = static_cast<int64_t>(dividend);
        const int64_t y = static_cast<int64_t>(divisor);
        if (!(x == INT64_MIN && y == -1)) return static_cast<long double>(x / y);
    }
    return Truncate(dividend / divisor);
}

}  // namespace

long double ParseNumber(const std::string& text) {
    FullPrecisionScope precision;
    return ParseNumberBody(text);
}

bool RoundToInt64(long double value, int64_t& result) {
    FullPrecisionScope precision;
    return RoundToInt64Body(value, result);
}

int64_t ToInt64(long double value) {
    int64_t result;
    return RoundToInt64(value, result) ? result : 0;
}

int32_t ToInt32(long double value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(value))));
}

std::string FormatNumber(long double value, bool leadingBlank, int digits) {
    FullPrecisionScope precision;
    return FormatNumberBody(value, leadingBlank, digits);
}

long double IntDivide(long double a, long double b) {
    FullPrecisionScope precision;
    return IntDivideBody(a, b);
}

long double BitAnd(long double a, long double b) {
    return static_cast<long double>(ToInt64(a) & ToInt64(b));
}

long double BitOr(long double a, long double b) {
    return static_cast<long double>(ToInt64(a) | ToInt64(b));
}

long double Maximum(long double a, long double b) { return b > a ? b : a; }

int32_t MakeColor(int32_t red, int32_t green, int32_t blue) {
    auto clamp = [](int32_t component) { return component < 0 ? 0 : component > 255 ? 255 : component; };
    return clamp(red) + 256 * clamp(green) + 65536 * clamp(blue);
}

int RoundHalfEven(double value) { return static_cast<int>(RoundHalfEvenExtended(value)); }
