// The ground the program stands on: Wine (or Windows) runs with the Chinese
// ANSI code page, and GBK bytes pass through window texts unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

TEST(GroundTest, AnsiCodePageIs936) {
    EXPECT_EQ(GetACP(), 936u);
}

TEST(GroundTest, GbkWindowTextReadsBackAsTheSameBytes) {
    HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(SetWindowTextA(w, "开始"));
    char buf[16] = {};
    int n = GetWindowTextA(w, buf, sizeof buf);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(std::string(buf, n), "\xBF\xAA\xCA\xBC");
    // The same text seen as UTF-16 is the two ideographs, so the conversion
    // really went through code page 936 and not byte-for-byte.
    wchar_t wide[8] = {};
    ASSERT_EQ(GetWindowTextW(w, wide, 8), 2);
    EXPECT_EQ(wide[0], 0x5F00);
    EXPECT_EQ(wide[1], 0x59CB);
    DestroyWindow(w);
}
