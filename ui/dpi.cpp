#include "ui/dpi.h"

#include "runtime/numbers.h"

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
