#include "engine/roster.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/csv_table.h"
#include "runtime/unicode_text.h"

namespace {

// Headings, as the cells hold them (UTF-8).
const char* const kNameHeadings[] = {u8"姓名", u8"名字", "name"};
const char* const kNumberHeadings[] = {u8"学号", u8"工号", u8"编号", u8"考号", "id"};
const char* const kDepartmentHeadings[] = {u8"部门", u8"班级", u8"小组", u8"组别", "class", "dept"};

// The number column's word in the summary (GBK), for each number heading;
// "ID" and a column without a heading say 编号.
const char* const kNumberWords[] = {"学号", "工号", "编号", "考号", "编号"};

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Blanks at either end of a cell: spaces and control characters, U+00A0,
// U+3000, U+FEFF.
std::size_t BlankAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned c = byte(at);
    if (c <= 0x20 || c == 0x7F) return 1;
    if (c == 0xC2 && byte(at + 1) == 0xA0) return 2;
    if ((c == 0xE3 && byte(at + 1) == 0x80 && byte(at + 2) == 0x80) ||
        (c == 0xEF && byte(at + 1) == 0xBB && byte(at + 2) == 0xBF))
        return 3;
    return 0;
}

std::size_t BlankBefore(std::string_view text, std::size_t end) {
    const auto byte = [&](std::size_t back) {
        return back <= end ? static_cast<unsigned char>(text[end - back]) : 0u;
    };
    const unsigned c = byte(1);
    if (c <= 0x20 || c == 0x7F) return 1;
    if (c == 0xA0 && byte(2) == 0xC2) return 2;
    if ((c == 0x80 && byte(2) == 0x80 && byte(3) == 0xE3) || (c == 0xBF && byte(2) == 0xBB && byte(3) == 0xEF))
        return 3;
    return 0;
}

// The bytes as well-formed UTF-8: each byte of a broken sequence becomes
// U+FFFD. The name file says it is UTF-8, and a file or a part that merely
// claimed to be must not make it lie.
std::string WellFormedUtf8(std::string_view bytes) {
    std::string out;
    std::u16string units;
    for (std::size_t at = 0; at < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (at + length <= bytes.size() && (length == 1 || DecodeStrictUtf8(bytes.data() + at, length, units))) {
            out.append(bytes.data() + at, length);
            at += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++at;
        }
    }
    return out;
}

// One line, one field of well-formed UTF-8: control characters become
// spaces, blanks trimmed.
std::string CleanCell(std::string_view cell) {
    // Most cells need nothing done.
    const auto plain = [](char c) { return static_cast<unsigned char>(c) > 0x20 && c != 0x7F; };
    const bool ascii = std::all_of(cell.begin(), cell.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string text = ascii ? std::string(cell) : WellFormedUtf8(cell);
    if (text.empty() || (std::all_of(text.begin(), text.end(), plain) && BlankAt(text, 0) == 0 &&
                         BlankBefore(text, text.size()) == 0))
        return text;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    std::size_t begin = 0, end = text.size();
    for (std::size_t n; begin < end && (n = BlankAt(text, begin)) != 0;) begin += n;
    for (std::size_t n; end > begin && (n = BlankBefore(text, end)) != 0;) end -= n;
    return text.substr(begin, end - begin);
}

// The cell with blanks trimmed, without copying it; control characters
// inside stay (they only matter to the file, where CleanCell turns them to spaces).
std::string_view TrimmedCell(std::string_view cell) {
    std::size_t begin = 0, end = cell.size();
    for (std::size_t n; begin < end && (n = BlankAt(cell, begin)) != 0;) begin += n;
    for (std::size_t n; end > begin && (n = BlankBefore(cell, end)) != 0;) end -= n;
    return cell.substr(begin, end - begin);
}

// The index of the heading in `headings` that the cell is, or -1.
template <std::size_t N>
int HeadingIndex(std::string_view cell, const char* const (&headings)[N]) {
    std::string text = CleanCell(cell);
    std::transform(text.begin(), text.end(), text.begin(), FoldAscii);
    for (std::size_t i = 0; i < N; ++i)
        if (text == headings[i]) return static_cast<int>(i);
    return -1;
}

bool IsNumberText(const std::string& text) {
    bool digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') digit = true;
        else if (!(c == '.' || ((c == '-' || c == '+') && i == 0))) return false;
    }
    return digit;
}

std::string ColumnLetters(std::size_t column) {
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

std::size_t TableWidth(const CellTable& table) {
    std::size_t width = 0;
    for (std::size_t r = 0; r < RowCount(table); ++r) width = std::max(width, RowWidth(table, r));
    return width;
}

// The bytes of a GBK path after its last separator; a trail byte may be '\\'.
std::string FileNameOf(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
        else if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
    }
    return path.substr(start);
}

std::string StemOf(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');  // '.' is never a GBK trail byte
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string FoldGbk(const std::string& text) {
    std::string folded = text;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(folded[i])) && i + 1 < folded.size()) ++i;
        else folded[i] = FoldAscii(folded[i]);
    }
    return folded;
}

bool HasExtension(const std::string& fileName, const char* extension) {
    const std::string folded = FoldGbk(fileName);
    const std::size_t length = std::char_traits<char>::length(extension);
    return folded.size() >= length && folded.compare(folded.size() - length, length, extension) == 0;
}

}  // namespace

std::string TableStatusMessage(TableStatus status) {
    switch (status) {
    case TableStatus::Ok: return std::string();
    case TableStatus::EmptyFile: return "文件是空的，没有可导入的内容。";
    case TableStatus::FileTooLarge: return "文件超过 50 MB，不能导入。";
    case TableStatus::Damaged: return "文件不完整或已损坏，不能导入。";
    case TableStatus::NotWorkbook:
        return "不能直接读取这个文件（旧版 .xls、加密的工作簿或其他格式）。\r\n"
               "请在 Excel 中另存为 .xlsx 或 .csv 后再导入";
    case TableStatus::PartTooLarge: return "工作表解压后超过 128 MB，不能导入。";
    case TableStatus::TooManyRows: return "名单超过 200000 行，不能导入。";
    case TableStatus::TooManyColumns: return "表格超过 256 列，不能导入。";
    case TableStatus::UnclosedQuote: return "文件中有一个以引号开头的栏目没有结束的引号，不能导入。";
    case TableStatus::NoSheet: return "工作簿中没有工作表。";
    }
    return "不能导入。";
}

RosterSource OpenRosterFile(const std::string& path, std::string bytes, const AnsiDecoder& ansi) {
    RosterSource source;
    const std::string fileName = FileNameOf(path);
    source.fileStem = StemOf(fileName);
    auto fail = [&](TableStatus status) {
        source.status = status;
        source.message = TableStatusMessage(status);
        ClearTable(source.table);
        return source;
    };
    if (bytes.empty()) return fail(TableStatus::EmptyFile);
    if (bytes.size() > kRosterFileLimit) return fail(TableStatus::FileTooLarge);
    if (bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0) return fail(TableStatus::NotWorkbook);
    if (bytes.compare(0, 2, "PK") == 0) {
        source.workbook = true;
        const TableStatus status = OpenXlsxBook(std::move(bytes), source.book);
        if (status != TableStatus::Ok) return fail(status);
        SelectRosterSheet(source, 0);
        return source;
    }
    // A spreadsheet's name on something that is neither zip nor text we can
    // trust (an HTML page saved as .xls) would come out as rubbish.
    for (const char* extension : {".xls", ".xlsx", ".xlsm", ".xlsb", ".et", ".ods"})
        if (HasExtension(fileName, extension)) return fail(TableStatus::NotWorkbook);
    // UTF-8, the usual case, is read where it lies: a copy of a 3 MB file
    // was a fifth of reading it.
    const UnicodeForm form = DetectUnicodeForm(bytes);
    std::string decoded;
    std::string_view text = bytes;
    if (form == UnicodeForm::Utf8 || form == UnicodeForm::Utf8Marked) text.remove_prefix(UnicodeMarkLength(form));
    else text = decoded = DecodeRosterText(bytes, ansi);
    const TableStatus status = ReadCsvTable(text, DetectCsvSeparator(text), source.table);
    if (status != TableStatus::Ok) return fail(status);
    return source;
}

void SelectRosterSheet(RosterSource& source, std::size_t sheet) {
    source.sheet = sheet;
    source.status = ReadXlsxSheet(source.book, sheet, source.table);
    source.message = TableStatusMessage(source.status);
}

RosterSource OpenPastedRoster(const std::u16string& text) {
    RosterSource source;
    source.fileStem = "粘贴名单";
    source.status = ReadPastedTable(text, source.table);
    source.message = TableStatusMessage(source.status);
    return source;
}

RosterColumns GuessRosterColumns(const CellTable& table) {
    RosterColumns columns;
    std::size_t first = 0;
    const auto blankRow = [&](std::size_t r) {
        for (std::size_t c = 0; c < RowWidth(table, r); ++c)
            if (!CleanCell(CellAt(table, r, c)).empty()) return false;
        return true;
    };
    while (first < RowCount(table) && blankRow(first)) ++first;
    if (first >= RowCount(table)) return columns;
    columns.firstRow = first;
    for (std::size_t c = 0; c < RowWidth(table, first); ++c) {
        const int column = static_cast<int>(c);
        const std::string_view heading = CellAt(table, first, c);
        if (HeadingIndex(heading, kNameHeadings) >= 0 && columns.name == kNoColumn) columns.name = column;
        if (HeadingIndex(heading, kNumberHeadings) >= 0 && columns.number == kNoColumn) columns.number = column;
        if (HeadingIndex(heading, kDepartmentHeadings) >= 0 && columns.department == kNoColumn)
            columns.department = column;
    }
    columns.header = columns.name != kNoColumn || columns.number != kNoColumn || columns.department != kNoColumn;
    if (columns.name != kNoColumn) return columns;
    // The first column, not taken by another, that holds text other than numbers.
    const std::size_t width = TableWidth(table);
    for (std::size_t c = 0; c < width && columns.name == kNoColumn; ++c) {
        if (static_cast<int>(c) == columns.number || static_cast<int>(c) == columns.department) continue;
        for (std::size_t r = first + (columns.header ? 1 : 0); r < RowCount(table); ++r) {
            const std::string text = CleanCell(CellAt(table, r, c));
            if (!text.empty() && !IsNumberText(text)) {
                columns.name = static_cast<int>(c);
                break;
            }
        }
    }
    return columns;
}

std::vector<std::string> RosterColumnChoices(const CellTable& table, const RosterColumns& columns) {
    std::vector<std::string> choices{u8"（无）"};
    const std::size_t width = TableWidth(table);
    for (std::size_t c = 0; c < width; ++c) {
        std::string label = ColumnLetters(c);
        const std::string heading = columns.header ? CleanCell(CellAt(table, columns.firstRow, c)) : std::string();
        if (!heading.empty()) label += " " + heading;
        choices.push_back(label);
    }
    return choices;
}

namespace {

// A number's hash, eight bytes a step (a byte a step was a fifth of planning
// 10,000 rows). `key` varies from call to call.
uint64_t HashNumber(std::string_view text, uint64_t key) {
    const char* const p = text.data();
    const std::size_t size = text.size();
    const auto load = [](const char* at, std::size_t bytes) {
        uint64_t word = 0;
        std::memcpy(&word, at, bytes);
        return word;
    };
    uint64_t hash = key ^ size;
    const auto mix = [&hash](uint64_t word) {
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    };
    if (size >= 8) {
        for (std::size_t at = 0; at + 8 <= size; at += 8) mix(load(p + at, 8));
        if (size % 8 != 0) mix(load(p + size - 8, 8));  // the last bytes again, with some before them
    } else if (size >= 4) {
        mix(load(p, 4) | load(p + size - 4, 4) << 32);
    } else if (size > 0) {
        mix(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[size / 2]) << 8 |
            static_cast<uint64_t>(static_cast<unsigned char>(p[size - 1])) << 16);
    }
    return hash * 0xBF58476D1CE4E5B9ull;
}

}  // namespace

RosterPlan PlanRoster(const CellTable& table, const RosterColumns& columns) {
    RosterPlan plan;
    const int wordIndex =
        columns.header && columns.number != kNoColumn
            ? HeadingIndex(CellAt(table, columns.firstRow, static_cast<std::size_t>(columns.number)), kNumberHeadings)
            : -1;
    plan.numberWord = kNumberWords[wordIndex >= 0 ? wordIndex : 2];
    if (columns.name == kNoColumn) return plan;
    const std::size_t first = columns.firstRow + (columns.header ? 1 : 0);
    const std::size_t nameColumn = static_cast<std::size_t>(columns.name);
    const std::size_t numberColumn = static_cast<std::size_t>(columns.number);
    // Reserved: grown as they went, these were moved 17 times for 100,000 rows.
    plan.rows.reserve(RowCount(table) > first ? RowCount(table) - first : 0);
    // Numbers seen so far, as an open-addressed set of plan.rows indexes
    // hashed by the trimmed number. Sorting a copy of every number was most
    // of the plan's time, and its memory (24 bytes a row against 4 here)
    // cost as much again in a fresh process. A slot keeps some of the hash
    // beside the index, so a probe past another number seldom has to look
    // at that number's cell.
    // The hash is keyed, and the slot takes its top bits after a multiplier,
    // both chosen afresh each time, so a file cannot be made whose numbers
    // all probe one run of slots; the result never depends on them.
    std::vector<uint32_t> seen;
    std::size_t mask = 0;
    unsigned shift = 64;
    const uint64_t scramble =
        (static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
         reinterpret_cast<uintptr_t>(&seen)) * 0x9E3779B97F4A7C15ull | 1;
    const uint64_t key = scramble * 0xD6E8FEB86659FD93ull;
    // A slot holds a row's place in plan.rows (+1, 0 is free) in its low
    // bits and some of the row number's hash in the rest.
    uint32_t indexMask = 1;
    while (indexMask < plan.rows.capacity() + 1 && indexMask != UINT32_MAX) indexMask = indexMask << 1 | 1;
    if (columns.number != kNoColumn) {
        std::size_t slots = 16;
        shift = 60;
        while (slots < plan.rows.capacity() + plan.rows.capacity() / 2) slots *= 2, --shift;
        seen.assign(slots, 0);
        mask = slots - 1;
    }
    for (std::size_t r = first; r < RowCount(table); ++r) {
        if (TrimmedCell(CellAt(table, r, nameColumn)).empty()) {
            ++plan.emptyRows;
            continue;
        }
        if (columns.number != kNoColumn) {
            const std::string_view number = TrimmedCell(CellAt(table, r, numberColumn));
            if (!number.empty()) {
                const uint64_t hash = HashNumber(number, key);
                const uint32_t tag = static_cast<uint32_t>(hash) & ~indexMask;
                std::size_t slot = static_cast<std::size_t>(hash * scramble >> shift);
                bool duplicate = false;
                for (; seen[slot] != 0; slot = (slot + 1) & mask) {
                    if ((seen[slot] & ~indexMask) == tag &&
                        TrimmedCell(CellAt(table, plan.rows[(seen[slot] & indexMask) - 1], numberColumn)) == number) {
                        duplicate = true;
                        break;
                    }
                }
                if (duplicate) {
                    ++plan.duplicateRows;
                    continue;
                }
                seen[slot] = tag | static_cast<uint32_t>(plan.rows.size() + 1);
            }
        }
        plan.rows.push_back(r);
    }
    return plan;
}

RosterPerson RosterPersonAt(const CellTable& table, const RosterColumns& columns, std::size_t row) {
    auto cell = [&](int column) {
        return column == kNoColumn ? std::string() : CleanCell(CellAt(table, row, static_cast<std::size_t>(column)));
    };
    return RosterPerson{cell(columns.name), cell(columns.number), cell(columns.department)};
}

std::string RosterSummary(const RosterPlan& plan) {
    std::string summary = "共 " + std::to_string(plan.rows.size()) + " 人";
    std::string skipped;
    if (plan.emptyRows > 0) skipped += "跳过空行 " + std::to_string(plan.emptyRows) + " 行";
    if (plan.duplicateRows > 0)
        skipped += (skipped.empty() ? "跳过重复" : "、重复") + plan.numberWord + " " +
                   std::to_string(plan.duplicateRows) + " 行";
    if (!skipped.empty()) summary += "；" + skipped;
    return summary;
}

std::string RosterFileBytes(const CellTable& table, const RosterColumns& columns, const RosterPlan& plan) {
    if (plan.rows.empty()) return std::string();
    std::string bytes = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const RosterPerson person = RosterPersonAt(table, columns, plan.rows[i]);
        if (i > 0) bytes += "\r\n";
        bytes += person.name;
        if (!person.number.empty() || !person.department.empty()) bytes += "\t" + person.number;
        if (!person.department.empty()) bytes += "\t" + person.department;
    }
    return bytes;
}

std::string UniqueRosterFileName(const std::string& stem, const std::vector<std::string>& existing) {
    // At most 100 bytes of the stem, cut between characters.
    std::string clean;
    for (std::size_t i = 0; i < stem.size() && clean.size() < 100; ++i) {
        const unsigned char c = static_cast<unsigned char>(stem[i]);
        if (IsLeadByte(c) && i + 1 < stem.size()) {
            clean += stem.substr(i++, 2);
        } else if (c < 0x20 || std::char_traits<char>::find("\\/:*?\"<>|", 9, static_cast<char>(c))) {
            clean += '_';
        } else {
            clean += static_cast<char>(c);
        }
    }
    // Windows drops trailing dots and spaces, and keeps device names for itself.
    while (!clean.empty() && (clean.back() == '.' || clean.back() == ' ')) clean.pop_back();
    while (!clean.empty() && clean.front() == ' ') clean.erase(0, 1);
    if (clean.empty()) clean = "粘贴名单";
    const std::string device = FoldGbk(clean);
    for (const char* reserved : {"con", "prn", "aux", "nul", "com1", "com2", "com3", "com4", "com5", "com6", "com7",
                                 "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"})
        if (device == reserved) clean += '_';

    std::unordered_set<std::string> taken;
    for (const std::string& name : existing) taken.insert(FoldGbk(name));
    std::string candidate = clean + ".txt";
    for (std::size_t n = 2; taken.count(FoldGbk(candidate)); ++n)
        candidate = clean + " (" + std::to_string(n) + ").txt";
    return candidate;
}

std::string RosterFileNameProblem(const std::string& name) {
    if (name.empty() || name == ".txt") return "请输入名单文件的名字。";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            ++i;
        } else if (c < 0x20 || std::char_traits<char>::find("\\/:*?\"<>|", 9, static_cast<char>(c))) {
            return "文件名不能含有下列字符：\\ / : * ? \" < > |";
        }
    }
    // Windows would drop a trailing dot or blank, or keep the name for a device.
    const std::size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    if (stem.size() > 100) return "文件名太长。";
    if (stem.empty() || stem.back() == '.' || stem.back() == ' ' || stem.front() == ' ')
        return "文件名不能以空格或句点开头或结尾。";
    if (UniqueRosterFileName(stem, {}) != stem + ".txt") return "这个名字留给了系统设备，请换一个文件名。";
    return std::string();
}
