#include "engine/name_list.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/random_source.h"

namespace {

// GBK bytes, so that the tests do not depend on the compiler's charset.
const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kLi = "\xC0\xEE\xCB\xC4";     // 李四
const std::string kWang = "\xCD\xF5\xCE\xE5";   // 王五

std::vector<std::string> AllNames(const std::string& content) {
    const NameList list = BuildNameList(content);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < NameCount(list); ++i) names.push_back(NameAt(list, i));
    return names;
}

using Names = std::vector<std::string>;

TEST(NameList, SplitsAtEveryCrAndKeepsEmptyFields) {
    EXPECT_EQ(AllNames(kZhang + "\r\n" + kLi + "\r\n" + kWang), (Names{kZhang, kLi, kWang}));
    // A break after the last line is one more, empty, name.
    EXPECT_EQ(AllNames(kZhang + "\r\n" + kLi + "\r\n" + kWang + "\r\n"),
              (Names{kZhang, kLi, kWang, ""}));
    EXPECT_EQ(AllNames(kZhang + "\r\n\r\n" + kLi), (Names{kZhang, "", kLi}));
    EXPECT_EQ(AllNames(kZhang + "\r" + kLi + "\r" + kWang), (Names{kZhang, kLi, kWang}));
    EXPECT_EQ(AllNames(kZhang), (Names{kZhang}));
    EXPECT_EQ(AllNames(""), (Names{""}));
    EXPECT_EQ(AllNames("\r"), (Names{"", ""}));
}

TEST(NameList, LfAloneDoesNotSplitAndIsRemovedEverywhere) {
    EXPECT_EQ(AllNames(kZhang + "\n" + kLi + "\n" + kWang + "\n"), (Names{kZhang + kLi + kWang}));
    EXPECT_EQ(AllNames("a\n\nb\r\n\nc"), (Names{"ab", "c"}));
}

TEST(NameList, TrimsBlanksBeforeRemovingLfs) {
    // The LF that starts every later field shields its leading blank; tabs
    // are not blanks.
    EXPECT_EQ(AllNames(" " + kZhang + " \r\n " + kLi + " \r\n\t" + kWang + "\t"),
              (Names{kZhang, " " + kLi, "\t" + kWang + "\t"}));
    EXPECT_EQ(AllNames("   \r\n   \r  x  "), (Names{"", "", "x"}));
    // An LF at the end of a field (LF CR order) shields the trailing blank.
    EXPECT_EQ(AllNames("a \n\rb"), (Names{"a ", "b"}));
}

TEST(NameList, KeepsAnyBytes) {
    const std::string binary("\0\x01\xFF\x80\0z\r\0\0", 9);
    EXPECT_EQ(AllNames(binary), (Names{std::string("\0\x01\xFF\x80\0z", 6), std::string(2, '\0')}));

    std::mt19937 bytes(7);
    std::string noise(1 << 16, '\0');
    for (char& c : noise) c = static_cast<char>(bytes());
    const NameList list = BuildNameList(noise);
    std::size_t crs = 0;
    for (char c : noise) crs += c == '\r';
    ASSERT_EQ(NameCount(list), crs + 1);
    std::string rebuilt;
    for (std::size_t i = 0; i < NameCount(list); ++i) {
        const std::string name = NameAt(list, i);
        EXPECT_EQ(name.find('\n'), std::string::npos);
        EXPECT_EQ(name.find('\r'), std::string::npos);
        rebuilt += name;
    }
    // Nothing but CRs, LFs and blanks at the ends of fields is lost.
    std::string expectedBytes;
    for (char c : noise)
        if (c != '\r' && c != '\n' && c != ' ') expectedBytes += c;
    std::string rebuiltBytes;
    for (char c : rebuilt)
        if (c != ' ') rebuiltBytes += c;
    EXPECT_EQ(rebuiltBytes, expectedBytes);
}

TEST(NameList, FiftyMegabytesOfCrsCostOneOffsetPerName) {
    const std::size_t size = 50u << 20;
    const NameList list = BuildNameList(std::string(size, '\r'));
    ASSERT_EQ(NameCount(list), size + 1);
    EXPECT_EQ(list.breaks.capacity(), list.breaks.size());  // no spare growth
    EXPECT_EQ(NameAt(list, 0), "");
    EXPECT_EQ(NameAt(list, size / 2), "");
    EXPECT_EQ(NameAt(list, size), "");
}

TEST(NameList, TakesTheContentWithoutCopying) {
    std::string content(1 << 20, 'x');
    content[100] = '\r';
    const char* bytes = content.data();
    const NameList list = BuildNameList(std::move(content));
    EXPECT_EQ(list.content.data(), bytes);
    EXPECT_EQ(NameAt(list, 0), std::string(100, 'x'));
    EXPECT_EQ(NameAt(list, 1).size(), (1u << 20) - 101);
}

// Pearson's statistic of observed counts against equal expected counts.
double ChiSquare(const std::vector<long>& counts, long total) {
    const double expected = static_cast<double>(total) / static_cast<double>(counts.size());
    double sum = 0;
    for (long c : counts) sum += (c - expected) * (c - expected) / expected;
    return sum;
}

TEST(Uniformity, BetweenOneAndTenOverAMillionDraws) {
    RandomSource random;
    random.seedFromTimeOfDay(TimeOfDay{9, 30, 15, 250});
    std::vector<long> counts(10);
    const long total = 1000000;
    for (long k = 0; k < total; ++k) {
        const int32_t v = random.between(1, 10);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 10);
        ++counts[static_cast<std::size_t>(v - 1)];
    }
    EXPECT_LT(ChiSquare(counts, total), 27.877);  // 9 degrees of freedom, 0.001
}

TEST(Uniformity, ThirtySevenNamesOverAMillionDraws) {
    std::string content;
    for (int k = 0; k < 37; ++k) content += (k ? "\r\n" : "") + std::string("name") + std::to_string(k);
    const NameList list = BuildNameList(content);
    ASSERT_EQ(NameCount(list), 37u);
    RandomSource random;
    random.seedFromTimeOfDay(TimeOfDay{12, 0, 0, 0});
    std::map<std::string, long> byName;
    const long total = 1000000;
    for (long k = 0; k < total; ++k)
        ++byName[NameAt(list, static_cast<std::size_t>(random.between(0, 36)))];
    ASSERT_EQ(byName.size(), 37u);
    std::vector<long> counts;
    for (const auto& entry : byName) counts.push_back(entry.second);
    EXPECT_LT(ChiSquare(counts, total), 67.985);  // 36 degrees of freedom, 0.001
}

TEST(NameList, LinesSplitIntoNameNumberAndDepartmentAtTabs) {
    struct Case {
        std::string entry, name, number, department;
    };
    const Case cases[] = {
        {kZhang, kZhang, "", ""},
        {kZhang + "\t2023017\t" + kLi, kZhang, "2023017", kLi},
        {kZhang + "  \t 7 \t " + kLi + " ", kZhang, "7", kLi},
        {" " + kZhang + "\t7", " " + kZhang, "7", ""},
        {kZhang + "\t\t" + kLi, kZhang, "", kLi},
        {kZhang + "\t7", kZhang, "7", ""},
        {kZhang + "\t7\t" + kLi + "\textra", kZhang, "7", kLi},
        {kZhang + "\t", kZhang, "", ""},
        // Nothing before the first tab: the line is drawn whole, as ever.
        {"\t" + kWang + "\t", "\t" + kWang + "\t", "", ""},
        {"  \t7", "  \t7", "", ""},
        {"", "", "", ""},
        {"a b", "a b", "", ""},
    };
    for (const Case& c : cases) {
        const NameEntry split = SplitNameEntry(c.entry);
        EXPECT_EQ(split.name, c.name) << c.entry;
        EXPECT_EQ(split.number, c.number) << c.entry;
        EXPECT_EQ(split.department, c.department) << c.entry;
    }
}

}  // namespace
