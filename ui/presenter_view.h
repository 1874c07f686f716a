#pragma once
// The presenter view ("全屏展示"): a borderless window over one whole monitor
// (the projector's, when there is one) that shows the result display's text as
// large as it fits, over the background picture, and lets a presentation
// clicker start and stop draws.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/font_fit.h"

// The monitor the view covers, out of the monitors' rectangles: with two or
// more, the first that does not hold the main window (the one it overlaps
// most); otherwise the one there is. Empty rectangle for an empty list.
RECT ChoosePresenterMonitor(const std::vector<RECT>& monitors, const RECT& mainWindow);

// What a key pressed in the view does. Auto-repeat (bit 30 of keyData) does
// nothing, so that a held clicker button does not start and stop on its own.
enum class PresenterKey { None, PressButton, Close };
PresenterKey ClassifyPresenterKey(WPARAM key, LPARAM keyData);

// An open view: its window, buffers, font and text. The main window owns it
// through a slot of its own, which the view clears when its window goes
// (Esc or F11 in the view close it without the main window's doing).
struct PresenterView;

// Opens the view of FORM1 `form` into `slot`, or closes the one there
// ("全屏展示", F11).
void TogglePresenterView(PresenterView*& slot, HWND form);
void OpenPresenterView(PresenterView*& slot, HWND form);
void ClosePresenterView(PresenterView*& slot);
// The view's window, or nullptr when it is closed.
HWND PresenterViewWindow(const PresenterView* view);

// FORM1's display has changed: the view shows it before this returns, so that
// every candidate the display shows appears there in the same update. The
// background picture is taken again when it has changed.
void RefreshPresenterView(PresenterView* view, HWND form);

// The shown person's number and department (GBK), smaller under the name;
// "" for none. Taken at the next refresh, or at once when `form` is given.
void SetPresenterSubtitle(PresenterView* view, HWND form, const std::string& text);

// A prize batch: while one is set the view shows it, a title line over one
// slot per winner, instead of the display's text. Texts are GBK. While
// rolling, `slots` are the candidates of this moment, all different; at Stop
// the winners. An empty batch (no slots) returns the view to the display.
struct PresenterBatch {
    std::string title;               // "三等奖 · 保温杯 · 第2批"
    std::vector<std::string> slots;  // one name each
    bool rolling = false;
};
// Shows `batch` before this returns, as RefreshPresenterView does.
void ShowPresenterBatch(PresenterView* view, const PresenterBatch& batch);

// The view's window class. The properties it carries for checks from
// outside are in diagnostics.h.
extern const char* const kPresenterViewClass;
