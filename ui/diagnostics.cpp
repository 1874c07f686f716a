#include "ui/diagnostics.h"

#include "engine/roller_thread.h"
#include "framework/controls.h"
#include "runtime/services.h"
#include "runtime/window_records.h"

const char* const kPresenterFontHeightProperty = "TobrixViewFontHeight";
const char* const kPresenterTextWidthProperty = "TobrixViewTextWidth";
const char* const kPresenterTextHeightProperty = "TobrixViewTextHeight";
const char* const kPresenterSubtitleProperty = "TobrixViewSubtitle";

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
