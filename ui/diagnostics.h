#pragma once
// Counters that FORM1 answers from outside the process, so that long runs can
// be checked for leaks and stray threads without instrumenting the program.
// Send kCountersMessage with a CounterId in wParam; the result is the count.
#include <windows.h>

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
