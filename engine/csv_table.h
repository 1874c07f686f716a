#pragma once
// Rosters as text: .csv and .txt files and text pasted from a spreadsheet.
// Quoted fields may hold separators, doubled quotes and line breaks; a line
// break ends a row whether it is CR LF, LF or CR.
#include <string>
#include <string_view>

#include "engine/cell_table.h"

// A file's bytes as UTF-8: a UTF-8 or UTF-16 mark decides, unmarked strict
// UTF-8 is taken as it is, anything else is GBK and goes through `ansi`.
// UTF-16 units that pair with nothing become U+FFFD.
std::string DecodeRosterText(const std::string& bytes, const AnsiDecoder& ansi);

// UTF-16 (the clipboard's text) to UTF-8, a lone surrogate as U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units);

// The separator that the first lines use: tab, semicolon or comma, whichever
// each of them holds most consistently outside quotes; comma when none does.
char DetectCsvSeparator(std::string_view text);

// Splits text into rows of fields. A final line break adds no row.
TableStatus ReadCsvTable(std::string_view text, char separator, CellTable& table);

// Pasted text: always tab-separated, as spreadsheets copy cells.
TableStatus ReadPastedTable(const std::u16string& text, CellTable& table);
