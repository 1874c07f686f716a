#pragma once
// The "工具" menu's commands (from the menu bar, the context menu over the
// display, the picture and the record, and the shortcuts F11, Ctrl+Z and
// Ctrl+S), the two remembered options and the pools file.
#include <windows.h>

#include <string>

struct DrawSession;
struct MainWindow;

// Next to the program; not "*.txt", which would be listed as a name file.
constexpr char kPoolsFileName[] = "tobrix-pools.dat";

// At start-up: the shortcuts, the remembered options and the saved pools.
void InitialiseTools(MainWindow& window);

// The commands, one each.
void ToggleNoRepeats(MainWindow& window);
void ResetPool(MainWindow& window);
// Ctrl+Z in an edit field is the field's own undo.
void TakeBackLast(MainWindow& window, bool fromShortcut);
void VoidLast(MainWindow& window);
void ExportResults(MainWindow& window);
void CopyResults(MainWindow& window);
void ToggleSound(MainWindow& window);
// "按奖项抽取", remembered like the other options.
void ToggleRounds(MainWindow& window);

// Check marks and enabled items of a "工具" pop-up before it shows.
void UpdateToolsMenu(const MainWindow& window, HMENU popup);
// The "工具" items as a pop-up menu of their own, checked and enabled as
// they stand; nullptr when the form definition has none.
HMENU CreateToolsPopup(const MainWindow& window);

// Writes the drawn sets beside the program, whole or not at all.
void SavePools(const DrawSession& session);
// "剩余 N/M" in a second part of the status bar; "" removes that part.
void ShowPoolStatus(HWND form, const std::string& text);
// Keeps the status bar's parts in step with its width.
void LayOutPoolStatus(HWND form);
