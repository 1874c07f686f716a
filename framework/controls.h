#pragma once
// Controls from their definitions, and the colours, fonts and tags they carry
// in "ZQ_" window properties (released by the event hook on WM_NCDESTROY).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Creates every control of the form, IDs 100, 101, ... up to the first
// missing one. Returns 1.
int CreateFormControls(const std::string& formName, HWND form);

// A window's whole text; "" for no window or no text.
std::string WindowText(HWND window);
// The text of the control `id` of `form`.
std::string ControlText(HWND form, int id);
// The selected item of a combo box, "" when nothing is selected.
std::string SelectedComboText(HWND combo);

// The DPI forms are laid out at: the screen's logical DPI unless another was
// set (the program sets a smaller one where its main window would not fit).
int LayoutDpi();
// Takes effect for what is made afterwards; 0 returns to the screen's DPI.
void SetLayoutDpi(int dpi);

// Twips to pixels at the layout DPI, in place, ties to even.
// Every caller passes window 0 (pixel units).
void TwipsToPixels(HWND window, int& x, int& y, int& width, int& height);

// Target: GetDlgItem(window, id), or the window itself for id 0. Colours are
// RGB, 0x01000000 | system colour index, or -1; anything else counts as -1.
void SetControlColors(HWND window, int id, int32_t backColor, int32_t foreColor);

// Font of `size` points at dc's DPI (the layout DPI without one); 0 for an empty face.
HFONT MakeFont(HDC dc, const std::string& face, float size, int weight, bool italic, bool underline,
               bool strikeOut);

// Returns 1, or 0 when the target does not exist.
int SetControlFont(HWND window, int id, const std::string& face, float size, bool bold, bool italic,
                   bool underline, bool strikeOut);

// Stores a counted copy of text in ZQ_TAG; an empty text removes it.
// Returns 1, or 0 when the target does not exist or memory runs out.
int SetControlTag(HWND window, int id, const std::string& text);

// A stored colour as a COLORREF: system references resolved, -1 stays -1.
int32_t ResolveColor(int32_t color);

// Process-heap blocks of the framework: max(n + 1, 16) zero-filled bytes,
// nothing for n = 0. Freed only when HeapSize reports a positive size.
void* FrameworkHeapAlloc(std::size_t n);
void FrameworkHeapFree(void* block);
// Blocks allocated and not yet freed, for leak checks.
long FrameworkHeapBlockCount();

// The target of a property operation; 0 when there is none.
HWND ResolveTarget(HWND window, int id);
