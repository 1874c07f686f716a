#include "engine/record_export.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

// GBK bytes, so that the expectations do not depend on the compiler's charset.
const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kHeaderComma =
    "\xD0\xF2\xBA\xC5,\xCA\xB1\xBC\xE4,\xC4\xA3\xCA\xBD,\xC0\xB4\xD4\xB4,\xBD\xE1\xB9\xFB,\xD7\xB4\xCC\xAC\r\n";
const std::string kNumber = "\xCA\xFD\xD7\xD6";  // 数字
const std::string kName = "\xD0\xD5\xC3\xFB";    // 姓名
const std::string kValid = "\xD3\xD0\xD0\xA7";   // 有效
const std::string kVoid = "\xD7\xF7\xB7\xCF";    // 作废

DrawResult Result(CalendarTime time, DrawMode mode, std::string source, std::string result,
                  ResultState state = ResultState::Valid) {
    DrawResult r;
    r.time = time;
    r.mode = mode;
    r.source = std::move(source);
    r.result = std::move(result);
    r.recordEntry = r.result;
    r.state = state;
    return r;
}

std::string OneResultTable(const std::string& result, char separator) {
    return FormatResultsTable({Result({2024, 1, 2, 3, 4, 5}, DrawMode::Name, "n.txt", result)}, separator);
}

// The data row of a one-result table, without its line end.
std::string ResultField(const std::string& result, char separator) {
    const std::string table = OneResultTable(result, separator);
    const std::size_t rowStart = table.find("\r\n") + 2;
    const std::string row = table.substr(rowStart, table.size() - rowStart - 2);
    // The result is the fifth field: skip four separators that come before it
    // (none of the earlier fields needs quoting).
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) at = row.find(separator, at) + 1;
    const std::string tail = separator == ',' ? "," + kValid : "\t" + kValid;
    return row.substr(at, row.size() - at - tail.size());
}

TEST(RecordExport, PrizeDrawsAddTierAndPrizeToEveryRow) {
    DrawResult won = Result({2025, 1, 1, 0, 0, 1}, DrawMode::Name, "a.txt", kZhang);
    won.prizeTier = "\xC8\xFD\xB5\xC8\xBD\xB1";  // 三等奖
    won.prize = "cup, \"big\"";
    const std::string tier = "\xBD\xB1\xCF\xEE", prize = "\xBD\xB1\xC6\xB7";  // 奖项, 奖品
    EXPECT_EQ(FormatResultsTable({Result({2025, 1, 1, 0, 0, 0}, DrawMode::Number, "1~9", "3"), won}, ','),
              kHeaderComma.substr(0, kHeaderComma.size() - 2) + "," + tier + "," + prize + "\r\n" +
                  "1,2025-01-01 00:00:00," + kNumber + ",1~9,3," + kValid + ",,\r\n" +
                  "2,2025-01-01 00:00:01," + kName + ",a.txt," + kZhang + "," + kValid + "," + won.prizeTier +
                  ",\"cup, \"\"big\"\"\"\r\n");
}

TEST(RecordExport, PeopleWithNumbersAddNumberAndDepartmentAfterThePrizeColumns) {
    DrawResult person = Result({2025, 1, 1, 0, 0, 1}, DrawMode::Name, "a.txt", kZhang);
    person.number = "2023017";
    person.department = "3,2";
    const std::string tier = "\xBD\xB1\xCF\xEE", prize = "\xBD\xB1\xC6\xB7";  // 奖项, 奖品
    const std::string number = "\xB1\xE0\xBA\xC5", department = "\xB2\xBF\xC3\xC5";  // 编号, 部门
    const std::string header = kHeaderComma.substr(0, kHeaderComma.size() - 2);
    EXPECT_EQ(FormatResultsTable({Result({2025, 1, 1, 0, 0, 0}, DrawMode::Name, "a.txt", kZhang), person}, ','),
              header + "," + tier + "," + prize + "," + number + "," + department + "\r\n" +
                  "1,2025-01-01 00:00:00," + kName + ",a.txt," + kZhang + "," + kValid + ",,,,\r\n" +
                  "2,2025-01-01 00:00:01," + kName + ",a.txt," + kZhang + "," + kValid + ",,,2023017,\"3,2\"\r\n");
    // A department alone is enough; tab-separated for the clipboard.
    person.number.clear();
    const std::string copied = FormatResultsTable({person}, '\t');
    EXPECT_EQ(copied.substr(copied.find("\r\n") + 2),
              "1\t2025-01-01 00:00:01\t" + kName + "\ta.txt\t" + kZhang + "\t" + kValid + "\t\t\t\t3,2\r\n");
}

TEST(RecordExport, KnownSessionByteForByte) {
    const DrawResults results = {
        Result({2024, 3, 9, 8, 5, 7}, DrawMode::Number, "1~100", "42"),
        Result({2024, 12, 31, 23, 59, 59}, DrawMode::Name, "\xC3\xFB\xB5\xA5.txt", kZhang, ResultState::Void),
        Result({2025, 1, 1, 0, 0, 0}, DrawMode::Name, "class.txt", "Li, Wei"),
        Result({2025, 1, 1, 0, 0, 1}, DrawMode::Name, "class.txt", "Tom \"T\" Ng"),
    };
    EXPECT_EQ(FormatResultsTable(results, ','),
              kHeaderComma +                                                                   //
                  "1,2024-03-09 08:05:07," + kNumber + ",1~100,42," + kValid + "\r\n" +          //
                  "2,2024-12-31 23:59:59," + kName + ",\xC3\xFB\xB5\xA5.txt," + kZhang + "," + kVoid + "\r\n" +
                  "3,2025-01-01 00:00:00," + kName + ",class.txt,\"Li, Wei\"," + kValid + "\r\n" +
                  "4,2025-01-01 00:00:01," + kName + ",class.txt,\"Tom \"\"T\"\" Ng\"," + kValid + "\r\n");
}

TEST(RecordExport, EmptySessionIsTheHeaderAlone) {
    EXPECT_EQ(FormatResultsTable({}, ','), kHeaderComma);
    std::string tabs = kHeaderComma;
    for (char& c : tabs) c = c == ',' ? '\t' : c;
    EXPECT_EQ(FormatResultsTable({}, '\t'), tabs);
}

TEST(RecordExport, QuotesExactlyTheFieldsThatNeedIt) {
    struct Case {
        std::string field;
        char separator;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", ',', "plain"},
        {"a,b", ',', "\"a,b\""},
        {"a,b", '\t', "a,b"},  // a comma is plain text between tabs
        {"a\tb", '\t', "\"a\tb\""},
        {"a\tb", ',', "a\tb"},
        {"\"", ',', "\"\"\"\""},
        {"say \"hi\"", '\t', "\"say \"\"hi\"\"\""},
        {"two\r\nlines", ',', "\"two\r\nlines\""},
        {"cr\ronly", '\t', "\"cr\ronly\""},
        {"lf\nonly", ',', "\"lf\nonly\""},
        {"", ',', ""},
        {" padded ", ',', " padded "},  // blanks are kept as they are, unquoted
        // Double-byte characters whose trail bytes look like ASCII (0x40 to
        // 0x7E: '@', '\\', '|', '{') are not separators and need no quotes.
        {"\x81\x40\x95\x5C\x81\x7C\x81\x7B", ',', "\x81\x40\x95\x5C\x81\x7C\x81\x7B"},
        {kZhang + "," + kZhang, ',', "\"" + kZhang + "," + kZhang + "\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResultField(c.field, c.separator), c.expected)
            << "field [" << c.field << "] separator " << int(c.separator);
    }
}

TEST(RecordExport, SourceIsQuotedByTheSameRules) {
    DrawResults results = {Result({2024, 1, 2, 3, 4, 5}, DrawMode::Name, "a,\"b\".txt", "x")};
    const std::string table = FormatResultsTable(results, ',');
    EXPECT_NE(table.find(",\"a,\"\"b\"\".txt\",x,"), std::string::npos) << table;
}

TEST(RecordExport, TimesAreZeroPadded) {
    EXPECT_EQ(FormatCalendarTime({2024, 1, 2, 3, 4, 5}), "2024-01-02 03:04:05");
    EXPECT_EQ(FormatCalendarTime({1999, 12, 31, 23, 59, 59}), "1999-12-31 23:59:59");
    EXPECT_EQ(FormatCalendarTime({}), "0000-00-00 00:00:00");
}

TEST(RecordExport, HundredThousandResultsAreNumberedAndQuick) {
    DrawResults results;
    for (int i = 0; i < 100000; ++i) {
        results.push_back(Result({2024, 5, 6, 7, 8, i % 60}, i % 2 ? DrawMode::Name : DrawMode::Number,
                                 "1~100000", std::to_string(i), i % 7 ? ResultState::Valid : ResultState::Void));
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string table = FormatResultsTable(results, ',');
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Linear work takes under a second even under the sanitizers; a
    // quadratic one would take minutes.
    EXPECT_LT(seconds, 5.0);

    std::size_t rows = 0;
    for (std::size_t at = table.find("\r\n"); at != std::string::npos; at = table.find("\r\n", at + 2)) ++rows;
    EXPECT_EQ(rows, 100001u);
    const std::string last = "\r\n100000,2024-05-06 07:08:39," + kName + ",1~100000,99999," + kValid + "\r\n";
    EXPECT_EQ(table.compare(table.size() - last.size(), last.size(), last), 0);
}

}  // namespace
