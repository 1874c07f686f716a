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
    if (mode == DrawMode::Name) {
        NameRollerInputs inputs;
        inputs.frequencyText = host.readText(kJumpFrequency);
        inputs.path = host.programDirectory + host.selectedItemText(kNameFileList);
        const uint64_t draw = OpenDraw(*this);
        // A thread that cannot start leaves the display still; Stop works as usual.
        StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs] {
            RunNameRoller(slot, draw, rollerHost, inputs);
        });
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
        return;
    }
    inputs.frequencyText = host.readText(kJumpFrequency);
    const uint64_t draw = OpenDraw(*this);
    StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs] {
        RunNumberRoller(slot, draw, rollerHost, inputs);
    });
}

void DrawSession::stop() {
    // Stop is disabled when no draw runs: there is no result to record.
    if (!drawing) return;
    SetButtons(*this, false);
    EndRoller(*this);
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
    host.writeText(kDrawRecord, host.readText(kDrawRecord) + "  " + result);
}

void DrawSession::selectMode(DrawMode m) {
    // Any roller ends, also the one of the mode selected again: a running
    // roller beside an enabled Start could become a second one.
    EndRoller(*this);
    mode = m;
    SetButtons(*this, false);
    host.writeText(kResultDisplay, "");
}

bool DrawSession::deliverCandidate() {
    std::string candidate;
    if (!TakeCandidate(slot, candidate)) return false;
    host.writeText(kResultDisplay, candidate);
    return true;
}

void DrawSession::clearRecord() {
    host.writeText(kDrawRecord, "");
    host.writeText(kNamesBox, "");
}

bool DrawSession::rolling() const {
    return drawing;
}
