#include "engine/prize_draws.h"

#include <algorithm>
#include <utility>

std::vector<std::string> ListRollingCandidates(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                                               const PrizeWinners& winners, std::size_t tier, RandomSource& random) {
    std::vector<std::string> names;
    if (tier >= tiers.size()) return names;
    // A batch as large as the sample, drawn by the rule the real batches
    // follow, on copies: who is eligible is decided in one place only.
    std::vector<PrizeTier> asIfCurrent = tiers;
    for (std::size_t t = 0; t < tier; ++t) asIfCurrent[t].count = 0;
    PrizeTier& rolled = asIfCurrent[tier];
    rolled.count = CountTierWinners(winners, static_cast<int32_t>(tier)) + static_cast<int32_t>(kRollingSample);
    rolled.perBatch = 0;
    PrizeWinners scratch = winners;
    const BatchOutcome outcome = DrawPrizeBatch(asIfCurrent, source, scratch, random);
    if (outcome.tier != tier) return names;
    names.reserve(outcome.drawn);
    for (std::size_t i = outcome.first; i < scratch.size(); ++i) names.push_back(EntryDisplayName(scratch[i].entry));
    return names;
}

std::vector<std::string> PickRollingSlots(std::vector<std::string>& pool, std::size_t count, RandomSource& random) {
    const std::size_t n = std::min(count, pool.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = i + static_cast<std::size_t>(random.between(0, static_cast<int32_t>(pool.size() - i - 1)));
        std::swap(pool[i], pool[j]);
    }
    return std::vector<std::string>(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(n));
}

std::string FormatBatchTitle(const std::vector<PrizeTier>& tiers, std::size_t tier, int32_t batch) {
    if (tier >= tiers.size()) return std::string();
    std::string title = tiers[tier].name;
    if (!tiers[tier].prize.empty()) title += " · " + tiers[tier].prize;
    return title + " · 第" + std::to_string(batch) + "批";
}

std::string PrizeRecordEntry(const PrizeWinner& winner, const std::string& voidMark) {
    return "  " + winner.tierName + " " + EntryDisplayName(winner.entry) + (winner.voided ? voidMark : "") + "\r\n";
}

bool NeedsNextTierQuestion(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier) {
    if (tier == 0 || tier >= tiers.size()) return false;
    for (const PrizeWinner& w : winners) {
        if (w.tier == static_cast<int32_t>(tier)) return false;
    }
    return true;
}

std::string FormatLeftOut(const PrizeList& list) {
    if (list.leftOut.empty()) return std::string();
    std::string text = "未用：" + list.leftOut.front();
    if (list.leftOut.size() > 1) text += "（共" + std::to_string(list.leftOut.size()) + "项）";
    return text;
}

std::string FormatRoundStatus(const PrizeList& list, const PrizeWinners& winners) {
    std::string text = list.tiers.empty() ? std::string("未设置奖项")
                                          : FormatTierProgress(list.tiers, winners, FindCurrentTier(list.tiers, winners));
    const std::string leftOut = FormatLeftOut(list);
    if (!leftOut.empty()) text += "；" + leftOut;
    return text;
}

PrizeRecordLine MakePrizeRecordLine(const PrizeWinner& winner, DrawMode mode, const std::string& source,
                                    const CalendarTime& time, std::size_t anchor, const std::string& voidMark) {
    PrizeRecordLine line;
    line.result = PrizeWinnerResult(winner, mode, source, time);
    line.result.recordEntry = PrizeRecordEntry(winner, voidMark);
    line.source = source;
    line.tier = winner.tier;
    line.batch = winner.batch;
    line.entry = winner.entry;
    line.copy = winner.copy;
    line.anchor = anchor;
    return line;
}

std::string PrizeRecordTail(const PrizeRecord& record, std::size_t from) {
    std::string tail;
    for (std::size_t i = from; i < record.size(); ++i) tail += record[i].result.recordEntry;
    return tail;
}

std::size_t FindPrizeRecordLine(const PrizeRecord& record, const std::string& source, const PrizeWinner& winner) {
    for (std::size_t i = record.size(); i-- > 0;) {
        const PrizeRecordLine& line = record[i];
        if (line.source == source && line.tier == winner.tier && line.batch == winner.batch &&
            line.entry == winner.entry && line.copy == winner.copy && line.result.state == ResultState::Valid) {
            return i;
        }
    }
    return record.size();
}

std::size_t FindBatchLines(const PrizeRecord& record, const std::string& source, int32_t tier, int32_t batch) {
    std::size_t from = record.size();
    while (from > 0 && record[from - 1].source == source && record[from - 1].tier == tier &&
           record[from - 1].batch == batch) {
        --from;
    }
    return from;
}

DrawResults MergePrizeResults(const DrawResults& plain, const PrizeRecord& record) {
    DrawResults merged;
    merged.reserve(plain.size() + record.size());
    std::size_t next = 0;
    for (const PrizeRecordLine& line : record) {
        // Plain results taken back since leave anchors past the end.
        for (; next < std::min(line.anchor, plain.size()); ++next) merged.push_back(plain[next]);
        merged.push_back(line.result);
    }
    for (; next < plain.size(); ++next) merged.push_back(plain[next]);
    return merged;
}
