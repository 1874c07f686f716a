#include "engine/roller_thread.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace {

std::atomic<int> aliveRollers{0};
std::atomic<int> peakRollers{0};
std::atomic<long> startedRollers{0};
std::atomic<long> finishedRollers{0};

void* RunRoller(void* parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    const int alive = ++aliveRollers;
    int peak = peakRollers.load();
    while (alive > peak && !peakRollers.compare_exchange_weak(peak, alive)) {
    }
    (*body)();
    body.reset();
    --aliveRollers;
    ++finishedRollers;
    return nullptr;
}

}  // namespace

void BeginDraw(CandidateSlot& slot, uint64_t draw) {
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.runningDraw = draw;
    slot.full = false;
    slot.candidate.clear();
}

void EndDraw(CandidateSlot& slot) {
    std::string dropped;
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        slot.runningDraw = 0;
        slot.full = false;
        dropped.swap(slot.candidate);  // a huge name is freed outside the lock
    }
    slot.wake.notify_all();
}

bool TakeCandidate(CandidateSlot& slot, std::string& candidate, Handover* handover) {
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        if (!slot.full || slot.runningDraw == 0 || slot.draw != slot.runningDraw) return false;
        if (handover) *handover = slot.handover;
        candidate.swap(slot.candidate);
        slot.candidate.clear();
        slot.full = false;
    }
    slot.wake.notify_all();
    return true;
}

bool DrawRunning(CandidateSlot& slot, uint64_t draw) {
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.runningDraw == draw;
}

bool OfferCandidate(CandidateSlot& slot, uint64_t draw, std::string candidate,
                    const std::function<void()>& requestDelivery, Handover handover) {
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        if (slot.runningDraw != draw) return false;
        slot.candidate.swap(candidate);
        slot.handover = handover;
        slot.draw = draw;
        slot.full = true;
    }
    // Outside the lock: the host may do anything short of blocking here.
    if (requestDelivery) requestDelivery();
    std::unique_lock<std::mutex> lock(slot.mutex);
    slot.wake.wait(lock, [&] { return slot.runningDraw != draw || !slot.full; });
    return slot.runningDraw == draw;
}

bool PauseRoller(CandidateSlot& slot, uint64_t draw, uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(slot.mutex);
    const auto ended = [&] { return slot.runningDraw != draw; };
    if (milliseconds == 0) return !ended();
    if (milliseconds == UINT32_MAX) {
        slot.wake.wait(lock, ended);
        return false;
    }
    // A deadline rather than a duration: a spurious wake must not restart
    // the pause, and 49 days still fit a steady_clock time point.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    return !slot.wake.wait_until(lock, deadline, ended);
}

bool StartRollerThread(RollerThread& roller, std::function<void()> body) {
    roller.started = false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setstacksize(&attributes, 1024 * 1024);
    auto* parameter = new std::function<void()>(std::move(body));
    ++startedRollers;
    if (pthread_create(&roller.thread, &attributes, RunRoller, parameter) == 0) {
        roller.started = true;
    } else {
        --startedRollers;
        delete parameter;
    }
    pthread_attr_destroy(&attributes);
    return roller.started;
}

void JoinRollerThread(RollerThread& roller) {
    if (!roller.started) return;
    pthread_join(roller.thread, nullptr);
    roller.started = false;
    roller.thread = pthread_t{};
}

RollerCensus CountRollers() {
    RollerCensus census;
    census.alive = aliveRollers.load();
    census.peak = peakRollers.load();
    census.started = startedRollers.load();
    census.finished = finishedRollers.load();
    return census;
}
