#include "engine/batch_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A GBK character is one em wide, an ASCII byte half of one; lines are
// 1.2 em high.
TextExtent FakeMeasure(const std::string& text, int size) {
    return TextExtent{static_cast<int>(text.size()) * size / 2, size * 6 / 5};
}

std::vector<std::string> Repeated(const std::string& name, int count) {
    return std::vector<std::string>(static_cast<std::size_t>(count), name);
}

bool FitsAt(int width, int height, const std::vector<std::string>& names, int size, int columns) {
    const int count = static_cast<int>(names.size());
    const int rows = (count + columns - 1) / columns;
    const int slotWidth = width / columns, slotHeight = height / rows;
    for (const std::string& name : names) {
        const TextExtent e = FakeMeasure(name, size);
        if (e.width > slotWidth - slotWidth / 10 || e.height > slotHeight - slotHeight / 10) return false;
    }
    return true;
}

// The largest size that fits some grid, by trying every size and grid.
int LargestFittingSize(int width, int height, const std::vector<std::string>& names) {
    for (int size = kMaxBatchFontSize; size > 0; --size) {
        for (int columns = 1; columns <= static_cast<int>(names.size()); ++columns) {
            if (FitsAt(width, height, names, size, columns)) return size;
        }
    }
    return 0;
}

TEST(BatchLayout, TheLargestSizeAtWhichEveryNameFits) {
    struct Case {
        const char* what;
        int width, height, title;
        std::vector<std::string> names;
        int columns, rows, size;  // 0: whatever the exhaustive search finds
        bool fits;
    };
    std::vector<std::string> mixed = Repeated("张三", 40);
    mixed[17] = "欧阳娜娜娜娜";
    std::vector<std::string> fewTooLong = Repeated("张三丰", 300);
    fewTooLong[5] = fewTooLong[250] = std::string(120, 'x');
    const std::vector<Case> cases = {
        {"one winner, held to the largest size", 1920, 1080, 120, {"张三"}, 1, 1, kMaxBatchFontSize, true},
        {"one long name", 1920, 1080, 120, {"Maximilian Alexander Schwarzenegger"}, 1, 1, 98, true},
        {"300 names of three characters", 1920, 1080, 120, Repeated("张三丰", 300), 15, 20, 37, true},
        {"300 names of four characters", 1920, 1080, 120, Repeated("欧阳娜娜", 300), 0, 0, 0, true},
        {"300 names on 1024 x 768", 1024, 768, 80, Repeated("张三丰", 300), 0, 0, 0, true},
        {"one long name sets the size for all", 1920, 1080, 120, mixed, 0, 0, 0, true},
        {"10 names", 1920, 1080, 120, Repeated("李四", 10), 0, 0, 0, true},
        {"7 names", 1280, 720, 100, Repeated("李四", 7), 0, 0, 0, true},
        {"too long to be legible", 1920, 1080, 120, Repeated(std::string(80, 'x'), 300), 0, 0, kMinLegibleFontSize,
         false},
        // The two are cut; the rest keep rows a line high: 7 columns of 43.
        {"two too long among 300", 1920, 1080, 120, fewTooLong, 7, 43, kMinLegibleFontSize, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BatchLayout layout = LayOutBatch(c.width, c.height, c.title, c.names, FakeMeasure);
        const int expected = c.size ? c.size : LargestFittingSize(c.width, c.height - c.title, c.names);
        EXPECT_EQ(layout.fontSize, expected);
        EXPECT_EQ(layout.fits, c.fits);
        if (c.columns) {
            EXPECT_EQ(layout.columns, c.columns);
            EXPECT_EQ(layout.rows, c.rows);
        }
        EXPECT_GE(layout.columns * layout.rows, static_cast<int>(c.names.size()));
        EXPECT_LT((layout.rows - 1) * layout.columns, static_cast<int>(c.names.size()));
        EXPECT_GE(layout.fontSize, kMinLegibleFontSize);
        if (c.fits) {
            EXPECT_TRUE(FitsAt(c.width, c.height - c.title, c.names, layout.fontSize, layout.columns));
        } else {
            // Lines never run into each other, whatever is cut.
            EXPECT_LE(FakeMeasure("", layout.fontSize).height, layout.slotHeight - layout.slotHeight / 10);
        }
    }
}

TEST(BatchLayout, EverySizeFrom1To300IsLegibleOnAFullHdScreen) {
    for (int count = 1; count <= 300; ++count) {
        const BatchLayout layout = LayOutBatch(1920, 1080, 120, Repeated("欧阳娜娜", count), FakeMeasure);
        ASSERT_TRUE(layout.fits) << count;
        ASSERT_GE(layout.fontSize, 28) << count;
    }
}

TEST(BatchLayout, SlotsSitUnderTheTitleAndTheLastRowIsCentred) {
    const BatchLayout layout = LayOutBatch(1500, 700, 100, Repeated("张三丰", 7), FakeMeasure);
    ASSERT_EQ(layout.columns, 3);
    ASSERT_EQ(layout.rows, 3);
    struct Case {
        std::size_t index;
        int left, top;
    };
    const int w = layout.slotWidth, h = layout.slotHeight;
    for (const Case& c : std::vector<Case>{{0, 0, 0}, {2, 2 * w, 0}, {3, 0, h}, {6, w, 2 * h}}) {
        const SlotRect rect = BatchSlotRect(layout, c.index);
        EXPECT_EQ(rect.left, layout.left + c.left) << c.index;
        EXPECT_EQ(rect.top, layout.top + c.top) << c.index;
        EXPECT_EQ(rect.right - rect.left, w);
        EXPECT_EQ(rect.bottom - rect.top, h);
    }
    EXPECT_GE(layout.top, 100);
    EXPECT_LE(layout.top + 3 * h, 700);
}

TEST(BatchLayout, NothingToLayOut) {
    for (const BatchLayout& layout : {LayOutBatch(1920, 1080, 120, {}, FakeMeasure),
                                      LayOutBatch(0, 1080, 120, {"a"}, FakeMeasure),
                                      LayOutBatch(1920, 100, 120, {"a"}, FakeMeasure)}) {
        EXPECT_EQ(layout.columns, 0);
        EXPECT_EQ(layout.rows, 0);
        EXPECT_EQ(BatchSlotRect(layout, 0).right, 0);
    }
}

}  // namespace
