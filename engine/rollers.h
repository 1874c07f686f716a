#pragma once
// The two rollers: the thread bodies that produce the candidates of a number
// draw and of a name draw and hand them to the UI thread one at a time.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/auto_draw.h"
#include "engine/draw_results.h"
#include "engine/random_source.h"
#include "engine/roller_thread.h"

// What a number roller or a name roller needs, taken on the UI thread when
// the draw starts; the rollers never read a control.
struct NumberRollerInputs {
    std::string lowerText;
    std::string upperText;
    std::string frequencyText;
};

struct NameRollerInputs {
    std::string path;
    std::string frequencyText;
};

// The pause between two candidates: the frequency text's 32 bits as an
// unsigned count of milliseconds.
uint32_t JumpPause(const std::string& frequencyText);

// The parts of the host a roller calls, copied when the draw starts so that
// the UI thread may change the session's host meanwhile.
struct RollerHost {
    std::function<std::string(const std::string& path)> loadTextFile;
    std::function<TimeOfDay()> timeOfDay;
    std::function<void()> requestDelivery;
};

// Thread bodies; each runs until the draw `draw` ends.
void RunNumberRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                     const NumberRollerInputs& inputs);
void RunNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                   const NameRollerInputs& inputs);

// An automatic draw: rolls as the manual rollers do, among the candidates not
// yet taken, and hands over a result every plan.seconds, the last one ending
// the draw. When the plan asks for more results than there are different
// candidates it hands over a refusal instead, having shown nothing.
struct AutoDrawInputs {
    AutoDrawPlan plan;
    AutoDrawTiming timing;
};

// `drawn`: values that must not be taken (draws without repeats).
void RunAutoNumberRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                         const NumberRollerInputs& inputs, const AutoDrawInputs& automatic,
                         const std::vector<int32_t>& drawn);
void RunAutoNameRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host,
                       const NameRollerInputs& inputs, const AutoDrawInputs& automatic);

// What a name roller without repeats found in its file. The counts may be
// read on the UI thread as soon as `counted` is set; the pool itself only
// once the roller has been joined.
struct PoolReport {
    std::atomic<bool> counted{false};
    uint64_t left = 0;   // entries still in the pool when the draw began
    uint64_t total = 0;  // non-empty entries of the file
    NamePool pool;
};

// Everything one draw's roller needs, taken on the UI thread at Start.
struct DrawRollerInputs {
    DrawMode mode = DrawMode::Number;
    NumberRollerInputs number;  // number mode
    NameRollerInputs name;      // name mode
    bool automatic = false;
    AutoDrawInputs automaticInputs;  // when automatic
    // Without repeats only what is still in the source's pool rolls, and an
    // automatic draw takes its results from there.
    bool noRepeats = false;
    std::vector<int32_t> drawnNumbers;    // number mode
    std::vector<std::string> drawnNames;  // name mode
    PoolReport* report = nullptr;         // name mode; must outlive the roller
};

// The thread body of any draw: the roller of its mode, manual or automatic.
void RunDrawRoller(CandidateSlot& slot, uint64_t draw, const RollerHost& host, const DrawRollerInputs& inputs);
