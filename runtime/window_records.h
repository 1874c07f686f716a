#pragma once
// The runtime's record of every form and control that the form framework
// creates. Any thread may look a window up; only the UI thread adds and
// removes, but the list is locked anyway because lookups come from workers.
#include <windows.h>

enum WindowRecordFlags : unsigned {
    WindowShown = 1,    // has been shown once
    WindowModal = 2,    // running in ShowFormModal's loop
    WindowIsForm = 4,   // a form; otherwise a control
};

enum WindowUnitMode { UnitPixels = 0, UnitDialog = 1 };

struct WindowRecord {
    HWND window = nullptr;
    HWND owner = nullptr;  // owner of a form, parent of a control
    unsigned flags = 0;
    int showCommand = SW_SHOW;    // for the first show
    DLGPROC formProcedure = nullptr;
    INT_PTR result = 0;           // the form's result value
    INT_PTR* resultTarget = nullptr;  // where ending the form stores the result
    HACCEL accelerators = nullptr;
    HFONT dialogFont = nullptr;
    DWORD style = 0;
    int unitMode = UnitPixels;
    int controlKind = 0;
};

// Adds or, for a window already recorded, replaces (window handles are reused).
void AddWindowRecord(const WindowRecord& record);

// Copies the record out; false when the window has none.
bool FindWindowRecord(HWND window, WindowRecord& out);

// Writes back a record that FindWindowRecord returned; false when it is gone.
bool UpdateWindowRecord(const WindowRecord& record);

// Removes the window's record and the records of controls whose parent it is.
// Returns false when the window had no record.
bool RemoveWindowRecord(HWND window);

// Number of records, for leak checks.
int CountWindowRecords();
