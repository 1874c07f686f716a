#include "engine/pool_book.h"

#include <algorithm>

#include "runtime/numbers.h"

namespace {

template <typename T>
std::vector<T> DrawnOf(const std::map<std::string, std::vector<T>>& drawn, const std::string& key) {
    auto found = drawn.find(key);
    return found == drawn.end() ? std::vector<T>() : found->second;
}

}  // namespace

PoolSource NumberPoolSource(int32_t a, int32_t b) {
    PoolSource source;
    source.valid = true;
    source.key = NumberSourceKey(a, b);
    source.lo = std::min(a, b);
    source.hi = std::max(a, b);
    return source;
}

std::vector<std::string> DrawnNames(const PoolBook& book, const std::string& source) {
    return DrawnOf(book.pools.names, source);
}

std::vector<int32_t> DrawnNumbers(const PoolBook& book, const std::string& source) {
    return DrawnOf(book.pools.numbers, source);
}

PoolCounts CountNumbers(const PoolBook& book, const PoolSource& source) {
    auto found = book.pools.numbers.find(source.key);
    const std::size_t drawn = found == book.pools.numbers.end() ? 0 : found->second.size();
    PoolCounts counts;
    counts.known = true;
    counts.total = static_cast<uint64_t>(static_cast<int64_t>(source.hi) - source.lo) + 1;
    counts.left = counts.total - std::min<uint64_t>(drawn, counts.total);
    return counts;
}

PoolTake TakeFromPool(PoolBook& book, DrawMode mode, const std::string& source, const std::string& entry) {
    PoolTake take;
    take.taken = true;
    take.mode = mode;
    take.source = source;
    if (take.mode == DrawMode::Name) {
        take.name = entry;
        AddDrawnName(book.pools, take.source, entry);
        auto counts = book.nameCounts.find(take.source);
        if (counts != book.nameCounts.end() && counts->second.left > 0) --counts->second.left;
    } else {
        take.number = ToInt32(ParseNumber(entry));
        AddDrawnNumber(book.pools, take.source, take.number);
    }
    return take;
}

bool ReturnToPool(PoolBook& book, const PoolTake& take) {
    if (!take.taken) return false;
    const bool returned = take.mode == DrawMode::Name ? RemoveDrawnName(book.pools, take.source, take.name)
                                                      : RemoveDrawnNumber(book.pools, take.source, take.number);
    // Whether the name is still an entry of its file is for a new count to say.
    if (returned && take.mode == DrawMode::Name) book.nameCounts.erase(take.source);
    return returned;
}

void EmptyDrawnSet(PoolBook& book, const PoolSource& source) {
    if (source.mode == DrawMode::Name) {
        book.pools.names.erase(source.key);
        auto counts = book.nameCounts.find(source.key);
        if (counts != book.nameCounts.end()) counts->second.left = counts->second.total;
    } else {
        book.pools.numbers.erase(source.key);
    }
}
