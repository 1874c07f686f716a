#pragma once
// The screen's DPI, the DPI the forms are laid out at, and the layout's pixel
// figures (drawn for 96 DPI) at it.
#include <windows.h>

const int kDesignDpi = 96;

// Logical pixels per inch of the screen, as the twips conversion sees them.
int ScreenDpi();
// A figure drawn at 96 DPI, at `dpi`: exact at 96, halves to even elsewhere.
int ScaleToDpi(int pixels, int dpi);
