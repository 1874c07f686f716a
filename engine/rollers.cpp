#include "engine/rollers.h"

#include <algorithm>
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

void RunNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                   const NameRollerInputs& inputs) {
    const uint32_t pause = JumpPause(inputs.frequencyText);
    std::string content = host.loadTextFile ? host.loadTextFile(inputs.path) : std::string();
    // A Stop during a long read should not also wait for the list.
    if (!DrawRunning(slot, draw)) return;
    const NameList names = BuildNameList(std::move(content));
    if (!DrawRunning(slot, draw)) return;
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
