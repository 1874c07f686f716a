// Prize draw figures: a batch of 300 from 100,000 names, after 0, 10,000 and
// 90,000 earlier winners. Each is beside the first, measured in the same run,
// and the best of a few rounds, since machines here are noisy.
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

// Milliseconds for one batch of 300, the best of `rounds`.
// With `restarted`, the earlier winners come as read from the progress file,
// without their positions in the name file.
double MeasureBatch(const PrizeSource& source, int earlier, int rounds, bool restarted = false) {
    const std::vector<PrizeTier> tiers = {{"earlier", "", std::max(1, earlier), 0, false},
                                          {"now", "", 300, 300, false}};
    PrizeWinners before = EarlierWinners(source, earlier);
    if (restarted) before = ParsePrizeEvents(SerializePrizeEvents(PrizeEvents{{{"x", before}}})).bySource["x"];
    double best = 1e9;
    RandomSource random;
    random.seed = 99;
    for (int round = 0; round < rounds; ++round) {
        // Room to grow, as a list that has grown by batches has most times:
        // the copy alone would have none and move every winner.
        PrizeWinners winners;
        winners.reserve(before.size() * 2 + 600);
        winners = before;
        if (earlier == 0) {
            winners.push_back(PrizeWinner{});
            winners.back().entry = "none of them";
        }
        const Clock::time_point begin = Clock::now();
        const BatchOutcome outcome = DrawPrizeBatch(tiers, source, winners, random);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (outcome.drawn != 300) std::printf("prize bench: drew %zu, not 300\n", outcome.drawn);
        best = std::min(best, ms);
    }
    return best;
}

void PrintRow(const char* source, const int (&earlier)[3], const double (&ms)[3]) {
    for (int i = 0; i < 3; ++i) {
        std::printf("prize batch of 300, %s, after %6d earlier winners: %8.2f ms  ratio %5.2f\n", source, earlier[i],
                    ms[i], ms[i] / ms[0]);
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
    // Rounds alternate between the cases, so that all meet the same load.
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < 3; ++i) {
            nameMs[i] = std::min(nameMs[i], MeasureBatch(names, earlier[i], 3));
            rangeMs[i] = std::min(rangeMs[i], MeasureBatch(range, earlier[i], 3));
        }
        restartMs = std::min(restartMs, MeasureBatch(names, earlier[2], 1, true));
    }
    PrintRow("100,000 names", earlier, nameMs);
    std::printf("the first batch after a restart, after %6d earlier winners: %8.2f ms  ratio %5.2f\n", earlier[2],
                restartMs, restartMs / nameMs[0]);
    PrintRow("range 1~2^31-1", earlier, rangeMs);
    return 0;
}
