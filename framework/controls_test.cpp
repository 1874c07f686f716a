#include "framework/controls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "framework/forms.h"
#include "tests/support/framework_test_support.h"
#include "ui/ids.h"

using namespace fwtest;

namespace {

struct MainForm : ::testing::Test {
    HWND form = nullptr;
    void SetUp() override {
        form = CreateForm(kMainFormName, nullptr, 0);
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override {
        if (IsWindow(form)) DestroyWindow(form);
    }
    HWND item(int id) { return GetDlgItem(form, id); }
    RECT clientRect(int id) {
        RECT r;
        GetWindowRect(item(id), &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // Shows the form and paints it completely.
    void showAndPaint() {
        SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(50);
    }
    COLORREF pixelOf(int id, int x, int y) {
        HDC dc = GetDC(item(id));
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(item(id), dc);
        return c;
    }
};

LOGFONTA fontOf(HWND window) {
    LOGFONTA lf = {};
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

TEST(Twips, ConvertAtTheScreenDpi) {
    int x = 7080, y = 6600, w = 1455, h = 495;
    TwipsToPixels(nullptr, x, y, w, h);
    EXPECT_EQ(x, 472);
    EXPECT_EQ(y, 440);
    EXPECT_EQ(w, 97);
    EXPECT_EQ(h, 33);
    // 7 and 8 twips lie either side of half a pixel.
    x = 7, y = 8, w = -8, h = 0;
    TwipsToPixels(nullptr, x, y, w, h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, 0);
}

// A layout DPI other than the screen's (112 on this 96-DPI screen, where the
// window still fits the 1280 x 1024 display): the form, its controls and
// their fonts are made at it, the dialog font included, and that font goes
// with the form.
TEST(LayoutDpi, FormsAreMadeAtItAndItsFontGoesWithTheForm) {
    ASSERT_EQ(LayoutDpi(), 96);
    struct Reset {
        ~Reset() { SetLayoutDpi(0); }
    } reset;
    SetLayoutDpi(112);
    EXPECT_EQ(LayoutDpi(), 112);
    int x = 0, y = 0, w = 16455, h = 11295;
    TwipsToPixels(nullptr, x, y, w, h);
    EXPECT_EQ(w, 1280);  // 1279.83
    EXPECT_EQ(h, 878);   // 878.5

    HWND form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    RECT outer;
    GetWindowRect(form, &outer);
    EXPECT_EQ(outer.right - outer.left, 1280);
    EXPECT_EQ(outer.bottom - outer.top, 878);
    RECT start;
    GetWindowRect(GetDlgItem(form, form1::kStart), &start);
    EXPECT_EQ(start.right - start.left, 113);  // 97 at 96 DPI

    LOGFONTA dialog = fontOf(form), button = fontOf(GetDlgItem(form, form1::kStart));
    EXPECT_EQ(button.lfHeight, MulDiv(dialog.lfHeight, 112, 96));
    EXPECT_STREQ(button.lfFaceName, dialog.lfFaceName);
    EXPECT_EQ(fontOf(GetDlgItem(form, form1::kResultDisplay)).lfHeight, -112);  // 72 points
    EXPECT_EQ(fontOf(GetDlgItem(form, form1::kDrawRecord)).lfHeight, -23);     // 15 points
    HGDIOBJ scaled = reinterpret_cast<HGDIOBJ>(SendMessageA(GetDlgItem(form, form1::kStart), WM_GETFONT, 0, 0));
    EXPECT_EQ(GetPropA(form, "ZQ_FONT"), scaled);
    DestroyWindow(form);
    EXPECT_EQ(GetObjectType(scaled), 0u);

    // Back at the screen's DPI the form is as drawn and keeps its dialog font.
    SetLayoutDpi(0);
    EXPECT_EQ(LayoutDpi(), 96);
    form = CreateForm(kMainFormName, nullptr, 0);
    ASSERT_NE(form, nullptr);
    GetWindowRect(form, &outer);
    EXPECT_EQ(outer.bottom - outer.top, 753);
    EXPECT_EQ(SendMessageA(GetDlgItem(form, form1::kStart), WM_GETFONT, 0, 0), SendMessageA(form, WM_GETFONT, 0, 0));
    EXPECT_EQ(GetPropA(form, "ZQ_FONT"), nullptr);
    DestroyWindow(form);
}

TEST_F(MainForm, ControlsTakeTheirDefinedPlaces) {
    RECT start = clientRect(form1::kStart);
    EXPECT_EQ(start.left, 472);
    EXPECT_EQ(start.top, 440);
    EXPECT_EQ(start.right - start.left, 97);
    EXPECT_EQ(start.bottom - start.top, 33);

    // Every ID up to the last exists; the one after does not.
    for (int id = form1::kStart; id <= form1::kLastControl; ++id) EXPECT_NE(item(id), nullptr) << id;
    EXPECT_EQ(item(form1::kLastControl + 1), nullptr);

    // Every control is a clipping child; the name-file controls start hidden,
    // Stop starts disabled.
    const std::set<int> startHidden = {form1::kEditFile,      form1::kNewFile,      form1::kDeleteFile,
                                       form1::kRefreshFiles,  form1::kNameFileList, form1::kFileListLabel};
    for (int id = form1::kStart; id <= form1::kLastControl; ++id) {
        LONG style = GetWindowLongA(item(id), GWL_STYLE);
        EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
                  static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN))
            << id;
        EXPECT_EQ((style & WS_VISIBLE) == 0, startHidden.count(id) == 1) << id;
    }
    EXPECT_FALSE(IsWindowEnabled(item(form1::kStop)));
    EXPECT_TRUE(IsWindowEnabled(item(form1::kStart)));
    EXPECT_EQ(GetWindowLongA(item(form1::kResultDisplay), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);

    char cls[64];
    GetClassNameA(item(form1::kPicture), cls, sizeof cls);
    EXPECT_STREQ(cls, "ZQ_IPictureBox");
    char text[64];
    GetWindowTextA(item(form1::kStart), text, sizeof text);
    EXPECT_STREQ(text, "开始");
    GetWindowTextA(item(form1::kUpperLimit), text, sizeof text);
    EXPECT_STREQ(text, "10");
}

TEST_F(MainForm, ColoursAreStoredPlusOne) {
    EXPECT_EQ(PropValue(item(form1::kFrequencyLabel), "ZQ_BACKCOLOR"), 0xE0E0E1u);
    EXPECT_EQ(GetPropA(item(form1::kFrequencyLabel), "ZQ_FORECOLOR"), nullptr);

    std::map<std::string, HANDLE> display = FrameworkProps(item(form1::kResultDisplay));
    EXPECT_EQ(display.count("ZQ_BACKCOLOR"), 0u);
    EXPECT_EQ(display.count("ZQ_BACKCOLOREB"), 0u);
    EXPECT_EQ(PropValue(item(form1::kResultDisplay), "ZQ_FORECOLOR"), 0x100u);

    EXPECT_EQ(PropValue(form, "ZQ_BACKCOLOREB"), 0xE0E0E1u);
    EXPECT_EQ(PropValue(form, "ZQ_FORECOLOR"), 1u);
    EXPECT_EQ(GetPropA(form, "ZQ_BACKCOLOR"), nullptr);

    EXPECT_EQ(PropValue(item(form1::kContactLabel), "ZQ_BACKCOLOR"), 0xE0E0E1u);
    EXPECT_EQ(PropValue(item(form1::kContactLabel), "ZQ_FORECOLOR"), 0xC1u);
    EXPECT_EQ(FrameworkProps(item(form1::kStart)).count("ZQ_BACKCOLOR"), 0u);
}

TEST_F(MainForm, ColourValuesOutsideRgbAndSystemMeanNone) {
    SetControlColors(form, form1::kFrequencyLabel, 0, 0x02000000);
    EXPECT_EQ(PropValue(item(form1::kFrequencyLabel), "ZQ_BACKCOLOR"), 1u);  // black
    EXPECT_EQ(GetPropA(item(form1::kFrequencyLabel), "ZQ_FORECOLOR"), nullptr);
    SetControlColors(form, form1::kFrequencyLabel, -1, 0x0100000F);
    EXPECT_EQ(GetPropA(item(form1::kFrequencyLabel), "ZQ_BACKCOLOR"), nullptr);
    EXPECT_EQ(PropValue(item(form1::kFrequencyLabel), "ZQ_FORECOLOR"), 0x01000010u);
    SetControlColors(form, form1::kFrequencyLabel, 0xFF123456, -1);
    EXPECT_TRUE(FrameworkProps(item(form1::kFrequencyLabel)).empty());
}

TEST_F(MainForm, ClassesKeepTheirColoursTheirOwnWay) {
    // A transparent group box also erases in its back colour.
    SetControlColors(form, form1::kSettingsFrame, 0x123456, -1);
    EXPECT_EQ(PropValue(item(form1::kSettingsFrame), "ZQ_BACKCOLOR"), 0x123457u);
    EXPECT_EQ(PropValue(item(form1::kSettingsFrame), "ZQ_BACKCOLOREB"), 0x123457u);
    // The status bar takes the colour itself and keeps no properties.
    SetControlColors(form, form1::kStatusBar, 0x123456, 0x654321);
    EXPECT_TRUE(FrameworkProps(item(form1::kStatusBar)).empty());
}

TEST_F(MainForm, SystemColourIsPaintedAsTheCurrentColour) {
    SetControlColors(form, form1::kFrequencyLabel, 0x01000005, -1);
    EXPECT_EQ(PropValue(item(form1::kFrequencyLabel), "ZQ_BACKCOLOR"), 0x01000006u);
    showAndPaint();
    // Right of the text, the label shows only its background.
    EXPECT_EQ(pixelOf(form1::kFrequencyLabel, 60, 20), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(pixelOf(form1::kStepLabel, 45, 18), 0xE0E0E0u);
    // The form's own erase colour between the controls.
    HDC dc = GetDC(form);
    EXPECT_EQ(GetPixel(dc, 1060, 520), 0xE0E0E0u);
    ReleaseDC(form, dc);
}

TEST_F(MainForm, RepaintingWithTheSameColoursLeaksNoBrush) {
    showAndPaint();
    HANDLE first = GetPropA(item(form1::kFrequencyLabel), "ZQ_BRUSH");
    ASSERT_NE(first, nullptr);  // made by the first paint
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BRUSH));
    // Setting colours repaints a visible control at once, with a new brush.
    SetControlColors(form, form1::kFrequencyLabel, 0xE0E0E0, -1);
    EXPECT_EQ(GetObjectType(first), 0u);  // deleted
    HANDLE between = GetPropA(item(form1::kFrequencyLabel), "ZQ_BRUSH");
    SetControlColors(form, form1::kFrequencyLabel, 0xE0E0E0, -1);
    if (between) {
        EXPECT_EQ(GetObjectType(between), 0u);
    }
    showAndPaint();
    HANDLE second = GetPropA(item(form1::kFrequencyLabel), "ZQ_BRUSH");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BRUSH));
    // Paints reuse the stored brush.
    InvalidateRect(item(form1::kFrequencyLabel), nullptr, TRUE);
    UpdateWindow(item(form1::kFrequencyLabel));
    EXPECT_EQ(GetPropA(item(form1::kFrequencyLabel), "ZQ_BRUSH"), second);
    DestroyWindow(form);
    EXPECT_EQ(GetObjectType(second), 0u);
}

TEST_F(MainForm, FontsFollowTheirDefinitions) {
    LOGFONTA display = fontOf(item(form1::kResultDisplay));
    EXPECT_EQ(display.lfHeight, -96);
    EXPECT_EQ(display.lfWeight, 400);
    EXPECT_STREQ(display.lfFaceName, "宋体");
    LOGFONTA record = fontOf(item(form1::kDrawRecord));
    EXPECT_EQ(record.lfHeight, -20);
    EXPECT_EQ(record.lfWeight, 700);
    EXPECT_EQ(GetPropA(item(form1::kResultDisplay), "ZQ_FONT"), reinterpret_cast<HANDLE>(SendMessageA(item(form1::kResultDisplay), WM_GETFONT, 0, 0)));
    // The rest use the form's dialog font.
    EXPECT_EQ(SendMessageA(item(form1::kStart), WM_GETFONT, 0, 0), SendMessageA(form, WM_GETFONT, 0, 0));
    EXPECT_EQ(GetPropA(item(form1::kStart), "ZQ_FONT"), nullptr);
}

TEST_F(MainForm, ReplacingAFontDeletesTheOldOne) {
    HANDLE old = GetPropA(item(form1::kResultDisplay), "ZQ_FONT");
    ASSERT_EQ(SetControlFont(form, form1::kResultDisplay, "Arial", 12, false, true, true, false), 1);
    EXPECT_EQ(GetObjectType(old), 0u);
    LOGFONTA lf = fontOf(item(form1::kResultDisplay));
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_TRUE(lf.lfUnderline);

    // No face: the stock GUI font, and nothing of ours left to release.
    HANDLE arial = GetPropA(item(form1::kResultDisplay), "ZQ_FONT");
    ASSERT_EQ(SetControlFont(form, form1::kResultDisplay, "  ", 12, false, false, false, false), 1);
    EXPECT_EQ(GetObjectType(arial), 0u);
    EXPECT_EQ(GetPropA(item(form1::kResultDisplay), "ZQ_FONT"), nullptr);
    EXPECT_EQ(SendMessageA(item(form1::kResultDisplay), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST(MakeFont, SizesByPointsAtTheDcDpi) {
    EXPECT_EQ(MakeFont(nullptr, "", 12, 400, false, false, false), nullptr);
    EXPECT_EQ(MakeFont(nullptr, "   ", 12, 400, false, false, false), nullptr);
    struct {
        float points;
        LONG height;
    } cases[] = {{72, -96}, {15, -20}, {8, -10}, {9, -12}, {10.5f, -14}};
    for (auto c : cases) {
        HFONT font = MakeFont(nullptr, " Arial ", c.points, 700, false, false, true);
        ASSERT_NE(font, nullptr);
        LOGFONTA lf = {};
        GetObjectA(font, sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, c.height) << c.points;
        EXPECT_EQ(lf.lfWeight, 700);
        EXPECT_TRUE(lf.lfStrikeOut);
        EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
        EXPECT_STREQ(lf.lfFaceName, "Arial");
        DeleteObject(font);
    }
}

TEST(HeapBlocks, HoldOneByteMoreThanAskedAndAtLeast16) {
    long before = FrameworkHeapBlockCount();
    EXPECT_EQ(FrameworkHeapAlloc(0), nullptr);
    void* small = FrameworkHeapAlloc(1);
    void* large = FrameworkHeapAlloc(40);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, small), 16u);
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, large), 41u);
    const unsigned char* bytes = static_cast<const unsigned char*>(large);
    for (int i = 0; i < 41; ++i) EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(FrameworkHeapBlockCount(), before + 2);
    FrameworkHeapFree(small);
    FrameworkHeapFree(large);
    FrameworkHeapFree(nullptr);
    EXPECT_EQ(FrameworkHeapBlockCount(), before);
}

TEST_F(MainForm, TagsAreCountedCopies) {
    long before = FrameworkHeapBlockCount();
    ASSERT_EQ(SetControlTag(form, form1::kStart, std::string("a\0b", 3)), 1);
    const char* block = static_cast<const char*>(GetPropA(item(form1::kStart), "ZQ_TAG"));
    ASSERT_NE(block, nullptr);
    uint32_t length;
    std::memcpy(&length, block, 4);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(std::string(block + 4, 4), std::string("a\0b\0", 4));

    EXPECT_EQ(FrameworkHeapBlockCount(), before + 1);

    ASSERT_EQ(SetControlTag(item(form1::kStart), 0, "longer text"), 1);
    block = static_cast<const char*>(GetPropA(item(form1::kStart), "ZQ_TAG"));
    ASSERT_NE(block, nullptr);
    std::memcpy(&length, block, 4);
    EXPECT_EQ(std::string(block + 4, length + 1), std::string("longer text", 12));
    EXPECT_EQ(FrameworkHeapBlockCount(), before + 1);

    ASSERT_EQ(SetControlTag(form, form1::kStart, ""), 1);
    EXPECT_EQ(GetPropA(item(form1::kStart), "ZQ_TAG"), nullptr);
    EXPECT_EQ(FrameworkHeapBlockCount(), before);

    // Destruction frees a tag that is still set.
    SetControlTag(form, form1::kStop, "gone with the form");
    EXPECT_EQ(FrameworkHeapBlockCount(), before + 1);
    DestroyWindow(form);
    EXPECT_EQ(FrameworkHeapBlockCount(), before - 1);  // the form's name went too
}

TEST_F(MainForm, MissingTargetsChangeNothing) {
    long blocks = FrameworkHeapBlockCount();
    EXPECT_EQ(SetControlTag(form, 999, "x"), 0);
    EXPECT_EQ(SetControlTag(nullptr, 0, "x"), 0);
    EXPECT_EQ(SetControlFont(form, 999, "Arial", 10, false, false, false, false), 0);
    EXPECT_EQ(SetControlFont(nullptr, 0, "Arial", 10, false, false, false, false), 0);
    SetControlColors(form, 999, 0x123456, 0x123456);
    SetControlColors(nullptr, 0, 0x123456, 0x123456);
    EXPECT_EQ(FrameworkHeapBlockCount(), blocks);
    EXPECT_EQ(ResolveTarget(form, 999), nullptr);
}

}  // namespace
