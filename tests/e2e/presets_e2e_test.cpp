// Preset results end to end: the access code, the preset form, the two preset
// files, what Stop shows and records, and preset values a user should not
// store.
#include "tests/e2e/fixture.h"

#include <gtest/gtest.h>

namespace {

const char* const kCode = "5038172694";

class PresetsE2E : public TobrixE2E {
protected:
    void Launch(const std::string& dir) {
        ASSERT_TRUE(LaunchTobrix(dir, run));
        form = run.form1;
        // The first candidate stays on display until Stop: the rolled value is known.
        SetControlText(form, form1::kJumpFrequency, "-1");
    }

    // Opens the access-code form with a menu command and enters the code.
    HWND OpenPresetForm(int command) {
        PostMenuCommand(form, command);
        HWND form2 = WaitForWindow(pid(), "请输入口令...", 5000);
        EXPECT_NE(form2, nullptr);
        if (!form2) return nullptr;
        EXPECT_TRUE(WaitForEnabled(form, false, 2000));  // modal over the main window
        SetControlText(form2, form2::kCode, kCode);
        PostClick(form2, form2::kOk);
        HWND form3 = WaitForWindow(pid(), "预设", 5000);
        EXPECT_NE(form3, nullptr);
        lastForm2 = form2;
        return form3;
    }

    // Types a preset, saves it, and waits until both forms have closed.
    void SavePreset(int command, const std::string& value) {
        HWND form3 = OpenPresetForm(command);
        ASSERT_NE(form3, nullptr);
        EXPECT_EQ(ControlText(form3, form3::kPreset), "");
        SetControlText(form3, form3::kPreset, value);
        PostClick(form3, form3::kSave);
        EXPECT_TRUE(WaitForWindowGone(form3, 5000));
        EXPECT_TRUE(WaitForWindowGone(lastForm2, 5000));
        ASSERT_TRUE(Responds(form, 5000));
        EXPECT_TRUE(WaitForEnabled(form, true, 2000));
    }

    // One draw to its end: the candidate on display, then the display after Stop.
    std::pair<std::string, std::string> Draw() {
        SetControlText(form, form1::kResultDisplay, "");  // so that the first candidate is told from the last result
        SendClick(form, form1::kStart);
        std::string rolled;
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000, &rolled));
        SendClick(form, form1::kStop);
        return {rolled, ControlText(form, form1::kResultDisplay)};
    }

    std::string Path(const char* name) const { return run.directory + name; }

    HWND lastForm2 = nullptr;
};

TEST_F(PresetsE2E, CodeWithBlankIsRefusedNumberPresetShowsWhileRecordKeepsRolled) {
    Launch(MakeProgramDirectory("preset-number"));

    PostMenuCommand(form, menu::kNumberPreset);
    HWND form2 = WaitForWindow(pid(), "请输入口令...", 5000);
    ASSERT_NE(form2, nullptr);
    SetControlText(form2, form2::kCode, std::string(kCode) + " ");
    PostClick(form2, form2::kOk);
    HWND box = WaitForMessageBox(pid(), "提示", 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "口令不正确！");
    DismissMessageBox(box);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    PumpFor(200);
    // The form stays with the typed text, and no preset form opened.
    EXPECT_TRUE(IsWindow(form2) && IsWindowVisible(form2));
    EXPECT_EQ(SendDlgItemMessageA(form2, form2::kCode, WM_GETTEXTLENGTH, 0, 0), 11);
    EXPECT_EQ(WaitForWindow(pid(), "预设", 300), nullptr);

    // Corrected in the same form: accepted.
    SetControlText(form2, form2::kCode, kCode);
    PostClick(form2, form2::kOk);
    HWND form3 = WaitForWindow(pid(), "预设", 5000);
    ASSERT_NE(form3, nullptr);
    SetControlText(form3, form3::kPreset, "88");
    PostClick(form3, form3::kSave);
    ASSERT_TRUE(WaitForWindowGone(form3, 5000));
    ASSERT_TRUE(WaitForWindowGone(form2, 5000));
    ASSERT_TRUE(Responds(form, 5000));

    EXPECT_EQ(ReadFileBytes(Path("config1.ini")), "[f1]\r\nv=88\r\n");
    EXPECT_FALSE(FileExists(Path("config2.ini")));

    std::string expected;
    for (int i = 0; i < 2; ++i) {  // in force for every later draw
        auto [rolled, shown] = Draw();
        EXPECT_TRUE(IsSignedWhole(rolled)) << rolled;
        EXPECT_EQ(shown, "88");
        expected += "  " + rolled;
        EXPECT_EQ(ControlText(form, form1::kDrawRecord), expected);
    }
}

TEST_F(PresetsE2E, EachMenuWritesOnlyItsFileAndAnEmptySaveClears) {
    std::string dir = MakeProgramDirectory("preset-files");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四"));
    const std::string numberPreset = "[f1]\r\nv=7\r\n";
    ASSERT_TRUE(WriteFileBytes(dir + "config1.ini", numberPreset));
    Launch(dir);

    SavePreset(menu::kNamePreset, "王五");
    EXPECT_EQ(ReadFileBytes(Path("config2.ini")), "[f2]\r\nv2=王五\r\n");
    EXPECT_EQ(ReadFileBytes(Path("config1.ini")), numberPreset);

    // The stored 7 is shown as stored: no sign blank.
    auto [rolledNumber, shownNumber] = Draw();
    EXPECT_EQ(shownNumber, "7");
    SendMenuCommand(form, menu::kNameMode);
    auto [rolledName, shownName] = Draw();
    EXPECT_TRUE(rolledName == "张三" || rolledName == "李四") << rolledName;
    EXPECT_EQ(shownName, "王五");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + rolledNumber + "  王五");

    // Saving an empty field clears the number preset and leaves the name one.
    const std::string namePreset = ReadFileBytes(Path("config2.ini"));
    SavePreset(menu::kNumberPreset, "");
    EXPECT_EQ(ReadFileBytes(Path("config1.ini")), "[f1]\r\nv=\r\n");
    EXPECT_EQ(ReadFileBytes(Path("config2.ini")), namePreset);
    SendMenuCommand(form, menu::kNumberMode);
    auto [rolled, shown] = Draw();
    EXPECT_EQ(shown, rolled);

    SavePreset(menu::kNamePreset, "");
    EXPECT_EQ(ReadFileBytes(Path("config2.ini")), "[f2]\r\nv2=\r\n");
    SendMenuCommand(form, menu::kNameMode);
    auto [rolledAgain, shownAgain] = Draw();
    EXPECT_EQ(shownAgain, rolledAgain);
}

TEST_F(PresetsE2E, CancelWritesNothingAndClosesBothForms) {
    Launch(MakeProgramDirectory("preset-cancel"));
    for (int command : {menu::kNumberPreset, menu::kNamePreset}) {
        HWND form3 = OpenPresetForm(command);
        ASSERT_NE(form3, nullptr);
        SetControlText(form3, form3::kPreset, "55");
        PostClick(form3, form3::kCancel);
        EXPECT_TRUE(WaitForWindowGone(form3, 5000));
        EXPECT_TRUE(WaitForWindowGone(lastForm2, 5000));
        ASSERT_TRUE(Responds(form, 5000));
        EXPECT_TRUE(WaitForEnabled(form, true, 2000));
    }
    EXPECT_FALSE(FileExists(Path("config1.ini")));
    EXPECT_FALSE(FileExists(Path("config2.ini")));
    auto [rolled, shown] = Draw();
    EXPECT_EQ(shown, rolled);
}

TEST_F(PresetsE2E, LongOddAndBlankPresetsKeepTheProgramWorking) {
    std::string dir = MakeProgramDirectory("preset-odd");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四"));
    Launch(dir);

    // 5000 bytes saved through the form come back cut to 4999.
    std::string longValue;
    for (int i = 0; i < 500; ++i) longValue += "1234567890";
    SavePreset(menu::kNumberPreset, longValue);
    EXPECT_EQ(ReadFileBytes(Path("config1.ini")), "[f1]\r\nv=" + longValue + "\r\n");
    auto [rolledLong, shownLong] = Draw();
    EXPECT_EQ(shownLong, longValue.substr(0, 4999));
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + rolledLong);

    // Not a number: shown as it is.
    ASSERT_TRUE(WriteFileBytes(Path("config1.ini"), "[f1]\r\nv=abc&H!\r\n"));
    EXPECT_EQ(Draw().second, "abc&H!");

    // Blanks only: the INI layer hands back an empty value, so no preset.
    ASSERT_TRUE(WriteFileBytes(Path("config1.ini"), "[f1]\r\nv=   \r\n"));
    auto [rolledBlank, shownBlank] = Draw();
    EXPECT_EQ(shownBlank, rolledBlank);
    ASSERT_TRUE(WriteFileBytes(Path("config2.ini"), "[f2]\r\nv2=   \r\n"));
    SendMenuCommand(form, menu::kNameMode);
    auto [rolledName, shownName] = Draw();
    EXPECT_EQ(shownName, rolledName);
    EXPECT_TRUE(rolledName == "张三" || rolledName == "李四") << rolledName;
    // No message at any point.
    EXPECT_EQ(WaitForWindow(pid(), "提示", 100), nullptr);
}

}  // namespace
