// Prize draw figures: a batch of 300 from 100,000 names, after 0, 10,000 and
// 90,000 earlier winners, listing the eligible people each time and with the
// kept draw state. Each is beside the first of its kind, measured in the
// same run, and the best of a few rounds, since machines here are noisy.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/prize_rounds.h"

namespace {

using Clock = std::chrono::steady_clock;

// Earlier winners of the tier before, drawn as the program draws them.
PrizeWinners EarlierWinners(const PrizeSource& source, int count) {
    PrizeWinners winners;
    if (count == 0) return winners;
    RandomSource random;
    random.seed = 12345;
    DrawPrizeBatch({{"earlier", "", count, 0, false}}, source, winners, random);
    return winners;
}

// Every batch starts with what it reads out of the processor's caches, as
// at a Stop after seconds of painting: otherwise a small event's state stays
// cached from the copy before it and a large one's does not, and the figures
// compare caches, not work.
void EvictCaches() {
    static std::vector<char> other(64u << 20);
    static char round = 0;
    ++round;
    for (std::size_t i = 0; i < other.size(); i += 64) other[i] = round;
}

// Milliseconds for one batch of 300, the best of `rounds`.
// With `restarted`, the earlier winners come as read from the progress file,
// without their positions in the name file. With `cached`, the batch is
// drawn with a kept draw state built beforehand, as when the rounds open;
// `buildMs` gets what building it cost.
double MeasureBatch(const PrizeSource& source, int earlier, int rounds, bool restarted = false, bool cached = false,
                    double* buildMs = nullptr) {
    const std::vector<PrizeTier> tiers = {{"earlier", "", std::max(1, earlier), 0, false},
                                          {"now", "", 300, 300, false}};
    PrizeWinners before = EarlierWinners(source, earlier);
    if (restarted) before = ParsePrizeEvents(SerializePrizeEvents(PrizeEvents{{{"x", before}}})).bySource["x"];
    if (earlier == 0) {
        before.push_back(PrizeWinner{});
        before.back().entry = "none of them";
    }
    PrizeDrawCache prepared;
    if (cached) {
        const Clock::time_point begin = Clock::now();
        PreparePrizeDrawCache(tiers, source, before, prepared);
        if (buildMs) *buildMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    }
    double best = 1e9;
    RandomSource random;
    random.seed = 99;
    for (int round = 0; round < rounds; ++round) {
        // Room to grow, as a list that has grown by batches has most times:
        // the copy alone would have none and move every winner.
        PrizeWinners winners;
        winners.reserve(before.size() * 2 + 600);
        winners = before;
        PrizeDrawCache cache = prepared;
        EvictCaches();
        const Clock::time_point begin = Clock::now();
        const BatchOutcome outcome = DrawPrizeBatch(tiers, source, winners, random, cached ? &cache : nullptr);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (outcome.drawn != 300) std::printf("prize bench: drew %zu, not 300\n", outcome.drawn);
        best = std::min(best, ms);
    }
    return best;
}

void PrintRow(const char* source, const int (&earlier)[3], const double (&ms)[3], const char* target = nullptr) {
    for (int i = 0; i < 3; ++i) {
        std::printf("prize batch of 300, %s, after %6d earlier winners: %8.3f ms  ratio %5.2f", source, earlier[i],
                    ms[i], ms[i] / ms[0]);
        std::printf(target && i > 0 ? "  target %s\n" : "\n", target);
    }
}

}  // namespace

int main() {
    std::vector<std::string> entries;
    for (int k = 0; k < 100000; ++k) entries.push_back("n" + std::to_string(100000 + k));
    const PrizeSource names = MakeEntriesPrizeSource("bench.txt", entries);
    const PrizeSource range = MakeRangePrizeSource(1, 2147483647);

    const int earlier[3] = {0, 10000, 90000};
    double nameMs[3] = {1e9, 1e9, 1e9}, rangeMs[3] = {1e9, 1e9, 1e9}, restartMs = 1e9;
    double keptNameMs[3] = {1e9, 1e9, 1e9}, keptRangeMs[3] = {1e9, 1e9, 1e9}, buildMs = 1e9;
    // Rounds alternate between the cases, so that all meet the same load.
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < 3; ++i) {
            nameMs[i] = std::min(nameMs[i], MeasureBatch(names, earlier[i], 3));
            rangeMs[i] = std::min(rangeMs[i], MeasureBatch(range, earlier[i], 3));
            double built = 0;
            keptNameMs[i] = std::min(keptNameMs[i], MeasureBatch(names, earlier[i], 5, false, true, &built));
            if (i == 2) buildMs = std::min(buildMs, built);
            keptRangeMs[i] = std::min(keptRangeMs[i], MeasureBatch(range, earlier[i], 5, false, true));
        }
        restartMs = std::min(restartMs, MeasureBatch(names, earlier[2], 1, true));
    }
    std::printf("-- listing the eligible people each batch\n");
    PrintRow("100,000 names", earlier, nameMs);
    std::printf("the first batch after a restart, after %6d earlier winners: %8.2f ms  ratio %5.2f\n", earlier[2],
                restartMs, restartMs / nameMs[0]);
    PrintRow("range 1~2^31-1", earlier, rangeMs);
    std::printf("-- with the kept draw state (ratios against the kept state's first batch)\n");
    PrintRow("100,000 names", earlier, keptNameMs, "~1x");
    PrintRow("range 1~2^31-1", earlier, keptRangeMs, "~1x");
    std::printf("building the kept state after %d winners (once, when the rounds open): %8.2f ms\n", earlier[2],
                buildMs);
    std::printf("kept state after %d winners against the listing's first batch: ratio %5.3f\n", earlier[2],
                keptNameMs[2] / nameMs[0]);
    return 0;
}
