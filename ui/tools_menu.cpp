#include "ui/tools_menu.h"

#include <commctrl.h>

#include <vector>

#include "engine/draw_pools.h"
#include "engine/draw_session.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "runtime/window_records.h"
#include "storage/name_files.h"
#include "storage/settings.h"
#include "ui/dpi.h"
#include "ui/forms/definitions.h"
#include "ui/ids.h"
#include "ui/main_window_state.h"
#include "ui/presenter_view.h"
#include "ui/record_export.h"
#include "ui/sound.h"

namespace {

std::string programFile(const char* name) { return std::string(gAppPaths.directory) + name; }

void saveOptions(const MainWindow& window) {
    // An unwritable folder keeps the options for this session only.
    SaveOptions(programFile(kOptionsFileName),
                Options{window.session->noRepeatsOn(), window.sound.on, window.prizes.on});
}

// The pools file as it is on disk; "" when it is missing or unreadable. A
// corrupt file reads as drawn sets the parser cannot take, that is, full pools.
std::string readPoolsFile() {
    // Far past anything the program writes: a bigger file is not ours.
    return ReadKeptFile(programFile(kPoolsFileName), 256LL << 20);
}

bool isEditControl(HWND window) {
    char className[16] = {};
    return window && GetClassNameA(window, className, sizeof className) && lstrcmpiA(className, "Edit") == 0;
}

const MenuPopupDefinition* toolsPopupDefinition() {
    static FormDefinition form;
    if (!form.menu && !GetFormDefinition(kMainFormName, form)) return nullptr;
    return form.menu && !form.menu->empty() ? &form.menu->back() : nullptr;
}

void layOutParts(HWND form) {
    HWND bar = GetDlgItem(form, form1::kStatusBar);
    RECT client{};
    GetClientRect(bar, &client);
    // A prize round's status names tiers and says why a batch fell short:
    // it gets what the date leaves.
    const MainWindow* window = FindMainWindow(form);
    const bool wide = window && window->prizes.on;
    int parts[2] = {wide ? ScaleToDpi(200, LayoutDpi()) : client.right - ScaleToDpi(160, LayoutDpi()), -1};
    if (parts[0] < 0) parts[0] = 0;
    SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

}  // namespace

void InitialiseTools(MainWindow& window) {
    HWND form = window.form;
    DrawSession& session = *window.session;
    static const ACCEL shortcuts[] = {
        {FVIRTKEY, VK_F11, menu::kPresenterView},
        {FVIRTKEY | FCONTROL, 'Z', menu::kTakeBack},
        {FVIRTKEY | FCONTROL, 'S', menu::kExportRecord},
    };
    WindowRecord record;
    if (FindWindowRecord(form, record) && !record.accelerators) {
        record.accelerators = CreateAcceleratorTableA(const_cast<ACCEL*>(shortcuts), 3);
        UpdateWindowRecord(record);
    }
    const Options options = LoadOptions(programFile(kOptionsFileName));
    SetSoundOn(window.sound, options.sound);
    session.loadPools(ParsePools(readPoolsFile()));
    if (options.noRepeats) session.setNoRepeats(true);
    InitialisePrizeRounds(window, options.prizeRounds);
}

void ToggleNoRepeats(MainWindow& window) {
    DrawSession& session = *window.session;
    session.setNoRepeats(!session.noRepeatsOn());
    saveOptions(window);
}

void ResetPool(MainWindow& window) {
    window.session->resetPool();
    OfferPrizeReset(window);
}

void TakeBackLast(MainWindow& window, bool fromShortcut) {
    if (fromShortcut && isEditControl(GetFocus())) {
        SendMessageA(GetFocus(), WM_UNDO, 0, 0);
        return;
    }
    // With prize rounds on, the latest batch goes as a whole.
    if (!TakeBackPrizeBatch(window)) window.session->takeBack();
}

void VoidLast(MainWindow& window) {
    if (!VoidPrizeBatch(window)) window.session->voidLast();
}

void ExportResults(MainWindow& window) { ExportRecord(window.form, ResultsWithPrizes(window), gAppPaths.directory); }

void CopyResults(MainWindow& window) { CopyRecord(window.form, ResultsWithPrizes(window)); }

void ToggleRounds(MainWindow& window) {
    TogglePrizeRounds(window);
    saveOptions(window);
}

void ToggleSound(MainWindow& window) {
    SetSoundOn(window.sound, !window.sound.on);
    saveOptions(window);
}

void UpdateToolsMenu(const MainWindow& window, HMENU popup) {
    const DrawSession& session = *window.session;
    CheckMenuItem(popup, menu::kNoRepeats, MF_BYCOMMAND | (session.noRepeatsOn() ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, menu::kSound, MF_BYCOMMAND | (window.sound.on ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, menu::kPresenterView,
                  MF_BYCOMMAND | (PresenterViewWindow(window.presenter) ? MF_CHECKED : MF_UNCHECKED));
    const bool takeBack = session.canTakeBack() || CanTakeBackPrizeBatch(window);
    const bool voidLast = session.canVoidLast() || CanVoidPrizeBatch(window);
    EnableMenuItem(popup, menu::kTakeBack, MF_BYCOMMAND | (takeBack ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup, menu::kVoidLast, MF_BYCOMMAND | (voidLast ? MF_ENABLED : MF_GRAYED));
    // Prize rounds
    CheckMenuItem(popup, menu::kPrizeRounds, MF_BYCOMMAND | (window.prizes.on ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(popup, menu::kRedrawWinner, MF_BYCOMMAND | (CanRedrawWinner(window) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup, menu::kResetPool,
                   MF_BYCOMMAND | (session.rolling() || window.prizes.rolling ? MF_GRAYED : MF_ENABLED));
}

HMENU CreateToolsPopup(const MainWindow& window) {
    const MenuPopupDefinition* tools = toolsPopupDefinition();
    if (!tools) return nullptr;
    HMENU popup = CreatePopupMenu();
    for (const MenuItemDefinition& item : tools->items) {
        AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(item.commandId), item.text);
    }
    UpdateToolsMenu(window, popup);
    return popup;
}

void SavePools(const DrawSession& session) {
    WriteFileReplacing(programFile(kPoolsFileName), SerializePools(session.drawnPools()));
}

void ShowPoolStatus(HWND form, const std::string& text) {
    HWND bar = GetDlgItem(form, form1::kStatusBar);
    if (text.empty()) {
        // One part, as the status bar has always had.
        if (SendMessageA(bar, SB_GETPARTS, 0, 0) > 1) {
            int whole = -1;
            SendMessageA(bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
        }
        return;
    }
    layOutParts(form);
    SendMessageA(bar, SB_SETTEXTA, 1 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
}

void LayOutPoolStatus(HWND form) {
    // Only while the count is shown; otherwise the bar keeps its one part.
    if (SendDlgItemMessageA(form, form1::kStatusBar, SB_GETPARTS, 0, 0) > 1) layOutParts(form);
}
