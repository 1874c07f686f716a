#include "engine/csv_table.h"

#include <algorithm>
#include <cstdint>

#include "engine/xml_tokens.h"
#include "runtime/unicode_text.h"

namespace {

// How many times `separator` occurs outside quotes on each of the first few
// lines.
std::vector<std::size_t> CountPerLine(std::string_view text, char separator, std::size_t lines) {
    std::vector<std::size_t> counts(1, 0);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size() && counts.size() <= lines; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == separator) {
            ++counts.back();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (i + 1 < text.size()) counts.push_back(0);
        }
    }
    if (counts.size() > lines) counts.resize(lines);
    return counts;
}

}  // namespace

std::string Utf16ToUtf8(const std::u16string& units) {
    std::string out;
    out.reserve(units.size() * 3 / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00u);
        AppendUtf8(code, out);  // a lone surrogate comes out as U+FFFD
    }
    return out;
}

std::string DecodeRosterText(const std::string& bytes, const AnsiDecoder& ansi) {
    const UnicodeForm form = DetectUnicodeForm(bytes);
    const std::size_t mark = UnicodeMarkLength(form);
    switch (form) {
    case UnicodeForm::Utf8Marked:
    case UnicodeForm::Utf8:
        // A marked file may still hold broken sequences; they pass as bytes
        // here and the name file keeps them as they were.
        return bytes.substr(mark);
    case UnicodeForm::Utf16LE:
    case UnicodeForm::Utf16BE:
        return Utf16ToUtf8(DecodeUtf16(bytes.data() + mark, bytes.size() - mark, form == UnicodeForm::Utf16BE));
    case UnicodeForm::None:
        break;
    }
    return ansi ? ansi(bytes) : bytes;
}

char DetectCsvSeparator(std::string_view text) {
    const std::size_t lines = 5;
    char best = ',';
    std::size_t bestScore = 0;
    for (char separator : {'\t', ';', ','}) {
        const std::vector<std::size_t> counts = CountPerLine(text, separator, lines);
        // The fewest on any line, so a comma inside one name does not win
        // over a tab on every line; the first line alone when that is 0.
        std::size_t score = *std::min_element(counts.begin(), counts.end());
        score = score > 0 ? score * 1000 : std::min<std::size_t>(counts[0], 999);
        if (score > bestScore) {
            best = separator;
            bestScore = score;
        }
    }
    return best;
}

TableStatus ReadCsvTable(std::string_view text, char separator, CellTable& table) {
    ClearTable(table);
    if (text.size() > UINT32_MAX) return TableStatus::FileTooLarge;  // callers hold files to far less
    // A row a line (quoted breaks aside) and the first line's width for every
    // row: counted first, the table is laid out once instead of moved as it
    // grows. A field's bytes are never more than the file's.
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const std::size_t firstLine = std::min(text.find('\n'), text.size());
    const std::size_t width =
        static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(firstLine), separator)) + 1;
    table.rowEnds.reserve(std::min(lines, kRosterRowLimit));
    table.cells.reserve(std::min(std::min(lines, kRosterRowLimit) * std::min(width, kRosterColumnLimit), text.size() + 1));
    table.text.reserve(text.size());
    // The bytes that end an unquoted field, looked up rather than compared
    // three times: this loop runs over every byte of the file.
    bool ends[256] = {};
    ends[static_cast<unsigned char>(separator)] = true;
    ends[0x0D] = ends[0x0A] = true;  // CR, LF
    std::size_t row = 0, column = 0;
    std::size_t at = 0;
    const std::size_t size = text.size();
    while (at < size) {
        // One field, starting at `at`, written straight into the table's text.
        const std::size_t fieldStart = table.text.size();
        if (text[at] == '"') {
            ++at;
            for (;;) {
                const std::size_t quote = text.find('"', at);
                if (quote == std::string_view::npos) return ClearTable(table), TableStatus::UnclosedQuote;
                table.text.append(text.data() + at, quote - at);
                at = quote + 1;
                if (at < size && text[at] == '"') {
                    table.text += '"';
                    ++at;
                } else {
                    break;
                }
            }
        }
        // Unquoted text, or what follows a closing quote up to the separator.
        std::size_t stop = at;
        while (stop < size && !ends[static_cast<unsigned char>(text[stop])]) ++stop;
        table.text.append(text.data() + at, stop - at);
        at = stop;
        if (table.text.size() > fieldStart) {
            if (row >= kRosterRowLimit) return ClearTable(table), TableStatus::TooManyRows;
            if (column >= kRosterColumnLimit) return ClearTable(table), TableStatus::TooManyColumns;
            SetCellSpan(table, row, column,
                        CellSpan{static_cast<uint32_t>(fieldStart), static_cast<uint32_t>(table.text.size() - fieldStart)});
        }
        if (at >= size) break;
        if (text[at] == separator) {
            ++column;
            ++at;
            if (at == size) break;
            continue;
        }
        // A line break.
        if (text[at] == '\r' && at + 1 < size && text[at + 1] == '\n') ++at;
        ++at;
        ++row;
        column = 0;
    }
    return TableStatus::Ok;
}

TableStatus ReadPastedTable(const std::u16string& text, CellTable& table) {
    const std::string utf8 = Utf16ToUtf8(text);
    return ReadCsvTable(utf8, '\t', table);
}
