#pragma once
// What has been drawn from each source while draws without repeats were on,
// and the text file that keeps it across restarts. A pool is its source less
// what was drawn from it, so a number range of any size costs only its draws.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct DrawPools {
    // By name file: one element per drawn entry, so that two entries "张伟"
    // are two entries; in the order drawn.
    std::map<std::string, std::vector<std::string>> names;
    // By "lo~hi": the drawn values, ascending, each once.
    std::map<std::string, std::vector<int32_t>> numbers;
};

// The key of a number source, "lo~hi", whichever limit is the lower.
std::string NumberSourceKey(int32_t a, int32_t b);
// Reads "lo~hi" back; false for anything else.
bool ParseNumberSourceKey(const std::string& key, int32_t& lo, int32_t& hi);

// Drawn sets kept in a file of any size stop growing here; what is past the
// cap counts as not drawn.
const std::size_t kMaxPoolEntries = 1u << 24;

std::string SerializePools(const DrawPools& pools);
// Never fails: what cannot be read (no header, a file cut short, corrupt or
// unknown lines) counts as not drawn.
DrawPools ParsePools(const std::string& text);

// Changes to one source's drawn set; the number ones keep it ascending.
void AddDrawnName(DrawPools& pools, const std::string& source, const std::string& name);
bool RemoveDrawnName(DrawPools& pools, const std::string& source, const std::string& name);
void AddDrawnNumber(DrawPools& pools, const std::string& source, int32_t value);
bool RemoveDrawnNumber(DrawPools& pools, const std::string& source, int32_t value);
