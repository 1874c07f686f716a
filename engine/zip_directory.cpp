#include "engine/zip_directory.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "engine/zip_crc.h"

namespace {

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kDirectorySignature = 0x02014b50;
const uint32_t kLocalSignature = 0x04034b50;
const std::size_t kEndSize = 22;
const std::size_t kDirectoryHeaderSize = 46;
const std::size_t kLocalHeaderSize = 30;

uint16_t Read16(const std::string& bytes, std::size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t Read32(const std::string& bytes, std::size_t at) {
    return static_cast<uint32_t>(Read16(bytes, at)) | static_cast<uint32_t>(Read16(bytes, at + 2)) << 16;
}

// The last end record whose comment length reaches exactly to the end of the
// bytes; failing that, the last one at all (some writers miscount the comment).
bool FindEndRecord(const std::string& archive, std::size_t& at) {
    if (archive.size() < kEndSize) return false;
    const std::size_t lowest = archive.size() > kEndSize + 0xFFFF ? archive.size() - kEndSize - 0xFFFF : 0;
    bool found = false;
    for (std::size_t i = archive.size() - kEndSize + 1; i-- > lowest;) {
        if (Read32(archive, i) != kEndSignature) continue;
        if (!found) at = i;
        found = true;
        if (i + kEndSize + Read16(archive, i + 20) == archive.size()) {
            at = i;
            return true;
        }
    }
    return found;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameEntryName(const std::string& a, const std::string& b) {
    const std::size_t skipA = !a.empty() && a[0] == '/' ? 1 : 0;
    const std::size_t skipB = !b.empty() && b[0] == '/' ? 1 : 0;
    if (a.size() - skipA != b.size() - skipB) return false;
    for (std::size_t i = 0; i < a.size() - skipA; ++i)
        if (FoldAscii(a[skipA + i]) != FoldAscii(b[skipB + i])) return false;
    return true;
}

ZipStatus ReadEntries(const std::string& archive, std::vector<ZipEntry>& entries);

}  // namespace

ZipStatus ReadZipDirectory(const std::string& archive, std::vector<ZipEntry>& entries) {
    entries.clear();
    // Entries read before a damaged one are no directory to go by.
    const ZipStatus status = ReadEntries(archive, entries);
    if (status != ZipStatus::Ok) entries.clear();
    return status;
}

namespace {

ZipStatus ReadEntries(const std::string& archive, std::vector<ZipEntry>& entries) {
    std::size_t end = 0;
    if (!FindEndRecord(archive, end)) {
        // A local header at the start with no end record: a zip cut short.
        return archive.size() >= 4 && Read32(archive, 0) == kLocalSignature ? ZipStatus::Damaged : ZipStatus::NotZip;
    }
    const uint16_t disk = Read16(archive, end + 4);
    const uint16_t count = Read16(archive, end + 10);
    const uint32_t directorySize = Read32(archive, end + 12);
    const uint32_t directoryOffset = Read32(archive, end + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
        return ZipStatus::Unsupported;  // zip64
    if (disk != 0) return ZipStatus::Unsupported;
    if (directoryOffset > end || directorySize > end - directoryOffset) return ZipStatus::Damaged;
    if (count > kZipEntryLimit) return ZipStatus::Unsupported;

    std::size_t at = directoryOffset;
    const std::size_t directoryEnd = std::size_t{directoryOffset} + directorySize;
    for (uint16_t i = 0; i < count; ++i) {
        if (directoryEnd - at < kDirectoryHeaderSize || Read32(archive, at) != kDirectorySignature)
            return ZipStatus::Damaged;
        ZipEntry entry;
        entry.flags = Read16(archive, at + 8);
        entry.method = Read16(archive, at + 10);
        entry.crc = Read32(archive, at + 16);
        entry.packedSize = Read32(archive, at + 20);
        entry.size = Read32(archive, at + 24);
        const std::size_t nameLength = Read16(archive, at + 28);
        const std::size_t extraLength = Read16(archive, at + 30);
        const std::size_t commentLength = Read16(archive, at + 32);
        entry.headerOffset = Read32(archive, at + 42);
        const std::size_t recordSize = kDirectoryHeaderSize + nameLength + extraLength + commentLength;
        if (directoryEnd - at < recordSize) return ZipStatus::Damaged;
        entry.name.assign(archive, at + kDirectoryHeaderSize, nameLength);
        entries.push_back(std::move(entry));
        at += recordSize;
    }
    return ZipStatus::Ok;
}

}  // namespace

const ZipEntry* FindZipEntry(const std::vector<ZipEntry>& entries, const std::string& name) {
    for (const ZipEntry& entry : entries)
        if (SameEntryName(entry.name, name)) return &entry;
    return nullptr;
}

ZipStatus InflateZipEntry(const std::string& archive, const ZipEntry& entry, std::size_t limit, std::string& out) {
    out.clear();
    if (entry.flags & 0x41) return ZipStatus::Unsupported;  // encrypted, strong encryption
    if (entry.method != 0 && entry.method != 8) return ZipStatus::Unsupported;
    if (entry.size > limit) return ZipStatus::TooLarge;
    const std::size_t header = entry.headerOffset;
    if (header > archive.size() || archive.size() - header < kLocalHeaderSize ||
        Read32(archive, header) != kLocalSignature)
        return ZipStatus::Damaged;
    // The local header's own name and extra lengths place the data; its sizes
    // may be zero (written after the data), so the directory's are used.
    const std::size_t dataOffset = header + kLocalHeaderSize + Read16(archive, header + 26) + Read16(archive, header + 28);
    if (dataOffset > archive.size() || archive.size() - dataOffset < entry.packedSize) return ZipStatus::Damaged;
    const char* data = archive.data() + dataOffset;

    if (entry.method == 0) {
        if (entry.packedSize != entry.size) return ZipStatus::Damaged;
        out.assign(data, entry.packedSize);
    } else {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return ZipStatus::Damaged;
        // The stated size is a hint for the first allocation only: a bomb may
        // lie about it, and the limit is what holds.
        out.resize(std::min<std::size_t>(std::max<std::size_t>(entry.size, 1024), limit + 1));
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream.avail_in = entry.packedSize;
        std::size_t produced = 0;
        int result = Z_OK;
        while (result == Z_OK) {
            if (produced == out.size()) {
                if (out.size() > limit) break;
                out.resize(std::min(out.size() * 2, limit + 1));
            }
            const std::size_t room = std::min<std::size_t>(out.size() - produced, 1u << 30);
            stream.next_out = reinterpret_cast<Bytef*>(&out[produced]);
            stream.avail_out = static_cast<uInt>(room);
            result = inflate(&stream, Z_NO_FLUSH);
            produced += room - stream.avail_out;
            if (result == Z_BUF_ERROR && stream.avail_out != 0) break;  // input ran out
            if (result == Z_BUF_ERROR) result = Z_OK;
        }
        inflateEnd(&stream);
        if (produced > limit) {
            out.clear();
            return ZipStatus::TooLarge;
        }
        out.resize(produced);
        if (result != Z_STREAM_END) {
            out.clear();
            return ZipStatus::Damaged;
        }
    }
    if (out.size() != entry.size || UpdateZipCrc(0, out.data(), out.size()) != entry.crc) {
        out.clear();
        return ZipStatus::Damaged;
    }
    return ZipStatus::Ok;
}
