#include "engine/auto_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kLi = "\xC0\xEE\xCB\xC4";     // 李四

RandomSource Seeded(uint32_t seed) {
    RandomSource random;
    random.seed = seed;
    return random;
}

TEST(AutoDrawPlan, OnlyAWholeCountOfOneOrMoreAndAnIntervalMakeAnAutomaticDraw) {
    AutoDrawPlan plan;
    for (const char* count : {"", "0", "-3", "abc", "0.4", "&HFFFF", "-1E9"}) {
        EXPECT_FALSE(PlanAutoDraw(count, "1", plan)) << count;
        EXPECT_EQ(plan.count, 0);
    }
    EXPECT_FALSE(PlanAutoDraw("3", "", plan));  // nothing selected

    ASSERT_TRUE(PlanAutoDraw("3", "1", plan));
    EXPECT_EQ(plan.count, 3);
    EXPECT_EQ(plan.seconds, 1u);
    EXPECT_FALSE(plan.randomSeconds);
    ASSERT_TRUE(PlanAutoDraw(" 2.5", "10", plan));
    EXPECT_EQ(plan.count, 2);  // halves to even, as every count in the program
    EXPECT_EQ(plan.seconds, 10u);
    ASSERT_TRUE(PlanAutoDraw("1E9", kRandomInterval, plan));
    EXPECT_EQ(plan.count, 1000000000);
    EXPECT_TRUE(plan.randomSeconds);
    ASSERT_TRUE(PlanAutoDraw("&HFFFF&", "2", plan));
    EXPECT_EQ(plan.count, 65535);
}

TEST(AutoDrawTiming, TheHoldIsPartOfTheSpacingAndAtMostOneAndAHalfSeconds) {
    const AutoDrawTiming real;
    EXPECT_EQ(SpacingMs(1, real), 1000u);
    EXPECT_EQ(HoldMs(1, real), 500u);
    EXPECT_EQ(HoldMs(2, real), 1000u);
    EXPECT_EQ(HoldMs(3, real), 1500u);
    EXPECT_EQ(HoldMs(15, real), 1500u);
    const AutoDrawTiming fast{20};
    for (uint32_t s = 1; s <= 3600; ++s) {
        EXPECT_LT(HoldMs(s, fast), SpacingMs(s, fast)) << s;
        EXPECT_LT(HoldMs(s, real), SpacingMs(s, real)) << s;
    }
    EXPECT_EQ(SpacingMs(3600, AutoDrawTiming{UINT32_MAX}), UINT32_MAX - 1);  // never "endless"
}

TEST(RandomIndex, StaysBelowTheCountUpToTwoToTheThirtyTwo) {
    RandomSource random = Seeded(7);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(RandomIndex(random, 1), 0u);
    std::vector<int> hits(7);
    for (int i = 0; i < 7000; ++i) {
        const uint32_t k = RandomIndex(random, 7);
        ASSERT_LT(k, 7u);
        ++hits[k];
    }
    for (int h : hits) EXPECT_GT(h, 800);
    // The whole 32-bit range: both halves are reached.
    bool low = false, high = false;
    for (int i = 0; i < 200; ++i) {
        const uint32_t k = RandomIndex(random, uint64_t{1} << 32);
        (k < 0x80000000u ? low : high) = true;
    }
    EXPECT_TRUE(low && high);
}

TEST(NumberPool, DrawingEveryValueTakesEachExactlyOnce) {
    for (auto limits : {std::pair<int32_t, int32_t>{1, 10}, {10, 1}, {-3, 2}, {5, 5}}) {
        NumberPool pool = MakeNumberPool(limits.first, limits.second);
        RandomSource random = Seeded(99);
        std::multiset<std::string> taken;
        while (NumbersLeft(pool) > 0) taken.insert(TakeNumber(pool, PickNumber(pool, random)));
        std::multiset<std::string> expected;
        for (int32_t v = std::min(limits.first, limits.second); v <= std::max(limits.first, limits.second); ++v) {
            expected.insert((v < 0 ? "" : " ") + std::to_string(v));
        }
        EXPECT_EQ(taken, expected);
    }
}

TEST(NumberPool, PicksAreUniformOverTheValuesLeft) {
    NumberPool pool = MakeNumberPool(1, 10);
    RandomSource random = Seeded(3);
    for (uint32_t offset : {0u, 4u, 9u}) TakeNumber(pool, offset);
    std::map<uint32_t, int> hits;
    for (int i = 0; i < 7000; ++i) ++hits[PickNumber(pool, random)];
    ASSERT_EQ(hits.size(), 7u);
    for (const auto& h : hits) {
        EXPECT_TRUE(h.first != 0 && h.first != 4 && h.first != 9) << h.first;
        EXPECT_GT(h.second, 800) << h.first;
    }
}

TEST(NumberPool, TheWholeInt32RangeNeverRepeats) {
    NumberPool pool = MakeNumberPool(INT32_MIN, INT32_MAX);
    EXPECT_EQ(NumbersLeft(pool), uint64_t{1} << 32);
    EXPECT_EQ(NumberText(pool, 0), "-2147483648");
    EXPECT_EQ(NumberText(pool, UINT32_MAX), " 2147483647");
    RandomSource random = Seeded(1);
    // Offsets crowded at both ends make the stepping over taken values count.
    for (uint32_t offset : {0u, 1u, 2u, UINT32_MAX, UINT32_MAX - 1}) TakeNumber(pool, offset);
    std::set<std::string> seen;
    for (int i = 0; i < 3000; ++i) {
        const std::string text = TakeNumber(pool, PickNumber(pool, random));
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
    EXPECT_EQ(NumbersLeft(pool), (uint64_t{1} << 32) - 3005);
    // Values left over one taken in the middle are still found.
    NumberPool small = MakeNumberPool(0, 2);
    TakeNumber(small, 1);
    std::set<uint32_t> left;
    for (int i = 0; i < 200; ++i) left.insert(PickNumber(small, random));
    EXPECT_EQ(left, (std::set<uint32_t>{0, 2}));
}

std::set<std::string> PoolNames(NamePool pool) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < NamesLeft(pool); ++i) names.insert(NameText(pool, i));
    return names;
}

TEST(NamePool, HoldsTheDifferentNonEmptyNames) {
    const std::string file = " " + kZhang + " \r\n" + kLi + "\r\n\r\n   \r\n" + kZhang + "\r\n" + kLi +
                             "  \r\n \r\n\n\r\n";
    const NamePool pool = MakeNamePool(file);
    EXPECT_EQ(NamesLeft(pool), 2u);
    EXPECT_EQ(PoolNames(pool), (std::set<std::string>{kZhang, kLi}));
    // A later line keeps its leading blank (the LF shields it): a name of its own.
    EXPECT_EQ(PoolNames(MakeNamePool(kZhang + "\r\n " + kZhang)), (std::set<std::string>{kZhang, " " + kZhang}));
    for (const char* blank : {"", "\r\n\r\n", "   \r\n  ", "\n\n\r\n", "\r\r\r"}) {
        EXPECT_EQ(NamesLeft(MakeNamePool(blank)), 0u);
    }
}

TEST(NamePool, AgreesWithTheNameListOnAnyBytes) {
    std::mt19937 bytes(17);
    const char alphabet[] = {' ', ' ', '\r', '\n', 'a', 'b', '\t', '\0'};
    for (int round = 0; round < 300; ++round) {
        std::string content(bytes() % 40, '\0');
        for (char& c : content) c = alphabet[bytes() % sizeof alphabet];
        const NameList list = BuildNameList(content);
        std::set<std::string> expected;
        for (std::size_t i = 0; i < NameCount(list); ++i) {
            if (!NameAt(list, i).empty()) expected.insert(NameAt(list, i));
        }
        NamePool pool = MakeNamePool(content);
        ASSERT_EQ(NamesLeft(pool), expected.size()) << round;
        ASSERT_EQ(PoolNames(pool), expected) << round;
        // Taking them all gives each once.
        RandomSource random = Seeded(static_cast<uint32_t>(round));
        std::multiset<std::string> taken;
        while (NamesLeft(pool) > 0) taken.insert(TakeName(pool, PickName(pool, random)));
        EXPECT_EQ(taken, std::multiset<std::string>(expected.begin(), expected.end()));
    }
}

TEST(NamePool, StopsSortingOutABigFileWhenTheDrawEnds) {
    std::string content;
    for (int i = 0; i < 300000; ++i) content += "n" + std::to_string(i) + "\r\n";
    int asked = 0;
    const NamePool cut = MakeNamePool(content, [&] { return ++asked < 3; });
    EXPECT_EQ(asked, 3);
    EXPECT_LT(NamesLeft(cut), 300000u);
    // Asked now and then, not per name.
    asked = 0;
    const NamePool whole = MakeNamePool(content, [&] { return ++asked > 0; });
    EXPECT_EQ(NamesLeft(whole), 300000u);
    EXPECT_LT(asked, 100);
}

TEST(NamePool, ManyRepeatsOfAFewNamesAreAFewNames) {
    std::string content;
    for (int i = 0; i < 100000; ++i) content += "n" + std::to_string(i % 1000) + "\r\n";
    const NamePool pool = MakeNamePool(content);
    EXPECT_EQ(NamesLeft(pool), 1000u);
}

// The r-th offset not taken, by stepping over each taken one: slow and plain.
uint32_t NthFree(const std::vector<uint32_t>& taken, uint32_t r) {
    uint32_t offset = r;
    for (uint32_t t : taken) {
        if (t > offset) break;
        ++offset;
    }
    return offset;
}

TEST(NumberPool, PicksAgreeWithSteppingOverTheTakenValues) {
    std::mt19937 choose(17);
    for (int round = 0; round < 200; ++round) {
        const int32_t lo = static_cast<int32_t>(choose() % 50) - 25;
        const int32_t hi = lo + static_cast<int32_t>(choose() % 60) + 1;
        std::vector<int32_t> drawn;
        for (int32_t v = lo; v <= hi; ++v) {
            if (choose() % 3 == 0) drawn.push_back(v);
        }
        drawn.push_back(hi + 5);  // outside the range: ignored
        const NumberPool pool = MakeNumberPool(lo, hi, drawn);
        ASSERT_EQ(NumbersLeft(pool), static_cast<uint64_t>(hi - lo + 1) - (drawn.size() - 1));
        if (NumbersLeft(pool) == 0) continue;
        RandomSource random = Seeded(choose());
        RandomSource same = random;
        for (int k = 0; k < 30; ++k) {
            const uint32_t picked = PickNumber(pool, random);
            EXPECT_EQ(picked, NthFree(pool.taken, RandomIndex(same, NumbersLeft(pool))));
            EXPECT_FALSE(std::binary_search(pool.taken.begin(), pool.taken.end(), picked));
        }
    }
}

TEST(NumberPool, TheEndsOfTheWholeRangeCanBeTakenOut) {
    NumberPool pool = MakeNumberPool(INT32_MIN, INT32_MAX, {INT32_MAX, INT32_MIN, 0});
    EXPECT_EQ(NumbersLeft(pool), (uint64_t{1} << 32) - 3);
    RandomSource random = Seeded(9);
    for (int k = 0; k < 2000; ++k) {
        const std::string text = NumberText(pool, PickNumber(pool, random));
        EXPECT_NE(text, "-2147483648");
        EXPECT_NE(text, " 2147483647");
        EXPECT_NE(text, " 0");
    }
}

TEST(EntryPool, EntriesLessOnePerDrawnName) {
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> drawn;
        std::multiset<std::string> left;
        std::size_t entries;
    };
    const std::vector<Case> cases = {
        {"nothing drawn", kZhang + "\r\n" + kLi, {}, {kZhang, kLi}, 2},
        {"two entries of one name", kZhang + "\r\n" + kZhang + "\r\n" + kLi, {kZhang}, {kZhang, kLi}, 3},
        {"both of them drawn", kZhang + "\r\n" + kZhang + "\r\n" + kLi, {kZhang, kZhang}, {kLi}, 3},
        {"empty entries are none", "\r\n  \r\n" + kLi + "\r\n\n\r\n", {}, {kLi}, 1},
        {"drawn names gone from the file", kLi, {kZhang, "x"}, {kLi}, 1},
        {"names as the draw sees them", " a \r\n\nb c\r\n", {"a"}, {"b c"}, 2},
        {"drawn more often than present", "a\r\nb", {"a", "a", "a"}, {"b"}, 2},
        {"everything drawn", "a\r\nb", {"b", "a"}, {}, 2},
        {"an empty file", "", {"a"}, {}, 0},
    };
    for (const Case& c : cases) {
        const NamePool pool = MakeEntryPool(c.content, c.drawn);
        std::multiset<std::string> left;
        for (std::size_t p = 0; p < NamesLeft(pool); ++p) left.insert(NameText(pool, p));
        EXPECT_EQ(left, c.left) << c.what;
        EXPECT_EQ(pool.entries, c.entries) << c.what;
        for (const std::string& name : c.left) EXPECT_LT(FindName(pool, name), NamesLeft(pool)) << c.what;
        EXPECT_EQ(FindName(pool, "zz"), NamesLeft(pool)) << c.what;
    }
}

TEST(EntryPool, NamesWhoseHashesMeetAreStillToldApart) {
    // Many drawn names over a big file: each keeps exactly its own entry out.
    std::string content;
    std::vector<std::string> drawn;
    for (int i = 0; i < 20000; ++i) {
        content += "n" + std::to_string(i) + "\r\n";
        if (i % 3 == 0) drawn.push_back("n" + std::to_string(i));
    }
    const NamePool pool = MakeEntryPool(content, drawn);
    EXPECT_EQ(pool.entries, 20000u);
    ASSERT_EQ(NamesLeft(pool), 20000u - drawn.size());
    std::set<std::string> left;
    for (std::size_t p = 0; p < NamesLeft(pool); ++p) left.insert(NameText(pool, p));
    EXPECT_EQ(left.size(), NamesLeft(pool));
    for (const std::string& name : drawn) EXPECT_EQ(left.count(name), 0u);
}

}  // namespace
