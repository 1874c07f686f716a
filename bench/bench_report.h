#pragma once
// Figures as the benchmarks print them: each beside its baseline from the
// same run, as a ratio, with its target. Machines here are noisy; a ratio
// against a baseline measured moments before says more than a bare number.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <windows.h>

inline double BenchNow() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The q-quantile (0..1) by nearest rank; 0 for no samples.
inline double Quantile(std::vector<double> samples, double q) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    std::size_t rank = static_cast<std::size_t>(q * static_cast<double>(samples.size()) + 0.999999);
    if (rank < 1) rank = 1;
    if (rank > samples.size()) rank = samples.size();
    return samples[rank - 1];
}

// One line: figure, value, baseline, ratio, target and whether it is met.
// An empty target prints as "-", with no verdict.
inline void PrintFigure(const char* figure, double value, const char* unit, double baseline, const char* target,
                        bool met) {
    const double ratio = baseline != 0 ? value / baseline : 0;
    const bool hasTarget = target && *target;
    std::printf("%-46s %10.2f %-5s baseline %10.2f  ratio %7.2f  target %-22s %s\n", figure, value, unit, baseline,
                ratio, hasTarget ? target : "-", hasTarget ? (met ? "ok" : "MISSED") : "");
    std::fflush(stdout);
}

// A line of detail that has no target of its own.
inline void PrintDetail(const char* text) {
    std::printf("  %s\n", text);
    std::fflush(stdout);
}
