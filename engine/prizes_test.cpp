#include "engine/prizes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

static_assert(sizeof("奖项") == 5, "literals are GBK");

std::string Tier(int n, const std::string& body) {
    return "[奖项" + std::to_string(n) + "]\r\n" + body;
}

const std::string kThird = "名称=三等奖\r\n奖品=保温杯\r\n人数=10\r\n每批=5\r\n";

bool SameTier(const PrizeTier& a, const PrizeTier& b) {
    return a.name == b.name && a.prize == b.prize && a.count == b.count && a.perBatch == b.perBatch &&
           a.allowRepeat == b.allowRepeat;
}

TEST(Prizes, FieldChecksNameTheFieldAndTheRule) {
    struct Case {
        PrizeField field;
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases = {
        {PrizeField::Count, "10", ""},
        {PrizeField::Count, " 100000\t", ""},
        {PrizeField::Count, "1", ""},
        {PrizeField::Count, "007", ""},
        {PrizeField::Count, "", "缺少人数"},
        {PrizeField::Count, "0", "人数须为1到100000的整数：0"},
        {PrizeField::Count, "-5", "人数须为1到100000的整数：-5"},
        {PrizeField::Count, "abc", "人数须为1到100000的整数：abc"},
        {PrizeField::Count, "1e9", "人数须为1到100000的整数：1e9"},
        {PrizeField::Count, "100001", "人数须为1到100000的整数：100001"},
        {PrizeField::Count, "99999999999999", "人数须为1到100000的整数：99999999999999"},
        {PrizeField::Count, "2.5", "人数须为1到100000的整数：2.5"},
        {PrizeField::Count, "十", "人数须为1到100000的整数：十"},
        {PrizeField::Count, "一二三四五六七八九十一", "人数须为1到100000的整数：一二三四五六七八九十…"},
        {PrizeField::PerBatch, "", ""},
        {PrizeField::PerBatch, "3", ""},
        {PrizeField::PerBatch, "0", "每批须为1到100000的整数：0"},
        {PrizeField::Repeat, "", ""},
        {PrizeField::Repeat, "1", ""},
        {PrizeField::Repeat, "0", ""},
        {PrizeField::Repeat, "是", "可重复中奖须为0或1：是"},
        {PrizeField::Name, "三等奖", ""},
        {PrizeField::Name, "  ", "名称不能为空"},
        {PrizeField::Name, "a\nb", "名称不能含换行或控制字符"},
        {PrizeField::Name, std::string(201, 'x'), "名称不能超过200字节"},
        {PrizeField::Prize, "", ""},
        {PrizeField::Prize, "笔记本\t电脑", ""},
        {PrizeField::Prize, std::string("a\0b", 3), "奖品不能含换行或控制字符"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckPrizeField(c.field, c.text), c.message) << c.text;
    }
}

TEST(Prizes, ReadsTiersInOrderWithTheirDefaults) {
    const std::string text = "; 年会\r\n" + Tier(1, kThird) + "\r\n" +
                             Tier(2, "名称 = 二等奖 \r\n人数=3\r\n可重复中奖=1\r\n") +
                             // LF alone, keys in any order, a later duplicate key and section ignored
                             "[奖项3]\n人数=1\n名称=\"一等奖\"\n人数=9\n奖品=\n[奖项1]\n名称=重复\n人数=2\n";
    const PrizeList list = ParsePrizes(text);
    ASSERT_EQ(list.tiers.size(), 3u);
    EXPECT_TRUE(list.leftOut.empty());
    EXPECT_TRUE(SameTier(list.tiers[0], PrizeTier{"三等奖", "保温杯", 10, 5, false}));
    EXPECT_TRUE(SameTier(list.tiers[1], PrizeTier{"二等奖", "", 3, 0, true}));
    EXPECT_TRUE(SameTier(list.tiers[2], PrizeTier{"一等奖", "", 1, 0, false}));
}

TEST(Prizes, TiersThatCannotBeUsedAreLeftOutWithTheReason) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> names;
        std::vector<std::string> leftOut;
    };
    std::string thousand;
    for (int n = 1; n <= 1000; ++n) thousand += Tier(n, "名称=奖" + std::to_string(n) + "\r\n人数=1\r\n");
    const std::vector<Case> cases = {
        {"empty", "", {}, {}},
        {"no sections", "名称=三等奖\r\n人数=3\r\n", {}, {}},
        {"no count", Tier(1, "名称=三等奖\r\n") + Tier(2, "名称=二等奖\r\n人数=2\r\n"), {"二等奖"},
         {"[奖项1] 缺少人数"}},
        {"count 0", Tier(1, "名称=三等奖\r\n人数=0\r\n"), {}, {"[奖项1] 人数须为1到100000的整数：0"}},
        {"count -5", Tier(1, "名称=三等奖\r\n人数=-5\r\n"), {}, {"[奖项1] 人数须为1到100000的整数：-5"}},
        {"count abc", Tier(1, "名称=三等奖\r\n人数=abc\r\n"), {}, {"[奖项1] 人数须为1到100000的整数：abc"}},
        {"count 1e9", Tier(1, "名称=三等奖\r\n人数=1e9\r\n"), {}, {"[奖项1] 人数须为1到100000的整数：1e9"}},
        {"bad batch", Tier(1, kThird + "每批=x\r\n"), {"三等奖"}, {}},  // the first 每批 counts
        {"bad batch alone", Tier(1, "名称=三等奖\r\n人数=5\r\n每批=-1\r\n"), {},
         {"[奖项1] 每批须为1到100000的整数：-1"}},
        {"no name", Tier(1, "人数=5\r\n"), {}, {"[奖项1] 名称不能为空"}},
        {"a gap", Tier(1, kThird) + Tier(3, kThird) + Tier(4, kThird), {"三等奖"},
         {"[奖项3]等2节未读取：缺少[奖项2]"}},
        {"starts at 2", Tier(2, kThird), {}, {"[奖项2]未读取：缺少[奖项1]"}},
        {"leading zero is another section", Tier(1, kThird) + "[奖项02]\r\n" + kThird, {"三等奖"}, {}},
        {"1,000 sections", thousand, std::vector<std::string>(100), {"[奖项101]及以后未读取：奖项最多100个"}},
        {"UTF-8 with mark", "\xEF\xBB\xBF[\xE5\xA5\x96\xE9\xA1\xB9" "1]\r\n", {}, {"文件不是GBK编码，未能读取"}},
        {"UTF-16", std::string("\xFF\xFE[\0", 4), {}, {"文件不是GBK编码，未能读取"}},
        {"no closing bracket", "[奖项1\r\n" + kThird, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PrizeList list = ParsePrizes(c.text);
        ASSERT_EQ(list.tiers.size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            if (!c.names[i].empty()) {
                EXPECT_EQ(list.tiers[i].name, c.names[i]);
            }
        }
        EXPECT_EQ(list.leftOut, c.leftOut);
    }
}

TEST(Prizes, OnlyTheFirstMegabyteIsReadAndNeverHalfALine) {
    std::string text = Tier(1, kThird) + Tier(2, "名称=二等奖\r\n人数=2\r\n");
    text += std::string(kMaxPrizesFileBytes - text.size() - 3, ';') + "\r\n" + Tier(3, "名称=一等奖\r\n人数=1\r\n");
    const PrizeList list = ParsePrizes(text);
    EXPECT_EQ(list.tiers.size(), 2u);
    EXPECT_EQ(list.leftOut, std::vector<std::string>{"文件超过1MB，其后的内容未读取"});
}

TEST(Prizes, WhatIsWrittenReadsBackTheSame) {
    const std::vector<PrizeTier> tiers = {
        {"三等奖", "保温杯", 10, 5, false},
        {"二等奖", "", 3, 0, true},
        {"\"特别奖\"", "a=b; [c]", 100000, 100000, false},
    };
    const std::string text = SerializePrizes(tiers);
    const std::string first = "[奖项1]\r\n名称=三等奖\r\n奖品=保温杯\r\n人数=10\r\n每批=5\r\n可重复中奖=0\r\n\r\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    const PrizeList list = ParsePrizes(text);
    ASSERT_EQ(list.tiers.size(), tiers.size());
    for (std::size_t i = 0; i < tiers.size(); ++i) EXPECT_TRUE(SameTier(list.tiers[i], tiers[i])) << i;
}

}  // namespace
