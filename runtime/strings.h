#pragma once
// The program's one string type is std::string: counted GBK bytes with a NUL
// kept after the last one, embedded NULs allowed. Every length, position and
// count is in bytes; nothing here protects double-byte characters from a cut.
// Positions are 1-based; out-of-range starts and counts clip, never fail.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Clang has no GBK execution character set. Only the fuzzing build uses it,
// and nothing it runs looks at the text of a literal.
#ifndef TOBRIX_FUZZING
static_assert(sizeof("开始") == 5, "sources must be compiled with -fexec-charset=GBK");
#endif

std::string StrConcat(const std::string& a, const std::string& b);

// Pure unsigned byte order; a proper prefix is smaller. Returns <0, 0 or >0.
int StrCompare(const std::string& a, const std::string& b);

// Blanks are byte 0x20 only: TAB, CR and LF stay.
std::string StrTrimLeft(const std::string& s);
std::string StrTrimRight(const std::string& s);
std::string StrTrim(const std::string& s);

// Remove any number of whole repetitions of p; an empty p changes nothing.
std::string StrTrimLeft(const std::string& s, const std::string& p);
std::string StrTrimRight(const std::string& s, const std::string& p);

// From start (negative counts from the end, -1 = last byte) take at most count
// bytes (negative: length + count). Without a count, to the end.
std::string StrMid(const std::string& s, int32_t start, int32_t count);
std::string StrMid(const std::string& s, int32_t start);

// 1-based position of p in s, 0 when absent. A positive start searches forward
// from there; a negative one searches backward for the last occurrence that
// ends at or before byte length + start + 1 (-1: may end at the last byte).
int32_t StrFind(int32_t start, const std::string& s, const std::string& p);

// By the ANSI code page's rules: only single-byte letters change.
std::string StrUpper(const std::string& s);

// One byte per code (its low 8 bits); -1 contributes nothing.
std::string StrFromCodes(std::initializer_list<int> codes);
std::string StrFromCodes(const std::vector<int>& codes);

std::string StrRepeat(int32_t n, int byte);

// Non-overlapping, left to right; an empty find changes nothing.
std::string StrReplace(const std::string& s, const std::string& find, const std::string& repl);

// 1 + the number of bytes of s that appear anywhere in delimiters.
std::size_t StrFieldCount(const std::string& s, const std::string& delimiters);

// Fills every element of array in order with the text between whole
// occurrences of delimiter; elements past the end of the text become empty,
// text past the last element is dropped.
void StrSplit(const std::string& s, const std::string& delimiter, std::vector<std::string>& array);

// Up to the first NUL, scanning at most 0x2000000 bytes; null gives "".
std::string StrFromNulTerminated(const char* text);

// Copies at most size-1 bytes, stopping at an embedded NUL, and always
// terminates. Size 0 means the caller vouches the buffer is large enough.
// Returns the number of bytes copied before the terminator.
std::size_t StrToBuffer(const std::string& s, char* buffer, std::size_t size);

// Exactly size bytes: s cut or padded on the right with blanks, no NUL.
void StrToFixed(const std::string& s, char* field, std::size_t size);
