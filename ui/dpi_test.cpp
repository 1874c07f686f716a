// The main window's pixel figures at the DPIs that 100 %, 125 % and 150 %
// scaling give: unchanged at 96, in proportion above; and the DPI it is laid
// out at so that it fits the screen.
#include "ui/dpi.h"
#include "framework/controls.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

namespace {

TEST(DpiScaling, FiguresAreExactAt96AndHalvesGoToEven) {
    struct Case {
        int pixels, dpi, expected;
    } cases[] = {
        {337, 96, 337}, {337, 120, 421}, {337, 144, 506},  // 505.5
        {34, 120, 42},                                      // 42.5
        {62, 120, 78},                                      // 77.5
        {83, 144, 124},                                     // 124.5
        {0, 144, 0},    {-20, 120, -25}, {20, 192, 40},
        {337, 0, 337},  {337, -5, 337},  // no DPI known: as designed
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleToDpi(c.pixels, c.dpi), c.expected) << c.pixels << " at " << c.dpi;
}

TEST(DpiScaling, MainLayoutKeepsItsLookAtEachDpi) {
    struct Case {
        int dpi, width, height;
        int bandHeight, frameWidth, frameHeight, statusTop, statusHeight, contactX, webX, labelsY;
    } cases[] = {
        {96, 1097, 753, 337, 1063, 73, 691, 20, 917, 997, 670},
        {120, 1371, 941, 421, 1329, 91, 863, 25, 1146, 1246, 837},
        {144, 1646, 1130, 506, 1595, 110, 1037, 30, 1376, 1496, 1006},
    };
    for (const Case& c : cases) {
        MainLayout l = ComputeMainLayout(c.width, c.height, c.dpi);
        EXPECT_EQ(l.picture.cx, c.width) << c.dpi;
        EXPECT_EQ(l.picture.cy, c.bandHeight) << c.dpi;
        EXPECT_EQ(l.frame.cx, c.frameWidth) << c.dpi;
        EXPECT_EQ(l.frame.cy, c.frameHeight) << c.dpi;
        EXPECT_EQ(l.statusBar.top, c.statusTop) << c.dpi;
        EXPECT_EQ(l.statusBar.bottom - l.statusBar.top, c.statusHeight) << c.dpi;
        EXPECT_EQ(l.statusBar.right, c.width) << c.dpi;
        EXPECT_EQ(l.contact.x, c.contactX) << c.dpi;
        EXPECT_EQ(l.web.x, c.webX) << c.dpi;
        EXPECT_EQ(l.contact.y, c.labelsY) << c.dpi;
        EXPECT_EQ(l.web.y, c.labelsY) << c.dpi;
    }
    // Without a DPI the layout is the one drawn for 96.
    MainLayout plain = ComputeMainLayout(1097, 753), at96 = ComputeMainLayout(1097, 753, 96);
    EXPECT_EQ(plain.picture.cy, at96.picture.cy);
    EXPECT_EQ(plain.statusBar.top, at96.statusBar.top);
}

TEST(FittedDpi, TheExpandedWindowFitsTheWorkAreaOrIsAsDrawn) {
    const SIZE design = {1097, 753};
    struct Case {
        int dpi, workWidth, workHeight, expected;
    } cases[] = {
        // 1920 x 1080 with the taskbar at 100 %, 125 %, 150 %: unchanged where it fits.
        {96, 1920, 1040, 96},
        {120, 1920, 1040, 120},
        {144, 1920, 1032, 131},  // 1497 x 1028
        {144, 1920, 1080, 137},  // a screen with no taskbar: 1566 x 1075
        {192, 1920, 1032, 131},
        // 1280 x 1024: the width decides (1280 x 878).
        {96, 1280, 984, 96},
        {120, 1280, 984, 112},
        {144, 1280, 1024, 112},
        {192, 1280, 984, 112},
        {192, 2560, 1360, 173},
        {192, 3840, 2080, 192},
        // Exactly the window's size fits; a pixel less in either direction does not.
        {120, 1371, 941, 120},
        {120, 1371, 940, 119},
        {120, 1370, 941, 119},
        // At 144 the panel's collapse and expand give 1131, a pixel more than 1130.
        {144, 1646, 1130, 143},
        {144, 1646, 1131, 144},
        // Smaller than the window as drawn: as drawn, never smaller.
        {96, 1366, 728, 96},
        {120, 1366, 728, 96},
        {144, 1366, 728, 96},
        {144, 800, 560, 96},
        {144, 0, 0, 96},
        {144, -10, -10, 96},
        // Below 96 DPI the window only ever shrinks with the screen's DPI.
        {72, 800, 560, 72},
        {72, 1920, 1040, 72},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FittedDpi(c.dpi, design, SIZE{c.workWidth, c.workHeight}), c.expected)
            << c.dpi << " DPI in " << c.workWidth << " x " << c.workHeight;
}

TEST(FittedDpi, ChangesNothingAt96OnTheTestScreen) {
    FitLayoutDpiToMainForm();
    EXPECT_EQ(LayoutDpi(), ScreenDpi());
    SetLayoutDpi(0);
}

}  // namespace
