#pragma once
// The screen's DPI, the DPI the forms are laid out at, and the layout's pixel
// figures (drawn for 96 DPI) at it.
#include <windows.h>

const int kDesignDpi = 96;

// Logical pixels per inch of the screen, as the twips conversion sees them.
int ScreenDpi();
// A figure drawn at 96 DPI, at `dpi`: exact at 96, halves to even elsewhere.
int ScaleToDpi(int pixels, int dpi);

// The DPI to lay out at so that a window of `design` outer pixels at 96 DPI,
// with its panel expanded, lies wholly in `work`: the screen's `dpi`, or the
// largest below it that fits. Never below 96, where the window is as drawn
// even if the screen is smaller still; a `dpi` of 96 or less is kept.
int FittedDpi(int dpi, SIZE design, SIZE work);

// Sets the framework's layout DPI for the main form, from the work area of
// the monitor it will open on. Call before the form is made.
void FitLayoutDpiToMainForm();
