#pragma once
// How the presenter shows a batch of winners: a grid of equal slots under a
// title line, with one font size, the largest at which every name of the
// batch fits its slot. The text is measured by the caller (GDI in the
// program, a fake in tests).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct TextExtent {
    int width = 0;
    int height = 0;
};

// The extent of `text` drawn at a font `size` pixels high. Assumed to grow
// with the size.
using MeasureTextFn = std::function<TextExtent(const std::string& text, int size)>;

// A name in pixels this high reads from the back of a hall on a projector:
// 300 names of four characters are about 30 on 1920 x 1080. A batch whose
// names fit only smaller is laid out at this size anyway, and the painter
// cuts the names that are too wide with an ellipsis.
const int kMinLegibleFontSize = 16;
// One or two winners are not drawn larger than this.
const int kMaxBatchFontSize = 400;

struct BatchLayout {
    int columns = 0, rows = 0;  // 0 when there is nothing to lay out
    int fontSize = 0;
    int slotWidth = 0, slotHeight = 0;
    int left = 0, top = 0;  // the grid's top left corner
    int count = 0;          // the names laid out
    bool fits = true;       // false: at kMinLegibleFontSize some names do not fit
};

// The client area is width x height; the title line takes the top
// titleHeight pixels. A name fits its slot when its extent is within nine
// tenths of the slot's width and height, so neighbours never touch.
BatchLayout LayOutBatch(int width, int height, int titleHeight, const std::vector<std::string>& names,
                        const MeasureTextFn& measure);

struct SlotRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Slot `index` (0-based, row by row); a last row that is not full is centred.
SlotRect BatchSlotRect(const BatchLayout& layout, std::size_t index);
