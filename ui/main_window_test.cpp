// The main window's size rules and texts, apart from any window.
#include "ui/backgrounds.h"
#include "ui/contact.h"
#include "ui/help_about.h"
#include "ui/ids.h"
#include "ui/main_window.h"

#include "runtime/numbers.h"
#include "ui/presets.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowRulesTest, PanelToggleRoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(564.75), 565);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    // Designed 753: collapsed at start-up, then expand, collapse, expand.
    int h = RoundHalfEven(3.0 * 753 / 4.0);
    EXPECT_EQ(h, 565);
    h = ToggledHeight(h, 0);
    EXPECT_EQ(h, 753);
    h = ToggledHeight(h, 1);
    EXPECT_EQ(h, 565);
    EXPECT_EQ(ToggledHeight(h, 2), 753);
}

TEST(MainWindowRulesTest, LayoutFollowsTheOuterSize) {
    MainLayout l = ComputeMainLayout(1097, 753);
    EXPECT_EQ(l.picture.cx, 1097);
    EXPECT_EQ(l.picture.cy, 337);
    EXPECT_EQ(l.frame.cx, 1063);
    EXPECT_EQ(l.frame.cy, 73);
    EXPECT_EQ(l.statusBar.top, 691);
    EXPECT_EQ(l.statusBar.bottom - l.statusBar.top, 20);
    EXPECT_EQ(l.statusBar.right, 1097);
    EXPECT_EQ(ComputeMainLayout(1097, 565).statusBar.top, 503);
    MainLayout max = ComputeMainLayout(1288, 1002);
    EXPECT_EQ(max.contact.x, 1108);
    EXPECT_EQ(max.web.x, 1188);
    EXPECT_EQ(max.web.y, 919);
}

TEST(MainWindowRulesTest, DisplayIsCentredWithHalvesToEven) {
    RECT picture{0, 80, 1097, 417};
    POINT p = CentreOn(picture, SIZE{721, 137});
    EXPECT_EQ(p.x, 188);  // 376 / 2
    EXPECT_EQ(p.y, 180);  // 80 + 100
    // (1096 - 721) / 2 = 187.5 rounds to 188; (338 - 137) / 2 = 100.5 to 100.
    RECT odd{0, 80, 1096, 418};
    p = CentreOn(odd, SIZE{721, 137});
    EXPECT_EQ(p.x, 188);
    EXPECT_EQ(p.y, 180);
}

TEST(MainWindowRulesTest, BackgroundCommandsNameTheirPictures) {
    EXPECT_STREQ(BackgroundFileForCommand(menu::kBlueBackground), "未标题-1.jpg");
    EXPECT_STREQ(BackgroundFileForCommand(menu::kYellowBackground), "未标题-4.jpg");
    EXPECT_EQ(BackgroundFileForCommand(menu::kBlueBackground - 1), nullptr);
    EXPECT_EQ(BackgroundFileForCommand(menu::kYellowBackground + 1), nullptr);
    EXPECT_STREQ(kDefaultBackground, BackgroundFileForCommand(menu::kBlackBackground));
}

TEST(UsageGuideTest, FourNumberedParagraphsWithExactSeparators) {
    std::string text = UsageGuideText();
    const std::string sep = "\n\r\n\r";
    size_t a = text.find(sep), b = text.find(sep, a + 4), c = text.find(sep, b + 4);
    ASSERT_NE(c, std::string::npos);
    EXPECT_EQ(text.find(sep, c + 4), std::string::npos);
    const std::string paragraphs[] = {text.substr(0, a), text.substr(a + 4, b - a - 4),
                                      text.substr(b + 4, c - b - 4), text.substr(c + 4)};
    const char* const numbers[] = {"1、", "2、", "3、", "4、"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(paragraphs[i].rfind(numbers[i], 0), 0u) << paragraphs[i];
    // The last two give the author's account: the one the contact label shows.
    EXPECT_NE(paragraphs[2].find(TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT), std::string::npos);
    EXPECT_NE(paragraphs[3].find(TOBRIX_IM_SERVICE "：" TOBRIX_IM_ACCOUNT), std::string::npos);
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}

TEST(PresetsTest, AccessCodeIsComparedByteForByte) {
    EXPECT_TRUE(AccessCodeAccepted("5038172694"));
    EXPECT_FALSE(AccessCodeAccepted("5038172694 "));
    EXPECT_FALSE(AccessCodeAccepted(" 5038172694"));
    EXPECT_FALSE(AccessCodeAccepted("503817269"));
    EXPECT_FALSE(AccessCodeAccepted(std::string("5038172694\0", 11)));
    EXPECT_FALSE(AccessCodeAccepted(""));
}

}  // namespace
