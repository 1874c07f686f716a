// The main window's size rules and texts, apart from any window.
#include "ui/backgrounds.h"
#include "ui/help_about.h"
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
    EXPECT_STREQ(BackgroundFileForCommand(1000), "未标题-1.jpg");
    EXPECT_STREQ(BackgroundFileForCommand(1003), "未标题-4.jpg");
    EXPECT_EQ(BackgroundFileForCommand(999), nullptr);
    EXPECT_EQ(BackgroundFileForCommand(1004), nullptr);
    EXPECT_STREQ(kDefaultBackground, BackgroundFileForCommand(1001));
}

TEST(UsageGuideTest, FourParagraphsWithExactSeparators) {
    std::string text = UsageGuideText();
    const std::string sep = "\n\r\n\r";
    size_t a = text.find(sep), b = text.find(sep, a + 4), c = text.find(sep, b + 4);
    ASSERT_NE(c, std::string::npos);
    EXPECT_EQ(text.find(sep, c + 4), std::string::npos);
    EXPECT_EQ(text.substr(0, a),
              "1、在'切换'选项里可以切换选择抽取数字或者抽取姓名，抽取姓名选项里待抽文件以文本形式保存。"
              "每个姓名以换行隔开。");
    EXPECT_EQ(text.substr(a + 4, b - a - 4), "2、'模式切换'用于查看抽取记录，和其他一些功能。");
    std::string p3 = text.substr(b + 4, c - b - 4), p4 = text.substr(c + 4);
    EXPECT_EQ(p3.rfind("3、'高级选项'用于预设抽取的结果，", 0), 0u);
    EXPECT_NE(p3.find("鹊信:80417263"), std::string::npos);
    EXPECT_EQ(p4.rfind("4、如需功能更改或者重新开发请联系", 0), 0u);
    EXPECT_NE(p4.find("鹊信：80417263，"), std::string::npos);
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
