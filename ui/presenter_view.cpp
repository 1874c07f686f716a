#include "ui/presenter_view.h"

#include <olectl.h>

#include <algorithm>
#include <string>

#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/picture_box.h"
#include "framework/property_names.h"
#include "ui/batch_screen.h"
#include "ui/diagnostics.h"
#include "ui/forms/definitions.h"
#include "ui/ids.h"

const char* const kPresenterViewClass = "TobrixPresenterView";

namespace {

}  // namespace

// An open view, owned through the main window's slot, which it clears when
// its window goes. The background is drawn stretched once per picture into
// `background`; each update composes the changed region in `buffer` and
// copies it to the screen whole, so the text never flickers.
struct PresenterView {
    PresenterView** slot = nullptr;
    HWND window = nullptr;
    HWND form = nullptr;
    SIZE size{};
    HDC buffer = nullptr;
    HBITMAP bufferBitmap = nullptr;
    HGDIOBJ bufferOld = nullptr;
    HDC background = nullptr;
    HBITMAP backgroundBitmap = nullptr;
    HGDIOBJ backgroundOld = nullptr;
    IPicture* picture = nullptr;  // the one drawn into `background`; one reference held
    bool backgroundDrawn = false;
    LOGFONTW face{};
    COLORREF colour = RGB(255, 0, 0);
    std::wstring text;
    bool textFitted = false;
    HFONT font = nullptr;
    int fontHeight = 0;
    RECT textRect{};
    // The person's number and department, smaller under the name.
    std::wstring subtitle;
    HFONT subtitleFont = nullptr;
    RECT subtitleRect{};
    ATOM subtitleAtom = 0;  // the subtitle for checks from outside
    BatchScreen batch;  // shown instead of the text while it has slots
};

namespace {


long long overlapArea(const RECT& a, const RECT& b) {
    const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
    return TRUE;
}

std::vector<RECT> monitorRects() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

HWND displayOf(HWND form) { return GetDlgItem(form, form1::kResultDisplay); }

std::wstring displayText(HWND form) {
    HWND display = displayOf(form);
    const int length = display ? GetWindowTextLengthW(display) : 0;
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(display, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// The display's own face and colour, so the view keeps its look if the form's
// definition changes.
void takeDisplayLook(PresenterView& view, HWND form) {
    ControlDefinition definition;
    const bool defined = GetControlDefinition(kMainFormName, form1::kResultDisplay, definition);
    LOGFONTW face{};
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(displayOf(form), WM_GETFONT, 0, 0));
    if (!font || !GetObjectW(font, sizeof face, &face)) {
        face = LOGFONTW{};
        face.lfCharSet = DEFAULT_CHARSET;
        face.lfWeight = definition.bold ? FW_BOLD : FW_NORMAL;
        if (defined) {
            MultiByteToWideChar(CP_ACP, 0, definition.fontFace.c_str(), -1, face.lfFaceName, LF_FACESIZE - 1);
        }
    }
    face.lfWidth = 0;
    face.lfQuality = ANTIALIASED_QUALITY;
    view.face = face;
    const int32_t colour = defined ? ResolveColor(definition.foreColor) : -1;
    view.colour = colour >= 0 ? static_cast<COLORREF>(colour) : GetSysColor(COLOR_WINDOWTEXT);
}

HFONT makeFont(const PresenterView& view, int height) {
    LOGFONTW face = view.face;
    face.lfHeight = height;  // positive: the cell height, as the extent reports it
    return CreateFontIndirectW(&face);
}

SIZE measureText(PresenterView& view, const std::wstring& text, int height) {
    SIZE extent{};
    HFONT font = makeFont(view, height);
    HGDIOBJ old = SelectObject(view.buffer, font);
    GetTextExtentPoint32W(view.buffer, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(view.buffer, old);
    DeleteObject(font);
    return extent;
}

void setNumberProperty(const PresenterView& view, const char* name, long value) {
    SetPropA(view.window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}

// The subtitle at a third of the name's height, less when it would be
// wider than the name may be; name and subtitle centred together.
void fitSubtitle(PresenterView& view) {
    if (view.subtitleFont) DeleteObject(view.subtitleFont);
    view.subtitleFont = nullptr;
    view.subtitleRect = RECT{};
    if (view.subtitle.empty() || view.text.empty()) return;
    int height = std::max(12, view.fontHeight / 3);
    SIZE extent = measureText(view, view.subtitle, height);
    if (10LL * extent.cx > 9LL * view.size.cx && extent.cx > 0) {
        height = std::max(8, static_cast<int>(height * 0.9 * view.size.cx / extent.cx));
        extent = measureText(view, view.subtitle, height);
    }
    view.subtitleFont = makeFont(view, height);
    const int shift = extent.cy / 2;
    OffsetRect(&view.textRect, 0, -std::min<int>(shift, view.textRect.top));
    const int left = (view.size.cx - extent.cx) / 2;
    view.subtitleRect = RECT{left, view.textRect.bottom, left + extent.cx, view.textRect.bottom + extent.cy};
}

// Chooses the font and the centred place of the text; nothing when it is the
// text already shown.
void fitText(PresenterView& view, const std::wstring& text) {
    if (view.textFitted && text == view.text) return;
    view.text = text;
    view.textFitted = true;
    const int height = FitPresenterFontHeight(view.size, [&view, &text](int h) { return measureText(view, text, h); });
    if (height != view.fontHeight || !view.font) {
        if (view.font) DeleteObject(view.font);
        view.font = makeFont(view, height);
        view.fontHeight = height;
    }
    SIZE extent{};
    HGDIOBJ old = SelectObject(view.buffer, view.font);
    GetTextExtentPoint32W(view.buffer, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(view.buffer, old);
    const int left = (view.size.cx - extent.cx) / 2, top = (view.size.cy - extent.cy) / 2;
    view.textRect = RECT{left, top, left + extent.cx, top + extent.cy};
    fitSubtitle(view);
    setNumberProperty(view, kPresenterFontHeightProperty, height);
    setNumberProperty(view, kPresenterTextWidthProperty, extent.cx);
    setNumberProperty(view, kPresenterTextHeightProperty, extent.cy);
}

IPicture* currentPicture(HWND form) {
    HWND box = GetDlgItem(form, form1::kPicture);
    return box ? static_cast<IPicture*>(GetPropA(box, prop::kPicture)) : nullptr;
}

// Draws the picture the main window shows now, stretched to the whole view;
// black where there is none. True when it was not the one drawn before.
bool takeBackground(PresenterView& view, HWND form) {
    IPicture* picture = currentPicture(form);
    if (view.backgroundDrawn && picture == view.picture) return false;
    if (view.picture) view.picture->Release();
    view.picture = picture;
    if (picture) picture->AddRef();  // held, so its address cannot come back as another picture
    RECT all{0, 0, view.size.cx, view.size.cy};
    FillRect(view.background, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (picture) renderPicture(picture, view.background, 0, 0, view.size.cx, view.size.cy, -1);
    view.backgroundDrawn = true;
    return true;
}

// Glyphs may reach a little past their advance (italic, antialiasing). The
// text's rectangle covers the subtitle's too.
RECT withMargin(const PresenterView& view, RECT r) {
    if (!IsRectEmpty(&view.subtitleRect)) UnionRect(&r, &r, &view.subtitleRect);
    const int margin = view.fontHeight / 8 + 2;
    InflateRect(&r, margin, margin);
    return r;
}

const char* const kBatchProperties[] = {kBatchSlotsProperty,     kBatchFontSizeProperty,  kBatchColumnsProperty,
                                        kBatchRowsProperty,      kBatchSlotWidthProperty, kBatchSlotHeightProperty,
                                        kBatchLeftProperty,      kBatchTopProperty,       kBatchRollingProperty};

void setBatchProperties(const PresenterView& view) {
    const BatchLayout& l = view.batch.layout;
    const bool shown = view.batch.shown;
    const long values[] = {shown ? static_cast<long>(view.batch.slots.size()) : 0,
                           shown ? l.fontSize : 0,
                           shown ? l.columns : 0,
                           shown ? l.rows : 0,
                           shown ? l.slotWidth : 0,
                           shown ? l.slotHeight : 0,
                           shown ? l.left : 0,
                           shown ? l.top : 0,
                           shown && view.batch.rolling ? 1 : 0};
    for (std::size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        setNumberProperty(view, kBatchProperties[i], values[i]);
    }
}

HDC makeBuffer(HDC screen, SIZE size, HBITMAP& bitmap, HGDIOBJ& old) {
    HDC dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    old = dc && bitmap ? SelectObject(dc, bitmap) : nullptr;
    return dc;
}

void freeBuffer(HDC& dc, HBITMAP& bitmap, HGDIOBJ& old) {
    if (dc && old) SelectObject(dc, old);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    dc = nullptr;
    bitmap = nullptr;
    old = nullptr;
}

bool createView(PresenterView& view, HWND window) {
    RECT client;
    GetClientRect(window, &client);
    view.window = window;
    view.size = SIZE{client.right, client.bottom};
    HDC screen = GetDC(window);
    view.buffer = makeBuffer(screen, view.size, view.bufferBitmap, view.bufferOld);
    view.background = makeBuffer(screen, view.size, view.backgroundBitmap, view.backgroundOld);
    ReleaseDC(window, screen);
    return view.bufferOld && view.backgroundOld;
}

// The window is going: its resources, then the state itself, and the
// owner's slot no longer names it.
void releaseView(PresenterView* view, HWND window) {
    if (!view) return;
    RemovePropA(window, kPresenterFontHeightProperty);
    RemovePropA(window, kPresenterTextWidthProperty);
    RemovePropA(window, kPresenterTextHeightProperty);
    RemovePropA(window, kPresenterSubtitleProperty);
    if (view->subtitleAtom) GlobalDeleteAtom(view->subtitleAtom);
    if (view->subtitleFont) DeleteObject(view->subtitleFont);
    for (const char* name : kBatchProperties) RemovePropA(window, name);
    ClearBatchScreen(view->batch);
    freeBuffer(view->buffer, view->bufferBitmap, view->bufferOld);
    freeBuffer(view->background, view->backgroundBitmap, view->backgroundOld);
    if (view->font) DeleteObject(view->font);
    if (view->picture) view->picture->Release();
    if (view->slot && *view->slot == view) *view->slot = nullptr;
    delete view;
}

void paintView(PresenterView& view, HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const RECT& r = ps.rcPaint;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (view.buffer && w > 0 && h > 0) {
        BitBlt(view.buffer, r.left, r.top, w, h, view.background, r.left, r.top, SRCCOPY);
        if (view.batch.shown) {
            IntersectClipRect(view.buffer, r.left, r.top, r.right, r.bottom);
            PaintBatchScreen(view.batch, view.buffer, r, view.colour);
            SelectClipRgn(view.buffer, nullptr);
        } else if (!view.text.empty()) {
            IntersectClipRect(view.buffer, r.left, r.top, r.right, r.bottom);
            HGDIOBJ old = SelectObject(view.buffer, view.font);
            SetBkMode(view.buffer, TRANSPARENT);
            SetTextColor(view.buffer, view.colour);
            SetTextAlign(view.buffer, TA_LEFT | TA_TOP | TA_NOUPDATECP);
            TextOutW(view.buffer, view.textRect.left, view.textRect.top, view.text.c_str(),
                     static_cast<int>(view.text.size()));
            if (view.subtitleFont) {
                SelectObject(view.buffer, view.subtitleFont);
                TextOutW(view.buffer, view.subtitleRect.left, view.subtitleRect.top, view.subtitle.c_str(),
                         static_cast<int>(view.subtitle.size()));
            }
            SelectObject(view.buffer, old);
            SelectClipRgn(view.buffer, nullptr);
        }
        BitBlt(dc, r.left, r.top, w, h, view.buffer, r.left, r.top, SRCCOPY);
    }
    EndPaint(window, &ps);
}

// Start when idle, Stop while a draw runs.
HWND enabledButton(HWND form) {
    HWND start = GetDlgItem(form, form1::kStart), stop = GetDlgItem(form, form1::kStop);
    return start && IsWindowEnabled(start) ? start : stop && IsWindowEnabled(stop) ? stop : nullptr;
}

// The button a clicker means is the one that is enabled. The keyboard stays
// with the view.
void pressStartOrStop(HWND view) {
    HWND form = GetWindow(view, GW_OWNER);
    if (!form || !IsWindow(form)) return;
    HWND target = enabledButton(form);
    if (!target) return;
    SendMessageA(target, BM_CLICK, 0, 0);
    if (IsWindow(view) && IsWindowEnabled(view) && GetFocus() != view) SetFocus(view);
}

// The main window, active again once the view has gone, gives the keyboard
// to the button the view's draws left enabled, so the space bar goes on.
void closeView(HWND view) {
    HWND form = GetWindow(view, GW_OWNER);
    DestroyWindow(view);
    if (!form || !IsWindow(form) || GetActiveWindow() != form) return;
    if (HWND target = enabledButton(form)) SendMessageA(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

void handleKey(HWND window, WPARAM key, LPARAM keyData) {
    switch (ClassifyPresenterKey(key, keyData)) {
    case PresenterKey::PressButton: pressStartOrStop(window); break;
    case PresenterKey::Close: closeView(window); break;
    case PresenterKey::None: break;
    }
}

PresenterView* viewOf(HWND window) {
    return reinterpret_cast<PresenterView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK presenterViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    PresenterView* view = viewOf(window);
    if (!view) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        return createView(*view, window) ? 0 : -1;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything from the buffer
    case WM_PAINT:
        paintView(*view, window);
        return 0;
    case WM_KEYDOWN:
        handleKey(window, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        pressStartOrStop(window);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        releaseView(view, window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK collectView(HWND window, LPARAM views) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, kPresenterViewClass) == 0) reinterpret_cast<std::vector<HWND>*>(views)->push_back(window);
    return TRUE;
}

// The views that exist, whatever the bookkeeping says: a toggle must never
// leave one behind that it no longer knows of.
std::vector<HWND> openViews() {
    std::vector<HWND> views;
    EnumThreadWindows(GetCurrentThreadId(), collectView, reinterpret_cast<LPARAM>(&views));
    return views;
}

bool registerViewClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = presenterViewProcedure;
    wc.hInstance = gAppPaths.instance ? gAppPaths.instance : GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.lpszClassName = kPresenterViewClass;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

}  // namespace

RECT ChoosePresenterMonitor(const std::vector<RECT>& monitors, const RECT& mainWindow) {
    if (monitors.empty()) return RECT{};
    size_t holder = 0;
    long long most = -1;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const long long area = overlapArea(monitors[i], mainWindow);
        if (area > most) {
            most = area;
            holder = i;
        }
    }
    if (monitors.size() == 1) return monitors[0];
    return monitors[holder == 0 ? 1 : 0];
}

PresenterKey ClassifyPresenterKey(WPARAM key, LPARAM keyData) {
    if (keyData & (1L << 30)) return PresenterKey::None;  // held down: auto-repeat
    switch (key) {
    case VK_SPACE:
    case VK_RETURN:
    case VK_NEXT:
    case VK_PRIOR:
    case VK_RIGHT:
    case VK_LEFT:
    case VK_DOWN:
    case VK_UP:
    case VK_OEM_PERIOD:
    case VK_DECIMAL:
        return PresenterKey::PressButton;
    case VK_ESCAPE:
    case VK_F11:
        return PresenterKey::Close;
    default:
        return PresenterKey::None;
    }
}

HWND PresenterViewWindow(const PresenterView* view) { return view ? view->window : nullptr; }

void OpenPresenterView(PresenterView*& slot, HWND form) {
    if (slot || !openViews().empty() || !form || !IsWindow(form) || !registerViewClass()) return;
    RECT mainWindow{};
    GetWindowRect(form, &mainWindow);
    RECT monitor = ChoosePresenterMonitor(monitorRects(), mainWindow);
    if (IsRectEmpty(&monitor)) {
        monitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    PresenterView* view = new PresenterView;
    view->slot = &slot;
    view->form = form;
    slot = view;
    // Owned by the main window: it stays above it while the main window is
    // used underneath, and goes when it goes.
    HWND window = CreateWindowExA(0, kPresenterViewClass, "全屏展示", WS_POPUP, monitor.left, monitor.top,
                                  monitor.right - monitor.left, monitor.bottom - monitor.top, form, nullptr,
                                  gAppPaths.instance ? gAppPaths.instance : GetModuleHandleA(nullptr), view);
    if (!window) {
        // A window that got as far as WM_NCCREATE freed the state as it went.
        if (slot == view) {
            delete view;
            slot = nullptr;
        }
        return;
    }
    takeDisplayLook(*view, form);
    takeBackground(*view, form);
    fitText(*view, displayText(form));
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    UpdateWindow(window);
}

void ClosePresenterView(PresenterView*& slot) {
    if (slot) closeView(slot->window);
    for (HWND view : openViews()) closeView(view);
}

void TogglePresenterView(PresenterView*& slot, HWND form) {
    if (slot || !openViews().empty()) {
        ClosePresenterView(slot);
    } else {
        OpenPresenterView(slot, form);
    }
}

void RefreshPresenterView(PresenterView* view, HWND form) {
    if (!view || form != view->form) return;
    PresenterView& v = *view;
    if (takeBackground(v, form)) {
        v.textFitted = false;
        fitText(v, displayText(form));
        InvalidateRect(v.window, nullptr, FALSE);
    } else {
        const RECT before = withMargin(v, v.textRect);
        fitText(v, displayText(form));
        const RECT after = withMargin(v, v.textRect);
        InvalidateRect(v.window, &before, FALSE);
        InvalidateRect(v.window, &after, FALSE);
    }
    UpdateWindow(v.window);
}

void SetPresenterSubtitle(PresenterView* view, HWND form, const std::string& text) {
    if (!view) return;
    std::wstring wide(text.size(), L'\0');
    const int size = text.empty() ? 0
                                  : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                        &wide[0], static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(std::max(size, 0)));
    if (wide == view->subtitle && view->textFitted) return;
    view->subtitle = wide;
    view->textFitted = false;  // refitted with the next text
    if (view->subtitleAtom) GlobalDeleteAtom(view->subtitleAtom);
    view->subtitleAtom = wide.empty() ? 0 : GlobalAddAtomW(wide.substr(0, 200).c_str());
    SetPropA(view->window, kPresenterSubtitleProperty, reinterpret_cast<HANDLE>(static_cast<intptr_t>(view->subtitleAtom)));
    if (form) RefreshPresenterView(view, form);
}

void ShowPresenterBatch(PresenterView* view, const PresenterBatch& batch) {
    if (!view || !view->buffer) return;
    const BatchScreen& b = view->batch;
    const bool wasShown = b.shown, wasRolling = b.rolling;
    const BatchLayout before = b.layout;
    RECT dirty;
    SetBatchScreen(view->batch, view->buffer, view->size, view->face, batch.title, batch.slots, batch.rolling, dirty);
    // Each property is a round trip to the window server: a roll's frames
    // leave them alone.
    if (b.shown != wasShown || b.rolling != wasRolling || b.layout.count != before.count ||
        b.layout.fontSize != before.fontSize || b.layout.columns != before.columns || b.layout.top != before.top ||
        b.layout.slotWidth != before.slotWidth || b.layout.slotHeight != before.slotHeight) {
        setBatchProperties(*view);
    }
    if (IsRectEmpty(&dirty)) return;
    InvalidateRect(view->window, &dirty, FALSE);
    UpdateWindow(view->window);
}
