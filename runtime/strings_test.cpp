#include "runtime/strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <random>

namespace {

using std::string;
using namespace std::string_literals;

TEST(StrCompareTest, IsUnsignedByteOrderWithShorterPrefixFirst) {
    EXPECT_LT(StrCompare("abc", "abd"), 0);
    EXPECT_LT(StrCompare("ab", "abc"), 0);
    EXPECT_GT(StrCompare("abc", "ab"), 0);
    EXPECT_LT(StrCompare("B", "a"), 0);
    EXPECT_EQ(StrCompare("ab", "ab"), 0);
    EXPECT_EQ(StrCompare("", ""), 0);
    EXPECT_LT(StrCompare("", "a"), 0);
    // High bytes sort after ASCII: a signed-char comparison gets these wrong.
    EXPECT_GT(StrCompare("\xD5\xC5", "z"), 0);
    EXPECT_LT(StrCompare("\x7F", "\x80"), 0);
    // A NUL is an ordinary byte, not the end of the text.
    EXPECT_GT(StrCompare("a\0"s, "a"), 0);
    EXPECT_LT(StrCompare("a\0b"s, "a\0c"s), 0);
}

TEST(StrConcatTest, KeepsEmbeddedNuls) {
    EXPECT_EQ(StrConcat("a\0b"s, "\0c"s), "a\0b\0c"s);
    EXPECT_EQ(StrConcat("", ""), "");
    EXPECT_EQ(StrConcat("开", "始"), "开始");
}

TEST(StrTrimTest, RemovesOnlyBlanksAndOnlyAtTheEnds) {
    EXPECT_EQ(StrTrim("  ab \r"), "ab \r");
    EXPECT_EQ(StrTrim("\t a b \n"), "\t a b \n");
    EXPECT_EQ(StrTrim("  a  b  "), "a  b");
    EXPECT_EQ(StrTrim("    "), "");
    EXPECT_EQ(StrTrim(""), "");
    EXPECT_EQ(StrTrimLeft("  a  "), "a  ");
    EXPECT_EQ(StrTrimRight("  a  "), "  a");
    EXPECT_EQ(StrTrimLeft("   "), "");
    EXPECT_EQ(StrTrimRight("   "), "");
    EXPECT_EQ(StrTrim(" \0 "s), "\0"s);
}

TEST(StrTrimTest, PatternRemovesWholeRepetitionsOnly) {
    EXPECT_EQ(StrTrimLeft("ababx", "ab"), "x");
    EXPECT_EQ(StrTrimLeft("abax", "ab"), "ax");
    EXPECT_EQ(StrTrimLeft("aaa", "aa"), "a");
    EXPECT_EQ(StrTrimLeft("abab", "ab"), "");
    EXPECT_EQ(StrTrimRight("xabab", "ab"), "x");
    EXPECT_EQ(StrTrimRight("xbab", "ab"), "xb");
    EXPECT_EQ(StrTrimRight("aaa", "aa"), "a");
    EXPECT_EQ(StrTrimRight("\\\\dir\\\\", "\\"), "\\\\dir");
    // Empty pattern or text, and a pattern longer than the text.
    EXPECT_EQ(StrTrimLeft("ab", ""), "ab");
    EXPECT_EQ(StrTrimRight("ab", ""), "ab");
    EXPECT_EQ(StrTrimLeft("", "a"), "");
    EXPECT_EQ(StrTrimRight("", "a"), "");
    EXPECT_EQ(StrTrimLeft("ab", "abc"), "ab");
    EXPECT_EQ(StrTrimRight("bc", "abc"), "bc");
}

TEST(StrMidTest, CountsFromOneAndClipsToTheText) {
    const string s = "abcdef";
    EXPECT_EQ(StrMid(s, 2, 3), "bcd");
    EXPECT_EQ(StrMid(s, -2, 5), "ef");
    EXPECT_EQ(StrMid(s, 0, 3), "");
    EXPECT_EQ(StrMid(s, 0), "");
    EXPECT_EQ(StrMid(s, 7), "");
    EXPECT_EQ(StrMid(s, 6), "f");
    EXPECT_EQ(StrMid(s, 1), "abcdef");
    EXPECT_EQ(StrMid(s, 3), "cdef");
    EXPECT_EQ(StrMid(s, -1), "f");
    EXPECT_EQ(StrMid(s, -6), "abcdef");
    EXPECT_EQ(StrMid(s, -7), "");
    EXPECT_EQ(StrMid(s, 5, 100), "ef");
    EXPECT_EQ(StrMid(s, 2, 0), "");
    EXPECT_EQ(StrMid("", 1, 1), "");
    EXPECT_EQ(StrMid("", -1), "");
}

TEST(StrMidTest, NegativeCountIsTakenFromTheLength) {
    const string s = "abcdef";
    EXPECT_EQ(StrMid(s, 1, -1), "abcde");
    EXPECT_EQ(StrMid(s, 3, -1), "cdef");
    EXPECT_EQ(StrMid(s, 1, -5), "a");
    EXPECT_EQ(StrMid(s, 1, -6), "");
    EXPECT_EQ(StrMid(s, 1, -7), "");
}

TEST(StrMidTest, ExtremeStartsAndCountsDoNotOverflow) {
    const string s = "abcdef";
    EXPECT_EQ(StrMid(s, INT32_MIN, 3), "");
    EXPECT_EQ(StrMid(s, INT32_MIN), "");
    EXPECT_EQ(StrMid(s, INT32_MAX, INT32_MAX), "");
    EXPECT_EQ(StrMid(s, 2, INT32_MAX), "bcdef");
    EXPECT_EQ(StrMid(s, -3, INT32_MAX), "def");
    EXPECT_EQ(StrMid(s, 1, INT32_MIN), "");
    EXPECT_EQ(StrMid(s, -1, INT32_MIN), "");
}

TEST(StrMidTest, CutsAnywhereAndKeepsNuls) {
    EXPECT_EQ(StrMid("a\0b\0c"s, 2, 3), "\0b\0"s);
    // A cut may fall inside a double-byte character.
    EXPECT_EQ(StrMid("\xD5\xC5\xC8\xFD", 2, 2), "\xC5\xC8");
}

TEST(StrFindTest, ForwardFromStart) {
    EXPECT_EQ(StrFind(1, "abcb", "b"), 2);
    EXPECT_EQ(StrFind(3, "abcb", "b"), 4);
    EXPECT_EQ(StrFind(4, "abcb", "b"), 4);
    EXPECT_EQ(StrFind(1, "abcb", "x"), 0);
    EXPECT_EQ(StrFind(1, "abcb", "cb"), 3);
    EXPECT_EQ(StrFind(1, "abcb", "cbx"), 0);
    EXPECT_EQ(StrFind(5, "abcb", "b"), 0);
    EXPECT_EQ(StrFind(INT32_MAX, "abcb", "b"), 0);
    EXPECT_EQ(StrFind(1, "", "b"), 0);
    EXPECT_EQ(StrFind(1, "a\0b"s, "\0b"s), 2);
    EXPECT_EQ(StrFind(1, "x\xD5\xC5", "\xD5\xC5"), 2);
}

TEST(StrFindTest, BackwardLimitsWhereTheOccurrenceEnds) {
    EXPECT_EQ(StrFind(-1, "abcb", "b"), 4);
    EXPECT_EQ(StrFind(-2, "abcb", "b"), 2);
    EXPECT_EQ(StrFind(-3, "abcb", "b"), 2);
    EXPECT_EQ(StrFind(-4, "abcb", "b"), 0);
    EXPECT_EQ(StrFind(-1, "abcb", "x"), 0);
    EXPECT_EQ(StrFind(-1, "abcbc", "bc"), 4);
    // "bc" at 4 ends on byte 5, one past what -2 allows.
    EXPECT_EQ(StrFind(-2, "abcbc", "bc"), 2);
    EXPECT_EQ(StrFind(-1, "ab", "abc"), 0);
    EXPECT_EQ(StrFind(-5, "abcb", "b"), 0);
    EXPECT_EQ(StrFind(INT32_MIN, "abcb", "b"), 0);
    EXPECT_EQ(StrFind(-1, "", "b"), 0);
    EXPECT_EQ(StrFind(-1, "C:\\a\\b.txt", "\\"), 5);
}

TEST(StrFindTest, EmptyPatternAndZeroStart) {
    EXPECT_EQ(StrFind(1, "abc", ""), 1);
    EXPECT_EQ(StrFind(3, "abc", ""), 3);
    EXPECT_EQ(StrFind(4, "abc", ""), 0);
    EXPECT_EQ(StrFind(1, "", ""), 0);
    // Backward, an empty pattern sits at the last byte the search may reach.
    EXPECT_EQ(StrFind(-1, "abc", ""), 3);
    EXPECT_EQ(StrFind(-3, "abc", ""), 1);
    EXPECT_EQ(StrFind(-4, "abc", ""), 0);
    // There is no position 0 to search from.
    EXPECT_EQ(StrFind(0, "abc", "a"), 0);
}

TEST(StrUpperTest, ChangesSingleByteLettersOnly) {
    EXPECT_EQ(StrUpper("form1"), "FORM1");
    EXPECT_EQ(StrUpper("aZz09_~@[`{"), "AZZ09_~@[`{");
    EXPECT_EQ(StrUpper(""), "");
    EXPECT_EQ(StrUpper("a中文b"), "A中文B");
    EXPECT_EQ(StrUpper("a\0b"s), "A\0B"s);
}

TEST(StrUpperTest, LeavesTrailBytesThatLookLikeLettersAlone) {
    // GBK characters whose second byte is 'a' or 'z'.
    EXPECT_EQ(StrUpper("\x81\x61x\xFE\x7A"), "\x81\x61X\xFE\x7A");
    EXPECT_EQ(StrUpper("\xD5\xC5q"), "\xD5\xC5Q");
}

TEST(StrUpperTest, LeavesCutAndInvalidCharactersAsTheyWere) {
    EXPECT_EQ(StrUpper("a\xD5"), "A\xD5");
    EXPECT_EQ(StrUpper("\xD5"), "\xD5");
    EXPECT_EQ(StrUpper("\x81\x30" "a"), "\x81\x30" "A");
    EXPECT_EQ(StrUpper("\xD5\xC5\xD5"), "\xD5\xC5\xD5");
    EXPECT_EQ(StrUpper("\x80" "a\xFF" "b"), "\x80" "A\xFF" "B");
}

TEST(StrFromCodesTest, TakesLowBytesAndSkipsMinusOne) {
    EXPECT_EQ(StrFromCodes({65, -1, 66}), "AB");
    EXPECT_EQ(StrFromCodes({0x141, -2, 0, 13}), "A\xFE\0\r"s);
    EXPECT_EQ(StrFromCodes({-1, -1}), "");
    EXPECT_EQ(StrFromCodes(std::vector<int>{0xD5, 0xC5, -1}), "\xD5\xC5");
    EXPECT_EQ(StrFromCodes(std::vector<int>{}), "");
}

TEST(StrRepeatTest, RepeatsOneByte) {
    EXPECT_EQ(StrRepeat(3, ' '), "   ");
    EXPECT_EQ(StrRepeat(2, 0x1FF), "\xFF\xFF");
    EXPECT_EQ(StrRepeat(2, 0), "\0\0"s);
    EXPECT_EQ(StrRepeat(0, 'a'), "");
    EXPECT_EQ(StrRepeat(-5, 'a'), "");
    EXPECT_EQ(StrRepeat(INT32_MIN, 'a'), "");
}

TEST(StrReplaceTest, ReplacesNonOverlappingLeftToRight) {
    EXPECT_EQ(StrReplace("aaa", "aa", "b"), "ba");
    EXPECT_EQ(StrReplace("aaaa", "aa", "b"), "bb");
    // The replacement is not scanned again.
    EXPECT_EQ(StrReplace("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(StrReplace("张\r\n三\n", "\n", ""), "张\r三");
    EXPECT_EQ(StrReplace("abc", "", "x"), "abc");
    EXPECT_EQ(StrReplace("", "a", "x"), "");
    EXPECT_EQ(StrReplace("ab", "abc", "x"), "ab");
    EXPECT_EQ(StrReplace("a\0b\0"s, "\0"s, "-"), "a-b-");
}

TEST(StrFieldCountTest, CountsEveryDelimiterByte) {
    EXPECT_EQ(StrFieldCount("", "\r"), 1u);
    EXPECT_EQ(StrFieldCount("a\rb\r", "\r"), 3u);
    EXPECT_EQ(StrFieldCount("\r\r\r", "\r"), 4u);
    EXPECT_EQ(StrFieldCount("a\r\nb", "\r"), 2u);
    EXPECT_EQ(StrFieldCount("a,b;c,", ",;"), 4u);
    EXPECT_EQ(StrFieldCount("a\rb", ""), 1u);
    // Bytes above 0x7F as delimiters and in text.
    EXPECT_EQ(StrFieldCount("\xD5\xC5\xD5", "\xD5"), 3u);
    EXPECT_EQ(StrFieldCount("\xD5\xC5\xD5", "\r"), 1u);
    EXPECT_EQ(StrFieldCount("a\0b"s, "\0"s), 2u);
}

std::vector<string> Split(const string& s, const string& delimiter, std::size_t elements) {
    // Pre-filled, so that an element left unwritten shows.
    std::vector<string> array(elements, "stale");
    StrSplit(s, delimiter, array);
    return array;
}

using Fields = std::vector<string>;

TEST(StrSplitTest, FillsEveryElement) {
    EXPECT_EQ(Split("a\rb", "\r", 3), (Fields{"a", "b", ""}));
    EXPECT_EQ(Split("a\rb", "\r", 1), (Fields{"a"}));
    EXPECT_EQ(Split("a\rb", "\r", 2), (Fields{"a", "b"}));
    EXPECT_EQ(Split("a\rb\r", "\r", 3), (Fields{"a", "b", ""}));
    EXPECT_EQ(Split("\r\ra", "\r", 3), (Fields{"", "", "a"}));
    EXPECT_EQ(Split("", "\r", 2), (Fields{"", ""}));
    EXPECT_EQ(Split("abc", "\r", 0), (Fields{}));
    EXPECT_EQ(Split("张三\r李四\r\n", "\r", 3), (Fields{"张三", "李四", "\n"}));
}

TEST(StrSplitTest, MatchesTheWholeDelimiter) {
    EXPECT_EQ(Split("a\r\nb\rc", "\r\n", 3), (Fields{"a", "b\rc", ""}));
    EXPECT_EQ(Split("a::b:c", "::", 2), (Fields{"a", "b:c"}));
    EXPECT_EQ(Split("a\0b"s, "\0"s, 2), (Fields{"a", "b"}));
    // An empty delimiter never ends a field.
    EXPECT_EQ(Split("ab", "", 2), (Fields{"ab", ""}));
}

TEST(StrSplitTest, SourceMayBeAnElementOfTheTarget) {
    std::vector<string> array = {"x", "one\rtwo\rthree"};
    StrSplit(array[1], "\r", array);
    EXPECT_EQ(array, (Fields{"one", "two"}));
    array = {"a\rb", "stale"};
    StrSplit(array[0], "\r", array);
    EXPECT_EQ(array, (Fields{"a", "b"}));
}

TEST(StrSplitTest, LargeNameFileSplitsInOnePass) {
    // Two million lines: a split that re-copies the rest of the text for
    // each line would run for hours here.
    const std::size_t lines = 2000000;
    string text;
    for (std::size_t i = 0; i < lines; ++i) {
        text += "name";
        text += std::to_string(i % 1000);
        text += "\r\n";
    }
    const std::size_t fields = StrFieldCount(text, "\r");
    ASSERT_EQ(fields, lines + 1);
    std::vector<string> names(fields);
    StrSplit(text, "\r", names);
    EXPECT_EQ(names[0], "name0");
    EXPECT_EQ(names[1], "\nname1");
    EXPECT_EQ(names[lines - 1], "\nname999");
    EXPECT_EQ(names[lines], "\n");
}

TEST(StrFromNulTerminatedTest, StopsAtTheFirstNul) {
    EXPECT_EQ(StrFromNulTerminated(nullptr), "");
    EXPECT_EQ(StrFromNulTerminated(""), "");
    const char text[] = "ab\0cd";
    EXPECT_EQ(StrFromNulTerminated(text), "ab");
    EXPECT_EQ(StrFromNulTerminated("开始"), "\xBF\xAA\xCA\xBC");
}

TEST(StrFromNulTerminatedTest, ScansNoFurtherThanTheLimit) {
    // Exactly the limit and no NUL: reading one byte more is out of bounds.
    const std::size_t limit = 0x2000000;
    std::unique_ptr<char[]> block(new char[limit]);
    std::memset(block.get(), 'x', limit);
    const string s = StrFromNulTerminated(block.get());
    EXPECT_EQ(s.size(), limit);
    EXPECT_EQ(s.find_first_not_of('x'), string::npos);
}

TEST(StrToBufferTest, CopiesAtMostSizeMinusOneAndTerminates) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("abcdef", buffer, 4), 3u);
    EXPECT_EQ(string(buffer, 5), "abc\0#"s);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("abcdef", buffer, 1), 0u);
    EXPECT_EQ(string(buffer, 2), "\0#"s);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("abc", buffer, 8), 3u);
    EXPECT_EQ(string(buffer, 5), "abc\0#"s);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("abcdefg", buffer, 8), 7u);
    EXPECT_EQ(string(buffer, 8), "abcdefg\0"s);
}

TEST(StrToBufferTest, StopsAtNulAndSizeZeroIsUnlimited) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("ab\0cd"s, buffer, 8), 2u);
    EXPECT_EQ(string(buffer, 4), "ab\0#"s);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("abcde", buffer, 0), 5u);
    EXPECT_EQ(string(buffer, 7), "abcde\0#"s);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StrToBuffer("", buffer, 8), 0u);
    EXPECT_EQ(string(buffer, 2), "\0#"s);
    EXPECT_EQ(StrToBuffer("abc", nullptr, 8), 0u);
}

TEST(StrToFixedTest, CutsOrPadsWithBlanksAndWritesNoNul) {
    char field[8];
    std::memset(field, '#', sizeof field);
    StrToFixed("abcdef", field, 4);
    EXPECT_EQ(string(field, 5), "abcd#");

    std::memset(field, '#', sizeof field);
    StrToFixed("ab", field, 5);
    EXPECT_EQ(string(field, 6), "ab   #");

    std::memset(field, '#', sizeof field);
    StrToFixed("", field, 3);
    EXPECT_EQ(string(field, 4), "   #");

    std::memset(field, '#', sizeof field);
    StrToFixed("a\0b"s, field, 4);
    EXPECT_EQ(string(field, 5), "a\0b #"s);

    std::memset(field, '#', sizeof field);
    StrToFixed("abc", field, 0);
    StrToFixed("abc", nullptr, 4);
    EXPECT_EQ(string(field, 1), "#");
}

// Randomized comparison against straightforward byte-by-byte models. The
// alphabet is small so that matches are frequent; ASan in the host build
// reports any read outside a string.
class StrRandomTest : public ::testing::Test {
protected:
    std::mt19937 rng{20240611u};

    string RandomText(int maxLength) {
        static const char alphabet[] = {'a', 'b', '\0', '\r', '\xD5'};
        std::uniform_int_distribution<int> length(0, maxLength);
        std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1);
        string s(static_cast<std::size_t>(length(rng)), ' ');
        for (char& c : s) c = alphabet[pick(rng)];
        return s;
    }

    int32_t RandomPosition(const string& s) {
        const int32_t len = static_cast<int32_t>(s.size());
        const int32_t special[] = {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1, 0,
                                   len,       len + 1,       -len,      -len - 1};
        if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
            return special[std::uniform_int_distribution<int>(0, 8)(rng)];
        }
        return std::uniform_int_distribution<int32_t>(-len - 3, len + 3)(rng);
    }
};

string ModelMid(const string& s, int64_t start, int64_t count) {
    const int64_t len = static_cast<int64_t>(s.size());
    if (start == 0) return "";
    if (start < 0) start = len + start + 1;
    if (count < 0) count = len + count;
    string out;
    for (int64_t i = 1; i <= len; ++i) {
        if (start >= 1 && i >= start && i - start < count) out += s[static_cast<std::size_t>(i - 1)];
    }
    return out;
}

int32_t ModelFind(int32_t start, const string& s, const string& p) {
    const int64_t len = static_cast<int64_t>(s.size());
    const int64_t m = static_cast<int64_t>(p.size());
    auto matchesAt = [&](int64_t q) {  // 1-based
        for (int64_t k = 0; k < m; ++k) {
            if (s[static_cast<std::size_t>(q - 1 + k)] != p[static_cast<std::size_t>(k)]) return false;
        }
        return true;
    };
    if (len == 0 || start == 0) return 0;
    if (start > 0) {
        if (start > len) return 0;
        for (int64_t q = start; q + m - 1 <= len; ++q) {
            if (matchesAt(q)) return static_cast<int32_t>(q);
        }
        return 0;
    }
    const int64_t lastEnd = len + start + 1;
    if (lastEnd < 1) return 0;
    if (m == 0) return static_cast<int32_t>(lastEnd);
    for (int64_t q = lastEnd - m + 1; q >= 1; --q) {
        if (matchesAt(q)) return static_cast<int32_t>(q);
    }
    return 0;
}

// Splits by cutting the front off the remaining text, one field at a time.
std::vector<string> ModelSplit(string rest, const string& delimiter, std::size_t elements) {
    std::vector<string> out;
    bool remains = !rest.empty();
    for (std::size_t i = 0; i < elements; ++i) {
        if (!remains) {
            out.push_back("");
            continue;
        }
        const std::size_t at = delimiter.empty() ? string::npos : rest.find(delimiter);
        if (at == string::npos) {
            out.push_back(rest);
            remains = false;
        } else {
            out.push_back(rest.substr(0, at));
            rest.erase(0, at + delimiter.size());
            remains = !rest.empty();
        }
    }
    return out;
}

TEST_F(StrRandomTest, MidMatchesModel) {
    for (int i = 0; i < 20000; ++i) {
        const string s = RandomText(12);
        const int32_t start = RandomPosition(s);
        const int32_t count = RandomPosition(s);
        ASSERT_EQ(StrMid(s, start, count), ModelMid(s, start, count))
            << "length " << s.size() << " start " << start << " count " << count;
        ASSERT_EQ(StrMid(s, start), ModelMid(s, start, static_cast<int64_t>(s.size())))
            << "length " << s.size() << " start " << start;
    }
}

TEST_F(StrRandomTest, FindMatchesModel) {
    for (int i = 0; i < 20000; ++i) {
        const string s = RandomText(12);
        const string p = RandomText(3);
        const int32_t start = RandomPosition(s);
        ASSERT_EQ(StrFind(start, s, p), ModelFind(start, s, p))
            << "length " << s.size() << " pattern length " << p.size() << " start " << start;
    }
}

TEST_F(StrRandomTest, SplitMatchesModelAndFieldCount) {
    for (int i = 0; i < 5000; ++i) {
        const string s = RandomText(16);
        string delimiter = RandomText(2);
        const std::size_t elements = std::uniform_int_distribution<std::size_t>(0, 20)(rng);
        ASSERT_EQ(Split(s, delimiter, elements), ModelSplit(s, delimiter, elements));

        // For a one-byte delimiter the field count sizes the array exactly:
        // every field is used and the fields join back into the text.
        delimiter.resize(1, '\r');
        const std::vector<string> fields = Split(s, delimiter, StrFieldCount(s, delimiter));
        string joined;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (k > 0) joined += delimiter;
            joined += fields[k];
        }
        ASSERT_EQ(joined, s);
    }
}

}  // namespace
