// The workbook's sheet and shared strings read by our own XML reader and by
// Windows' XmlLite into the same CellTable, side by side, for the choice of
// reader: the program keeps its own. Both start from the inflated parts;
// XmlLite reads them through an IStream over the same memory. The tables
// are compared cell by cell, so the two figures are for the same work.
#include <windows.h>

#include <objidl.h>
#include <psapi.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "engine/xlsx_sheet.h"
#include "bench/roster_workbook.h"

namespace {

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// Where XmlLite last stopped with an error: part, line, column.
char g_stoppedAt[80] = "";

void NoteStop(const char* part, IXmlReader* reader) {
    UINT line = 0, position = 0;
    reader->GetLineNumber(&line);
    reader->GetLinePosition(&position);
    std::snprintf(g_stoppedAt, sizeof g_stoppedAt, " at %s %u:%u", part, line, position);
}

std::string Utf8Of(const WCHAR* text, UINT length) {
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0], size, nullptr, nullptr);
    return out;
}

bool LocalNameIs(IXmlReader* reader, const WCHAR* name) {
    const WCHAR* local = nullptr;
    UINT length = 0;
    return SUCCEEDED(reader->GetLocalName(&local, &length)) && length == wcslen(name) &&
           std::memcmp(local, name, length * sizeof(WCHAR)) == 0;
}

// A reader over `xml` in memory; null when XmlLite refuses.
IXmlReader* OpenReader(CreateXmlReaderFunction create, const std::string& xml) {
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), static_cast<UINT>(xml.size()));
    if (!stream) return nullptr;
    IXmlReader* reader = nullptr;
    if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetInput(stream))) {
        if (reader) reader->Release();
        reader = nullptr;
    }
    stream->Release();
    return reader;
}

// The string items: the text of each <si>'s <t> elements, phonetic runs left out.
HRESULT ReadSharedStringsXmlLite(CreateXmlReaderFunction create, const std::string& xml, std::vector<std::string>& strings) {
    strings.clear();
    IXmlReader* reader = OpenReader(create, xml);
    if (!reader) return E_FAIL;
    XmlNodeType type;
    HRESULT result;
    int phonetic = 0;
    bool inText = false;
    while ((result = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            const bool empty = reader->IsEmptyElement();
            if (LocalNameIs(reader, L"si")) strings.emplace_back();
            else if (LocalNameIs(reader, L"t")) inText = !empty;
            else if (LocalNameIs(reader, L"rPh") && !empty) ++phonetic;
        } else if (type == XmlNodeType_EndElement) {
            if (LocalNameIs(reader, L"t")) inText = false;
            else if (LocalNameIs(reader, L"rPh") && phonetic > 0) --phonetic;
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA || type == XmlNodeType_Whitespace) && inText &&
                   phonetic == 0 && !strings.empty()) {
            const WCHAR* value = nullptr;
            UINT length = 0;
            reader->GetValue(&value, &length);
            strings.back() += Utf8Of(value, length);
        }
    }
    if (FAILED(result)) NoteStop("strings", reader);
    reader->Release();
    return result == S_FALSE ? S_OK : result;
}

bool ParseReference(const WCHAR* text, UINT length, std::size_t& column, std::size_t& row) {
    UINT at = 0;
    column = 0;
    for (; at < length && text[at] >= L'A' && text[at] <= L'Z'; ++at) column = column * 26 + (text[at] - L'A' + 1);
    row = 0;
    for (; at < length && text[at] >= L'0' && text[at] <= L'9'; ++at) row = row * 10 + (text[at] - L'0');
    if (column == 0 || row == 0 || at != length) return false;
    --column;
    --row;
    return true;
}

// The cells of the sheet, as ParseSheetXml reads the same sheet (shared
// strings, numbers, other text; what this sheet holds).
HRESULT ReadSheetXmlLite(CreateXmlReaderFunction create, const std::string& xml, const std::vector<std::string>& shared,
                         CellTable& table) {
    ClearTable(table);
    IXmlReader* reader = OpenReader(create, xml);
    if (!reader) return E_FAIL;
    XmlNodeType type;
    HRESULT result;
    std::size_t row = 0, column = 0, nextColumn = 0;
    bool inValue = false, sharedCell = false;
    std::wstring value;
    while ((result = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            if (LocalNameIs(reader, L"c")) {
                sharedCell = false;
                column = nextColumn;
                value.clear();
                for (HRESULT more = reader->MoveToFirstAttribute(); more == S_OK; more = reader->MoveToNextAttribute()) {
                    const WCHAR* text = nullptr;
                    UINT length = 0;
                    reader->GetValue(&text, &length);
                    if (LocalNameIs(reader, L"r")) ParseReference(text, length, column, row);
                    else if (LocalNameIs(reader, L"t")) sharedCell = length == 1 && text[0] == L's';
                }
                nextColumn = column + 1;
            } else if (LocalNameIs(reader, L"v")) {
                inValue = !reader->IsEmptyElement();
            } else if (LocalNameIs(reader, L"row")) {
                nextColumn = 0;
            }
        } else if (type == XmlNodeType_EndElement) {
            if (LocalNameIs(reader, L"v")) {
                inValue = false;
            } else if (LocalNameIs(reader, L"c") && !value.empty()) {
                const std::string text = Utf8Of(value.data(), static_cast<UINT>(value.size()));
                if (sharedCell) {
                    const std::size_t index = std::strtoul(text.c_str(), nullptr, 10);
                    if (index >= shared.size()) {
                        result = E_FAIL;
                        break;
                    }
                    SetCell(table, row, column, shared[index]);
                } else {
                    SetCell(table, row, column, FormatCellNumber(text, false, false));
                }
            }
        } else if (type == XmlNodeType_Text && inValue) {
            const WCHAR* text = nullptr;
            UINT length = 0;
            reader->GetValue(&text, &length);
            value.append(text, length);
        }
    }
    if (FAILED(result)) NoteStop("sheet", reader);
    reader->Release();
    return result == S_FALSE ? S_OK : result;
}

bool SameTables(const CellTable& a, const CellTable& b) {
    if (RowCount(a) != RowCount(b)) return false;
    for (std::size_t r = 0; r < RowCount(a); ++r) {
        if (RowWidth(a, r) != RowWidth(b, r)) return false;
        for (std::size_t c = 0; c < RowWidth(a, r); ++c)
            if (CellAt(a, r, c) != CellAt(b, r, c)) return false;
    }
    return true;
}

template <typename Work>
double BestMilliseconds(int rounds, Work work) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double begin = BenchNow();
        work();
        best = std::min(best, (BenchNow() - begin) * 1000);
    }
    return best;
}

// The process's committed private memory, to see what a parse leaves
// behind at its peak.
std::size_t PeakPrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PeakPagefileUsage;
}

}  // namespace

// A thread procedure is stdcall on 32-bit Windows, which a lambda cannot be.
struct CutRead {
    CreateXmlReaderFunction create;
    const std::string* xml;
    const std::vector<std::string>* strings;
    CellTable table;
    HRESULT result = E_FAIL;
};

DWORD WINAPI ReadCutSheet(void* parameter) {
    CutRead& read = *static_cast<CutRead*>(parameter);
    read.result = ReadSheetXmlLite(read.create, *read.xml, *read.strings, read.table);
    return 0;
}

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    HMODULE xmllite = LoadLibraryA("xmllite.dll");
    const auto create =
        xmllite ? reinterpret_cast<CreateXmlReaderFunction>(reinterpret_cast<void*>(GetProcAddress(xmllite, "CreateXmlReader")))
                : nullptr;
    if (!create) {
        std::printf("  XmlLite: xmllite.dll or CreateXmlReader is not there (error %lu)\n", GetLastError());
        return 1;
    }

    XlsxBook book;
    if (OpenXlsxBook(MakeRosterWorkbook(10000), book) != TableStatus::Ok) return 1;
    std::string sheetXml, stringsXml;
    InflateZipEntry(book.archive, *FindZipEntry(book.entries, "xl/worksheets/sheet1.xml"), kRosterPartLimit, sheetXml);
    InflateZipEntry(book.archive, *FindZipEntry(book.entries, "xl/sharedStrings.xml"), kRosterPartLimit, stringsXml);

    // Each part timed alone, ours and XmlLite's, then again the other way
    // round, so that neither alone pays for the heap growing. XmlLite's
    // sheet looks its shared strings up in ours, so that a failure in the
    // string table still leaves the sheet's figure.
    CellTable ours, theirs;
    std::vector<std::string> ourStrings, theirStrings;
    SheetContext context;
    context.sharedStrings = &ourStrings;
    ParseSharedStrings(stringsXml, ourStrings);
    HRESULT stringsResult = S_OK, sheetResult = S_OK;
    const auto ourStringsWork = [&] { ParseSharedStrings(stringsXml, ourStrings); };
    const auto theirStringsWork = [&] { stringsResult = ReadSharedStringsXmlLite(create, stringsXml, theirStrings); };
    const auto ourSheetWork = [&] { ParseSheetXml(sheetXml, context, ours); };
    const auto theirSheetWork = [&] { sheetResult = ReadSheetXmlLite(create, sheetXml, ourStrings, theirs); };
    const std::size_t before = PeakPrivateBytes();
    double ourSheet = BestMilliseconds(rounds, ourSheetWork);
    const std::size_t afterOurs = PeakPrivateBytes();
    double theirSheet = BestMilliseconds(rounds, theirSheetWork);
    const std::size_t afterTheirs = PeakPrivateBytes();
    theirSheet = std::min(theirSheet, BestMilliseconds(rounds, theirSheetWork));
    ourSheet = std::min(ourSheet, BestMilliseconds(rounds, ourSheetWork));
    double ourStringTime = BestMilliseconds(rounds, ourStringsWork);
    double theirStringTime = BestMilliseconds(rounds, theirStringsWork);
    const std::string stringsStop = g_stoppedAt;
    theirStringTime = std::min(theirStringTime, BestMilliseconds(rounds, theirStringsWork));
    ourStringTime = std::min(ourStringTime, BestMilliseconds(rounds, ourStringsWork));

    char line[240];
    std::snprintf(line, sizeof line, "sheet %zu bytes of XML, %zu rows; XmlLite 0x%08lx, tables agree: %s", sheetXml.size(),
                  RowCount(ours), static_cast<unsigned long>(sheetResult),
                  SUCCEEDED(sheetResult) && SameTables(ours, theirs) ? "yes" : "NO");
    PrintDetail(line);
    std::snprintf(line, sizeof line, "strings %zu bytes of XML, %zu items; XmlLite 0x%08lx%s, %zu items, agree: %s",
                  stringsXml.size(), ourStrings.size(), static_cast<unsigned long>(stringsResult), stringsStop.c_str(),
                  theirStrings.size(), SUCCEEDED(stringsResult) && ourStrings == theirStrings ? "yes" : "NO");
    PrintDetail(line);
    std::snprintf(line, sizeof line, "peak private bytes: before %zu KB, after ours %zu KB, after XmlLite %zu KB",
                  before / 1024, afterOurs / 1024, afterTheirs / 1024);
    PrintDetail(line);
    PrintFigure("10,000-row sheet XML to a table: ours", ourSheet, "ms", ourSheet, "", false);
    PrintFigure("the same sheet through XmlLite (baseline: ours)", theirSheet, "ms", ourSheet, "", false);
    PrintFigure("its 10,000 shared strings: ours", ourStringTime, "ms", ourStringTime, "", false);
    PrintFigure(SUCCEEDED(stringsResult) ? "the same strings through XmlLite" : "the same strings through XmlLite (FAILED)",
                theirStringTime, "ms", ourStringTime, "", false);

    // A sheet cut short, as a damaged file would be: what each reports.
    // XmlLite reads on its own thread, given 10 seconds: under Wine it has
    // been seen not to return.
    const std::string cut = sheetXml.substr(0, sheetXml.size() / 2);
    const TableStatus ourCut = ParseSheetXml(cut, context, ours);
    CutRead cutRead{create, &cut, &ourStrings, CellTable(), E_FAIL};
    HANDLE thread = CreateThread(nullptr, 0, ReadCutSheet, &cutRead, 0, nullptr);
    const bool returned = thread && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    if (returned) {
        std::snprintf(line, sizeof line, "half a sheet: ours %s, XmlLite 0x%08lx with %zu rows read",
                      ourCut == TableStatus::Damaged ? "Damaged" : ourCut == TableStatus::Ok ? "Ok" : "other",
                      static_cast<unsigned long>(cutRead.result), RowCount(cutRead.table));
    } else {
        std::snprintf(line, sizeof line, "half a sheet: ours %s; XmlLite had not returned after 10 s",
                      ourCut == TableStatus::Damaged ? "Damaged" : ourCut == TableStatus::Ok ? "Ok" : "other");
    }
    PrintDetail(line);
    std::fflush(stdout);
    // A reader still running on its thread would keep the process alive.
    if (!returned) ExitProcess(0);
    return 0;
}
