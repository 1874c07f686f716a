#pragma once
// Which of the framework's window properties a window may carry, kept in the
// process. The properties stay where they are; the index only tells the event
// hook where asking for one is pointless. Under Wine each GetPropA is a round
// trip to the server, and the hook would ask on every paint, colour request,
// focus change and command of every control.
//
// It answers "may" and never "has": a window is noted when the framework sets
// such a property on it and forgotten when it is destroyed, so a "no" is
// certain and a "yes" still needs the property itself.
#include <windows.h>

// An event or callback property for `message` (any notification code).
void NoteEventProperty(HWND window, UINT message);
// A colour property: back colour, erase colour or fore colour.
void NoteColourProperty(HWND window);

bool MayHaveEventProperty(HWND window, UINT message);
bool MayHaveColourProperty(HWND window);

// The window is gone; a later window given the same handle starts unnoted.
void ForgetWindowProperties(HWND window);
