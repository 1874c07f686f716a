#include "framework/controls.h"

#include <commctrl.h>

#include <cmath>
#include <cstring>

#include "framework/app_paths.h"
#include "framework/events.h"
#include "framework/form_registry.h"
#include "framework/property_index.h"
#include "runtime/numbers.h"
#include "runtime/startup_trace.h"
#include "runtime/strings.h"
#include "runtime/window_records.h"
#include "framework/property_names.h"

namespace {

float twipsPerPixelX = 0;
float twipsPerPixelY = 0;
int chosenLayoutDpi = 0;  // 0: the screen's
volatile LONG liveHeapBlocks = 0;

HANDLE colorValue(int32_t color) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(static_cast<uint32_t>(color + 1))); }

// RGB and system references pass, anything else is no colour.
int32_t acceptColor(int32_t color) {
    uint32_t high = static_cast<uint32_t>(color) >> 24;
    return high == 0 || high == 1 ? color : -1;
}

bool classIs(const std::string& cls, const char* name) { return lstrcmpiA(cls.c_str(), name) == 0; }

std::string classOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return StrTrim(name);
}

}  // namespace

void* FrameworkHeapAlloc(std::size_t n) {
    if (n == 0) return nullptr;
    std::size_t size = n + 1 < 16 ? 16 : n + 1;
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (block) InterlockedIncrement(&liveHeapBlocks);
    return block;
}

void FrameworkHeapFree(void* block) {
    if (!block) return;
    SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
    if (size == static_cast<SIZE_T>(-1) || size == 0) return;
    if (HeapFree(GetProcessHeap(), 0, block)) InterlockedDecrement(&liveHeapBlocks);
}

long FrameworkHeapBlockCount() { return liveHeapBlocks; }

HWND ResolveTarget(HWND window, int id) {
    if (!window) return nullptr;
    HWND target = id ? GetDlgItem(window, id) : window;
    return target && IsWindow(target) ? target : nullptr;
}

int32_t ResolveColor(int32_t color) {
    uint32_t high = static_cast<uint32_t>(color) >> 24;
    if (high == 1) return static_cast<int32_t>(GetSysColor(color & 0xFF));
    return high == 0 ? color : -1;
}

namespace {

int screenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// The dialog manager made the form's font at the screen's DPI; at another
// layout DPI the controls get a copy in proportion, which the form keeps in
// ZQ_FONT so that it goes with the form. Null where the dialog's font serves.
HGDIOBJ layoutFontFor(HWND form, HGDIOBJ dialogFont) {
    if (!chosenLayoutDpi || !dialogFont) return nullptr;
    const int screen = screenDpi();
    if (chosenLayoutDpi == screen) return nullptr;
    if (HANDLE kept = GetPropA(form, "ZQ_FONT")) return kept;
    LOGFONTA lf;
    if (!GetObjectA(dialogFont, sizeof lf, &lf)) return nullptr;
    lf.lfHeight = MulDiv(lf.lfHeight, chosenLayoutDpi, screen);
    lf.lfWidth = MulDiv(lf.lfWidth, chosenLayoutDpi, screen);
    HFONT font = CreateFontIndirectA(&lf);
    if (font) SetPropA(form, "ZQ_FONT", font);
    return font;
}

}  // namespace

int LayoutDpi() { return chosenLayoutDpi ? chosenLayoutDpi : screenDpi(); }

void SetLayoutDpi(int dpi) {
    chosenLayoutDpi = dpi > 0 ? dpi : 0;
    twipsPerPixelX = twipsPerPixelY = 0;
}

void TwipsToPixels(HWND, int& x, int& y, int& width, int& height) {
    if (chosenLayoutDpi) {
        // In double: the main window's fit is decided with the same figures.
        auto at = [](int twips) { return RoundHalfEven(static_cast<double>(twips) * chosenLayoutDpi / 1440.0); };
        x = at(x), y = at(y), width = at(width), height = at(height);
        return;
    }
    if (twipsPerPixelX == 0 || twipsPerPixelY == 0) {
        HDC dc = GetDC(nullptr);
        twipsPerPixelX = 1440.0f / static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX));
        twipsPerPixelY = 1440.0f / static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(nullptr, dc);
    }
    x = RoundHalfEven(x / twipsPerPixelX);
    width = RoundHalfEven(width / twipsPerPixelX);
    y = RoundHalfEven(y / twipsPerPixelY);
    height = RoundHalfEven(height / twipsPerPixelY);
}

void SetControlColors(HWND window, int id, int32_t backColor, int32_t foreColor) {
    HWND target = ResolveTarget(window, id);
    if (!target) return;
    // A control that never had colours (every new one) has nothing to remove.
    const bool mayHaveColors = MayHaveColourProperty(target);
    bool hadColors = mayHaveColors && (GetPropA(target, prop::kBackColor) || GetPropA(target, prop::kEraseColor) ||
                                       GetPropA(target, prop::kForeColor));

    int32_t back = acceptColor(backColor);
    int32_t fore = acceptColor(foreColor);
    if (back != -1 || fore != -1) hadColors = true;
    // What the class-specific messages get: system references resolved now.
    int32_t backRgb = ResolveColor(back);
    int32_t foreRgb = ResolveColor(fore);

    if (mayHaveColors) {
        RemovePropA(target, prop::kBackColor);
        RemovePropA(target, prop::kEraseColor);
        RemovePropA(target, prop::kForeColor);
        if (HANDLE brush = RemovePropA(target, prop::kBrush)) DeleteObject(brush);
    }

    std::string cls = classOf(target);
    bool asForm = id == 0;
    if (cls.empty()) return;
    if (classIs(cls, "BrowseForFolder") || classIs(cls, "ZQ_BrowseForFolder") || classIs(cls, WC_TREEVIEWA)) {
        SendMessageA(target, TVM_SETBKCOLOR, 0, backRgb);
        SendMessageA(target, TVM_SETTEXTCOLOR, 0, foreRgb);
        LONG style = GetWindowLongA(target, GWL_STYLE);
        if (style & TVS_HASLINES) {
            SetWindowLongA(target, GWL_STYLE, style & ~TVS_HASLINES);
            SetWindowLongA(target, GWL_STYLE, style);
        }
        asForm = true;
    } else if (classIs(cls, "FolderView") || classIs(cls, "ZQ_FolderView") || classIs(cls, WC_LISTVIEWA)) {
        LPARAM bk = back >= 0 ? backRgb : CLR_NONE;
        SendMessageA(target, LVM_SETBKCOLOR, 0, bk);
        SendMessageA(target, LVM_SETTEXTBKCOLOR, 0, bk);
        if (fore >= 0) SendMessageA(target, LVM_SETTEXTCOLOR, 0, foreRgb);
        return;
    } else if (classIs(cls, PROGRESS_CLASSA)) {
        SendMessageA(target, PBM_SETBKCOLOR, 0, back == -1 ? CLR_DEFAULT : backRgb);
        SendMessageA(target, PBM_SETBARCOLOR, 0, fore == -1 ? CLR_DEFAULT : foreRgb);
        return;
    } else if (classIs(cls, STATUSCLASSNAMEA)) {
        SendMessageA(target, SB_SETBKCOLOR, 0, back == -1 ? CLR_DEFAULT : backRgb);
        return;
    } else if (classIs(cls, TOOLBARCLASSNAMEA) || classIs(cls, WC_TABCONTROLA)) {
        asForm = true;
    } else if (classIs(cls, "Button")) {
        LONG style = GetWindowLongA(target, GWL_STYLE);
        LONG exStyle = GetWindowLongA(target, GWL_EXSTYLE);
        if ((exStyle & WS_EX_TRANSPARENT) && (style & 0x1F) == BS_GROUPBOX && back != -1)
            SetPropA(target, prop::kEraseColor, colorValue(back));
    }

    if (back != -1 || fore != -1) NoteColourProperty(target);
    if (back != -1) SetPropA(target, asForm ? prop::kEraseColor : prop::kBackColor, colorValue(back));
    if (fore != -1) SetPropA(target, prop::kForeColor, colorValue(fore));
    if (hadColors && IsWindowVisible(target)) {
        InvalidateRect(target, nullptr, TRUE);
        UpdateWindow(target);
    }
}

HFONT MakeFont(HDC dc, const std::string& face, float size, int weight, bool italic, bool underline,
               bool strikeOut) {
    std::string name = StrTrim(face);
    if (name.empty()) return nullptr;
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : LayoutDpi();
    int height = RoundHalfEven(-static_cast<double>(size) * dpi) / 72;
    return CreateFontA(height, 0, 0, 0, weight, italic, underline, strikeOut, DEFAULT_CHARSET, 0, 0, 0, 0,
                       name.c_str());
}

int SetControlFont(HWND window, int id, const std::string& face, float size, bool bold, bool italic,
                   bool underline, bool strikeOut) {
    HWND target = ResolveTarget(window, id);
    if (!target) return 0;
    HFONT made = MakeFont(nullptr, face, size, bold ? FW_BOLD : FW_NORMAL, italic, underline, strikeOut);
    HFONT copy = nullptr;
    if (made) {
        LOGFONTA logFont;
        if (GetObjectA(made, sizeof logFont, &logFont)) copy = CreateFontIndirectA(&logFont);
    }
    // The old font goes only after the control holds the new one.
    HANDLE old = RemovePropA(target, prop::kFont);
    if (copy) SetPropA(target, prop::kFont, copy);
    HGDIOBJ sent = copy ? static_cast<HGDIOBJ>(copy) : GetStockObject(DEFAULT_GUI_FONT);
    SendMessageA(target, WM_SETFONT, reinterpret_cast<WPARAM>(sent), IsWindowVisible(target) ? TRUE : FALSE);
    if (old) DeleteObject(old);
    if (made) DeleteObject(made);
    return 1;
}

int SetControlTag(HWND window, int id, const std::string& text) {
    HWND target = ResolveTarget(window, id);
    if (!target) return 0;
    FrameworkHeapFree(RemovePropA(target, prop::kTag));
    if (text.empty()) return 1;
    char* block = static_cast<char*>(FrameworkHeapAlloc(text.size() + 5));
    if (!block) return 0;
    uint32_t length = static_cast<uint32_t>(text.size());
    std::memcpy(block, &length, 4);
    std::memcpy(block + 4, text.data(), text.size());
    SetPropA(target, prop::kTag, block);
    return 1;
}

int CreateFormControls(const std::string& formName, HWND form) {
    std::string name = StrUpper(StrTrim(formName));
    bool userControl = name.compare(0, 3, "UC,") == 0;
    HINSTANCE instance = userControl ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(form, GWLP_HINSTANCE))
                                     : gAppPaths.instance;
    HGDIOBJ font = userControl ? GetStockObject(DEFAULT_GUI_FONT)
                               : reinterpret_cast<HGDIOBJ>(SendMessageA(form, WM_GETFONT, 0, 0));
    if (HGDIOBJ scaled = userControl ? nullptr : layoutFontFor(form, font)) font = scaled;

    for (int id = 100;; ++id) {
        ControlDefinition def;
        if (!FindControlDefinition(name, id, def)) break;
        const std::string& cls = def.className;
        if (classIs(cls, "Timer")) {
            if (def.timerInterval > 0) SetTimer(form, id, def.timerInterval, def.timerCallback);
            continue;
        }
        if (classIs(cls, "OCX") || classIs(cls, "CLR_UserControl")) continue;

        int x = def.x, y = def.y, w = def.width, h = def.height;
        TwipsToPixels(nullptr, x, y, w, h);
        HWND created = CreateWindowExA(def.exStyle, cls.c_str(), def.text.c_str(), def.style, x, y, w, h, form,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (created) {
            SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            WindowRecord record;
            record.window = created;
            record.owner = form;
            record.style = def.style;
            AddWindowRecord(record);
        }
        HWND control = GetDlgItem(form, id);
        if (!control) continue;

        if (classIs(cls, "Static") && (def.style & SS_REALSIZECONTROL)) {
            x = def.x, y = def.y, w = def.width, h = def.height;
            TwipsToPixels(nullptr, x, y, w, h);
            MoveWindow(control, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h, TRUE);
        }
        if (classIs(cls, "Button") && !def.text.empty()) {
            LONG style = GetWindowLongA(control, GWL_STYLE);
            if (style & BS_ICON) {
                HANDLE icon = LoadImageA(gAppPaths.instance, def.text.c_str(), IMAGE_ICON, 0, 0, 0);
                SendMessageA(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
                if (icon) SetPropA(control, prop::kIcon, icon);
            } else if (style & BS_BITMAP) {
                HANDLE bitmap = LoadImageA(gAppPaths.instance, def.text.c_str(), IMAGE_BITMAP, 0, 0, 0);
                SendMessageA(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
                if (bitmap) SetPropA(control, prop::kBitmap, bitmap);
            }
        }
        if (classIs(cls, TOOLBARCLASSNAMEA)) SendMessageA(control, TB_BUTTONSTRUCTSIZE, 20, 0);
        if (def.backColor >= 0 || def.foreColor >= 0) SetControlColors(form, id, def.backColor, def.foreColor);
        if (def.fontSize >= 3 && !def.fontFace.empty())
            SetControlFont(form, id, def.fontFace, def.fontSize, def.bold, def.italic, def.underline, def.strikeOut);
        if (def.helpContextId) SetWindowContextHelpId(control, def.helpContextId);
        if (def.hoverCursor) SetPropA(control, prop::kHoverCursor, def.hoverCursor);
        if (!def.tag.empty()) SetControlTag(control, 0, def.tag);
        const int64_t eventsBegin = TraceNow();
        for (size_t i = 0; i < def.events.size() && i < 255; ++i) {
            const ControlEventEntry& entry = def.events[i];
            if (entry.message == 0) break;
            AddControlEvent(control, entry.message, entry.code, entry.handler);
        }
        TraceAddSpan("events", eventsBegin);
        if (classIs(cls, "Button") && def.timerInterval != 0) SetWindowLongA(control, GWL_ID, def.timerInterval);
    }
    return 1;
}

std::string WindowText(HWND window) {
    const int length = window ? GetWindowTextLengthA(window) : 0;
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string ControlText(HWND form, int id) { return WindowText(GetDlgItem(form, id)); }

std::string SelectedComboText(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    if (copied == CB_ERR || copied <= 0) return std::string();
    text.resize(static_cast<size_t>(copied < length ? copied : length));
    return text;
}
