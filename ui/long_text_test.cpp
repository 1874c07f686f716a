// Cuts between characters, the whole text behind a cut display, and edit
// boxes given long lines in pieces.
#include "ui/long_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string& s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

TEST(LongText, CutsNeverSplitADoubleByteCharacter) {
    EXPECT_EQ(WholeCharacterPrefix("abc", 0, 10), 3u);
    EXPECT_EQ(WholeCharacterPrefix("abcdef", 0, 4), 4u);
    EXPECT_EQ(WholeCharacterPrefix("长长长", 0, 5), 4u);
    EXPECT_EQ(WholeCharacterPrefix("a长长", 0, 4), 3u);
    EXPECT_EQ(WholeCharacterPrefix("a长长", 1, 3), 2u);
    // A lead byte takes the next byte as its pair, even one that no
    // character has; a lone lead byte at the end is one byte.
    EXPECT_EQ(WholeCharacterPrefix("\x81" "a\x81", 0, 1), 0u);
    EXPECT_EQ(WholeCharacterPrefix("\x81" "a\x81", 0, 3), 3u);
    EXPECT_EQ(WholeCharacterPrefix("ab", 5, 4), 0u);
}

TEST(LongText, TheDrawReadsTheWholeTextWhileTheDisplayShowsItsCut) {
    KeptDisplay kept;
    EXPECT_EQ(KeepForResultDisplay(kept, "张三"), "张三");
    EXPECT_EQ(ResultDisplayText(kept, "张三"), "张三");

    const std::string longName = Repeat("长", 50000) + "x";
    const std::string cut = KeepForResultDisplay(kept, longName);
    ASSERT_LE(cut.size(), kDisplayTextLimit);
    EXPECT_GE(cut.size(), kDisplayTextLimit - 1);
    EXPECT_EQ(cut.size() % 2, 0u);
    EXPECT_EQ(longName.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(ResultDisplayText(kept, cut), longName);
    // Once the display shows something else, that is what it reads.
    EXPECT_EQ(ResultDisplayText(kept, "88"), "88");
    EXPECT_EQ(ResultDisplayText(KeptDisplay{}, cut), cut);
    EXPECT_EQ(KeepForResultDisplay(kept, ""), "");
    EXPECT_EQ(ResultDisplayText(kept, cut), cut);
}

TEST(LongText, EditBoxesTakeLongLinesWhole) {
    HWND box = CreateWindowExA(0, "Edit", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0, 295,
                               173, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(box, nullptr);
    auto text = [box] {
        std::string s(static_cast<std::size_t>(GetWindowTextLengthA(box)) + 1, '\0');
        s.resize(static_cast<std::size_t>(GetWindowTextA(box, &s[0], static_cast<int>(s.size()))));
        return s;
    };
    const std::string longLine = Repeat("长", 5000) + "a" + Repeat("长", 5000);
    SetEditText(box, "甲\r\n" + longLine);
    EXPECT_EQ(text(), "甲\r\n" + longLine);
    EXPECT_EQ(SendMessageA(box, EM_GETMODIFY, 0, 0), 0);
    EXPECT_EQ(SendMessageA(box, EM_CANUNDO, 0, 0), 0);
    AppendInPieces(box, std::string("  ") + longLine + std::string("\0tail", 5));
    EXPECT_EQ(text(), "甲\r\n" + longLine + "  " + longLine);
    SetEditText(box, "短");
    EXPECT_EQ(text(), "短");
    DestroyWindow(box);
}

}  // namespace
