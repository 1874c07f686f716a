#pragma once
// Drives the real Tobrix.exe from outside, as a user would: starts it in a
// fresh program directory, finds its windows and controls, clicks, reads texts.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ids.h"  // the control and command numbers the driver takes

struct TobrixRun {
    PROCESS_INFORMATION process{};
    std::string directory;  // program directory, with a trailing backslash
    HWND form1 = nullptr;
};

// A new, empty program directory holding Tobrix.exe and the four pictures.
std::string MakeProgramDirectory(const std::string& tag, bool withPictures = true);
// The same under another parent directory (with its trailing backslash).
std::string MakeProgramDirectoryUnder(const std::string& parent, const std::string& tag,
                                      bool withPictures = true);

// Makes a directory and everything in it unchangeable, for root too (the
// Linux immutable attribute, set by running chattr natively), or changeable
// again. Returns whether creating a file in it now fails or succeeds as asked.
// Undo it before removing the directory.
bool SetDirectoryImmutable(const std::string& directory, bool immutable);

// Deletes the files of a program directory and the directory itself.
void RemoveProgramDirectory(const std::string& directory);

// Writes bytes to a file in the directory (name files, presets).
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// Starts the program; waits until FORM1 is visible. currentDirectory empty:
// the program directory. Returns false (and kills the process) on timeout.
bool LaunchTobrix(const std::string& directory, TobrixRun& run, DWORD timeoutMs = 30000,
                  const std::string& currentDirectory = "");

// Top-level visible window of the process with exactly this caption: there
// now, or once it comes within the time.
HWND FindVisibleWindow(DWORD processId, const std::string& caption);
HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ControlText(HWND form, int id);
// At most the first maxBytes bytes of a control's text (for very long texts).
std::string ControlTextPrefix(HWND form, int id, int maxBytes);
void SetControlText(HWND form, int id, const std::string& text);
bool ControlEnabled(HWND form, int id);
bool ControlVisible(HWND form, int id);
RECT ControlRectInClient(HWND form, int id);

// Clicks are posted: a handler that opens a modal window must not block the test.
void PostClick(HWND form, int id);
// A click that returns only when the program has handled it.
void SendClick(HWND form, int id);
void PostMenuCommand(HWND form, int commandId);
void SendMenuCommand(HWND form, int commandId);

// Items of a combo box of another process (read as UTF-16 and converted, since
// an ANSI cross-process CB_GETLBTEXT comes back in the wrong encoding).
std::vector<std::string> ComboItems(HWND form, int id);
int ComboSelection(HWND form, int id);

// The text of a message box's static text.
std::string MessageBoxText(HWND box);
// Presses the box's first button.
void DismissMessageBox(HWND box);

// Waits until the text of a control satisfies a predicate, or times out.
bool WaitForText(HWND form, int id, bool (*accept)(const std::string&), DWORD timeoutMs,
                 std::string* last = nullptr);

// Waits for the process to end; returns its exit code, or STILL_ACTIVE.
DWORD WaitForExit(TobrixRun& run, DWORD timeoutMs);
// Ends the process if it is still running and releases the handles.
void EndTobrix(TobrixRun& run);

// Pumps this thread's messages for a while (Sleep would stall any window we own).
void PumpFor(DWORD ms);

// Outer size of a window, frame and caption included.
SIZE OuterSize(HWND window);

// A section of FORM1's status bar (0, the first; "" for one it does not
// have). SB_GETTEXT carries a pointer that is not marshalled between
// processes, so the text goes through a buffer allocated in the program's own
// memory.
std::string StatusBarText(const TobrixRun& run, int part = 0);
// How many sections FORM1's status bar has.
int StatusBarParts(HWND form);
// The drawing flags of part 0 (SBT_NOBORDERS and so on).
UINT StatusBarFlags(HWND form);

// A visible top-level window of the process with this caption and the dialog
// class, as MessageBoxA creates it.
HWND WaitForMessageBox(DWORD processId, const std::string& caption, DWORD timeoutMs);
// Presses a button of a dialog by its ID (posted: the box closes on its own time).
void PressDialogButton(HWND dialog, int id);
// True once the window is gone or hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// Visible top-level windows of a process (0: of every process).
std::vector<HWND> TopLevelWindows(DWORD processId);
std::string WindowClass(HWND window);
// A visible top-level window of this class that is not in `known`.
HWND WaitForNewWindowOfClass(const std::string& className, const std::vector<HWND>& known,
                             DWORD timeoutMs);
// True once the window is enabled or disabled as asked: a modal form or box
// shows a moment before its owner is disabled, and goes a moment before the
// owner is enabled again.
bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs);
// The window's thread answers a message within the time.
bool Responds(HWND window, DWORD timeoutMs);

// The left button pressed over a label, as the system reports it to the label.
void SendLabelPress(HWND form, int id);
// A real press and release of the left mouse button at the middle of a control.
void MouseClickControl(HWND form, int id);

// Colour on the screen at a point of a window's client area.
COLORREF ScreenPixelInClient(HWND form, POINT clientPoint);
// Invalidates a window and its children so that they repaint from scratch.
void ForceRepaint(HWND window);

// The "*.txt" files the program lists, in the order the file system gives.
std::vector<std::string> TxtFilesInSearchOrder(const std::string& dir);
