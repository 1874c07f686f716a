#include "ui/name_file_commands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/services.h"
#include "storage/name_files.h"
#include "tests/support/storage_test_support.h"

using namespace test_support;

namespace {

const std::string kGbkNames = "张三\r\n李四";  // GBK bytes: the sources are compiled to GBK

// The file list (122) and names box (131) on a hidden form, the program
// directory as the current directory, and a stand-in editor that logs how it
// was started.
struct NameFilesTest : ::testing::Test {
    ScratchDirectory program{"prog"};
    ScratchDirectory scratch{"scratch"};
    std::unique_ptr<CurrentDirectory> current;
    HWND form = nullptr;
    HWND list = nullptr;
    HWND box = nullptr;

    void SetUp() override {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        form = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, instance, nullptr);
        list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 200, 200, form,
                               reinterpret_cast<HMENU>(122), instance, nullptr);
        box = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 30, 200, 200,
                              form, reinterpret_cast<HMENU>(131), instance, nullptr);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(box, nullptr);
        current = std::make_unique<CurrentDirectory>(program.path);
        SetEnvironmentVariableA("TOBRIX_FAKE_EDITOR_LOG", EditorLog().c_str());
        SetEnvironmentVariableA("TOBRIX_FAKE_EDITOR_CREATE", nullptr);
    }

    void TearDown() override {
        DestroyWindow(form);
        current.reset();
        // A list cut at 1000 names leaves its search open on the folder.
        DirFirst(scratch.path + "*.none", 0);
    }

    std::string EditorLog() const { return scratch.path + "editor.log"; }

    void Put(const std::string& name, const std::string& bytes) const { WriteBytes(program.path + name, bytes); }

    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[MAX_PATH + 1] = {};
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }

    LRESULT Selected() const { return SendMessageA(list, CB_GETCURSEL, 0, 0); }

    void Select(const std::string& name) const {
        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str()));
    }

    std::string Box() const {
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(box)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(box, &text[0], static_cast<int>(text.size()))));
        return text;
    }
};

// ---- Listing ----

TEST_F(NameFilesTest, ListsInSearchOrderAndShowsTheFirstFile) {
    Put("A.txt", "甲\r\n");
    Put("B.txt", "乙\r\n");
    Put("C.txt", "丙\r\n");
    Put("notes.ini", "not a name file");
    ListNameFiles(list, box, program.path);
    const std::vector<std::string> order = SearchOrder(program.path + "*.txt");
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(Items(), order);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(SelectedNameFile(list), order[0]);
    EXPECT_EQ(Box(), ReadBytes(program.path + order[0]).substr(0, 2) + "\n\r\n\n\r");
}

TEST_F(NameFilesTest, HiddenSystemAndFolderEntriesAreNotListed) {
    Put("plain.txt", "");
    Put("hidden.txt", "");
    Put("system.txt", "");
    Put("readonly.txt", "");
    SetFileAttributesA((program.path + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((program.path + "system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((program.path + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((program.path + "folder.txt").c_str(), nullptr);
    ListNameFiles(list, box, program.path);
    const std::vector<std::string> items = Items();
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()),
              (std::set<std::string>{"plain.txt", "readonly.txt"}));
}

TEST_F(NameFilesTest, NoNameFileLeavesLfCrAlone) {
    Put("other.ini", "x");
    SetWindowTextA(box, "old");
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale.txt"));
    ListNameFiles(list, box, program.path);
    EXPECT_EQ(Box(), "\n\r");
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(Selected(), CB_ERR);
    EXPECT_EQ(SelectedNameFile(list), "");
}

TEST_F(NameFilesTest, EveryPieceIsFollowedByLfCr) {
    Put("names.txt", "a\r\nb\r\n");
    ListNameFiles(list, box, program.path);
    EXPECT_EQ(Box(), "a\n\r\nb\n\r\n\n\r");
    RefreshNameFiles(list, box, program.path);
    EXPECT_EQ(Box(), "a\n\r\nb\n\r\n\n\r") << "a refresh starts from an empty box";
}

TEST_F(NameFilesTest, HugeFirstFileShowsWholeNamesUpToTheBound) {
    std::string names;
    for (int i = 0; names.size() <= kNamesBoxBytes + 100; ++i) names += "name" + std::to_string(i) + "\r\n";
    Put("big.txt", names);
    ListNameFiles(list, box, program.path);
    const std::string shown = Box();
    EXPECT_LE(shown.size(), kNamesBoxBytes + kNamesBoxBytes / 4);
    EXPECT_GT(shown.size(), kNamesBoxBytes / 2);
    // Whole pieces only, each followed by LF CR, and the start exactly as in a small file.
    EXPECT_EQ(shown.substr(0, 15), "name0\n\r\nname1\n\r");
    EXPECT_EQ(shown.substr(shown.size() - 2), "\n\r");
    const std::size_t lastName = shown.rfind("\nname");
    ASSERT_NE(lastName, std::string::npos);
    const std::string tail = shown.substr(lastName + 1);
    EXPECT_EQ(tail.find_first_not_of("name0123456789"), tail.size() - 2) << tail;
}

TEST_F(NameFilesTest, ListStopsAt1000Files) {
    for (int i = 0; i < 1005; ++i) Put("n" + std::to_string(i) + ".txt", "");
    ListNameFiles(list, box, program.path);
    const std::vector<std::string> order = SearchOrder(program.path + "*.txt");
    ASSERT_EQ(order.size(), 1005u);
    EXPECT_EQ(Items(), std::vector<std::string>(order.begin(), order.begin() + 1000));
    EXPECT_EQ(Selected(), 0);
}

TEST_F(NameFilesTest, ListsTheCurrentDirectoryButReadsTheProgramDirectory) {
    ScratchDirectory elsewhere("cwd");
    CurrentDirectory inElsewhere(elsewhere.path);
    Put("x.txt", "from program\r\n");
    Put("program_only.txt", "");
    WriteBytes(elsewhere.path + "x.txt", "from elsewhere\r\n");
    ListNameFiles(list, box, program.path);
    EXPECT_EQ(Items(), std::vector<std::string>{"x.txt"});
    EXPECT_EQ(Box(), "from program\n\r\n\n\r");

    WriteBytes(elsewhere.path + "y.txt", "");
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    FillNameFileList(list);
    EXPECT_EQ(Items(), SearchOrder(elsewhere.path + "*.txt"));
    EXPECT_EQ(Items().size(), 2u);
}

// ---- Buttons ----

// "Notepad.exe" must start the stand-in beside this test, never a real
// editor that would wait for a user; a watchdog closes one if it appears.
bool StandInEditorRuns() {
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 300 && !done; ++i) Sleep(50);
        while (!done) {
            if (HWND editor = FindWindowA("Notepad", nullptr)) PostMessageA(editor, WM_CLOSE, 0, 0);
            Sleep(200);
        }
    });
    const uint32_t code = ShellRun("Notepad.exe --probe", SW_HIDE, true, false);
    done = true;
    watchdog.join();
    return code == 77;
}

TEST_F(NameFilesTest, EditShowsTheReminderAndStartsTheEditorOnTheProgramFile) {
    ASSERT_TRUE(StandInEditorRuns()) << "Notepad.exe does not start the stand-in editor";
    ScratchDirectory elsewhere("editcwd");
    CurrentDirectory inElsewhere(elsewhere.path);
    WriteBytes(elsewhere.path + "名单.txt", "");
    ListNameFiles(list, box, program.path);
    DialogAnswerer answerer;
    EditNameFile(list, program.path);
    EXPECT_EQ(ReadBytes(EditorLog()), "Notepad.exe  " + program.path + "名单.txt");
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "提示");
    EXPECT_EQ(seen[0].text, "提示：编辑完成后，将其保存！");
    EXPECT_EQ(seen[0].buttons.size(), 1u);

    // Nothing selected: the editor gets the program directory alone.
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EditNameFile(list, program.path);
    EXPECT_EQ(ReadBytes(EditorLog()), "Notepad.exe  " + program.path);
    EXPECT_EQ(answerer.Seen().size(), 2u);
}

TEST_F(NameFilesTest, NewStartsTheEditorAloneAndRelistsWithoutTouchingTheBox) {
    ASSERT_TRUE(StandInEditorRuns()) << "Notepad.exe does not start the stand-in editor";
    Put("old.txt", "old\r\n");
    ListNameFiles(list, box, program.path);
    const std::string shown = Box();
    SetEnvironmentVariableA("TOBRIX_FAKE_EDITOR_CREATE", (program.path + "created.txt").c_str());
    DialogAnswerer answerer;
    NewNameFile(list);
    EXPECT_EQ(ReadBytes(EditorLog()), "Notepad.exe ");
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "提示");
    EXPECT_EQ(seen[0].text, "提示：按规则编辑文件后，将其保存在软件的安装目录下！");
    EXPECT_EQ(Items(), SearchOrder(program.path + "*.txt"));
    EXPECT_EQ(Items().size(), 2u);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Box(), shown);
}

// Under Wine the bin is the freedesktop trash, whose files can be counted;
// -1 elsewhere.
int BinEntries() {
    char home[MAX_PATH] = {};
    if (GetEnvironmentVariableA("XDG_DATA_HOME", home, sizeof home) == 0) return -1;
    std::string files = "Z:" + std::string(home) + "/Trash/files/";
    for (char& c : files) c = c == '/' ? '\\' : c;
    int count = 0;
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA((files + "*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return count;
}

TEST_F(NameFilesTest, DeleteSendsTheSelectedFileToTheBinAndRelists) {
    Put("A.txt", "a");
    Put("B.txt", "b");
    Put("C.txt", "c");
    ListNameFiles(list, box, program.path);
    const std::string shown = Box();
    Select("B.txt");
    ASSERT_EQ(SelectedNameFile(list), "B.txt");
    const int binBefore = BinEntries();
    {
        DialogAnswerer answerer(IDYES);
        DeleteNameFile(list, program.path);
    }
    EXPECT_FALSE(Exists(program.path + "B.txt"));
    if (binBefore >= 0) {
        EXPECT_EQ(BinEntries(), binBefore + 1) << "deleted for good, not moved to the bin";
    }
    EXPECT_TRUE(Exists(program.path + "A.txt"));
    EXPECT_TRUE(Exists(program.path + "C.txt"));
    const std::vector<std::string> order = SearchOrder(program.path + "*.txt");
    EXPECT_EQ(Items(), order);
    EXPECT_EQ(order.size(), 2u);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Box(), shown);
}

TEST_F(NameFilesTest, DeleteWithNothingSelectedOnlySaysSo) {
    Put("keep.txt", "k");
    DialogAnswerer answerer;
    DeleteNameFile(list, program.path);
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "提示");
    EXPECT_EQ(seen[0].text, "没有选中文件！");
    EXPECT_TRUE(Exists(program.path + "keep.txt"));
    EXPECT_TRUE(Items().empty()) << "the list is not rebuilt";
}

// ---- Threads ----

TEST_F(NameFilesTest, DrawReadsTheWholeFileWhileTheListIsRefreshed) {
    Put("names.txt", kGbkNames);
    const std::string path = program.path + "names.txt";
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> wrong{0};
    std::thread roller([&] {
        while (!stop) {
            if (LoadTextFile(path) != kGbkNames) ++wrong;
            ++reads;
        }
    });
    int wrongShown = 0;
    for (int i = 0; i < 150; ++i) {
        ListNameFiles(list, box, program.path);
        if (Box() != "张三\n\r\n李四\n\r") ++wrongShown;
    }
    stop = true;
    roller.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(wrongShown, 0);
}

}  // namespace
