#include "engine/prize_rounds.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "engine/draw_pools.h"
#include "engine/percent_escape.h"

namespace {

// ---- Who may win ----

// Whether `winner` keeps its person out of `tier`: a void keeps them out of
// everything, a win out of the same tier, and out of every other tier unless
// that tier allows repeats.
bool KeepsOut(const std::vector<PrizeTier>& tiers, const PrizeWinner& winner, std::size_t tier) {
    if (winner.voided || winner.tier == static_cast<int32_t>(tier)) return true;
    return !(tier < tiers.size() && tiers[tier].allowRepeat);
}

// An optional "-" and 1 to 10 digits that fit 32 bits, nothing else.
bool ParseInt32(const std::string& text, int32_t& value) {
    std::size_t at = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (at == text.size() || text.size() - at > 10) return false;
    int64_t v = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        v = v * 10 + (text[at] - '0');
    }
    if (text[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

// Below n, for n from 1 to 2^32. The generator gives 31 bits a step, so a
// span wider than that takes two steps; the bias of the remainder is below
// one in 2^30.
uint64_t RandomBelow(RandomSource& random, uint64_t n) {
    if (n <= 0x80000000ull) return static_cast<uint64_t>(random.between(0, static_cast<int32_t>(n - 1)));
    const uint64_t high = random.advance();
    const uint64_t bits = high << 31 | random.advance();
    return bits % n;
}

// Which copy of its text each entry is; what MakeEntriesPrizeSource keeps.
std::vector<uint32_t> CountCopies(const std::vector<std::string>& entries) {
    std::unordered_map<std::string, uint32_t> seen;
    std::vector<uint32_t> copies;
    copies.reserve(entries.size());
    for (const std::string& entry : entries) copies.push_back(seen[entry]++);
    return copies;
}

// The eligible entries of a name file, as indices in file order, in O(n + w)
// for n entries and w winners. A winner's position from its draw is checked
// with one comparison; only winners without one (read from the file, or
// moved by an edit of the name file) are looked for by their text, and
// where they were found is put in `found` (winner index, position).
std::vector<std::size_t> ListEligibleNames(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                                           const PrizeWinners& winners, std::size_t tier,
                                           std::vector<std::pair<std::size_t, std::size_t>>* found = nullptr) {
    const std::size_t n = source.entries.size();
    std::vector<uint32_t> counted;
    if (source.copies.size() != n) counted = CountCopies(source.entries);
    const std::vector<uint32_t>& copies = source.copies.size() == n ? source.copies : counted;

    std::vector<char> out(n, 0);
    std::unordered_map<std::string, std::vector<std::size_t>> unplaced;  // text -> winner indices
    for (std::size_t k = 0; k < winners.size(); ++k) {
        const PrizeWinner& w = winners[k];
        if (!KeepsOut(tiers, w, tier)) continue;
        if (w.at < n && copies[w.at] == w.copy && source.entries[w.at] == w.entry) {
            out[w.at] = 1;
        } else {
            unplaced[w.entry].push_back(k);
        }
    }
    if (!unplaced.empty()) {
        for (std::size_t i = 0; i < n; ++i) {
            auto text = unplaced.find(source.entries[i]);
            if (text == unplaced.end()) continue;
            for (std::size_t k : text->second) {
                if (winners[k].copy != copies[i]) continue;
                out[i] = 1;
                if (found) found->emplace_back(k, i);
            }
        }
    }
    std::vector<std::size_t> eligible;
    eligible.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!out[i]) eligible.push_back(i);
    }
    return eligible;
}

// The offsets from lo of the numbers kept out, ascending, each once.
std::vector<uint32_t> ListKeptNumbers(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                                      const PrizeWinners& winners, std::size_t tier) {
    std::vector<uint32_t> kept;
    for (const PrizeWinner& w : winners) {
        int32_t value = 0;
        if (!KeepsOut(tiers, w, tier) || !ParseInt32(w.entry, value) || value < source.lo || value > source.hi) {
            continue;
        }
        kept.push_back(static_cast<uint32_t>(static_cast<int64_t>(value) - source.lo));
    }
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    return kept;
}

uint64_t RangeSize(const PrizeSource& source) {
    return static_cast<uint64_t>(static_cast<int64_t>(source.hi) - source.lo) + 1;
}

// ---- The kept draw state ----

// Which out-set serves `tier`: all tiers without repeats share one.
int64_t CacheKey(const std::vector<PrizeTier>& tiers, std::size_t tier) {
    return tier < tiers.size() && tiers[tier].allowRepeat ? static_cast<int64_t>(tier) : -1;
}

// Whether the record stands at its place in the name file, as the listing
// checks it.
bool IsPlaced(const PrizeSource& source, const PrizeWinner& w) {
    return w.at < source.entries.size() && source.copies.size() == source.entries.size() &&
           source.copies[w.at] == w.copy && source.entries[w.at] == w.entry;
}

// A Fenwick tree over the entries, 1 for each one left in; node i (1-based)
// at tree[i - 1].
void AddToTree(std::vector<int32_t>& tree, std::size_t entry, int32_t delta) {
    for (std::size_t i = entry + 1; i <= tree.size(); i += i & (~i + 1)) tree[i - 1] += delta;
}

std::size_t CountInTree(const std::vector<int32_t>& tree) {
    int64_t sum = 0;
    for (std::size_t i = tree.size(); i > 0; i -= i & (~i + 1)) sum += tree[i - 1];
    return static_cast<std::size_t>(sum);
}

// The k-th entry left in (0-based), in file order.
std::size_t SelectInTree(const std::vector<int32_t>& tree, std::size_t k) {
    std::size_t pos = 0, step = 1;
    while (step * 2 <= tree.size()) step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step <= tree.size() && static_cast<std::size_t>(tree[pos + step - 1]) <= k) {
            pos += step;
            k -= static_cast<std::size_t>(tree[pos - 1]);
        }
    }
    return pos;
}

// One more (delta 1) or one fewer (-1) record keeping the winner's person
// out of the cache's tiers.
void CountOut(PrizeDrawCache& cache, const PrizeSource& source, const PrizeWinner& w, int delta) {
    if (source.isRange) {
        int32_t value = 0;
        if (!ParseInt32(w.entry, value) || value < source.lo || value > source.hi) return;
        uint32_t& count = cache.keptNumbers[value];
        count += static_cast<uint32_t>(delta);
        if (count == 0) cache.keptNumbers.erase(value);
    } else if (IsPlaced(source, w) && w.at < cache.outCount.size()) {
        uint32_t& count = cache.outCount[w.at];
        if (delta > 0 && count++ == 0) AddToTree(cache.tree, w.at, -1);
        if (delta < 0 && count > 0 && --count == 0) AddToTree(cache.tree, w.at, 1);
    }
}

bool CountsOut(const PrizeDrawCache& cache, const PrizeWinner& w) {
    return cache.key < 0 || w.voided || w.tier == cache.key;
}

// The last records: a take-back, a void or a replacement the cache was not
// told of changes them. Bounded, so that checking costs the same at any
// number of winners.
uint64_t DigestTail(const PrizeWinners& winners) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    const std::size_t from = winners.size() > 512 ? winners.size() - 512 : 0;
    for (std::size_t i = from; i < winners.size(); ++i) {
        const PrizeWinner& w = winners[i];
        mix(static_cast<uint64_t>(w.at));
        mix(static_cast<uint64_t>(static_cast<uint32_t>(w.tier)) << 32 | static_cast<uint32_t>(w.batch));
        mix(static_cast<uint64_t>(w.copy) << 1 | (w.voided ? 1 : 0));
        for (char c : w.entry) mix(static_cast<unsigned char>(c));
    }
    return h;
}

void SealCache(PrizeDrawCache& cache, const PrizeWinners& winners) {
    cache.winnerCount = winners.size();
    cache.tail = DigestTail(winners);
}

// Appends up to `wanted` new winners drawn for `tier`, in random order,
// at `at` in winners. Returns how many.
std::size_t DrawInto(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                     std::size_t tier, int32_t batch, std::size_t wanted, std::size_t at, RandomSource& random,
                     PrizeDrawCache* cache) {
    std::vector<PrizeWinner> drawn;
    PrizeWinner base;
    base.tier = static_cast<int32_t>(tier);
    base.batch = batch;
    if (tier < tiers.size()) {
        base.tierName = tiers[tier].name;
        base.prize = tiers[tier].prize;
    }
    const uint64_t rangeSize = source.isRange ? RangeSize(source) : 0;
    if (cache && source.isRange && cache->keptNumbers.size() <= rangeSize / 2 &&
        wanted <= (rangeSize - cache->keptNumbers.size()) / 2) {
        // Mostly left: any number tried is in at least half the time, so
        // trying and skipping costs O(batch) whatever was drawn before. Each
        // number left is as likely as the others, and so is each order.
        std::unordered_map<int32_t, char> chosen;
        while (drawn.size() < wanted) {
            const int32_t value = static_cast<int32_t>(source.lo + static_cast<int64_t>(RandomBelow(random, rangeSize)));
            if (cache->keptNumbers.count(value) || !chosen.emplace(value, 0).second) continue;
            base.entry = std::to_string(value);
            drawn.push_back(base);
        }
    } else if (cache && !source.isRange && source.copies.size() == source.entries.size()) {
        // The same partial Fisher-Yates as below over the same list, the
        // eligible entries in file order, with the list left virtual: place p
        // holds the p-th eligible entry until a swap puts another there.
        const std::size_t size = CountInTree(cache->tree);
        const std::size_t count = std::min(wanted, size);
        std::unordered_map<std::size_t, std::size_t> moved;
        auto entryAt = [&](std::size_t place) {
            auto found = moved.find(place);
            return found != moved.end() ? found->second : SelectInTree(cache->tree, place);
        };
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t r = j + static_cast<std::size_t>(RandomBelow(random, size - j));
            const std::size_t a = entryAt(j), b = entryAt(r);
            moved[j] = b;
            moved[r] = a;
        }
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t index = moved[j];
            base.entry = source.entries[index];
            base.copy = source.copies[index];
            base.at = index;
            drawn.push_back(base);
        }
    } else if (source.isRange) {
        const std::vector<uint32_t> kept = ListKeptNumbers(tiers, source, winners, tier);
        const uint64_t left = RangeSize(source) - kept.size();
        const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(wanted, left));
        // Floyd's choice of `count` distinct ranks among the numbers left.
        std::set<uint64_t> ranks;
        for (uint64_t j = left - count; j < left; ++j) {
            const uint64_t r = RandomBelow(random, j + 1);
            if (!ranks.insert(r).second) ranks.insert(j);
        }
        // Rank to number, both ascending: skip the kept-out numbers below it.
        std::vector<int32_t> values;
        auto keptAt = kept.begin();
        for (uint64_t rank : ranks) {
            uint64_t offset = rank + static_cast<uint64_t>(keptAt - kept.begin());
            while (keptAt != kept.end() && *keptAt <= offset) {
                ++keptAt;
                ++offset;
            }
            values.push_back(static_cast<int32_t>(source.lo + static_cast<int64_t>(offset)));
        }
        for (std::size_t i = values.size(); i > 1; --i) {
            std::swap(values[i - 1], values[static_cast<std::size_t>(RandomBelow(random, i))]);
        }
        for (int32_t value : values) {
            base.entry = std::to_string(value);
            drawn.push_back(base);
        }
    } else {
        std::vector<std::pair<std::size_t, std::size_t>> found;
        std::vector<std::size_t> eligible = ListEligibleNames(tiers, source, winners, tier, &found);
        for (const auto& f : found) winners[f.first].at = f.second;
        const std::size_t count = std::min(wanted, eligible.size());
        for (std::size_t j = 0; j < count; ++j) {
            std::swap(eligible[j], eligible[j + static_cast<std::size_t>(RandomBelow(random, eligible.size() - j))]);
        }
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t index = eligible[j];
            base.entry = source.entries[index];
            base.copy = source.copies.size() == source.entries.size() ? source.copies[index] : 0;
            base.at = index;
            drawn.push_back(base);
        }
        if (source.copies.size() != source.entries.size() && count > 0) {
            const std::vector<uint32_t> copies = CountCopies(source.entries);
            for (PrizeWinner& w : drawn) w.copy = copies[w.at];
        }
    }
    winners.insert(winners.begin() + static_cast<std::ptrdiff_t>(at), drawn.begin(), drawn.end());
    if (cache) {
        for (const PrizeWinner& w : drawn) CountOut(*cache, source, w, 1);
        if (tier < cache->won.size() && !drawn.empty()) {
            cache->won[tier] += static_cast<int32_t>(drawn.size());
            cache->lastBatch[tier] = std::max(cache->lastBatch[tier], batch);
        }
    }
    return drawn.size();
}

// Per tier: valid winners and the latest batch number. One pass, because at
// tens of thousands of winners each pass over them costs more than the draw.
struct TierTally {
    std::vector<int32_t> won, lastBatch;
};

TierTally TallyTiers(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners) {
    TierTally tally;
    tally.won.assign(tiers.size(), 0);
    tally.lastBatch.assign(tiers.size(), 0);
    for (const PrizeWinner& w : winners) {
        if (w.tier < 0 || static_cast<std::size_t>(w.tier) >= tiers.size()) continue;
        tally.won[w.tier] += !w.voided;
        tally.lastBatch[w.tier] = std::max(tally.lastBatch[w.tier], w.batch);
    }
    return tally;
}

std::size_t FindCurrentTier(const std::vector<PrizeTier>& tiers, const TierTally& tally) {
    for (std::size_t t = 0; t < tiers.size(); ++t) {
        if (tally.won[t] < tiers[t].count) return t;
    }
    return tiers.size();
}

// Makes the cache describe `winners` of `source`: kept as it is when it saw
// them last, else counted again. Returns the tally it keeps.
const TierTally& PrepareCache(PrizeDrawCache& cache, TierTally& tally, const std::vector<PrizeTier>& tiers,
                              const PrizeSource& source, const PrizeWinners& winners) {
    if (!(cache.seen && cache.source == &source && cache.entries == source.entries.data() &&
          cache.entryCount == source.entries.size() && cache.sourceKey == source.key &&
          cache.tierCount == tiers.size() && cache.winnerCount == winners.size() &&
          cache.tail == DigestTail(winners))) {
        cache = PrizeDrawCache{};
        cache.seen = true;
        cache.source = &source;
        cache.entries = source.entries.data();
        cache.entryCount = source.entries.size();
        cache.sourceKey = source.key;
        cache.tierCount = tiers.size();
        TierTally counted = TallyTiers(tiers, winners);
        cache.won.swap(counted.won);
        cache.lastBatch.swap(counted.lastBatch);
        SealCache(cache, winners);
    }
    tally.won = cache.won;
    tally.lastBatch = cache.lastBatch;
    return tally;
}

// Builds the cache's out-set for `tier` when it serves another: O(n + w).
// Winners found in the name file by their text keep where they were found.
void KeyCache(PrizeDrawCache& cache, const std::vector<PrizeTier>& tiers, const PrizeSource& source,
              PrizeWinners& winners, std::size_t tier) {
    const int64_t key = CacheKey(tiers, tier);
    if (cache.key == key) return;
    cache.key = key;
    cache.keptNumbers.clear();
    cache.outCount.clear();
    cache.tree.clear();
    if (source.isRange) {
        for (const PrizeWinner& w : winners) {
            if (CountsOut(cache, w)) CountOut(cache, source, w, 1);
        }
    } else {
        std::vector<std::pair<std::size_t, std::size_t>> found;
        ListEligibleNames(tiers, source, winners, tier, &found);
        for (const auto& f : found) winners[f.first].at = f.second;
        const std::size_t n = source.entries.size();
        cache.outCount.assign(n, 0);
        for (const PrizeWinner& w : winners) {
            if (CountsOut(cache, w) && IsPlaced(source, w)) ++cache.outCount[w.at];
        }
        cache.tree.assign(n, 0);
        for (std::size_t i = 1; i <= n; ++i) {
            cache.tree[i - 1] += cache.outCount[i - 1] == 0 ? 1 : 0;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= n) cache.tree[parent - 1] += cache.tree[i - 1];
        }
    }
    SealCache(cache, winners);
}

// ---- The file ----
//
//   Tobrix prize rounds 1
//   event <source>
//   winner <tier> <batch> <copy> valid|void <entry> <tier name> <prize> [<at>]
//   end
// <at> is where the person stood in the name file, a hint checked before use
// that spares the first batch after a start looking every winner up.
// Lines end CR LF. Texts are GBK with bytes up to the blank, 0x7F and "%"
// written as "%XX", so fields split at single blanks and any text stays on
// its line. Readers skip lines they do not know; without "end" the file was
// cut short and counts as empty.

const char kHeader[] = "Tobrix prize rounds ";

// Fields are separated by blanks, so a blank is escaped too.
const unsigned char kFirstPlain = 0x21;

void AppendEscaped(std::string& out, const std::string& text) { AppendPercentEscaped(out, text, kFirstPlain); }

bool Unescape(const std::string& field, std::string& text) {
    return ReadPercentEscaped(field.data(), field.data() + field.size(), kFirstPlain, text);
}

bool ParseCount(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > UINT32_MAX) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

std::vector<std::string> SplitBlanks(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
        const std::size_t blank = line.find(' ', at);
        fields.push_back(line.substr(at, blank == std::string::npos ? std::string::npos : blank - at));
        if (blank == std::string::npos) return fields;
        at = blank + 1;
    }
}

bool ParseWinner(const std::vector<std::string>& fields, PrizeWinner& w) {
    uint32_t tier = 0, batch = 0, copy = 0;
    uint32_t at = 0;
    if (fields.size() == 9) {
        if (!ParseCount(fields[8], at)) return false;
        w.at = at < UINT32_MAX ? at : SIZE_MAX;
    }
    if ((fields.size() != 8 && fields.size() != 9) || !ParseCount(fields[1], tier) || tier >= kMaxPrizeTiers ||
        !ParseCount(fields[2], batch) || batch < 1 || batch > INT32_MAX || !ParseCount(fields[3], copy) ||
        (fields[4] != "valid" && fields[4] != "void") || !Unescape(fields[5], w.entry) || w.entry.empty() ||
        !Unescape(fields[6], w.tierName) || !Unescape(fields[7], w.prize)) {
        return false;
    }
    w.tier = static_cast<int32_t>(tier);
    w.batch = static_cast<int32_t>(batch);
    w.copy = copy;
    w.voided = fields[4] == "void";
    return true;
}

// ---- Texts ----

std::string TierName(const std::vector<PrizeTier>& tiers, std::size_t tier) {
    return tier < tiers.size() ? tiers[tier].name : std::string();
}

}  // namespace

PrizeSource MakeEntriesPrizeSource(const std::string& key, std::vector<std::string> entries) {
    PrizeSource source;
    source.key = key;
    source.entries = std::move(entries);
    source.copies = CountCopies(source.entries);
    return source;
}

PrizeSource MakeNamePrizeSource(const std::string& file, const NameList& list) {
    const std::size_t count = NameCount(list);
    std::vector<std::string> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string entry = NameAt(list, i);
        // A blank line, or a line break at the end, is nobody to give a prize.
        if (!EntryDisplayName(entry).empty()) entries.push_back(std::move(entry));
    }
    return MakeEntriesPrizeSource(file, std::move(entries));
}

PrizeSource MakeRangePrizeSource(int32_t a, int32_t b) {
    PrizeSource source;
    source.key = NumberSourceKey(a, b);
    source.isRange = true;
    source.lo = std::min(a, b);
    source.hi = std::max(a, b);
    return source;
}

std::string EntryDisplayName(const std::string& entry) {
    std::size_t end = entry.find('\t');
    if (end == std::string::npos) end = entry.size();
    while (end > 0 && entry[end - 1] == ' ') --end;
    return entry.substr(0, end);
}

int32_t CountTierWinners(const PrizeWinners& winners, int32_t tier) {
    int32_t count = 0;
    for (const PrizeWinner& w : winners) count += w.tier == tier && !w.voided;
    return count;
}

std::size_t FindCurrentTier(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners) {
    return FindCurrentTier(tiers, TallyTiers(tiers, winners));
}

int32_t NextBatchSize(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier) {
    if (tier >= tiers.size()) return 0;
    const int32_t lacking = std::max(0, tiers[tier].count - CountTierWinners(winners, static_cast<int32_t>(tier)));
    return tiers[tier].perBatch > 0 ? std::min(tiers[tier].perBatch, lacking) : lacking;
}

std::size_t CountEligible(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                          const PrizeWinners& winners, std::size_t tier) {
    if (source.isRange) {
        return static_cast<std::size_t>(
            std::min<uint64_t>(RangeSize(source) - ListKeptNumbers(tiers, source, winners, tier).size(), SIZE_MAX));
    }
    return ListEligibleNames(tiers, source, winners, tier).size();
}

BatchOutcome DrawPrizeBatch(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                            PrizeWinners& winners, RandomSource& random, PrizeDrawCache* cache) {
    BatchOutcome outcome;
    TierTally kept;
    const TierTally& tally = cache ? PrepareCache(*cache, kept, tiers, source, winners) : (kept = TallyTiers(tiers, winners));
    outcome.tier = FindCurrentTier(tiers, tally);
    if (outcome.tier >= tiers.size()) return outcome;
    if (cache) KeyCache(*cache, tiers, source, winners, outcome.tier);
    const PrizeTier& tier = tiers[outcome.tier];
    const int32_t lacking = tier.count - tally.won[outcome.tier];
    outcome.wanted = tier.perBatch > 0 ? std::min(tier.perBatch, lacking) : lacking;
    outcome.batch = tally.lastBatch[outcome.tier] + 1;
    outcome.first = winners.size();
    outcome.drawn = DrawInto(tiers, source, winners, outcome.tier, outcome.batch,
                             static_cast<std::size_t>(outcome.wanted), winners.size(), random, cache);
    if (cache) SealCache(*cache, winners);
    outcome.status = outcome.drawn == 0                                          ? BatchStatus::NobodyLeft
                     : outcome.drawn < static_cast<std::size_t>(outcome.wanted) ? BatchStatus::Short
                                                                                 : BatchStatus::Drawn;
    return outcome;
}

void PreparePrizeDrawCache(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                           PrizeDrawCache& cache) {
    TierTally tally;
    const std::size_t tier = FindCurrentTier(tiers, PrepareCache(cache, tally, tiers, source, winners));
    if (tier < tiers.size()) KeyCache(cache, tiers, source, winners, tier);
}

bool FindLatestBatch(const PrizeWinners& winners, int32_t& tier, int32_t& batch) {
    if (winners.empty()) return false;
    tier = winners.back().tier;
    batch = winners.back().batch;
    return true;
}

bool RedrawWinner(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                  std::size_t index, RandomSource& random, BatchOutcome& outcome, PrizeDrawCache* cache) {
    int32_t tier = 0, batch = 0;
    if (!FindLatestBatch(winners, tier, batch) || index >= winners.size() || winners[index].voided ||
        winners[index].tier != tier || winners[index].batch != batch) {
        return false;
    }
    if (cache) {
        TierTally unused;
        PrepareCache(*cache, unused, tiers, source, winners);
        KeyCache(*cache, tiers, source, winners, static_cast<std::size_t>(tier));
        // The void keeps the person out, as the win of this tier did: the
        // out-set stays, the tier lacks one more.
        if (static_cast<std::size_t>(tier) < cache->won.size()) --cache->won[tier];
    }
    winners[index].voided = true;
    outcome = BatchOutcome{};
    outcome.tier = static_cast<std::size_t>(tier);
    outcome.batch = batch;
    outcome.wanted = 1;
    outcome.first = index + 1;
    outcome.drawn = DrawInto(tiers, source, winners, outcome.tier, batch, 1, index + 1, random, cache);
    if (outcome.drawn == 1) {
        // The same prize as the one replaced, even if the tiers were edited since.
        winners[index + 1].tierName = winners[index].tierName;
        winners[index + 1].prize = winners[index].prize;
    }
    outcome.status = outcome.drawn == 1 ? BatchStatus::Drawn : BatchStatus::NobodyLeft;
    if (cache) SealCache(*cache, winners);
    return true;
}

std::size_t TakeBackLatestBatch(PrizeWinners& winners) {
    int32_t tier = 0, batch = 0;
    if (!FindLatestBatch(winners, tier, batch)) return 0;
    const std::size_t before = winners.size();
    winners.erase(std::remove_if(winners.begin(), winners.end(),
                                 [&](const PrizeWinner& w) { return w.tier == tier && w.batch == batch; }),
                  winners.end());
    return before - winners.size();
}

std::size_t VoidLatestBatch(PrizeWinners& winners) {
    std::size_t voided = 0;
    for (std::size_t index : LatestBatchSlots(winners)) {
        winners[index].voided = true;
        ++voided;
    }
    return voided;
}

std::vector<std::size_t> LatestBatchSlots(const PrizeWinners& winners) {
    std::vector<std::size_t> slots;
    int32_t tier = 0, batch = 0;
    if (!FindLatestBatch(winners, tier, batch)) return slots;
    for (std::size_t i = 0; i < winners.size(); ++i) {
        if (winners[i].tier == tier && winners[i].batch == batch && !winners[i].voided) slots.push_back(i);
    }
    return slots;
}

bool ResetPrizeEvent(PrizeEvents& events, const std::string& source) {
    return events.bySource.erase(source) > 0;
}

DrawResult PrizeWinnerResult(const PrizeWinner& winner, DrawMode mode, const std::string& source,
                             const CalendarTime& time) {
    DrawResult result;
    result.time = time;
    result.mode = mode;
    result.source = source;
    result.result = EntryDisplayName(winner.entry);
    result.recordEntry = "  " + result.result;
    result.state = winner.voided ? ResultState::Void : ResultState::Valid;
    result.prizeTier = winner.tierName;
    result.prize = winner.prize;
    if (mode == DrawMode::Name) {
        // The finance office matches winners by staff number, not by name.
        const NameEntry person = SplitNameEntry(winner.entry);
        result.number = person.number;
        result.department = person.department;
    }
    return result;
}

std::string SerializePrizeEvents(const PrizeEvents& events) {
    std::string out = std::string(kHeader) + "1\r\n";
    for (const auto& event : events.bySource) {
        if (event.second.empty()) continue;
        out += "event ";
        AppendEscaped(out, event.first);
        out += "\r\n";
        for (const PrizeWinner& w : event.second) {
            out += "winner " + std::to_string(w.tier) + " " + std::to_string(w.batch) + " " + std::to_string(w.copy) +
                   (w.voided ? " void " : " valid ");
            AppendEscaped(out, w.entry);
            out += ' ';
            AppendEscaped(out, w.tierName);
            out += ' ';
            AppendEscaped(out, w.prize);
            // SIZE_MAX, no position, is UINT32_MAX in the 32-bit program.
            if (w.at != SIZE_MAX && w.at < UINT32_MAX) out += " " + std::to_string(w.at);
            out += "\r\n";
        }
    }
    out += "end\r\n";
    return out;
}

PrizeEvents ParsePrizeEvents(const std::string& text) {
    std::size_t at = 0;
    auto nextLine = [&](std::string& line) {
        if (at >= text.size()) return false;
        std::size_t lf = text.find('\n', at);
        if (lf == std::string::npos) lf = text.size();
        line = text.substr(at, lf - at);
        at = lf + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    };
    std::string line;
    if (!nextLine(line) || line.compare(0, sizeof kHeader - 1, kHeader) != 0) return PrizeEvents{};
    uint32_t version = 0;
    if (!ParseCount(line.substr(sizeof kHeader - 1), version) || version < 1) return PrizeEvents{};

    PrizeEvents events;
    PrizeWinners* event = nullptr;  // the event being read, if readable
    std::size_t count = 0;
    std::string field;
    bool complete = false;
    while (nextLine(line)) {
        if (line == "end") {
            complete = true;
            break;
        }
        const std::vector<std::string> fields = SplitBlanks(line);
        if (fields[0] == "winner") {
            PrizeWinner w;
            if (event && count < kMaxPrizeWinners && ParseWinner(fields, w)) {
                event->push_back(w);
                ++count;
            }
        } else if (fields[0] == "event" && fields.size() == 2 && Unescape(fields[1], field) && !field.empty()) {
            event = &events.bySource[field];
        } else {
            // A line of a later version: its winners must not land in the
            // event before it.
            event = nullptr;
        }
    }
    if (!complete) return PrizeEvents{};
    for (auto source = events.bySource.begin(); source != events.bySource.end();) {
        source = source->second.empty() ? events.bySource.erase(source) : std::next(source);
    }
    return events;
}

std::string FormatTierProgress(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier) {
    if (tier >= tiers.size()) return FormatAllPrizesDrawn();
    return tiers[tier].name + " " + std::to_string(CountTierWinners(winners, static_cast<int32_t>(tier))) + "/" +
           std::to_string(tiers[tier].count);
}

std::string FormatNextTierQuestion(const std::vector<PrizeTier>& tiers, std::size_t done, std::size_t next) {
    return TierName(tiers, done) + "已抽完，开始抽取" + TierName(tiers, next) + "？";
}

std::string FormatAllPrizesDrawn() {
    return "所有奖项已抽完";
}

std::string FormatBatchOutcome(const std::vector<PrizeTier>& tiers, const BatchOutcome& outcome) {
    const std::string name = TierName(tiers, outcome.tier);
    const std::string batch = "第" + std::to_string(outcome.batch) + "批";
    switch (outcome.status) {
    case BatchStatus::Drawn:
        return name + " " + batch + " " + std::to_string(outcome.drawn) + "人";
    case BatchStatus::Short:
        return name + " " + batch + "应抽" + std::to_string(outcome.wanted) + "人，仅剩" +
               std::to_string(outcome.drawn) + "人，已全部抽出";
    case BatchStatus::NobodyLeft:
        return name + "已无人可抽";
    case BatchStatus::AllDrawn:
        break;
    }
    return FormatAllPrizesDrawn();
}
