// A prize batch on the presenter view, read back from the view's own pixels:
// every name inside its slot and the slots on the screen, at a legible size,
// rolling then frozen, and back to the display's text afterwards.
#include "ui/batch_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/diagnostics.h"
#include "ui/ids.h"
#include "ui/presenter_view.h"

namespace {

long Property(HWND view, const char* name) {
    return static_cast<long>(reinterpret_cast<intptr_t>(GetPropA(view, name)));
}

BatchLayout LayoutOf(HWND view) {
    BatchLayout l;
    l.count = Property(view, kBatchSlotsProperty);
    l.fontSize = Property(view, kBatchFontSizeProperty);
    l.columns = Property(view, kBatchColumnsProperty);
    l.rows = Property(view, kBatchRowsProperty);
    l.slotWidth = Property(view, kBatchSlotWidthProperty);
    l.slotHeight = Property(view, kBatchSlotHeightProperty);
    l.left = Property(view, kBatchLeftProperty);
    l.top = Property(view, kBatchTopProperty);
    return l;
}

// The view's client area as 32-bit pixels, top row first.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> bits;
    // The display's red, and the antialiased edges of it; the background
    // here is black.
    bool Ink(int x, int y) const {
        const DWORD p = bits[static_cast<std::size_t>(y) * width + x];
        return ((p >> 16) & 0xFF) >= 128 && ((p >> 8) & 0xFF) < 64 && (p & 0xFF) < 64;
    }
    int InkIn(const RECT& r) const {
        int count = 0;
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width); ++x) count += Ink(x, y);
        return count;
    }
};

Pixels Capture(HWND view) {
    RECT client;
    GetClientRect(view, &client);
    Pixels p;
    p.width = client.right;
    p.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(view);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, p.width, p.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD* first = static_cast<const DWORD*>(bits);
    p.bits.assign(first, first + static_cast<std::size_t>(p.width) * p.height);
    // For looking at: TOBRIX_BATCH_SHOTS=<folder> keeps each capture.
    if (const char* folder = std::getenv("TOBRIX_BATCH_SHOTS")) {
        static int shot = 0;
        const std::string path = std::string(folder) + "/batch-" + std::to_string(++shot) + ".bmp";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            BITMAPFILEHEADER header{};
            const DWORD size = static_cast<DWORD>(p.bits.size() * 4);
            header.bfType = 0x4D42;
            header.bfOffBits = sizeof header + sizeof info.bmiHeader;
            header.bfSize = header.bfOffBits + size;
            std::fwrite(&header, sizeof header, 1, f);
            std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
            std::fwrite(p.bits.data(), 1, size, f);
            std::fclose(f);
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(view, screen);
    return p;
}

RECT ToRect(const SlotRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// Names as a ceremony has them: two to four characters, and some that are
// far too long for a slot of a large batch.
std::vector<std::string> Names(int count, int seed) {
    const char* const kShort[] = {"张伟", "王芳", "欧阳娜娜", "李娜", "司马相如", "刘洋", "陈静", "诸葛明亮"};
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = kShort[(i + seed) % 8] + std::to_string(i);
        if (i % 37 == 5) name = "市场部华东区销售二组组长兼任项目经理" + name;
        names.push_back(name);
    }
    return names;
}

class BatchScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(form, nullptr);
        display = CreateWindowExA(0, "STATIC", "张伟", WS_CHILD, 0, 0, 100, 50, form,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(form1::kResultDisplay)), nullptr,
                                  nullptr);
        OpenPresenterView(view, form);
        ASSERT_NE(view, nullptr);
        window = PresenterViewWindow(view);
    }
    void TearDown() override {
        ClosePresenterView(view);
        if (form) DestroyWindow(form);
    }
    void Show(const std::string& title, const std::vector<std::string>& slots, bool rolling) {
        ShowPresenterBatch(view, PresenterBatch{title, slots, rolling});
    }

    HWND form = nullptr, display = nullptr, window = nullptr;
    PresenterView* view = nullptr;
};

TEST_F(BatchScreenTest, EveryWinnerInItsOwnSlotOnTheScreenAtALegibleSize) {
    RECT client;
    GetClientRect(window, &client);
    int fontOfOne = 0;
    for (int count : {1, 12, 300}) {
        SCOPED_TRACE(std::to_string(count) + " winners");
        Show("三等奖 · 保温杯 · 第2批", Names(count, count), false);
        const BatchLayout l = LayoutOf(window);
        ASSERT_EQ(l.count, count);
        EXPECT_GE(l.fontSize, kMinLegibleFontSize);
        EXPECT_GE(l.columns * l.rows, count);
        EXPECT_LT((l.rows - 1) * l.columns, count) << "a row left empty";
        if (count == 1) fontOfOne = l.fontSize;
        if (count == 300) {
            EXPECT_GE(fontOfOne, 4 * l.fontSize);
        }

        const Pixels pixels = Capture(window);
        std::vector<RECT> slots;
        for (int i = 0; i < count; ++i) {
            const RECT r = ToRect(BatchSlotRect(l, static_cast<std::size_t>(i)));
            EXPECT_TRUE(r.left >= 0 && r.top >= l.top && r.right <= client.right && r.bottom <= client.bottom)
                << "slot " << i << " leaves the screen";
            for (const RECT& other : slots) {
                RECT meet;
                EXPECT_FALSE(IntersectRect(&meet, &r, &other)) << "slot " << i << " overlaps another";
            }
            EXPECT_GT(pixels.InkIn(r), 0) << "slot " << i << " is blank";
            slots.push_back(r);
        }
        // Ink anywhere else: a name past its slot, or the display's text.
        int stray = pixels.InkIn(RECT{0, l.top, client.right, client.bottom});
        for (const RECT& r : slots) stray -= pixels.InkIn(r);
        EXPECT_EQ(stray, 0) << "ink outside the slots";
        EXPECT_GT(pixels.InkIn(RECT{0, 0, client.right, l.top}), 0) << "no title";
    }
}

TEST_F(BatchScreenTest, ARollKeepsItsFontAndStopFitsTheWinners) {
    // A roll starts with short candidates; a long one later is cut, not
    // measured again, until Stop fits the winners afresh.
    std::vector<std::string> candidates = {"张伟", "王芳", "李娜", "刘洋", "陈静", "赵磊"};
    Show("一等奖 · 电视 · 第1批", candidates, true);
    const BatchLayout atStart = LayoutOf(window);
    EXPECT_EQ(Property(window, kBatchRollingProperty), 1);
    const RECT first = ToRect(BatchSlotRect(atStart, 0));
    const int inkBefore = Capture(window).InkIn(first);

    candidates[0] = "市场部华东区销售二组组长兼任项目经理";
    Show("一等奖 · 电视 · 第1批", candidates, true);
    EXPECT_EQ(LayoutOf(window).fontSize, atStart.fontSize);
    const Pixels rolling = Capture(window);
    EXPECT_NE(rolling.InkIn(first), inkBefore) << "the changed slot was not painted again";
    int stray = rolling.InkIn(RECT{0, atStart.top, rolling.width, rolling.height});
    for (int i = 0; i < 6; ++i) stray -= rolling.InkIn(ToRect(BatchSlotRect(atStart, static_cast<std::size_t>(i))));
    EXPECT_EQ(stray, 0) << "the long candidate ran out of its slot";

    Show("一等奖 · 电视 · 第1批", candidates, false);
    EXPECT_EQ(Property(window, kBatchRollingProperty), 0);
    EXPECT_LT(LayoutOf(window).fontSize, atStart.fontSize) << "the winners were not fitted";
}

TEST_F(BatchScreenTest, AnEmptyBatchGivesTheViewBackToTheDisplay) {
    const Pixels text = Capture(window);
    const long width = Property(window, kPresenterTextWidthProperty);
    const long height = Property(window, kPresenterTextHeightProperty);
    ASSERT_GT(width, 0);
    const RECT textRect{(text.width - width) / 2, (text.height - height) / 2, (text.width + width) / 2,
                        (text.height + height) / 2};
    const int inkOfText = text.InkIn(textRect);
    ASSERT_GT(inkOfText, 0);

    Show("二等奖 · 电脑 · 第1批", Names(40, 3), false);
    EXPECT_EQ(Property(window, kBatchSlotsProperty), 40);
    EXPECT_NE(Capture(window).InkIn(textRect), inkOfText);

    Show("", {}, false);
    EXPECT_EQ(Property(window, kBatchSlotsProperty), 0);
    EXPECT_EQ(Property(window, kBatchFontSizeProperty), 0);
    const Pixels back = Capture(window);
    EXPECT_EQ(back.InkIn(textRect), inkOfText);
    EXPECT_EQ(back.InkIn(RECT{0, 0, back.width, back.height}), inkOfText) << "something of the batch was left";
}

}  // namespace
