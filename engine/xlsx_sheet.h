#pragma once
// Reading the cells of an .xlsx workbook held in memory: the zip directory,
// the workbook's sheet list, its shared strings and date styles, and one
// worksheet's cells as text (engine/cell_table.h has the limits). Numbers
// read as Excel shows whole numbers (2023017, not 2.023017E6; others with up
// to 15 significant digits); a number in a date style reads as yyyy-mm-dd
// (with hh:mm when it has a time of day), so a birthday column stays legible.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cell_table.h"
#include "engine/zip_directory.h"

struct XlsxBook {
    std::string archive;
    std::vector<ZipEntry> entries;
    std::vector<std::string> sheetNames;  // UTF-8, in the workbook's order
    std::vector<std::string> sheetParts;  // the zip entry of each sheet
    std::vector<std::string> sharedStrings;
    std::vector<bool> dateStyles;         // by cell style index (s="...")
    bool date1904 = false;
};

// Reads the directory, the sheet list, shared strings and styles.
TableStatus OpenXlsxBook(std::string archive, XlsxBook& book);

// One sheet's cells.
TableStatus ReadXlsxSheet(const XlsxBook& book, std::size_t sheet, CellTable& table);

// The parts, one by one (the fuzzers reach them directly).

struct WorkbookSheet {
    std::string name;
    std::string relationId;
};
void ParseWorkbookXml(std::string_view xml, std::vector<WorkbookSheet>& sheets, bool& date1904);
// Relationship ids to targets, as written.
std::map<std::string, std::string> ParseRelationships(std::string_view xml);
// The string items in order; a rich-text item's runs joined, phonetic runs left out.
// `generalOnly` as in SheetContext.
void ParseSharedStrings(std::string_view xml, std::vector<std::string>& strings, bool generalOnly = false);
// For each cell style, whether its number format shows a date.
void ParseDateStyles(std::string_view xml, std::vector<bool>& dateStyles);

struct SheetContext {
    const std::vector<std::string>* sharedStrings = nullptr;
    const std::vector<bool>* dateStyles = nullptr;
    bool date1904 = false;
    // Every tag through the general reader, none through the shortcut for
    // the cells Excel writes (the tests and the fuzzer compare the two).
    bool generalOnly = false;
};
TableStatus ParseSheetXml(std::string_view xml, const SheetContext& context, CellTable& table);

// A number cell's text: whole numbers in full, others to 15 digits, dates as
// yyyy-mm-dd [hh:mm[:ss]]. Text that is no number is returned as it is.
std::string FormatCellNumber(const std::string& value, bool dateStyle, bool date1904);
