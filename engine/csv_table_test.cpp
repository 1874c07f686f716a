#include "engine/csv_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/gbk_decoder.h"
#include "tests/support/cell_rows.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(CsvTable, Splitting) {
    const struct {
        const char* what;
        std::string text;
        char separator;
        TableStatus status;
        Rows rows;
    } cases[] = {
        {"plain rows, final break adds none", "a,b\r\nc,d\r\n", ',', TableStatus::Ok, {{"a", "b"}, {"c", "d"}}},
        {"LF and CR alone end rows too", "a\nb\rc", ',', TableStatus::Ok, {{"a"}, {"b"}, {"c"}}},
        {"empty lines are empty rows", "a\r\n\r\n,\r\nb", ',', TableStatus::Ok, {{"a"}, {}, {}, {"b"}}},
        {"quoted separators, quotes and breaks",
         "\"Li, Na\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nx", ',', TableStatus::Ok,
         {{"Li, Na", "say \"hi\"", "two\r\nlines"}, {"x"}}},
        {"text after a closing quote is kept", "\"a\"b,c", ',', TableStatus::Ok, {{"ab", "c"}}},
        {"a quote inside a field is a character", "a\"b,c", ',', TableStatus::Ok, {{"a\"b", "c"}}},
        {"empty quoted field", "\"\",x", ',', TableStatus::Ok, {{"", "x"}}},
        {"semicolons", "a;b,c", ';', TableStatus::Ok, {{"a", "b,c"}}},
        {"trailing separator", "a,", ',', TableStatus::Ok, {{"a"}}},
        {"a quote that never ends", "a,\"b\r\nc", ',', TableStatus::UnclosedQuote, {}},
        {"columns past the limit", std::string(256, ',') + "x", ',', TableStatus::TooManyColumns, {}},
        {"rows past the limit", std::string(200000, '\n') + "x", ',', TableStatus::TooManyRows, {}},
        {"empty rows past the limit hold nothing", "x" + std::string(300000, '\n'), ',', TableStatus::Ok, {{"x"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CellTable table;
        EXPECT_EQ(ReadCsvTable(c.text, c.separator, table), c.status);
        EXPECT_EQ(RowsOf(table), c.rows);
    }
}

TEST(CsvTable, SeparatorOfTheFirstLines) {
    const struct {
        const char* text;
        char separator;
    } cases[] = {
        {"a,b,c\r\nd,e,f", ','},
        {"a;b;c\r\nd;e;f", ';'},
        {"a\tb\r\nc\td", '\t'},
        // A comma inside one name does not outvote a tab on every line.
        {"Li, Na\t1\r\nWang\t2", '\t'},
        {"\"a;b\",c\r\nd,e", ','},
        {"one column\r\nonly", ','},
        {"a;b\r\nno separators here", ';'},
        {"", ','},
    };
    for (const auto& c : cases) EXPECT_EQ(DetectCsvSeparator(c.text), c.separator) << c.text;
}

TEST(CsvTable, Encodings) {
    const std::string zhang = u8"张伟";  // GBK D5 C5 CE B0
    const struct {
        const char* what;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + zhang + ",1", zhang + ",1"},
        {"UTF-8 without", zhang + ",1", zhang + ",1"},
        {"GBK", "\xD5\xC5\xCE\xB0,1", zhang + ",1"},
        {"UTF-16 LE", std::string("\xFF\xFE\x20\x5F\x1F\x4F,\0", 8), zhang + ","},
        {"UTF-16 BE, a lone surrogate", std::string("\xFE\xFF\x5F\x20\xD8\x00\x00,", 8), u8"张\uFFFD,"},
        {"UTF-16 pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), u8"\U0001F600"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeRosterText(c.bytes, GbkToUtf8), c.text) << c.what;
}

// Cells set past the end of an earlier row move the rows after it; those
// set twice keep the later text; empty text sets nothing.
TEST(CellTable, CellsSetInAnyOrder) {
    CellTable table;
    const struct {
        std::size_t row, column;
        const char* text;
    } steps[] = {{2, 0, "c"}, {0, 1, "b"}, {2, 2, "e"}, {0, 0, "a"}, {1, 3, "d"}, {0, 1, "B"}, {0, 4, ""}, {3, 0, ""}};
    for (const auto& s : steps) SetCell(table, s.row, s.column, s.text);
    EXPECT_EQ(RowsOf(table), (Rows{{"a", "B"}, {"", "", "", "d"}, {"c", "", "e"}}));
    EXPECT_EQ(CellAt(table, 9, 9), "");
}

TEST(CsvTable, PastedCellsAreTabSeparated) {
    CellTable table;
    ASSERT_EQ(ReadPastedTable(u"\u59D3\u540D\t\u5B66\u53F7\r\nLi, Na\t1\r\n", table), TableStatus::Ok);
    EXPECT_EQ(RowsOf(table), (Rows{{u8"姓名", u8"学号"}, {"Li, Na", "1"}}));
}

}  // namespace
