#include "engine/roster.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/gbk_decoder.h"
#include "tests/support/zip_writer.h"
#include "tests/support/cell_rows.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

CellTable TableOf(const Rows& rows) { return TableOfRows(rows); }

TEST(Roster, DefaultColumns) {
    const struct {
        const char* what;
        Rows rows;
        bool header;
        std::size_t firstRow;
        int name, number, department;
    } cases[] = {
        {"headings in any order", {{u8"学号", u8"班级", u8"姓名"}, {"1", "2", "a"}}, true, 0, 2, 0, 1},
        {"English headings, case ignored, blanks trimmed", {{" ID ", "NAME", "dept"}}, true, 0, 1, 0, 2},
        {"Class and 工号", {{u8"工号", "Name", "Class"}}, true, 0, 1, 0, 2},
        {"a number heading alone still makes a header; name is the first text column",
         {{u8"考号", u8"学生"}, {"1", u8"张伟"}}, true, 0, 1, 0, kNoColumn},
        {"no header: the first column holding text", {{"1", "a"}, {"2", "b"}}, false, 0, 1, kNoColumn, kNoColumn},
        {"leading empty rows are passed over", {{}, {"", " "}, {u8"名字"}, {"x"}}, true, 2, 0, kNoColumn, kNoColumn},
        {"numbers only: no name column", {{"1"}, {"2"}}, false, 0, kNoColumn, kNoColumn, kNoColumn},
        {"empty table", {}, false, 0, kNoColumn, kNoColumn, kNoColumn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RosterColumns columns = GuessRosterColumns(TableOf(c.rows));
        EXPECT_EQ(columns.header, c.header);
        EXPECT_EQ(columns.firstRow, c.firstRow);
        EXPECT_EQ(columns.name, c.name);
        EXPECT_EQ(columns.number, c.number);
        EXPECT_EQ(columns.department, c.department);
    }
}

TEST(Roster, PlanSummaryAndFile) {
    const CellTable table = TableOf({
        {u8"姓名", u8"学号", u8"班级"},
        {u8"张伟", "2023017", u8"三年二班"},
        {},
        {u8"　", "9"},                          // an ideographic space is no name
        {u8"李\t娜", "2023018"},                 // a tab inside a cell
        {u8"王五", "2023017", u8"三年一班"},     // duplicate number: the first stays
        {u8"赵六", "", u8"三年一班"},
        {u8"钱七\r\n（转学）"},
    });
    const RosterColumns columns = GuessRosterColumns(table);
    const RosterPlan plan = PlanRoster(table, columns);
    EXPECT_EQ(plan.rows, (std::vector<std::size_t>{1, 4, 6, 7}));
    EXPECT_EQ(plan.emptyRows, 2u);
    EXPECT_EQ(plan.duplicateRows, 1u);
    EXPECT_EQ(RosterSummary(plan), "共 4 人；跳过空行 2 行、重复学号 1 行");
    EXPECT_EQ(RosterFileBytes(table, columns, plan), std::string("\xEF\xBB\xBF") + u8"张伟\t2023017\t三年二班\r\n李 娜\t2023018\r\n"
                                                                       u8"赵六\t\t三年一班\r\n钱七  （转学）");
    EXPECT_EQ(RosterColumnChoices(table, columns),
              (std::vector<std::string>{u8"（无）", u8"A 姓名", u8"B 学号", u8"C 班级"}));

    // Chosen by hand: no number column, so nothing is a duplicate.
    RosterColumns byHand = columns;
    byHand.number = kNoColumn;
    byHand.department = kNoColumn;
    const RosterPlan names = PlanRoster(table, byHand);
    EXPECT_EQ(RosterSummary(names), "共 5 人；跳过空行 2 行");
    EXPECT_EQ(RosterFileBytes(table, byHand, names).substr(3, 8), u8"张伟\r\n");
    EXPECT_EQ(RosterFileBytes(table, RosterColumns{}, PlanRoster(table, RosterColumns{})), "");
    // A name of control characters alone is no name either.
    const CellTable controls = TableOf({{"\x01\x02"}, {"\x7F"}, {"a\x01"}});
    const RosterPlan control = PlanRoster(controls, GuessRosterColumns(controls));
    EXPECT_EQ(control.rows, (std::vector<std::size_t>{2}));
    EXPECT_EQ(RosterFileBytes(controls, GuessRosterColumns(controls), control), "\xEF\xBB\xBF" "a");
    // Bytes that are no UTF-8 (a marked file that lied) reach the file as U+FFFD.
    const CellTable broken = TableOf({{"Li\xFFNa\xE5\xBC"}, {u8"张伟\xED\xA0\x80"}});
    EXPECT_EQ(RosterFileBytes(broken, GuessRosterColumns(broken), PlanRoster(broken, GuessRosterColumns(broken))),
              u8"\uFEFFLi\uFFFDNa\uFFFD\uFFFD\r\n张伟\uFFFD\uFFFD\uFFFD");
}

TEST(Roster, TheNumberWordFollowsItsHeading) {
    const struct {
        Rows rows;
        const char* summary;
    } cases[] = {
        {{{"Name", u8"工号"}, {"a", "1"}, {"b", "1"}}, "共 1 人；跳过重复工号 1 行"},
        {{{"Name", "ID"}, {"a", "1"}, {"b", "1"}}, "共 1 人；跳过重复编号 1 行"},
        {{{"Name", u8"考号"}, {"a", "1"}, {"b", "2"}}, "共 2 人"},
    };
    for (const auto& c : cases) {
        const CellTable table = TableOf(c.rows);
        EXPECT_EQ(RosterSummary(PlanRoster(table, GuessRosterColumns(table))), c.summary);
    }
}

TEST(Roster, UniqueFileNames) {
    const std::vector<std::string> existing{"三年二班.txt", "abc.TXT", "abc (2).txt", "名单.txt"};
    const struct {
        std::string stem;
        const char* name;
    } cases[] = {
        {"三年二班", "三年二班 (2).txt"},
        {"ABC", "ABC (3).txt"},
        {"新名单", "新名单.txt"},
        {"a:b*c?", "a_b_c_.txt"},
        {" .. ", "粘贴名单.txt"},
        {"con", "con_.txt"},
        {"\xB1\x5C", "\xB1\x5C.txt"},  // a GBK character whose trail byte is '\'
        {std::string(300, 'x'), nullptr},
    };
    for (const auto& c : cases) {
        const std::string name = UniqueRosterFileName(c.stem, existing);
        if (c.name) {
            EXPECT_EQ(name, c.name);
        } else {
            EXPECT_EQ(name, std::string(100, 'x') + ".txt");
        }
    }
}

TEST(Roster, FilesThatCannotBeImported) {
    const struct {
        const char* path;
        std::string bytes;
        TableStatus status;
    } cases[] = {
        {"C:\\a\\empty.csv", "", TableStatus::EmptyFile},
        {"C:\\a\\old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(512, '\0'), TableStatus::NotWorkbook},
        {"C:\\a\\locked.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(512, '\0'), TableStatus::NotWorkbook},
        {"C:\\a\\page.xls", "<html><table><tr><td>x</td></tr></table></html>", TableStatus::NotWorkbook},
        {"C:\\a\\other.zip", WriteZip({{"a.txt", "x"}}), TableStatus::NotWorkbook},
        {"C:\\a\\cut.xlsx", WriteXlsx({{"s", "<sheetData/>"}}, {}).substr(0, 200), TableStatus::Damaged},
        {"C:\\a\\big.csv", std::string(kRosterFileLimit + 1, 'x'), TableStatus::FileTooLarge},
        {"C:\\a\\quote.csv", "\"a", TableStatus::UnclosedQuote},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const RosterSource source = OpenRosterFile(c.path, c.bytes, GbkToUtf8);
        EXPECT_EQ(source.status, c.status);
        EXPECT_EQ(source.message, TableStatusMessage(c.status));
        EXPECT_FALSE(source.message.empty());
        EXPECT_EQ(RowCount(source.table), 0u);
    }
    EXPECT_NE(TableStatusMessage(TableStatus::NotWorkbook).find("请在 Excel 中另存为 .xlsx 或 .csv 后再导入"), std::string::npos);
}

std::string ReadFixture(const char* name) {
    std::ifstream file(std::string(TOBRIX_ROSTER_FIXTURES) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The committed files that the end-to-end tests import too, read whole.
TEST(Roster, CommittedFixtures) {
    const struct {
        const char* file;
        const char* summary;
        const char* firstLines;
        std::size_t sheets;
    } cases[] = {
        {"class_roster.xlsx", "共 5 人；跳过空行 1 行、重复学号 1 行",
         u8"张伟\t2023017\t三年二班\r\n李娜\t2023018\t三年二班\r\n王芳\t2023019\t三年二班", 2},
        {"roster_gbk.csv", "共 3 人；跳过重复工号 1 行", u8"张伟\t1001\t销售部\r\n李娜\t1002\t研发部", 0},
        {"roster_utf8_quoted.csv", "共 3 人", u8"Li, Na\t1\t\"A\" 组\r\n张伟  （组长）\t2", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        RosterSource source = OpenRosterFile(std::string("C:\\data\\") + c.file, ReadFixture(c.file), GbkToUtf8);
        ASSERT_EQ(source.status, TableStatus::Ok) << source.message;
        EXPECT_EQ(source.book.sheetNames.size(), c.sheets);
        const RosterColumns columns = GuessRosterColumns(source.table);
        const RosterPlan plan = PlanRoster(source.table, columns);
        EXPECT_EQ(RosterSummary(plan), c.summary);
        EXPECT_EQ(RosterFileBytes(source.table, columns, plan).substr(3, std::string(c.firstLines).size()), c.firstLines);
    }
    RosterSource book = OpenRosterFile("class_roster.xlsx", ReadFixture("class_roster.xlsx"), GbkToUtf8);
    EXPECT_EQ(book.fileStem, "class_roster");
    SelectRosterSheet(book, 1);
    ASSERT_EQ(book.status, TableStatus::Ok);
    EXPECT_EQ(RowsOf(book.table), (Rows{{"Name", "Birthday"}, {"Ann", "2015-03-08"}}));
}

// Many repeats of a few numbers, among them the same number with blanks:
// the first row of each stays, in the order of the table.
TEST(Roster, DuplicatesAmongManyRows) {
    Rows rows{{"Name", "ID"}};
    for (int i = 0; i < 50000; ++i) rows.push_back({"n" + std::to_string(i), (i % 7 ? "" : " ") + std::to_string(i % 1000)});
    const CellTable table = TableOf(rows);
    const RosterPlan plan = PlanRoster(table, GuessRosterColumns(table));
    ASSERT_EQ(plan.rows.size(), 1000u);
    EXPECT_EQ(plan.duplicateRows, 49000u);
    for (std::size_t i = 0; i < plan.rows.size(); ++i) ASSERT_EQ(plan.rows[i], i + 1);
}

// Numbers of every length up to 40 that differ from each other in one byte,
// each twice (once with a blank): the duplicate check hashes them a word at
// a time and keeps part of the hash, and only the numbers themselves may
// decide that two rows are one person.
TEST(Roster, NumbersDifferingInOneByteAreDifferentPeople) {
    Rows rows{{"Name", "ID"}};
    std::size_t people = 0;
    for (std::size_t length = 1; length <= 40; ++length)
        for (std::size_t at = 0; at <= length; ++at) {
            std::string number(length, '7');
            if (at < length) number[at] = '3';  // and once as it is
            rows.push_back({"first", number});
            rows.push_back({"again", " " + number});
            ++people;
        }
    const CellTable table = TableOf(rows);
    const RosterPlan plan = PlanRoster(table, GuessRosterColumns(table));
    EXPECT_EQ(plan.rows.size(), people);
    EXPECT_EQ(plan.duplicateRows, people);
    for (std::size_t i = 0; i < plan.rows.size(); ++i) ASSERT_EQ(CellAt(table, plan.rows[i], 0), "first");
}

TEST(Roster, TypedFileNamesAreRefusedForWhatAFileCannotHold) {
    const struct {
        std::string name;
        bool usable;
    } cases[] = {
        {"\xB0\xE0\xBC\xB6.txt", true},       // 班级
        {"\xD5\x5C\xC1\x7C.txt", true},       // trail bytes that read as '\' and '|' alone
        {"a b.txt", true},
        {"a\\b.txt", false}, {"a/b.txt", false}, {"a:b.txt", false}, {"a*.txt", false},
        {"a?.txt", false}, {"\"a\".txt", false}, {"<a>.txt", false}, {"a|b.txt", false},
        {"a\tb.txt", false}, {".txt", false}, {"", false}, {"a .txt", false}, {" a.txt", false},
        {"a..txt", false}, {"con.txt", false}, {"LPT1.txt", false}, {"console.txt", true},
        {std::string(100, 'x') + ".txt", true}, {std::string(101, 'x') + ".txt", false},
    };
    for (const auto& c : cases) EXPECT_EQ(RosterFileNameProblem(c.name).empty(), c.usable) << c.name;
}

}  // namespace
