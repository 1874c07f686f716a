#include "ui/diagnostics.h"

#include "engine/roller_thread.h"
#include "framework/controls.h"
#include "runtime/services.h"
#include "runtime/window_records.h"

const char* const kPresenterFontHeightProperty = "TobrixViewFontHeight";
const char* const kPresenterTextWidthProperty = "TobrixViewTextWidth";
const char* const kPresenterTextHeightProperty = "TobrixViewTextHeight";
const char* const kPresenterSubtitleProperty = "TobrixViewSubtitle";
const char* const kBatchSlotsProperty = "TobrixBatchSlots";
const char* const kBatchFontSizeProperty = "TobrixBatchFontSize";
const char* const kBatchColumnsProperty = "TobrixBatchColumns";
const char* const kBatchRowsProperty = "TobrixBatchRows";
const char* const kBatchSlotWidthProperty = "TobrixBatchSlotWidth";
const char* const kBatchSlotHeightProperty = "TobrixBatchSlotHeight";
const char* const kBatchLeftProperty = "TobrixBatchLeft";
const char* const kBatchTopProperty = "TobrixBatchTop";
const char* const kBatchRollingProperty = "TobrixBatchRolling";

LRESULT ReadCounter(WPARAM id) {
    switch (id) {
    case kCountFrameworkBlocks: return FrameworkHeapBlockCount();
    case kCountWindowRecords: return CountWindowRecords();
    case kCountRuntimeThreads: return RuntimeThreadCount();
    case kCountRollersAlive: return CountRollers().alive;
    case kCountRollersStarted: return static_cast<LRESULT>(CountRollers().started);
    default: return -1;
    }
}
