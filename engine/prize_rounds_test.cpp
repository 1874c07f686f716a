#include "engine/prize_rounds.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Person = std::pair<std::string, uint32_t>;

PrizeSource Names(const std::vector<std::string>& entries) {
    return MakeEntriesPrizeSource("names.txt", entries);
}

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) entries.push_back("n" + std::to_string(i));
    return entries;
}

RandomSource Seeded(uint32_t seed) {
    RandomSource random;
    random.seed = seed;
    return random;
}

PrizeWinner Won(const std::string& entry, int32_t tier, int32_t batch = 1, bool voided = false, uint32_t copy = 0) {
    PrizeWinner w;
    w.entry = entry;
    w.copy = copy;
    w.tier = tier;
    w.batch = batch;
    w.voided = voided;
    return w;
}

const std::vector<PrizeTier> kEvent = {
    {"三等奖", "杯子", 7, 3, false},
    {"二等奖", "耳机", 2, 0, false},
    {"幸运奖", "", 3, 0, true},
    {"一等奖", "电脑", 1, 0, false},
};

TEST(PrizeRounds, AWholeEventDrawsEachTierInBatchesAndNobodyTwice) {
    for (uint32_t seed : {1u, 2u, 12345u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        RandomSource random = Seeded(seed);
        const PrizeSource source = Names({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m"});
        PrizeWinners winners;
        struct Step {
            std::size_t tier;
            int32_t batch, wanted;
            const char* status;
        };
        const std::vector<Step> steps = {{0, 1, 3, "三等奖 第1批 3人"}, {0, 2, 3, "三等奖 第2批 3人"},
                                         {0, 3, 1, "三等奖 第3批 1人"}, {1, 1, 2, "二等奖 第1批 2人"},
                                         {2, 1, 3, "幸运奖 第1批 3人"}, {3, 1, 1, "一等奖 第1批 1人"}};
        for (const Step& step : steps) {
            const BatchOutcome outcome = DrawPrizeBatch(kEvent, source, winners, random);
            EXPECT_EQ(outcome.status, BatchStatus::Drawn);
            EXPECT_EQ(outcome.tier, step.tier);
            EXPECT_EQ(outcome.batch, step.batch);
            EXPECT_EQ(outcome.wanted, step.wanted);
            EXPECT_EQ(outcome.drawn, static_cast<std::size_t>(step.wanted));
            EXPECT_EQ(outcome.first + outcome.drawn, winners.size());
            EXPECT_EQ(FormatBatchOutcome(kEvent, outcome), step.status);
        }
        EXPECT_EQ(DrawPrizeBatch(kEvent, source, winners, random).status, BatchStatus::AllDrawn);
        EXPECT_EQ(winners.size(), 13u);
        // Outside the repeat tier nobody wins twice, and nobody at all twice in one tier.
        std::set<std::string> once;
        std::set<std::pair<int32_t, std::string>> perTier;
        for (const PrizeWinner& w : winners) {
            EXPECT_TRUE(perTier.insert({w.tier, w.entry}).second) << w.entry;
            if (w.tier != 2) {
                EXPECT_TRUE(once.insert(w.entry).second) << w.entry;
            }
            EXPECT_EQ(w.tierName, kEvent[static_cast<std::size_t>(w.tier)].name);
            EXPECT_EQ(w.prize, kEvent[static_cast<std::size_t>(w.tier)].prize);
        }
        EXPECT_EQ(once.size(), 10u);
        // Nor does the 一等奖 go to a winner of the repeat tier.
        EXPECT_EQ(perTier.count({2, winners.back().entry}), 0u);
    }
}

TEST(PrizeRounds, WhoIsEligibleFollowsFromTheWinners) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 2, 0, false}, {"二等奖", "", 2, 0, false},
                                          {"幸运奖", "", 2, 0, true}};
    const PrizeSource source = Names({"a", "b", "a", "c", "d"});  // two people "a"
    struct Case {
        const char* what;
        PrizeWinners winners;
        std::size_t tier;
        std::size_t eligible;
    };
    const std::vector<Case> cases = {
        {"nobody drawn", {}, 0, 5},
        {"one of the two a", {Won("a", 0)}, 0, 4},
        {"both a", {Won("a", 0), Won("a", 0, 1, false, 1)}, 0, 3},
        {"an earlier tier's winners", {Won("a", 0), Won("b", 0)}, 1, 3},
        {"repeats allowed", {Won("a", 0), Won("b", 1)}, 2, 5},
        {"repeats allowed, not twice in the tier", {Won("a", 0), Won("a", 2)}, 2, 4},
        {"a void is out of everything", {Won("c", 0, 1, true)}, 2, 4},
        {"a void in another tier", {Won("c", 0, 1, true)}, 1, 4},
        {"someone no longer in the file", {Won("z", 0), Won("a", 0, 1, false, 5)}, 1, 5},
        {"a copy past the file's", {Won("a", 0, 1, false, 2)}, 0, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountEligible(tiers, source, c.winners, c.tier), c.eligible) << c.what;
    }
}

TEST(PrizeRounds, TwoEntriesWithTheSameTextAreTwoPeople) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 3, 0, false}};
    RandomSource random = Seeded(7);
    PrizeWinners winners;
    const BatchOutcome outcome = DrawPrizeBatch(tiers, Names({"张伟", "李娜", "张伟"}), winners, random);
    EXPECT_EQ(outcome.status, BatchStatus::Drawn);
    std::set<Person> people;
    for (const PrizeWinner& w : winners) people.insert({w.entry, w.copy});
    EXPECT_EQ(people, (std::set<Person>{{"张伟", 0}, {"张伟", 1}, {"李娜", 0}}));
}

TEST(PrizeRounds, FewerLeftThanTheBatchDrawsThemAndThenNobody) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 10, 4, false}};
    for (bool range : {false, true}) {
        SCOPED_TRACE(range);
        const PrizeSource source = range ? MakeRangePrizeSource(5, 1) : Names(Numbered(5));
        RandomSource random = Seeded(3);
        PrizeWinners winners;
        EXPECT_EQ(DrawPrizeBatch(tiers, source, winners, random).status, BatchStatus::Drawn);
        const BatchOutcome shortBatch = DrawPrizeBatch(tiers, source, winners, random);
        EXPECT_EQ(shortBatch.status, BatchStatus::Short);
        EXPECT_EQ(shortBatch.drawn, 1u);
        EXPECT_EQ(FormatBatchOutcome(tiers, shortBatch), "三等奖 第2批应抽4人，仅剩1人，已全部抽出");
        const BatchOutcome nobody = DrawPrizeBatch(tiers, source, winners, random);
        EXPECT_EQ(nobody.status, BatchStatus::NobodyLeft);
        EXPECT_EQ(nobody.drawn, 0u);
        EXPECT_EQ(FormatBatchOutcome(tiers, nobody), "三等奖已无人可抽");
        EXPECT_EQ(winners.size(), 5u);
        std::set<std::string> distinct;
        for (const PrizeWinner& w : winners) distinct.insert(w.entry);
        EXPECT_EQ(distinct.size(), 5u);
        if (range) {
            EXPECT_EQ(distinct, (std::set<std::string>{"1", "2", "3", "4", "5"}));
        }
    }
}

// Every eligible person equally likely: a fault in skipping the kept-out
// numbers or in the shuffle shows as a lopsided count.
TEST(PrizeRounds, EachEligiblePersonIsAsLikely) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 3, 0, false}, {"二等奖", "", 2, 1, false}};
    PrizeWinners earlier = {Won("2", 0), Won("5", 0), Won("9", 0)};
    // A kept draw state takes a range's numbers by trying them.
    for (int variant = 0; variant < 3; ++variant) {
        const bool range = variant > 0, cached = variant == 2;
        SCOPED_TRACE(variant);
        const PrizeSource source = range ? MakeRangePrizeSource(1, 10)
                                         : Names({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
        std::map<std::string, int> counts;
        RandomSource random = Seeded(42);
        const int draws = 7000;
        for (int i = 0; i < draws; ++i) {
            PrizeWinners winners = earlier;
            PrizeDrawCache cache;
            DrawPrizeBatch(tiers, source, winners, random, cached ? &cache : nullptr);
            ASSERT_EQ(winners.size(), 4u);
            ++counts[winners.back().entry];
        }
        EXPECT_EQ(counts.size(), 7u);
        for (const auto& c : counts) {
            EXPECT_NEAR(c.second, draws / 7, draws / 7 * 15 / 100) << c.first;
            EXPECT_TRUE(c.first != "2" && c.first != "5" && c.first != "9");
        }
    }
}

TEST(PrizeRounds, AHugeRangeIsNeverListed) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 300, 300, false}, {"二等奖", "", 300, 300, false}};
    for (const std::pair<int32_t, int32_t>& limits :
         {std::make_pair(1, INT32_MAX), std::make_pair(INT32_MIN, INT32_MAX),
          std::make_pair(INT32_MAX - 299, INT32_MAX)}) {
        const PrizeSource source = MakeRangePrizeSource(limits.first, limits.second);
        RandomSource random = Seeded(99);
        PrizeWinners winners;
        DrawPrizeBatch(tiers, source, winners, random);
        const BatchOutcome second = DrawPrizeBatch(tiers, source, winners, random);
        std::set<int64_t> values;
        for (const PrizeWinner& w : winners) {
            const int64_t v = std::stoll(w.entry);
            EXPECT_EQ(std::to_string(v), w.entry);
            EXPECT_GE(v, limits.first);
            EXPECT_LE(v, limits.second);
            values.insert(v);
        }
        if (limits.first == INT32_MAX - 299) {
            EXPECT_EQ(second.status, BatchStatus::NobodyLeft);
            EXPECT_EQ(values.size(), 300u);
        } else {
            EXPECT_EQ(values.size(), 600u);
        }
    }
}

// Why a person may not win again, checked over a whole event: "" when every
// rule holds.
std::string BrokenRule(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners) {
    std::map<Person, std::vector<const PrizeWinner*>> records;
    for (const PrizeWinner& w : winners) {
        const Person person{w.entry, w.copy};
        for (const PrizeWinner* before : records[person]) {
            if (before->voided && (before->tier != w.tier || before->batch != w.batch)) return "a void won again";
            if (!before->voided && before->tier == w.tier) return "twice in one tier: " + w.entry;
            if (!before->voided && !tiers[static_cast<std::size_t>(w.tier)].allowRepeat) return "won again: " + w.entry;
        }
        records[person].push_back(&w);
    }
    return "";
}

// The kept draw state against none, step by step from the same seed: a
// name file's draws must come out the very same; a large range's may differ
// in who, never in the rules or in how many. Steps: D a batch, R a replacement for the
// latest batch's first, T take back, V void the latest batch (the state
// built again after both, as the program does), S the name
// file read again into a new source, F the winners read back from their
// file (a fresh state, as after a start).
TEST(PrizeRounds, AKeptDrawStateDrawsAsTheListingDoes) {
    std::vector<std::string> doubled = Numbered(60);
    doubled[7] = doubled[8] = doubled[30] = "张伟";
    struct Case {
        const char* what;
        std::vector<PrizeTier> tiers;
        PrizeSource source;
        const char* steps;
        bool same;  // the very same winners
    } cases[] = {
        {"tiers without repeats", {{"三等奖", "杯", 30, 7, false}, {"二等奖", "", 12, 5, false}, {"一等奖", "", 3, 0, false}},
         Names(Numbered(80)), "DDRDTDVDDRDDDDDD", true},
        {"a tier with repeats between", {{"三等奖", "", 20, 8, false}, {"特别奖", "", 10, 4, true}, {"一等奖", "", 6, 3, false}},
         Names(Numbered(40)), "DDDRDDVDDTDDDDD", true},
        {"copies of a text, all drawn", {{"三等奖", "", 58, 9, false}, {"二等奖", "", 5, 5, true}}, Names(doubled),
         "DDDRDDDVDDDDDDD", true},
        {"read again and restarted", {{"三等奖", "", 40, 6, false}, {"二等奖", "", 10, 4, false}}, Names(Numbered(50)),
         "DDSDRFDDTDFDDDDD", true},
        {"a small range, drawn to the end", {{"三等奖", "", 25, 6, false}, {"二等奖", "", 5, 5, true}},
         MakeRangePrizeSource(1, 30), "DDDRDVDDDD", false},
        {"a large range", {{"三等奖", "", 400, 150, false}, {"二等奖", "", 100, 60, true}}, MakeRangePrizeSource(-50, 1000),
         "DDRDVDDTDDD", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrizeSource sources[2] = {c.source, c.source};
        PrizeWinners winners[2];
        RandomSource random[2] = {Seeded(7), Seeded(7)};
        PrizeDrawCache cache;
        int step = 0;
        for (const char* s = c.steps; *s; ++s, ++step) {
            SCOPED_TRACE(std::string("step ") + std::to_string(step) + " " + *s);
            BatchOutcome outcome[2];
            for (int k = 0; k < 2; ++k) {
                PrizeDrawCache* kept = k == 1 ? &cache : nullptr;
                switch (*s) {
                case 'D': outcome[k] = DrawPrizeBatch(c.tiers, sources[k], winners[k], random[k], kept); break;
                case 'R': {
                    const std::vector<std::size_t> slots = LatestBatchSlots(winners[k]);
                    ASSERT_FALSE(slots.empty());
                    ASSERT_TRUE(RedrawWinner(c.tiers, sources[k], winners[k], slots[0], random[k], outcome[k], kept));
                    break;
                }
                case 'T':
                case 'V':
                    if (*s == 'T') TakeBackLatestBatch(winners[k]);
                    if (*s == 'V') VoidLatestBatch(winners[k]);
                    // Built again there, off the Stop.
                    if (kept) PreparePrizeDrawCache(c.tiers, sources[k], winners[k], cache);
                    break;
                case 'S': {
                    std::vector<std::string> entries = sources[k].entries;
                    entries.push_back("newcomer");
                    sources[k] = Names(entries);
                    break;
                }
                case 'F':
                    winners[k] = ParsePrizeEvents(SerializePrizeEvents(PrizeEvents{{{"x", winners[k]}}})).bySource["x"];
                    if (kept) cache = PrizeDrawCache{};
                    break;
                }
            }
            EXPECT_EQ(outcome[1].status, outcome[0].status);
            EXPECT_EQ(outcome[1].drawn, outcome[0].drawn);
            EXPECT_EQ(outcome[1].tier, outcome[0].tier);
            EXPECT_EQ(outcome[1].batch, outcome[0].batch);
            ASSERT_EQ(winners[1].size(), winners[0].size());
            EXPECT_EQ(BrokenRule(c.tiers, winners[1]), "");
            EXPECT_EQ(BrokenRule(c.tiers, winners[0]), "");
            for (std::size_t i = 0; c.same && i < winners[0].size(); ++i) {
                const PrizeWinner &a = winners[0][i], &b = winners[1][i];
                ASSERT_TRUE(a.entry == b.entry && a.copy == b.copy && a.tier == b.tier && a.batch == b.batch &&
                            a.voided == b.voided && a.prize == b.prize)
                    << "winner " << i << ": " << a.entry << " / " << b.entry;
            }
        }
    }
}

TEST(PrizeRounds, ARedrawVoidsOneAndPutsItsReplacementInItsPlace) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "杯子", 3, 0, false}, {"二等奖", "", 2, 0, false}};
    const PrizeSource source = Names(Numbered(6));
    RandomSource random = Seeded(5);
    PrizeWinners winners;
    DrawPrizeBatch(tiers, source, winners, random);
    const std::vector<std::string> before = {winners[0].entry, winners[1].entry, winners[2].entry};
    BatchOutcome outcome;
    ASSERT_TRUE(RedrawWinner(tiers, source, winners, 1, random, outcome));
    EXPECT_EQ(outcome.status, BatchStatus::Drawn);
    ASSERT_EQ(winners.size(), 4u);
    EXPECT_TRUE(winners[1].voided);
    EXPECT_EQ(winners[2].tier, 0);
    EXPECT_EQ(winners[2].batch, 1);
    EXPECT_EQ(winners[2].prize, "杯子");
    EXPECT_TRUE(winners[2].entry != before[0] && winners[2].entry != before[1] && winners[2].entry != before[2]);
    EXPECT_EQ(LatestBatchSlots(winners), (std::vector<std::size_t>{0, 2, 3}));
    EXPECT_EQ(FindCurrentTier(tiers, winners), 1u);

    // Not a redraw: a void, an index past the end.
    EXPECT_FALSE(RedrawWinner(tiers, source, winners, 1, random, outcome));
    EXPECT_FALSE(RedrawWinner(tiers, source, winners, 4, random, outcome));
    // The voided person stays out of the next tier; only an earlier batch's winners are past redrawing.
    DrawPrizeBatch(tiers, source, winners, random);
    for (std::size_t i = 4; i < winners.size(); ++i) EXPECT_NE(winners[i].entry, before[1]);
    EXPECT_FALSE(RedrawWinner(tiers, source, winners, 0, random, outcome));
    // Nobody left to replace: the void holds.
    ASSERT_TRUE(RedrawWinner(tiers, source, winners, 4, random, outcome));
    EXPECT_EQ(outcome.status, BatchStatus::NobodyLeft);
    EXPECT_TRUE(winners[4].voided);
    EXPECT_EQ(winners.size(), 6u);
}

TEST(PrizeRounds, TakeBackAndVoidActOnTheLatestBatch) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 4, 2, false}};
    const PrizeSource source = Names(Numbered(10));
    RandomSource random = Seeded(11);
    PrizeWinners winners;
    DrawPrizeBatch(tiers, source, winners, random);
    DrawPrizeBatch(tiers, source, winners, random);
    BatchOutcome redraw;
    ASSERT_TRUE(RedrawWinner(tiers, source, winners, 2, random, redraw));
    EXPECT_EQ(FormatTierProgress(tiers, winners, 0), "三等奖 4/4");
    // Take-back removes batch 2 with its redraw; the voided person is drawable again.
    EXPECT_EQ(TakeBackLatestBatch(winners), 3u);
    EXPECT_EQ(winners.size(), 2u);
    EXPECT_EQ(CountEligible(tiers, source, winners, 0), 8u);
    EXPECT_EQ(FormatTierProgress(tiers, winners, 0), "三等奖 2/4");
    // Void keeps batch 1's people out and the tier short of them.
    EXPECT_EQ(VoidLatestBatch(winners), 2u);
    EXPECT_EQ(VoidLatestBatch(winners), 0u);
    EXPECT_EQ(CountEligible(tiers, source, winners, 0), 8u);
    EXPECT_EQ(FormatTierProgress(tiers, winners, 0), "三等奖 0/4");
    const BatchOutcome next = DrawPrizeBatch(tiers, source, winners, random);
    EXPECT_EQ(next.batch, 2);
    EXPECT_EQ(next.wanted, 2);
    EXPECT_EQ(TakeBackLatestBatch(winners), 2u);
    EXPECT_EQ(TakeBackLatestBatch(winners), 2u);
    EXPECT_EQ(TakeBackLatestBatch(winners), 0u);
}

TEST(PrizeRounds, AnEditedNameFileKeepsItsWinnersAndAddsItsNewcomers) {
    const std::vector<PrizeTier> tiers = {{"三等奖", "", 3, 2, false}};
    RandomSource random = Seeded(21);
    PrizeWinners winners;
    DrawPrizeBatch(tiers, Names({"a", "b"}), winners, random);
    const BatchOutcome outcome = DrawPrizeBatch(tiers, Names({"b", "c"}), winners, random);  // a left, c came
    EXPECT_EQ(outcome.status, BatchStatus::Drawn);
    ASSERT_EQ(winners.size(), 3u);
    EXPECT_EQ(winners[2].entry, "c");
    EXPECT_EQ(FindCurrentTier(tiers, winners), 1u);
}

TEST(PrizeRounds, NameFileEntriesAreItsNonEmptyLines) {
    const PrizeSource source = MakeNamePrizeSource("a.txt", BuildNameList("张三\r\n\r\n  \r\n李四\t007\t销售部\r\n\t5\r\n"));
    EXPECT_EQ(source.entries, (std::vector<std::string>{"张三", "李四\t007\t销售部"}));
    struct Case {
        std::string entry, shown;
    };
    for (const Case& c : std::vector<Case>{{"张三", "张三"}, {"李四\t007\t销售部", "李四"}, {"Anna Li \tx", "Anna Li"},
                                          {"\tx", ""}, {"", ""}}) {
        EXPECT_EQ(EntryDisplayName(c.entry), c.shown) << c.entry;
    }
}

TEST(PrizeRounds, AWinnerAsAResultRow) {
    PrizeWinner w = Won("李四\t007\t销售部", 0, 1, true);
    w.tierName = "三等奖";
    w.prize = "杯子";
    const DrawResult r = PrizeWinnerResult(w, DrawMode::Name, "a.txt", CalendarTime{2025, 1, 2, 3, 4, 5});
    EXPECT_EQ(r.result, "李四");
    EXPECT_EQ(r.recordEntry, "  李四");
    EXPECT_EQ(r.state, ResultState::Void);
    EXPECT_EQ(r.prizeTier, "三等奖");
    EXPECT_EQ(r.prize, "杯子");
    EXPECT_EQ(r.number, "007");
    EXPECT_EQ(r.department, "销售部");
    EXPECT_EQ(r.source, "a.txt");
    EXPECT_EQ(r.time.second, 5);
}

TEST(PrizeRounds, StatusTexts) {
    EXPECT_EQ(FormatTierProgress(kEvent, {Won("a", 0), Won("b", 0, 1, true)}, 0), "三等奖 1/7");
    EXPECT_EQ(FormatNextTierQuestion(kEvent, 0, 1), "三等奖已抽完，开始抽取二等奖？");
    EXPECT_EQ(FormatTierProgress(kEvent, {}, 4), "所有奖项已抽完");
}

// ---- The file ----

TEST(PrizeRounds, WhatIsWrittenReadsBackTheSame) {
    PrizeEvents events;
    PrizeWinner odd = Won(std::string("a b\t%\r\n\0", 9), 99, INT32_MAX, true, UINT32_MAX);
    odd.tierName = "三 等奖";
    odd.prize = "";
    events.bySource["班级 一.txt"] = {Won("张三", 0), odd};
    events.bySource["-5~2147483647"] = {Won("-5", 1, 3)};
    events.bySource["-5~2147483647"][0].at = 7;
    const std::string text = SerializePrizeEvents(events);
    const PrizeEvents back = ParsePrizeEvents(text);
    ASSERT_EQ(back.bySource.size(), 2u);
    for (const auto& event : events.bySource) {
        const PrizeWinners& read = back.bySource.at(event.first);
        ASSERT_EQ(read.size(), event.second.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const PrizeWinner &a = read[i], &b = event.second[i];
            EXPECT_TRUE(a.entry == b.entry && a.copy == b.copy && a.tier == b.tier && a.batch == b.batch &&
                        a.voided == b.voided && a.tierName == b.tierName && a.prize == b.prize && a.at == b.at);
        }
    }
    PrizeWinner named = Won("张三", 0);
    named.tierName = "三等奖";
    named.prize = "保温 杯";
    EXPECT_EQ(SerializePrizeEvents(PrizeEvents{{{"a.txt", {named}}}}),
              "Tobrix prize rounds 1\r\nevent a.txt\r\nwinner 0 1 0 valid 张三 三等奖 保温%20杯\r\nend\r\n");
}

TEST(PrizeRounds, AResetForgetsOneEventOnly) {
    PrizeEvents events;
    events.bySource["a.txt"] = {Won("x", 0)};
    events.bySource["1~9"] = {Won("3", 0)};
    EXPECT_TRUE(ResetPrizeEvent(events, "a.txt"));
    EXPECT_FALSE(ResetPrizeEvent(events, "a.txt"));
    ASSERT_EQ(events.bySource.size(), 1u);
    EXPECT_EQ(events.bySource.count("1~9"), 1u);
}

TEST(PrizeRounds, WhatCannotBeReadCountsAsNotDrawn) {
    const std::string head = "Tobrix prize rounds 1\r\n";
    const std::string one = "event a.txt\r\nwinner 0 1 0 valid x t p\r\n";
    struct Case {
        const char* what;
        std::string text;
        std::size_t winners;
    };
    const std::vector<Case> cases = {
        {"whole", head + one + "end\r\n", 1},
        {"with where it stood", head + "event a.txt\r\nwinner 0 1 0 valid x t p 12\r\nend\r\n", 1},
        {"bad where it stood", head + "event a.txt\r\nwinner 0 1 0 valid x t p -1\r\nend\r\n", 0},
        {"empty", "", 0},
        {"no end", head + one, 0},
        {"no header", one + "end\r\n", 0},
        {"the pools file", "Tobrix draw pools 1\r\n" + one + "end\r\n", 0},
        {"a later version", "Tobrix prize rounds 2\n" + one + "end\n", 1},
        {"a winner before any event", head + "winner 0 1 0 valid x t p\r\n" + one + "end\r\n", 1},
        {"an unknown line ends the event", head + one + "later 1\r\nwinner 0 1 0 valid y t p\r\nend\r\n", 1},
        {"bad winners skipped",
         head + one +
             "winner 0 0 0 valid y t p\r\nwinner 100 1 0 valid y t p\r\nwinner 0 1 0 maybe y t p\r\n"
             "winner 0 1 0 valid  t p\r\nwinner 0 1 0 valid y t\r\nwinner 0 1 0 valid y%2 t p\r\n"
             "winner -1 1 0 valid y t p\r\nwinner 0 1 4294967296 valid y t p\r\nwinner 0 1 0 valid y\tz t p\r\n"
             "end\r\n",
         1},
    };
    for (const Case& c : cases) {
        std::size_t count = 0;
        for (const auto& event : ParsePrizeEvents(c.text).bySource) count += event.second.size();
        EXPECT_EQ(count, c.winners) << c.what;
    }
}

}  // namespace
