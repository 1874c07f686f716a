#include "engine/xlsx_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/xml_tokens.h"
#include "tests/support/zip_writer.h"
#include "tests/support/cell_rows.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The token stream as text: <name attributes>, </name>, "text", [cdata], !error.
std::string Tokens(const std::string& xml) {
    XmlReader reader{xml};
    std::string out;
    for (;;) {
        const XmlToken token = NextXmlToken(reader);
        switch (token.kind) {
        case XmlKind::End: return out;
        case XmlKind::Error: return out + "!";
        case XmlKind::Open:
            out += "<" + std::string(token.name) + (token.attributes.empty() ? "" : "|" + std::string(token.attributes)) +
                   (token.selfClosing ? "/>" : ">");
            break;
        case XmlKind::Close: out += "</" + std::string(token.name) + ">"; break;
        case XmlKind::Text:
            out += (token.cdata ? "[" : "\"");
            AppendXmlTokenText(token, out);
            out += (token.cdata ? "]" : "\"");
            break;
        }
    }
}

TEST(XmlTokens, TokenStreams) {
    const struct {
        const char* xml;
        const char* tokens;
    } cases[] = {
        {"<?xml version=\"1.0\"?><a x=\"1\">t</a>", "<a| x=\"1\">\"t\"</a>"},
        {"<x:c r='A1'/><c/>", "<c| r='A1'/><c/>"},
        {"<a><!-- <b> --><![CDATA[<&amp;>]]></a>", "<a>[<&amp;>]</a>"},
        {"<!DOCTYPE a [<!ENTITY e \"x>\">]><a>&e;</a>", "<a>\"&e;\"</a>"},
        {"<a t=\"x>y\">", "<a| t=\"x>y\">"},
        {"<a>1 &lt; 2 &amp;&amp; &quot;&apos;&gt;</a>", "<a>\"1 < 2 && \"'>\"</a>"},
        {"<a>&#24352;&#x4F1F;&#X41;</a>", "<a>\"\xE5\xBC\xA0\xE4\xBC\x9F" "A\"</a>"},
        // References to nothing, or too long to be one, stay as written.
        {"<a>&#0;&#xD800;&#x110000;&nbsp;& ;&#99999999999;</a>", "<a>\"&#0;&#xD800;&#x110000;&nbsp;& ;&#99999999999;\"</a>"},
        {"<a", "!"},
        {"<a><!-- never ends", "<a>!"},
        {"<a><![CDATA[never", "<a>!"},
        {"text only", "\"text only\""},
    };
    for (const auto& c : cases) EXPECT_EQ(Tokens(c.xml), c.tokens) << c.xml;
}

TEST(XmlTokens, Attributes) {
    std::string value;
    EXPECT_TRUE(FindXmlAttribute(" r=\"B2\" t = 's' s=\"3\"", "t", value));
    EXPECT_EQ(value, "s");
    EXPECT_TRUE(FindXmlAttribute(" r:id=\"rId7\" name=\"&lt;1&gt;\"", "id", value));
    EXPECT_EQ(value, "rId7");
    EXPECT_TRUE(FindXmlAttribute(" r:id=\"rId7\" name=\"&lt;1&gt;\"", "name", value));
    EXPECT_EQ(value, "<1>");
    EXPECT_FALSE(FindXmlAttribute(" tt=\"1\" = \"2\" broken", "t", value));
    EXPECT_FALSE(FindXmlAttribute(" t=", "t", value));
}

TEST(XlsxSheet, NumberTexts) {
    const struct {
        const char* value;
        bool date;
        bool date1904;
        const char* shown;
    } cases[] = {
        {"2023017", false, false, "2023017"},
        {"2.023017E6", false, false, "2023017"},
        {"-0", false, false, "0"},
        {"0.1", false, false, "0.1"},
        {"0.30000000000000004", false, false, "0.3"},
        {"123456789012345678", false, false, "1.23456789012346E+17"},
        {"abc", false, false, "abc"},
        {"1e999", false, false, "1e999"},
        {"45292", true, false, "2024-01-01"},
        {"45292.5", true, false, "2024-01-01 12:00"},
        {"45292.000011574", true, false, "2024-01-01 00:00:01"},
        {"60", true, false, "1900-02-29"},
        {"59", true, false, "1900-02-28"},
        {"61", true, false, "1900-03-01"},
        {"1", true, false, "1900-01-01"},
        {"0", true, false, "0"},
        {"0", true, true, "0"},
        {"43830", true, true, "2024-01-01"},
        {"3000000", true, false, "3000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatCellNumber(c.value, c.date, c.date1904), c.shown) << c.value;
}

TEST(XlsxSheet, DateStyles) {
    std::vector<bool> dates;
    ParseDateStyles("<styleSheet><numFmts><numFmt numFmtId=\"176\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;\"/>"
                    "<numFmt numFmtId=\"177\" formatCode=\"0.00&quot;days&quot;\"/>"
                    "<numFmt numFmtId=\"178\" formatCode=\"[Red]0\"/></numFmts>"
                    "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
                    "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"176\"/><xf numFmtId=\"177\"/>"
                    "<xf numFmtId=\"178\"/><xf numFmtId=\"49\"/><xf numFmtId=\"57\"/><xf/></cellXfs></styleSheet>",
                    dates);
    EXPECT_EQ(dates, (std::vector<bool>{false, true, true, false, false, false, true, false}));
}

TEST(XlsxSheet, CellsOfASheet) {
    std::vector<std::string> shared;
    ParseSharedStrings(u8"<sst><si><t>姓名</t></si><si><t>张伟</t></si><si><r><t>Li</t></r>"
                       "<r><rPr><b/></rPr><t xml:space=\"preserve\"> Na</t></r><rPh sb=\"0\"><t>ri</t></rPh></si></sst>",
                       shared);
    ASSERT_EQ(shared.size(), 3u);
    const std::vector<bool> dateStyles{false, true};
    SheetContext context;
    context.sharedStrings = &shared;
    context.dateStyles = &dateStyles;
    const struct {
        const char* what;
        std::string xml;
        TableStatus status;
        Rows rows;
    } cases[] = {
        {"shared, inline, number, bool, error",
         "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>ID</t></is></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c><c r=\"B2\"><v>2.023017E6</v></c>"
         "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#N/A</v></c></row></sheetData>",
         TableStatus::Ok,
         {{u8"姓名", "ID"}, {u8"张伟", "2023017", "TRUE", "#N/A"}}},
        {"rich text runs joined, phonetic run left out",
         "<sheetData><row><c t=\"s\"><v>2</v></c><c t=\"inlineStr\"><is><r><t>A</t></r><r><t>B</t></r></is></c></row></sheetData>",
         TableStatus::Ok,
         {{"Li Na", "AB"}}},
        {"references place cells; missing rows are empty rows",
         "<sheetData><row r=\"2\"><c r=\"C2\"><v>1</v></c></row><row r=\"4\"><c r=\"A4\" t=\"str\"><f>x</f><v>f</v></c>"
         "<c r=\"B4\" s=\"1\"/></row></sheetData>",
         TableStatus::Ok,
         {{}, {"", "", "1"}, {}, {"f"}}},
        {"a cell without a reference follows the one before",
         "<sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c><c><v>2</v></c></row><row><c><v>3</v></c></row></sheetData>",
         TableStatus::Ok,
         {{"", "1", "2"}, {"3"}}},
        {"date style", "<sheetData><row><c s=\"1\"><v>45292</v></c><c s=\"9\"><v>45292</v></c></row></sheetData>",
         TableStatus::Ok,
         {{"2024-01-01", "45292"}}},
        {"merged header and merged class down a block",
         "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"inlineStr\"><is><t>Class</t></is></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>a</t></is></c><c r=\"C2\" t=\"inlineStr\"><is><t>1</t></is></c></row>"
         "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>b</t></is></c></row></sheetData>"
         "<mergeCells count=\"2\"><mergeCell ref=\"A1:B1\"/><mergeCell ref=\"C2:C1048576\"/></mergeCells>",
         TableStatus::Ok,
         {{u8"姓名", u8"姓名", "Class"}, {"a", "", "1"}, {"b", "", "1"}}},
        {"cells out of order land by their references; a cell named twice keeps the later",
         "<sheetData><row r=\"3\"><c r=\"A3\"><v>3</v></c></row><row r=\"1\"><c r=\"B1\"><v>1</v></c><c r=\"A1\"><v>0</v></c>"
         "</row><row r=\"3\"><c r=\"C3\"><v>4</v></c><c r=\"A3\"><v>5</v></c></row><row r=\"1\"><c r=\"B1\"><v>9</v></c>"
         "</row></sheetData>",
         TableStatus::Ok,
         {{"0", "9"}, {}, {"5", "", "4"}}},
        {"overlapping merged ranges fill only what was empty, the first range first",
         "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"B2\"><v>2</v></c></row>"
         "<row r=\"3\"><c r=\"A3\"><v>3</v></c></row></sheetData>"
         "<mergeCells><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"B2:B3\"/><mergeCell ref=\"A2:A3\"/></mergeCells>",
         TableStatus::Ok,
         {{"1", "1"}, {"1", "2"}, {"3", "2"}}},
        {"shared string out of range", "<sheetData><row><c t=\"s\"><v>3</v></c></row></sheetData>", TableStatus::Damaged, {}},
        {"cut short", "<sheetData><row><c t=\"s\"><v>1</v></c></row><row><c t=\"inlineStr\"><is><t>x", TableStatus::Damaged, {}},
        {"cut short between two tags", "<sheetData><row><c><v>1</v></c></row><row><c><v>2</v>", TableStatus::Damaged, {}},
        {"a value past the last row allowed", "<sheetData><row r=\"200001\"><c><v>1</v></c></row></sheetData>",
         TableStatus::TooManyRows, {}},
        {"an empty cell far out does not count", "<sheetData><row r=\"1048576\"><c r=\"XFD1048576\" s=\"1\"/></row></sheetData>",
         TableStatus::Ok, {}},
        {"a value past the last column allowed", "<sheetData><row><c r=\"IW1\"><v>1</v></c></row></sheetData>",
         TableStatus::TooManyColumns, {}},
        {"merged ranges bounded as a whole",
         "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"IV1\"><v>1</v></c></row><row r=\"100000\"><c><v>1</v></c></row></sheetData>"
         "<mergeCells><mergeCell ref=\"A1:IV100000\"/></mergeCells>",
         TableStatus::TooManyColumns, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CellTable table;
        EXPECT_EQ(ParseSheetXml(c.xml, context, table), c.status);
        if (c.status == TableStatus::Ok) {
            EXPECT_EQ(RowsOf(table), c.rows);
        }
    }
}

// The shortcut for plain cells and the general reader, cell by cell, on
// Excel's shapes and on odd ones the shortcut must hand over.
TEST(XlsxSheet, PlainCellsReadAsTheGeneralReaderReadsThem) {
    const std::vector<std::string> shared{u8"姓名", u8"张伟"};
    const std::vector<bool> dateStyles{false, true};
    const std::string longText(300, 'x');
    const struct {
        const char* what;
        std::string cells;  // inside one <row>
        TableStatus status;
        Rows rows;
    } cases[] = {
        {"as Excel writes them",
         "<c r=\"A1\" t=\"s\" s=\"3\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45292</v></c><c r=\"C1\" s=\"2\"/><c r=\"D1\"><v>2.5E3</v></c>",
         TableStatus::Ok, {{u8"姓名", "2024-01-01", "", "2500"}}},
        {"attributes in other orders and without spaces",
         "<c s=\"1\" t=\"n\" r=\"B1\"><v>45292</v></c><c t=\"s\"r=\"A1\"><v>1</v></c>", TableStatus::Ok,
         {{u8"张伟", "2024-01-01"}}},
        {"whitespace in tags and values", "<c\n r=\"A1\"\tt=\"s\" ><v>1</v></c ><c r=\"B1\" t=\"str\"><v> a b </v></c>",
         TableStatus::Ok, {{u8"张伟", " a b "}}},
        {"single quotes", "<c r='B1' t='s'><v>0</v></c><c r=\"C1\" t='b'><v>0</v></c>", TableStatus::Ok,
         {{"", u8"姓名", "FALSE"}}},
        {"entities in values", "<c r=\"A1\" t=\"str\"><v>a&amp;b</v></c><c t=\"e\"><v>&#35;N/A</v></c>", TableStatus::Ok,
         {{"a&b", "#N/A"}}},
        {"self-closing and empty cells move the column on",
         "<c r=\"A1\"/><c/><c s=\"1\" /><c></c><c><v></v></c><c><v>7</v></c>", TableStatus::Ok, {{"", "", "", "", "", "7"}}},
        {"no references", "<c t=\"s\"><v>1</v></c><c><v>2</v></c><c t=\"d\"><v>2024-05-01T00:00:00</v></c>", TableStatus::Ok,
         {{u8"张伟", "2", "2024-05-01"}}},
        {"prefixed names", "<x:c r=\"B1\" x:t=\"s\"><x:v>1</x:v></x:c><c r=\"A1\"><v>3</v></c>", TableStatus::Ok,
         {{"3", u8"张伟"}}},
        {"an attribute named twice keeps the later",
         "<c r=\"A1\" r=\"C1\"><v>1</v></c><c t=\"s\" t=\"n\"><v>5</v></c>", TableStatus::Ok, {{"", "", "1", "5"}}},
        {"other attributes and content", "<c r=\"A1\" cm=\"1\"><f>1+1</f><v>2</v></c><c r=\"B1\"><!-- c --><v>3</v></c>"
         "<c r=\"C1\" t=\"inlineStr\"><is><t>i</t></is></c><c r=\"D1\" t=\"str\"><v><![CDATA[<d>]]></v></c>",
         TableStatus::Ok, {{"2", "3", "i", "<d>"}}},
        {"a value longer than the shortcut looks", "<c r=\"A1\" t=\"str\"><v>" + longText + "</v></c><c><v>1</v></c>",
         TableStatus::Ok, {{longText, "1"}}},
        {"row tags in other shapes",
         "<c><v>1</v></c></row><row spans=\"1:2\" r=\"3\"><c><v>3</v></c></row ><row r='5'><c><v>5</v></c></row>"
         "<row r=\"x\" s=\"1\" ht=\">\"><c><v>6</v></c></row><row><c><v>7</v></c></row><row r=\"9\"/>"
         "<row r=\"10\" spans=\"1:1\"><c><v>10</v></c>",
         TableStatus::Ok, {{"1"}, {}, {"3"}, {}, {"5"}, {"6"}, {"7"}, {}, {}, {"10"}}},
        {"references and styles that are none",
         "<c r=\"ABCD1\"><v>1</v></c><c r=\"A12345678\"><v>2</v></c><c r=\"\"><v>3</v></c><c r=\"A0\"><v>4</v></c>"
         "<c r=\"1A\"><v>5</v></c><c r=\"H1\" s=\"\"><v>45292</v></c><c s=\"1x\"><v>45292</v></c><c s=\"0001\"><v>45292</v></c>",
         TableStatus::Ok, {{"1", "2", "3", "4", "5", "", "", "45292", "45292", "2024-01-01"}}},
        {"columns are no cells", "<cols><col min=\"1\" max=\"2\"/></cols><c r=\"A1\"><v>1</v></c>", TableStatus::Ok, {{"1"}}},
        {"a shared string out of range", "<c r=\"A1\" t=\"s\"><v>2</v></c>", TableStatus::Damaged, {}},
        {"a plain cell past the last row", "<c r=\"A200001\"><v>1</v></c>", TableStatus::TooManyRows, {}},
        {"a plain cell past the last column", "<c r=\"IW1\"><v>1</v></c>", TableStatus::TooManyColumns, {}},
        {"cut short inside a cell", "<c r=\"A1\"><v>1</v></c", TableStatus::Damaged, {}},
        {"cut short inside a value", "<c r=\"A1\"><v>12", TableStatus::Damaged, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool cut = c.cells.compare(c.cells.size() - 4, 4, "</c>") != 0;  // the cases cut short end so
        const std::string xml = "<sheetData><row r=\"1\" spans=\"1:4\">" + c.cells + (cut ? "" : "</row></sheetData>");
        for (const bool generalOnly : {false, true}) {
            SheetContext context;
            context.sharedStrings = &shared;
            context.dateStyles = &dateStyles;
            context.generalOnly = generalOnly;
            CellTable table;
            EXPECT_EQ(ParseSheetXml(xml, context, table), c.status) << (generalOnly ? "general" : "shortcut");
            EXPECT_EQ(RowsOf(table), c.rows) << (generalOnly ? "general" : "shortcut");
        }
    }
}

TEST(XlsxSheet, PlainStringItemsReadAsTheGeneralReaderReadsThem) {
    const struct {
        const char* what;
        std::string xml;
        std::vector<std::string> strings;
    } cases[] = {
        {"as Excel writes them", u8"<sst uniqueCount=\"3\"><si><t>张伟</t></si><si><t xml:space=\"preserve\"> a </t></si><si><t></t></si></sst>",
         {u8"张伟", " a ", ""}},
        {"entities, runs and phonetic runs",
         "<sst><si><t>a&amp;b</t></si><si><r><t>x</t></r><r><t>y</t></r></si><si><t>z</t><rPh><t>q</t></rPh></si></sst>",
         {"a&b", "xy", "z"}},
        {"other shapes", "<sst><si/><si><t/></si><si><t>a</t></si ><si>\n<t>b</t>\n</si><x:si><x:t>c</x:t></x:si></sst>",
         {"", "", "a", "b", "c"}},
        {"cut short", "<sst><si><t>a</t></si><si><t>abc", {"a", "abc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool generalOnly : {false, true}) {
            std::vector<std::string> strings;
            ParseSharedStrings(c.xml, strings, generalOnly);
            EXPECT_EQ(strings, c.strings) << (generalOnly ? "general" : "shortcut");
        }
    }
}

// A string of 100,000 bytes in 20,000 cells was 2 GB of copies; a merged
// range repeats it without copying too.
TEST(XlsxSheet, ASharedStringInManyCellsIsKeptOnce) {
    const std::vector<std::string> shared{std::string(100000, 'x'), "y"};
    SheetContext context;
    context.sharedStrings = &shared;
    std::string xml = "<sheetData>";
    for (int r = 1; r <= 20000; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c t=\"s\"><v>0</v></c>" + (r % 2 ? "" : "<c t=\"s\"><v>1</v></c>") + "</row>";
    xml += "</sheetData><mergeCells><mergeCell ref=\"A1:B1\"/></mergeCells>";
    CellTable table;
    ASSERT_EQ(ParseSheetXml(xml, context, table), TableStatus::Ok);
    ASSERT_EQ(RowCount(table), 20000u);
    EXPECT_TRUE(CellAt(table, 19999, 0) == shared[0]);
    EXPECT_EQ(CellAt(table, 19999, 1), "y");
    EXPECT_EQ(RowWidth(table, 19998), 1u);
    EXPECT_TRUE(CellAt(table, 0, 1) == shared[0]);  // filled from A1
    EXPECT_LT(table.text.size(), 2 * shared[0].size());
}

TEST(XlsxSheet, AWorkbookWithSeveralSheets) {
    const std::string archive = WriteXlsx(
        {{u8"三年二班", SheetRow(1, {"<c r=\"A1\" t=\"s\"><v>0</v></c>"}) + ""},
         {u8"名单 &amp; 备注", "<sheetData>" + SheetRow(1, {"<c r=\"B1\" t=\"s\"><v>1</v></c>"}) + "</sheetData>"}},
        {"x", "y"});
    XlsxBook book;
    ASSERT_EQ(OpenXlsxBook(archive, book), TableStatus::Ok);
    EXPECT_EQ(book.sheetNames, (std::vector<std::string>{u8"三年二班", u8"名单 & 备注"}));
    CellTable table;
    ASSERT_EQ(ReadXlsxSheet(book, 1, table), TableStatus::Ok);
    EXPECT_EQ(RowsOf(table), (Rows{{"", "y"}}));
    EXPECT_EQ(ReadXlsxSheet(book, 2, table), TableStatus::NoSheet);
}

TEST(XlsxSheet, ZipsThatAreNoWorkbook) {
    XlsxBook book;
    EXPECT_EQ(OpenXlsxBook(WriteZip({{"readme.txt", "hello"}}), book), TableStatus::NotWorkbook);
    // A workbook part whose sheets are all missing.
    EXPECT_EQ(OpenXlsxBook(WriteZip({{"xl/workbook.xml", "<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/></sheets></workbook>"},
                                     {"xl/_rels/workbook.xml.rels", "<Relationships/>"}}),
                           book),
              TableStatus::NoSheet);
    const std::string archive = WriteXlsx({{"a", "<sheetData/>"}}, {});
    EXPECT_EQ(OpenXlsxBook(archive.substr(0, archive.size() - 30), book), TableStatus::Damaged);
}

}  // namespace
