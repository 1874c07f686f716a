// FORM6, the prize editor, and FORM8, the 补抽 list: one procedure each, a
// switch handing every command to a function named for it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/prizes.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "ui/ids.h"
#include "ui/main_window_state.h"
#include "ui/prize_round_commands.h"
#include "ui/record_export.h"

namespace {

// A tier as typed: kept as text, so that a refused value stays as it was.
struct TierTexts {
    std::string name, prize, count, perBatch;
    bool repeat = false;
};

struct PrizeEditor {
    std::vector<TierTexts> tiers;
    int selected = -1;
};

const char kEditorProperty[] = "TobrixPrizeEditor";

PrizeEditor* editorOf(HWND form) { return static_cast<PrizeEditor*>(GetPropA(form, kEditorProperty)); }

void showNotice(const std::string& text) { ShowMessage(text, "提示", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND); }

std::string fieldText(HWND form, int id) { return ControlText(form, id); }

void setField(HWND form, int id, const std::string& text) { SetDlgItemTextA(form, id, text.c_str()); }

TierTexts textsOf(const PrizeTier& tier) {
    TierTexts texts;
    texts.name = tier.name;
    texts.prize = tier.prize;
    texts.count = std::to_string(tier.count);
    texts.perBatch = tier.perBatch > 0 ? std::to_string(tier.perBatch) : std::string();
    texts.repeat = tier.allowRepeat;
    return texts;
}

void fillList(HWND form, const PrizeEditor& editor) {
    HWND list = GetDlgItem(form, form6::kTierList);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const TierTexts& tier : editor.tiers)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(tier.name.c_str()));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(editor.selected), 0);
}

void showFields(HWND form, const PrizeEditor& editor) {
    const bool any = editor.selected >= 0;
    const TierTexts empty;
    const TierTexts& tier = any ? editor.tiers[static_cast<size_t>(editor.selected)] : empty;
    setField(form, form6::kName, tier.name);
    setField(form, form6::kPrize, tier.prize);
    setField(form, form6::kCount, tier.count);
    setField(form, form6::kPerBatch, tier.perBatch);
    CheckDlgButton(form, form6::kRepeat, tier.repeat ? BST_CHECKED : BST_UNCHECKED);
    const int fields[] = {form6::kName, form6::kPrize, form6::kCount, form6::kPerBatch, form6::kRepeat,
                          form6::kDelete, form6::kMoveUp, form6::kMoveDown};
    for (int id : fields) EnableWindow(GetDlgItem(form, id), any);
}

// The first field of `texts` that would be refused: its message and control.
bool findRefusal(const TierTexts& texts, std::string& why, int& control) {
    const struct {
        PrizeField field;
        const std::string* text;
        int id;
    } checks[] = {
        {PrizeField::Name, &texts.name, form6::kName},
        {PrizeField::Prize, &texts.prize, form6::kPrize},
        {PrizeField::Count, &texts.count, form6::kCount},
        {PrizeField::PerBatch, &texts.perBatch, form6::kPerBatch},
    };
    for (const auto& check : checks) {
        why = CheckPrizeField(check.field, *check.text);
        control = check.id;
        if (!why.empty()) return true;
    }
    return false;
}

// Takes the fields into the selected tier. A value refused is named, its
// field keeps what was typed and gets the focus, and false stops whatever
// was to follow.
bool commitFields(HWND form, PrizeEditor& editor) {
    if (editor.selected < 0) return true;
    TierTexts& tier = editor.tiers[static_cast<size_t>(editor.selected)];
    tier.name = fieldText(form, form6::kName);
    tier.prize = fieldText(form, form6::kPrize);
    tier.count = fieldText(form, form6::kCount);
    tier.perBatch = fieldText(form, form6::kPerBatch);
    tier.repeat = IsDlgButtonChecked(form, form6::kRepeat) == BST_CHECKED;
    std::string why;
    int control = 0;
    if (findRefusal(tier, why, control)) {
        SendDlgItemMessageA(form, form6::kTierList, LB_SETCURSEL, static_cast<WPARAM>(editor.selected), 0);
        showNotice(why);
        SetFocus(GetDlgItem(form, control));
        return false;
    }
    // The list shows the name as typed.
    HWND list = GetDlgItem(form, form6::kTierList);
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(editor.selected), 0);
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(editor.selected),
                 reinterpret_cast<LPARAM>(StrTrim(tier.name).c_str()));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(editor.selected), 0);
    return true;
}

void select(HWND form, PrizeEditor& editor, int index) {
    editor.selected = editor.tiers.empty() ? -1 : std::max(0, std::min(index, int(editor.tiers.size()) - 1));
    fillList(form, editor);
    showFields(form, editor);
}

int32_t countOf(const std::string& text) { return static_cast<int32_t>(atoi(StrTrim(text).c_str())); }

void initialiseEditor(HWND form) {
    auto* editor = new PrizeEditor;
    SetPropA(form, kEditorProperty, editor);
    const PrizeList list = LoadPrizeTiers();
    for (const PrizeTier& tier : list.tiers) editor->tiers.push_back(textsOf(tier));
    std::string leftOut;
    for (const std::string& line : list.leftOut) leftOut += (leftOut.empty() ? "未用：" : "\r\n") + line;
    setField(form, form6::kLeftOut, leftOut);
    select(form, *editor, 0);
}

void selectionChanged(HWND form, PrizeEditor& editor) {
    const int chosen = static_cast<int>(SendDlgItemMessageA(form, form6::kTierList, LB_GETCURSEL, 0, 0));
    if (chosen == editor.selected || chosen < 0) return;
    if (!commitFields(form, editor)) return;
    select(form, editor, chosen);
}

void addTier(HWND form, PrizeEditor& editor) {
    if (!commitFields(form, editor)) return;
    if (editor.tiers.size() >= kMaxPrizeTiers) {
        showNotice("奖项最多" + std::to_string(kMaxPrizeTiers) + "个");
        return;
    }
    TierTexts tier;
    tier.name = "奖项" + std::to_string(editor.tiers.size() + 1);
    tier.count = "1";
    editor.tiers.push_back(tier);
    select(form, editor, int(editor.tiers.size()) - 1);
    SetFocus(GetDlgItem(form, form6::kName));
}

void deleteTier(HWND form, PrizeEditor& editor) {
    if (editor.selected < 0) return;
    editor.tiers.erase(editor.tiers.begin() + editor.selected);
    select(form, editor, editor.selected);
}

void moveTier(HWND form, PrizeEditor& editor, int step) {
    const int to = editor.selected + step;
    if (editor.selected < 0 || to < 0 || to >= int(editor.tiers.size())) return;
    if (!commitFields(form, editor)) return;
    std::swap(editor.tiers[size_t(editor.selected)], editor.tiers[size_t(to)]);
    select(form, editor, to);
}

void saveTiers(HWND form, PrizeEditor& editor) {
    if (!commitFields(form, editor)) return;
    std::vector<PrizeTier> tiers;
    for (size_t i = 0; i < editor.tiers.size(); ++i) {
        const TierTexts& texts = editor.tiers[i];
        std::string why;
        int control = 0;
        if (findRefusal(texts, why, control)) {
            select(form, editor, int(i));
            showNotice(why);
            SetFocus(GetDlgItem(form, control));
            return;
        }
        PrizeTier tier;
        tier.name = StrTrim(texts.name);
        tier.prize = StrTrim(texts.prize);
        tier.count = countOf(texts.count);
        tier.perBatch = StrTrim(texts.perBatch).empty() ? 0 : countOf(texts.perBatch);
        tier.allowRepeat = texts.repeat;
        tiers.push_back(tier);
    }
    if (!WriteFileReplacing(std::string(gAppPaths.directory) + kPrizesFileName, SerializePrizes(tiers))) {
        showNotice("奖项设置未能保存");
        return;
    }
    if (MainWindow* window = FindMainWindow(form)) TakeSavedTiers(*window);
    CloseForm(form);
}

void editorCommand(HWND form, int id, int code) {
    PrizeEditor* editor = editorOf(form);
    if (!editor) return;
    // The buttons also report focus changes, which a notice box would cause
    // again: clicks only.
    if (id != form6::kTierList && code != BN_CLICKED) return;
    switch (id) {
    case form6::kTierList:
        if (code == LBN_SELCHANGE) selectionChanged(form, *editor);
        break;
    case form6::kAdd: addTier(form, *editor); break;
    case form6::kDelete: deleteTier(form, *editor); break;
    case form6::kMoveUp: moveTier(form, *editor, -1); break;
    case form6::kMoveDown: moveTier(form, *editor, 1); break;
    case form6::kOk: saveTiers(form, *editor); break;
    case form6::kCancel: CloseForm(form); break;
    default: break;
    }
}

// ---- FORM8 ----

void initialiseRedrawList(HWND form) {
    MainWindow* window = FindMainWindow(form);
    if (!window) return;
    HWND list = GetDlgItem(form, form8::kWinnerList);
    for (const std::string& name : window->prizes.redrawNames)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void chooseRedraw(HWND form) {
    const int chosen = static_cast<int>(SendDlgItemMessageA(form, form8::kWinnerList, LB_GETCURSEL, 0, 0));
    if (chosen < 0) return;
    if (MainWindow* window = FindMainWindow(form)) ChooseRedrawWinner(*window, static_cast<size_t>(chosen));
    CloseForm(form);
}

}  // namespace

INT_PTR CALLBACK PrizeEditorProcedure(HWND form, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (!editorOf(form)) initialiseEditor(form);
        return 0;
    case WM_COMMAND:
        editorCommand(form, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NCDESTROY:
        delete static_cast<PrizeEditor*>(RemovePropA(form, kEditorProperty));
        return 0;
    default:
        return 0;
    }
}

INT_PTR CALLBACK RedrawFormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (SendDlgItemMessageA(form, form8::kWinnerList, LB_GETCOUNT, 0, 0) == 0) initialiseRedrawList(form);
        return 0;
    case WM_COMMAND:
        if ((LOWORD(wParam) == form8::kOk && HIWORD(wParam) == BN_CLICKED) ||
            (LOWORD(wParam) == form8::kWinnerList && HIWORD(wParam) == LBN_DBLCLK)) {
            chooseRedraw(form);
        } else if (LOWORD(wParam) == form8::kCancel && HIWORD(wParam) == BN_CLICKED) {
            CloseForm(form);
        }
        return 0;
    default:
        return 0;
    }
}
