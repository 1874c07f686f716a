#pragma once
// FORM1, the main window: its procedure, its layout and the routing of its
// commands. What it owns is in main_window_state.h.
#include <windows.h>

// Posted by the roller's thread; FORM1 answers it by showing the candidate.
const UINT kDeliverCandidateMessage = WM_APP + 1;
// Posted by the clock thread once a second.
const UINT kClockTickMessage = WM_APP + 2;

INT_PTR CALLBACK MainWindowProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

struct MainWindow;
// The owner of FORM1 `form` (main_window_state.h), made the first time it is
// asked for, by the window's procedure or a handler, and freed with the window.
MainWindow& MainWindowOf(HWND form);

// Before FORM1 is first shown in the normal state: its lower panel collapsed
// and its controls laid out while it is hidden, so that it is painted once at
// the size and in the places it has when its initialisation ends; the
// initialisation then leaves the panel as it is. Other show commands
// (minimised, maximised) leave everything to the initialisation.
void PrepareMainWindow(HWND form, int showCommand);

// Where the resize rules put things, from FORM1's outer size W x H at the
// screen's DPI.
struct MainLayout {
    SIZE picture;    // 103
    SIZE frame;      // 106
    RECT statusBar;  // 105
    POINT contact;   // 125, when maximised
    POINT web;       // 126, when maximised
};
MainLayout ComputeMainLayout(int width, int height, int dpi = 96);
// The display's position centred on the picture box.
POINT CentreOn(const RECT& picture, SIZE display);
// The next outer height of the "模式切换>>" toggle.
int ToggledHeight(int height, int toggleCount);

// The DPI to lay out at so that a window of `design` outer pixels at 96 DPI,
// with its panel expanded, lies wholly in `work`: the screen's `dpi`, or the
// largest below it that fits. Never below 96, where the window is as drawn
// even if the screen is smaller still; a `dpi` of 96 or less is kept.
int FittedDpi(int dpi, SIZE design, SIZE work);

// Sets the framework's layout DPI for the main form, from the work area of
// the monitor it will open on. Call before the form is made.
void FitLayoutDpiToMainForm();
