// The real program, started in a fresh program directory: a number draw from
// the buttons, and the two ways of closing it.
#include "tests/e2e/fixture.h"

#include <gtest/gtest.h>

namespace {

bool IsSignedSmallNumber(const std::string& s) {
    // " 7": the sign blank, then 1..10.
    if (s.size() < 2 || s[0] != ' ') return false;
    int v = atoi(s.c_str() + 1);
    return v >= 1 && v <= 10 && s == " " + std::to_string(v);
}

class NumberDrawE2E : public TobrixE2E {
protected:
};

TEST_F(NumberDrawE2E, StartRollsStopRecordsCloseEndsWithZero) {
    ASSERT_TRUE(LaunchTobrix(MakeProgramDirectory("number"), run));
    EXPECT_EQ(WindowText(run.form1), "Tobrixv1.0");
    EXPECT_TRUE(ControlEnabled(run.form1, form1::kStart));
    EXPECT_FALSE(ControlEnabled(run.form1, form1::kStop));

    SendClick(run.form1, form1::kStart);
    EXPECT_FALSE(ControlEnabled(run.form1, form1::kStart));
    EXPECT_TRUE(ControlEnabled(run.form1, form1::kStop));
    std::string shown;
    ASSERT_TRUE(WaitForText(run.form1, form1::kResultDisplay, IsNotEmpty, 5000, &shown));
    // The display keeps rolling: sample it a while, every value in range.
    for (int i = 0; i < 50; ++i) {
        std::string s = ControlText(run.form1, form1::kResultDisplay);
        EXPECT_TRUE(IsSignedSmallNumber(s)) << "'" << s << "'";
        PumpFor(10);
    }

    SendClick(run.form1, form1::kStop);
    std::string result = ControlText(run.form1, form1::kResultDisplay);
    EXPECT_TRUE(IsSignedSmallNumber(result)) << result;
    EXPECT_EQ(ControlText(run.form1, form1::kDrawRecord), "  " + result);
    EXPECT_TRUE(ControlEnabled(run.form1, form1::kStart));
    EXPECT_FALSE(ControlEnabled(run.form1, form1::kStop));
    // Nothing reaches the display after Stop.
    PumpFor(200);
    EXPECT_EQ(ControlText(run.form1, form1::kResultDisplay), result);

    PostClick(run.form1, form1::kClose);
    EXPECT_EQ(WaitForExit(run, 10000), 0u);
}

TEST_F(NumberDrawE2E, CloseBoxEndsWithZero) {
    ASSERT_TRUE(LaunchTobrix(MakeProgramDirectory("closebox"), run));
    PostMessageA(run.form1, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(run, 10000), 0u);
}

TEST_F(NumberDrawE2E, SecondCopyRunsToo) {
    std::string dir = MakeProgramDirectory("twice");
    ASSERT_TRUE(LaunchTobrix(dir, run));
    TobrixRun second;
    EXPECT_TRUE(LaunchTobrix(dir, second));
    EXPECT_NE(second.form1, run.form1);
    if (second.form1) PostClick(second.form1, form1::kClose);
    EXPECT_EQ(WaitForExit(second, 10000), 0u);
    EndTobrix(second);
}

}  // namespace
