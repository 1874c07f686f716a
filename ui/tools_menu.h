#pragma once
// The "工具" menu: its commands from the menu bar, the context menu over the
// display, the picture and the record, and the shortcuts F11, Ctrl+Z and
// Ctrl+S; the two remembered options and the pools file.
#include <windows.h>

#include <cstdint>
#include <string>

struct DrawSession;

// Next to the program; not "*.txt", which would be listed as a name file.
constexpr char kPoolsFileName[] = "tobrix-pools.dat";

// At start-up: the shortcuts, the remembered options and the saved pools.
void InitialiseTools(HWND form, DrawSession& session);
// Runs a "工具" command; false for any other command.
bool RunToolsCommand(HWND form, int command, bool fromShortcut);
// Check marks and enabled items of a "工具" pop-up before it shows.
void UpdateToolsMenu(HWND form, HMENU popup);
// Writes the drawn sets beside the program, whole or not at all.
void SavePools(const DrawSession& session);
// "剩余 N/M" in a second part of the status bar; "" removes that part.
void ShowPoolStatus(HWND form, const std::string& text);
// Keeps the status bar's parts in step with its width.
void LayOutPoolStatus(HWND form);

// WM_CONTEXTMENU over the display, the picture or the record.
LRESULT HandleToolsContextMenu(HWND form, int id, intptr_t x, intptr_t y, intptr_t, intptr_t);
