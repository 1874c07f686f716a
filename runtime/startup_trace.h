#pragma once
// Time stamps of the program's own phases, for the benchmark only. Nothing is
// recorded unless the environment variable TOBRIX_TRACE names a file; then
// each TraceWrite replaces that file with every stamp so far, one a line:
//   frequency <counts per second>
//   mark <name> <performance counter>     a moment, in the order taken
//   span <name> <counts>                  time added up over many calls
// The counter is the system's, so another process can set its own readings
// beside these (the bench: the moment it created the process).
#include <cstdint>

// Whether stamps are taken; the environment is read once.
bool TraceEnabled();
// The performance counter now (0 when tracing is off).
int64_t TraceNow();
void TraceMark(const char* name);
// Adds the counts since `since` (a TraceNow reading) to the span `name`.
void TraceAddSpan(const char* name, int64_t since);
// Replaces the trace file with what has been recorded; nothing when off.
void TraceWrite();

// Where the stamps go from now on, as if TOBRIX_TRACE named `path`;
// nullptr stops tracing. For tests, which cannot set the environment of
// their own process before it is read; forgets what was recorded.
void TraceRedirect(const char* path);
