#pragma once
// Importing a roster (a workbook sheet, a CSV file, pasted cells) as a name
// file: which columns hold the name, the number and the department, which
// rows become names, what the preview says about it, and the name file's
// bytes. Writing them to disk is the caller's part.
//
// Texts: cells, sheet names and column labels are UTF-8 (the name file is
// UTF-8, so nothing is lost on the way); the messages and the summary are the
// program's own GBK text. Limits: engine/cell_table.h.
#include <cstddef>
#include <string>
#include <vector>

#include "engine/cell_table.h"
#include "engine/xlsx_sheet.h"

// What the preview shows: the source's table and, for a workbook, its sheets.
struct RosterSource {
    TableStatus status = TableStatus::Ok;
    std::string message;                  // GBK; empty when status is Ok
    bool workbook = false;
    XlsxBook book;                        // kept, to read another sheet
    std::size_t sheet = 0;
    CellTable table;
    std::string fileStem;                 // the default name file's name, GBK, no ".txt"
};

// A file's bytes, by what they are rather than the name's extension: a zip
// is read as a workbook, an OLE file (.xls, an encrypted workbook) is
// refused, anything else is CSV text. `path` is the ANSI path the user chose.
RosterSource OpenRosterFile(const std::string& path, std::string bytes, const AnsiDecoder& ansi);

// Another sheet of the same workbook.
void SelectRosterSheet(RosterSource& source, std::size_t sheet);

// Text from the clipboard, as a tab-separated table.
RosterSource OpenPastedRoster(const std::u16string& text);

// The program's message for a status ("" for Ok), GBK.
std::string TableStatusMessage(TableStatus status);

// Columns are indexes into the rows; kNoColumn is "（无）".
const int kNoColumn = -1;

struct RosterColumns {
    bool header = false;         // the first row with a value is a header
    std::size_t firstRow = 0;    // that row (data starts after it when header)
    int name = kNoColumn;
    int number = kNoColumn;
    int department = kNoColumn;
};

// The defaults: a first row holding 姓名, 名字 or Name is a header; the name
// column is the one so headed, else the first column holding text that is not
// a number; the number column 学号, 工号, 编号, 考号 or ID; the department
// column 部门, 班级, 小组, 组别, Class or Dept. ASCII case is ignored.
RosterColumns GuessRosterColumns(const CellTable& table);

// What the column choices list: "（无）" first, then each column as its
// letter and, with a header, its heading ("B 学号"). UTF-8. Choice i is
// column i - 1.
std::vector<std::string> RosterColumnChoices(const CellTable& table, const RosterColumns& columns);

struct RosterPerson {
    std::string name, number, department;  // UTF-8, one line each, trimmed
};

// The rows that become names, by index into the table; the people's texts
// are read from the table when they are needed, so that a plan for 100,000
// rows costs 8 bytes a row rather than a copy of them.
struct RosterPlan {
    std::vector<std::size_t> rows;
    std::size_t emptyRows = 0;      // no name (rows after the last value do not count)
    std::size_t duplicateRows = 0;  // a number already seen: the first row stays
    std::string numberWord;         // GBK: 学号, 工号, 编号 or 考号, after the number column's heading
};

// Which rows become names. A row without a name is skipped as empty; a row
// whose number (blanks trimmed) an earlier row has is skipped as a duplicate.
RosterPlan PlanRoster(const CellTable& table, const RosterColumns& columns);

// One row's person. Tabs, line breaks and other control characters inside a
// cell become spaces, so a cell cannot break the file's lines or fields;
// blanks (also U+3000, U+00A0 and U+FEFF) are trimmed at both ends.
RosterPerson RosterPersonAt(const CellTable& table, const RosterColumns& columns, std::size_t row);

// "共 120 人；跳过空行 2 行、重复学号 1 行", leaving out counts of 0; GBK.
std::string RosterSummary(const RosterPlan& plan);

// The name file: UTF-8 with a byte-order mark, one person a line as
// name[TAB number[TAB department]] (empty trailing fields left out, an empty
// number kept before a department), CR LF between lines and none after the
// last. An empty plan gives "": there is nothing to write.
std::string RosterFileBytes(const CellTable& table, const RosterColumns& columns, const RosterPlan& plan);

// "<stem>.txt", or "<stem> (2).txt" and so on when that name is among
// `existing` (compared as Windows does, ASCII case ignored). Characters that
// a file name cannot hold become '_'; an empty stem is "粘贴名单". GBK.
std::string UniqueRosterFileName(const std::string& stem, const std::vector<std::string>& existing);

// A name the user typed for the name file (GBK, ".txt" included): "" when a
// file may have it, else why not (GBK). Read character by character, so the
// second byte of a Chinese character is never taken for '\' or '|'.
std::string RosterFileNameProblem(const std::string& name);
