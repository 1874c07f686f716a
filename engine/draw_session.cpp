#include "engine/draw_session.h"

#include <utility>

#include "engine/rollers.h"
#include "runtime/numbers.h"
#include "runtime/strings.h"

namespace {

void SetButtons(DrawSession& session, bool drawing) {
    session.host.enableControl(kStartButton, !drawing);
    session.host.enableControl(kStopButton, drawing);
}

// Ends the running draw, if any: after this nothing of it reaches the
// display, and its thread has finished.
void EndRoller(DrawSession& session) {
    EndDraw(session.slot);
    JoinRollerThread(session.roller);
    session.drawing = false;
}

// A new draw id, the only one whose candidates the display takes from now on.
uint64_t OpenDraw(DrawSession& session) {
    const uint64_t draw = ++session.lastDraw;
    session.drawing = true;
    BeginDraw(session.slot, draw);
    return draw;
}

RollerHost RollerHostOf(const DrawHost& host) {
    return RollerHost{host.loadTextFile, host.timeOfDay, host.requestDelivery};
}

// The keyboard follows the one enabled button, so that the space bar (or a
// presenter's clicker) starts and stops draws.
void FocusButton(DrawSession& session, int id) {
    if (session.host.focusControl) session.host.focusControl(id);
}

// After the last result or a refusal: as after Stop, with nothing to add.
void FinishDraw(DrawSession& session) {
    SetButtons(session, false);
    EndRoller(session);
    FocusButton(session, kStartButton);
}

void AppendRecord(DrawSession& session, const std::string& result) {
    session.host.writeText(kDrawRecord, session.host.readText(kDrawRecord) + "  " + result);
}

// Reads the count field, and the interval list only when a count is given.
bool PlanFromControls(const DrawHost& host, AutoDrawInputs& inputs) {
    const std::string count = host.readText(kDrawCount);
    if (ToInt32(ParseNumber(count)) < 1) return false;
    return PlanAutoDraw(count, host.selectedItemText(kDrawInterval), inputs.plan);
}

}  // namespace

DrawSession::~DrawSession() {
    EndDraw(slot);
    JoinRollerThread(roller);
}

void DrawSession::start() {
    // Start is disabled while a draw runs, so this only guards the engine's
    // promise of a single roller.
    EndRoller(*this);
    SetButtons(*this, true);
    AutoDrawInputs autoInputs;
    autoInputs.timing = autoTiming;
    automatic = PlanFromControls(host, autoInputs);
    lastResult.clear();
    if (mode == DrawMode::Name) {
        NameRollerInputs inputs;
        inputs.frequencyText = host.readText(kJumpFrequency);
        inputs.path = host.programDirectory + host.selectedItemText(kNameFileList);
        const uint64_t draw = OpenDraw(*this);
        // A thread that cannot start leaves the display still; Stop works as usual.
        // Only the roller learns how many different names the file holds, so
        // an automatic draw may still be refused through the slot.
        if (automatic) {
            StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs, autoInputs] {
                RunAutoNameRoller(slot, draw, rollerHost, inputs, autoInputs);
            });
        } else {
            StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs] {
                RunNameRoller(slot, draw, rollerHost, inputs);
            });
        }
        FocusButton(*this, kStopButton);
        return;
    }
    NumberRollerInputs inputs;
    inputs.lowerText = host.readText(kLowerLimit);
    inputs.upperText = host.readText(kUpperLimit);
    if (!(ParseNumber(inputs.lowerText) < ParseNumber(inputs.upperText))) {
        host.showMessage("上限和下限必须拉开差距", "提示");
        // Left with Stop enabled, a Stop would record whatever the display
        // happened to show.
        SetButtons(*this, false);
        FocusButton(*this, kStartButton);
        return;
    }
    if (automatic && static_cast<uint64_t>(autoInputs.plan.count) >
                         NumbersLeft(MakeNumberPool(ToInt32(ParseNumber(inputs.lowerText)),
                                                    ToInt32(ParseNumber(inputs.upperText))))) {
        host.showMessage(kTooManyResultsMessage, "提示");
        SetButtons(*this, false);
        FocusButton(*this, kStartButton);
        return;
    }
    inputs.frequencyText = host.readText(kJumpFrequency);
    const uint64_t draw = OpenDraw(*this);
    if (automatic) {
        StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs, autoInputs] {
            RunAutoNumberRoller(slot, draw, rollerHost, inputs, autoInputs);
        });
    } else {
        StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs] {
            RunNumberRoller(slot, draw, rollerHost, inputs);
        });
    }
    FocusButton(*this, kStopButton);
}

void DrawSession::stop() {
    // Stop is disabled when no draw runs: there is no result to record.
    if (!drawing) return;
    // The roller first: nothing of the UI thread's can run in between, and
    // the buttons (a focused one being disabled) take the longer under Wine.
    EndRoller(*this);
    SetButtons(*this, false);
    FocusButton(*this, kStartButton);
    if (automatic) {
        // Its results are recorded already, and presets steer manual draws
        // only. The display goes back to the latest result, so that the
        // room does not take the candidate that happened to roll by for one.
        host.writeText(kResultDisplay, lastResult);
        return;
    }
    const std::string shown = host.readText(kResultDisplay);
    const std::string preset = host.readPreset(mode);
    std::string result = shown;
    if (mode == DrawMode::Number) {
        // The preset replaces what is seen, not what is recorded.
        if (!preset.empty()) host.writeText(kResultDisplay, preset);
    } else if (!StrTrim(preset).empty()) {
        host.writeText(kResultDisplay, preset);
        result = host.readText(kResultDisplay);
    }
    AppendRecord(*this, result);
}

void DrawSession::selectMode(DrawMode m) {
    // Any roller ends, also the one of the mode selected again: a running
    // roller beside an enabled Start could become a second one.
    EndRoller(*this);
    mode = m;
    SetButtons(*this, false);
    host.writeText(kResultDisplay, "");
    FocusButton(*this, kStartButton);
}

bool DrawSession::deliverCandidate() {
    std::string candidate;
    Handover handover = Handover::Candidate;
    if (!TakeCandidate(slot, candidate, &handover)) return false;
    switch (handover) {
    case Handover::Candidate:
        host.writeText(kResultDisplay, candidate);
        break;
    case Handover::Result:
    case Handover::LastResult:
        host.writeText(kResultDisplay, candidate);
        AppendRecord(*this, candidate);
        lastResult = std::move(candidate);
        if (handover == Handover::LastResult) FinishDraw(*this);
        break;
    case Handover::Refusal:
        // The buttons are back before the message, so nothing behind the
        // box looks as if a draw were running.
        SetButtons(*this, false);
        EndRoller(*this);
        host.showMessage(kTooManyResultsMessage, "提示");
        FocusButton(*this, kStartButton);
        break;
    }
    return true;
}

void DrawSession::clearRecord() {
    host.writeText(kDrawRecord, "");
    host.writeText(kNamesBox, "");
}

bool DrawSession::rolling() const {
    return drawing;
}
