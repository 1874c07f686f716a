#include "engine/batch_layout.h"

#include <algorithm>

namespace {

int Usable(int slot) {
    return slot - slot / 10;
}

struct Grid {
    int columns = 0;
    double slack = -1;  // how many times over the widest and tallest name fit; >= 1 fits
};

// The grid with the most room for a name of maxWidth x maxHeight, whether
// it fits or not.
Grid FindRoomiestGrid(int width, int height, int count, int maxWidth, int maxHeight) {
    Grid best;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        // More columns than these rows need only narrow the slots.
        if (columns != (count + rows - 1) / rows) continue;
        const double across = static_cast<double>(Usable(width / columns)) / std::max(1, maxWidth);
        const double down = static_cast<double>(Usable(height / rows)) / std::max(1, maxHeight);
        const double slack = std::min(across, down);
        if (slack > best.slack) best = Grid{columns, slack};
    }
    return best;
}

// When the widest name cannot fit, the rows must still be a line high: names
// cut short read better than lines over each other. The fewest columns whose
// rows hold a line, else the roomiest grid.
Grid FindLegibleGrid(int width, int height, int count, int maxWidth, int maxHeight) {
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        if (columns != (count + rows - 1) / rows) continue;
        if (Usable(height / rows) >= maxHeight) {
            return Grid{columns, static_cast<double>(Usable(width / columns)) / std::max(1, maxWidth)};
        }
    }
    return FindRoomiestGrid(width, height, count, maxWidth, maxHeight);
}

Grid GridAt(int width, int height, const std::vector<std::string>& names, const MeasureTextFn& measure, int size,
            bool legible = false) {
    int maxWidth = 0, maxHeight = 0;
    for (const std::string& name : names) {
        const TextExtent extent = measure(name, size);
        maxWidth = std::max(maxWidth, extent.width);
        maxHeight = std::max(maxHeight, extent.height);
    }
    const int count = static_cast<int>(names.size());
    return legible ? FindLegibleGrid(width, height, count, maxWidth, maxHeight)
                   : FindRoomiestGrid(width, height, count, maxWidth, maxHeight);
}

}  // namespace

BatchLayout LayOutBatch(int width, int height, int titleHeight, const std::vector<std::string>& names,
                        const MeasureTextFn& measure) {
    BatchLayout layout;
    const int gridHeight = height - std::max(0, titleHeight);
    if (names.empty() || width <= 0 || gridHeight <= 0) return layout;

    // The largest size with a grid that fits: O(n log size) measurements.
    int low = 0, high = std::min(kMaxBatchFontSize, gridHeight);
    Grid best;
    while (low < high) {
        const int size = low + (high - low + 1) / 2;
        const Grid grid = GridAt(width, gridHeight, names, measure, size);
        if (grid.slack >= 1) {
            low = size;
            best = grid;
        } else {
            high = size - 1;
        }
    }
    layout.fontSize = low;
    if (low < kMinLegibleFontSize) {
        layout.fontSize = kMinLegibleFontSize;
        best = GridAt(width, gridHeight, names, measure, kMinLegibleFontSize, true);
        layout.fits = best.slack >= 1;
    }
    const int count = static_cast<int>(names.size());
    layout.count = count;
    layout.columns = best.columns;
    layout.rows = (count + best.columns - 1) / best.columns;
    layout.slotWidth = width / layout.columns;
    layout.slotHeight = gridHeight / layout.rows;
    layout.left = (width - layout.columns * layout.slotWidth) / 2;
    layout.top = std::max(0, titleHeight) + (gridHeight - layout.rows * layout.slotHeight) / 2;
    return layout;
}

SlotRect BatchSlotRect(const BatchLayout& layout, std::size_t index) {
    SlotRect rect;
    if (layout.columns <= 0) return rect;
    const int row = static_cast<int>(index / static_cast<std::size_t>(layout.columns));
    const int column = static_cast<int>(index % static_cast<std::size_t>(layout.columns));
    int left = layout.left;
    const int inLastRow = layout.count - (layout.rows - 1) * layout.columns;
    if (row == layout.rows - 1 && inLastRow < layout.columns) {
        left += (layout.columns - inLastRow) * layout.slotWidth / 2;
    }
    rect.left = left + column * layout.slotWidth;
    rect.top = layout.top + row * layout.slotHeight;
    rect.right = rect.left + layout.slotWidth;
    rect.bottom = rect.top + layout.slotHeight;
    return rect;
}
