#include "engine/rollers.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "engine/name_list.h"
#include "runtime/numbers.h"

uint32_t JumpPause(const std::string& frequencyText) {
    // -1 gives 4294967295: no end to the pause.
    return static_cast<uint32_t>(ToInt32(ParseNumber(frequencyText)));
}

namespace {

RandomSource& SeededRandomSource(const RollerHost& host) {
    RandomSource& random = TheRandomSource();
    random.seedFromTimeOfDay(host.timeOfDay ? host.timeOfDay() : TimeOfDay{});
    return random;
}

}  // namespace

void RunNumberRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                     const NumberRollerInputs& inputs) {
    // The texts never change during a draw, so they are converted once.
    const int32_t lower = ToInt32(ParseNumber(inputs.lowerText));
    const int32_t upper = ToInt32(ParseNumber(inputs.upperText));
    const uint32_t pause = JumpPause(inputs.frequencyText);
    RandomSource& random = SeededRandomSource(host);
    for (;;) {
        std::string text = FormatNumber(random.between(lower, upper), true);
        if (!OfferCandidate(slot, draw, std::move(text), host.requestDelivery)) return;
        if (!PauseRoller(slot, draw, pause)) return;
    }
}

namespace {

// Any field of the list, empty ones too, as the manual name draw rolls them.
void RollAnyName(CandidateSlot& slot, uint64_t draw, const RollerHost& host, const NameList& names, uint32_t pause) {
    RandomSource& random = SeededRandomSource(host);
    // Only a list of more than 2^31 names, impossible in 32 bits, is cut.
    const int32_t last = static_cast<int32_t>(
        std::min<std::size_t>(NameCount(names) - 1, static_cast<std::size_t>(INT32_MAX)));
    for (;;) {
        const std::size_t i = static_cast<std::size_t>(random.between(0, last));
        if (!OfferCandidate(slot, draw, NameAt(names, i), host.requestDelivery)) return;
        if (!PauseRoller(slot, draw, pause)) return;
    }
}

}  // namespace

void RunNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                   const NameRollerInputs& inputs) {
    const uint32_t pause = JumpPause(inputs.frequencyText);
    std::string content = host.loadTextFile ? host.loadTextFile(inputs.path) : std::string();
    // A Stop during a long read should not also wait for the list.
    if (!DrawRunning(slot, draw)) return;
    const NameList names = BuildNameList(std::move(content));
    if (!DrawRunning(slot, draw)) return;
    RollAnyName(slot, draw, host, names, pause);
}

namespace {

using AutoClock = std::chrono::steady_clock;

// Rolls `pick` until the deadline; what is on display then is the result.
// A candidate is waited for until the UI has shown it, so the last one
// offered is the one on display.
template <typename Pick>
bool RollUntil(CandidateSlot& slot, uint64_t draw, const RollerHost& host, uint32_t pause,
               AutoClock::time_point deadline, Pick& pick) {
    for (;;) {
        if (!OfferCandidate(slot, draw, pick(), host.requestDelivery)) return false;
        const auto now = AutoClock::now();
        if (now >= deadline) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        if (!PauseRoller(slot, draw, static_cast<uint32_t>(std::min<long long>(pause, left)))) return false;
        if (AutoClock::now() >= deadline) return true;
    }
}

template <typename Pick, typename Take>
void RunAutoRounds(CandidateSlot& slot, uint64_t draw, const RollerHost& host, uint32_t pause,
                   const AutoDrawInputs& automatic, uint64_t available, RandomSource& random,
                   Pick pick, Take take) {
    const AutoDrawPlan& plan = automatic.plan;
    if (static_cast<uint64_t>(plan.count) > available) {
        OfferCandidate(slot, draw, std::string(), host.requestDelivery, Handover::Refusal);
        return;
    }
    for (int32_t k = 0; k < plan.count; ++k) {
        const uint32_t seconds =
            plan.randomSeconds ? static_cast<uint32_t>(random.between(1, 15)) : plan.seconds;
        uint32_t rolling = SpacingMs(seconds, automatic.timing);
        if (k > 0) {
            // The previous result stays on display first.
            const uint32_t hold = HoldMs(seconds, automatic.timing);
            if (!PauseRoller(slot, draw, hold)) return;
            rolling -= hold;
        }
        const auto deadline = AutoClock::now() + std::chrono::milliseconds(rolling);
        if (!RollUntil(slot, draw, host, pause, deadline, pick)) return;
        const bool last = k + 1 == plan.count;
        if (!OfferCandidate(slot, draw, take(), host.requestDelivery,
                            last ? Handover::LastResult : Handover::Result)) {
            return;
        }
        if (last) return;
    }
}

}  // namespace

void RunAutoNumberRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                         const NumberRollerInputs& inputs, const AutoDrawInputs& automatic,
                         const std::vector<int32_t>& drawn) {
    NumberPool pool = MakeNumberPool(ToInt32(ParseNumber(inputs.lowerText)),
                                     ToInt32(ParseNumber(inputs.upperText)), drawn);
    RandomSource& random = SeededRandomSource(host);
    uint32_t shown = 0;
    auto pick = [&] {
        shown = PickNumber(pool, random);
        return NumberText(pool, shown);
    };
    auto take = [&] { return TakeNumber(pool, shown); };
    RunAutoRounds(slot, draw, host, JumpPause(inputs.frequencyText), automatic, NumbersLeft(pool),
                  random, pick, take);
}

void RunAutoNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                       const NameRollerInputs& inputs, const AutoDrawInputs& automatic) {
    std::string content = host.loadTextFile ? host.loadTextFile(inputs.path) : std::string();
    if (!DrawRunning(slot, draw)) return;
    NamePool pool = MakeNamePool(std::move(content), [&] { return DrawRunning(slot, draw); });
    if (!DrawRunning(slot, draw)) return;
    RandomSource& random = SeededRandomSource(host);
    std::size_t shown = 0;
    auto pick = [&] {
        shown = PickName(pool, random);
        return NameText(pool, shown);
    };
    auto take = [&] { return TakeName(pool, shown); };
    RunAutoRounds(slot, draw, host, JumpPause(inputs.frequencyText), automatic, NamesLeft(pool),
                  random, pick, take);
}

namespace {

// Reads the file and sets its entries less those drawn aside in the report;
// false once the draw has ended.
bool BuildEntryPool(CandidateSlot& slot, uint64_t draw, const RollerHost& host, const DrawRollerInputs& inputs,
                    PoolReport& report) {
    std::string content = host.loadTextFile ? host.loadTextFile(inputs.name.path) : std::string();
    if (!DrawRunning(slot, draw)) return false;
    report.pool = MakeEntryPool(std::move(content), inputs.drawnNames, [&] { return DrawRunning(slot, draw); });
    if (!DrawRunning(slot, draw)) return false;
    report.left = NamesLeft(report.pool);
    report.total = report.pool.entries;
    report.counted.store(true, std::memory_order_release);
    return true;
}

// A file with entries, every one of them drawn: nothing can roll.
bool PoolUsedUp(const NamePool& pool) {
    return pool.entries > 0 && NamesLeft(pool) == 0;
}

// A manual draw from a pool: candidates until the draw ends.
template <typename Pick>
void RollFromPool(CandidateSlot& slot, uint64_t draw, const RollerHost& host, uint32_t pause, Pick pick) {
    RandomSource& random = SeededRandomSource(host);
    for (;;) {
        if (!OfferCandidate(slot, draw, pick(random), host.requestDelivery)) return;
        if (!PauseRoller(slot, draw, pause)) return;
    }
}

void RunPooledNumberRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                           const NumberRollerInputs& inputs, const std::vector<int32_t>& drawn) {
    const NumberPool pool = MakeNumberPool(ToInt32(ParseNumber(inputs.lowerText)),
                                           ToInt32(ParseNumber(inputs.upperText)), drawn);
    const uint32_t pause = JumpPause(inputs.frequencyText);
    if (NumbersLeft(pool) == 0) {
        OfferCandidate(slot, draw, std::string(), host.requestDelivery, Handover::PoolEmpty);
        return;
    }
    RollFromPool(slot, draw, host, pause,
                 [&](RandomSource& random) { return NumberText(pool, PickNumber(pool, random)); });
}

void RunPooledNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                         const DrawRollerInputs& inputs, PoolReport& report) {
    const uint32_t pause = JumpPause(inputs.name.frequencyText);
    if (!BuildEntryPool(slot, draw, host, inputs, report)) return;
    const NamePool& pool = report.pool;
    if (PoolUsedUp(pool)) {
        OfferCandidate(slot, draw, std::string(), host.requestDelivery, Handover::PoolEmpty);
        return;
    }
    // A file of nothing but empty entries has no pool: it rolls as always.
    if (pool.entries == 0) {
        RollAnyName(slot, draw, host, pool.names, pause);
        return;
    }
    RollFromPool(slot, draw, host, pause,
                 [&](RandomSource& random) { return NameText(pool, PickName(pool, random)); });
}

void RunPooledAutoNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                             const DrawRollerInputs& inputs, PoolReport& report) {
    if (!BuildEntryPool(slot, draw, host, inputs, report)) return;
    NamePool& pool = report.pool;
    if (PoolUsedUp(pool)) {
        OfferCandidate(slot, draw, std::string(), host.requestDelivery, Handover::PoolEmpty);
        return;
    }
    RandomSource& random = SeededRandomSource(host);
    std::size_t shown = 0;
    auto pick = [&] {
        shown = PickName(pool, random);
        return NameText(pool, shown);
    };
    auto take = [&] { return TakeName(pool, shown); };
    RunAutoRounds(slot, draw, host, JumpPause(inputs.name.frequencyText), inputs.automaticInputs, NamesLeft(pool),
                  random, pick, take);
}

}  // namespace

void RunDrawRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host, const DrawRollerInputs& inputs) {
    static const std::vector<int32_t> kNothingDrawn;
    if (inputs.mode == DrawMode::Name) {
        if (inputs.noRepeats && inputs.report) {
            if (inputs.automatic) {
                RunPooledAutoNameRoller(slot, draw, host, inputs, *inputs.report);
            } else {
                RunPooledNameRoller(slot, draw, host, inputs, *inputs.report);
            }
        } else if (inputs.automatic) {
            RunAutoNameRoller(slot, draw, host, inputs.name, inputs.automaticInputs);
        } else {
            RunNameRoller(slot, draw, host, inputs.name);
        }
    } else if (inputs.automatic) {
        RunAutoNumberRoller(slot, draw, host, inputs.number, inputs.automaticInputs,
                            inputs.noRepeats ? inputs.drawnNumbers : kNothingDrawn);
    } else if (inputs.noRepeats) {
        RunPooledNumberRoller(slot, draw, host, inputs.number, inputs.drawnNumbers);
    } else {
        RunNumberRoller(slot, draw, host, inputs.number);
    }
}
