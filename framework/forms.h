#pragma once
// Forms: dialog windows built from an in-memory template without controls,
// filled from the form definitions, shown with a polling modal loop.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/form_definition.h"

// The window (hidden, controls created, centred), or 0 for an unknown name or
// a failed creation. Mode 0 is a top-level form; modes 1 to 4 embed it in
// the owner.
HWND CreateForm(const std::string& formName, HWND owner, int mode);

// Shows the form and runs its loop until the window is destroyed. Returns the
// form's result value; 0 at once for form 0.
INT_PTR ShowFormModal(HWND form, HWND owner);

// Shows the form and returns at once.
void ShowFormModeless(HWND form);

// Asks the form to close: sent on the form's own thread, posted (result 0)
// from any other. 0 when the window does not exist.
LRESULT CloseForm(HWND form);

// Moves a window without resizing it. Mode 1: x, y relative to the work
// area; 2: centred on the work area of the owner's (or cursor's) monitor;
// 3 and 4: centred over the owner, kept inside the work area. Returns 1 for
// modes 1 to 4, 0 otherwise.
int PlaceWindow(HWND window, HWND owner, int mode);

// The work area of the owner's monitor, or of the cursor's when there is no
// owner and useCursor is set; the whole primary screen without the
// multi-monitor functions. monitor (optional) receives the monitor rectangle.
RECT GetMonitorWorkArea(HWND owner, bool useCursor, RECT* monitor = nullptr);

// The procedure that ShowFormModal attaches: the one registered for the
// form, the skeleton for any other defined form, none for an unknown name.
DLGPROC FormProcedureFor(const std::string& formName);
INT_PTR CALLBACK SkeletonFormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// Every form's dialog procedure: the form procedure first, then the
// runtime's own handling (SC_CLOSE ends the form).
INT_PTR CALLBACK RuntimeDialogProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// The upper-cased name in the form's ZQ_FRMN, empty when there is none.
std::string FormNameOf(HWND form);

// Builds the extended dialog template into buffer; returns its size in bytes.
// style and exStyle are the form's; the template's style follows from them.
size_t BuildDialogTemplate(unsigned char (&buffer)[512], DWORD style, DWORD exStyle, bool hasOwner, int x, int y,
                           bool boldFont);

// The menu bar with one pop-up per entry, built with InsertMenuItemA.
HMENU BuildMenuBar(const std::vector<MenuPopupDefinition>& popups);
