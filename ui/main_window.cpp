#include "ui/main_window.h"

#include <commctrl.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <string>

#include "engine/draw_session.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/numbers.h"
#include "runtime/services.h"
#include "runtime/startup_trace.h"
#include "storage/name_files.h"
#include "storage/registry.h"
#include "ui/backgrounds.h"
#include "ui/contact.h"
#include "ui/diagnostics.h"
#include "ui/dpi.h"
#include "ui/forms/definitions.h"
#include "ui/handlers.h"
#include "ui/help_about.h"
#include "ui/ids.h"
#include "ui/long_text.h"
#include "ui/main_window_state.h"
#include "ui/name_file_commands.h"
#include "ui/presenter_view.h"
#include "ui/presets.h"
#include "ui/roster_import.h"
#include "ui/sound.h"
#include "ui/tools_menu.h"
#include "framework/property_names.h"

// What the clock thread and the window share: the window to post to, until
// the window is gone. The clock posts under the lock, and the window clears
// it under the lock before it is destroyed, so no tick reaches a destroyed
// window (or a new window given its handle).
struct ClockLink {
    std::mutex lock;
    HWND form = nullptr;
};

namespace {

const int kNameFileControls[] = {form1::kNewFile, form1::kEditFile, form1::kDeleteFile, form1::kRefreshFiles,
                                 form1::kFileListLabel, form1::kNameFileList};
const int kNumberOnlyControls[] = {form1::kLowerLimit, form1::kUpperLimit, form1::kStepList};

// The draw record only ever grows at its end. Written whole, the edit box
// wraps all of it again, which under Wine takes time growing with the square
// of its length (200 ms a Stop after 2,000 draws); appended, only the end is
// wrapped. The box is then left as a whole write leaves it: caret at the
// start, scrolled to the top, nothing to undo, not modified.
void appendRecordTail(HWND box, const std::string& tail) {
    AppendInPieces(box, tail);
    SendMessageA(box, EM_SETSEL, 0, 0);
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
    SendMessageA(box, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageA(box, EM_SETMODIFY, FALSE, 0);
}

void writeRecord(HWND form, const std::string& text) {
    HWND box = GetDlgItem(form, form1::kDrawRecord);
    const std::string current = ControlText(form, form1::kDrawRecord);
    if (current.empty() || text.size() <= current.size() || text.compare(0, current.size(), current) != 0) {
        SetEditText(box, text);
        return;
    }
    appendRecordTail(box, text.substr(current.size()));
}

void appendRecord(HWND form, const std::string& entry) {
    HWND box = GetDlgItem(form, form1::kDrawRecord);
    if (GetWindowTextLengthA(box) == 0 && entry.size() <= kRecordPieceBytes) {
        SetWindowTextA(box, entry.c_str());
    } else if (!entry.empty()) {
        appendRecordTail(box, entry);
    }
}

// As SetDlgItemTextA does (up to the first NUL, through the system's code
// page), but converted here with the exact length: Wine's static control
// reads on past the end of a text that is one lone lead byte, and a name
// file can hold such a name.
void setControlText(HWND form, int id, const std::string& text) {
    const std::string shown = text.substr(0, text.find('\0'));
    std::wstring wide;
    if (!shown.empty()) {
        const int count = static_cast<int>(shown.size());
        const int size = MultiByteToWideChar(CP_ACP, 0, shown.data(), count, nullptr, 0);
        if (size > 0) {
            wide.resize(static_cast<size_t>(size));
            MultiByteToWideChar(CP_ACP, 0, shown.data(), count, &wide[0], size);
        }
    }
    SetDlgItemTextW(form, id, wide.c_str());
    if (id != form1::kResultDisplay) return;
    if (MainWindow* window = FindMainWindow(form)) RefreshPresenterView(window->presenter, form);
}

// Through the dialog manager, so that the default-button frame follows the
// focus and space or Enter presses the button that has it.
void focusButton(HWND form, HWND button) {
    SendMessageA(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

DrawHost hostFor(MainWindow& window) {
    HWND form = window.form;
    DrawHost host;
    host.showInDisplay = [form, &window](const std::string& text) {
        setControlText(form, form1::kResultDisplay, KeepForResultDisplay(window.keptDisplay, text));
    };
    // The person's number and department, under the name on the presenter
    // view; the display itself keeps to the name.
    host.showPersonDetails = [&window](const std::string& number, const std::string& department) {
        window.presenterSubtitle = number.empty() || department.empty() ? number + department
                                                                         : number + "  " + department;
        SetPresenterSubtitle(window.presenter, nullptr, window.presenterSubtitle);
    };
    host.readDisplay = [form, &window]() {
        return ResultDisplayText(window.keptDisplay, ControlText(form, form1::kResultDisplay));
    };
    host.appendToRecord = [form, &window](const std::string& entry) {
        appendRecord(form, entry);
        SoundResultTaken(window.sound);
    };
    host.clearRecordAndNames = [form]() {
        writeRecord(form, "");
        setControlText(form, form1::kNamesBox, "");
    };
    host.setButtonsRolling = [form](bool rolling) {
        HWND start = GetDlgItem(form, form1::kStart), stop = GetDlgItem(form, form1::kStop);
        if (rolling) {
            // Start keeps its order; the engine moves the focus once the
            // roller runs.
            EnableWindow(start, FALSE);
            EnableWindow(stop, TRUE);
            return;
        }
        EnableWindow(start, TRUE);
        // A focused Stop that is disabled sends the focus nowhere first, a
        // round of focus messages more in the Stop handler; Start takes it
        // over before.
        if (GetFocus() == stop) focusButton(form, start);
        EnableWindow(stop, FALSE);
    };
    host.focusEnabledButton = [form]() {
        // A window of its own over the main window (the presenter view) keeps
        // the keyboard: a focus moved here would activate the main window in
        // the middle of the view's Start or Stop, and the view again after.
        HWND active = GetActiveWindow();
        if (active && active != form && GetWindow(active, GW_OWNER) == form) return;
        HWND start = GetDlgItem(form, form1::kStart);
        HWND button = IsWindowEnabled(start) ? start : GetDlgItem(form, form1::kStop);
        if (GetFocus() != button) focusButton(form, button);
    };
    host.readLimits = [form]() {
        return LimitTexts{ControlText(form, form1::kLowerLimit), ControlText(form, form1::kUpperLimit)};
    };
    host.readFrequency = [form]() { return ControlText(form, form1::kJumpFrequency); };
    host.readCount = [form]() { return ControlText(form, form1::kDrawCount); };
    host.readInterval = [form]() { return SelectedComboText(GetDlgItem(form, form1::kDrawInterval)); };
    host.readNameFile = [form]() { return SelectedNameFile(GetDlgItem(form, form1::kNameFileList)); };
    host.showMessage = [](const std::string& text, const std::string& caption) {
        ShowMessage(text, caption, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    };
    host.readPreset = ReadPreset;
    host.programDirectory = gAppPaths.directory;
    host.now = []() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return CalendarTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    };
    host.askYesNo = [](const std::string& question, const std::string& caption) {
        return ShowMessage(question, caption, MB_YESNO | MB_TASKMODAL | MB_SETFOREGROUND) == IDYES;
    };
    // Take-back and void change only the record's end, which the engine
    // knows exactly; a record edited since is left as it is.
    host.replaceRecordEnd = [form](const std::string& end, const std::string& replacement) {
        const std::string current = ControlText(form, form1::kDrawRecord);
        if (current.size() < end.size() || current.compare(current.size() - end.size(), end.size(), end) != 0) {
            return false;
        }
        writeRecord(form, current.substr(0, current.size() - end.size()) + replacement);
        return true;
    };
    // While prize rounds are on, the second part of the status bar is theirs.
    host.showPoolStatus = [form, &window](const std::string& text) {
        if (!window.prizes.on) ShowPoolStatus(form, text);
    };
    host.poolsChanged = [&window]() { SavePools(*window.session); };
    host.loadTextFile = LoadTextFile;
    host.timeOfDay = []() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        TimeOfDay time;
        time.hour = now.wHour;
        time.minute = now.wMinute;
        time.second = now.wSecond;
        time.millisecond = now.wMilliseconds;
        return time;
    };
    // The roller's thread: posting never blocks, and the roller waits for
    // the candidate to be taken, so the queue holds at most one.
    host.requestDelivery = [form]() { PostMessageA(form, kDeliverCandidateMessage, 0, 0); };
    return host;
}

// The clock only asks; the window sets the text itself, so the clock never
// waits on the window (not while a modal form is open, nor at shutdown). It
// ends at its first tick after its window has gone.
DWORD WINAPI clockThread(void* parameter) {
    std::unique_ptr<std::shared_ptr<ClockLink>> link(static_cast<std::shared_ptr<ClockLink>*>(parameter));
    for (;;) {
        {
            std::lock_guard<std::mutex> locked((*link)->lock);
            if (!(*link)->form) return 0;
            PostMessageA((*link)->form, kClockTickMessage, 0, 0);
        }
        SYSTEMTIME now;
        GetLocalTime(&now);
        // Wake just after the next second begins, so no second is skipped.
        SleepMs(1000 - now.wMilliseconds + 5);
    }
}

void startClock(MainWindow& window) {
    window.clock = std::make_shared<ClockLink>();
    window.clock->form = window.form;
    auto* shared = new std::shared_ptr<ClockLink>(window.clock);
    HANDLE clock = nullptr;
    ThreadCreate(clockThread, shared, 0x100000, 0, &clock);
    if (clock) {
        CloseHandle(clock);
    } else {
        delete shared;
    }
}

void stopClock(MainWindow& window) {
    if (!window.clock) return;
    std::lock_guard<std::mutex> locked(window.clock->lock);
    window.clock->form = nullptr;
}

void destroyMainWindow(HWND form) {
    auto* window = static_cast<MainWindow*>(RemovePropA(form, kMainWindowProperty));
    if (!window) return;
    stopClock(*window);
    ClosePresenterView(window->presenter);
    delete window;  // ends and joins a running roller, which never waits on us
}

RECT rectInClient(HWND form, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(form, id), &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Leaves an area of the form to the next paint with every control on it,
// frames included: controls overlap without clipping each other (the lower
// panel's group box reaches into the status bar once the panel is
// collapsed), and only a repaint of all of them draws them as they stack.
void repaintArea(HWND form, const RECT& area) {
    RedrawWindow(form, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void repaintControlArea(HWND form, int id) { repaintArea(form, rectInClient(form, id)); }

void setOuterHeight(HWND form, int height) {
    RECT r;
    GetWindowRect(form, &r);
    SetWindowPos(form, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The form whose panel PrepareMainWindow collapsed, until its initialisation.
HWND collapsedBeforeShow = nullptr;

// The outer height with the lower panel collapsed, from the window's rectangle.
int collapsedHeight(const RECT& outer) { return RoundHalfEven(3.0 * (outer.bottom - outer.top) / 4.0); }

// The start-up collapse of a window already shown (PrepareMainWindow did not
// collapse it). The resize paints nothing at once, under Wine that halves its
// cost; the window is repainted whole afterwards, and what it leaves of the
// screen is given back to the windows beneath.
void collapsePanelUnpainted(HWND form) {
    RECT r;
    GetWindowRect(form, &r);
    const int height = collapsedHeight(r);
    SetWindowPos(form, nullptr, 0, 0, r.right - r.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_DEFERERASE);
    RECT left = {r.left, r.top + height, r.right, r.bottom};
    RedrawWindow(GetDesktopWindow(), &left, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void fillList(HWND list, const char* const* items, int count) {
    for (int i = 0; i < count; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void initialise(MainWindow& window) {
    HWND form = window.form;
    startClock(window);
    TraceMark("clock thread");
    RefreshRegistryValue(TOBRIX_WEB_HOST);
    TraceMark("registry");

    static const char* const intervals[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "随机(1-15)"};
    fillList(GetDlgItem(form, form1::kDrawInterval), intervals, 11);
    ListNameFiles(GetDlgItem(form, form1::kNameFileList), GetDlgItem(form, form1::kNamesBox), gAppPaths.directory);
    TraceMark("name files");
    static const char* const steps[] = {"1"};
    fillList(GetDlgItem(form, form1::kStepList), steps, 1);
    // Number mode: the session starts in it, and the controls as defined are its.
    TraceMark("lists");

    SendDlgItemMessageA(form, form1::kStatusBar, SB_SETTEXTA, 0 | SBT_NOBORDERS,
                        reinterpret_cast<LPARAM>(DateText().c_str()));
    // A long evening of draws must not hit the edit box's default limit.
    SendDlgItemMessageA(form, form1::kDrawRecord, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    TraceMark("date");

    if (form != collapsedBeforeShow) collapsePanelUnpainted(form);
    collapsedBeforeShow = nullptr;
    TraceMark("panel collapse");
    // Decoded now, drawn with the window's next paint: the layout that
    // follows may still resize it.
    HWND picture = GetDlgItem(form, form1::kPicture);
    SendMessageA(picture, WM_SETREDRAW, FALSE, 0);
    ShowBackground(form, kDefaultBackground);
    SendMessageA(picture, WM_SETREDRAW, TRUE, 0);
    repaintControlArea(form, form1::kPicture);
    TraceMark("background");
    InitialiseTools(window);
    // The status bar got its date (and may have got the pool count) after
    // the first paint; it repaints with what overlaps it.
    repaintControlArea(form, form1::kStatusBar);
}

void showControls(HWND form, const int* ids, int count, bool show) {
    for (int i = 0; i < count; ++i) ShowWindow(GetDlgItem(form, ids[i]), show ? SW_SHOW : SW_HIDE);
}

void enableControls(HWND form, const int* ids, int count, bool enable) {
    for (int i = 0; i < count; ++i) EnableWindow(GetDlgItem(form, ids[i]), enable);
}

void selectNumberMode(MainWindow& window) {
    HWND form = window.form;
    AbandonPrizeRoll(window);
    window.session->selectMode(DrawMode::Number);
    showControls(form, kNameFileControls, 6, false);
    enableControls(form, kNumberOnlyControls, 3, true);
    EnableWindow(GetDlgItem(form, form1::kJumpFrequency), TRUE);
    ShowPrizeRoundStatus(window);
}

void selectNameMode(MainWindow& window) {
    HWND form = window.form;
    AbandonPrizeRoll(window);
    window.session->selectMode(DrawMode::Name);
    showControls(form, kNameFileControls, 6, true);
    enableControls(form, kNumberOnlyControls, 3, false);
    ShowPrizeRoundStatus(window);
}

// The source of the next draw changed, or the files were listed anew (and
// may have been edited, deleted or replaced): the remaining count follows.
void recountPool(MainWindow& window) {
    DrawSession& session = *window.session;
    if (session.noRepeatsOn() && !session.rolling()) session.refreshPoolStatus();
    ShowPrizeRoundStatus(window);
}

void noteSourceChange(MainWindow& window, int id, int code) {
    const bool changed = (id == form1::kNameFileList && code == CBN_SELCHANGE) ||
                         ((id == form1::kLowerLimit || id == form1::kUpperLimit) && code == EN_CHANGE);
    if (changed) recountPool(window);
}

void showBackgroundCommand(MainWindow& window, int command) {
    ShowBackground(window.form, BackgroundFileForCommand(command));
    RefreshPresenterView(window.presenter, window.form);
}

// Every menu command, from the menu bar, a shortcut or the context menu.
void runMenuCommand(MainWindow& window, int command, bool fromShortcut) {
    switch (command) {
    case menu::kBlueBackground:
    case menu::kBlackBackground:
    case menu::kRedBackground:
    case menu::kYellowBackground: showBackgroundCommand(window, command); break;
    case menu::kNumberMode: selectNumberMode(window); break;
    case menu::kNameMode: selectNameMode(window); break;
    case menu::kNumberPreset: OpenPresetForms(window, DrawMode::Number); break;
    case menu::kNamePreset: OpenPresetForms(window, DrawMode::Name); break;
    case menu::kUsageGuide: ShowUsageGuide(); break;
    case menu::kAbout: ShowAboutForm(window.form); break;
    // "工具"
    case menu::kPresenterView:
        TogglePresenterView(window.presenter, window.form);
        if (window.presenter) ShowCurrentPrizeBatch(window);
        SetPresenterSubtitle(window.presenter, window.form, window.presenterSubtitle);
        break;
    case menu::kNoRepeats: ToggleNoRepeats(window); break;
    case menu::kResetPool: ResetPool(window); break;
    case menu::kTakeBack: TakeBackLast(window, fromShortcut); break;
    case menu::kVoidLast: VoidLast(window); break;
    case menu::kExportRecord: ExportResults(window); break;
    case menu::kCopyRecord: CopyResults(window); break;
    case menu::kSound: ToggleSound(window); break;
    // Prize rounds
    case menu::kPrizeEditor: OpenPrizeEditor(window); break;
    case menu::kPrizeRounds: ToggleRounds(window); break;
    case menu::kRedrawWinner: OpenRedrawList(window); break;
    // rosters
    case menu::kImportRoster: ImportRosterFile(window); break;
    case menu::kPasteRoster: PasteRoster(window); break;
    default: break;
    }
}

// Puts a control at `target` (client coordinates) without painting or
// erasing anything at once; one already there is left alone, since even a
// move to where it is costs a round of messages through the event hook.
void placeControl(HWND form, int id, const RECT& target) {
    const RECT now = rectInClient(form, id);
    if (EqualRect(&now, &target)) return;
    SetWindowPos(GetDlgItem(form, id), nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_DEFERERASE);
}

void moveControl(HWND form, int id, int x, int y) {
    RECT target = rectInClient(form, id);
    OffsetRect(&target, x - target.left, y - target.top);
    placeControl(form, id, target);
}

void sizeControl(HWND form, int id, SIZE size) {
    RECT target = rectInClient(form, id);
    target.right = target.left + size.cx;
    target.bottom = target.top + size.cy;
    placeControl(form, id, target);
}

// The status bar puts itself along the bottom of the form's client area,
// across its width, whenever its size changes. Already there, a resize would
// only bounce back, and the bounce paints it at once.
bool statusBarSettled(HWND form, const RECT& target) {
    RECT client, bar = rectInClient(form, form1::kStatusBar);
    GetClientRect(form, &client);
    const bool resized = bar.right - bar.left != target.right - target.left ||
                         bar.bottom - bar.top != target.bottom - target.top;
    return resized && bar.left == client.left && bar.right == client.right && bar.bottom == client.bottom;
}

// The controls the layout places.
const int kPlacedControls[] = {form1::kContactLabel, form1::kWebLabel,      form1::kPicture,
                               form1::kSettingsFrame, form1::kResultDisplay, form1::kStatusBar};
const int kPlacedCount = sizeof kPlacedControls / sizeof kPlacedControls[0];

void layOut(HWND form, WPARAM sizeType) {
    RECT before[kPlacedCount];
    for (int i = 0; i < kPlacedCount; ++i) before[i] = rectInClient(form, kPlacedControls[i]);

    RECT outer;
    GetWindowRect(form, &outer);
    MainLayout layout = ComputeMainLayout(outer.right - outer.left, outer.bottom - outer.top, LayoutDpi());
    if (sizeType == SIZE_MAXIMIZED) {
        ShowWindow(GetDlgItem(form, form1::kPanelToggle), SW_HIDE);
        moveControl(form, form1::kContactLabel, layout.contact.x, layout.contact.y);
        moveControl(form, form1::kWebLabel, layout.web.x, layout.web.y);
    } else if (sizeType == SIZE_RESTORED) {
        ShowWindow(GetDlgItem(form, form1::kPanelToggle), SW_SHOW);
    }
    sizeControl(form, form1::kPicture, layout.picture);
    sizeControl(form, form1::kSettingsFrame, layout.frame);
    RECT display = rectInClient(form, form1::kResultDisplay);
    POINT at = CentreOn(rectInClient(form, form1::kPicture),
                        SIZE{display.right - display.left, display.bottom - display.top});
    moveControl(form, form1::kResultDisplay, at.x, at.y);
    if (!statusBarSettled(form, layout.statusBar)) placeControl(form, form1::kStatusBar, layout.statusBar);

    // The moves above neither paint nor erase at once (under Wine a move of a
    // control erased the form's pending areas there and then, and the status
    // bar painted itself: 5-9 ms). Where a control was and where it is now
    // are left to the next paint with what overlaps them; a control that
    // stayed where it was repaints nothing.
    for (int i = 0; i < kPlacedCount; ++i) {
        const RECT after = rectInClient(form, kPlacedControls[i]);
        if (EqualRect(&before[i], &after)) continue;
        repaintArea(form, before[i]);
        repaintArea(form, after);
    }
}

HWND nameFileList(HWND form) { return GetDlgItem(form, form1::kNameFileList); }

// The roller hands candidates over through a posted message, which a click
// on Stop sent right after Start overtakes: Stop would then record what the
// display showed before this draw. The first delivery, posted within a
// millisecond unless the source is slow to read, is taken from the queue and
// served before Start returns; a slow source is not waited for. Only posted
// messages are looked at, so nothing sent from elsewhere runs inside Start.
void showFirstCandidate(HWND form, DrawSession& session, SoundState& sound) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    MSG msg;
    while (session.rolling() && std::chrono::steady_clock::now() < until) {
        if (PeekMessageA(&msg, form, kDeliverCandidateMessage, kDeliverCandidateMessage,
                         PM_REMOVE | PM_QS_POSTMESSAGE)) {
            if (!session.deliverCandidate()) continue;  // a request left from an earlier draw
            SoundCandidateShown(sound);
            return;
        }
        SwitchToThread();
    }
}

}  // namespace

MainWindow& MainWindowOf(HWND form) {
    if (auto* window = static_cast<MainWindow*>(GetPropA(form, kMainWindowProperty))) return *window;
    auto* window = new MainWindow;
    window->sound = MakeSystemSound();
    window->form = form;
    window->session.reset(new DrawSession(hostFor(*window)));
    SetPropA(form, kMainWindowProperty, window);
    return *window;
}

MainLayout ComputeMainLayout(int width, int height, int dpi) {
    // The figures are pixels at 96 DPI; at another DPI the window keeps its look.
    auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
    MainLayout l;
    l.picture = SIZE{width, px(337)};
    l.frame = SIZE{width - px(34), px(73)};
    l.statusBar = RECT{0, height - px(62), width, height - px(62) + px(20)};
    l.contact = POINT{width - px(180), height - px(83)};
    l.web = POINT{width - px(100), height - px(83)};
    return l;
}

POINT CentreOn(const RECT& picture, SIZE display) {
    double w = picture.right - picture.left, h = picture.bottom - picture.top;
    return POINT{picture.left + RoundHalfEven((w - display.cx) / 2.0),
                 picture.top + RoundHalfEven((h - display.cy) / 2.0)};
}

int ToggledHeight(int height, int toggleCount) {
    return toggleCount % 2 == 0 ? RoundHalfEven(height * 4.0 / 3.0) : RoundHalfEven(3.0 * height / 4.0);
}

int FittedDpi(int dpi, SIZE design, SIZE work) {
    auto fits = [&](int at) {
        const int width = ScaleToDpi(design.cx, at), height = ScaleToDpi(design.cy, at);
        // The panel starts collapsed; expanding it rounds the height again.
        const int expanded = ToggledHeight(ToggledHeight(height, 1), 0);
        return width <= work.cx && height <= work.cy && expanded <= work.cy;
    };
    int at = dpi;
    while (at > kDesignDpi && !fits(at)) --at;
    return at;
}

void FitLayoutDpiToMainForm() {
    FormDefinition form;
    if (!GetFormDefinition(kMainFormName, form)) return;
    // Twips are 15 to the pixel at 96 DPI.
    const SIZE design = {RoundHalfEven(form.width / 15.0), RoundHalfEven(form.height / 15.0)};
    // The monitor the form is centred on when it opens.
    const RECT work = GetMonitorWorkArea(nullptr, true);
    const int screen = ScreenDpi();
    const int fitted = FittedDpi(screen, design, SIZE{work.right - work.left, work.bottom - work.top});
    SetLayoutDpi(fitted == screen ? 0 : fitted);
}

void PrepareMainWindow(HWND form, int showCommand) {
    switch (showCommand) {
    case SW_HIDE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMAXIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        return;
    default:
        break;
    }
    if (!form || IsWindowVisible(form) || (GetWindowLongA(form, GWL_STYLE) & (WS_MINIMIZE | WS_MAXIMIZE))) return;
    RECT outer;
    GetWindowRect(form, &outer);
    setOuterHeight(form, collapsedHeight(outer));
    layOut(form, SIZE_RESTORED);
    collapsedBeforeShow = form;
}

INT_PTR CALLBACK MainWindowProcedure(HWND form, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_NCDESTROY) {
        destroyMainWindow(form);
        return 0;
    }
    MainWindow& window = MainWindowOf(form);
    switch (message) {
    case WM_INITDIALOG:
        if (GetPropA(form, prop::kInitialised)) return 0;
        SetPropA(form, prop::kInitialised, reinterpret_cast<HANDLE>(1));
        initialise(window);
        return 0;
    case WM_COMMAND:
        noteSourceChange(window, LOWORD(wParam), HIWORD(wParam));
        runMenuCommand(window, LOWORD(wParam), HIWORD(wParam) == 1);
        return 0;
    case WM_INITMENUPOPUP:
        UpdateToolsMenu(window, reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_SIZE:
        layOut(form, wParam);
        LayOutPoolStatus(form);
        return 0;
    case kDeliverCandidateMessage:
        if (window.session->deliverCandidate()) SoundCandidateShown(window.sound);
        return 0;
    case WM_TIMER:
        if (wParam == kPrizeRollTimer) TickPrizeRoll(window);
        return 0;
    case kClockTickMessage:
        SetDlgItemTextA(form, form1::kClock, TimeText().c_str());
        return 0;
    case kCountersMessage:
        // Answered through ReplyMessage: a dialog procedure's own result would
        // stick as the first DWLP_MSGRESULT ever stored.
        ReplyMessage(ReadCounter(wParam));
        return 0;
    default:
        return 0;
    }
}

LRESULT HandleStart(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!form) return 0;
    MainWindow& window = MainWindowOf(form);
    if (window.prizes.on) {
        StartPrizeRoll(window);
        return 0;
    }
    window.session->start();
    showFirstCandidate(form, *window.session, window.sound);
    return 0;
}

LRESULT HandleStop(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!form) return 0;
    MainWindow& window = MainWindowOf(form);
    if (window.prizes.on) {
        StopPrizeRoll(window);
        return 0;
    }
    window.session->stop();
    return 0;
}

LRESULT HandleClear(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (form) MainWindowOf(form).session->clearRecord();
    return 0;
}

LRESULT HandleClose(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    CloseForm(form);
    return 0;
}

LRESULT HandlePanelToggle(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!form) return 0;
    MainWindow& window = MainWindowOf(form);
    RECT r;
    GetWindowRect(form, &r);
    setOuterHeight(form, ToggledHeight(r.bottom - r.top, window.panelToggleCount));
    ++window.panelToggleCount;
    return 0;
}

LRESULT HandleEditFile(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    EditNameFile(nameFileList(form), gAppPaths.directory);
    return 0;
}

LRESULT HandleNewFile(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    NewNameFile(nameFileList(form));
    if (form) recountPool(MainWindowOf(form));
    return 0;
}

LRESULT HandleDeleteFile(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    DeleteNameFile(nameFileList(form), gAppPaths.directory);
    if (form) recountPool(MainWindowOf(form));
    return 0;
}

LRESULT HandleRefreshFiles(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    RefreshNameFiles(nameFileList(form), GetDlgItem(form, form1::kNamesBox), gAppPaths.directory);
    if (form) recountPool(MainWindowOf(form));
    return 0;
}

// Over the display, the picture or the record: the "工具" items, run as from
// the menu bar.
LRESULT HandleToolsContextMenu(HWND form, int id, intptr_t x, intptr_t y, intptr_t, intptr_t) {
    if (!form) return 0;
    MainWindow& window = MainWindowOf(form);
    HMENU popup = CreateToolsPopup(window);
    if (!popup) return 0;
    POINT at{static_cast<LONG>(x), static_cast<LONG>(y)};
    if (x == -1 && y == -1) {  // from the keyboard: at the control
        RECT r{};
        GetWindowRect(GetDlgItem(form, id), &r);
        at = POINT{r.left, r.top};
    }
    const int command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, form, nullptr);
    DestroyMenu(popup);
    if (command) runMenuCommand(window, command, false);
    return 1;  // the record's own edit menu does not follow
}
