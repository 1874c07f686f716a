#include "engine/zip_directory.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "engine/zip_crc.h"

#include "tests/support/zip_writer.h"

namespace {

const std::string kSheet = [] {
    std::string xml;
    for (int i = 0; i < 2000; ++i) xml += "<row r=\"" + std::to_string(i + 1) + "\"><c><v>" + std::to_string(i) + "</v></c></row>";
    return xml;
}();

std::string TwoEntries() {
    return WriteZip({{"xl/worksheets/sheet1.xml", kSheet, true}, {"mimetype", "stored text", false}});
}

TEST(ZipDirectory, ReadsStoredAndDeflatedEntries) {
    const std::string archive = TwoEntries();
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadZipDirectory(archive, entries), ZipStatus::Ok);
    ASSERT_EQ(entries.size(), 2u);
    std::string out;
    const ZipEntry* sheet = FindZipEntry(entries, "/XL/Worksheets/Sheet1.xml");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(InflateZipEntry(archive, *sheet, 1 << 20, out), ZipStatus::Ok);
    EXPECT_EQ(out, kSheet);
    EXPECT_EQ(InflateZipEntry(archive, *FindZipEntry(entries, "mimetype"), 100, out), ZipStatus::Ok);
    EXPECT_EQ(out, "stored text");
    EXPECT_EQ(FindZipEntry(entries, "xl/worksheets/sheet2.xml"), nullptr);
}

TEST(ZipDirectory, AnArchiveCommentAfterTheEndRecordIsAllowed) {
    std::string archive = TwoEntries();
    archive[archive.size() - 2] = 5;  // comment length
    archive += "hello";
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadZipDirectory(archive, entries), ZipStatus::Ok);
    EXPECT_EQ(entries.size(), 2u);
}

TEST(ZipDirectory, EveryCutOfAnArchiveEndsInAStatusNotACrash) {
    const std::string archive = TwoEntries();
    for (std::size_t size = 0; size < archive.size(); size += 7) {
        const std::string cut = archive.substr(0, size);
        std::vector<ZipEntry> entries;
        const ZipStatus status = ReadZipDirectory(cut, entries);
        EXPECT_TRUE(status == ZipStatus::Damaged || status == ZipStatus::NotZip) << size;
    }
    // Whatever the directory claims, inflating stays inside the bytes.
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadZipDirectory(archive, entries), ZipStatus::Ok);
    const std::size_t dataEnd = 30 + entries[0].name.size() + entries[0].packedSize;
    for (std::size_t size = 0; size < dataEnd; size += 97) {
        std::string out;
        EXPECT_NE(InflateZipEntry(archive.substr(0, size), entries[0], 1 << 20, out), ZipStatus::Ok) << size;
        EXPECT_TRUE(out.empty());
    }
}

// One byte changed in the archive, and what reading then gives.
struct Damage {
    const char* what;
    std::size_t (*offset)(const std::string& archive);  // where, in the archive of one deflated entry
    char value;
    ZipStatus read;     // the directory
    ZipStatus inflate;  // the entry, when the directory reads
};

std::size_t DirectoryAt(const std::string& archive) { return archive.rfind("PK\x01\x02"); }

const Damage kDamages[] = {
    {"encrypted flag", [](const std::string& a) { return DirectoryAt(a) + 8; }, 1, ZipStatus::Ok, ZipStatus::Unsupported},
    {"method 12 (bzip2)", [](const std::string& a) { return DirectoryAt(a) + 10; }, 12, ZipStatus::Ok,
     ZipStatus::Unsupported},
    {"wrong CRC", [](const std::string& a) { return DirectoryAt(a) + 16; }, 0x55, ZipStatus::Ok, ZipStatus::Damaged},
    {"stated size too small", [](const std::string& a) { return DirectoryAt(a) + 24; }, 1, ZipStatus::Ok,
     ZipStatus::Damaged},
    {"local header moved", [](const std::string& a) { return DirectoryAt(a) + 42; }, 9, ZipStatus::Ok,
     ZipStatus::Damaged},
    {"deflate data broken", [](const std::string&) { return std::size_t{30 + 24}; }, '\xFF', ZipStatus::Ok,
     ZipStatus::Damaged},
    {"directory signature", [](const std::string& a) { return DirectoryAt(a); }, 'X', ZipStatus::Damaged,
     ZipStatus::Ok},
    {"zip64 entry count", [](const std::string& a) { return a.size() - 12; }, '\xFF', ZipStatus::Ok, ZipStatus::Ok},
    {"directory offset past its end", [](const std::string& a) { return a.size() - 3; }, 0x40, ZipStatus::Damaged,
     ZipStatus::Ok},
};

TEST(ZipDirectory, DamagedArchives) {
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.what);
        std::string archive = WriteZip({{"a.xml", kSheet, true}});
        archive[damage.offset(archive)] = damage.value;
        std::vector<ZipEntry> entries;
        const ZipStatus read = ReadZipDirectory(archive, entries);
        if (std::string(damage.what) == "zip64 entry count") {
            archive[archive.size() - 11] = '\xFF';
            EXPECT_EQ(ReadZipDirectory(archive, entries), ZipStatus::Unsupported);
            continue;
        }
        EXPECT_EQ(read, damage.read);
        if (read != ZipStatus::Ok) continue;
        std::string out;
        EXPECT_EQ(InflateZipEntry(archive, entries[0], 1 << 20, out), damage.inflate);
    }
}

TEST(ZipDirectory, AnEntryThatInflatesPastTheLimitStopsThere) {
    // 8 MB of zeros deflate to 8 KB; the directory may say so or lie.
    const std::string zeros(8u << 20, '\0');
    std::string archive = WriteZip({{"xl/worksheets/sheet1.xml", zeros, true}});
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadZipDirectory(archive, entries), ZipStatus::Ok);
    std::string out;
    EXPECT_EQ(InflateZipEntry(archive, entries[0], 1 << 20, out), ZipStatus::TooLarge);
    EXPECT_TRUE(out.empty());
    entries[0].size = 1000;  // a lying directory: the limit still holds
    EXPECT_EQ(InflateZipEntry(archive, entries[0], 1 << 20, out), ZipStatus::TooLarge);
    EXPECT_EQ(InflateZipEntry(archive, entries[0], 16u << 20, out), ZipStatus::Damaged);
}

TEST(ZipDirectory, NotAZip) {
    for (const std::string& bytes : {std::string(), std::string("PK"), std::string(100, 'x'),
                                    std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + std::string(600, '\0')}) {
        std::vector<ZipEntry> entries;
        EXPECT_EQ(ReadZipDirectory(bytes, entries), ZipStatus::NotZip);
    }
}

// The folded CRC against zlib's: lengths around its 64- and 16-byte steps
// and the table's 256-byte threshold, unaligned starts, running values.
TEST(ZipCrc, AgreesWithZlibAtEveryStep) {
    std::mt19937 random(7);
    std::string bytes(70000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    for (std::size_t size : {0u, 1u, 15u, 255u, 256u, 257u, 271u, 319u, 320u, 321u, 4099u, 69990u})
        for (std::size_t offset : {0u, 1u, 7u})
            for (uint32_t crc : {0u, 0xFFFFFFFFu, 0x1D2C3B4Au}) {
                const auto* data = reinterpret_cast<const Bytef*>(bytes.data() + offset);
                EXPECT_EQ(UpdateZipCrc(crc, data, size), crc32(crc, data, static_cast<uInt>(size)))
                    << size << " bytes at " << offset << " from " << crc;
            }
}

}  // namespace
