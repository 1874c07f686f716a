#pragma once
// The main window's name files: the file list (combo box), the names box that
// shows the first listed file, and the four buttons that edit, create, delete
// and re-list them.
#include <windows.h>

#include <string>

// Empties both controls, shows the first listed file in the names box and
// fills the list, selecting its first item.
void ListNameFiles(HWND list, HWND namesBox, const std::string& programDirectory);
// Refills the list alone.
void FillNameFileList(HWND list);
std::string SelectedNameFile(HWND list);

// The buttons. Each returns once its work, including the editor, is done.
void EditNameFile(HWND list, const std::string& programDirectory);
void NewNameFile(HWND list);
void DeleteNameFile(HWND list, const std::string& programDirectory);
void RefreshNameFiles(HWND list, HWND namesBox, const std::string& programDirectory);
