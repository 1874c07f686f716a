#pragma once
#include <windows.h>

// What the process runs once the runtime has set itself up: records the
// program paths, creates the registered main form and runs it until its
// window is gone. Returns the process exit code (0).
int ApplicationStart(HINSTANCE instance, HINSTANCE previous, const char* commandTail, int showCommand);

// Makes the common-control window classes available.
void InitCommonControlsAll();
