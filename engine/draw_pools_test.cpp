#include "engine/draw_pools.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kHeader = "Tobrix draw pools 1\r\n";

bool Same(const DrawPools& a, const DrawPools& b) {
    return a.names == b.names && a.numbers == b.numbers;
}

bool Empty(const DrawPools& pools) {
    return pools.names.empty() && pools.numbers.empty();
}

DrawPools Sample() {
    DrawPools pools;
    // Names of any bytes: blanks inside and at the ends, the escape byte,
    // line breaks, NUL, GBK, a lone lead byte; duplicates count apart.
    pools.names["names.txt"] = {kZhang, kZhang, "Anna Li", " x ", "100%", "a\r\nb", std::string("n\0ul", 4), "\x81",
                                "%41"};
    pools.names["班级 一.txt"] = {"\x7F" "del", "tab\there"};
    pools.numbers["1~10"] = {1, 5, 10};
    pools.numbers["-2147483648~2147483647"] = {INT32_MIN, -1, 0, INT32_MAX};
    return pools;
}

TEST(DrawPools, WhatIsWrittenReadsBackTheSame) {
    const std::vector<DrawPools> cases = {DrawPools{}, Sample()};
    for (const DrawPools& pools : cases) {
        const std::string text = SerializePools(pools);
        EXPECT_TRUE(Same(ParsePools(text), pools)) << text;
        // Each entry keeps to its line.
        for (char c : text) EXPECT_TRUE(c == '\r' || c == '\n' || static_cast<unsigned char>(c) >= 0x20);
    }
}

TEST(DrawPools, TheFileIsPlainLinesUnderAVersionLine) {
    DrawPools pools;
    pools.names["a.txt"] = {"x y", "50%"};
    pools.numbers["-2~3"] = {-2, 3};
    EXPECT_EQ(SerializePools(pools), kHeader +
                                         "names a.txt\r\n"
                                         "name x y\r\n"
                                         "name 50%25\r\n"
                                         "numbers -2~3\r\n"
                                         "number -2\r\n"
                                         "number 3\r\n"
                                         "end\r\n");
}

TEST(DrawPools, WhatCannotBeReadCountsAsNotDrawn) {
    struct Case {
        const char* what;
        std::string text;
        DrawPools expected;
    };
    DrawPools oneName;
    oneName.names["a.txt"] = {"x"};
    DrawPools oneNumber;
    oneNumber.numbers["1~3"] = {2};
    const std::vector<Case> cases = {
        {"empty", "", {}},
        {"header only, cut short", kHeader, {}},
        {"no end", kHeader + "names a.txt\r\nname x\r\n", {}},
        {"end cut short", kHeader + "names a.txt\r\nname x\r\nen", {}},
        {"no header", "names a.txt\r\nname x\r\nend\r\n", {}},
        {"another program's header", "Tobrix draw pool 1\r\nnames a.txt\r\nname x\r\nend\r\n", {}},
        {"version 0", "Tobrix draw pools 0\r\nnames a.txt\r\nname x\r\nend\r\n", {}},
        {"version not a number", "Tobrix draw pools x\r\nnames a.txt\r\nname x\r\nend\r\n", {}},
        {"a later version", "Tobrix draw pools 7\r\nnames a.txt\r\nname x\r\nend\r\n", oneName},
        {"LF alone ends lines too", "Tobrix draw pools 1\nnames a.txt\nname x\nend\n", oneName},
        {"lines after the end", kHeader + "names a.txt\r\nname x\r\nend\r\nname y\r\n", oneName},
        {"an entry before any section", kHeader + "name y\r\nnames a.txt\r\nname x\r\nend\r\n", oneName},
        // An unknown line may open a section of a later version: what
        // follows it belongs to no section this version knows.
        {"unknown lines", kHeader + "names a.txt\r\nname x\r\ncolour blue\r\nname y\r\nend\r\n", oneName},
        {"a broken escape", kHeader + "names a.txt\r\nname x\r\nname %4\r\nname %zz\r\nend\r\n", oneName},
        {"a raw control byte", kHeader + "names a.txt\r\nname x\r\nname a\tb\r\nend\r\n", oneName},
        {"an empty name", kHeader + "names a.txt\r\nname x\r\nname \r\nend\r\n", oneName},
        {"a source name with a broken escape", kHeader + "names %G0\r\nname y\r\nnames a.txt\r\nname x\r\nend\r\n",
         oneName},
        {"numbers outside the range, twice, or not numbers",
         kHeader + "numbers 1~3\r\nnumber 2\r\nnumber 4\r\nnumber 0\r\nnumber 2\r\nnumber 2.0\r\nnumber \r\n"
                   "number 99999999999\r\nend\r\n",
         oneNumber},
        {"a range written otherwise is the same range", kHeader + "numbers 01~3\r\nnumber 2\r\nend\r\n", oneNumber},
        {"a range upside down or out of 32 bits",
         kHeader + "numbers 3~1\r\nnumber 2\r\nnumbers 1~2147483648\r\nnumber 2\r\nnumbers 1~3\r\nnumber 2\r\nend\r\n",
         oneNumber},
        {"a section without entries", kHeader + "names b.txt\r\nnumbers 5~6\r\nnames a.txt\r\nname x\r\nend\r\n",
         oneName},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Same(ParsePools(c.text), c.expected)) << c.what;
    }
}

TEST(DrawPools, EveryCutOfAFileReadsAsAllOrNothing) {
    const DrawPools pools = Sample();
    const std::string text = SerializePools(pools);
    for (std::size_t length = 0; length < text.size(); ++length) {
        const DrawPools read = ParsePools(text.substr(0, length));
        // Cut inside the final CR LF the end line still stands.
        const bool whole = length >= text.size() - 2;
        EXPECT_TRUE(whole ? Same(read, pools) : Empty(read)) << length;
    }
}

TEST(DrawPools, RandomAndHugeFilesNeverFail) {
    std::mt19937 bytes(3);
    for (std::size_t size : {1u, 2u, 100u, 4096u}) {
        for (int round = 0; round < 50; ++round) {
            std::string noise(size, '\0');
            for (char& c : noise) c = static_cast<char>(bytes());
            EXPECT_TRUE(Empty(ParsePools(noise)));
            // Behind a good header, noise lines are skipped and the file,
            // having no end line, counts as cut short.
            EXPECT_TRUE(Empty(ParsePools(kHeader + noise)));
        }
    }
    const std::size_t size = 50u << 20;
    std::string noise(size, '\0');
    for (char& c : noise) c = static_cast<char>(bytes());
    EXPECT_TRUE(Empty(ParsePools(noise)));
    EXPECT_TRUE(Empty(ParsePools(kHeader + noise + "\r\nend\r\n")));

    // 50 MB of drawn numbers of a big range, all read.
    std::string big = kHeader + "numbers 0~2147483647\r\n";
    int32_t value = 0;
    while (big.size() < size) big += "number " + std::to_string(value++ * 3) + "\r\n";
    big += "end\r\n";
    const DrawPools read = ParsePools(big);
    ASSERT_EQ(read.numbers.size(), 1u);
    EXPECT_EQ(read.numbers.begin()->second.size(), static_cast<std::size_t>(value));
    EXPECT_EQ(read.numbers.begin()->second.back(), (value - 1) * 3);
}

TEST(DrawPools, DrawnSetsChangeOneEntryAtATime) {
    DrawPools pools;
    AddDrawnName(pools, "a.txt", "x");
    AddDrawnName(pools, "a.txt", "y");
    AddDrawnName(pools, "a.txt", "x");
    EXPECT_TRUE(RemoveDrawnName(pools, "a.txt", "x"));
    EXPECT_EQ(pools.names["a.txt"], (std::vector<std::string>{"x", "y"}));
    EXPECT_FALSE(RemoveDrawnName(pools, "a.txt", "z"));
    EXPECT_FALSE(RemoveDrawnName(pools, "b.txt", "x"));
    EXPECT_TRUE(RemoveDrawnName(pools, "a.txt", "x"));
    EXPECT_TRUE(RemoveDrawnName(pools, "a.txt", "y"));
    EXPECT_TRUE(pools.names.empty());  // an emptied source leaves no trace

    for (int32_t v : {5, -1, 9, 5, INT32_MIN}) AddDrawnNumber(pools, "k", v);
    EXPECT_EQ(pools.numbers["k"], (std::vector<int32_t>{INT32_MIN, -1, 5, 9}));
    EXPECT_TRUE(RemoveDrawnNumber(pools, "k", 5));
    EXPECT_FALSE(RemoveDrawnNumber(pools, "k", 5));
    EXPECT_EQ(pools.numbers["k"], (std::vector<int32_t>{INT32_MIN, -1, 9}));
}

TEST(DrawPools, NumberSourceKeys) {
    struct Case {
        int32_t a, b;
        const char* key;
    };
    const std::vector<Case> cases = {
        {1, 3, "1~3"}, {3, 1, "1~3"}, {-5, 0, "-5~0"}, {INT32_MIN, INT32_MAX, "-2147483648~2147483647"}};
    for (const Case& c : cases) {
        EXPECT_EQ(NumberSourceKey(c.a, c.b), c.key);
        int32_t lo = 0, hi = 0;
        ASSERT_TRUE(ParseNumberSourceKey(c.key, lo, hi));
        EXPECT_EQ(lo, std::min(c.a, c.b));
        EXPECT_EQ(hi, std::max(c.a, c.b));
    }
    int32_t lo = 0, hi = 0;
    for (const char* bad : {"", "~", "1~", "~1", "3~1", "1~3~5", "a~b", "1 ~3", "names.txt", "-~1"}) {
        EXPECT_FALSE(ParseNumberSourceKey(bad, lo, hi)) << bad;
    }
}

}  // namespace
