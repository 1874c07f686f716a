#include "engine/prize_draws.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

PrizeTier Tier(const char* name, int32_t count, bool repeat = false, const char* prize = "") {
    PrizeTier t;
    t.name = name;
    t.prize = prize;
    t.count = count;
    t.allowRepeat = repeat;
    return t;
}

PrizeWinner Winner(const char* entry, int32_t tier, int32_t batch = 1, bool voided = false, uint32_t copy = 0) {
    PrizeWinner w;
    w.entry = entry;
    w.tier = tier;
    w.batch = batch;
    w.voided = voided;
    w.copy = copy;
    w.tierName = "T" + std::to_string(tier);
    return w;
}

// What rolls is who the batch could draw: the same people, each once.
TEST(PrizeDraws, RollingCandidatesAreExactlyThePeopleTheBatchCouldDraw) {
    const std::vector<PrizeTier> tiers = {Tier("三等奖", 2), Tier("二等奖", 2), Tier("一等奖", 1, true)};
    const PrizeSource names = MakeEntriesPrizeSource("a.txt", {"甲", "乙", "丙", "丙", "丁\t部门"});
    const struct Row {
        const char* what;
        PrizeWinners winners;
        std::size_t tier;
        std::multiset<std::string> expected;
    } rows[] = {
        {"nobody drawn yet", {}, 0, {"甲", "乙", "丙", "丙", "丁"}},
        {"one of two equal names won", {Winner("丙", 0, 1, false, 1)}, 0, {"甲", "乙", "丙", "丁"}},
        {"an earlier tier's winners stay out", {Winner("甲", 0), Winner("乙", 0)}, 1, {"丙", "丙", "丁"}},
        {"a tier with repeats takes them back", {Winner("甲", 0), Winner("乙", 0), Winner("丙", 1)}, 2,
         {"甲", "乙", "丙", "丙", "丁"}},
        {"a void is out even of a tier with repeats", {Winner("甲", 0, 1, true), Winner("乙", 0)}, 2,
         {"乙", "丙", "丙", "丁"}},
        // Redrawing in the first tier while later tiers have winners.
        {"redraw of an earlier tier", {Winner("甲", 0, 1, true), Winner("乙", 0), Winner("丙", 1)}, 0,
         {"丙", "丁"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RandomSource random;
        const std::vector<std::string> got = ListRollingCandidates(tiers, names, row.winners, row.tier, random);
        EXPECT_EQ(std::multiset<std::string>(got.begin(), got.end()), row.expected);
        EXPECT_EQ(CountEligible(tiers, names, row.winners, row.tier), got.size());
    }

    // A range: in it, distinct, and without its winners.
    const PrizeSource range = MakeRangePrizeSource(1, 6);
    const PrizeWinners won = {Winner("2", 0), Winner("5", 0)};
    RandomSource random;
    const std::vector<std::string> got = ListRollingCandidates(tiers, range, won, 1, random);
    EXPECT_EQ(std::set<std::string>(got.begin(), got.end()), (std::set<std::string>{"1", "3", "4", "6"}));
    EXPECT_EQ(got.size(), 4u);
    // A huge range is sampled, not listed.
    EXPECT_EQ(ListRollingCandidates(tiers, MakeRangePrizeSource(INT32_MIN, INT32_MAX), {}, 0, random).size(),
              kRollingSample);
}

TEST(PrizeDraws, EachMomentOfTheRollShowsDifferentCandidates) {
    RandomSource random;
    for (std::size_t slots : {1u, 3u, 5u, 8u}) {
        std::vector<std::string> pool = {"a", "b", "c", "d", "e"};
        for (int moment = 0; moment < 20; ++moment) {
            const std::vector<std::string> shown = PickRollingSlots(pool, slots, random);
            EXPECT_EQ(shown.size(), std::min<std::size_t>(slots, 5));
            EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()).size(), shown.size());
        }
    }
}

TEST(PrizeDraws, TitlesLinesAndStatusTexts) {
    const std::vector<PrizeTier> tiers = {Tier("三等奖", 2, false, "保温杯"), Tier("二等奖", 1)};
    EXPECT_EQ(FormatBatchTitle(tiers, 0, 2), "三等奖 · 保温杯 · 第2批");
    EXPECT_EQ(FormatBatchTitle(tiers, 1, 1), "二等奖 · 第1批");
    PrizeWinner w = Winner("张三\t财务部", 0);
    w.tierName = "三等奖";
    EXPECT_EQ(PrizeRecordEntry(w, "(作废)"), "  三等奖 张三\r\n");
    w.voided = true;
    EXPECT_EQ(PrizeRecordEntry(w, "(作废)"), "  三等奖 张三(作废)\r\n");

    PrizeList list;
    list.tiers = tiers;
    EXPECT_EQ(FormatRoundStatus(list, {Winner("a", 0)}), "三等奖 1/2");
    EXPECT_EQ(FormatRoundStatus(list, {Winner("a", 0), Winner("b", 0), Winner("c", 1)}), "所有奖项已抽完");
    list.leftOut = {"[奖项3] x", "[奖项4] y"};
    EXPECT_EQ(FormatRoundStatus(list, {}), "三等奖 0/2；未用：[奖项3] x（共2项）");
    EXPECT_EQ(FormatRoundStatus(PrizeList{}, {}), "未设置奖项");

    // The question comes before a later tier's first batch only.
    EXPECT_FALSE(NeedsNextTierQuestion(tiers, {}, 0));
    EXPECT_TRUE(NeedsNextTierQuestion(tiers, {Winner("a", 0), Winner("b", 0)}, 1));
    EXPECT_FALSE(NeedsNextTierQuestion(tiers, {Winner("a", 0), Winner("b", 0), Winner("c", 1, 1, true)}, 1));
}

TEST(PrizeDraws, RecordLinesFindTheirBatchAndMergeWithPlainResults) {
    const CalendarTime time;
    PrizeRecord record;
    const PrizeWinner a = Winner("甲", 0, 1), b = Winner("乙", 0, 2), c = Winner("丙", 0, 2);
    record.push_back(MakePrizeRecordLine(a, DrawMode::Name, "n.txt", time, 1, "(作废)"));
    record.push_back(MakePrizeRecordLine(b, DrawMode::Name, "n.txt", time, 1, "(作废)"));
    record.push_back(MakePrizeRecordLine(c, DrawMode::Name, "n.txt", time, 1, "(作废)"));
    EXPECT_EQ(FindBatchLines(record, "n.txt", 0, 2), 1u);
    EXPECT_EQ(FindBatchLines(record, "other.txt", 0, 2), 3u);
    EXPECT_EQ(FindPrizeRecordLine(record, "n.txt", b), 1u);
    EXPECT_EQ(FindPrizeRecordLine(record, "n.txt", Winner("丁", 0, 2)), 3u);
    EXPECT_EQ(PrizeRecordTail(record, 1), "  T0 乙\r\n  T0 丙\r\n");

    DrawResults plain(3);
    plain[0].result = "p0";
    plain[1].result = "p1";
    plain[2].result = "p2";
    std::vector<std::string> order;
    for (const DrawResult& r : MergePrizeResults(plain, record)) order.push_back(r.result);
    EXPECT_EQ(order, (std::vector<std::string>{"p0", "甲", "乙", "丙", "p1", "p2"}));
    EXPECT_EQ(record[0].result.prizeTier, "T0");
    // Plain results taken back since: the prize lines keep their order at the end.
    order.clear();
    for (const DrawResult& r : MergePrizeResults(DrawResults(), record)) order.push_back(r.result);
    EXPECT_EQ(order, (std::vector<std::string>{"甲", "乙", "丙"}));
}

}  // namespace
