#pragma once
// The bookkeeping of draws without repeats: what each source has given up,
// the latest counts of the name files' pools, and a result's take from its
// pool and its return.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/draw_pools.h"
#include "engine/draw_results.h"

// What a result took out of its pool, so that taking it back returns it.
struct PoolTake {
    bool taken = false;
    DrawMode mode = DrawMode::Number;
    std::string source;  // pool key: the name file, or "lo~hi"
    std::string name;    // name mode
    int32_t number = 0;  // number mode
};

struct PoolCounts {
    bool known = false;  // false: no source to count (refused limits)
    uint64_t left = 0;
    uint64_t total = 0;
};

// A source as the next Start takes it; `valid` is false for limits that
// would be refused.
struct PoolSource {
    bool valid = false;
    DrawMode mode = DrawMode::Number;
    std::string key;
    int32_t lo = 0, hi = 0;
};

PoolSource NumberPoolSource(int32_t a, int32_t b);

struct PoolBook {
    DrawPools pools;
    // The latest counts of each name file's pool; numbers are counted at once.
    std::map<std::string, PoolCounts> nameCounts;
};

// What the source has given up so far.
std::vector<std::string> DrawnNames(const PoolBook& book, const std::string& source);
std::vector<int32_t> DrawnNumbers(const PoolBook& book, const std::string& source);
PoolCounts CountNumbers(const PoolBook& book, const PoolSource& source);

// Takes a result out of the pool of `source`: the name, or the number the
// display text `entry` shows.
PoolTake TakeFromPool(PoolBook& book, DrawMode mode, const std::string& source, const std::string& entry);
// Puts a taken result back; false when it was no longer out.
bool ReturnToPool(PoolBook& book, const PoolTake& take);
// Every result of the source is drawable again.
void EmptyDrawnSet(PoolBook& book, const PoolSource& source);
