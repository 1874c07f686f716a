#pragma once
// A prize batch on the presenter view: a title line over one slot per winner,
// laid out by LayOutBatch and measured with the view's own face. The view
// owns one BatchScreen and paints it into its buffer instead of the display's
// text while a batch is shown.
#include <windows.h>

#include <string>
#include <vector>

#include "engine/batch_layout.h"

struct BatchScreen {
    bool shown = false;  // a batch with slots is set
    bool rolling = false;
    std::wstring title;
    // The names shown: a new set of candidates repaints only the slots whose
    // name changed.
    std::vector<std::wstring> slots;
    BatchLayout layout;
    int width = 0;        // the view's
    int titleHeight = 0;  // the band above the grid
    int titleFontHeight = 0;
    HFONT titleFont = nullptr;
    HFONT slotFont = nullptr;
    int slotFontHeight = 0;
};

// Takes a batch (GBK texts) for a view of `size`, measuring with `face` in
// `dc`, and puts in `dirty` the part of the view to paint again (empty for
// none). While a roll goes on
// with the same title and number of slots, the layout chosen at its start is
// kept and nothing is measured; every other batch is fitted afresh, so the
// winners at Stop get the largest font at which all of them fit. False when
// the batch is empty: the screen is cleared and the whole view is dirty.
bool SetBatchScreen(BatchScreen& screen, HDC dc, SIZE size, const LOGFONTW& face, const std::string& title,
                    const std::vector<std::string>& slots, bool rolling, RECT& dirty);

// Draws the title and the slots that meet `area` into `dc`, which already
// holds the background there.
void PaintBatchScreen(const BatchScreen& screen, HDC dc, const RECT& area, COLORREF colour);

// Forgets the batch and frees its fonts.
void ClearBatchScreen(BatchScreen& screen);

// The rectangle a slot's name is drawn in: the slot less a twentieth of it
// each side, the room LayOutBatch fits a name into.
RECT BatchNameRect(const BatchLayout& layout, std::size_t index);
