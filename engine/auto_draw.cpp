#include "engine/auto_draw.h"

#include <algorithm>
#include <utility>

#include "runtime/numbers.h"

const char* const kRandomInterval = "随机(1-15)";
const char* const kTooManyResultsMessage = "抽取个数超过了可抽取的不同结果数";

bool PlanAutoDraw(const std::string& countText, const std::string& intervalText, AutoDrawPlan& plan) {
    plan = AutoDrawPlan{};
    const int32_t count = ToInt32(ParseNumber(countText));
    if (count < 1) return false;
    if (intervalText == kRandomInterval) {
        plan.randomSeconds = true;
    } else {
        const int64_t seconds = ToInt64(ParseNumber(intervalText));
        if (seconds < 1) return false;  // "" when nothing is selected
        // The list offers 1 to 10; the cap only keeps the milliseconds in 32 bits.
        plan.seconds = static_cast<uint32_t>(std::min<int64_t>(seconds, 3600));
    }
    plan.count = count;
    return true;
}

uint32_t SpacingMs(uint32_t seconds, const AutoDrawTiming& timing) {
    const uint64_t ms = static_cast<uint64_t>(seconds) * timing.secondMs;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX - 1));
}

uint32_t HoldMs(uint32_t seconds, const AutoDrawTiming& timing) {
    // A room needs about a second and a half to read a name; at shorter
    // spacings half of it still rolls, so the next result is seen coming.
    const uint64_t ms = static_cast<uint64_t>(std::min<uint32_t>(seconds, 3)) * timing.secondMs / 2;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, SpacingMs(seconds, timing)));
}

uint32_t RandomIndex(RandomSource& random, uint64_t count) {
    const int64_t first = INT32_MIN;
    const int32_t drawn = random.between(INT32_MIN, static_cast<int32_t>(first + static_cast<int64_t>(count) - 1));
    return static_cast<uint32_t>(static_cast<int64_t>(drawn) - first);
}

NumberPool MakeNumberPool(int32_t a, int32_t b) {
    NumberPool pool;
    pool.lowest = std::min(a, b);
    pool.size = static_cast<uint64_t>(static_cast<int64_t>(std::max(a, b)) - pool.lowest) + 1;
    return pool;
}

NumberPool MakeNumberPool(int32_t a, int32_t b, const std::vector<int32_t>& drawn) {
    NumberPool pool = MakeNumberPool(a, b);
    pool.taken.reserve(drawn.size());
    for (int32_t value : drawn) {
        const int64_t offset = value - pool.lowest;
        if (offset >= 0 && static_cast<uint64_t>(offset) < pool.size) pool.taken.push_back(static_cast<uint32_t>(offset));
    }
    std::sort(pool.taken.begin(), pool.taken.end());
    pool.taken.erase(std::unique(pool.taken.begin(), pool.taken.end()), pool.taken.end());
    return pool;
}

uint64_t NumbersLeft(const NumberPool& pool) {
    return pool.size - pool.taken.size();
}

uint32_t PickNumber(const NumberPool& pool, RandomSource& random) {
    // The r-th value not taken. Below taken[j] lie taken[j] - j free values,
    // which grows with j; the answer is r plus the count of taken offsets
    // whose free values below them are r or fewer.
    const uint32_t r = RandomIndex(random, NumbersLeft(pool));
    std::size_t low = 0, high = pool.taken.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (pool.taken[mid] - mid <= r) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return static_cast<uint32_t>(r + low);
}

std::string NumberText(const NumberPool& pool, uint32_t offset) {
    return FormatNumber(static_cast<long double>(pool.lowest + offset), true);
}

std::string TakeNumber(NumberPool& pool, uint32_t offset) {
    pool.taken.insert(std::lower_bound(pool.taken.begin(), pool.taken.end(), offset), offset);
    return NumberText(pool, offset);
}

namespace {

// A hash of field i as NameAt gives it (blanks trimmed at both ends, then
// every LF dropped), without building it; false for an empty name.
bool HashName(const NameList& list, std::size_t i, uint64_t& hash) {
    std::size_t first = i == 0 ? 0 : list.breaks[i - 1] + 1;
    std::size_t last = i < list.breaks.size() ? list.breaks[i] : list.content.size();
    const char* bytes = list.content.data();
    while (first < last && bytes[first] == ' ') ++first;
    while (last > first && bytes[last - 1] == ' ') --last;
    hash = 14695981039346656037ull;  // FNV-1a
    bool any = false;
    for (std::size_t at = first; at < last; ++at) {
        if (bytes[at] == '\n') continue;
        hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 1099511628211ull;
        any = true;
    }
    return any;
}

// Whether field i is a name at all, as HashName would say, usually from its
// first byte.
bool FieldHasName(const NameList& list, std::size_t i) {
    const std::size_t first = i == 0 ? 0 : list.breaks[i - 1] + 1;
    const std::size_t last = i < list.breaks.size() ? list.breaks[i] : list.content.size();
    const char* bytes = list.content.data();
    for (std::size_t at = first; at < last; ++at) {
        if (bytes[at] != ' ' && bytes[at] != '\n') return true;
    }
    // Blanks and LFs only: blanks between two LFs outlast the trimming.
    uint64_t hash = 0;
    return HashName(list, i, hash);
}

}  // namespace

NamePool MakeNamePool(std::string content, const std::function<bool()>& running) {
    NamePool pool;
    pool.names = BuildNameList(std::move(content));
    // Sorting hashes rather than names keeps a big file to a few bytes per
    // name; names are built only to tell apart those whose hashes meet.
    std::vector<std::pair<uint64_t, std::size_t>> keyed;
    const std::size_t count = NameCount(pool.names);
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 65536 == 0 && running && !running()) return pool;
        uint64_t hash = 0;
        if (HashName(pool.names, i, hash)) keyed.emplace_back(hash, i);
    }
    std::sort(keyed.begin(), keyed.end());
    if (running && !running()) return pool;
    std::vector<std::string> group;  // the different names of one hash
    for (std::size_t at = 0, asked = 0; at < keyed.size();) {
        if (at >= asked) {
            if (running && !running()) return pool;
            asked = at + 65536;
        }
        std::size_t end = at + 1;
        while (end < keyed.size() && keyed[end].first == keyed[at].first) ++end;
        if (end == at + 1) {
            pool.left.push_back(keyed[at++].second);
            continue;
        }
        group.clear();
        for (; at < end; ++at) {
            std::string name = NameAt(pool.names, keyed[at].second);
            if (std::find(group.begin(), group.end(), name) != group.end()) continue;
            group.push_back(std::move(name));
            pool.left.push_back(keyed[at].second);
        }
    }
    return pool;
}

NamePool MakeEntryPool(std::string content, const std::vector<std::string>& drawn,
                       const std::function<bool()>& running) {
    NamePool pool;
    pool.names = BuildNameList(std::move(content));
    // Only a field whose hash meets a drawn name's is built and compared, so
    // a big file with few names drawn costs little more than a scan.
    std::vector<std::pair<uint64_t, std::string>> owed;  // drawn names by hash, one per draw
    owed.reserve(drawn.size());
    for (const std::string& name : drawn) {
        uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
        owed.emplace_back(hash, name);
    }
    std::sort(owed.begin(), owed.end());
    std::vector<bool> paid(owed.size());
    const std::size_t count = NameCount(pool.names);
    // Growing the index would copy it over and over; a file of mostly empty
    // lines, where it would stay small, is not worth the memory up front.
    if (count <= (std::size_t{1} << 23)) pool.left.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 65536 == 0 && running && !running()) return pool;
        if (!FieldHasName(pool.names, i)) continue;
        ++pool.entries;
        if (owed.empty()) {
            pool.left.push_back(i);
            continue;
        }
        uint64_t hash = 0;
        HashName(pool.names, i, hash);
        bool kept = false;
        auto match = std::lower_bound(owed.begin(), owed.end(), std::make_pair(hash, std::string()));
        if (match != owed.end() && match->first == hash) {
            const std::string name = NameAt(pool.names, i);
            for (; match != owed.end() && match->first == hash; ++match) {
                const std::size_t k = static_cast<std::size_t>(match - owed.begin());
                if (!paid[k] && match->second == name) {
                    paid[k] = true;
                    kept = true;
                    break;
                }
            }
        }
        if (!kept) pool.left.push_back(i);
    }
    return pool;
}

std::size_t NamesLeft(const NamePool& pool) {
    return pool.left.size();
}

std::size_t PickName(const NamePool& pool, RandomSource& random) {
    return RandomIndex(random, pool.left.size());
}

std::string NameText(const NamePool& pool, std::size_t position) {
    return NameAt(pool.names, pool.left[position]);
}

std::string TakeName(NamePool& pool, std::size_t position) {
    std::string name = NameText(pool, position);
    pool.left[position] = pool.left.back();
    pool.left.pop_back();
    return name;
}

std::size_t FindName(const NamePool& pool, const std::string& name) {
    uint64_t wanted = 14695981039346656037ull;
    for (unsigned char c : name) wanted = (wanted ^ c) * 1099511628211ull;
    for (std::size_t position = 0; position < pool.left.size(); ++position) {
        uint64_t hash = 0;
        if (HashName(pool.names, pool.left[position], hash) && hash == wanted && NameText(pool, position) == name) {
            return position;
        }
    }
    return pool.left.size();
}
