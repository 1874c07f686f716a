#include "tests/fuzz/fuzz_targets.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include "engine/draw_pools.h"
#include "engine/name_list.h"
#include "engine/prize_rounds.h"
#include "engine/prizes.h"
#include "engine/csv_table.h"
#include "engine/roster.h"
#include "engine/xlsx_sheet.h"
#include "engine/zip_crc.h"
#include "engine/zip_directory.h"
#include "runtime/numbers.h"
#include "runtime/unicode_text.h"
#include "tests/name_rules.h"

namespace {

[[noreturn]] void Fail(const char* check, int line) {
    std::fprintf(stderr, "fuzz_targets.cpp:%d: check failed: %s\n", line, check);
    std::abort();
}

#define FUZZ_CHECK(condition)                      \
    do {                                           \
        if (!(condition)) Fail(#condition, __LINE__); \
    } while (0)

// ---- Numbers ----

void CheckNumber(const std::string& text) {
    const long double value = ParseNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    // The draws' whole numbers: the low 32 bits of the rounded value, 0 when
    // it does not fit 64 bits.
    int64_t whole = 0;
    const bool fits = RoundToInt64(value, whole);
    FUZZ_CHECK(ToInt64(value) == (fits ? whole : 0));
    FUZZ_CHECK(ToInt32(value) == static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(value)))));

    // Written with d significant digits, a value reads back within what d
    // digits can hold. Far out in the exponent range the reader saturates or
    // flushes to zero, so only the broad middle is checked.
    for (int digits : {1, 7, 15, 18}) {
        const std::string written = FormatNumber(value, true, digits);
        FUZZ_CHECK(!written.empty() && written.size() < 40);
        FUZZ_CHECK(written[0] == (value < 0 ? '-' : ' '));
        const long double size = std::fabs(value);
        if (!std::isfinite(value) || size < 1e-4000L || size > 1e4000L) continue;
        const long double back = ParseNumber(written);
        FUZZ_CHECK(std::fabs(back - value) <= size * std::pow(10.0L, static_cast<long double>(1 - digits)));
    }
}

// ---- Unicode ----

// RFC 3629's table of well-formed sequences, read as it is written: another
// way to the same answer than the decoder's.
bool WellFormedUtf8(const std::string& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    auto tail = [&](std::size_t at) { return at < n && b[at] >= 0x80 && b[at] <= 0xBF; };
    auto in = [&](std::size_t at, unsigned low, unsigned high) { return at < n && b[at] >= low && b[at] <= high; };
    for (std::size_t i = 0; i < n;) {
        const unsigned c = b[i];
        if (c <= 0x7F) {
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF && tail(i + 1)) {
            i += 2;
        } else if ((c == 0xE0 && in(i + 1, 0xA0, 0xBF) && tail(i + 2)) ||
                   (((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) && tail(i + 1) && tail(i + 2)) ||
                   (c == 0xED && in(i + 1, 0x80, 0x9F) && tail(i + 2))) {
            i += 3;
        } else if ((c == 0xF0 && in(i + 1, 0x90, 0xBF) && tail(i + 2) && tail(i + 3)) ||
                   (c >= 0xF1 && c <= 0xF3 && tail(i + 1) && tail(i + 2) && tail(i + 3)) ||
                   (c == 0xF4 && in(i + 1, 0x80, 0x8F) && tail(i + 2) && tail(i + 3))) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

bool HasNonAscii(const std::string& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) > 0x7F) return true;
    return false;
}

// Code units back to UTF-8; a lone surrogate gives nothing sensible, so it
// is a failure here (the decoder must never produce one).
std::string EncodeUtf8(const std::u16string& units) {
    std::string bytes;
    for (std::size_t i = 0; i < units.size(); ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            FUZZ_CHECK(i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF);
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00u);
        } else {
            FUZZ_CHECK(code < 0xDC00 || code > 0xDFFF);
        }
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | code >> 6);
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | code >> 12);
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | code >> 18);
            bytes += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

void CheckUtf8(const std::string& text) {
    std::u16string units = u"stale";
    const bool decoded = DecodeStrictUtf8(text.data(), text.size(), units);
    FUZZ_CHECK(decoded == WellFormedUtf8(text));
    if (decoded) {
        FUZZ_CHECK(EncodeUtf8(units) == text);
    } else {
        FUZZ_CHECK(units.empty());
    }
}

void CheckDecoding(const std::string& bytes) {
    const UnicodeForm form = DetectUnicodeForm(bytes);
    const std::size_t mark = UnicodeMarkLength(form);
    FUZZ_CHECK(mark <= bytes.size());
    FUZZ_CHECK(bytes.compare(0, mark, form == UnicodeForm::Utf8Marked ? "\xEF\xBB\xBF"
                                      : form == UnicodeForm::Utf16LE ? "\xFF\xFE"
                                      : form == UnicodeForm::Utf16BE ? "\xFE\xFF"
                                                                     : "") == 0);
    const std::string text = bytes.substr(mark);
    const bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
                        bytes.compare(0, 2, "\xFE\xFF") == 0;
    switch (form) {
    case UnicodeForm::None:
        FUZZ_CHECK(!marked && !(WellFormedUtf8(bytes) && HasNonAscii(bytes)));
        break;
    case UnicodeForm::Utf8:
        FUZZ_CHECK(!marked && WellFormedUtf8(bytes) && HasNonAscii(bytes));
        break;
    case UnicodeForm::Utf8Marked:
        break;
    case UnicodeForm::Utf16LE:
    case UnicodeForm::Utf16BE: {
        const bool bigEndian = form == UnicodeForm::Utf16BE;
        const std::u16string units = DecodeUtf16(text.data(), text.size(), bigEndian);
        FUZZ_CHECK(units.size() == text.size() / 2);
        for (std::size_t i = 0; i < units.size(); ++i) {
            const unsigned char first = static_cast<unsigned char>(text[2 * i]);
            const unsigned char second = static_cast<unsigned char>(text[2 * i + 1]);
            FUZZ_CHECK(units[i] == (bigEndian ? first * 256u + second : second * 256u + first));
        }
        break;
    }
    }
    CheckUtf8(text);
}

// ---- Names ----

void CheckNames(const std::string& bytes) {
    const std::vector<std::string> expected = NamesByTheRules(bytes);
    const NameList list = BuildNameList(bytes);
    FUZZ_CHECK(NameCount(list) == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(NameAt(list, i) == expected[i]);
        // A line's fields: a name that is the start of the line, number and
        // department without tabs; no name before a tab leaves the line whole.
        const std::string& line = expected[i];
        const NameEntry split = SplitNameEntry(line);
        FUZZ_CHECK(split.number.find('\t') == std::string::npos && split.department.find('\t') == std::string::npos);
        if (split.name == line) {
            FUZZ_CHECK(split.number.empty() && split.department.empty());
        } else {
            FUZZ_CHECK(!split.name.empty() && line.compare(0, split.name.size(), split.name) == 0);
            FUZZ_CHECK(split.name.find('\t') == std::string::npos && split.name.back() != ' ');
        }
    }
}

// ---- Prizes ----

bool SameTiers(const std::vector<PrizeTier>& a, const std::vector<PrizeTier>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].prize != b[i].prize || a[i].count != b[i].count ||
            a[i].perBatch != b[i].perBatch || a[i].allowRepeat != b[i].allowRepeat) {
            return false;
        }
    }
    return true;
}

void CheckPrizesIni(const std::string& bytes) {
    const PrizeList list = ParsePrizes(bytes);
    FUZZ_CHECK(list.tiers.size() <= kMaxPrizeTiers);
    for (const std::string& line : list.leftOut) FUZZ_CHECK(!line.empty());
    for (const PrizeTier& tier : list.tiers) {
        FUZZ_CHECK(CheckPrizeField(PrizeField::Name, tier.name).empty());
        FUZZ_CHECK(CheckPrizeField(PrizeField::Prize, tier.prize).empty());
        FUZZ_CHECK(tier.count >= kMinPrizeCount && tier.count <= kMaxPrizeCount);
        FUZZ_CHECK(tier.perBatch == 0 || (tier.perBatch >= kMinPrizeCount && tier.perBatch <= kMaxPrizeCount));
    }
    const PrizeList again = ParsePrizes(SerializePrizes(list.tiers));
    FUZZ_CHECK(again.leftOut.empty());
    FUZZ_CHECK(SameTiers(again.tiers, list.tiers));
    // The editor's check takes any bytes.
    for (PrizeField field : {PrizeField::Name, PrizeField::Prize, PrizeField::Count, PrizeField::PerBatch,
                             PrizeField::Repeat}) {
        CheckPrizeField(field, bytes.substr(0, 300));
    }
}

bool SameWinners(const PrizeWinners& a, const PrizeWinners& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].entry != b[i].entry || a[i].copy != b[i].copy || a[i].tier != b[i].tier ||
            a[i].batch != b[i].batch || a[i].voided != b[i].voided || a[i].tierName != b[i].tierName ||
            a[i].prize != b[i].prize) {
            return false;
        }
    }
    return true;
}

// The winners from `first` on, against every record before them, by the
// rules read plainly: a void keeps a person out of everything, a win out of
// its tier, and out of every other tier that does not allow repeats.
void CheckNobodyWinsWrongly(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t first) {
    for (std::size_t i = first; i < winners.size(); ++i) {
        const PrizeWinner& w = winners[i];
        FUZZ_CHECK(!w.voided && static_cast<std::size_t>(w.tier) < tiers.size());
        const bool repeats = tiers[static_cast<std::size_t>(w.tier)].allowRepeat;
        for (std::size_t j = 0; j < i; ++j) {
            const PrizeWinner& v = winners[j];
            if (v.entry != w.entry || v.copy != w.copy) continue;
            FUZZ_CHECK(!v.voided && v.tier != w.tier && repeats);
        }
    }
}

void CheckPrizeProgress(const std::string& bytes) {
    const PrizeEvents events = ParsePrizeEvents(bytes);
    const std::string written = SerializePrizeEvents(events);
    const PrizeEvents back = ParsePrizeEvents(written);
    FUZZ_CHECK(back.bySource.size() == events.bySource.size());
    for (const auto& event : events.bySource) {
        FUZZ_CHECK(!event.second.empty());
        auto found = back.bySource.find(event.first);
        FUZZ_CHECK(found != back.bySource.end() && SameWinners(found->second, event.second));
    }
    FUZZ_CHECK(SerializePrizeEvents(back) == written);

    // Draw on from what was read: the winners' own texts, twice each, are the
    // people, so the file's winners matter to who is left.
    const std::vector<PrizeTier> tiers = {{"a", "", 3, 2, false}, {"b", "", 2, 0, true}, {"c", "", 4, 3, false}};
    RandomSource random;
    random.seed = static_cast<uint32_t>(bytes.size());
    for (const auto& event : events.bySource) {
        PrizeWinners winners = event.second;
        PrizeSource source;
        int32_t lo = 0, hi = 0;
        if (ParseNumberSourceKey(event.first, lo, hi)) {
            source = MakeRangePrizeSource(lo, hi);
        } else {
            source.key = event.first;
            for (const PrizeWinner& w : winners) {
                if (source.entries.size() < 64) source.entries.insert(source.entries.end(), 2, w.entry);
            }
            source.entries.push_back("extra");
        }
        for (int round = 0; round < 3; ++round) {
            const std::size_t before = winners.size();
            const std::size_t eligible = CountEligible(tiers, source, winners, FindCurrentTier(tiers, winners));
            const BatchOutcome outcome = DrawPrizeBatch(tiers, source, winners, random);
            FUZZ_CHECK(winners.size() == before + outcome.drawn);
            if (outcome.status != BatchStatus::AllDrawn) {
                FUZZ_CHECK(outcome.drawn == std::min<std::size_t>(eligible, static_cast<std::size_t>(outcome.wanted)));
            }
            CheckNobodyWinsWrongly(tiers, winners, before);
        }

        // The kept draw state draws the very same people from a name file,
        // and by the same rules from a range, whatever the file's winners.
        const PrizeSource counted = source.isRange ? source : MakeEntriesPrizeSource(source.key, source.entries);
        PrizeWinners listed = event.second, kept = event.second;
        RandomSource listedRandom = random, keptRandom = random;
        PrizeDrawCache cache;
        for (int round = 0; round < 3; ++round) {
            const std::size_t before = kept.size();
            const BatchOutcome a = DrawPrizeBatch(tiers, counted, listed, listedRandom);
            const BatchOutcome b = DrawPrizeBatch(tiers, counted, kept, keptRandom, &cache);
            FUZZ_CHECK(a.status == b.status && a.drawn == b.drawn && a.tier == b.tier && a.batch == b.batch);
            FUZZ_CHECK(counted.isRange || SameWinners(listed, kept));
            CheckNobodyWinsWrongly(tiers, kept, before);
        }
    }
}

// ---- Rosters ----

// What every table reader promises: within the limits, and no row ends in
// an empty cell (rows end at their last value).
void CheckTable(const CellTable& table) {
    FUZZ_CHECK(RowCount(table) <= kRosterRowLimit);
    FUZZ_CHECK(table.rowEnds.empty() || table.rowEnds.back() == table.cells.size());
    for (std::size_t r = 0; r < RowCount(table); ++r) {
        FUZZ_CHECK(RowStart(table, r) <= table.rowEnds[r]);
        const std::size_t width = RowWidth(table, r);
        FUZZ_CHECK(width <= kRosterColumnLimit);
        FUZZ_CHECK(width == 0 || !CellAt(table, r, width - 1).empty());
    }
    for (const CellSpan& span : table.cells) FUZZ_CHECK(span.at <= table.text.size() && span.size <= table.text.size() - span.at);
}

// The name file made of a table by the default columns: one line a person,
// at most three fields, nothing in a field that could split it.
void CheckRosterFile(const CellTable& table) {
    const RosterColumns columns = GuessRosterColumns(table);
    const RosterPlan plan = PlanRoster(table, columns);
    const std::string bytes = RosterFileBytes(table, columns, plan);
    if (plan.rows.empty()) {
        FUZZ_CHECK(bytes.empty());
        return;
    }
    FUZZ_CHECK(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0);
    std::size_t lines = 1;
    std::size_t tabs = 0;
    for (std::size_t i = 3; i < bytes.size(); ++i) {
        const char c = bytes[i];
        // Every line starts with a name: an empty one would be drawn.
        if (i == 3 || bytes[i - 1] == '\n') FUZZ_CHECK(c != '\r' && c != '\t' && c != ' ');
        if (c == '\r') {
            FUZZ_CHECK(i + 1 < bytes.size() && bytes[i + 1] == '\n');
            ++i;
            ++lines;
            tabs = 0;
        } else {
            FUZZ_CHECK(c != '\n');
            if (c == '\t') FUZZ_CHECK(++tabs <= 2);
        }
    }
    FUZZ_CHECK(lines == plan.rows.size());
    std::u16string units;
    FUZZ_CHECK(DecodeStrictUtf8(bytes.data() + 3, bytes.size() - 3, units));
    FUZZ_CHECK(plan.rows.size() + plan.emptyRows + plan.duplicateRows <= RowCount(table));
}

std::string WriteCsv(const CellTable& table, char separator) {
    std::string text;
    for (std::size_t r = 0; r < RowCount(table); ++r) {
        if (r > 0) text += "\r\n";
        for (std::size_t c = 0; c < RowWidth(table, r); ++c) {
            if (c > 0) text += separator;
            const std::string_view cell = CellAt(table, r, c);
            if (cell.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
                text += cell;
                continue;
            }
            text += '"';
            for (char ch : cell) text += ch == '"' ? std::string("\"\"") : std::string(1, ch);
            text += '"';
        }
    }
    return text;
}

// Bytes as Latin-1: the fuzzer needs some decoder, not GBK's tables.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | b >> 6);
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// ---- Pools ----

void CheckPools(const std::string& bytes) {
    const DrawPools pools = ParsePools(bytes);
    std::size_t entries = 0;
    for (const auto& source : pools.names) {
        FUZZ_CHECK(!source.second.empty());
        for (const std::string& name : source.second) FUZZ_CHECK(!name.empty());
        entries += source.second.size();
    }
    for (const auto& source : pools.numbers) {
        int32_t lo = 0, hi = 0;
        FUZZ_CHECK(ParseNumberSourceKey(source.first, lo, hi));
        FUZZ_CHECK(NumberSourceKey(lo, hi) == source.first);
        const std::vector<int32_t>& values = source.second;
        FUZZ_CHECK(!values.empty());
        for (std::size_t i = 0; i < values.size(); ++i) {
            FUZZ_CHECK(values[i] >= lo && values[i] <= hi);
            FUZZ_CHECK(i == 0 || values[i - 1] < values[i]);
        }
        entries += values.size();
    }
    FUZZ_CHECK(entries <= kMaxPoolEntries);

    const std::string written = SerializePools(pools);
    const DrawPools back = ParsePools(written);
    FUZZ_CHECK(back.names == pools.names);
    FUZZ_CHECK(back.numbers == pools.numbers);
    FUZZ_CHECK(SerializePools(back) == written);
}

}  // namespace

int FuzzPrizesIni(const uint8_t* data, std::size_t size) {
    CheckPrizesIni(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzPrizeProgress(const uint8_t* data, std::size_t size) {
    CheckPrizeProgress(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzZipDirectory(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The folded CRC over the raw bytes, from an odd start too.
    for (std::size_t skip : {std::size_t(0), std::size_t(3)})
        if (size >= skip)
            FUZZ_CHECK(UpdateZipCrc(0x5EED, data + skip, size - skip) == crc32(0x5EED, data + skip, static_cast<uInt>(size - skip)));
    std::vector<ZipEntry> entries;
    const ZipStatus status = ReadZipDirectory(bytes, entries);
    FUZZ_CHECK(status == ZipStatus::Ok || entries.empty());
    FUZZ_CHECK(entries.size() <= kZipEntryLimit);
    const std::size_t limit = 1 << 20;
    for (std::size_t i = 0; i < entries.size() && i < 50; ++i) {
        std::string out = "stale";
        const ZipStatus inflated = InflateZipEntry(bytes, entries[i], limit, out);
        if (inflated == ZipStatus::Ok) {
            FUZZ_CHECK(out.size() == entries[i].size && out.size() <= limit);
        } else {
            FUZZ_CHECK(out.empty());
        }
    }
    XlsxBook book;
    if (OpenXlsxBook(bytes, book) != TableStatus::Ok) return 0;
    FUZZ_CHECK(!book.sheetNames.empty() && book.sheetNames.size() == book.sheetParts.size());
    for (std::size_t sheet = 0; sheet < book.sheetParts.size() && sheet < 8; ++sheet) {
        CellTable table;
        if (ReadXlsxSheet(book, sheet, table) == TableStatus::Ok) CheckTable(table);
        else FUZZ_CHECK(RowCount(table) == 0);
    }
    return 0;
}

int FuzzSheetXml(const uint8_t* data, std::size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> shared, sharedByGeneral;
    ParseSharedStrings(xml, shared);
    ParseSharedStrings(xml, sharedByGeneral, true);
    FUZZ_CHECK(shared == sharedByGeneral);
    std::vector<bool> dateStyles;
    ParseDateStyles(xml, dateStyles);
    std::vector<WorkbookSheet> sheets;
    bool date1904 = false;
    ParseWorkbookXml(xml, sheets, date1904);
    ParseRelationships(xml);
    SheetContext context;
    context.sharedStrings = &shared;
    context.dateStyles = &dateStyles;
    context.date1904 = date1904;
    CellTable table;
    const TableStatus status = ParseSheetXml(xml, context, table);
    if (status == TableStatus::Ok) {
        CheckTable(table);
        CheckRosterFile(table);
    }
    // The shortcut for plain cells reads exactly what the general reader does.
    context.generalOnly = true;
    CellTable general;
    FUZZ_CHECK(ParseSheetXml(xml, context, general) == status);
    FUZZ_CHECK(general.rowEnds == table.rowEnds);
    for (std::size_t r = 0; r < RowCount(table); ++r)
        for (std::size_t c = 0; c < RowWidth(table, r); ++c) FUZZ_CHECK(CellAt(general, r, c) == CellAt(table, r, c));
    return 0;
}

int FuzzCsvTable(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeRosterText(bytes, Latin1ToUtf8);
    const char separator = DetectCsvSeparator(text);
    FUZZ_CHECK(separator == ',' || separator == ';' || separator == '\t');
    CellTable table;
    if (ReadCsvTable(text, separator, table) != TableStatus::Ok) {
        FUZZ_CHECK(RowCount(table) == 0);
        return 0;
    }
    CheckTable(table);
    CellTable again;
    FUZZ_CHECK(ReadCsvTable(WriteCsv(table, separator), separator, again) == TableStatus::Ok);
    FUZZ_CHECK(RowCount(again) == RowCount(table));
    for (std::size_t r = 0; r < RowCount(table) && r < RowCount(again); ++r) {
        FUZZ_CHECK(RowWidth(again, r) == RowWidth(table, r));
        for (std::size_t c = 0; c < RowWidth(table, r); ++c) FUZZ_CHECK(CellAt(again, r, c) == CellAt(table, r, c));
    }
    CheckRosterFile(table);
    return 0;
}

int FuzzPoolsFile(const uint8_t* data, std::size_t size) {
    CheckPools(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzParseNumber(const uint8_t* data, std::size_t size) {
    CheckNumber(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

int FuzzNameFile(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckDecoding(bytes);
    CheckNames(bytes);
    return 0;
}
