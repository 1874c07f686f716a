#include "ui/prize_round_commands.h"

#include <algorithm>

#include "engine/draw_pools.h"
#include "engine/draw_session.h"
#include "engine/name_list.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/numbers.h"
#include "storage/name_files.h"
#include "ui/ids.h"
#include "ui/main_window_state.h"
#include "ui/presenter_view.h"
#include "ui/record_export.h"
#include "ui/sound.h"
#include "ui/tools_menu.h"

namespace {

std::string programFile(const char* name) { return std::string(gAppPaths.directory) + name; }

}  // namespace

PrizeList LoadPrizeTiers() {
    const std::string path = programFile(kPrizesFileName);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    // LoadTextFile would create a missing file; the operator has not made one.
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return PrizeList{};
    // Read whole, as name files are; one far past what is parsed is not.
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 16 * kMaxPrizesFileBytes) {
        PrizeList list;
        list.leftOut.push_back("文件过大，未能读取");
        return list;
    }
    return ParsePrizes(LoadTextFile(path));
}

namespace {

void loadPrizeFiles(PrizeRoundState& prizes) {
    prizes.list = LoadPrizeTiers();
    // The program's own file; a larger one than it could write is not read.
    prizes.events = ParsePrizeEvents(ReadKeptFile(programFile(kPrizeEventsFileName), 256LL << 20));
}

// Written after every change, whole or not at all: a kill leaves the
// winners as they were before or after it.
void saveEvents(const PrizeRoundState& prizes) {
    WriteFileReplacing(programFile(kPrizeEventsFileName), SerializePrizeEvents(prizes.events));
}

DrawHost& hostOf(const MainWindow& window) { return window.session->windowTasks(); }

// The selected source's key, "" when there is none (no file selected,
// refused limits); `range` tells which it is.
std::string selectedKey(const MainWindow& window, bool& range, int32_t& lo, int32_t& hi) {
    DrawHost& host = hostOf(window);
    range = window.session->selectedMode() == DrawMode::Number;
    if (!range) return host.readNameFile();
    const LimitTexts limits = host.readLimits();
    if (!(ParseNumber(limits.lower) < ParseNumber(limits.upper))) return std::string();
    lo = ToInt32(ParseNumber(limits.lower));
    hi = ToInt32(ParseNumber(limits.upper));
    return NumberSourceKey(lo, hi);
}

std::string selectedKey(const MainWindow& window) {
    bool range = false;
    int32_t lo = 0, hi = 0;
    return selectedKey(window, range, lo, hi);
}

const PrizeWinners& winnersOf(const PrizeRoundState& prizes, const std::string& key) {
    static const PrizeWinners none;
    const auto found = prizes.events.bySource.find(key);
    return found == prizes.events.bySource.end() ? none : found->second;
}

void showStatus(MainWindow& window, const std::string& text) { ShowPoolStatus(window.form, text); }

// The names of the latest batch's slots, the one being redrawn (if any)
// shown as `rolling`.
std::vector<std::string> latestSlots(const PrizeRoundState& prizes, const PrizeWinners& winners,
                                     bool withPending, const std::string& rolling, int32_t& tier, int32_t& batch) {
    std::vector<std::string> names;
    if (!FindLatestBatch(winners, tier, batch)) return names;
    for (std::size_t i = 0; i < winners.size(); ++i) {
        const PrizeWinner& w = winners[i];
        if (w.tier != tier || w.batch != batch) continue;
        if (withPending && i == prizes.redrawIndex) {
            names.push_back(rolling);
        } else if (!w.voided) {
            names.push_back(EntryDisplayName(w.entry));
        }
    }
    return names;
}

std::string displayText(const std::vector<PrizeTier>& tiers, std::size_t tier, const std::vector<std::string>& names) {
    std::string text = tier < tiers.size() ? tiers[tier].name : std::string();
    for (const std::string& name : names) text += "  " + name;
    return text;
}

// The presenter and the display show the source's latest batch as it stands.
void showLatestBatch(MainWindow& window, const std::string& key) {
    PrizeRoundState& prizes = window.prizes;
    const PrizeWinners& winners = winnersOf(prizes, key);
    int32_t tier = 0, batch = 0;
    const bool pending = prizes.redrawPending && prizes.redrawSource == key;
    PresenterBatch shown;
    shown.slots = latestSlots(prizes, winners, pending, "？", tier, batch);
    if (!shown.slots.empty()) shown.title = FormatBatchTitle(prizes.list.tiers, static_cast<std::size_t>(tier), batch);
    ShowPresenterBatch(window.presenter, shown);
}

void showStatusOf(MainWindow& window, const std::string& key) {
    const PrizeRoundState& prizes = window.prizes;
    showStatus(window, FormatRoundStatus(prizes.list, winnersOf(prizes, key)));
}

void cancelRedraw(PrizeRoundState& prizes) { prizes.redrawPending = false; }

void endRoll(MainWindow& window) {
    KillTimer(window.form, kPrizeRollTimer);
    window.prizes.rolling = false;
    hostOf(window).setButtonsRolling(false);
    if (hostOf(window).focusEnabledButton) hostOf(window).focusEnabledButton();
}

PrizeSource loadSource(const std::string& key, bool range, int32_t lo, int32_t hi) {
    if (range) return MakeRangePrizeSource(lo, hi);
    // Read at every Start: people added to the file since are eligible.
    return MakeNamePrizeSource(key, BuildNameList(LoadTextFile(std::string(gAppPaths.directory) + key)));
}

void message(MainWindow& window, const std::string& text) { hostOf(window).showMessage(text, "提示"); }

// Rewrites the record from line `from` on: the lines there now replace the
// text `oldTail` that the record ends with. A record edited since keeps
// its text; the lines are right either way.
void rewriteRecordTail(MainWindow& window, const std::string& oldTail, std::size_t from) {
    DrawHost& host = hostOf(window);
    if (host.replaceRecordEnd) host.replaceRecordEnd(oldTail, PrizeRecordTail(window.prizes.record, from));
}

void recordWinners(MainWindow& window, const PrizeWinners& winners, std::size_t first, std::size_t end) {
    PrizeRoundState& prizes = window.prizes;
    DrawHost& host = hostOf(window);
    const CalendarTime now = host.now ? host.now() : CalendarTime{};
    const std::size_t anchor = window.session->sessionResults().size();
    std::string text;
    for (std::size_t i = first; i < end; ++i) {
        prizes.record.push_back(MakePrizeRecordLine(winners[i], prizes.mode, prizes.source.key, now, anchor, kVoidMark));
        text += prizes.record.back().result.recordEntry;
    }
    if (text.empty()) return;
    // Each winner on a line of its own, also after plain results.
    const std::string record = ControlText(window.form, form1::kDrawRecord);
    if (!record.empty() && record.back() != '\n') text = "\r\n" + text;
    // One append for the batch: the record box wraps its end once.
    host.appendToRecord(text);
}

void stopRedraw(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    PrizeWinners& winners = prizes.events.bySource[prizes.source.key];
    const std::size_t index = prizes.redrawIndex;
    prizes.redrawPending = false;
    if (index >= winners.size()) return;
    // The void was kept while the slot rolled; the redraw makes it again
    // together with the replacement.
    winners[index].voided = false;
    BatchOutcome outcome;
    if (!RedrawWinner(prizes.list.tiers, prizes.source, winners, index, prizes.random, outcome, &prizes.cache)) {
        winners[index].voided = true;
        return;
    }
    saveEvents(prizes);
    if (outcome.drawn == 0) {
        showStatus(window, FormatBatchOutcome(prizes.list.tiers, outcome));
        return;
    }
    const PrizeWinner& replacement = winners[index + 1];
    const CalendarTime now = hostOf(window).now ? hostOf(window).now() : CalendarTime{};
    PrizeRecordLine line = MakePrizeRecordLine(replacement, prizes.mode, prizes.source.key, now,
                                               window.session->sessionResults().size(), kVoidMark);
    if (prizes.redrawLine < prizes.record.size()) {
        const std::string oldTail = PrizeRecordTail(prizes.record, prizes.redrawLine);
        line.anchor = prizes.record[prizes.redrawLine].anchor;
        prizes.record.insert(prizes.record.begin() + static_cast<std::ptrdiff_t>(prizes.redrawLine) + 1, line);
        rewriteRecordTail(window, oldTail, prizes.redrawLine);
    } else {
        prizes.record.push_back(line);
        hostOf(window).appendToRecord(line.result.recordEntry);
    }
    hostOf(window).showInDisplay(displayText(prizes.list.tiers, static_cast<std::size_t>(replacement.tier),
                                             {EntryDisplayName(replacement.entry)}));
    showStatusOf(window, prizes.source.key);
}

void stopBatch(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    PrizeWinners& winners = prizes.events.bySource[prizes.source.key];
    const BatchOutcome outcome = DrawPrizeBatch(prizes.list.tiers, prizes.source, winners, prizes.random, &prizes.cache);
    if (outcome.drawn > 0) saveEvents(prizes);
    recordWinners(window, winners, outcome.first, outcome.first + outcome.drawn);
    std::vector<std::string> names;
    for (std::size_t i = outcome.first; i < outcome.first + outcome.drawn; ++i)
        names.push_back(EntryDisplayName(winners[i].entry));
    hostOf(window).showInDisplay(displayText(prizes.list.tiers, outcome.tier, names));
    if (outcome.status == BatchStatus::Drawn) {
        showStatusOf(window, prizes.source.key);
    } else {
        showStatus(window, FormatBatchOutcome(prizes.list.tiers, outcome));
    }
}

// The batch that Start rolls for: the tier and how many slots, or a reason
// not to start (said here).
bool planBatch(MainWindow& window, const PrizeWinners& winners) {
    PrizeRoundState& prizes = window.prizes;
    const std::vector<PrizeTier>& tiers = prizes.list.tiers;
    if (prizes.redrawPending && prizes.redrawSource == prizes.source.key && prizes.redrawIndex < winners.size()) {
        prizes.tier = static_cast<std::size_t>(winners[prizes.redrawIndex].tier);
        prizes.batch = winners[prizes.redrawIndex].batch;
        prizes.slots = 1;
        prizes.rollingRedraw = true;
        return prizes.tier < tiers.size();
    }
    prizes.rollingRedraw = false;
    // A redraw waiting in another event waits on; one of this event whose
    // winner is gone (taken back) is over.
    if (prizes.redrawSource == prizes.source.key) prizes.redrawPending = false;
    prizes.tier = FindCurrentTier(tiers, winners);
    if (prizes.tier >= tiers.size()) {
        showStatus(window, FormatAllPrizesDrawn());
        message(window, FormatAllPrizesDrawn());
        return false;
    }
    if (NeedsNextTierQuestion(tiers, winners, prizes.tier)) {
        DrawHost& host = hostOf(window);
        const std::string question = FormatNextTierQuestion(tiers, prizes.tier - 1, prizes.tier);
        if (!host.askYesNo || !host.askYesNo(question, "提示")) return false;
    }
    int32_t batches = 0;
    for (const PrizeWinner& w : winners)
        if (w.tier == static_cast<int32_t>(prizes.tier)) batches = std::max(batches, w.batch);
    prizes.batch = batches + 1;
    prizes.slots = static_cast<std::size_t>(NextBatchSize(tiers, winners, prizes.tier));
    return true;
}

}  // namespace

void InitialisePrizeRounds(MainWindow& window, bool on) {
    window.prizes.random.seedFromTimeOfDay(hostOf(window).timeOfDay());
    if (!on) return;
    window.prizes.on = true;
    loadPrizeFiles(window.prizes);
    ShowPrizeRoundStatus(window);
}

void TogglePrizeRounds(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (prizes.rolling || window.session->rolling()) return;
    prizes.on = !prizes.on;
    if (prizes.on) {
        // Read again: the files may have been edited while rounds were off.
        loadPrizeFiles(prizes);
        ShowPrizeRoundStatus(window);
        return;
    }
    cancelRedraw(prizes);
    ShowPresenterBatch(window.presenter, PresenterBatch{});
    // The status bar as the plain draws have it.
    DrawSession& session = *window.session;
    session.setNoRepeats(session.noRepeatsOn());
}

void ShowPrizeRoundStatus(MainWindow& window) {
    if (!window.prizes.on || window.prizes.rolling) return;
    const std::string key = selectedKey(window);
    showStatusOf(window, key);
    showLatestBatch(window, key);
}

void ShowCurrentPrizeBatch(MainWindow& window) {
    if (!window.prizes.on) return;
    if (window.prizes.rolling) {
        TickPrizeRoll(window);
        return;
    }
    showLatestBatch(window, selectedKey(window));
}

void StartPrizeRoll(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (prizes.rolling || window.session->rolling()) return;
    DrawHost& host = hostOf(window);
    if (prizes.list.tiers.empty()) {
        message(window, "未设置可用的奖项，请先在“奖项设置”中添加");
        return;
    }
    bool range = false;
    int32_t lo = 0, hi = 0;
    const std::string key = selectedKey(window, range, lo, hi);
    if (key.empty()) {
        message(window, range ? "上限和下限必须拉开差距" : "请先选择名单文件");
        return;
    }
    prizes.mode = range ? DrawMode::Number : DrawMode::Name;
    prizes.source = loadSource(key, range, lo, hi);
    const PrizeWinners& winners = winnersOf(prizes, key);
    if (!planBatch(window, winners)) return;
    prizes.random.seedFromTimeOfDay(host.timeOfDay());
    // The source was read again: a cache of the old one must not be trusted,
    // even where the new entries happen to sit at the old address.
    prizes.cache = PrizeDrawCache{};
    PreparePrizeDrawCache(prizes.list.tiers, prizes.source, prizes.events.bySource[key], prizes.cache);
    prizes.candidates = ListRollingCandidates(prizes.list.tiers, prizes.source, winners, prizes.tier, prizes.random);
    if (prizes.candidates.empty()) {
        BatchOutcome nobody;
        nobody.status = BatchStatus::NobodyLeft;
        nobody.tier = prizes.tier;
        showStatus(window, FormatBatchOutcome(prizes.list.tiers, nobody));
        return;
    }
    prizes.rolling = true;
    host.setButtonsRolling(true);
    TickPrizeRoll(window);
    // As the plain draws roll: at the pace of the jump field, within reason.
    const int pace = std::min(1000, std::max(30, ToInt32(ParseNumber(host.readFrequency()))));
    SetTimer(window.form, kPrizeRollTimer, static_cast<UINT>(pace), nullptr);
    if (host.focusEnabledButton) host.focusEnabledButton();
}

void TickPrizeRoll(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (!prizes.rolling) return;
    const std::vector<std::string> names = PickRollingSlots(prizes.candidates, prizes.slots, prizes.random);
    const std::string title = FormatBatchTitle(prizes.list.tiers, prizes.tier, prizes.batch);
    PresenterBatch shown;
    shown.rolling = true;
    if (prizes.rollingRedraw) {
        int32_t tier = 0, batch = 0;
        shown.slots = latestSlots(prizes, winnersOf(prizes, prizes.source.key), true,
                                  names.empty() ? std::string() : names.front(), tier, batch);
    } else {
        shown.slots = names;
    }
    shown.title = title;
    hostOf(window).showInDisplay(displayText(prizes.list.tiers, prizes.tier, names));
    ShowPresenterBatch(window.presenter, shown);
    SoundCandidateShown(window.sound);
}

void StopPrizeRoll(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (!prizes.rolling) return;
    endRoll(window);
    if (prizes.rollingRedraw) {
        stopRedraw(window);
    } else {
        stopBatch(window);
    }
    showLatestBatch(window, prizes.source.key);
}

void AbandonPrizeRoll(MainWindow& window) {
    if (!window.prizes.rolling) return;
    endRoll(window);
    hostOf(window).showInDisplay("");
}

// The latest batch of the selected source; false when there is none.
bool findLatest(const MainWindow& window, std::string& key, int32_t& tier, int32_t& batch) {
    const PrizeRoundState& prizes = window.prizes;
    if (!prizes.on || prizes.rolling) return false;
    key = selectedKey(window);
    return FindLatestBatch(winnersOf(prizes, key), tier, batch);
}

// Take-back and void undo what the record shows, as they do for plain
// results: a batch of an earlier run is not taken from the file unseen.
bool CanTakeBackPrizeBatch(const MainWindow& window) {
    std::string key;
    int32_t tier = 0, batch = 0;
    if (!findLatest(window, key, tier, batch)) return false;
    return FindBatchLines(window.prizes.record, key, tier, batch) < window.prizes.record.size();
}

bool CanVoidPrizeBatch(const MainWindow& window) {
    return CanTakeBackPrizeBatch(window) && !LatestBatchSlots(winnersOf(window.prizes, selectedKey(window))).empty();
}

// An absent winner may be noticed after a restart, so 补抽 reaches the
// latest batch wherever it was drawn. One at a time: a second choice before
// the first is replaced would leave the first without its replacement.
bool CanRedrawWinner(const MainWindow& window) {
    const PrizeRoundState& prizes = window.prizes;
    std::string key;
    int32_t tier = 0, batch = 0;
    if (!findLatest(window, key, tier, batch) || LatestBatchSlots(winnersOf(prizes, key)).empty()) return false;
    return !(prizes.redrawPending && prizes.redrawSource == key);
}

namespace {

enum class BatchChange { TakeBack, Void };

// Take-back and void reach the same winners and the same lines of the
// record; they differ only in what they do to them.
bool changeLatestBatch(MainWindow& window, BatchChange change) {
    if (!CanTakeBackPrizeBatch(window)) return false;
    PrizeRoundState& prizes = window.prizes;
    const std::string key = selectedKey(window);
    PrizeWinners& winners = prizes.events.bySource[key];
    int32_t tier = 0, batch = 0;
    FindLatestBatch(winners, tier, batch);
    cancelRedraw(prizes);
    if (change == BatchChange::TakeBack) {
        TakeBackLatestBatch(winners);
    } else if (VoidLatestBatch(winners) == 0) {
        return true;
    }
    saveEvents(prizes);
    const std::size_t from = FindBatchLines(prizes.record, key, tier, batch);
    if (from < prizes.record.size()) {
        const std::string oldTail = PrizeRecordTail(prizes.record, from);
        if (change == BatchChange::TakeBack) {
            prizes.record.erase(prizes.record.begin() + static_cast<std::ptrdiff_t>(from), prizes.record.end());
        } else {
            for (std::size_t i = from; i < prizes.record.size(); ++i) {
                DrawResult& result = prizes.record[i].result;
                if (result.state == ResultState::Void) continue;
                result.state = ResultState::Void;
                result.recordEntry.insert(result.recordEntry.size() - 2, kVoidMark);
            }
        }
        rewriteRecordTail(window, oldTail, from);
    }
    if (change == BatchChange::TakeBack) hostOf(window).showInDisplay("");
    ShowPrizeRoundStatus(window);
    return true;
}

}  // namespace

bool TakeBackPrizeBatch(MainWindow& window) { return changeLatestBatch(window, BatchChange::TakeBack); }

bool VoidPrizeBatch(MainWindow& window) { return changeLatestBatch(window, BatchChange::Void); }

void OfferPrizeReset(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (!prizes.on || prizes.rolling) return;
    const std::string key = selectedKey(window);
    if (winnersOf(prizes, key).empty()) return;
    DrawHost& host = hostOf(window);
    if (!host.askYesNo || !host.askYesNo("是否同时清空奖项结果？", "提示")) return;
    cancelRedraw(prizes);
    ResetPrizeEvent(prizes.events, key);
    saveEvents(prizes);
    ShowPrizeRoundStatus(window);
}

DrawResults ResultsWithPrizes(const MainWindow& window) {
    return MergePrizeResults(window.session->sessionResults(), window.prizes.record);
}

void OpenPrizeEditor(MainWindow& window) {
    if (window.prizes.rolling || window.session->rolling()) return;
    HWND editor = CreateForm(kPrizeEditorFormName, window.form, 0);
    if (!editor) return;
    ShowWindow(editor, SW_SHOWNORMAL);
    ShowFormModal(editor, window.form);
}

void TakeSavedTiers(MainWindow& window) {
    if (!window.prizes.on) return;
    window.prizes.list = LoadPrizeTiers();
    ShowPrizeRoundStatus(window);
}

void OpenRedrawList(MainWindow& window) {
    PrizeRoundState& prizes = window.prizes;
    if (!CanRedrawWinner(window)) return;
    const PrizeWinners& winners = winnersOf(prizes, selectedKey(window));
    prizes.redrawChoices = LatestBatchSlots(winners);
    prizes.redrawNames.clear();
    for (std::size_t index : prizes.redrawChoices)
        prizes.redrawNames.push_back(winners[index].tierName + " " + EntryDisplayName(winners[index].entry));
    HWND list = CreateForm(kRedrawFormName, window.form, 0);
    if (!list) return;
    ShowWindow(list, SW_SHOWNORMAL);
    ShowFormModal(list, window.form);
}

void ChooseRedrawWinner(MainWindow& window, std::size_t chosen) {
    PrizeRoundState& prizes = window.prizes;
    if (chosen >= prizes.redrawChoices.size() || !CanRedrawWinner(window)) return;
    const std::string key = selectedKey(window);
    PrizeWinners& winners = prizes.events.bySource[key];
    const std::size_t index = prizes.redrawChoices[chosen];
    if (index >= winners.size() || winners[index].voided) return;
    // Out of every later draw from now on, also if the program ends before
    // the replacement is drawn.
    const std::size_t line = FindPrizeRecordLine(prizes.record, key, winners[index]);
    winners[index].voided = true;
    saveEvents(prizes);
    prizes.redrawPending = true;
    prizes.redrawSource = key;
    prizes.redrawIndex = index;
    prizes.redrawLine = line;
    if (line < prizes.record.size()) {
        const std::string oldTail = PrizeRecordTail(prizes.record, line);
        DrawResult& result = prizes.record[line].result;
        result.state = ResultState::Void;
        result.recordEntry.insert(result.recordEntry.size() - 2, kVoidMark);
        rewriteRecordTail(window, oldTail, line);
    }
    showStatus(window, "补抽 " + winners[index].tierName + "：" + EntryDisplayName(winners[index].entry) + kVoidMark +
                           "，按开始抽取替补");
    showLatestBatch(window, key);
}
