#pragma once
// "导入名单..." and "粘贴名单": a roster from a workbook, a CSV or text file,
// or the clipboard, previewed in FORM7 and written beside the program as a
// name file, one person a line (name, then number and department after tabs).
#include <windows.h>

#include <string>

struct MainWindow;

// The open-file dialog, then the preview. Nothing is written unless the
// preview's OK writes it.
void ImportRosterFile(MainWindow& window);
// The clipboard's text as a tab-separated table, then the preview.
void PasteRoster(MainWindow& window);

// FORM7's procedure, registered with the framework.
INT_PTR CALLBACK RosterFormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

