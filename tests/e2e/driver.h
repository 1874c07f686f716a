#pragma once
// Drives the real Tobrix.exe from outside, as a user would: starts it in a
// fresh program directory, finds its windows and controls, clicks, reads texts.
#include <windows.h>

#include <string>
#include <vector>

struct TobrixRun {
    PROCESS_INFORMATION process{};
    std::string directory;  // program directory, with a trailing backslash
    HWND form1 = nullptr;
};

// A new, empty program directory holding Tobrix.exe and the four pictures.
std::string MakeProgramDirectory(const std::string& tag, bool withPictures = true);

// Writes bytes to a file in the directory (name files, presets).
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// Starts the program; waits until FORM1 is visible. currentDirectory empty:
// the program directory. Returns false (and kills the process) on timeout.
bool LaunchTobrix(const std::string& directory, TobrixRun& run, DWORD timeoutMs = 30000,
                  const std::string& currentDirectory = "");

// Top-level visible window of the process with exactly this caption.
HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ControlText(HWND form, int id);
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
