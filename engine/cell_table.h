#pragma once
// A roster as read from a workbook sheet, a CSV file or pasted text: rows of
// cells, each cell's text in UTF-8 (kept whole, so a character with no GBK
// form still reaches the name file, which is UTF-8). Rows are numbered from
// the sheet's first row, so an empty row in the middle is an empty vector.
//
// Limits on what a user's file may ask of the program (a 32-bit process):
//   a file of more than kRosterFileLimit bytes is refused before it is read;
//   a workbook part that inflates past kRosterPartLimit is refused (a deflate
//     bomb costs that much memory at most);
//   a value past row kRosterRowLimit or column kRosterColumnLimit refuses the
//     whole table rather than cutting it short.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

const std::size_t kRosterFileLimit = 50u * 1024 * 1024;
const std::size_t kRosterPartLimit = 128u * 1024 * 1024;
const std::size_t kRosterRowLimit = 200000;  // a 100,000-name roster twice over, with its header
const std::size_t kRosterColumnLimit = 256;  // A..IV

struct CellTable {
    std::vector<std::vector<std::string>> rows;  // a row ends at its last value
};

enum class TableStatus {
    Ok,
    EmptyFile,       // zero bytes
    FileTooLarge,    // past kRosterFileLimit
    Damaged,         // cut short or inconsistent
    NotWorkbook,     // .xls, an encrypted workbook, a zip that holds no workbook
    PartTooLarge,    // a part inflates past kRosterPartLimit
    TooManyRows,     // a value past kRosterRowLimit
    TooManyColumns,  // a value past kRosterColumnLimit
    UnclosedQuote,   // a CSV quoted field that never ends
    NoSheet,         // a workbook with no worksheet
};

// GBK bytes to UTF-8. The program passes the system's converter (code page
// 936); a byte sequence it cannot map becomes U+FFFD there.
using AnsiDecoder = std::function<std::string(const std::string&)>;

// The cell or "" when the row is shorter.
inline const std::string& CellAt(const CellTable& table, std::size_t row, std::size_t column) {
    static const std::string empty;
    if (row >= table.rows.size() || column >= table.rows[row].size()) return empty;
    return table.rows[row][column];
}

// Sets a cell, growing the row. Empty text sets nothing, so a row always
// ends at a value, also where a sheet names one cell twice.
inline void SetCell(CellTable& table, std::size_t row, std::size_t column, std::string text) {
    if (text.empty()) return;
    if (row >= table.rows.size()) table.rows.resize(row + 1);
    std::vector<std::string>& cells = table.rows[row];
    // Growing a row one cell at a time moved its strings twice for three columns.
    if (cells.capacity() == 0) cells.reserve(std::max<std::size_t>(column + 1, 4));
    if (column >= cells.size()) cells.resize(column + 1);
    cells[column] = std::move(text);
}
