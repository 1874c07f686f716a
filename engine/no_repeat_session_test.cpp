// Draws without repeats, take-back and void, through the session against the
// fake window: what the record, the pools, the status and the questions show.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "tests/support/draw_host_fake.h"
#include "engine/draw_pools.h"
#include "engine/draw_session.h"

namespace {

using std::chrono::milliseconds;

const std::string kZhang = "\xD5\xC5\xC8\xFD";  // 张三
const std::string kLi = "\xC0\xEE\xCB\xC4";     // 李四
const std::string kWang = "\xCD\xF5\xCE\xE5";   // 王五
const std::string kZhao = "\xD5\xD4\xC1\xF9";   // 赵六
const std::string kSun = "\xCB\xEF\xC6\xDF";    // 孙七
const std::string kZhou = "\xD6\xDC\xB0\xCB";   // 周八
const std::string kQuestion = std::string(kPoolEmptyQuestion) + "|提示";

std::string Lines(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + "\r\n";
    return text;
}

std::multiset<std::string> Bag(const std::vector<std::string>& v) {
    return std::multiset<std::string>(v.begin(), v.end());
}

std::string Left(uint64_t n, uint64_t m) {
    return "剩余 " + std::to_string(n) + "/" + std::to_string(m);
}

struct NoRepeatTest : ::testing::Test {
    FakeWindow window;
    DrawSession session{window.host()};

    void SetUp() override {
        window.frequency = "0";
        session.setNoRepeats(true);
    }
    void TearDown() override {
        session.stop();
        ExpectNoRoller();
    }
    void useNameFile(const std::string& content) { UseNameFile(window, session, content); }
    // Start, a few candidates, Stop: the result recorded, or "" (and no
    // result) when the Start asked and was told no.
    std::string drawOnce() {
        const std::size_t before = session.sessionResults().size();
        session.start();
        // A reset question arrives as a delivery, and a yes starts anew.
        for (int i = 0; i < 3 && session.rolling(); ++i) PumpCandidates(session, window, 1);
        session.stop();
        return session.sessionResults().size() > before ? session.sessionResults().back().result : std::string();
    }
    std::vector<std::string> drawTimes(int n) {
        std::vector<std::string> drawn;
        for (int i = 0; i < n; ++i) drawn.push_back(drawOnce());
        return drawn;
    }
    bool idle() { return window.startEnabled && !window.stopEnabled && !session.rolling(); }
    // Serves an automatic draw until it ends.
    bool pumpWhileRolling() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (session.rolling()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (window.waitForRequest(milliseconds(50))) session.deliverCandidate();
        }
        return true;
    }
};

// ---- names -----------------------------------------------------------------

TEST_F(NoRepeatTest, LinesWithOneNameAndTheirOwnNumbersAreDifferentPeople) {
    // Two people called 张三 and one 李四, each with a number and a class.
    const std::vector<std::string> lines = {kZhang + "\t1\tA", kZhang + "\t2\tB", kLi + "\t3\tC"};
    useNameFile(Lines(lines));
    EXPECT_EQ(window.statuses.back(), Left(3, 3));
    const std::vector<std::string> drawn = drawTimes(3);
    // Only the name is shown and recorded; the others go with the result.
    EXPECT_EQ(Bag(drawn), Bag({kZhang, kZhang, kLi}));
    EXPECT_EQ(window.record, "  " + drawn[0] + "  " + drawn[1] + "  " + drawn[2]);
    std::vector<std::string> people;
    for (const DrawResult& r : session.sessionResults()) people.push_back(r.result + "|" + r.number + "|" + r.department);
    EXPECT_EQ(Bag(people), Bag({kZhang + "|1|A", kZhang + "|2|B", kLi + "|3|C"}));
    EXPECT_EQ(window.details, people.back().substr(people.back().find('|') + 1));
    EXPECT_EQ(window.statuses.back(), Left(0, 3));

    // Taken back, that person alone returns to the pool.
    ASSERT_TRUE(session.takeBack());
    EXPECT_EQ(window.statuses.back(), Left(1, 3));
    EXPECT_EQ(drawOnce(), drawn[2]);
    EXPECT_EQ(session.sessionResults().back().number + "|" + session.sessionResults().back().department,
              people.back().substr(people.back().find('|') + 1));
}

TEST_F(NoRepeatTest, AnAutomaticDrawOfPeopleRecordsNamesWithTheirDetails) {
    useNameFile(Lines({kZhang + "\t1\tA", kZhang + "\t2\tB"}));
    session.setAutoTiming(AutoDrawTiming{5});
    window.count = "2";
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    ASSERT_EQ(session.sessionResults().size(), 2u);
    std::vector<std::string> people;
    for (const DrawResult& r : session.sessionResults()) people.push_back(r.result + "|" + r.number + "|" + r.department);
    EXPECT_EQ(Bag(people), Bag({kZhang + "|1|A", kZhang + "|2|B"}));
    EXPECT_EQ(window.record, "  " + kZhang + "  " + kZhang);
    EXPECT_EQ(window.display, kZhang);
}

TEST_F(NoRepeatTest, FiveNamesGiveFiveDifferentResultsThenAskToReset) {
    const std::vector<std::string> five = {kZhang, kLi, kWang, kZhao, kSun};
    useNameFile(Lines(five));
    EXPECT_EQ(window.statuses.back(), Left(5, 5));
    window.statuses.clear();
    const std::vector<std::string> drawn = drawTimes(5);
    EXPECT_EQ(Bag(drawn), Bag(five));
    EXPECT_EQ(window.statuses, (std::vector<std::string>{Left(4, 5), Left(3, 5), Left(2, 5), Left(1, 5), Left(0, 5)}));
    EXPECT_EQ(window.poolSaves, 5);
    EXPECT_EQ(window.record, "  " + drawn[0] + "  " + drawn[1] + "  " + drawn[2] + "  " + drawn[3] + "  " + drawn[4]);

    // The sixth Start asks; no starts nothing.
    const std::string record = window.record;
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 1), 1);  // the roller's word that nothing is left
    EXPECT_EQ(window.questions, (std::vector<std::string>{kQuestion}));
    EXPECT_TRUE(idle());
    EXPECT_EQ(window.focused, FakeButton::Start);
    session.stop();
    EXPECT_EQ(window.record, record);
    EXPECT_EQ(session.sessionResults().size(), 5u);

    // Yes resets and starts.
    window.answers = {true};
    session.start();
    ASSERT_EQ(PumpCandidates(session, window, 1), 1);
    EXPECT_EQ(window.questions.size(), 2u);
    EXPECT_TRUE(session.rolling());
    ASSERT_EQ(PumpCandidates(session, window, 3), 3);
    session.stop();
    EXPECT_EQ(window.statuses.back(), Left(4, 5));
    EXPECT_EQ(session.drawnPools().names.at("names.txt").size(), 1u);
}

TEST_F(NoRepeatTest, NamesCountAsAMultisetOfNonEmptyEntries) {
    // Two lines 张三 are two entries; empty lines and blanks are none.
    useNameFile(kZhang + "\r\n" + kZhang + "\r\n\r\n   \r\n" + kLi + "  \r\n");
    EXPECT_EQ(window.statuses.back(), Left(3, 3));
    EXPECT_EQ(Bag(drawTimes(3)), (std::multiset<std::string>{kZhang, kZhang, kLi}));
    EXPECT_EQ(window.statuses.back(), Left(0, 3));
    EXPECT_EQ(drawOnce(), "");
    EXPECT_EQ(window.questions.size(), 1u);
}

TEST_F(NoRepeatTest, AnEditedFileKeepsItsDrawnNamesOutAndLetsNewNamesIn) {
    useNameFile(Lines({kZhang, kLi, kWang, kZhao, kSun}));
    const std::vector<std::string> first = drawTimes(2);
    // One drawn name leaves the file, a new one comes in.
    std::vector<std::string> edited;
    for (const std::string& name : {kZhang, kLi, kWang, kZhao, kSun}) {
        if (name != first[0]) edited.push_back(name);
    }
    edited.push_back(kZhou);
    window.setFile("C:\\draw\\names.txt", Lines(edited));
    session.refreshPoolStatus();
    EXPECT_EQ(window.statuses.back(), Left(4, 5));
    std::vector<std::string> expected;
    for (const std::string& name : edited) {
        if (name != first[1]) expected.push_back(name);
    }
    EXPECT_EQ(Bag(drawTimes(4)), Bag(expected));
    EXPECT_EQ(window.statuses.back(), Left(0, 5));
}

TEST_F(NoRepeatTest, NamePresetsLeaveThePoolOnlyWhenTheyAreEntries) {
    useNameFile(Lines({kZhang, kLi, kWang}));
    window.namePreset = " " + kLi + " ";  // an entry, blanks aside
    EXPECT_EQ(drawOnce(), " " + kLi + " ");
    EXPECT_EQ(session.drawnPools().names.at("names.txt"), (std::vector<std::string>{kLi}));
    window.namePreset = kSun;  // not in the file: recorded, nothing leaves
    EXPECT_EQ(drawOnce(), kSun);
    EXPECT_EQ(session.drawnPools().names.at("names.txt"), (std::vector<std::string>{kLi}));
    window.namePreset = kLi;  // drawn already: recorded again, as presets are
    EXPECT_EQ(drawOnce(), kLi);
    EXPECT_EQ(session.drawnPools().names.at("names.txt"), (std::vector<std::string>{kLi}));
    EXPECT_EQ(window.statuses.back(), Left(2, 3));
    EXPECT_EQ(window.record, "   " + kLi + "   " + kSun + "  " + kLi);
}

TEST_F(NoRepeatTest, AMissingOrEmptyFileRollsAsEverAndTakesNothing) {
    for (const std::string& content : {std::string(), std::string("\r\n  \r\n")}) {
        useNameFile(content);
        EXPECT_EQ(window.statuses.back(), Left(0, 0));
        window.record.clear();
        EXPECT_EQ(drawOnce(), "");
        EXPECT_EQ(window.record, "  ");
        EXPECT_TRUE(window.questions.empty());
        EXPECT_TRUE(session.drawnPools().names.empty());
    }
    window.nameFile = "gone.txt";
    session.refreshPoolStatus();
    session.start();
    EXPECT_EQ(PumpCandidates(session, window, 3), 3);
    EXPECT_EQ(window.display, "");
}

// ---- numbers ---------------------------------------------------------------

TEST_F(NoRepeatTest, RangeOneToThreeGivesEachNumberOnceThenAsks) {
    window.lower = "1";
    window.upper = "3";
    session.refreshPoolStatus();
    EXPECT_EQ(window.statuses.back(), Left(3, 3));
    EXPECT_EQ(Bag(drawTimes(3)), (std::multiset<std::string>{" 1", " 2", " 3"}));
    EXPECT_EQ(session.drawnPools().numbers.at("1~3"), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(window.statuses.back(), Left(0, 3));
    // The question comes before anything starts.
    const long started = CountRollers().started;
    session.start();
    EXPECT_EQ(window.questions, (std::vector<std::string>{kQuestion}));
    EXPECT_EQ(CountRollers().started, started);
    EXPECT_TRUE(idle());
    window.answers = {true};
    const std::string again = drawOnce();
    EXPECT_TRUE(again == " 1" || again == " 2" || again == " 3") << again;
    EXPECT_EQ(window.statuses.back(), Left(2, 3));
    // The limits as parsed are the source: "3" .. "1.4" is refused as ever,
    // "0.6" .. "3.2" is 1~3 again.
    window.lower = "0.6";
    window.upper = "3.2";
    EXPECT_NE(drawOnce(), again);
}

TEST_F(NoRepeatTest, TheFullThirtyTwoBitRangeDraws) {
    window.lower = "-2147483648";
    window.upper = "2147483647";
    std::set<std::string> drawn;
    for (const std::string& result : drawTimes(20)) drawn.insert(result);
    EXPECT_EQ(drawn.size(), 20u);
    EXPECT_EQ(session.drawnPools().numbers.at("-2147483648~2147483647").size(), 20u);
    EXPECT_EQ(window.statuses.back(), Left(4294967276ULL, 4294967296ULL));
}

TEST_F(NoRepeatTest, ANumberPresetIsShownButTheRolledNumberLeavesThePool) {
    window.lower = "1";
    window.upper = "4";
    window.numberPreset = "88";
    const std::string rolled = drawOnce();
    EXPECT_EQ(window.display, "88");
    EXPECT_EQ(session.drawnPools().numbers.at("1~4"), (std::vector<int32_t>{std::stoi(rolled)}));
}

TEST_F(NoRepeatTest, AutomaticDrawsTakeFromThePoolAndAreRefusedBeyondIt) {
    session.setAutoTiming(AutoDrawTiming{2});
    window.lower = "1";
    window.upper = "5";
    const std::string first = drawOnce();
    const std::string second = drawOnce();
    // 3 remain: 4 is refused before anything starts, 3 takes them all.
    window.count = "4";
    session.start();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, kTooManyResultsMessage);
    EXPECT_TRUE(idle());
    window.count = "3";
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    std::vector<std::string> all;
    for (const DrawResult& result : session.sessionResults()) all.push_back(result.result);
    EXPECT_EQ(Bag(all), (std::multiset<std::string>{" 1", " 2", " 3", " 4", " 5"}));
    EXPECT_EQ(window.statuses.back(), Left(0, 5));

    // Names: only the roller knows what remains, so it refuses.
    useNameFile(Lines({kZhang, kLi, kWang}));
    window.count = "";
    drawOnce();
    window.count = "3";
    window.messages.clear();
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, kTooManyResultsMessage);
    window.count = "2";
    session.start();
    ASSERT_TRUE(pumpWhileRolling());
    EXPECT_EQ(window.statuses.back(), Left(0, 3));
    EXPECT_EQ(session.drawnPools().names.at("names.txt").size(), 3u);
}

// ---- take back and void ----------------------------------------------------

TEST_F(NoRepeatTest, TakeBackRemovesExactlyTheAppendedTextBackToTheFirst) {
    // Entries with blanks inside them, after text typed into the record.
    const std::vector<std::string> names = {"Anna Li", kZhang + " " + kLi, "x  y"};
    useNameFile(Lines(names));
    window.record = "note ";
    const std::vector<std::string> drawn = drawTimes(3);
    EXPECT_EQ(window.record, "note   " + drawn[0] + "  " + drawn[1] + "  " + drawn[2]);
    const std::vector<std::string> expected = {"note   " + drawn[0] + "  " + drawn[1], "note   " + drawn[0],
                                               "note "};
    for (const std::string& record : expected) {
        EXPECT_TRUE(session.canTakeBack());
        ASSERT_TRUE(session.takeBack());
        EXPECT_EQ(window.record, record);
    }
    EXPECT_FALSE(session.canTakeBack());
    EXPECT_FALSE(session.takeBack());
    EXPECT_TRUE(session.drawnPools().names.empty());
    EXPECT_EQ(window.statuses.back(), Left(3, 3));
    EXPECT_EQ(window.poolSaves, 6);
    // Taken back, they are drawn again.
    EXPECT_EQ(Bag(drawTimes(3)), Bag(names));
}

TEST_F(NoRepeatTest, TakeBackWaitsForTheDrawAndSurvivesAThousandPresses) {
    window.lower = "1";
    window.upper = "9";
    drawTimes(3);
    session.start();
    EXPECT_FALSE(session.canTakeBack());
    EXPECT_FALSE(session.takeBack());
    EXPECT_FALSE(session.voidLast());
    session.stop();
    int taken = 0;
    for (int i = 0; i < 1000; ++i) taken += session.takeBack();
    EXPECT_EQ(taken, 4);
    EXPECT_EQ(window.record, "");
    EXPECT_TRUE(session.drawnPools().numbers.empty());
}

TEST_F(NoRepeatTest, VoidMarksTheLatestAndKeepsItOutOfThePool) {
    useNameFile(Lines({kZhang, kLi, kWang, kZhao, kSun}));
    const std::vector<std::string> drawn = drawTimes(2);
    ASSERT_TRUE(session.canVoidLast());
    ASSERT_TRUE(session.voidLast());
    EXPECT_EQ(window.record, "  " + drawn[0] + "  " + drawn[1] + "(作废)");
    EXPECT_EQ(session.sessionResults().back().state, ResultState::Void);
    EXPECT_EQ(session.sessionResults().back().recordEntry, "  " + drawn[1] + "(作废)");
    EXPECT_EQ(session.sessionResults().front().state, ResultState::Valid);
    EXPECT_FALSE(session.canVoidLast());
    EXPECT_FALSE(session.voidLast());
    EXPECT_EQ(window.statuses.back(), Left(3, 5));
    // The operator draws again; the voided name cannot come.
    const std::vector<std::string> rest = drawTimes(3);
    std::multiset<std::string> all = Bag(rest);
    all.insert(drawn.begin(), drawn.end());
    EXPECT_EQ(all, Bag({kZhang, kLi, kWang, kZhao, kSun}));
    // Taking back the draws after it, then the voided one itself: its mark
    // goes with it, and it may be drawn again.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(session.takeBack());
    EXPECT_EQ(window.record, "  " + drawn[0] + "  " + drawn[1] + "(作废)");
    ASSERT_TRUE(session.takeBack());
    EXPECT_EQ(window.record, "  " + drawn[0]);
    EXPECT_EQ(window.statuses.back(), Left(4, 5));
}

TEST_F(NoRepeatTest, AnEditedRecordIsLeftAloneButTheResultStillReturns) {
    window.lower = "1";
    window.upper = "3";
    drawTimes(2);
    window.record += " typed";
    ASSERT_TRUE(session.takeBack());
    EXPECT_EQ(window.record.substr(window.record.size() - 6), " typed");
    EXPECT_EQ(session.drawnPools().numbers.at("1~3").size(), 1u);
    session.clearRecord();
    ASSERT_TRUE(session.voidLast());
    EXPECT_EQ(window.record, "");
    EXPECT_EQ(session.sessionResults().back().state, ResultState::Void);
}

// ---- results, reset, persistence, the option -------------------------------

TEST_F(NoRepeatTest, EachRecordedResultIsKeptAsData) {
    window.lower = "-3";
    window.upper = "-1";
    const std::string number = drawOnce();
    useNameFile(Lines({kZhang}));
    window.now = CalendarTime{2025, 1, 2, 3, 4, 5};
    drawOnce();
    ASSERT_EQ(session.sessionResults().size(), 2u);
    const DrawResult& a = session.sessionResults()[0];
    EXPECT_EQ(a.mode, DrawMode::Number);
    EXPECT_EQ(a.source, "-3~-1");
    EXPECT_EQ(a.result, number);
    EXPECT_EQ(a.recordEntry, "  " + number);
    EXPECT_EQ(a.time.year, 2024);
    const DrawResult& b = session.sessionResults()[1];
    EXPECT_EQ(b.mode, DrawMode::Name);
    EXPECT_EQ(b.source, "names.txt");
    EXPECT_EQ(b.result, kZhang);
    EXPECT_EQ(b.time.second, 5);
    EXPECT_EQ(window.record, a.recordEntry + b.recordEntry);
}

TEST_F(NoRepeatTest, ResetEmptiesOnlyTheCurrentSource) {
    window.lower = "1";
    window.upper = "10";
    drawTimes(2);
    useNameFile(Lines({kZhang, kLi, kWang}));
    drawTimes(2);
    const int saves = window.poolSaves;
    ASSERT_TRUE(session.resetPool());
    EXPECT_EQ(window.poolSaves, saves + 1);
    EXPECT_TRUE(session.drawnPools().names.empty());
    EXPECT_EQ(session.drawnPools().numbers.at("1~10").size(), 2u);
    EXPECT_EQ(window.statuses.back(), Left(3, 3));
    session.start();
    EXPECT_FALSE(session.resetPool());  // not while a draw runs
    session.stop();
}

TEST_F(NoRepeatTest, SavedPoolsCarryOverToTheNextRun) {
    useNameFile(Lines({kZhang, kLi, kWang, kZhao}));
    const std::vector<std::string> drawn = drawTimes(2);
    const std::string saved = SerializePools(session.drawnPools());

    FakeWindow nextWindow;
    nextWindow.frequency = "0";
    DrawSession next(nextWindow.host());
    next.loadPools(ParsePools(saved));
    next.setNoRepeats(true);
    nextWindow.nameFile = "names.txt";
    nextWindow.setFile("C:\\draw\\names.txt", Lines({kZhang, kLi, kWang, kZhao}));
    next.selectMode(DrawMode::Name);
    EXPECT_EQ(nextWindow.statuses.back(), Left(2, 4));
    std::multiset<std::string> all;
    for (int i = 0; i < 2; ++i) {
        next.start();
        ASSERT_EQ(PumpCandidates(next, nextWindow, 2), 2);
        next.stop();
        all.insert(next.sessionResults().back().result);
    }
    all.insert(drawn.begin(), drawn.end());
    EXPECT_EQ(all, Bag({kZhang, kLi, kWang, kZhao}));
}

TEST_F(NoRepeatTest, WithTheOptionOffNothingLeavesAnyPool) {
    session.setNoRepeats(false);
    EXPECT_EQ(window.statuses.back(), "");
    const std::size_t statuses = window.statuses.size();
    window.lower = "1";
    window.upper = "2";
    const std::vector<std::string> drawn = drawTimes(6);
    EXPECT_TRUE(session.drawnPools().numbers.empty());
    EXPECT_EQ(window.poolSaves, 0);
    EXPECT_EQ(window.statuses.size(), statuses);
    EXPECT_TRUE(window.questions.empty());
    EXPECT_EQ(session.sessionResults().size(), 6u);  // kept as data all the same
    // Taken back, they return nowhere; the record still loses them.
    ASSERT_TRUE(session.takeBack());
    EXPECT_EQ(window.record, "  " + drawn[0] + "  " + drawn[1] + "  " + drawn[2] + "  " + drawn[3] + "  " + drawn[4]);
    EXPECT_EQ(window.poolSaves, 0);
    // Drawn with it off, a result stays drawable when it is turned on.
    session.setNoRepeats(true);
    EXPECT_EQ(window.statuses.back(), Left(2, 2));
}

}  // namespace
