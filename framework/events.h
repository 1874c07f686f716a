#pragma once
// Event dispatch: handlers live in "ZQ_EVENT,<message>,<code>" properties; a
// per-thread WH_CALLWNDPROC hook subclasses a window for exactly the one
// message that needs a handler or a colour, and releases every framework
// object of a window on WM_NCDESTROY.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/form_definition.h"

// 1, or 0 (nothing done) for a zero window, message or handler.
int AddControlEvent(HWND window, UINT message, int code, EventHandler handler);
// 1, or 0 for a zero window or message.
int RemoveControlEvent(HWND window, UINT message, int code);

// Only for WM_DESTROY and WM_NOTIFY: a callback the hook calls itself.
// A zero callback removes it. Returns 1, or 0 for any other message.
int SetCallbackEvent(HWND window, UINT message, int code, WNDPROC callback);

// Registers the form with its thread's hook, installing the hook with the
// first form. Returns the thread's new form count, 0 when nothing was done.
int InstallTaskHook(HWND form);

LRESULT CALLBACK TaskHookProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EventSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Every descendant of window, in EnumChildWindows order; returns the count.
int EnumChildList(HWND window, std::vector<HWND>& list);

// State of a thread's hook, for checks: form count (0 when there is no hook),
// the hook handle, and how many one-message subclasses the hook has made.
int TaskHookReferenceCount(DWORD threadId);
HHOOK TaskHookHandle(DWORD threadId);
unsigned long TaskHookSubclassCount();
