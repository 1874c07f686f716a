#pragma once
// The test seam: what the end-to-end tests and benchmarks read from inside the
// running program, from their own process. Nothing of the program's own
// behaviour depends on it; it is here so that long runs can be checked for
// leaks and stray threads, and the presenter view's choices measured, without
// instrumenting the program. Values and names never change once given, since
// tests outside the program rely on them.
#include <windows.h>

// ---- Counters ----
// Send kCountersMessage to FORM1 with a CounterId in wParam; the result is
// the count.

// Far from the program's own WM_APP messages, which grow from WM_APP + 1.
const UINT kCountersMessage = WM_APP + 100;

enum CounterId : WPARAM {
    kCountFrameworkBlocks = 0,  // framework heap blocks held by windows
    kCountWindowRecords = 1,    // forms and controls the runtime keeps records of
    kCountRuntimeThreads = 2,   // threads with a runtime record (UI thread, clock)
    kCountRollersAlive = 3,     // roller threads not yet finished
    kCountRollersStarted = 4,   // roller threads started since the program began
};

// The counter, or -1 for an unknown id.
LRESULT ReadCounter(WPARAM id);

// ---- The presenter view ----
// Read-only numbers on the view's window (class kPresenterViewClass), kept
// up to date as it shows a text: the font height it chose for the text, and
// that text's extent in pixels.
extern const char* const kPresenterFontHeightProperty;
extern const char* const kPresenterTextWidthProperty;
extern const char* const kPresenterTextHeightProperty;
// A global atom whose name is the subtitle under the name (the person's
// number and department), 0 when there is none.
extern const char* const kPresenterSubtitleProperty;

// While a prize batch is shown: the slots, the grid they are laid out in
// (columns, rows, each slot's size, the grid's top left corner below the
// title band) and the font size of the names; 0 each when none is. Rolling
// is 1 while the slots show candidates, 0 once they show the winners.
extern const char* const kBatchSlotsProperty;
extern const char* const kBatchFontSizeProperty;
extern const char* const kBatchColumnsProperty;
extern const char* const kBatchRowsProperty;
extern const char* const kBatchSlotWidthProperty;
extern const char* const kBatchSlotHeightProperty;
extern const char* const kBatchLeftProperty;
extern const char* const kBatchTopProperty;
extern const char* const kBatchRollingProperty;
