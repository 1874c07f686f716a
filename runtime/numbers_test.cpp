#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using std::string;
using namespace std::string_literals;

struct ParseCase {
    string text;
    long double value;
};

// Expected values are exact (or correctly rounded literals): a parse that is
// off by one unit in the last place fails.
void ExpectParses(const std::vector<ParseCase>& cases) {
    for (const ParseCase& c : cases) {
        const long double value = ParseNumber(c.text);
        EXPECT_EQ(value, c.value) << "text '" << c.text << "'";
        EXPECT_FALSE(value == 0 && std::signbit(value)) << "negative zero from '" << c.text << "'";
    }
}

TEST(ParseNumberTest, DecimalReadsTheLongestAcceptablePrefix) {
    ExpectParses({
        {"  12", 12}, {"\t-3.5e2x", -350}, {" \n\t7", 7}, {"\r5", 0}, {"\v5", 0},
        {"1 2", 1}, {"1,000", 1}, {"- 5", 0}, {"++1", 0}, {"1-2", 1}, {"-12abc", -12},
        {"", 0}, {"-", 0}, {"+", 0}, {".", 0}, {"-.", 0}, {"abc", 0}, {"-0", 0}, {"-0.000e5", 0},
        {"+.5", 0.5L}, {"-.25", -0.25L}, {"5.", 5}, {"1.5.5", 1.5L}, {"007", 7}, {"0.1", 0.1L},
        {"123.456", 123.456L}, {"2D3", 2000}, {"2d-1", 0.2L}, {"1e-2", 0.01L}, {"1E+2", 100},
        {"1e", 1}, {"1e+", 1}, {"1e--2", 1}, {"1E2.5", 100}, {"1E 2", 1},
        // NUL and high bytes are ordinary characters that end a number.
        {"1\0" "5"s, 1}, {"\0" "5"s, 0}, {"5\xB5\xA5", 5}, {"\xB5\xA5" "5", 0}, {"\xA0" "5", 0},
    });
}

TEST(ParseNumberTest, KeepsEighteenSignificantDigitsByTruncation) {
    ExpectParses({
        {"1234567890123456789", 1234567890123456780.0L},
        {"99999999999999999999", 99999999999999999900.0L},  // not rounded up to 1E+20
        {"123456789012345678999", 123456789012345678000.0L},
        {"0.00001234567890123456789", 1.23456789012345678e-5L},
        {"000000000000000000000000012", 12},
        {"18446744073709551615", 18446744073709551600.0L},
    });
}

TEST(ParseNumberTest, EqualDecimalValuesParseIdentically) {
    const std::vector<std::vector<string>> groups = {
        {"1E30", "10E29", "1000000000000000000000000000000", ".1E31", "0.00001E35"},
        {"1E-30", "0.1E-29", "100E-32", "." + string(29, '0') + "1"},
        {"123456789E300", "1234567890000000000000E287", "0.123456789E309"},
    };
    for (const auto& group : groups) {
        const long double first = ParseNumber(group[0]);
        for (const string& text : group) EXPECT_EQ(ParseNumber(text), first) << text;
    }
    EXPECT_NEAR(static_cast<double>(ParseNumber("1E30") / 1e30L), 1.0, 1e-18);
}

TEST(ParseNumberTest, RadixFormsAndTheirSignRules) {
    ExpectParses({
        {"&H10", 16}, {"&h1f", 31}, {"&HfF", 255}, {"  &H10", 16}, {"&O17", 15}, {"&o17", 15},
        {"&Q17", 15}, {"&q17", 15}, {"&17", 15}, {"&B101", 5}, {"&b1012", 5}, {"&18", 1},
        {"&8", 0}, {"&", 0}, {"&H", 0}, {"&Hx", 0}, {"&H-1", 0}, {"-&H10", 0}, {"+&H10", 0},
        // Up to 16 bits: signed from bit 15 unless marked.
        {"&HFFFF", -1}, {"&H8000", -32768}, {"&H7FFF", 32767}, {"&177777", -1},
        {"&B1111111111111111", -1}, {"&H0FFFF", 65535}, {"&HFFFF&", 65535},
        {"&HFFFF&&", 65535}, {"&HFFFF?", 65535}, {"&H8000&x", 32768}, {"&O0177777", 65535},
        // 17 to 32 bits: signed from bit 31; a single "&" does not help.
        {"&H10000", 65536}, {"&H12345678", 305419896}, {"&H7FFFFFFF", 2147483647},
        {"&H80000000", -2147483648.0L}, {"&HFFFFFFFF", -1}, {"&HFFFFFFFF&", -1},
        {"&HFFFFFFFF&&", 4294967295.0L}, {"&HFFFFFFFF?", 4294967295.0L},
        {"&H0FFFFFFFF", 4294967295.0L},
        // Wider values stand as they are; beyond 64 bits they give 0.
        {"&H100000000", 4294967296.0L}, {"&HFFFFFFFFFFFFFFFF", 0x1p64L - 1},
        {"&H1FFFFFFFFFFFFFFFF", 0}, {"&H10000000000000000", 0},
        {"&H" + string(10000, '0') + "1", 1}, {"&H" + string(10000, 'F'), 0},
    });
}

TEST(ParseNumberTest, HugeAndTinyExponents) {
    ExpectParses({
        {"1E5000", 0x1p127L}, {"-1E5000", -0x1p127L}, {"1E4933", 0x1p127L}, {".1E4934", 0x1p127L},
        {"1E99999999999999999999", 0x1p127L}, {"1E" + string(10000, '9'), 0x1p127L},
        {"1" + string(10000, '0'), 0x1p127L}, {"1" + string(10000, '0') + "E-9999", 10},
        {"1E-4933", 0}, {"-1E-5000", 0}, {"1E-" + string(10000, '9'), 0},
        {"0." + string(10000, '0') + "1", 0}, {"0E5000", 0}, {"0." + string(10000, '0'), 0},
    });
    // The exponent saturates at -9999, and 10^10000 x 10^-9999 is 10.
    EXPECT_EQ(ParseNumber("1" + string(10000, '0') + "E-99999"), 10);
    // Digits past the 18th still count toward the magnitude.
    EXPECT_NEAR(static_cast<double>(ParseNumber("1" + string(10000, '0') + "E-5070") / 1e4930L), 1.0, 1e-17);

    EXPECT_TRUE(std::isinf(ParseNumber("9E4932")));
    EXPECT_TRUE(std::isinf(ParseNumber("-2E4932")));
    const long double big = ParseNumber("1E4932");
    EXPECT_NEAR(static_cast<double>(big / 1e4932L), 1.0, 1e-17);
    const long double tiny = ParseNumber("1.5E-4932");  // subnormal
    EXPECT_LT(tiny, std::numeric_limits<long double>::min());
    EXPECT_NEAR(static_cast<double>(tiny / 1.5e-4932L), 1.0, 1e-17);
}

// Generated text: digits, points, signs, exponent letters, "&" forms, blanks,
// NULs, high bytes, runs of 10,000 digits.
string RandomText(std::mt19937& rng) {
    static const char* const kPieces[] = {
        "0", "1", "5", "9", "7", ".", "-", "+", "E", "e", "D", "d", "&", "H", "h", "O", "Q", "B",
        "F", "f", "?", "&&", " ", "\t", "\n", "\r", ",", "x", "\xB5\xA5", "\xFF", "E-", "E+",
        "99999", "4933", "-4933", "&HFFFF", "&HFFFFFFFF", "&0", "1E99999",
    };
    string text;
    const int pieces = static_cast<int>(rng() % 24);
    for (int i = 0; i < pieces; ++i) {
        const unsigned pick = rng() % 64;
        if (pick < std::size(kPieces)) text += kPieces[pick];
        else if (pick < 52) text += static_cast<char>(rng() & 0xFF);
        else if (pick < 62) text += static_cast<char>('0' + rng() % 10);
        else if (pick == 62) text += '\0';
        else if (rng() % 64 == 0) text += string(10000, static_cast<char>('0' + rng() % 10));
    }
    return text;
}

TEST(ParseNumberTest, NeverFailsOnArbitraryBytes) {
    std::mt19937 rng(20240611);
    int finite = 0;
    for (int round = 0; round < 300000; ++round) {
        const string text = RandomText(rng);
        const long double value = ParseNumber(text);
        ASSERT_FALSE(std::isnan(value)) << text;
        finite += std::isfinite(value) ? 1 : 0;
        // Nothing after a NUL counts, and a leading blank is skipped.
        ASSERT_EQ(ParseNumber(text + "\0" "123"s), value) << text;
        ASSERT_EQ(ParseNumber(" " + text), value) << text;
        // The sign applies last, to the value of what follows it.
        if (!text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) {
            ASSERT_EQ(ParseNumber("-" + text), -value) << text;
        }
    }
    EXPECT_GT(finite, 250000);
}

TEST(ParseNumberTest, LongTextTakesLinearTime) {
    // A quadratic scan would take minutes here.
    const string digits(2000000, '7');
    EXPECT_EQ(ParseNumber(digits), 0x1p127L);
    EXPECT_EQ(ParseNumber("." + digits), 0.777777777777777777L);
    EXPECT_EQ(ParseNumber("1E" + digits), 0x1p127L);
}

TEST(ToInt32Test, RoundsHalvesToEvenAndKeepsTheLow32Bits) {
    const struct {
        long double value;
        int32_t expected;
    } cases[] = {
        {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {-3.5L, -4}, {-0.5L, 0}, {0.5L, 0}, {1.5L, 2},
        {2.5L + 0x1p-62L, 3}, {2.5L - 0x1p-62L, 2}, {-1.4L, -1}, {-1.6L, -2},
        {2147483647, INT32_MAX}, {2147483646.5L, 2147483646}, {2147483647.5L, INT32_MIN},
        {2147483648.0L, INT32_MIN}, {-2147483648.0L, INT32_MIN}, {-2147483648.5L, INT32_MIN},
        {-2147483649.0L, INT32_MAX}, {4294967295.0L, -1}, {4294967296.0L, 0},
        {5000000000.0L, 705032704}, {-5000000000.0L, -705032704},
        // The 64-bit range decides what wraps and what is lost.
        {0x1p63L - 1, -1}, {0x1p63L - 0.5L, 0}, {0x1p63L, 0}, {0x1p63L + 4, 0},
        {-0x1p63L + 5, 5}, {-0x1p63L - 2, 0}, {1e300L, 0},
        {std::numeric_limits<long double>::infinity(), 0},
        {-std::numeric_limits<long double>::infinity(), 0},
        {std::numeric_limits<long double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ToInt32(c.value), c.expected) << c.value;

    EXPECT_EQ(ToInt64(0x1p63L - 1), INT64_MAX);
    EXPECT_EQ(ToInt64(-0x1p63L), INT64_MIN);
    int64_t result = 7;
    EXPECT_FALSE(RoundToInt64(0x1p63L - 0.5L, result));
    EXPECT_FALSE(RoundToInt64(std::numeric_limits<long double>::quiet_NaN(), result));
    EXPECT_TRUE(RoundToInt64(-0x1p63L + 0.5L, result));
    EXPECT_EQ(result, INT64_MIN);
}

TEST(FormatNumberTest, PlainAndScientificForms) {
    const long double inf = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const struct {
        long double value;
        bool blank;
        const char* expected;
    } cases[] = {
        {42, true, " 42"}, {-42, true, "-42"}, {0.5L, true, " .5"}, {-0.5L, true, "-.5"},
        {100, true, " 100"}, {0, true, " 0"}, {-0.0L, true, " 0"}, {nan, true, " 0"},
        {123456789012345, true, " 123456789012345"},
        {1234567890123456, true, " 1.23456789012346E+15"}, {INT32_MIN, true, "-2147483648"},
        {0, false, "0"}, {-0.0L, false, "0"}, {nan, false, "0"}, {-nan, false, "0"},
        {42, false, "42"}, {1.5L, false, "1.5"}, {0.001L, false, ".001"}, {0.1L, false, ".1"},
        {1e-15L, false, ".000000000000001"}, {1e-16L, false, "1E-16"},
        {1.5e-15L, false, "1.5E-15"}, {1.5e20L, false, "1.5E+20"}, {1e15L, false, "1E+15"},
        {1e14L, false, "100000000000000"}, {1e16L, false, "1E+16"},
        {12345678901234.5L, false, "12345678901234.5"}, {123.456L, false, "123.456"},
        {0.0123456789012345L, false, "1.23456789012345E-2"},
        {0.000123456789012345678L, false, "1.23456789012346E-4"},
        {1.0L / 3, false, ".333333333333333"}, {2.0L / 3, false, ".666666666666667"},
        {-1e300L, false, "-1E+300"}, {1e-300L, false, "1E-300"},
        {inf, false, "9.99999999999999E+998"}, {-inf, true, "-9.99999999999999E+998"},
        {inf, true, " 9.99999999999999E+998"},
        {std::numeric_limits<long double>::max(), false, "1.18973149535723E+4932"},
        {std::numeric_limits<long double>::min(), false, "3.36210314311209E-4932"},
        {std::numeric_limits<long double>::denorm_min(), false, "3.64519953188247E-4951"},
        {0x1p64L, false, "1.84467440737096E+19"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, c.blank), c.expected) << c.value;
}

TEST(FormatNumberTest, RoundsOnTheNextDigitAlone) {
    const struct {
        long double value;
        const char* expected;
    } cases[] = {
        {999999999999999.5L, "1E+15"},  // carry adds a digit
        {999999999999998.5L, "999999999999998"}, {999999999999997.5L, "999999999999998"},
        {-999999999999999.5L, "-1E+15"}, {0.9999999999999995L, "1"},
        {9.999999999999995e-5L, ".0001"},
        // A 5 in the 16th digit is a tie even when more digits follow it.
        {1.00000000000000501L, "1"}, {1.00000000000001501L, "1.00000000000002"},
        {1.00000000000000599L, "1"}, {1.00000000000000601L, "1.00000000000001"},
        {1.00000000000000499L, "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, false), c.expected) << c.value;

    EXPECT_EQ(FormatNumber(2.0L / 3, false, 1), ".7");
    EXPECT_EQ(FormatNumber(0.25L, false, 1), ".2");
    EXPECT_EQ(FormatNumber(123456, false, 3), "1.23E+5");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<long double>::infinity(), false, 1), "-9E+998");
    EXPECT_EQ(FormatNumber(1234567890123456789.0L, false, 18), "1.23456789012345679E+18");
    EXPECT_EQ(FormatNumber(123456789012345678.0L, false, 18), "123456789012345678");
}

struct Scientific {
    string digits;  // no leading or trailing zeros
    int exponent;   // of the first digit
};

// Reduces any decimal text ("-1.5E+20", ".001", "1.50000e-03") to its digits
// and exponent, so two writers can be compared whatever their layout.
Scientific ToScientific(const string& text) {
    string digits;
    int before = -1;  // digits before the point
    std::size_t i = 0;
    for (; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i) {
        if (text[i] == '.') before = static_cast<int>(digits.size());
        else if (text[i] >= '0' && text[i] <= '9') digits += text[i];
    }
    if (before < 0) before = static_cast<int>(digits.size());
    const std::size_t zeros = digits.find_first_not_of('0');
    if (zeros == string::npos) return {"", 0};
    Scientific s{digits.substr(zeros), before - static_cast<int>(zeros) - 1};
    if (i < text.size()) s.exponent += std::stoi(text.substr(i + 1));
    s.digits.erase(s.digits.find_last_not_of('0') + 1);
    return s;
}

string LibraryDigits(long double value) {
    char buffer[64];
#ifdef _WIN32
    __mingw_snprintf(buffer, sizeof buffer, "%.17Le", value);
#else
    std::snprintf(buffer, sizeof buffer, "%.17Le", value);
#endif
    return buffer;
}

TEST(FormatNumberTest, EighteenDigitsAgreeWithTheCLibraryAcrossTheRange) {
    EXPECT_EQ(ToScientific("-1.5E+20").exponent, 20);
    EXPECT_EQ(ToScientific(".001").exponent, -3);
    EXPECT_EQ(ToScientific("120.5").exponent, 2);
    EXPECT_EQ(ToScientific("1.50000e-03").digits, "15");

    std::mt19937_64 rng(7);
    for (int round = 0; round < 6000; ++round) {
        long double value;
        if (round % 3 == 0) {
            // Any finite long double, subnormals included.
            const int binaryExponent = static_cast<int>(rng() % 32890) - 16445;
            value = std::ldexp(static_cast<long double>(rng() | 1), binaryExponent - 63);
        } else if (round % 3 == 1) {
            value = std::ldexp(static_cast<long double>(rng()), static_cast<int>(rng() % 200) - 100);
        } else {
            value = static_cast<long double>(static_cast<int64_t>(rng()) >> (rng() % 64));
        }
        if (value == 0 || std::isinf(value)) continue;
        const Scientific ours = ToScientific(FormatNumber(value, false, 18));
        const Scientific library = ToScientific(LibraryDigits(value));
        ASSERT_EQ(ours.digits, library.digits) << LibraryDigits(value);
        ASSERT_EQ(ours.exponent, library.exponent) << LibraryDigits(value);
    }
}

TEST(NumberRoundTripTest, EveryInt32ComesBackThroughText) {
    std::vector<int32_t> values = {0, 1, -1, INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1};
    for (int bit = 0; bit < 32; ++bit) {
        const int64_t power = int64_t{1} << bit;
        for (int64_t v : {power - 1, power, power + 1, -power - 1, -power, -power + 1})
            if (v >= INT32_MIN && v <= INT32_MAX) values.push_back(static_cast<int32_t>(v));
    }
    for (int64_t power = 1; power <= INT32_MAX; power *= 10)
        for (int64_t v : {power - 1, power, power + 1, -power - 1, -power, -power + 1})
            values.push_back(static_cast<int32_t>(v));
    std::mt19937 rng(99);
    while (values.size() < 1100000) values.push_back(static_cast<int32_t>(rng()));

    for (int32_t v : values) {
        const string bare = FormatNumber(v, false);
        const string blank = FormatNumber(v, true);
        ASSERT_EQ(ToInt32(ParseNumber(bare)), v) << bare;
        ASSERT_EQ(ToInt32(ParseNumber(blank)), v) << blank;
        ASSERT_EQ(blank, v < 0 ? bare : " " + bare);
    }
}

TEST(NumberRoundTripTest, FifteenDigitTextIsStable) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int round = 0; round < 40000; ++round) {
        // 15-digit integers print in full and parse back exactly.
        const int64_t integer = static_cast<int64_t>(rng() % 1000000000000000ULL);
        ASSERT_EQ(ParseNumber(FormatNumber(integer, true)), integer);
        // Any value: the text, read and written again, is the same text.
        const long double value = std::ldexp(static_cast<long double>(mantissa(rng)),
                                             static_cast<int>(rng() % 4000) - 2000);
        const string text = FormatNumber(round % 2 ? value : -value, false);
        ASSERT_EQ(FormatNumber(ParseNumber(text), false), text);
    }
}

uint16_t ControlWord() {
    uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

void SetControlWord(uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word) : "memory"); }

struct Conversions {
    long double parsed;
    int32_t rounded;
    string text;
    long double quotient;
};

// Out of line, so that nothing here is computed before the control word changes.
__attribute__((noipa)) Conversions ConvertSome() {
    return {ParseNumber("1234567890123456789"), ToInt32(0x1p60L + 1.5L),
            FormatNumber(1234567890123456789.0L, false, 18), IntDivide(0x1p62L + 3, 1)};
}

TEST(NumberPrecisionTest, CallersPrecisionAndRoundingDoNotMatter) {
    const uint16_t original = ControlWord();
    // 53-bit precision, as CreateThread starts threads, and rounding upward.
    const uint16_t reduced = static_cast<uint16_t>((original & ~0x0F00u) | 0x0200u | 0x0800u);
    SetControlWord(reduced);
    const Conversions result = ConvertSome();
    const uint16_t after = ControlWord();
    SetControlWord(original);

    EXPECT_EQ(after, reduced);
    EXPECT_EQ(result.parsed, 1234567890123456780.0L);
    EXPECT_EQ(result.rounded, 2);  // 2^60 + 2: low 32 bits
    EXPECT_EQ(result.text, "1.23456789012345679E+18");
    EXPECT_EQ(result.quotient, 0x1p62L + 3);
}

TEST(NumberHelpersTest, IntegerDivisionBitsMaximumAndColor) {
    EXPECT_EQ(IntDivide(7, 2), 3);
    EXPECT_EQ(IntDivide(-7, 2), -3);
    EXPECT_EQ(IntDivide(7.5L, 2), 4);  // 8 / 2
    EXPECT_EQ(IntDivide(6.5L, 2), 3);  // 6 / 2
    EXPECT_EQ(IntDivide(7, 2.5L), 3);  // 7 / 2
    EXPECT_EQ(IntDivide(-0x1p63L, -1), 0x1p63L);
    EXPECT_EQ(IntDivide(0x1p70L, 0x1p10L), 0x1p60L);
    EXPECT_EQ(IntDivide(0x1p63L - 1, 1), 0x1p63L - 1);
    EXPECT_TRUE(std::isinf(IntDivide(5, 0.4L)));
    EXPECT_LT(IntDivide(-5, 0), 0);
    EXPECT_TRUE(std::isnan(IntDivide(0, 0)));

    EXPECT_EQ(BitAnd(12, 10), 8);
    EXPECT_EQ(BitOr(12, 10), 14);
    EXPECT_EQ(BitAnd(-1, 4294967301.0L), 4294967301.0L);
    EXPECT_EQ(BitOr(-2, 1), -1);
    EXPECT_EQ(BitAnd(2.5L, 3), 2);
    EXPECT_EQ(BitOr(1e30L, 1), 1);

    EXPECT_EQ(Maximum(1, 2), 2);
    EXPECT_EQ(Maximum(2, 1), 2);
    EXPECT_EQ(Maximum(-1, -2), -1);

    EXPECT_EQ(MakeColor(1, 2, 3), 0x030201);
    EXPECT_EQ(MakeColor(-5, 300, 255), 0xFFFF00);
}

}  // namespace
