// What the real program paints behind its display (sampled from the screen),
// its usage guide and its about form.
#include "tests/e2e/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ui/contact.h"

namespace {

bool IsDark(COLORREF c) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    return hi < 100 && hi - lo < 30;
}

// The gradients run dark toward the edges: the hue is what tells them apart.
bool IsBlue(COLORREF c) {
    return GetBValue(c) > GetRValue(c) + 40 && GetBValue(c) > GetGValue(c) + 25;
}

bool IsYellow(COLORREF c) {
    return GetRValue(c) > GetBValue(c) + 60 && GetGValue(c) > GetBValue(c) + 40 &&
           GetRValue(c) >= GetGValue(c);
}

bool IsButtonFace(COLORREF c) { return c == GetSysColor(COLOR_BTNFACE); }

std::string Hex(COLORREF c) {
    char s[16];
    std::snprintf(s, sizeof s, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

class BackgroundsHelpE2E : public TobrixE2E {
protected:
    // Points of the band that the display does not cover, inside the visible
    // client area: its corners and above and below the display.
    std::vector<POINT> BandPoints() {
        RECT band = ControlRectInClient(form, form1::kPicture), display = ControlRectInClient(form, form1::kResultDisplay);
        RECT client;
        GetClientRect(form, &client);
        int right = std::min(band.right, client.right) - 12, mid = (display.left + display.right) / 2;
        std::vector<POINT> points = {{band.left + 12, band.top + 12},   {band.left + 12, band.bottom - 12},
                                     {right, band.top + 12},            {right, band.bottom - 12},
                                     {mid, band.top + 8},               {mid, band.bottom - 8},
                                     {display.left - 30, (band.top + band.bottom) / 2}};
        for (POINT p : points) {
            bool inDisplay = p.x >= display.left && p.x < display.right && p.y >= display.top &&
                             p.y < display.bottom;
            EXPECT_FALSE(inDisplay) << p.x << "," << p.y;
        }
        return points;
    }

    // Waits until every band point has a colour of the kind; reports the
    // colours last seen when it does not happen.
    bool BandBecomes(bool (*kind)(COLORREF), DWORD timeoutMs, std::string* seen) {
        DWORD start = GetTickCount();
        do {
            bool all = true;
            seen->clear();
            for (POINT p : BandPoints()) {
                COLORREF c = ScreenPixelInClient(form, p);
                *seen += Hex(c) + " ";
                all = all && kind(c);
            }
            if (all) return true;
            PumpFor(50);
        } while (GetTickCount() - start < timeoutMs);
        return false;
    }

};

TEST_F(BackgroundsHelpE2E, BandShowsEachGradientAndPlainColourWhenPictureIsGone) {
    Launch(MakeProgramDirectory("band"));
    std::string seen;
    EXPECT_TRUE(BandBecomes(IsDark, 3000, &seen)) << "black gradient at start-up: " << seen;
    RECT band = ControlRectInClient(form, form1::kPicture);
    EXPECT_EQ(band.left, 0);
    EXPECT_EQ(band.right - band.left, OuterSize(form).cx);
    EXPECT_EQ(band.bottom - band.top, 337);

    SendMenuCommand(form, menu::kYellowBackground);
    EXPECT_TRUE(BandBecomes(IsYellow, 3000, &seen)) << "yellow: " << seen;

    ASSERT_TRUE(DeleteFileA((run.directory + "未标题-3.jpg").c_str()));
    SendMenuCommand(form, menu::kRedBackground);
    ForceRepaint(form);
    EXPECT_TRUE(BandBecomes(IsButtonFace, 3000, &seen)) << "no red picture: " << seen;
    EXPECT_EQ(WaitForWindow(pid(), "提示", 100), nullptr);

    // Blue comes at once, without a repaint from outside.
    SendMenuCommand(form, menu::kBlueBackground);
    EXPECT_TRUE(BandBecomes(IsBlue, 2000, &seen)) << "blue: " << seen;

    // Maximised, the picture spans the new width, still 337 high; the right
    // end of the band lies where the window did not reach before.
    SendMessageA(form, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(IsZoomed(form));
    band = ControlRectInClient(form, form1::kPicture);
    EXPECT_EQ(band.right - band.left, OuterSize(form).cx);
    EXPECT_EQ(band.bottom - band.top, 337);
    EXPECT_TRUE(BandBecomes(IsBlue, 3000, &seen)) << "maximised: " << seen;

    SendMenuCommand(form, menu::kBlackBackground);
    EXPECT_TRUE(BandBecomes(IsDark, 3000, &seen)) << "black again: " << seen;
}

TEST_F(BackgroundsHelpE2E, NoPicturesLeaveThePlainBandAndTheProgramWorks) {
    std::string dir = MakeProgramDirectory("nopictures", false);
    // Not a picture at all, under one of the names.
    ASSERT_TRUE(WriteFileBytes(dir + "未标题-4.jpg", "JFIF?"));
    Launch(dir);
    std::string seen;
    EXPECT_TRUE(BandBecomes(IsButtonFace, 3000, &seen)) << seen;
    for (int command = menu::kBlueBackground; command <= menu::kYellowBackground; ++command) SendMenuCommand(form, command);
    ForceRepaint(form);
    EXPECT_TRUE(BandBecomes(IsButtonFace, 3000, &seen)) << seen;
    EXPECT_EQ(WaitForWindow(pid(), "提示", 100), nullptr);

    SendClick(form, form1::kStart);
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, [](const std::string& s) { return !s.empty(); }, 5000));
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + ControlText(form, form1::kResultDisplay));
}

TEST_F(BackgroundsHelpE2E, UsageGuideTextByteForByte) {
    Launch(MakeProgramDirectory("guide"));
    PostMenuCommand(form, menu::kUsageGuide);
    HWND box = WaitForMessageBox(pid(), "帮助", 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(WaitForEnabled(form, false, 2000));
    std::string text = MessageBoxText(box);

    const std::string separator = "\n\r\n\r";
    std::vector<std::string> paragraphs;
    for (size_t from = 0;;) {
        size_t at = text.find(separator, from);
        paragraphs.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + separator.size();
    }
    ASSERT_EQ(paragraphs.size(), 4u) << text;
    EXPECT_EQ(paragraphs[0],
              "1、在'切换'选项里可以切换选择抽取数字或者抽取姓名，抽取姓名选项里待抽文件以文本形式"
              "保存。每个姓名以换行隔开。");
    EXPECT_EQ(paragraphs[1], "2、'模式切换'用于查看抽取记录，和其他一些功能。");
    const std::string p3 = "3、'高级选项'用于预设抽取的结果，";
    const std::string p4 = "4、如需功能更改或者重新开发请联系";
    EXPECT_EQ(paragraphs[2].substr(0, p3.size()), p3);
    EXPECT_EQ(paragraphs[3].substr(0, p4.size()), p4);
    EXPECT_NE(paragraphs[2].find(TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT), std::string::npos);
    EXPECT_NE(paragraphs[3].find(TOBRIX_IM_SERVICE "：" TOBRIX_IM_ACCOUNT "，"), std::string::npos);
    for (const std::string& p : paragraphs) {
        EXPECT_EQ(p.find_first_of("\r\n"), std::string::npos) << p;
        EXPECT_FALSE(p.empty());
    }
    // Only an OK button, no icon.
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(box, IDOK)));
    for (int id : {IDCANCEL, IDYES, IDNO}) {
        HWND b = GetDlgItem(box, id);
        EXPECT_TRUE(!b || !IsWindowVisible(b)) << id;
    }
    HWND icon = GetDlgItem(box, 0x0440);
    EXPECT_TRUE(!icon || !IsWindowVisible(icon) || !SendMessageA(icon, STM_GETICON, 0, 0));

    DismissMessageBox(box);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    EXPECT_TRUE(Responds(form, 5000));
    EXPECT_TRUE(WaitForEnabled(form, true, 2000));
}

TEST_F(BackgroundsHelpE2E, AboutFormShowsContactsAndItsNoticeCannotBePressed) {
    Launch(MakeProgramDirectory("about"));
    PostMenuCommand(form, menu::kAbout);
    HWND about = WaitForWindow(pid(), "关于我们", 5000);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(WaitForEnabled(form, false, 2000));
    EXPECT_FALSE(ControlEnabled(about, form5::kBugNote));
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(about, form5::kBugNote), GWL_STYLE) & WS_DISABLED);
    EXPECT_EQ(ControlText(about, form5::kBugNote), "随意制作，漏洞在所难免，如果你发现BUG请联系我。。");
    EXPECT_TRUE(ControlEnabled(about, form5::kWebLink));
    EXPECT_EQ(ControlText(about, form5::kWebLink), "点击此访问我>>获取更多的支持");
    EXPECT_EQ(ControlText(about, form5::kImLabel), "我的" TOBRIX_IM_SERVICE);
    EXPECT_EQ(ControlText(about, form5::kImAccount), TOBRIX_IM_ACCOUNT);
    EXPECT_EQ(ControlText(about, form5::kWebLabel), ControlText(form, form1::kWebLabel));
    EXPECT_FALSE(ControlText(about, form5::kWebLabel).empty());

    // The close box; its notice button did nothing meanwhile.
    PostMessageA(GetDlgItem(about, form5::kBugNote), BM_CLICK, 0, 0);
    PumpFor(200);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(TopLevelWindows(pid()).size(), 2u);
    PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitForWindowGone(about, 5000));
    EXPECT_TRUE(Responds(form, 5000));
    EXPECT_TRUE(WaitForEnabled(form, true, 2000));
}

}  // namespace
