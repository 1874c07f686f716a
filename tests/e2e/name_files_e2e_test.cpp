// The name-file buttons of the real program (delete, refresh, edit, new, with
// the shell's confirmation and the text editor answered from here), and name
// files and program directories a user should not have.
#include "tests/e2e/fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What the names box shows for a file: each CR-separated piece, then LF CR.
std::string ShownInNamesBox(const std::string& content) {
    std::string shown;
    for (char c : content) shown += c == '\r' ? std::string("\n\r") : std::string(1, c);
    return shown + "\n\r";
}

std::vector<HWND> WindowsOfClass(const std::string& className) {
    std::vector<HWND> found;
    for (HWND w : TopLevelWindows(0))
        if (WindowClass(w) == className) found.push_back(w);
    return found;
}

class NameFilesE2E : public TobrixE2E {
protected:
    void TearDown() override {
        EndTobrix(run);
        for (HWND w : editors)
            if (IsWindow(w)) PostMessageA(w, WM_CLOSE, 0, 0);
        // A read-only directory stays where it is unless it can be made
        // writable again.
        if (!immutableDir.empty() && !SetDirectoryImmutable(immutableDir, false)) return;
        if (!run.directory.empty()) RemoveProgramDirectory(run.directory);
        if (!bigDir.empty()) RemoveProgramDirectory(bigDir);  // 50 MB, even when not launched
    }

    // Dismisses the notice the button shows first and returns the editor
    // window that the program starts after it.
    HWND DismissNoticeAndFindEditor(const std::string& notice) {
        HWND box = WaitForMessageBox(pid(), "提示", 5000);
        EXPECT_NE(box, nullptr);
        if (!box) return nullptr;
        EXPECT_EQ(MessageBoxText(box), notice);
        std::vector<HWND> before = WindowsOfClass("Notepad");
        DismissMessageBox(box);
        HWND editor = WaitForNewWindowOfClass("Notepad", before, 20000);
        EXPECT_NE(editor, nullptr);
        if (editor) editors.push_back(editor);
        return editor;
    }

    // While the editor is open the program waits for it; once it has been
    // closed the program answers again.
    void CloseEditorAndExpectProgramBack(HWND editor) {
        EXPECT_FALSE(Responds(form, 500));
        PostMessageA(editor, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForWindowGone(editor, 10000));
        EXPECT_TRUE(Responds(form, 10000));
    }

    // Presses a button of the shell's question (a dialog of the program's own
    // process that is neither the main window nor a message of ours).
    bool AnswerShell(int button) {
        DWORD start = GetTickCount();
        do {
            for (HWND w : TopLevelWindows(pid())) {
                if (w == form || WindowClass(w) != "#32770") continue;
                HWND b = GetDlgItem(w, button);
                if (!b || !IsWindowVisible(b)) continue;
                PressDialogButton(w, button);
                WaitForWindowGone(w, 5000);
                return true;
            }
            PumpFor(50);
        } while (GetTickCount() - start < 10000);
        return false;
    }

    std::vector<HWND> editors;
    std::string immutableDir;
    std::string bigDir;  // removed after the test: 50 MB each
};

TEST_F(NameFilesE2E, DeleteWithoutFilesShowsMessageAndRefreshShowsEmptyLine) {
    Launch(MakeProgramDirectory("nofiles"));
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList).size(), 0u);
    EXPECT_EQ(ControlText(form, form1::kNamesBox), "\n\r");

    PostClick(form, form1::kDeleteFile);
    HWND box = WaitForMessageBox(pid(), "提示", 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "没有选中文件！");
    DismissMessageBox(box);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(Responds(form, 5000));

    SendClick(form, form1::kRefreshFiles);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList).size(), 0u);
    EXPECT_EQ(ControlText(form, form1::kNamesBox), "\n\r");
}

TEST_F(NameFilesE2E, DeleteAndRefreshRebuildTheList) {
    std::string dir = MakeProgramDirectory("delete");
    const std::string contents[] = {"A1\r\nA2", "B1\r\nB2", "C1\r\nC2"};
    const char* files[] = {"A.txt", "B.txt", "C.txt"};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteFileBytes(dir + files[i], contents[i]));
    std::vector<std::string> order = TxtFilesInSearchOrder(dir);
    ASSERT_EQ(order.size(), 3u);
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    ASSERT_EQ(ComboItems(form, form1::kNameFileList), order);
    const std::string namesBox = ControlText(form, form1::kNamesBox);
    ASSERT_EQ(namesBox, ShownInNamesBox(contents[order[0][0] - 'A']));

    // Delete the second listed file and confirm.
    SendMessageW(GetDlgItem(form, form1::kNameFileList), CB_SETCURSEL, 1, 0);
    std::string victim = order[1];
    PostClick(form, form1::kDeleteFile);
    ASSERT_TRUE(AnswerShell(IDYES));
    ASSERT_TRUE(Responds(form, 10000));
    EXPECT_FALSE(FileExists(dir + victim));
    std::vector<std::string> remaining = {order[0], order[2]};
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), remaining);
    EXPECT_EQ(ComboSelection(form, form1::kNameFileList), 0);
    EXPECT_EQ(ControlText(form, form1::kNamesBox), namesBox);

    // Declined: the file stays, and the list is rebuilt all the same.
    SendMessageW(GetDlgItem(form, form1::kNameFileList), CB_SETCURSEL, 1, 0);
    PostClick(form, form1::kDeleteFile);
    ASSERT_TRUE(AnswerShell(IDNO));
    ASSERT_TRUE(Responds(form, 10000));
    EXPECT_TRUE(FileExists(dir + order[2]));
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), remaining);
    EXPECT_EQ(ComboSelection(form, form1::kNameFileList), 0);

    // Refresh lists what is there now and shows the first file.
    ASSERT_TRUE(WriteFileBytes(dir + "D.txt", "D1\r\nD2"));
    std::vector<std::string> now = TxtFilesInSearchOrder(dir);
    SendClick(form, form1::kRefreshFiles);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), now);
    EXPECT_EQ(ComboSelection(form, form1::kNameFileList), 0);
    std::string firstContent = ReadFileBytes(dir + now[0]);
    EXPECT_EQ(ControlText(form, form1::kNamesBox), ShownInNamesBox(firstContent));
}

TEST_F(NameFilesE2E, EditAndNewOpenTheEditorAndWaitForIt) {
    std::string dir = MakeProgramDirectory("editor");
    ASSERT_TRUE(WriteFileBytes(dir + "first.txt", "F1"));
    ASSERT_TRUE(WriteFileBytes(dir + "second.txt", "S1"));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    std::vector<std::string> items = ComboItems(form, form1::kNameFileList);
    ASSERT_EQ(items.size(), 2u);
    SendMessageW(GetDlgItem(form, form1::kNameFileList), CB_SETCURSEL, 1, 0);

    PostClick(form, form1::kEditFile);
    HWND editor = DismissNoticeAndFindEditor("提示：编辑完成后，将其保存！");
    ASSERT_NE(editor, nullptr);
    // The editor has the selected file open.
    std::string caption = WindowText(editor);
    EXPECT_NE(caption.find(items[1].substr(0, items[1].size() - 4)), std::string::npos) << caption;
    CloseEditorAndExpectProgramBack(editor);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), items);
    EXPECT_EQ(ReadFileBytes(dir + items[1]), items[1] == "first.txt" ? "F1" : "S1");

    const std::string namesBox = ControlText(form, form1::kNamesBox);
    PostClick(form, form1::kNewFile);
    editor = DismissNoticeAndFindEditor("提示：按规则编辑文件后，将其保存在软件的安装目录下！");
    ASSERT_NE(editor, nullptr);
    // What the user saves meanwhile is listed once the editor is closed.
    ASSERT_TRUE(WriteFileBytes(dir + "新名单.txt", "N1"));
    CloseEditorAndExpectProgramBack(editor);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), TxtFilesInSearchOrder(dir));
    EXPECT_EQ(ComboItems(form, form1::kNameFileList).size(), 3u);
    EXPECT_EQ(ComboSelection(form, form1::kNameFileList), 0);
    EXPECT_EQ(ControlText(form, form1::kNamesBox), namesBox);
}

TEST_F(NameFilesE2E, BinaryNameFileIsListedAndDrawnFrom) {
    std::string dir = MakeProgramDirectory("binary");
    std::string bytes;
    for (int round = 0; round < 8; ++round)
        for (int b = 255; b >= 0; --b) bytes += char(b);
    ASSERT_TRUE(WriteFileBytes(dir + "binary.txt", bytes));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(ComboItems(form, form1::kNameFileList), std::vector<std::string>{"binary.txt"});
    for (int i = 0; i < 3; ++i) {
        std::string before = ControlText(form, form1::kDrawRecord);
        SendClick(form, form1::kStart);
        PumpFor(100);
        SendClick(form, form1::kStop);
        ASSERT_TRUE(Responds(form, 5000));
        EXPECT_EQ(ControlText(form, form1::kDrawRecord), before + "  " + ControlText(form, form1::kResultDisplay));
    }
    EXPECT_EQ(ReadFileBytes(dir + "binary.txt"), bytes);  // never written
    EXPECT_EQ(WaitForWindow(pid(), "提示", 100), nullptr);
}

std::string FiftyMegabytesOfNames() {
    std::string big;
    big.reserve(52u << 20);
    char line[32];
    for (int i = 0; big.size() < (50u << 20); ++i) {
        std::snprintf(line, sizeof line, "名字%07d\r\n", i);
        big += line;
    }
    return big;
}

TEST_F(NameFilesE2E, FiftyMegabyteNameFileIsDrawnFrom) {
    std::string dir = bigDir = MakeProgramDirectory("huge");
    ASSERT_TRUE(WriteFileBytes(dir + "big.txt", FiftyMegabytesOfNames()));
    // A small file listed first, so that start-up shows that one.
    std::string small;
    for (const char* name : {"0.txt", "a.txt", "s.txt", "z.txt", "甲.txt"}) {
        ASSERT_TRUE(WriteFileBytes(dir + name, "甲\r\n乙"));
        if (TxtFilesInSearchOrder(dir)[0] == name) {
            small = name;
            break;
        }
        DeleteFileA((dir + name).c_str());
    }
    ASSERT_FALSE(small.empty());
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    std::vector<std::string> items = ComboItems(form, form1::kNameFileList);
    ASSERT_EQ(items, (std::vector<std::string>{small, "big.txt"}));
    SendMessageW(GetDlgItem(form, form1::kNameFileList), CB_SETCURSEL, 1, 0);

    SetControlText(form, form1::kJumpFrequency, "0");
    SetControlText(form, form1::kResultDisplay, "");
    DWORD started = GetTickCount();
    SendClick(form, form1::kStart);
    std::string shown;
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 30000, &shown));
    std::printf("first candidate of a 50 MB file after %lu ms\n", GetTickCount() - started);
    PumpFor(200);
    SendClick(form, form1::kStop);
    std::string result = ControlText(form, form1::kResultDisplay);
    // "名字" and seven digits, or the empty field after the last line break.
    EXPECT_TRUE(result.empty() || (result.size() == 11 && result.substr(0, 4) == "名字")) << result;
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "  " + result);
}

// Shown in the names box at start-up, a 50 MB file must not keep the window
// from answering for long.
TEST_F(NameFilesE2E, FiftyMegabyteFirstNameFileStillStartsPromptly) {
    std::string dir = bigDir = MakeProgramDirectory("huge-first");
    ASSERT_TRUE(WriteFileBytes(dir + "big.txt", FiftyMegabytesOfNames()));
    DWORD started = GetTickCount();
    ASSERT_TRUE(LaunchTobrix(dir, run, 30000));
    form = run.form1;
    bool answers = Responds(form, 1000);
    ASSERT_TRUE(answers) << "still busy after " << GetTickCount() - started << " ms";
    EXPECT_FALSE(StatusBarText(run).empty());
    EXPECT_EQ(ControlTextPrefix(form, form1::kNamesBox, 18), "名字0000000\n\r\n名字");
}

TEST_F(NameFilesE2E, ReadOnlyProgramDirectoryKeepsWorkingAndLosesNothing) {
    std::string dir = MakeProgramDirectoryUnder("Z:\\tmp\\", "readonly");
    ASSERT_TRUE(WriteFileBytes(dir + "names.txt", "张三\r\n李四"));
    ASSERT_TRUE(WriteFileBytes(dir + "config1.ini", "[f1]\r\nv=42\r\n"));
    immutableDir = dir;
    if (!SetDirectoryImmutable(dir, true)) GTEST_SKIP() << "cannot make a directory read-only here";
    Launch(dir);

    // The names are read even though the file cannot be opened for writing.
    EXPECT_EQ(ControlText(form, form1::kNamesBox), "张三\n\r\n李四\n\r");

    // Saving a preset fails silently; the stored one stays in force.
    auto savePreset = [&](int command, const char* value) {
        ASSERT_NO_FATAL_FAILURE(SavePresetThroughForms(form, pid(), command, value, 5000));
        ASSERT_TRUE(Responds(form, 5000));
        EXPECT_EQ(WaitForWindow(pid(), "提示", 300), nullptr);
    };
    savePreset(menu::kNumberPreset, "88");
    EXPECT_EQ(ReadFileBytes(dir + "config1.ini"), "[f1]\r\nv=42\r\n");
    savePreset(menu::kNamePreset, "王五");
    EXPECT_FALSE(FileExists(dir + "config2.ini"));
    SendClick(form, form1::kStart);
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "42");

    SendMenuCommand(form, menu::kNameMode);
    SendClick(form, form1::kStart);
    std::string rolled;
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000, &rolled));
    SendClick(form, form1::kStop);
    std::string name = ControlText(form, form1::kResultDisplay);
    EXPECT_TRUE(name == "张三" || name == "李四") << name;
    EXPECT_EQ(ReadFileBytes(dir + "names.txt"), "张三\r\n李四");

    PostClick(form, form1::kClose);
    EXPECT_EQ(WaitForExit(run, 10000), 0u);
    EXPECT_TRUE(SetDirectoryImmutable(dir, false));
}

}  // namespace
