#pragma once
// A roster as read from a workbook sheet, a CSV file or pasted text: rows of
// cells, each cell's text in UTF-8 (kept whole, so a character with no GBK
// form still reaches the name file, which is UTF-8). Rows are numbered from
// the sheet's first row, so an empty row in the middle is a row of no cells.
//
// Limits on what a user's file may ask of the program (a 32-bit process):
//   a file of more than kRosterFileLimit bytes is refused before it is read;
//   a workbook part that inflates past kRosterPartLimit is refused (a deflate
//     bomb costs that much memory at most);
//   a value past row kRosterRowLimit or column kRosterColumnLimit refuses the
//     whole table rather than cutting it short.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

const std::size_t kRosterFileLimit = 50u * 1024 * 1024;
const std::size_t kRosterPartLimit = 128u * 1024 * 1024;
const std::size_t kRosterRowLimit = 200000;  // a 100,000-name roster twice over, with its header
const std::size_t kRosterColumnLimit = 256;  // A..IV

// A cell's bytes in CellTable::text. Several cells may share the same bytes
// (a shared string, a merged range).
struct CellSpan {
    uint32_t at = 0;
    uint32_t size = 0;
};

// One arena of text and a span a cell, row by row: a row of strings each was
// a heap block a row and 32 bytes a cell, and in a fresh process the memory
// alone cost more than reading the file. The limits above keep every offset
// within 32 bits.
struct CellTable {
    std::string text;              // the cells' bytes, in no particular order
    std::vector<CellSpan> cells;   // each row's cells side by side, up to its last value
    std::vector<uint32_t> rowEnds; // one past each row's last cell in `cells`
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

inline std::size_t RowCount(const CellTable& table) { return table.rowEnds.size(); }

inline std::size_t RowStart(const CellTable& table, std::size_t row) { return row == 0 ? 0 : table.rowEnds[row - 1]; }

// The cells in a row, up to its last value; 0 past the last row.
inline std::size_t RowWidth(const CellTable& table, std::size_t row) {
    return row < table.rowEnds.size() ? table.rowEnds[row] - RowStart(table, row) : 0;
}

// The cell or "" when the row is shorter.
inline std::string_view CellAt(const CellTable& table, std::size_t row, std::size_t column) {
    if (column >= RowWidth(table, row)) return std::string_view();
    const CellSpan span = table.cells[RowStart(table, row) + column];
    return std::string_view(table.text).substr(span.at, span.size);
}

inline void ClearTable(CellTable& table) {
    table.text.clear();
    table.cells.clear();
    table.rowEnds.clear();
}

// Places bytes already in the table's text. An empty span sets nothing, so a
// row always ends at a value, also where a sheet names one cell twice.
// In order (a later row, or further along the last row) this is constant
// time; a cell past the end of an earlier row moves every cell after it.
inline void SetCellSpan(CellTable& table, std::size_t row, std::size_t column, CellSpan span) {
    if (span.size == 0) return;
    while (table.rowEnds.size() <= row) table.rowEnds.push_back(static_cast<uint32_t>(table.cells.size()));
    const std::size_t start = RowStart(table, row), width = table.rowEnds[row] - start;
    if (column >= width) {
        const std::size_t grow = column + 1 - width;
        if (row + 1 == table.rowEnds.size()) table.cells.resize(table.cells.size() + grow);
        else table.cells.insert(table.cells.begin() + static_cast<std::ptrdiff_t>(start + width), grow, CellSpan());
        for (std::size_t r = row; r < table.rowEnds.size(); ++r) table.rowEnds[r] += static_cast<uint32_t>(grow);
    }
    table.cells[start + column] = span;
}

// Sets a cell, growing the row. Empty text sets nothing.
inline void SetCell(CellTable& table, std::size_t row, std::size_t column, std::string_view text) {
    if (text.empty()) return;
    const CellSpan span{static_cast<uint32_t>(table.text.size()), static_cast<uint32_t>(text.size())};
    table.text.append(text.data(), text.size());
    SetCellSpan(table, row, column, span);
}
