#include "engine/prize_rounds.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "engine/draw_pools.h"

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

// The eligible entries of a name file, as indices in file order. Copies are
// counted only for texts someone was kept out by.
std::vector<std::size_t> ListEligibleNames(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                                           const PrizeWinners& winners, std::size_t tier) {
    struct Kept {
        std::vector<uint32_t> copies;  // kept out
        uint32_t seen = 0;
    };
    std::unordered_map<std::string, Kept> kept;
    for (const PrizeWinner& w : winners) {
        if (KeepsOut(tiers, w, tier)) kept[w.entry].copies.push_back(w.copy);
    }
    for (auto& k : kept) std::sort(k.second.copies.begin(), k.second.copies.end());
    std::vector<std::size_t> eligible;
    eligible.reserve(source.entries.size());
    for (std::size_t i = 0; i < source.entries.size(); ++i) {
        if (!kept.empty()) {
            auto found = kept.find(source.entries[i]);
            if (found != kept.end()) {
                const uint32_t copy = found->second.seen++;
                const std::vector<uint32_t>& copies = found->second.copies;
                if (std::binary_search(copies.begin(), copies.end(), copy)) continue;
            }
        }
        eligible.push_back(i);
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

// Appends up to `wanted` new winners drawn for `tier`, in random order,
// at `at` in winners. Returns how many.
std::size_t DrawInto(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                     std::size_t tier, int32_t batch, std::size_t wanted, std::size_t at, RandomSource& random) {
    std::vector<PrizeWinner> drawn;
    PrizeWinner base;
    base.tier = static_cast<int32_t>(tier);
    base.batch = batch;
    if (tier < tiers.size()) {
        base.tierName = tiers[tier].name;
        base.prize = tiers[tier].prize;
    }
    if (source.isRange) {
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
        std::vector<std::size_t> eligible = ListEligibleNames(tiers, source, winners, tier);
        const std::size_t count = std::min(wanted, eligible.size());
        for (std::size_t j = 0; j < count; ++j) {
            std::swap(eligible[j], eligible[j + static_cast<std::size_t>(RandomBelow(random, eligible.size() - j))]);
        }
        eligible.resize(count);
        // Which copy of its text each is: one more pass, over the texts drawn.
        std::unordered_map<std::string, std::vector<std::size_t>> picked;
        for (std::size_t index : eligible) picked[source.entries[index]].push_back(index);
        for (auto& p : picked) std::sort(p.second.begin(), p.second.end());
        std::unordered_map<std::size_t, uint32_t> copyOf;
        std::unordered_map<std::string, uint32_t> seen;
        for (std::size_t i = 0; i < source.entries.size() && copyOf.size() < count; ++i) {
            auto found = picked.find(source.entries[i]);
            if (found == picked.end()) continue;
            const uint32_t copy = seen[found->first]++;
            if (std::binary_search(found->second.begin(), found->second.end(), i)) copyOf[i] = copy;
        }
        for (std::size_t index : eligible) {
            base.entry = source.entries[index];
            base.copy = copyOf[index];
            drawn.push_back(base);
        }
    }
    winners.insert(winners.begin() + static_cast<std::ptrdiff_t>(at), drawn.begin(), drawn.end());
    return drawn.size();
}

int32_t NextBatchNumber(const PrizeWinners& winners, std::size_t tier) {
    int32_t last = 0;
    for (const PrizeWinner& w : winners) {
        if (w.tier == static_cast<int32_t>(tier)) last = std::max(last, w.batch);
    }
    return last + 1;
}

// ---- The file ----
//
//   Tobrix prize rounds 1
//   event <source>
//   winner <tier> <batch> <copy> valid|void <entry> <tier name> <prize>
//   end
// Lines end CR LF. Texts are GBK with bytes up to the blank, 0x7F and "%"
// written as "%XX", so fields split at single blanks and any text stays on
// its line. Readers skip lines they do not know; without "end" the file was
// cut short and counts as empty.

const char kHeader[] = "Tobrix prize rounds ";

bool NeedsEscape(unsigned char c) {
    return c <= 0x20 || c == 0x7F || c == '%';
}

void AppendEscaped(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if (NeedsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& field, std::string& text) {
    text.clear();
    for (std::size_t at = 0; at < field.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(field[at]);
        if (c <= 0x20 || c == 0x7F) return false;
        if (c != '%') {
            text += static_cast<char>(c);
            continue;
        }
        if (field.size() - at < 3) return false;
        const int high = HexValue(field[at + 1]), low = HexValue(field[at + 2]);
        if (high < 0 || low < 0) return false;
        text += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return true;
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
    if (fields.size() != 8 || !ParseCount(fields[1], tier) || tier >= kMaxPrizeTiers || !ParseCount(fields[2], batch) ||
        batch < 1 || batch > INT32_MAX || !ParseCount(fields[3], copy) ||
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

PrizeSource MakeNamePrizeSource(const std::string& file, const NameList& list) {
    PrizeSource source;
    source.key = file;
    const std::size_t count = NameCount(list);
    source.entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string entry = NameAt(list, i);
        // A blank line, or a line break at the end, is nobody to give a prize.
        if (!EntryDisplayName(entry).empty()) source.entries.push_back(std::move(entry));
    }
    return source;
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
    std::vector<int32_t> won(tiers.size());
    for (const PrizeWinner& w : winners) {
        if (!w.voided && w.tier >= 0 && static_cast<std::size_t>(w.tier) < tiers.size()) ++won[w.tier];
    }
    for (std::size_t t = 0; t < tiers.size(); ++t) {
        if (won[t] < tiers[t].count) return t;
    }
    return tiers.size();
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
                            PrizeWinners& winners, RandomSource& random) {
    BatchOutcome outcome;
    outcome.tier = FindCurrentTier(tiers, winners);
    if (outcome.tier >= tiers.size()) return outcome;
    outcome.wanted = NextBatchSize(tiers, winners, outcome.tier);
    outcome.batch = NextBatchNumber(winners, outcome.tier);
    outcome.first = winners.size();
    outcome.drawn = DrawInto(tiers, source, winners, outcome.tier, outcome.batch,
                             static_cast<std::size_t>(outcome.wanted), winners.size(), random);
    outcome.status = outcome.drawn == 0                                          ? BatchStatus::NobodyLeft
                     : outcome.drawn < static_cast<std::size_t>(outcome.wanted) ? BatchStatus::Short
                                                                                 : BatchStatus::Drawn;
    return outcome;
}

bool FindLatestBatch(const PrizeWinners& winners, int32_t& tier, int32_t& batch) {
    if (winners.empty()) return false;
    tier = winners.back().tier;
    batch = winners.back().batch;
    return true;
}

bool RedrawWinner(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                  std::size_t index, RandomSource& random, BatchOutcome& outcome) {
    int32_t tier = 0, batch = 0;
    if (!FindLatestBatch(winners, tier, batch) || index >= winners.size() || winners[index].voided ||
        winners[index].tier != tier || winners[index].batch != batch) {
        return false;
    }
    winners[index].voided = true;
    outcome = BatchOutcome{};
    outcome.tier = static_cast<std::size_t>(tier);
    outcome.batch = batch;
    outcome.wanted = 1;
    outcome.first = index + 1;
    outcome.drawn = DrawInto(tiers, source, winners, outcome.tier, batch, 1, index + 1, random);
    if (outcome.drawn == 1) {
        // The same prize as the one replaced, even if the tiers were edited since.
        winners[index + 1].tierName = winners[index].tierName;
        winners[index + 1].prize = winners[index].prize;
    }
    outcome.status = outcome.drawn == 1 ? BatchStatus::Drawn : BatchStatus::NobodyLeft;
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
