#include "ui/batch_screen.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "ui/font_fit.h"

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(0, length)), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

HFONT MakeFont(const LOGFONTW& face, int height) {
    LOGFONTW f = face;
    f.lfHeight = height;  // positive: the cell height, as the extent reports it
    return CreateFontIndirectW(&f);
}

// Measures texts at many sizes, each font made once and selected only when
// the size changes: a fit asks for every name at one size, then the next.
struct Measurer {
    HDC dc = nullptr;
    LOGFONTW face{};
    std::map<int, HFONT> fonts;
    int selected = -1;
    HGDIOBJ original = nullptr;

    SIZE Extent(const std::wstring& text, int height) {
        if (height != selected) {
            HFONT& font = fonts[height];
            if (!font) font = MakeFont(face, height);
            HGDIOBJ old = SelectObject(dc, font);
            if (!original) original = old;
            selected = height;
        }
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        return extent;
    }

    ~Measurer() {
        if (original) SelectObject(dc, original);
        for (auto& font : fonts) DeleteObject(font.second);
    }
};

void Replace(HFONT& font, int& current, const LOGFONTW& face, int height) {
    if (font && current == height) return;
    if (font) DeleteObject(font);
    font = MakeFont(face, height);
    current = height;
}

RECT SlotBounds(const BatchLayout& layout, std::size_t index) {
    const SlotRect r = BatchSlotRect(layout, index);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void AddRect(RECT& dirty, const RECT& r) {
    if (IsRectEmpty(&dirty)) {
        dirty = r;
    } else {
        UnionRect(&dirty, &dirty, &r);
    }
}

bool SameLayout(const BatchLayout& a, const BatchLayout& b) {
    return a.columns == b.columns && a.rows == b.rows && a.fontSize == b.fontSize && a.slotWidth == b.slotWidth &&
           a.slotHeight == b.slotHeight && a.left == b.left && a.top == b.top && a.count == b.count;
}

// The title band and its font: a tenth of the height or so, the title as
// large as fits it.
void FitTitle(BatchScreen& screen, Measurer& measurer, SIZE size) {
    screen.titleHeight = screen.title.empty() ? 0 : size.cy / 9;
    if (screen.title.empty()) return;
    const int height = FitPresenterFontHeight(
        SIZE{size.cx, screen.titleHeight}, [&](int h) { return measurer.Extent(screen.title, h); });
    Replace(screen.titleFont, screen.titleFontHeight, measurer.face, height);
}

BatchLayout FitSlots(const std::vector<std::string>& names, const std::vector<std::wstring>& wide,
                     Measurer& measurer, SIZE size, int titleHeight) {
    std::unordered_map<std::string, const std::wstring*> widened;
    for (std::size_t i = 0; i < names.size(); ++i) widened.emplace(names[i], &wide[i]);
    return LayOutBatch(size.cx, size.cy, titleHeight, names, [&](const std::string& name, int height) {
        const SIZE extent = measurer.Extent(*widened[name], height);
        return TextExtent{extent.cx, extent.cy};
    });
}

}  // namespace

RECT BatchNameRect(const BatchLayout& layout, std::size_t index) {
    const SlotRect r = BatchSlotRect(layout, index);
    const int insetX = layout.slotWidth / 10 / 2, insetY = layout.slotHeight / 10 / 2;
    return RECT{r.left + insetX, r.top + insetY, r.right - insetX, r.bottom - insetY};
}

bool SetBatchScreen(BatchScreen& screen, HDC dc, SIZE size, const LOGFONTW& face, const std::string& title,
                    const std::vector<std::string>& slots, bool rolling, RECT& dirty) {
    SetRectEmpty(&dirty);
    if (slots.empty()) {
        if (screen.shown) dirty = RECT{0, 0, size.cx, size.cy};
        ClearBatchScreen(screen);
        return false;
    }
    std::wstring wideTitle = Widen(title);
    std::vector<std::wstring> wide;
    wide.reserve(slots.size());
    for (const std::string& slot : slots) wide.push_back(Widen(slot));

    // Within a roll the candidates change every frame: measuring them all
    // each time would cost more than drawing them.
    const bool keep = screen.shown && screen.rolling && rolling && wideTitle == screen.title &&
                      wide.size() == screen.slots.size();
    if (keep) {
        for (std::size_t i = 0; i < wide.size(); ++i) {
            if (wide[i] != screen.slots[i]) AddRect(dirty, SlotBounds(screen.layout, i));
        }
        screen.slots.swap(wide);
        return true;
    }

    Measurer measurer;
    measurer.dc = dc;
    measurer.face = face;
    const bool wasShown = screen.shown;
    const BatchLayout before = screen.layout;
    const int titleHeightBefore = screen.titleHeight, titleFontBefore = screen.titleFontHeight;
    const bool titleChanged = wideTitle != screen.title;
    screen.title.swap(wideTitle);
    FitTitle(screen, measurer, size);
    BatchLayout layout = FitSlots(slots, wide, measurer, size, screen.titleHeight);
    Replace(screen.slotFont, screen.slotFontHeight, face, layout.fontSize);

    if (!wasShown || !SameLayout(before, layout) || screen.titleHeight != titleHeightBefore) {
        dirty = RECT{0, 0, size.cx, size.cy};
    } else {
        if (titleChanged || screen.titleFontHeight != titleFontBefore) {
            AddRect(dirty, RECT{0, 0, size.cx, screen.titleHeight});
        }
        for (std::size_t i = 0; i < wide.size(); ++i) {
            if (wide[i] != screen.slots[i]) AddRect(dirty, SlotBounds(layout, i));
        }
    }
    screen.layout = layout;
    screen.slots.swap(wide);
    screen.rolling = rolling;
    screen.width = size.cx;
    screen.shown = true;
    return true;
}

void PaintBatchScreen(const BatchScreen& screen, HDC dc, const RECT& area, COLORREF colour) {
    if (!screen.shown) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // DrawText fits what is too wide with an ellipsis; the layout gives every
    // name the height of its font, so nothing needs clipping.
    const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_NOCLIP;
    RECT meet;
    HGDIOBJ old = nullptr;
    const RECT band{0, 0, screen.width, screen.titleHeight};
    if (screen.titleFont && IntersectRect(&meet, &band, &area)) {
        RECT text = band;
        old = SelectObject(dc, screen.titleFont);
        DrawTextW(dc, screen.title.c_str(), static_cast<int>(screen.title.size()), &text, flags);
    }
    HGDIOBJ before = SelectObject(dc, screen.slotFont);
    if (!old) old = before;
    for (std::size_t i = 0; i < screen.slots.size(); ++i) {
        const RECT bounds = SlotBounds(screen.layout, i);
        if (!IntersectRect(&meet, &bounds, &area)) continue;
        RECT text = BatchNameRect(screen.layout, i);
        DrawTextW(dc, screen.slots[i].c_str(), static_cast<int>(screen.slots[i].size()), &text, flags);
    }
    SelectObject(dc, old);
}

void ClearBatchScreen(BatchScreen& screen) {
    if (screen.titleFont) DeleteObject(screen.titleFont);
    if (screen.slotFont) DeleteObject(screen.slotFont);
    screen = BatchScreen{};
}
