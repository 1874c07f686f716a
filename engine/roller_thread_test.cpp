#include "engine/roller_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct SlotTest : ::testing::Test {
    CandidateSlot slot;
    std::atomic<int> requests{0};
    std::function<void()> request = [this] { ++requests; };

    void waitForRequests(int n) {
        const auto deadline = Clock::now() + milliseconds(5000);
        while (requests < n && Clock::now() < deadline) std::this_thread::sleep_for(milliseconds(1));
        ASSERT_EQ(requests, n);
    }
};

TEST_F(SlotTest, TheRunningDrawsCandidateIsTakenOnceAndFreesTheRoller) {
    BeginDraw(slot, 1);
    std::atomic<bool> offered{false};
    std::thread roller([&] { offered = OfferCandidate(slot, 1, "a", request); });
    waitForRequests(1);
    std::string taken;
    ASSERT_TRUE(TakeCandidate(slot, taken));
    EXPECT_EQ(taken, "a");
    roller.join();
    EXPECT_TRUE(offered);
    EXPECT_FALSE(TakeCandidate(slot, taken));
}

TEST_F(SlotTest, EndingADrawDropsItsCandidateAndReleasesTheRoller) {
    BeginDraw(slot, 1);
    std::atomic<bool> offered{true};
    std::thread roller([&] { offered = OfferCandidate(slot, 1, "a", request); });
    waitForRequests(1);
    EndDraw(slot);
    roller.join();
    EXPECT_FALSE(offered);
    std::string taken;
    EXPECT_FALSE(TakeCandidate(slot, taken));
    BeginDraw(slot, 2);
    EXPECT_FALSE(TakeCandidate(slot, taken));
}

TEST_F(SlotTest, AnEndedDrawCannotOfferAgain) {
    BeginDraw(slot, 1);
    EndDraw(slot);
    EXPECT_FALSE(OfferCandidate(slot, 1, "late", request));
    BeginDraw(slot, 2);
    EXPECT_FALSE(OfferCandidate(slot, 1, "late", request));  // an old roller behind a new draw
    EXPECT_EQ(requests, 0);
    std::string taken;
    EXPECT_FALSE(TakeCandidate(slot, taken));
    EXPECT_FALSE(DrawRunning(slot, 1));
    EXPECT_TRUE(DrawRunning(slot, 2));
}

TEST_F(SlotTest, APendingCandidateOfAnOldDrawIsNotTakenForTheNewOne) {
    // As if the old draw had ended between the offer and the UI's take.
    BeginDraw(slot, 1);
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        slot.full = true;
        slot.draw = 1;
        slot.candidate = "old";
        slot.runningDraw = 2;
    }
    std::string taken;
    EXPECT_FALSE(TakeCandidate(slot, taken));
}

TEST_F(SlotTest, PausesLastTheirTimeUnlessTheDrawEnds) {
    BeginDraw(slot, 1);
    EXPECT_TRUE(PauseRoller(slot, 1, 0));
    auto begin = Clock::now();
    EXPECT_TRUE(PauseRoller(slot, 1, 30));
    EXPECT_GE(Clock::now() - begin, milliseconds(30));

    for (uint32_t pause : {UINT32_MAX, UINT32_MAX - 1, 60000u}) {
        BeginDraw(slot, 2);
        std::thread stopper([&] {
            std::this_thread::sleep_for(milliseconds(30));
            EndDraw(slot);
        });
        begin = Clock::now();
        EXPECT_FALSE(PauseRoller(slot, 2, pause));
        EXPECT_LT(Clock::now() - begin, milliseconds(2000));
        stopper.join();
        EXPECT_FALSE(PauseRoller(slot, 2, pause));  // already ended: no wait at all
    }
}

TEST(RollerThread, RunsTheBodyAndIsJoined) {
    const RollerCensus before = CountRollers();
    RollerThread roller;
    JoinRollerThread(roller);  // empty handle
    std::atomic<bool> ran{false};
    ASSERT_TRUE(StartRollerThread(roller, [&] { ran = true; }));
    JoinRollerThread(roller);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(roller.started);
    const RollerCensus after = CountRollers();
    EXPECT_EQ(after.started, before.started + 1);
    EXPECT_EQ(after.finished, before.finished + 1);
    EXPECT_EQ(after.alive, 0);
}

}  // namespace
