// The main window's pixel figures at the DPIs that 100 %, 125 % and 150 %
// scaling give: unchanged at 96, in proportion above.
#include "ui/dpi.h"
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

}  // namespace
