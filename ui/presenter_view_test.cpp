// The presenter view's rules apart from its window: how large the text may
// be, which monitor it covers, which keys do what.
#include "ui/presenter_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

bool Fits(SIZE extent, SIZE area) { return 10LL * extent.cx <= 9LL * area.cx && 10LL * extent.cy <= 6LL * area.cy; }

// The answer by trying every height.
int LargestFittingHeight(SIZE area, const std::function<SIZE(int)>& measure) {
    int best = 1;
    for (int h = 1; h <= 6 * area.cy / 10; ++h)
        if (Fits(measure(h), area)) best = h;
    return best;
}

struct Measure {
    const char* name;
    std::function<SIZE(int)> extent;
};

const Measure kMeasures[] = {
    {"two ideographs", [](int h) { return SIZE{2 * h, h}; }},
    {"thirty ideographs", [](int h) { return SIZE{30 * h, h}; }},
    {"empty text", [](int h) { return SIZE{0, h}; }},
    {"latin, rounded up, leading", [](int h) { return SIZE{static_cast<LONG>(std::ceil(7 * h * 0.55)) + 3, h + h / 8}; }},
    {"fixed margin, far from proportional", [](int h) { return SIZE{10 * h + 400, h}; }},
    {"hinted in steps of 7", [](int h) { return SIZE{5 * (h - h % 7), h}; }},
    {"taller than its height", [](int h) { return SIZE{h, 2 * h}; }},
    {"never fits", [](int) { return SIZE{1000000, 1000000}; }},
};

const SIZE kAreas[] = {{1280, 1024}, {1920, 1080}, {1024, 768}, {800, 2000}, {37, 23}, {10, 1}, {0, 0}};

TEST(PresenterFontFit, FindsTheLargestHeightThatFitsForEveryMeasureAndArea) {
    for (const Measure& m : kMeasures) {
        for (SIZE area : kAreas) {
            EXPECT_EQ(FitPresenterFontHeight(area, m.extent), LargestFittingHeight(area, m.extent))
                << m.name << " in " << area.cx << "x" << area.cy;
        }
    }
}

TEST(PresenterFontFit, ProportionalTextTakesFewMeasurements) {
    // Each measurement creates a font; the view fits every candidate of a draw.
    for (int chars : {1, 2, 5, 30, 200}) {
        int calls = 0;
        auto measure = [&calls, chars](int h) {
            ++calls;
            return SIZE{chars * h, h};
        };
        const int height = FitPresenterFontHeight(SIZE{1280, 1024}, measure);
        EXPECT_EQ(height, LargestFittingHeight(SIZE{1280, 1024}, [chars](int h) { return SIZE{chars * h, h}; }));
        EXPECT_LE(calls, 3) << chars << " characters";
    }
}

// The display's own face, measured by the system as the view measures it.
SIZE MeasureWithFace(HDC dc, const std::wstring& text, int height) {
    LOGFONTW face{};
    face.lfHeight = height;
    face.lfCharSet = DEFAULT_CHARSET;
    MultiByteToWideChar(CP_ACP, 0, "宋体", -1, face.lfFaceName, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&face);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    return extent;
}

TEST(PresenterFontFit, ShortNamesFillTheScreenAndLongOnesStayInside) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const SIZE screen{1280, 1024};
    const std::wstring shortName = L"\u5F20\u4F1F";  // 张伟
    std::wstring longName;
    for (int i = 0; i < 30; ++i) longName += static_cast<wchar_t>(0x4E00 + 37 * i);
    auto measureShort = [&](int h) { return MeasureWithFace(dc, shortName, h); };
    auto measureLong = [&](int h) { return MeasureWithFace(dc, longName, h); };

    const int shortHeight = FitPresenterFontHeight(screen, measureShort);
    EXPECT_GE(MeasureWithFace(dc, shortName, shortHeight).cy * 10, screen.cy * 4);
    EXPECT_TRUE(Fits(MeasureWithFace(dc, shortName, shortHeight), screen));

    const int longHeight = FitPresenterFontHeight(screen, measureLong);
    const SIZE longExtent = MeasureWithFace(dc, longName, longHeight);
    EXPECT_TRUE(Fits(longExtent, screen)) << longExtent.cx << "x" << longExtent.cy;
    EXPECT_FALSE(Fits(MeasureWithFace(dc, longName, longHeight + 1), screen)) << "not the largest";
    EXPECT_LT(longHeight, shortHeight);
    DeleteDC(dc);
}

TEST(PresenterMonitor, ThePresenterGetsTheMonitorWithoutTheMainWindow) {
    const RECT laptop{0, 0, 1366, 768}, projector{1366, 0, 3286, 1080}, left{-1280, 0, 0, 1024};
    struct Case {
        const char* name;
        std::vector<RECT> monitors;
        RECT mainWindow;
        RECT expected;
    } cases[] = {
        {"one monitor", {laptop}, {100, 100, 1197, 665}, laptop},
        {"one monitor, window off it", {laptop}, {5000, 5000, 6000, 6000}, laptop},
        {"main on the first", {laptop, projector}, {100, 100, 1197, 665}, projector},
        {"main on the second", {laptop, projector}, {1500, 100, 2597, 665}, laptop},
        {"main across both, mostly on the second", {laptop, projector}, {1000, 100, 2097, 665}, laptop},
        {"main across both, mostly on the first", {laptop, projector}, {600, 100, 1697, 665}, projector},
        {"three, main on the third", {laptop, projector, left}, {-1000, 100, -100, 600}, laptop},
        {"three, main on the first", {laptop, projector, left}, {100, 100, 600, 600}, projector},
        {"none", {}, {0, 0, 10, 10}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        RECT got = ChoosePresenterMonitor(c.monitors, c.mainWindow);
        EXPECT_TRUE(EqualRect(&got, &c.expected)) << c.name << ": " << got.left << "," << got.top << "-"
                                                  << got.right << "," << got.bottom;
    }
}

TEST(PresenterKeys, ClickerKeysPressEscAndF11CloseRepeatsDoNothing) {
    const LPARAM pressed = 0x00000001, repeated = 0x40000001;
    struct Case {
        WPARAM key;
        PresenterKey action;
    } cases[] = {
        {VK_SPACE, PresenterKey::PressButton},  {VK_RETURN, PresenterKey::PressButton},
        {VK_NEXT, PresenterKey::PressButton},   {VK_PRIOR, PresenterKey::PressButton},
        {VK_RIGHT, PresenterKey::PressButton},  {VK_LEFT, PresenterKey::PressButton},
        {VK_DOWN, PresenterKey::PressButton},   {VK_UP, PresenterKey::PressButton},
        {VK_OEM_PERIOD, PresenterKey::PressButton}, {VK_DECIMAL, PresenterKey::PressButton},
        {VK_ESCAPE, PresenterKey::Close},       {VK_F11, PresenterKey::Close},
        {'A', PresenterKey::None},              {VK_F5, PresenterKey::None},
        {VK_TAB, PresenterKey::None},           {VK_SHIFT, PresenterKey::None},
        {VK_OEM_COMMA, PresenterKey::None},     {VK_BACK, PresenterKey::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPresenterKey(c.key, pressed), c.action) << "key " << c.key;
        EXPECT_EQ(ClassifyPresenterKey(c.key, repeated), PresenterKey::None) << "repeated key " << c.key;
    }
}

}  // namespace
