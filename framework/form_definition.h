#pragma once
// What a form and its controls are made of, as plain data. The program
// describes its forms in these terms and registers them (form_registry.h);
// the framework turns them into windows without knowing any form by name.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Every handler receives the form window and the control ID first; the
// further arguments depend on the message, and unused ones are 0.
typedef LRESULT (*EventHandler)(HWND form, int id, intptr_t a, intptr_t b, intptr_t c, intptr_t d);

struct ControlEventEntry {
    UINT message = 0;  // 0 ends an event list
    int code = 0;      // sub-code that narrows the message; 0 = any
    EventHandler handler = nullptr;
};

struct MenuItemDefinition {
    const char* text;
    int commandId;
};

struct MenuPopupDefinition {
    const char* text;
    std::vector<MenuItemDefinition> items;
};

struct FormDefinition {
    std::string name;  // trimmed and upper-cased
    std::string caption;
    int x = 0, y = 0, width = 0, height = 0;  // twips; outer window size
    int clientWidth = 0, clientHeight = 0;    // twips; used only when both are positive
    DWORD style = 0;
    DWORD exStyle = 0;
    int32_t backColor = -1;                       // COLORREF, -1 = none
    const std::vector<MenuPopupDefinition>* menu = nullptr;  // FORM1 only
};

struct ControlDefinition {
    std::string className;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;  // twips, relative to the form's client area
    DWORD style = 0;                          // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN added by the lookup
    DWORD exStyle = 0;
    int32_t backColor = -1;
    int32_t foreColor = -1;
    std::string fontFace;  // at most 59 bytes
    float fontSize = 0;    // points
    bool bold = false, italic = false, underline = false, strikeOut = false;
    TIMERPROC timerCallback = nullptr;
    int timerInterval = 0;  // for "Button": a non-zero value is a replacement control ID
    DWORD helpContextId = 0;
    HCURSOR hoverCursor = nullptr;
    std::string tag;
    std::vector<ControlEventEntry> events;
};
