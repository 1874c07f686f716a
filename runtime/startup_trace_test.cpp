#include "runtime/startup_trace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bench/trace_phases.h"

namespace {

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TraceReading ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    TraceReading reading;
    ParseTrace(text.str(), reading);
    return reading;
}

struct TraceTest : ::testing::Test {
    std::string path = TempPath("startup_trace_test.txt");
    void SetUp() override { DeleteFileA(path.c_str()); }
    void TearDown() override {
        TraceRedirect(nullptr);
        DeleteFileA(path.c_str());
    }
};

TEST_F(TraceTest, OffTakesNoStampsAndWritesNothing) {
    TraceRedirect(nullptr);
    EXPECT_FALSE(TraceEnabled());
    EXPECT_EQ(TraceNow(), 0);
    TraceMark("winmain");
    TraceAddSpan("events", 0);
    TraceWrite();
    EXPECT_FALSE(Exists(path));
}

TEST_F(TraceTest, MarksInOrderSpansAddedUpFileReplacedOnEachWrite) {
    TraceRedirect(path.c_str());
    ASSERT_TRUE(TraceEnabled());
    TraceMark("winmain");
    const int64_t first = TraceNow();
    Sleep(2);
    TraceAddSpan("events", first);
    TraceMark("first paint");
    TraceWrite();
    TraceReading once = ReadBack(path);
    ASSERT_EQ(once.marks.size(), 2u);
    const double oneSpan = SpanMs(once, "events");
    EXPECT_GT(oneSpan, 1.0);

    const int64_t second = TraceNow();
    Sleep(2);
    TraceAddSpan("events", second);
    TraceMark("first idle");
    TraceWrite();
    TraceReading twice = ReadBack(path);
    ASSERT_EQ(twice.marks.size(), 3u);  // replaced, not appended to
    EXPECT_EQ(twice.spans.size(), 1u);
    EXPECT_EQ(twice.marks[0].first, "winmain");
    EXPECT_EQ(twice.marks[1].first, "first paint");
    EXPECT_EQ(twice.marks[2].first, "first idle");
    EXPECT_LE(twice.marks[0].second, twice.marks[1].second);
    EXPECT_LE(twice.marks[1].second, twice.marks[2].second);
    EXPECT_GT(SpanMs(twice, "events"), oneSpan + 1.0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    EXPECT_EQ(twice.frequency, static_cast<double>(frequency.QuadPart));
}

TEST_F(TraceTest, StampsBeyondTheTableAreDroppedAndRedirectForgets) {
    TraceRedirect(path.c_str());
    for (int i = 0; i < 300; ++i) TraceMark("many");
    TraceWrite();
    const size_t kept = ReadBack(path).marks.size();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 300u);

    TraceRedirect(path.c_str());
    TraceMark("after");
    TraceWrite();
    TraceReading reading = ReadBack(path);
    ASSERT_EQ(reading.marks.size(), 1u);
    EXPECT_EQ(reading.marks[0].first, "after");
}

TEST_F(TraceTest, UnusablePathTurnsTracingOff) {
    TraceRedirect("");
    EXPECT_FALSE(TraceEnabled());
    const std::string tooLong(MAX_PATH + 10, 'x');
    TraceRedirect(tooLong.c_str());
    EXPECT_FALSE(TraceEnabled());
}

}  // namespace
