#pragma once
// Text-to-number and number-to-text conversions. Every number is a long
// double: the x87 80-bit extended type (64-bit mantissa) on both builds.
// Nothing here keeps state, so any thread may call it.
#include <cstdint>
#include <string>

// Value of the longest acceptable prefix; never fails, 0 when there is none.
// Decimal ("  -1.5E3"), or "&H", "&O"/"&Q", "&B" and bare "&" octal forms,
// whose 16- and 32-bit values may read back as negative (a "&" after a 16-bit
// value, "&&" or "?" keeps them unsigned).
long double ParseNumber(const std::string& text);

// Nearest integer, halves to even, as a signed 64-bit value; false when the
// value is NaN or outside that range.
bool RoundToInt64(long double value, int64_t& result);

// Whole pixels and the like: nearest, halves to the even neighbour (2.5 -> 2),
// as every size rule of the program rounds. For values within int's range.
int RoundHalfEven(double value);

// RoundToInt64, or 0 when that fails.
int64_t ToInt64(long double value);

// ToInt64's low 32 bits: 2.5 -> 2, -2.5 -> -2, 5000000000 -> 705032704.
int32_t ToInt32(long double value);

// At most `digits` (1..18) significant digits, no "0" before a point
// (".5"), scientific form ("1E+15", "1.5E-20") past `digits` places. With
// leadingBlank a value that is not negative starts with one blank (" 42").
// NaN reads "0"; an infinity reads as `digits` nines with the exponent 998.
std::string FormatNumber(long double value, bool leadingBlank, int digits = 15);

// Both sides rounded to integers, quotient truncated toward zero. A zero
// divisor gives an infinity, or NaN for 0 / 0.
long double IntDivide(long double a, long double b);

// Both sides rounded to 64-bit integers (see ToInt64), combined bit by bit.
long double BitAnd(long double a, long double b);
long double BitOr(long double a, long double b);

long double Maximum(long double a, long double b);

// A Win32 COLORREF (0x00BBGGRR); each component is clamped to 0..255 first.
int32_t MakeColor(int32_t red, int32_t green, int32_t blue);
