#pragma once
// The central directory of a zip archive held in memory, and one entry's
// bytes inflated from it. Only what workbooks use: stored and deflated
// entries, no zip64, no encryption, no spanning. The archive is whatever a
// user chose to open, so every offset and size in it is checked against the
// bytes there are before it is used, and inflating stops at a limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;               // as stored: '/'-separated, no decoding
    uint16_t flags = 0;
    uint16_t method = 0;            // 0 stored, 8 deflated
    uint32_t crc = 0;
    uint32_t packedSize = 0;
    uint32_t size = 0;              // inflated, as the directory says
    uint32_t headerOffset = 0;      // of the local header
};

enum class ZipStatus {
    Ok,
    NotZip,        // no end-of-directory record
    Damaged,       // cut short, or offsets and sizes that do not fit the bytes
    Unsupported,   // zip64, encrypted, or a method other than stored/deflated
    TooLarge,      // the entry inflates past the caller's limit
};

// At most this many entries; a workbook has a few dozen.
const std::size_t kZipEntryLimit = 10000;

// Reads the central directory at the end of `archive`.
ZipStatus ReadZipDirectory(const std::string& archive, std::vector<ZipEntry>& entries);

// The entry whose name is `name`, ASCII case ignored and a leading '/'
// ignored on both; null when there is none.
const ZipEntry* FindZipEntry(const std::vector<ZipEntry>& entries, const std::string& name);

// The entry's bytes into `out`, checked against its CRC and its stated size.
// TooLarge as soon as more than `limit` bytes come out (or the directory
// states more), so a deflate bomb costs at most `limit` bytes of memory.
ZipStatus InflateZipEntry(const std::string& archive, const ZipEntry& entry, std::size_t limit, std::string& out);
