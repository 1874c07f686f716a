#pragma once
// A roller's thread, and the one-candidate slot through which it hands each
// candidate to the UI thread. The roller never waits on the UI thread in a
// way that the UI thread could wait on in turn: it waits for its candidate to
// be taken, and for its pause, on the same signal that ends it. So ending a
// draw is immediate and joining the roller afterwards is quick.
#include <pthread.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// What the UI thread is to do with a handed-over text. An automatic draw
// also hands over its results, its end and a refusal, so that they reach the
// window in order with the candidates and never after the draw has ended.
enum class Handover : uint8_t {
    Candidate,   // show it
    Result,      // show it and record it
    LastResult,  // show it, record it, and end the draw
    Refusal,     // the draw cannot be made: end it and say so
    PoolEmpty,   // no repeats: every entry has been drawn; end it and ask
};

struct CandidateSlot {
    std::mutex mutex;
    std::condition_variable wake;
    uint64_t runningDraw = 0;  // 0: none; a roller of any other draw must end
    bool full = false;
    uint64_t draw = 0;         // the draw that produced `candidate`
    std::string candidate;
    Handover handover = Handover::Candidate;
};

// UI thread. Ending a draw drops its pending candidate: only the UI thread
// decides what reaches the display, so nothing of that draw can.
void BeginDraw(CandidateSlot& slot, uint64_t draw);
void EndDraw(CandidateSlot& slot);
// Takes the pending candidate if it belongs to the running draw and wakes
// the roller for its next one.
bool TakeCandidate(CandidateSlot& slot, std::string& candidate, Handover* handover = nullptr);

// Roller thread. Each returns false once the draw has ended.
bool DrawRunning(CandidateSlot& slot, uint64_t draw);
// Puts the candidate into the slot, calls requestDelivery (which must not
// block) and waits until the UI thread has taken it.
bool OfferCandidate(CandidateSlot& slot, uint64_t draw, std::string candidate,
                    const std::function<void()>& requestDelivery,
                    Handover handover = Handover::Candidate);
// 0 returns at once; 4294967295 waits until the draw ends.
bool PauseRoller(CandidateSlot& slot, uint64_t draw, uint32_t milliseconds);

struct RollerThread {
    pthread_t thread{};
    bool started = false;
};

// Runs body on a new thread with a 1 MiB stack; false when no thread could
// be started (the handle stays empty).
bool StartRollerThread(RollerThread& roller, std::function<void()> body);
// Waits for the thread to finish; an empty handle does nothing.
void JoinRollerThread(RollerThread& roller);

// How many roller threads live now, the most that ever lived at once, and
// how many were started and have finished. Lets tests prove that there are
// never two rollers and that every one is joined.
struct RollerCensus {
    int alive = 0;
    int peak = 0;
    long started = 0;
    long finished = 0;
};
RollerCensus CountRollers();
