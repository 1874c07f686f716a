#pragma once
// Cell tables as rows of strings, for tests to write and compare whole.
// Never linked into the program.
#include <string>
#include <vector>

#include "engine/cell_table.h"

using CellRows = std::vector<std::vector<std::string>>;

inline CellRows RowsOf(const CellTable& table) {
    CellRows rows(RowCount(table));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < RowWidth(table, r); ++c) rows[r].emplace_back(CellAt(table, r, c));
    return rows;
}

// Every row is kept, also an empty last one; a row's empty cells are set as
// nothing, so only trailing ones are lost.
inline CellTable TableOfRows(const CellRows& rows) {
    CellTable table;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) SetCell(table, r, c, rows[r][c]);
        while (RowCount(table) <= r) table.rowEnds.push_back(static_cast<uint32_t>(table.cells.size()));
    }
    return table;
}
