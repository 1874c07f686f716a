#pragma once
// FORM1, the main window: its procedure and the draw it runs.
#include <windows.h>

struct DrawSession;

// The forms' window handles, so that any handler reaches any form's controls.
struct AppForms {
    HWND form1 = nullptr;
    HWND form2 = nullptr;
    HWND form3 = nullptr;
    HWND form5 = nullptr;
};
extern AppForms gForms;

// Posted by the roller's thread; FORM1 answers it by showing the candidate.
const UINT kDeliverCandidateMessage = WM_APP + 1;

INT_PTR CALLBACK MainWindowProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// The draw of the main window `form`, created on first use.
DrawSession& MainDrawSession(HWND form);
