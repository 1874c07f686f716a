#include "engine/xlsx_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/xml_tokens.h"

namespace {

// Cells that merged ranges may fill in all: a column of 200,000 rows beside
// a few more, far beyond any roster, yet bounded against overlapping ranges.
const std::size_t kMergeFillLimit = 1000000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A name against a literal, compared by length first: a library call a
// comparison was a tenth of reading a sheet.
template <std::size_t N>
bool NameIs(std::string_view name, const char (&literal)[N]) {
    return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
}

// "B12" to column 1 and row 11; false when it is no cell reference.
bool ParseCellReference(std::string_view ref, std::size_t& column, std::size_t& row) {
    std::size_t at = 0;
    std::size_t letters = 0;
    column = 0;
    while (at < ref.size() && ((ref[at] >= 'A' && ref[at] <= 'Z') || (ref[at] >= 'a' && ref[at] <= 'z'))) {
        if (++letters > 3) return false;
        column = column * 26 + static_cast<std::size_t>((ref[at] | 0x20) - 'a' + 1);
        ++at;
    }
    if (letters == 0 || at == ref.size() || at + 7 < ref.size()) return false;
    row = 0;
    for (; at < ref.size(); ++at) {
        if (!IsDigit(ref[at])) return false;
        row = row * 10 + static_cast<std::size_t>(ref[at] - '0');
    }
    if (row == 0) return false;
    --column;
    --row;
    return true;
}

bool ParseIndex(std::string_view text, std::size_t& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return true;
}

// A whole number Excel shows as it is written: up to 15 digits, no leading zero.
bool IsShownAsWritten(std::string_view value) {
    return !value.empty() && value.size() <= 15 && (value[0] != '0' || value.size() == 1) &&
           std::all_of(value.begin(), value.end(), IsDigit);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long days, long& year, unsigned& month, unsigned& day) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<long>(yearOfEra) + era * 400 + (month <= 2);
}

std::string FormatDate(double serial, bool date1904) {
    // 1900 system: serial 1 is 1900-01-01 and 60 the 29 February 1900 that
    // Excel counts although it never was.
    long days = static_cast<long>(std::floor(serial));
    long seconds = std::lround((serial - std::floor(serial)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    long year;
    unsigned month, day;
    char text[40];
    if (date1904) {
        CivilFromDays(days - 24107, year, month, day);  // 1904-01-01 is day 0
    } else if (days == 60) {
        year = 1900, month = 2, day = 29;
    } else {
        CivilFromDays(days - (days > 60 ? 25569 : 25568), year, month, day);
    }
    int length = std::snprintf(text, sizeof text, "%04ld-%02u-%02u", year, month, day);
    if (seconds != 0) {
        length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), " %02ld:%02ld",
                                seconds / 3600, seconds / 60 % 60);
        if (seconds % 60 != 0) std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ":%02ld", seconds % 60);
    }
    return text;
}

// Whether a format code shows a date or time: y, m with d, d, h or s outside
// quoted text, escapes and [colour] brackets ([h] and [mm] count).
bool IsDateFormatCode(std::string_view code) {
    bool date = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = static_cast<char>(code[i] | 0x20);
        if (code[i] == '"') {
            const std::size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) break;
            i = end;
        } else if (code[i] == '\\' || code[i] == '_' || code[i] == '*') {
            ++i;
        } else if (code[i] == '[') {
            const std::size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) break;
            const char inside = i + 1 < end ? static_cast<char>(code[i + 1] | 0x20) : 0;
            if (inside == 'h' || inside == 'm' || inside == 's') date = true;
            i = end;
        } else if (c == 'y' || c == 'd' || c == 'h' || c == 's') {
            date = true;
        } else if (code[i] == '0' || code[i] == '#' || code[i] == '?') {
            if (!date) return false;  // a number format with a unit written after it
        }
    }
    return date;
}

// Built-in formats that show dates or times, including the East Asian ones
// (27-36, 50-58) that Chinese Excel writes.
bool IsDateFormatId(std::size_t id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// Collects the text of the <t> elements inside the current element until its
// close, leaving out phonetic runs (<rPh>); the reader stands after the open tag.
bool CollectText(XmlReader& reader, std::string_view element, std::string& text) {
    int phonetic = 0;
    bool inText = false;
    for (;;) {
        const XmlToken token = NextXmlToken(reader);
        switch (token.kind) {
        case XmlKind::End:
        case XmlKind::Error:
            return false;
        case XmlKind::Open:
            if (token.name == "rPh" && !token.selfClosing) ++phonetic;
            if (token.name == "t" && !token.selfClosing) inText = true;
            break;
        case XmlKind::Close:
            if (token.name == "rPh" && phonetic > 0) --phonetic;
            else if (token.name == "t") inText = false;
            else if (token.name == element) return true;
            break;
        case XmlKind::Text:
            if (inText && phonetic == 0) AppendXmlTokenText(token, text);
            break;
        }
    }
}

std::string DirectoryOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target against the folder of the part that names it.
std::string ResolveTarget(const std::string& base, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : base + target;
    // Fold "x/../" away; targets such as "../worksheets/sheet1.xml" occur.
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string piece = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::string resolved;
    for (const std::string& piece : parts) resolved += (resolved.empty() ? "" : "/") + piece;
    return resolved;
}

std::string RelationshipsPartOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? "_rels/" + part + ".rels"
                                      : part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

TableStatus FromZip(ZipStatus status) {
    switch (status) {
    case ZipStatus::Ok: return TableStatus::Ok;
    case ZipStatus::NotZip: return TableStatus::NotWorkbook;
    case ZipStatus::Damaged: return TableStatus::Damaged;
    case ZipStatus::Unsupported: return TableStatus::NotWorkbook;
    case ZipStatus::TooLarge: return TableStatus::PartTooLarge;
    }
    return TableStatus::Damaged;
}

// A part's text; a part that is not there is empty text and Ok when optional.
TableStatus ReadPart(const XlsxBook& book, const std::string& name, bool optional, std::string& text) {
    text.clear();
    const ZipEntry* entry = FindZipEntry(book.entries, name);
    if (!entry) return optional ? TableStatus::Ok : TableStatus::NotWorkbook;
    return FromZip(InflateZipEntry(book.archive, *entry, kRosterPartLimit, text));
}

// A cell as Excel writes it, <c r="B2" s="3" t="s"><v>12</v></c> or
// <c r="B2"/>, decoded in the one scan that finds its end: the reference and
// the style number as the general reader would read them, the type and value
// as written.
struct PlainCell {
    bool placed = false;  // r="..." names a cell
    std::size_t column = 0, row = 0;
    bool styled = false;  // s="..." is a style number
    std::size_t style = 0;
    std::string_view type, value;  // type.data() is null when there is none
    bool selfClosing = false;
    std::size_t end = 0;  // one past the cell
};

// A cell's tags are short; looking no further keeps a cell that is not
// plain (it goes to the general reader) from costing a scan of the rest.
const std::size_t kPlainCellReach = 256;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The closing quote of a value from `p` on, or `end`.
const char* FindQuote(const char* p, const char* end) {
    while (p < end && *p != '"') ++p;
    return p;
}

// Reads the cell at `at` (a '<') when it has only r, t and s attributes,
// each once in double quotes, and at most a <v> of text without entities
// right inside it. False for anything else: the general reader takes it.
bool ReadPlainCell(std::string_view in, std::size_t at, PlainCell& cell) {
    const char* p = in.data() + at;
    const char* const end = in.data() + std::min(in.size(), at + kPlainCellReach);
    if (end - p < 4 || p[1] != 'c' || !(IsXmlSpace(p[2]) || p[2] == '>' || p[2] == '/')) return false;
    cell = PlainCell();
    bool referenced = false, styleWritten = false;
    p += 2;
    for (;;) {
        while (p < end && IsXmlSpace(*p)) ++p;
        if (p >= end) return false;
        if (*p == '>') break;
        if (*p == '/') {
            if (end - p < 2 || p[1] != '>') return false;
            cell.selfClosing = true;
            cell.end = static_cast<std::size_t>(p + 2 - in.data());
            return true;
        }
        if (end - p < 4 || p[1] != '=' || p[2] != '"') return false;
        const char name = *p;
        p += 3;
        const char* const q = FindQuote(p, end);
        const std::string_view text(p, static_cast<std::size_t>(q - p));
        // Another attribute, or one named twice, is the general reader's.
        if (name == 'r' && !referenced) {
            referenced = true;
            cell.placed = !text.empty() && ParseCellReference(text, cell.column, cell.row);
        } else if (name == 's' && !styleWritten) {
            styleWritten = true;
            cell.styled = !text.empty() && ParseIndex(text, cell.style);
        } else if (name == 't' && !cell.type.data()) {
            cell.type = text;
        } else {
            return false;
        }
        p = q;
        if (p >= end) return false;
        ++p;
    }
    ++p;
    if (end - p >= 4 && p[0] == '<' && p[1] == '/' && p[2] == 'c' && p[3] == '>') {
        cell.value = std::string_view(p, 0);
        cell.end = static_cast<std::size_t>(p + 4 - in.data());
        return true;
    }
    if (end - p < 3 || p[0] != '<' || p[1] != 'v' || p[2] != '>') return false;
    p += 3;
    const char* q = p;
    while (q < end && *q != '<' && *q != '&') ++q;
    if (end - q < 8 || std::memcmp(q, "</v></c>", 8) != 0) return false;
    cell.value = std::string_view(p, static_cast<std::size_t>(q - p));
    cell.end = static_cast<std::size_t>(q + 8 - in.data());
    return true;
}

// Reads a row tag at `at` whose first attribute is r="..." in double quotes:
// its number as written and where the tag ends (the first '>' outside quotes,
// as the general reader finds it). False for any other shape.
bool ReadPlainRow(std::string_view in, std::size_t at, std::string_view& number, std::size_t& tagEnd) {
    const char* p = in.data() + at;
    const char* const end = in.data() + std::min(in.size(), at + kPlainCellReach);
    if (end - p < 8 || std::memcmp(p, "<row r=\"", 8) != 0) return false;
    p += 8;
    const void* close = std::memchr(p, '"', static_cast<std::size_t>(end - p));
    if (!close) return false;
    number = std::string_view(p, static_cast<std::size_t>(static_cast<const char*>(close) - p));
    for (p = static_cast<const char*>(close) + 1; p < end; ++p) {
        if (*p == '>') {
            tagEnd = static_cast<std::size_t>(p + 1 - in.data());
            return true;
        }
        if (*p == '"' || *p == '\'') {
            const void* match = std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1));
            if (!match) return false;
            p = static_cast<const char*>(match);
        }
    }
    return false;
}

// A cell set after later ones: placed in one pass at the end, since placing
// each at once would move every cell after it.
struct PlacedCell {
    uint32_t row = 0, column = 0;
    CellSpan span;
};

CellSpan AppendCellText(CellTable& table, std::string_view text) {
    const CellSpan span{static_cast<uint32_t>(table.text.size()), static_cast<uint32_t>(text.size())};
    table.text.append(text.data(), text.size());
    return span;
}

// Lays the table out again with `pending` among its cells. Of two at one
// place the later wins, or with `firstWins` the one there first (a merged
// range fills only what is empty).
void PlaceCells(CellTable& table, std::vector<PlacedCell>& pending, bool firstWins) {
    if (pending.empty()) return;
    std::vector<PlacedCell> all;
    all.reserve(table.cells.size() + pending.size());
    for (std::size_t r = 0; r < RowCount(table); ++r)
        for (std::size_t c = 0, start = RowStart(table, r); c < RowWidth(table, r); ++c)
            if (table.cells[start + c].size != 0)
                all.push_back(PlacedCell{static_cast<uint32_t>(r), static_cast<uint32_t>(c), table.cells[start + c]});
    all.insert(all.end(), pending.begin(), pending.end());
    pending.clear();
    std::stable_sort(all.begin(), all.end(), [](const PlacedCell& a, const PlacedCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    table.cells.clear();
    table.rowEnds.clear();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const bool sameAsPrevious = i > 0 && all[i - 1].row == all[i].row && all[i - 1].column == all[i].column;
        const bool sameAsNext = i + 1 < all.size() && all[i + 1].row == all[i].row && all[i + 1].column == all[i].column;
        if (firstWins ? sameAsPrevious : sameAsNext) continue;
        SetCellSpan(table, all[i].row, all[i].column, all[i].span);
    }
}

}  // namespace

std::string FormatCellNumber(const std::string& value, bool dateStyle, bool date1904) {
    if (value.empty() || value.size() > 64) return value;
    // Most numbers in a roster are whole and written as they are shown; the
    // conversions below cost a third of reading such a sheet.
    if (!dateStyle && IsShownAsWritten(value)) return value;
    for (char c : value)
        if (!(IsDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return value;
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (end != value.c_str() + value.size() || !std::isfinite(number)) return value;
    if (dateStyle && number >= 1 && number < 2958466) return FormatDate(number, date1904);
    char text[40];
    if (std::fabs(number) < 1e15 && number == std::floor(number)) {
        std::snprintf(text, sizeof text, "%.0f", number == 0 ? 0.0 : number);
    } else {
        std::snprintf(text, sizeof text, "%.15g", number);
        for (char* c = text; *c; ++c)
            if (*c == 'e') *c = 'E';
    }
    return text;
}

void ParseWorkbookXml(std::string_view xml, std::vector<WorkbookSheet>& sheets, bool& date1904) {
    sheets.clear();
    date1904 = false;
    XmlReader reader{xml};
    std::string value;
    for (XmlToken token = NextXmlToken(reader); token.kind != XmlKind::End && token.kind != XmlKind::Error;
         token = NextXmlToken(reader)) {
        if (token.kind != XmlKind::Open) continue;
        if (token.name == "workbookPr" && FindXmlAttribute(token.attributes, "date1904", value)) {
            date1904 = value == "1" || value == "true";
        } else if (token.name == "sheet") {
            WorkbookSheet sheet;
            FindXmlAttribute(token.attributes, "name", sheet.name);
            FindXmlAttribute(token.attributes, "id", sheet.relationId);  // r:id
            sheets.push_back(std::move(sheet));
        }
    }
}

std::map<std::string, std::string> ParseRelationships(std::string_view xml) {
    std::map<std::string, std::string> targets;
    XmlReader reader{xml};
    std::string id, target;
    for (XmlToken token = NextXmlToken(reader); token.kind != XmlKind::End && token.kind != XmlKind::Error;
         token = NextXmlToken(reader)) {
        if (token.kind == XmlKind::Open && token.name == "Relationship" && FindXmlAttribute(token.attributes, "Id", id) &&
            FindXmlAttribute(token.attributes, "Target", target))
            targets.emplace(id, target);
    }
    return targets;
}

namespace {

// A string item as Excel writes most of them, <si><t>text</t></si>, with no
// entity in the text: the text and where the item ends; false for any other.
bool ReadPlainString(std::string_view in, std::size_t at, std::string_view& text, std::size_t& itemEnd) {
    static const char kOpen[] = "<si><t>", kOpenPreserved[] = "<si><t xml:space=\"preserve\">", kClose[] = "</t></si>";
    const char* const p = in.data() + at;
    const std::size_t left = in.size() - at;
    std::size_t start;
    if (left >= 7 && std::memcmp(p, kOpen, 7) == 0) start = 7;
    else if (left >= 28 && std::memcmp(p, kOpenPreserved, 28) == 0) start = 28;
    else return false;
    const void* close = std::memchr(p + start, '<', left - start);
    if (!close) return false;
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(close) - p) - start;
    if (left - start - length < 9 || std::memcmp(p + start + length, kClose, 9) != 0) return false;
    text = std::string_view(p + start, length);
    if (std::memchr(text.data(), '&', length)) return false;
    itemEnd = at + start + length + 9;
    return true;
}

}  // namespace

void ParseSharedStrings(std::string_view xml, std::vector<std::string>& strings, bool generalOnly) {
    strings.clear();
    XmlReader reader{xml};
    std::string_view plain;
    std::size_t plainEnd = 0;
    for (;;) {
        if (!generalOnly && reader.at < xml.size() && xml[reader.at] == '<' &&
            ReadPlainString(xml, reader.at, plain, plainEnd)) {
            strings.emplace_back(plain);
            reader.at = plainEnd;
            continue;
        }
        const XmlToken token = NextXmlToken(reader);
        if (token.kind == XmlKind::End || token.kind == XmlKind::Error) break;
        if (token.kind != XmlKind::Open) continue;
        std::string_view count;
        std::size_t items = 0;
        // Laid out once, not moved 14 times for 10,000 names; an item is at least "<si/>".
        if (token.name == "sst" && FindRawXmlAttribute(token.attributes, "uniqueCount", count) && ParseIndex(count, items))
            strings.reserve(std::min(items, xml.size() / 5));
        if (token.name != "si") continue;
        strings.emplace_back();
        if (!token.selfClosing && !CollectText(reader, "si", strings.back())) return;
    }
}

void ParseDateStyles(std::string_view xml, std::vector<bool>& dateStyles) {
    dateStyles.clear();
    std::map<std::size_t, bool> customDates;
    XmlReader reader{xml};
    bool inCellStyles = false;
    std::string value;
    for (XmlToken token = NextXmlToken(reader); token.kind != XmlKind::End && token.kind != XmlKind::Error;
         token = NextXmlToken(reader)) {
        if (token.kind == XmlKind::Close && token.name == "cellXfs") inCellStyles = false;
        if (token.kind != XmlKind::Open) continue;
        std::size_t id = 0;
        if (token.name == "numFmt" && FindXmlAttribute(token.attributes, "numFmtId", value) && ParseIndex(value, id) &&
            FindXmlAttribute(token.attributes, "formatCode", value)) {
            customDates[id] = IsDateFormatCode(value);
        } else if (token.name == "cellXfs") {
            inCellStyles = !token.selfClosing;
        } else if (token.name == "xf" && inCellStyles) {
            bool date = false;
            if (FindXmlAttribute(token.attributes, "numFmtId", value) && ParseIndex(value, id)) {
                const auto custom = customDates.find(id);
                date = custom != customDates.end() ? custom->second : IsDateFormatId(id);
            }
            dateStyles.push_back(date);
        }
    }
}

namespace {

// What reading a sheet carries from one cell to the next.
struct SheetReading {
    const SheetContext* context = nullptr;
    CellTable* table = nullptr;
    std::vector<PlacedCell> pending;
    // Each shared string's bytes go into the table once, however many cells
    // show it: a copy a cell let a small sheet repeating one long string
    // ask for more memory than there is.
    std::vector<CellSpan> sharedSpans;
    std::size_t row = 0, nextRow = 0, column = 0, nextColumn = 0;
    bool dateStyle = false;
    std::string_view type = "n";
};

const uint32_t kNotYet = UINT32_MAX;

void PlaceCell(SheetReading& reading, std::size_t r, std::size_t c, CellSpan span) {
    CellTable& table = *reading.table;
    // The next cell of the last row or the first of a new one, nearly
    // always: what SetCellSpan would do, without its call.
    if (span.size != 0 && r == RowCount(table) && c == 0) table.rowEnds.push_back(static_cast<uint32_t>(table.cells.size()));
    if (span.size != 0 && r + 1 == RowCount(table) && c == RowWidth(table, r)) {
        table.cells.push_back(span);
        ++table.rowEnds.back();
        return;
    }
    if (r + 1 >= RowCount(table) || c < RowWidth(table, r)) SetCellSpan(table, r, c, span);
    else if (span.size != 0) reading.pending.push_back(PlacedCell{static_cast<uint32_t>(r), static_cast<uint32_t>(c), span});
}

// A cell's place: its reference, else the one after the last cell.
void PlaceNextCell(SheetReading& reading, bool placed, std::size_t column, std::size_t row) {
    if (placed) {
        reading.column = column;
        reading.row = row;
        reading.nextRow = row + 1;
    } else {
        reading.column = reading.nextColumn;
    }
    reading.nextColumn = reading.column + 1;
}

void StyleCell(SheetReading& reading, bool styled, std::size_t style) {
    const std::vector<bool>* dateStyles = reading.context->dateStyles;
    reading.dateStyle = styled && dateStyles && style < dateStyles->size() && (*dateStyles)[style];
}

// The end of a cell: its value, as text, into the table.
TableStatus CloseCell(SheetReading& reading, std::string_view text) {
    if (text.empty()) return TableStatus::Ok;
    if (reading.row >= kRosterRowLimit) return TableStatus::TooManyRows;
    if (reading.column >= kRosterColumnLimit) return TableStatus::TooManyColumns;
    CellTable& table = *reading.table;
    const std::string_view type = reading.type;
    CellSpan span;
    if (NameIs(type, "s")) {
        const std::vector<std::string>* shared = reading.context->sharedStrings;
        std::size_t index = 0;
        if (!ParseIndex(text, index) || !shared || index >= shared->size()) return TableStatus::Damaged;
        if (reading.sharedSpans.empty()) reading.sharedSpans.assign(shared->size(), CellSpan{kNotYet, 0});
        if (reading.sharedSpans[index].at == kNotYet) reading.sharedSpans[index] = AppendCellText(table, (*shared)[index]);
        span = reading.sharedSpans[index];
    } else if (NameIs(type, "n")) {
        // Most numbers in a roster are whole: no copy to convert them.
        if (!reading.dateStyle && IsShownAsWritten(text)) span = AppendCellText(table, text);
        else span = AppendCellText(table, FormatCellNumber(std::string(text), reading.dateStyle, reading.context->date1904));
    } else if (NameIs(type, "b")) {
        span = AppendCellText(table, text == "0" ? "FALSE" : "TRUE");
    } else if (NameIs(type, "d")) {
        span = AppendCellText(table, text.substr(0, text.find('T')));
    } else {
        span = AppendCellText(table, text);  // inlineStr, str (a formula's text), e (an error such as #N/A)
    }
    PlaceCell(reading, reading.row, reading.column, span);
    return TableStatus::Ok;
}

void StartRow(SheetReading& reading, bool numbered, std::string_view raw) {
    std::size_t number = 0;
    reading.row = numbered && ParseIndex(raw, number) && number > 0 ? number - 1 : reading.nextRow;
    reading.nextRow = reading.row + 1;
    reading.nextColumn = 0;
}

// Reads the rows and cells Excel writes from `at` on, as far as they go:
// nearly every tag of a sheet, five tokens' worth of work each in one short
// scan. Stops at the first tag the general reader must take; `cells` counts
// the cells read.
TableStatus ReadPlainCells(SheetReading& reading, std::string_view xml, std::size_t& at, std::size_t& cells) {
    PlainCell cell;
    std::string_view number;
    std::size_t tagEnd = 0;
    while (at < xml.size() && xml[at] == '<') {
        if (ReadPlainCell(xml, at, cell)) {
            at = cell.end;
            ++cells;
            PlaceNextCell(reading, cell.placed, cell.column, cell.row);
            if (cell.selfClosing) continue;
            reading.type = cell.type.data() ? cell.type : std::string_view("n");
            StyleCell(reading, cell.styled, cell.style);
            const TableStatus status = CloseCell(reading, cell.value);
            if (status != TableStatus::Ok) return status;
        } else if (ReadPlainRow(xml, at, number, tagEnd)) {
            at = tagEnd;
            StartRow(reading, true, number);
        } else if (xml.size() - at >= 6 && std::memcmp(xml.data() + at, "</row>", 6) == 0) {
            at += 6;  // nothing to do at a row's end
        } else {
            break;
        }
    }
    return TableStatus::Ok;
}

}  // namespace

TableStatus ParseSheetXml(std::string_view xml, const SheetContext& context, CellTable& table) {
    ClearTable(table);
    if (xml.size() > kRosterPartLimit) return TableStatus::PartTooLarge;  // keeps the text's offsets in 32 bits
    XmlReader reader{xml};
    std::string value, attribute;
    std::string_view raw;
    std::vector<std::string> merges;
    SheetReading reading;
    reading.context = &context;
    reading.table = &table;
    std::vector<PlacedCell>& pending = reading.pending;
    bool inCell = false, inValue = false;
    // A sheet whose cells stop before their element closes was cut short
    // (between two tags, where the reader itself sees nothing wrong).
    bool inSheetData = false;
    for (;;) {
        if (!context.generalOnly) {
            std::size_t cells = 0;
            const TableStatus status = ReadPlainCells(reading, xml, reader.at, cells);
            if (status != TableStatus::Ok) return ClearTable(table), status;
            if (cells != 0) inCell = inValue = false;
        }
        const XmlToken token = NextXmlToken(reader);
        if (token.kind == XmlKind::End) {
            if (inSheetData) return ClearTable(table), TableStatus::Damaged;
            break;
        }
        if (token.kind == XmlKind::Error) return ClearTable(table), TableStatus::Damaged;
        if (token.kind == XmlKind::Text) {
            if (inValue) AppendXmlTokenText(token, value);
            continue;
        }
        if (token.kind == XmlKind::Close) {
            if (NameIs(token.name, "sheetData")) inSheetData = false;
            if (NameIs(token.name, "v")) inValue = false;
            if (!NameIs(token.name, "c") || !inCell) continue;
            inCell = false;
        } else if (NameIs(token.name, "c")) {
            // One pass over the attributes: this runs for every cell.
            std::string_view reference, style, name;
            reading.type = "n";
            for (std::size_t at = 0; NextRawXmlAttribute(token.attributes, at, name, raw);) {
                if (NameIs(name, "r")) reference = raw;
                else if (NameIs(name, "t")) reading.type = raw;
                else if (NameIs(name, "s")) style = raw;
            }
            std::size_t column = 0, row = 0, styleIndex = 0;
            const bool placed = !reference.empty() && ParseCellReference(reference, column, row);
            PlaceNextCell(reading, placed, column, row);
            const bool styled = !style.empty() && ParseIndex(style, styleIndex);
            StyleCell(reading, styled, styleIndex);
            value.clear();
            inValue = false;
            inCell = !token.selfClosing;
            continue;
        } else if (NameIs(token.name, "v")) {
            inValue = inCell && !token.selfClosing;
            continue;
        } else if (NameIs(token.name, "row")) {
            const bool numbered = FindRawXmlAttribute(token.attributes, "r", raw);
            StartRow(reading, numbered, raw);
            continue;
        } else if (NameIs(token.name, "is") && inCell) {
            if (!token.selfClosing && !CollectText(reader, "is", value)) return ClearTable(table), TableStatus::Damaged;
            continue;
        } else if (NameIs(token.name, "sheetData")) {
            inSheetData = !token.selfClosing;
            continue;
        } else if (NameIs(token.name, "mergeCell")) {
            if (FindXmlAttribute(token.attributes, "ref", attribute)) merges.push_back(attribute);
            continue;
        } else {
            continue;
        }

        const TableStatus status = CloseCell(reading, value);
        if (status != TableStatus::Ok) return ClearTable(table), status;
    }
    PlaceCells(table, pending, false);

    // A merged range shows its first cell across all of it; each row it spans
    // gets that value (a class written once beside a block of pupils). Ranges
    // may overlap, so their cost is bounded as a whole; a range fills only
    // what is empty as read, the first range first.
    std::size_t width = 0;
    for (std::size_t r = 0; r < RowCount(table); ++r) width = std::max(width, RowWidth(table, r));
    std::size_t budget = kMergeFillLimit;
    for (const std::string& merge : merges) {
        const std::size_t colon = merge.find(':');
        std::size_t firstColumn, firstRow, lastColumn, lastRow;
        if (colon == std::string::npos || !ParseCellReference(std::string_view(merge).substr(0, colon), firstColumn, firstRow) ||
            !ParseCellReference(std::string_view(merge).substr(colon + 1), lastColumn, lastRow) ||
            lastColumn < firstColumn || lastRow < firstRow)
            continue;
        if (firstColumn >= RowWidth(table, firstRow)) continue;
        const CellSpan origin = table.cells[RowStart(table, firstRow) + firstColumn];
        if (origin.size == 0) continue;
        // Only as far as the table reaches: a range down to row 1048576 adds nothing.
        lastRow = std::min(lastRow, RowCount(table) - 1);
        lastColumn = std::min(lastColumn, width - 1);
        if (lastRow < firstRow || lastColumn < firstColumn) continue;
        const std::size_t cells = (lastRow - firstRow + 1) * (lastColumn - firstColumn + 1);
        if (cells > budget) return ClearTable(table), TableStatus::TooManyColumns;
        budget -= cells;
        for (std::size_t r = firstRow; r <= lastRow; ++r)
            for (std::size_t c = firstColumn; c <= lastColumn; ++c)
                pending.push_back(PlacedCell{static_cast<uint32_t>(r), static_cast<uint32_t>(c), origin});
    }
    PlaceCells(table, pending, true);
    return TableStatus::Ok;
}

TableStatus OpenXlsxBook(std::string archive, XlsxBook& book) {
    book = XlsxBook();
    book.archive = std::move(archive);
    const TableStatus zip = FromZip(ReadZipDirectory(book.archive, book.entries));
    if (zip != TableStatus::Ok) return zip;

    std::string text;
    // The workbook part is named by the package's relationships; Excel's is xl/workbook.xml.
    TableStatus status = ReadPart(book, "_rels/.rels", true, text);
    if (status != TableStatus::Ok) return status;
    std::string workbookPart = "xl/workbook.xml";
    for (const auto& relation : ParseRelationships(text))
        if (FindZipEntry(book.entries, ResolveTarget("", relation.second)) &&
            relation.second.find("workbook") != std::string::npos)
            workbookPart = ResolveTarget("", relation.second);
    status = ReadPart(book, workbookPart, false, text);
    if (status != TableStatus::Ok) return status;
    std::vector<WorkbookSheet> sheets;
    ParseWorkbookXml(text, sheets, book.date1904);

    const std::string base = DirectoryOf(workbookPart);
    status = ReadPart(book, RelationshipsPartOf(workbookPart), false, text);
    if (status != TableStatus::Ok) return status;
    const std::map<std::string, std::string> targets = ParseRelationships(text);
    for (const WorkbookSheet& sheet : sheets) {
        const auto target = targets.find(sheet.relationId);
        // Chart sheets and dialog sheets have no cells; they are not offered.
        if (target == targets.end() || target->second.find("worksheets/") == std::string::npos) continue;
        const std::string part = ResolveTarget(base, target->second);
        if (!FindZipEntry(book.entries, part)) continue;
        book.sheetNames.push_back(sheet.name);
        book.sheetParts.push_back(part);
    }
    if (book.sheetParts.empty()) return TableStatus::NoSheet;

    for (const auto& relation : targets) {
        const std::string part = ResolveTarget(base, relation.second);
        if (relation.second.find("sharedStrings") != std::string::npos) {
            status = ReadPart(book, part, true, text);
            if (status != TableStatus::Ok) return status;
            ParseSharedStrings(text, book.sharedStrings);
        } else if (relation.second.find("styles") != std::string::npos) {
            status = ReadPart(book, part, true, text);
            if (status != TableStatus::Ok) return status;
            ParseDateStyles(text, book.dateStyles);
        }
    }
    return TableStatus::Ok;
}

TableStatus ReadXlsxSheet(const XlsxBook& book, std::size_t sheet, CellTable& table) {
    ClearTable(table);
    if (sheet >= book.sheetParts.size()) return TableStatus::NoSheet;
    std::string xml;
    const TableStatus status = ReadPart(book, book.sheetParts[sheet], false, xml);
    if (status != TableStatus::Ok) return status == TableStatus::NotWorkbook ? TableStatus::Damaged : status;
    SheetContext context;
    context.sharedStrings = &book.sharedStrings;
    context.dateStyles = &book.dateStyles;
    context.date1904 = book.date1904;
    const TableStatus parsed = ParseSheetXml(xml, context, table);
    if (parsed != TableStatus::Ok) ClearTable(table);
    return parsed;
}
