#include "ui/dpi.h"

#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/numbers.h"
#include "ui/forms/definitions.h"
#include "ui/ids.h"
#include "ui/main_window.h"

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int ScaleToDpi(int pixels, int dpi) {
    if (dpi <= 0 || dpi == kDesignDpi) return pixels;
    return RoundHalfEven(static_cast<double>(pixels) * dpi / kDesignDpi);
}

int FittedDpi(int dpi, SIZE design, SIZE work) {
    auto fits = [&](int at) {
        const int width = ScaleToDpi(design.cx, at), height = ScaleToDpi(design.cy, at);
        // The panel starts collapsed; expanding it rounds the height again.
        const int expanded = ToggledHeight(ToggledHeight(height, 1), 0);
        return width <= work.cx && height <= work.cy && expanded <= work.cy;
    };
    int at = dpi;
    while (at > kDesignDpi && !fits(at)) --at;
    return at;
}

void FitLayoutDpiToMainForm() {
    FormDefinition form;
    if (!GetFormDefinition(kMainFormName, form)) return;
    // Twips are 15 to the pixel at 96 DPI.
    const SIZE design = {RoundHalfEven(form.width / 15.0), RoundHalfEven(form.height / 15.0)};
    // The monitor the form is centred on when it opens.
    const RECT work = GetMonitorWorkArea(nullptr, true);
    const int screen = ScreenDpi();
    const int fitted = FittedDpi(screen, design, SIZE{work.right - work.left, work.bottom - work.top});
    SetLayoutDpi(fitted == screen ? 0 : fitted);
}
