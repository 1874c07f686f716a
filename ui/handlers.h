#pragma once
// The event handlers that the form definitions register, one per event entry.
#include <windows.h>

#include <cstdint>

// FORM1
LRESULT HandleStart(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleStop(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandlePanelToggle(HWND form, int id, intptr_t label, intptr_t x, intptr_t y, intptr_t);
LRESULT HandleEditFile(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleNewFile(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleDeleteFile(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleRefreshFiles(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleClose(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleClear(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandleContactLabel(HWND form, int id, intptr_t x, intptr_t y, intptr_t, intptr_t);
LRESULT HandleWebLabel(HWND form, int id, intptr_t label, intptr_t x, intptr_t y, intptr_t);
LRESULT HandleToolsContextMenu(HWND form, int id, intptr_t x, intptr_t y, intptr_t, intptr_t);
// FORM2
LRESULT HandleAccessCode(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
// FORM3
LRESULT HandlePresetCancel(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
LRESULT HandlePresetSave(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
// FORM5
LRESULT HandleAboutLink(HWND form, int id, intptr_t, intptr_t, intptr_t, intptr_t);
