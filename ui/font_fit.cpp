#include "ui/font_fit.h"

#include <algorithm>

namespace {

bool fitsArea(SIZE extent, SIZE area) {
    // Integer forms of extent <= 90 % of the width and <= 60 % of the height.
    return 10LL * extent.cx <= 9LL * area.cx && 10LL * extent.cy <= 6LL * area.cy;
}

}  // namespace

int FitPresenterFontHeight(SIZE area, const std::function<SIZE(int height)>& measure) {
    // Heights at or below `fits` are known to fit, those at or above `fails`
    // not. The text's extent grows nearly in proportion to the height, so one
    // probe at the most the area allows, one at the proportional estimate and
    // one beside it usually settle it; halving finishes any other case.
    const int most = static_cast<int>(6LL * area.cy / 10);
    if (most < 1) return 1;
    int fits = 0, fails = most + 1;
    auto probe = [&](int height) {
        if (height <= fits || height >= fails) return;
        if (fitsArea(measure(height), area)) {
            fits = height;
        } else {
            fails = height;
        }
    };
    const SIZE largest = measure(most);
    if (fitsArea(largest, area)) return most;
    fails = most;
    double scale = 1.0;
    if (largest.cx > 0) scale = std::min(scale, 0.9 * area.cx / largest.cx);
    if (largest.cy > 0) scale = std::min(scale, 0.6 * area.cy / largest.cy);
    // The small addition keeps an exact answer (576.0) from flooring to 575.
    const int estimate = std::max(1, static_cast<int>(most * scale + 1e-6));
    probe(estimate);
    probe(fits == estimate ? estimate + 1 : estimate - 1);
    while (fails - fits > 1) probe(fits + (fails - fits) / 2);
    return std::max(fits, 1);
}
