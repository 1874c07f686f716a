#pragma once
// Zip archives and .xlsx workbooks made in memory for tests, deflated with
// zlib as Excel's own are. Never linked into the program.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ZipPart {
    std::string name;
    std::string data;
    bool deflate = true;
};

inline void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

inline std::string DeflateRaw(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

inline std::string WriteZip(const std::vector<ZipPart>& parts) {
    std::string out, directory;
    for (const ZipPart& part : parts) {
        const std::string packed = part.deflate ? DeflateRaw(part.data) : part.data;
        const uint32_t crc = static_cast<uint32_t>(
            crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(part.data.data()), static_cast<uInt>(part.data.size())));
        const uint32_t offset = static_cast<uint32_t>(out.size());
        const uint16_t method = part.deflate ? 8 : 0;
        PutLE(out, 0x04034b50, 4);
        PutLE(out, 20, 2);
        PutLE(out, 0, 2);
        PutLE(out, method, 2);
        PutLE(out, 0, 4);  // time, date
        PutLE(out, crc, 4);
        PutLE(out, static_cast<uint32_t>(packed.size()), 4);
        PutLE(out, static_cast<uint32_t>(part.data.size()), 4);
        PutLE(out, static_cast<uint32_t>(part.name.size()), 2);
        PutLE(out, 0, 2);
        out += part.name + packed;
        PutLE(directory, 0x02014b50, 4);
        PutLE(directory, 20, 2);
        PutLE(directory, 20, 2);
        PutLE(directory, 0, 2);
        PutLE(directory, method, 2);
        PutLE(directory, 0, 4);
        PutLE(directory, crc, 4);
        PutLE(directory, static_cast<uint32_t>(packed.size()), 4);
        PutLE(directory, static_cast<uint32_t>(part.data.size()), 4);
        PutLE(directory, static_cast<uint32_t>(part.name.size()), 2);
        PutLE(directory, 0, 2);
        PutLE(directory, 0, 2);
        PutLE(directory, 0, 4);  // disk, internal attributes
        PutLE(directory, 0, 4);  // external attributes
        PutLE(directory, offset, 4);
        directory += part.name;
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    PutLE(out, 0x06054b50, 4);
    PutLE(out, 0, 4);
    PutLE(out, static_cast<uint32_t>(parts.size()), 2);
    PutLE(out, static_cast<uint32_t>(parts.size()), 2);
    PutLE(out, static_cast<uint32_t>(directory.size()), 4);
    PutLE(out, directoryOffset, 4);
    PutLE(out, 0, 2);
    return out;
}

// A workbook as Excel lays it out. Each sheet is its name and the XML
// between <worksheet> and </worksheet> (usually <sheetData>...</sheetData>).
struct TestSheet {
    std::string name;
    std::string body;
};

inline std::string SheetRow(int row, const std::vector<std::string>& cells) {
    return "<row r=\"" + std::to_string(row) + "\">" + [&] {
        std::string joined;
        for (const std::string& c : cells) joined += c;
        return joined;
    }() + "</row>";
}

inline std::string WriteXlsx(const std::vector<TestSheet>& sheets, const std::vector<std::string>& sharedStrings,
                             const std::string& stylesXml = std::string(), bool date1904 = false) {
    const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    std::vector<ZipPart> parts;
    std::string types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Types/>";
    parts.push_back({"[Content_Types].xml", types});
    parts.push_back({"_rels/.rels",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships><Relationship Id=\"rId1\" "
                     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                     "Target=\"xl/workbook.xml\"/></Relationships>"});
    std::string workbook = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + ">" +
                           (date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>") + "<sheets>";
    std::string rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships>";
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        workbook += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        parts.push_back({"xl/worksheets/sheet" + n + ".xml",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " + ns + ">" + sheets[i].body +
                             "</worksheet>"});
    }
    workbook += "</sheets></workbook>";
    rels += "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    std::string shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst " + ns + " count=\"" +
                         std::to_string(sharedStrings.size()) + "\" uniqueCount=\"" + std::to_string(sharedStrings.size()) + "\">";
    for (const std::string& s : sharedStrings) shared += s.compare(0, 4, "<si>") == 0 ? s : "<si><t>" + s + "</t></si>";
    shared += "</sst>";
    parts.push_back({"xl/sharedStrings.xml", shared});
    if (!stylesXml.empty()) {
        rels += "<Relationship Id=\"rIdT\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/styles\" Target=\"styles.xml\"/>";
        parts.push_back({"xl/styles.xml", stylesXml});
    }
    rels += "</Relationships>";
    parts.push_back({"xl/workbook.xml", workbook});
    parts.push_back({"xl/_rels/workbook.xml.rels", rels});
    return WriteZip(parts);
}
