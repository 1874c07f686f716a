#pragma once
// The CRC-32 that zip entries carry (zlib's crc32, same values), computed by
// carry-less multiplication where the processor has it: checking a sheet's
// bytes took a quarter of the time inflating them did.
#include <cstddef>
#include <cstdint>

// Continues `crc` over `size` bytes, as zlib's crc32(crc, data, size) does.
uint32_t UpdateZipCrc(uint32_t crc, const void* data, std::size_t size);
