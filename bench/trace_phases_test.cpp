#include "bench/trace_phases.h"

#include <gtest/gtest.h>

namespace {

struct PhaseCase {
    const char* text;
    bool parsed;
    std::vector<TracePhase> phases;  // from a start of 1000 counts
};

TEST(TracePhases, ReadsTheWritersLinesIntoPhases) {
    const PhaseCase cases[] = {
        // 1000 counts a second: a count is a millisecond.
        {"frequency 1000\nmark winmain 1010\nmark first paint 1100\nmark first idle 1150\n", true,
         {{"winmain", 10}, {"first paint", 90}, {"first idle", 50}}},
        {"frequency 2000\r\nmark a 1000\r\nmark b 3000\r\n", true, {{"a", 0}, {"b", 1000}}},
        // Lines that are not stamps are passed over; spans are not phases.
        {"frequency 1000\ngarbage\nmark x\nmark y 12z\nspan events 40\nmark z 1200\n", true, {{"z", 200}}},
        {"mark a 1000\n", false, {}},
        {"frequency 1000\n", false, {}},
        {"", false, {}},
    };
    for (const PhaseCase& c : cases) {
        TraceReading reading;
        EXPECT_EQ(ParseTrace(c.text, reading), c.parsed) << c.text;
        const std::vector<TracePhase> phases = PhasesFrom(reading, 1000);
        ASSERT_EQ(phases.size(), c.phases.size()) << c.text;
        for (size_t i = 0; i < phases.size(); ++i) {
            EXPECT_EQ(phases[i].name, c.phases[i].name) << c.text;
            EXPECT_DOUBLE_EQ(phases[i].ms, c.phases[i].ms) << c.text;
        }
    }
}

TEST(TracePhases, SpansByName) {
    TraceReading reading;
    ASSERT_TRUE(ParseTrace("frequency 4000\nspan events 8\nspan other 4000\nmark end 5\n", reading));
    EXPECT_DOUBLE_EQ(SpanMs(reading, "events"), 2);
    EXPECT_DOUBLE_EQ(SpanMs(reading, "other"), 1000);
    EXPECT_DOUBLE_EQ(SpanMs(reading, "missing"), 0);
}

}  // namespace
