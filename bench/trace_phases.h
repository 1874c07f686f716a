#pragma once
// Reads the time stamps a traced Tobrix writes (runtime/startup_trace.h) and
// turns them into phases: each mark ends the phase that the previous mark,
// or the bench's own reading at process creation, began.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

struct TraceReading {
    double frequency = 0;  // counts per second
    std::vector<std::pair<std::string, int64_t>> marks;
    std::vector<std::pair<std::string, int64_t>> spans;
};

// Mark names may hold spaces: the counter is the line's last field.
inline bool ParseTrace(const std::string& text, TraceReading& reading) {
    reading = TraceReading{};
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t kindEnd = line.find(' ');
        const std::size_t valueStart = line.rfind(' ');
        if (kindEnd == std::string::npos) continue;
        const std::string kind = line.substr(0, kindEnd);
        const std::string value = line.substr(valueStart + 1);
        char* end = nullptr;
        const long long number = std::strtoll(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0') continue;
        if (kind == "frequency" && valueStart == kindEnd) {
            reading.frequency = static_cast<double>(number);
            continue;
        }
        if (valueStart == kindEnd) continue;  // a stamp without a name
        const std::string name = line.substr(kindEnd + 1, valueStart - kindEnd - 1);
        if (kind == "mark") reading.marks.emplace_back(name, number);
        if (kind == "span") reading.spans.emplace_back(name, number);
    }
    return reading.frequency > 0 && !reading.marks.empty();
}

struct TracePhase {
    std::string name;  // of the mark that ends it
    double ms = 0;
};

// The phases in the order of the marks, the first one from `start`.
inline std::vector<TracePhase> PhasesFrom(const TraceReading& reading, int64_t start) {
    std::vector<TracePhase> phases;
    if (reading.frequency <= 0) return phases;
    int64_t previous = start;
    for (const auto& mark : reading.marks) {
        phases.push_back(TracePhase{mark.first, static_cast<double>(mark.second - previous) * 1e3 / reading.frequency});
        previous = mark.second;
    }
    return phases;
}

// A span's total in ms, 0 when it was never recorded.
inline double SpanMs(const TraceReading& reading, const std::string& name) {
    for (const auto& span : reading.spans)
        if (span.first == name && reading.frequency > 0) return static_cast<double>(span.second) * 1e3 / reading.frequency;
    return 0;
}
