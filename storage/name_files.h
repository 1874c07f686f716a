#pragma once
// Name files: the "*.txt" files listed in the file list (combo box 122) and
// the first one shown in the names box (edit box 131), plus the four buttons
// that edit, create, delete and re-list them. Files are listed from the
// current directory but read, edited and deleted in the program directory
// (which ends in one backslash).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The whole file as ANSI (GBK) text; "" when it cannot be opened (the error
// is recorded). A missing file is created empty. Text marked as UTF-8 or
// UTF-16, or unmarked text that is valid UTF-8 with a non-ASCII byte, is
// converted; anything else comes back as its bytes. Any thread may call it.
std::string LoadTextFile(const std::string& path);

// The selected item's text, "" when nothing is selected.
std::string SelectedNameFile(HWND list);

// Adds the current directory's "*.txt" names (at most 1000, in search order)
// to the emptied list and selects the first.
void FillNameFileList(HWND list);

// How much of the first file the names box shows: whole pieces up to this.
const std::size_t kNamesBoxBytes = 256 * 1024;

// Empties both controls, shows the first listed file in the names box (each
// CR-separated piece followed by LF CR) and fills the list.
void ListNameFiles(HWND list, HWND namesBox, const std::string& programDirectory);

// Moves one file to the recycle bin; the shell asks for confirmation. Refuses
// (without asking) a name with wildcards or longer than 259 bytes. The shell's
// result, or ERROR_INVALID_NAME when refused.
int32_t RecycleFile(const std::string& path);

// The buttons. Each returns once its work, including the editor, is done.
void EditNameFile(HWND list, const std::string& programDirectory);
void NewNameFile(HWND list);
void DeleteNameFile(HWND list, const std::string& programDirectory);
void RefreshNameFiles(HWND list, HWND namesBox, const std::string& programDirectory);
