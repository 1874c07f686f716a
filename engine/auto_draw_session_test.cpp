// Automatic draws through the session, against the fake window; a "second"
// of spacing lasts a few milliseconds here.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/draw_host_fake.h"
#include "engine/draw_session.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kLi = "\xC0\xEE\xCB\xC4";     // 李四
const std::string kWang = "\xCD\xF5\xCE\xE5";   // 王五
const std::string kZhao = "\xD5\xD4\xC1\xF9";   // 赵六
const std::string kSun = "\xCB\xEF\xC6\xDF";    // 孙七

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

struct AutoDrawTest : ::testing::Test {
    FakeWindow window;
    DrawSession session{window.host()};
    // When the UI thread went to take each result and each other candidate:
    // no later than the roller handed it over, no earlier than it was offered.
    std::vector<Clock::time_point> resultTimes;
    std::vector<Clock::time_point> candidateTimes;

    void SetUp() override {
        session.setAutoTiming(AutoDrawTiming{20});
        window.frequency = "0";
    }
    void TearDown() override {
        session.stop();
        ExpectNoRoller();
    }

    void useNameFile(const std::string& content) { UseNameFile(window, session, content); }
    // Serves the roller, as the window's message loop does, until the draw
    // is over or `until` says so.
    bool pumpWhileRolling(milliseconds timeout = milliseconds(20000),
                          bool (*until)(AutoDrawTest&) = nullptr) {
        const auto deadline = Clock::now() + timeout;
        while (session.rolling() && !(until && until(*this))) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            if (!window.waitForRequest(std::min(left, milliseconds(50)))) continue;
            const auto taking = Clock::now();
            const std::string record = window.record;
            if (!session.deliverCandidate()) continue;
            (window.record != record ? resultTimes : candidateTimes).push_back(taking);
        }
        return true;
    }
    bool idleButtons() { return window.startEnabled && !window.stopEnabled; }
};

bool TwoResults(AutoDrawTest& t) { return Words(t.window.record).size() >= 2; }
bool OneResult(AutoDrawTest& t) { return Words(t.window.record).size() >= 1; }

TEST_F(AutoDrawTest, ThreeDifferentNumbersThenItEndsByItself) {
    window.count = "3";
    window.numberPreset = "88";  // presets steer manual draws only
    session.start();
    EXPECT_TRUE(session.rolling());
    EXPECT_EQ(window.focused, FakeButton::Stop);
    ASSERT_TRUE(pumpWhileRolling());
    const std::string record = window.record;
    const std::vector<std::string> results = Words(record);
    ASSERT_EQ(results.size(), 3u) << record;
    EXPECT_EQ(std::set<std::string>(results.begin(), results.end()).size(), 3u) << record;
    std::string expected;
    for (const std::string& r : results) {
        const int v = std::stoi(r);
        EXPECT_TRUE(v >= 1 && v <= 10) << r;
        expected += "   " + r;  // two blanks, then the sign blank of the display
    }
    EXPECT_EQ(record, expected);
    EXPECT_EQ(window.display, " " + results.back());
    EXPECT_TRUE(idleButtons());
    EXPECT_EQ(window.focused, FakeButton::Start);
    EXPECT_EQ(CountRollers().alive, 0);
    EXPECT_TRUE(window.presetReads.empty());
    EXPECT_TRUE(window.messages.empty());
    // Nothing of the ended draw comes later, and a Stop now adds nothing.
    std::this_thread::sleep_for(milliseconds(60));
    window.waitForRequest(milliseconds(0));
    EXPECT_FALSE(session.deliverCandidate());
    session.stop();
    EXPECT_EQ(window.record, record);
    EXPECT_EQ(window.display, " " + results.back());
}

TEST_F(AutoDrawTest, AsManyResultsAsValuesTakesEveryValueOnce) {
    window.count = "10";
    window.lower = "-4.5";  // rounds to -4
    window.upper = "5";
    session.setAutoTiming(AutoDrawTiming{4});
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    std::multiset<std::string> results;
    for (const std::string& r : Words(window.record)) results.insert(r);
    EXPECT_EQ(results, (std::multiset<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2", "3", "4", "5"}));
}

TEST_F(AutoDrawTest, TooManyResultsAreRefusedAndNothingStarts) {
    const std::vector<std::string> tooMany = {"11", "1E9", "&HFFFF&", "2147483647"};
    window.display = " 4";
    window.record = "  earlier";
    for (const std::string& count : tooMany) {
        window.count = count;
        window.messages.clear();
        window.focused = FakeButton::None;
        const long started = CountRollers().started;
        session.start();
        ASSERT_EQ(window.messages.size(), 1u) << count;
        EXPECT_EQ(window.messages[0].first, kTooManyResultsMessage);
        EXPECT_EQ(window.messages[0].second, "提示");
        EXPECT_EQ(CountRollers().started, started) << count;
        EXPECT_FALSE(session.rolling());
        EXPECT_TRUE(idleButtons());
        EXPECT_EQ(window.focused, FakeButton::Start);
    }
    EXPECT_EQ(window.display, " 4");
    EXPECT_EQ(window.record, "  earlier");
    EXPECT_FALSE(window.waitForRequest(milliseconds(20)));
    // Limits that are refused say so first, as ever.
    window.lower = "5";
    window.upper = "5";
    window.messages.clear();
    session.start();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, "上限和下限必须拉开差距");
}

TEST_F(AutoDrawTest, OtherCountsOrNoIntervalMakeTheOrdinaryDraw) {
    const std::vector<std::pair<std::string, std::string>> manual = {
        {"", "1"}, {"0", "1"}, {"abc", "1"}, {"-3", "1"}, {"&HFFFF", "1"}, {"3", ""}};
    window.numberPreset = "88";
    for (const auto& c : manual) {
        window.count = c.first;
        window.interval = c.second;
        window.record = "";
        session.start();
        ASSERT_EQ(PumpCandidates(session, window, 5), 5);
        const std::string rolled = window.display;
        // A manual draw never ends by itself.
        std::this_thread::sleep_for(milliseconds(30));
        EXPECT_TRUE(session.rolling());
        session.stop();
        EXPECT_EQ(window.display, "88") << c.first;
        EXPECT_EQ(window.record, "  " + rolled) << c.first;
    }
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(AutoDrawTest, FiveNamesAreEachTakenOnceAndBlankLinesNeverCount) {
    useNameFile(kZhang + "\r\n\r\n" + kLi + "\r\n" + kWang + "\r\n   \r\n" + kZhao + "\r\n" + kSun +
                "\r\n" + kLi + "\r\n");
    window.count = "5";
    window.namePreset = kWang;
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    const std::vector<std::string> results = Words(window.record);
    EXPECT_EQ(std::multiset<std::string>(results.begin(), results.end()),
              (std::multiset<std::string>{kZhang, kLi, kWang, kZhao, kSun}));
    EXPECT_EQ(window.record.find("    "), std::string::npos);  // no empty entry
    EXPECT_TRUE(idleButtons());
    EXPECT_EQ(window.focused, FakeButton::Start);
    EXPECT_TRUE(window.presetReads.empty());
}

TEST_F(AutoDrawTest, ANameFileTooSmallIsRefusedThroughTheRoller) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\r\n\r\n   \r\n", "1"}, {"", "1"}, {kZhang + "\r\n" + kZhang + " \r\n" + kLi, "3"}};
    for (const auto& c : cases) {
        useNameFile(c.first);
        window.count = c.second;
        window.display = "before";
        window.record = "  earlier";
        window.messages.clear();
        session.start();
        ASSERT_TRUE(pumpWhileRolling());
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].first, kTooManyResultsMessage);
        EXPECT_EQ(window.messages[0].second, "提示");
        EXPECT_EQ(window.display, "before");
        EXPECT_EQ(window.record, "  earlier");
        EXPECT_TRUE(idleButtons());
        EXPECT_EQ(window.focused, FakeButton::Start);
        EXPECT_EQ(CountRollers().alive, 0);
    }
}

TEST_F(AutoDrawTest, StopKeepsTheResultsTakenAndShowsTheLatest) {
    for (DrawMode mode : {DrawMode::Number, DrawMode::Name}) {
        if (mode == DrawMode::Name) useNameFile(kZhang + "\r\n" + kLi + "\r\n" + kWang + "\r\n" + kZhao);
        window.count = "4";
        window.record = "";
        window.numberPreset = "88";
        window.namePreset = kSun;
        session.setAutoTiming(AutoDrawTiming{40});
        session.start();
        ASSERT_TRUE(pumpWhileRolling(milliseconds(20000), TwoResults));
        ASSERT_TRUE(session.rolling());
        // A candidate rolls past before Stop.
        ASSERT_EQ(PumpCandidates(session, window, 1), 1);
        const std::string record = window.record;
        session.stop();
        const std::vector<std::string> results = Words(record);
        ASSERT_EQ(results.size(), 2u);
        EXPECT_EQ(window.record, record);
        EXPECT_EQ(Words(window.display), (std::vector<std::string>{results.back()}));
        EXPECT_TRUE(idleButtons());
        EXPECT_EQ(window.focused, FakeButton::Start);
        EXPECT_TRUE(window.presetReads.empty());
        EXPECT_EQ(CountRollers().alive, 0);
        std::this_thread::sleep_for(milliseconds(100));
        window.waitForRequest(milliseconds(0));
        EXPECT_FALSE(session.deliverCandidate());
        EXPECT_EQ(window.record, record);
    }
    // Stopped before any result: nothing recorded, nothing left on display.
    window.record = "";
    window.frequency = "-1";
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 1), 1);
    session.stop();
    EXPECT_EQ(window.record, "");
    EXPECT_EQ(window.display, "");
}

TEST_F(AutoDrawTest, AModeChangeAbandonsItAndKeepsTheRecord) {
    window.count = "5";
    session.setAutoTiming(AutoDrawTiming{40});
    session.start();
    ASSERT_TRUE(pumpWhileRolling(milliseconds(20000), OneResult));
    ASSERT_TRUE(window.waitForRequest(milliseconds(5000)));  // one more pending
    const std::string record = window.record;
    session.selectMode(DrawMode::Name);
    EXPECT_FALSE(session.rolling());
    EXPECT_EQ(CountRollers().alive, 0);
    EXPECT_FALSE(session.deliverCandidate());
    EXPECT_EQ(window.display, "");
    EXPECT_EQ(window.record, record);
    EXPECT_TRUE(idleButtons());
    EXPECT_EQ(window.focused, FakeButton::Start);
}

TEST_F(AutoDrawTest, ResultsComeEverySpacingAndStayForTheHold) {
    // Interval 2: a result every 2 "seconds" (2 x 30 ms), held for 30 ms.
    session.setAutoTiming(AutoDrawTiming{30});
    window.interval = "2";
    window.count = "4";
    window.upper = "1000";
    const auto begin = Clock::now();
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    ASSERT_EQ(resultTimes.size(), 4u);
    EXPECT_GE(resultTimes[0] - begin, milliseconds(60));
    for (std::size_t k = 1; k < resultTimes.size(); ++k) {
        EXPECT_GE(resultTimes[k] - resultTimes[k - 1], milliseconds(60)) << k;
        // The first candidate after a result comes no earlier than the hold.
        for (const auto& shown : candidateTimes) {
            if (shown > resultTimes[k - 1] && shown < resultTimes[k]) {
                EXPECT_GE(shown - resultTimes[k - 1], milliseconds(30)) << k;
                break;
            }
        }
    }
}

TEST_F(AutoDrawTest, RandomIntervalsAndEndlessPausesStillEnd) {
    session.setAutoTiming(AutoDrawTiming{3});
    window.interval = kRandomInterval;
    window.count = "6";
    window.upper = "100";
    for (const char* frequency : {"0", "-1", "7"}) {
        window.frequency = frequency;
        window.record = "";
        resultTimes.clear();
        session.start();
        ASSERT_TRUE(pumpWhileRolling()) << frequency;
        const std::vector<std::string> results = Words(window.record);
        EXPECT_EQ(std::set<std::string>(results.begin(), results.end()).size(), 6u) << frequency;
        for (std::size_t k = 1; k < resultTimes.size(); ++k) {
            EXPECT_GE(resultTimes[k] - resultTimes[k - 1], milliseconds(3)) << k;
        }
    }
}

TEST_F(AutoDrawTest, ManyDrawsStoppedAtRandomNeverLeaveAStrayWrite) {
    // Every end of an automatic draw (Stop, mode change, own end, refusal)
    // raced against the roller: after it, nothing reaches the window.
    session.setAutoTiming(AutoDrawTiming{1});
    window.nameFile = "s.txt";
    window.setFile("C:\\draw\\s.txt", kZhang + "\r\n" + kLi + "\r\n" + kWang);
    bool open = false;
    long strays = 0;
    window.onWrite = [&](FakeField field, const std::string& text) {
        // A mode change empties the display between draws; that is no stray.
        if (!open && (field == FakeField::Record || (field == FakeField::Display && !text.empty()))) ++strays;
    };
    for (int c = 0; c < 300; ++c) {
        const DrawMode mode = c % 2 ? DrawMode::Name : DrawMode::Number;
        if (session.selectedMode() != mode) session.selectMode(mode);
        window.count = std::to_string(1 + c % 4);  // 4 is refused by the file
        open = true;
        session.start();
        PumpCandidates(session, window, c % 5, milliseconds(50));
        switch (c % 3) {
            case 0: session.stop(); break;
            case 1: session.selectMode(mode); break;
            default: pumpWhileRolling(); break;
        }
        if (session.rolling()) session.stop();
        window.messages.clear();
        open = false;
        ASSERT_EQ(CountRollers().alive, 0) << c;
        window.waitForRequest(milliseconds(0));
        ASSERT_FALSE(session.deliverCandidate()) << c;
    }
    EXPECT_EQ(strays, 0);
    window.onWrite = nullptr;
}

}  // namespace
