#include "engine/draw_session.h"

#include <utility>

#include "engine/rollers.h"
#include "runtime/numbers.h"
#include "runtime/strings.h"

namespace {

void SetButtons(DrawSession& session, bool drawing) {
    session.host.setButtonsRolling(drawing);
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
void FocusButton(DrawSession& session) {
    if (session.host.focusEnabledButton) session.host.focusEnabledButton();
}

// After the last result or a refusal: as after Stop, with nothing to add.
void FinishDraw(DrawSession& session) {
    SetButtons(session, false);
    EndRoller(session);
    FocusButton(session);
}

// A refused Start: left with Stop enabled, a Stop would record whatever the
// display happened to show.
void RefuseStart(DrawSession& session, const std::string& message) {
    session.host.showMessage(message, "提示");
    SetButtons(session, false);
    FocusButton(session);
}

void AppendRecord(DrawSession& session, const std::string& result) {
    session.host.appendToRecord("  " + result);
}

// Reads the count field, and the interval list only when a count is given.
bool PlanFromHost(const DrawHost& host, AutoDrawInputs& inputs) {
    const std::string count = host.readCount();
    if (ToInt32(ParseNumber(count)) < 1) return false;
    return PlanAutoDraw(count, host.readInterval(), inputs.plan);
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
    DrawRollerInputs inputs;
    inputs.mode = mode;
    inputs.automaticInputs.timing = autoTiming;
    automatic = inputs.automatic = PlanFromHost(host, inputs.automaticInputs);
    lastResult.clear();
    if (mode == DrawMode::Name) {
        // Only the roller learns how many different names the file holds, so
        // an automatic draw may still be refused through the slot.
        inputs.name.frequencyText = host.readFrequency();
        inputs.name.path = host.programDirectory + host.readNameFile();
    } else {
        const LimitTexts limits = host.readLimits();
        if (!(ParseNumber(limits.lower) < ParseNumber(limits.upper))) {
            RefuseStart(*this, "上限和下限必须拉开差距");
            return;
        }
        const NumberPool range = MakeNumberPool(ToInt32(ParseNumber(limits.lower)), ToInt32(ParseNumber(limits.upper)));
        if (automatic && static_cast<uint64_t>(inputs.automaticInputs.plan.count) > NumbersLeft(range)) {
            RefuseStart(*this, kTooManyResultsMessage);
            return;
        }
        inputs.number.lowerText = limits.lower;
        inputs.number.upperText = limits.upper;
        inputs.number.frequencyText = host.readFrequency();
    }
    const uint64_t draw = OpenDraw(*this);
    // A thread that cannot start leaves the display still; Stop works as usual.
    StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs] {
        RunDrawRoller(slot, draw, rollerHost, inputs);
    });
    FocusButton(*this);
}

void DrawSession::stop() {
    // Stop is disabled when no draw runs: there is no result to record.
    if (!drawing) return;
    // The roller first: nothing of the UI thread's can run in between, and
    // the buttons (a focused one being disabled) take the longer under Wine.
    EndRoller(*this);
    SetButtons(*this, false);
    FocusButton(*this);
    if (automatic) {
        // Its results are recorded already, and presets steer manual draws
        // only. The display goes back to the latest result, so that the
        // room does not take the candidate that happened to roll by for one.
        host.showInDisplay(lastResult);
        return;
    }
    const std::string shown = host.readDisplay();
    const std::string preset = host.readPreset(mode);
    std::string result = shown;
    if (mode == DrawMode::Number) {
        // The preset replaces what is seen, not what is recorded.
        if (!preset.empty()) host.showInDisplay(preset);
    } else if (!StrTrim(preset).empty()) {
        host.showInDisplay(preset);
        result = host.readDisplay();
    }
    AppendRecord(*this, result);
}

void DrawSession::selectMode(DrawMode m) {
    // Any roller ends, also the one of the mode selected again: a running
    // roller beside an enabled Start could become a second one.
    EndRoller(*this);
    mode = m;
    SetButtons(*this, false);
    host.showInDisplay("");
    FocusButton(*this);
}

bool DrawSession::deliverCandidate() {
    std::string candidate;
    Handover handover = Handover::Candidate;
    if (!TakeCandidate(slot, candidate, &handover)) return false;
    switch (handover) {
    case Handover::Candidate:
        host.showInDisplay(candidate);
        break;
    case Handover::Result:
    case Handover::LastResult:
        host.showInDisplay(candidate);
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
        FocusButton(*this);
        break;
    }
    return true;
}

void DrawSession::clearRecord() {
    host.clearRecordAndNames();
}

bool DrawSession::rolling() const {
    return drawing;
}
