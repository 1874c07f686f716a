#include "engine/draw_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/draw_host_fake.h"

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderTsan = true;
#else
constexpr bool kUnderTsan = false;
#endif

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kLi = "\xC0\xEE\xCB\xC4";     // 李四
const std::string kWang = "\xCD\xF5\xCE\xE5";   // 王五
const std::string kRefusal = "上限和下限必须拉开差距";
const std::string kNotice = "提示";

// The value of a display text as the number roller writes it: a blank before
// zero and positive values, "-" before negative ones, plain digits.
bool ReadShownNumber(const std::string& text, long long& value) {
    if (text.size() < 2 || (text[0] != ' ' && text[0] != '-')) return false;
    if (text[1] == '0' && text.size() > 2) return false;
    long long v = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || i > 11) return false;
        v = v * 10 + (text[i] - '0');
    }
    if (text[0] == '-' && v == 0) return false;
    value = text[0] == '-' ? -v : v;
    return true;
}

std::set<long long> ShownNumbers(const std::vector<std::string>& shown) {
    std::set<long long> values;
    for (const std::string& text : shown) {
        long long v = 0;
        EXPECT_TRUE(ReadShownNumber(text, v)) << '"' << text << '"';
        values.insert(v);
    }
    return values;
}

std::set<long long> Range(long long lo, long long hi) {
    std::set<long long> values;
    for (long long v = lo; v <= hi; ++v) values.insert(v);
    return values;
}

struct DrawTest : ::testing::Test {
    FakeWindow window;
    DrawSession session{window.host()};

    void SetUp() override { window.frequency = "0"; }

    void setLimits(const std::string& lower, const std::string& upper) {
        window.lower = lower;
        window.upper = upper;
    }
    void useNameFile(const std::string& content) { UseNameFile(window, session, content); }
    bool idleButtons() { return window.startEnabled && !window.stopEnabled; }
    bool rollingButtons() { return !window.startEnabled && window.stopEnabled; }
    void TearDown() override {
        session.stop();
        ExpectNoRoller();
    }
};

// ---- states ----------------------------------------------------------------

TEST_F(DrawTest, StartThenStopInNumberMode) {
    EXPECT_TRUE(idleButtons());
    session.start();
    EXPECT_TRUE(session.rolling());
    EXPECT_TRUE(rollingButtons());
    ASSERT_EQ(PumpCandidates(session, window, 5), 5);
    const std::string shown = window.display;
    session.stop();
    EXPECT_FALSE(session.rolling());
    EXPECT_TRUE(idleButtons());
    ExpectNoRoller();
    EXPECT_EQ(window.record, "  " + shown);
    EXPECT_EQ(window.display, shown);
    // A request still queued for the ended draw brings nothing.
    window.waitForRequest(milliseconds(0));
    EXPECT_FALSE(session.deliverCandidate());
    EXPECT_EQ(window.display, shown);
}

TEST_F(DrawTest, StopWhenIdleDoesNothing) {
    window.display = " 7";
    session.stop();
    session.selectMode(DrawMode::Name);
    window.display = "x";
    session.stop();
    EXPECT_EQ(window.record, "");
    EXPECT_EQ(window.display, "x");
    EXPECT_TRUE(window.presetReads.empty());
    EXPECT_TRUE(idleButtons());
}

TEST_F(DrawTest, SelectModeWhenIdleEmptiesTheDisplay) {
    window.display = " 7";
    session.selectMode(DrawMode::Name);
    EXPECT_EQ(session.selectedMode(), DrawMode::Name);
    EXPECT_EQ(window.display, "");
    EXPECT_TRUE(idleButtons());
    session.selectMode(DrawMode::Number);
    EXPECT_EQ(session.selectedMode(), DrawMode::Number);
    EXPECT_EQ(window.record, "");
    EXPECT_EQ(CountRollers().alive, 0);
}

TEST_F(DrawTest, SelectingAnyModeAbandonsTheRunningDraw) {
    window.setFile("C:\\draw\\names.txt", kZhang + "\r\n" + kLi);
    window.nameFile = "names.txt";
    for (DrawMode from : {DrawMode::Number, DrawMode::Name}) {
        for (DrawMode to : {DrawMode::Number, DrawMode::Name}) {
            session.selectMode(from);
            session.start();
            ASSERT_EQ(PumpCandidates(session, window, 3), 3);
            ASSERT_TRUE(window.waitForRequest(milliseconds(5000)));  // one more is pending
            session.selectMode(to);
            EXPECT_EQ(session.selectedMode(), to);
            EXPECT_FALSE(session.rolling());
            EXPECT_TRUE(idleButtons());
            EXPECT_EQ(CountRollers().alive, 0);
            EXPECT_FALSE(session.deliverCandidate());
            EXPECT_EQ(window.display, "");
        }
    }
    EXPECT_EQ(window.record, "");
    EXPECT_TRUE(window.presetReads.empty());
}

TEST_F(DrawTest, StopBeforeAnythingWasShownRecordsTheOldText) {
    window.display = "before";
    session.start();
    ASSERT_TRUE(window.waitForRequest(milliseconds(5000)));  // produced, never shown
    session.stop();
    EXPECT_EQ(window.display, "before");
    EXPECT_EQ(window.record, "  before");

    useNameFile(kZhang);  // the mode change empties the display
    session.start();
    session.stop();
    EXPECT_EQ(window.display, "");
    EXPECT_EQ(window.record, "  before  ");
}

TEST_F(DrawTest, StartWhileRollingEndsTheOldRollerFirst) {
    setLimits("1", "5");
    session.start();
    ASSERT_TRUE(window.waitForRequest(milliseconds(5000)));
    const long started = CountRollers().started;
    setLimits("100", "105");
    session.start();
    EXPECT_EQ(CountRollers().started, started + 1);
    EXPECT_LE(CountRollers().alive, 1);
    // The candidate left over from 1..5 never shows.
    EXPECT_EQ(ShownNumbers(CollectCandidates(session, window, 200)), Range(100, 105));
}

TEST_F(DrawTest, RefusedLimitsShowTheMessageAndStartNothing) {
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"5", "5"}, {"10", "1"}, {"", ""}, {"1", "1.0"}, {"abc", "-1"}};
    for (const auto& limits : refused) {
        setLimits(limits.first, limits.second);
        window.messages.clear();
        const long started = CountRollers().started;
        session.start();
        ASSERT_EQ(window.messages.size(), 1u) << limits.first << ".." << limits.second;
        EXPECT_EQ(window.messages[0].first, kRefusal);
        EXPECT_EQ(window.messages[0].second, kNotice);
        EXPECT_TRUE(idleButtons());
        EXPECT_FALSE(session.rolling());
        EXPECT_EQ(CountRollers().started, started);
        session.stop();  // as if Stop had been left enabled
        EXPECT_EQ(window.record, "");
    }
    EXPECT_FALSE(window.waitForRequest(milliseconds(20)));
}

TEST_F(DrawTest, DestroyingTheSessionEndsItsRoller) {
    {
        DrawSession other(window.host());
        window.frequency = "-1";
        other.start();
        ASSERT_EQ(PumpCandidates(other, window, 1), 1);
    }
    ExpectNoRoller();
}

// ---- number draws ----------------------------------------------------------

TEST_F(DrawTest, NumbersStayWithinTheRoundedLimits) {
    struct Case {
        std::string lower, upper;
        std::set<long long> drawn;
    };
    const std::vector<Case> cases = {
        {"1", "10", Range(1, 10)},  {"2", "10", Range(2, 10)}, {"1.4", "1.6", {1, 2}},
        {"2.5", "3", {2, 3}},       {"-5", "", Range(-5, 0)},  {"-2147483648", "-2147483647", Range(-2147483648LL, -2147483647LL)},
    };
    for (const Case& c : cases) {
        setLimits(c.lower, c.upper);
        session.start();
        EXPECT_EQ(ShownNumbers(CollectCandidates(session, window, 400)), c.drawn)
            << c.lower << ".." << c.upper;
        session.stop();
    }
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(DrawTest, TheSequenceFollowsTheTimeOfDayAtStart) {
    window.setTime(TimeOfDay{12, 0, 0, 0});
    session.start();
    EXPECT_EQ(CollectCandidates(session, window, 5),
              (std::vector<std::string>{" 5", " 1", " 5", " 8", " 6"}));
    session.stop();
    window.setTime(TimeOfDay{0, 0, 0, 0});
    session.start();
    EXPECT_EQ(CollectCandidates(session, window, 3), (std::vector<std::string>{" 1", " 1", " 9"}));
}

TEST_F(DrawTest, NumbersAreUniformThroughTheRoller) {
    const int total = kUnderTsan ? 5000 : 20000;
    std::vector<long> counts(10);
    session.start();
    const std::vector<std::string> shown = CollectCandidates(session, window, total);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(total));
    for (const std::string& text : shown) {
        long long v = 0;
        ASSERT_TRUE(ReadShownNumber(text, v));
        ASSERT_TRUE(v >= 1 && v <= 10);
        ++counts[static_cast<std::size_t>(v - 1)];
    }
    const double expected = total / 10.0;
    double chi = 0;
    for (long c : counts) chi += (c - expected) * (c - expected) / expected;
    EXPECT_LT(chi, 27.877);  // 9 degrees of freedom, 0.001
}

TEST_F(DrawTest, ZeroOrEmptyFrequencyDoesNotPause) {
    // 300 candidates with the default pause of 10 ms would take 3 s.
    for (const char* frequency : {"0", ""}) {
        window.frequency = frequency;
        const auto begin = Clock::now();
        session.start();
        EXPECT_EQ(PumpCandidates(session, window, 300), 300);
        session.stop();
        EXPECT_LT(Clock::now() - begin, milliseconds(1500)) << '"' << frequency << '"';
    }
}

TEST_F(DrawTest, ThePauseSeparatesCandidates) {
    window.frequency = "40";
    const auto begin = Clock::now();
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 6), 6);
    EXPECT_GE(Clock::now() - begin, milliseconds(200));  // five pauses
}

TEST_F(DrawTest, StopEndsAPauseAtOnce) {
    for (const char* frequency : {"-1", "4294967295", "100000"}) {
        window.frequency = frequency;
        session.start();
        ASSERT_EQ(PumpCandidates(session, window, 1), 1);
        const std::string first = window.display;
        EXPECT_FALSE(window.waitForRequest(milliseconds(100))) << frequency;
        const auto begin = Clock::now();
        session.stop();
        EXPECT_LT(Clock::now() - begin, milliseconds(500)) << frequency;
        EXPECT_EQ(window.display, first);
    }
}

TEST_F(DrawTest, AnUnshownCandidateHoldsTheRollerBack) {
    // No queue of updates grows while the UI thread is busy: at a pause of 0
    // the roller offers one candidate and waits for it to be taken, and the
    // count is final once Stop has joined it.
    session.start();
    ASSERT_TRUE(window.waitForRequests(1, milliseconds(5000)));
    session.stop();
    EXPECT_EQ(window.requestCount(), 1);
    // Each taken candidate frees exactly one more.
    session.start();
    for (long taken = 1; taken <= 20; ++taken) {
        ASSERT_TRUE(window.waitForRequests(1 + taken, milliseconds(5000))) << taken;
        ASSERT_TRUE(session.deliverCandidate()) << taken;
    }
    ASSERT_TRUE(window.waitForRequests(22, milliseconds(5000)));
    session.stop();
    EXPECT_EQ(window.requestCount(), 22);
}

// ---- name draws ------------------------------------------------------------

std::set<std::string> AsSet(const std::vector<std::string>& v) {
    return std::set<std::string>(v.begin(), v.end());
}

TEST_F(DrawTest, NamesComeFromTheSelectedFile) {
    useNameFile(kZhang + "\r\n" + kLi + "\r\n" + kWang);
    setLimits("5", "5");  // not read in name mode
    session.start();
    EXPECT_TRUE(rollingButtons());
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 200)), (std::set<std::string>{kZhang, kLi, kWang}));
    session.stop();
    EXPECT_TRUE(window.messages.empty());

    // Read anew at each Start; a final break adds an empty name. A tab ends
    // the name: what follows it is the person's number and department.
    window.setFile("C:\\draw\\names.txt", " " + kZhang + " \r\n " + kLi + "\t\r\n");
    session.start();
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 200)),
              (std::set<std::string>{kZhang, " " + kLi, ""}));
    session.stop();
    std::lock_guard<std::mutex> lock(window.mutex);
    EXPECT_EQ(window.loads, (std::vector<std::string>{"C:\\draw\\names.txt", "C:\\draw\\names.txt"}));
}

TEST_F(DrawTest, AMissingFileOrSelectionRollsOneEmptyName) {
    useNameFile(kZhang);
    window.display = "x";
    window.nameFile = "gone.txt";
    session.start();
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 20)), (std::set<std::string>{""}));
    session.stop();
    window.nameFile = "";
    session.start();
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 20)), (std::set<std::string>{""}));
    session.stop();
    EXPECT_EQ(window.record, "    ");
    std::lock_guard<std::mutex> lock(window.mutex);
    EXPECT_EQ(window.loads, (std::vector<std::string>{"C:\\draw\\gone.txt", "C:\\draw\\"}));
}

// ---- records and presets ---------------------------------------------------

TEST_F(DrawTest, RecordsAppendTwoBlanksAndTheShownNumber) {
    setLimits("1", "12");
    session.start();
    ASSERT_TRUE(PumpUntilShown(session, window, " 3"));
    session.stop();
    session.start();
    ASSERT_TRUE(PumpUntilShown(session, window, " 12"));
    session.stop();
    setLimits("-5", "-3");
    session.start();
    ASSERT_TRUE(PumpUntilShown(session, window, "-4"));
    session.stop();
    EXPECT_EQ(window.record, "   3   12  -4");
    EXPECT_EQ(window.presetReads, (std::vector<DrawMode>(3, DrawMode::Number)));

    // Typed-in text stays and is extended.
    window.record = "note";
    session.start();
    session.stop();
    EXPECT_EQ(window.record.substr(0, 6), "note  ");

    session.clearRecord();
    EXPECT_EQ(window.record, "");
    EXPECT_EQ(window.namesBox, "");
}

TEST_F(DrawTest, ANumberPresetIsShownButTheRolledNumberRecorded) {
    for (const std::string preset : {"88", "  ", "abc"}) {
        window.numberPreset = preset;
        window.record = "";
        session.start();
        ASSERT_EQ(PumpCandidates(session, window, 3), 3);
        const std::string rolled = window.display;
        session.stop();
        EXPECT_EQ(window.display, preset);
        EXPECT_EQ(window.record, "  " + rolled);
    }
}

TEST_F(DrawTest, ANamePresetReplacesAndIsRecordedUnlessBlank) {
    useNameFile(kZhang);
    window.namePreset = "   ";
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 2), 2);
    session.stop();
    EXPECT_EQ(window.display, kZhang);
    EXPECT_EQ(window.record, "  " + kZhang);

    window.namePreset = " " + kWang + " ";
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 2), 2);
    session.stop();
    EXPECT_EQ(window.display, " " + kWang + " ");
    EXPECT_EQ(window.record, "  " + kZhang + "   " + kWang + " ");
    EXPECT_EQ(window.presetReads, (std::vector<DrawMode>(2, DrawMode::Name)));
}

// ---- bad input -------------------------------------------------------------

TEST_F(DrawTest, AnyLimitTextsEitherRefuseOrDrawWholeNumbers) {
    const std::vector<std::string> texts = {
        std::string(10000, '9'), "-" + std::string(10000, '9'), "&HFFFF", "&H7FFFFFFF", "&HFFFFFFFF",
        "&O77777777777", std::string("1\0" "5", 3), std::string(5, '\0'), "\xFF\xFE\x80\x81", "1E400",
        "-2147483649", "4294967296"};
    for (const std::string& lower : texts) {
        for (const std::string& upper : texts) {
            setLimits(lower, upper);
            window.messages.clear();
            session.start();
            if (window.messages.empty()) {
                EXPECT_FALSE(ShownNumbers(CollectCandidates(session, window, 5)).empty());
                session.stop();
            }
            EXPECT_TRUE(idleButtons());
        }
    }
}

TEST_F(DrawTest, AnyFrequencyTextRollsAndStops) {
    const std::vector<std::string> texts = {
        std::string(10000, '7'), "&HFFFFFFFF", "&H7FFFFFFF", std::string("\0" "9", 2), "\xFF\xFE\x80",
        "-" + std::string(10000, '1'), "1E400", "NaN"};
    for (const std::string& frequency : texts) {
        window.frequency = frequency;
        session.start();
        EXPECT_EQ(PumpCandidates(session, window, 1), 1);
        const auto begin = Clock::now();
        session.stop();
        EXPECT_LT(Clock::now() - begin, milliseconds(500));
    }
}

TEST_F(DrawTest, AnyNameFileBytesGiveTheirFields) {
    std::mt19937 bytes(11);
    std::string noise(1 << 16, '\0');
    for (char& c : noise) c = static_cast<char>(bytes());
    useNameFile(noise);
    session.start();
    for (const std::string& name : CollectCandidates(session, window, 200)) {
        EXPECT_EQ(name.find_first_of("\r\n"), std::string::npos);
        EXPECT_NE(noise.find(name.substr(0, 1)), std::string::npos);
    }
    session.stop();

    window.setFile("C:\\draw\\names.txt", std::string("\0\0\r\0", 4));
    session.start();
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 50)),
              (std::set<std::string>{std::string(2, '\0'), std::string(1, '\0')}));
    session.stop();
}

TEST_F(DrawTest, FiftyMegabyteNameFilesDraw) {
    // Nothing here is about threads, and ThreadSanitizer would take minutes.
    if (kUnderTsan) GTEST_SKIP();
    const std::size_t size = 50u << 20;
    // Reading and splitting the file under the sanitizers, on a loaded
    // machine, may take longer than the usual wait for a candidate.
    const auto firstCandidate = std::chrono::seconds(120);
    useNameFile(std::string(size, '\r'));
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 1, firstCandidate), 1);
    EXPECT_EQ(AsSet(CollectCandidates(session, window, 20)), (std::set<std::string>{""}));
    session.stop();

    // Ten bytes a line: "n", seven digits, CR LF.
    std::string names(size, '\0');
    for (std::size_t k = 0; k < size / 10; ++k) {
        char* line = &names[k * 10];
        line[0] = 'n';
        for (std::size_t d = 7, v = k; d >= 1; --d, v /= 10) line[d] = static_cast<char>('0' + v % 10);
        line[8] = '\r';
        line[9] = '\n';
    }
    window.setFile("C:\\draw\\names.txt", std::move(names));
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 1, firstCandidate), 1);
    const std::set<std::string> shown = AsSet(CollectCandidates(session, window, 50));
    EXPECT_GT(shown.size(), 40u);
    for (const std::string& name : shown) {
        EXPECT_EQ(name.size(), 8u);
        EXPECT_EQ(name[0], 'n');
        EXPECT_EQ(name.find_first_not_of("0123456789", 1), std::string::npos) << name;
    }
    session.stop();
    window.setFile("C:\\draw\\names.txt", "");
}

// ---- many draws ------------------------------------------------------------

TEST_F(DrawTest, ThousandsOfDrawsNeverLetAnEndedDrawReachTheDisplay) {
    // A thread start costs milliseconds under Wine.
#if defined(_WIN32)
    const int cycles = 2000;
#else
    const int cycles = 10000;
#endif
    window.nameFile = "s.txt";
    std::mt19937 choose(5);
    // What the display may show right now: nothing, or a number of the
    // running draw's own range, or a name of its own file.
    bool open = false;
    long long lo = 0, hi = -1;
    std::string prefix;
    long shown = 0, strays = 0;
    window.onWrite = [&](FakeField field, const std::string& text) {
        if (field != FakeField::Display || text.empty()) return;
        ++shown;
        long long v = 0;
        const bool fits = session.selectedMode() == DrawMode::Number
                              ? ReadShownNumber(text, v) && v >= lo && v <= hi
                              : text.compare(0, prefix.size(), prefix) == 0;
        if (!open || !fits) ++strays;
    };
    for (int c = 0; c < cycles; ++c) {
        const DrawMode mode = choose() % 2 ? DrawMode::Name : DrawMode::Number;
        if (session.selectedMode() != mode) session.selectMode(mode);
        lo = c * 10LL;
        hi = lo + 9;
        prefix = "c" + std::to_string(c) + "-";
        window.lower = std::to_string(lo);
        window.upper = std::to_string(hi);
        window.setFile("C:\\draw\\s.txt", prefix + "a\r\n" + prefix + "b\r\n" + prefix + "c");
        open = true;
        session.start();
        // A request left over from the ended draw may be served only now.
        if (choose() % 2) session.deliverCandidate();
        const int wanted = static_cast<int>(choose() % 4);
        ASSERT_EQ(PumpCandidates(session, window, wanted), wanted) << "cycle " << c;
        if (choose() % 2) {
            ASSERT_TRUE(window.waitForRequest(milliseconds(5000)));  // leave one pending
        }
        switch (choose() % 3) {
            case 0: session.stop(); break;
            case 1: session.selectMode(mode == DrawMode::Number ? DrawMode::Name : DrawMode::Number); break;
            default: session.selectMode(mode); break;
        }
        open = false;
        ASSERT_EQ(CountRollers().alive, 0) << "cycle " << c;
        if (choose() % 2) {
            window.waitForRequest(milliseconds(0));
            ASSERT_FALSE(session.deliverCandidate()) << "cycle " << c;
        }
    }
    EXPECT_EQ(strays, 0);
    EXPECT_GT(shown, cycles);
    window.onWrite = nullptr;
    ExpectNoRoller();
}

}  // namespace
