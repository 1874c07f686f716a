#include "engine/draw_session.h"

#include <algorithm>
#include <utility>

#include "engine/rollers.h"
#include "runtime/numbers.h"
#include "runtime/strings.h"

const char* const kPoolEmptyQuestion = "所有结果都已抽完，是否重置抽取池？";
const char* const kVoidMark = "(作废)";

namespace {

void SetButtons(DrawSessionState& session, bool drawing) {
    session.host.setButtonsRolling(drawing);
}

// Ends the running draw, if any: after this nothing of it reaches the
// display, and its thread has finished.
void EndRoller(DrawSessionState& session) {
    EndDraw(session.slot);
    JoinRollerThread(session.roller);
    session.drawing = false;
}

// A new draw id, the only one whose candidates the display takes from now on.
uint64_t OpenDraw(DrawSessionState& session) {
    const uint64_t draw = ++session.lastDraw;
    session.drawing = true;
    BeginDraw(session.slot, draw);
    return draw;
}

RollerHost RollerHostOf(const DrawHost& host) {
    return RollerHost{host.loadTextFile, host.timeOfDay, host.requestDelivery};
}

// A name file line shows its name; its number and department go beside it.
// A text without a tab shows as it is.
void ShowEntry(DrawSessionState& session, const NameEntry& entry) {
    if (session.host.showPersonDetails) session.host.showPersonDetails(entry.number, entry.department);
    session.host.showInDisplay(entry.name);
}

void ShowPlain(DrawSessionState& session, const std::string& text) {
    NameEntry plain;
    plain.name = text;
    ShowEntry(session, plain);
}

// The keyboard follows the one enabled button, so that the space bar (or a
// presenter's clicker) starts and stops draws.
void FocusButton(DrawSessionState& session) {
    if (session.host.focusEnabledButton) session.host.focusEnabledButton();
}

// After the last result or a refusal: as after Stop, with nothing to add.
void FinishDraw(DrawSessionState& session) {
    SetButtons(session, false);
    EndRoller(session);
    FocusButton(session);
}

// A refused Start: left with Stop enabled, a Stop would record whatever the
// display happened to show.
void RefuseStart(DrawSessionState& session, const std::string& message) {
    session.host.showMessage(message, "提示");
    SetButtons(session, false);
    FocusButton(session);
}

// ---- pools ---------------------------------------------------------------

PoolSource SelectedSource(const DrawSessionState& session) {
    if (session.mode == DrawMode::Name) {
        PoolSource source;
        source.valid = true;
        source.mode = DrawMode::Name;
        source.key = session.host.readNameFile();
        return source;
    }
    const LimitTexts limits = session.host.readLimits();
    if (!(ParseNumber(limits.lower) < ParseNumber(limits.upper))) return PoolSource{};
    return NumberPoolSource(ToInt32(ParseNumber(limits.lower)), ToInt32(ParseNumber(limits.upper)));
}

PoolSource CurrentSource(const DrawSessionState& session) {
    if (!session.drawing) return SelectedSource(session);
    PoolSource source;
    source.mode = session.drawMode;
    source.key = session.drawSource;
    source.valid = source.mode == DrawMode::Name || ParseNumberSourceKey(source.key, source.lo, source.hi);
    return source;
}

// Reads the name file on this thread: for the status only, never for a draw.
PoolCounts CountNames(DrawSessionState& session, const std::string& file) {
    std::string content = session.host.loadTextFile ? session.host.loadTextFile(session.host.programDirectory + file)
                                                    : std::string();
    const NamePool pool = MakeEntryPool(std::move(content), DrawnNames(session.book, file));
    PoolCounts counts;
    counts.known = true;
    counts.left = NamesLeft(pool);
    counts.total = pool.entries;
    session.book.nameCounts[file] = counts;
    return counts;
}

PoolCounts CurrentPool(DrawSessionState& session) {
    const PoolSource source = CurrentSource(session);
    if (!source.valid) return PoolCounts{};
    if (source.mode == DrawMode::Number) return CountNumbers(session.book, source);
    auto counts = session.book.nameCounts.find(source.key);
    if (counts != session.book.nameCounts.end()) return counts->second;
    // A running draw's roller counts its own file; it is not read twice.
    if (session.drawing) return PoolCounts{};
    return CountNames(session, source.key);
}

void ShowPoolStatus(DrawSessionState& session, bool always = false) {
    if (!session.noRepeats || !session.host.showPoolStatus) return;
    const PoolCounts counts = CurrentPool(session);
    const std::string text =
        counts.known ? "剩余 " + std::to_string(counts.left) + "/" + std::to_string(counts.total) : std::string();
    if (!always && text == session.poolStatus) return;
    session.poolStatus = text;
    session.host.showPoolStatus(text);
}

void NotifyPoolsChanged(DrawSessionState& session) {
    if (session.host.poolsChanged) session.host.poolsChanged();
}

// The running draw's name pool has been counted by its roller: the status
// can say so.
void TakeRollerCounts(DrawSessionState& session) {
    if (session.reportTaken || !session.drawPooled || session.drawMode != DrawMode::Name) return;
    if (!session.poolReport.counted.load(std::memory_order_acquire)) return;
    session.reportTaken = true;
    PoolCounts counts;
    counts.known = true;
    counts.left = session.poolReport.left;
    counts.total = session.poolReport.total;
    session.book.nameCounts[session.drawSource] = counts;
    ShowPoolStatus(session);
}

// Whether the running draw's results leave a pool: a name file with no
// entry at all has none, and rolls as ever.
bool DrawTakesFromPool(const DrawSessionState& session) {
    if (!session.drawPooled) return false;
    return session.drawMode == DrawMode::Number || session.poolReport.total > 0;
}

PoolTake TakeFromPool(DrawSessionState& session, const std::string& entry) {
    return TakeFromPool(session.book, session.drawMode, session.drawSource, entry);
}

void ResetSource(DrawSessionState& session, const PoolSource& source) {
    EmptyDrawnSet(session.book, source);
    NotifyPoolsChanged(session);
    ShowPoolStatus(session);
}

bool AskToReset(DrawSessionState& session) {
    return session.host.askYesNo && session.host.askYesNo(kPoolEmptyQuestion, "提示");
}

// ---- the record ----------------------------------------------------------

// Appends the result to the record and keeps it as data beside it.
void RecordResult(DrawSessionState& session, const NameEntry& person, PoolTake take = PoolTake{}) {
    const std::string& result = person.name;
    const std::string entry = "  " + result;
    session.host.appendToRecord(entry);
    DrawResult kept;
    if (session.host.now) kept.time = session.host.now();
    kept.mode = session.drawMode;
    kept.source = session.drawSource;
    kept.result = result;
    kept.recordEntry = entry;
    kept.number = person.number;
    kept.department = person.department;
    session.results.push_back(std::move(kept));
    const bool taken = take.taken;
    session.takes.push_back(std::move(take));
    if (!taken) return;
    NotifyPoolsChanged(session);
    ShowPoolStatus(session);
}

// What the pool loses at Stop is what the record gains: the rolled number
// (a number preset changes only what is seen), the name preset if it is an
// entry still in the pool, else the name shown. A Stop before any candidate
// was shown records the old display and takes nothing.
PoolTake TakeAtStop(DrawSessionState& session, bool presetShown, const std::string& result) {
    TakeRollerCounts(session);
    if (!DrawTakesFromPool(session)) return PoolTake{};
    if (session.drawMode == DrawMode::Name && presetShown) {
        if (!session.poolReport.counted.load(std::memory_order_acquire)) return PoolTake{};
        const NamePool& pool = session.poolReport.pool;
        const std::size_t found = FindName(pool, StrReplace(StrTrim(result), "\n", ""));
        return found < NamesLeft(pool) ? TakeFromPool(session, NameText(pool, found)) : PoolTake{};
    }
    return session.candidateShown ? TakeFromPool(session, session.shownCandidate) : PoolTake{};
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
    drawMode = mode;
    drawPooled = noRepeats;
    candidateShown = false;
    shownCandidate.clear();
    shownEntry = NameEntry{};
    reportTaken = false;
    poolReport.counted.store(false);
    poolReport.left = poolReport.total = 0;
    poolReport.pool = NamePool{};
    if (mode == DrawMode::Name) {
        // Only the roller learns how many different names the file holds, so
        // an automatic draw may still be refused through the slot.
        inputs.name.frequencyText = host.readFrequency();
        drawSource = host.readNameFile();
        inputs.name.path = host.programDirectory + drawSource;
        if (noRepeats) {
            inputs.noRepeats = true;
            inputs.drawnNames = DrawnNames(book, drawSource);
            inputs.report = &poolReport;
        }
    } else {
        const LimitTexts limits = host.readLimits();
        if (!(ParseNumber(limits.lower) < ParseNumber(limits.upper))) {
            RefuseStart(*this, "上限和下限必须拉开差距");
            return;
        }
        const PoolSource source = NumberPoolSource(ToInt32(ParseNumber(limits.lower)), ToInt32(ParseNumber(limits.upper)));
        drawSource = source.key;
        const PoolCounts counts = CountNumbers(book, source);
        const uint64_t left = noRepeats ? counts.left : counts.total;
        if (left == 0) {
            SetButtons(*this, false);
            FocusButton(*this);
            if (!AskToReset(*this)) return;
            ResetSource(*this, source);
            start();
            return;
        }
        if (automatic && static_cast<uint64_t>(inputs.automaticInputs.plan.count) > left) {
            RefuseStart(*this, kTooManyResultsMessage);
            return;
        }
        inputs.number.lowerText = limits.lower;
        inputs.number.upperText = limits.upper;
        inputs.number.frequencyText = host.readFrequency();
        if (noRepeats) {
            inputs.noRepeats = true;
            inputs.drawnNumbers = DrawnNumbers(book, drawSource);
        }
    }
    const uint64_t draw = OpenDraw(*this);
    // A thread that cannot start leaves the display still; Stop works as usual.
    StartRollerThread(roller, [this, draw, rollerHost = RollerHostOf(host), inputs = std::move(inputs)] {
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
        ShowEntry(*this, SplitNameEntry(lastResult));
        return;
    }
    const std::string shown = host.readDisplay();
    const std::string preset = host.readPreset(mode);
    std::string result = shown;
    bool namePresetShown = false;
    if (mode == DrawMode::Number) {
        // The preset replaces what is seen, not what is recorded.
        if (!preset.empty()) host.showInDisplay(preset);
    } else if (!StrTrim(preset).empty()) {
        ShowPlain(*this, preset);
        result = host.readDisplay();
        namePresetShown = true;
    }
    PoolTake take = TakeAtStop(*this, namePresetShown, result);
    // What the display shows is recorded; the person's other fields come
    // with it while it still shows the latest candidate's name.
    NameEntry person;
    if (!namePresetShown && candidateShown && shownEntry.name == result) person = shownEntry;
    person.name = result;
    RecordResult(*this, person, std::move(take));
}

void DrawSession::selectMode(DrawMode m) {
    // Any roller ends, also the one of the mode selected again: a running
    // roller beside an enabled Start could become a second one.
    EndRoller(*this);
    mode = m;
    SetButtons(*this, false);
    ShowPlain(*this, "");
    FocusButton(*this);
    ShowPoolStatus(*this);
}

bool DrawSession::deliverCandidate() {
    std::string candidate;
    Handover handover = Handover::Candidate;
    if (!TakeCandidate(slot, candidate, &handover)) return false;
    TakeRollerCounts(*this);
    switch (handover) {
    case Handover::Candidate:
        shownEntry = SplitNameEntry(candidate);
        ShowEntry(*this, shownEntry);
        candidateShown = true;
        if (drawPooled) shownCandidate = std::move(candidate);
        break;
    case Handover::Result:
    case Handover::LastResult: {
        const NameEntry person = SplitNameEntry(candidate);
        ShowEntry(*this, person);
        PoolTake take = DrawTakesFromPool(*this) ? TakeFromPool(*this, candidate) : PoolTake{};
        RecordResult(*this, person, std::move(take));
        lastResult = std::move(candidate);
        if (handover == Handover::LastResult) FinishDraw(*this);
        break;
    }
    case Handover::Refusal:
        // The buttons are back before the message, so nothing behind the
        // box looks as if a draw were running.
        SetButtons(*this, false);
        EndRoller(*this);
        host.showMessage(kTooManyResultsMessage, "提示");
        FocusButton(*this);
        break;
    case Handover::PoolEmpty: {
        SetButtons(*this, false);
        EndRoller(*this);
        FocusButton(*this);
        PoolSource source;
        source.mode = drawMode;
        source.key = drawSource;
        if (!AskToReset(*this)) break;
        ResetSource(*this, source);
        start();
        break;
    }
    }
    return true;
}

void DrawSession::clearRecord() {
    host.clearRecordAndNames();
}

bool DrawSession::rolling() const {
    return drawing;
}

void DrawSession::setNoRepeats(bool on) {
    noRepeats = on;
    if (on) {
        // The files may have changed while no one counted.
        book.nameCounts.clear();
        ShowPoolStatus(*this, true);
        return;
    }
    poolStatus.clear();
    if (host.showPoolStatus) host.showPoolStatus("");
}

void DrawSession::loadPools(DrawPools saved) {
    book.pools = std::move(saved);
    book.nameCounts.clear();
    ShowPoolStatus(*this);
}

bool DrawSession::resetPool() {
    if (drawing) return false;
    const PoolSource source = SelectedSource(*this);
    if (!source.valid) return false;
    ResetSource(*this, source);
    return true;
}

bool DrawSession::takeBack() {
    if (!canTakeBack()) return false;
    const DrawResult result = std::move(results.back());
    const PoolTake take = std::move(takes.back());
    results.pop_back();
    takes.pop_back();
    if (host.replaceRecordEnd) host.replaceRecordEnd(result.recordEntry, "");
    if (ReturnToPool(book, take)) {
        NotifyPoolsChanged(*this);
        ShowPoolStatus(*this);
    }
    return true;
}

bool DrawSession::canTakeBack() const {
    return !drawing && !results.empty();
}

bool DrawSession::voidLast() {
    if (!canVoidLast()) return false;
    DrawResult& result = results.back();
    if (host.replaceRecordEnd) host.replaceRecordEnd(result.recordEntry, result.recordEntry + kVoidMark);
    result.recordEntry += kVoidMark;
    result.state = ResultState::Void;
    return true;
}

bool DrawSession::canVoidLast() const {
    return !drawing && !results.empty() && results.back().state == ResultState::Valid;
}

PoolCounts DrawSession::currentPool() { return CurrentPool(*this); }

void DrawSession::refreshPoolStatus() {
    const PoolSource source = CurrentSource(*this);
    if (source.valid && source.mode == DrawMode::Name && !drawing) book.nameCounts.erase(source.key);
    ShowPoolStatus(*this);
}
