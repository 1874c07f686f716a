// Rosters into the real program, driven from outside: a workbook, CSV files
// and pasted cells through "导入名单..." / "粘贴名单" and the preview form,
// the name file written, drawn from, shown on the presenter view and
// exported; files and folders that must leave nothing written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

const char kFormCaption[] = "导入名单";
const char kDialogCaption[] = "选择名单文件";
const char kBom[] = "\xEF\xBB\xBF";

std::string Utf16ToGbk(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    std::string gbk(wide.size() * 2, '\0');
    gbk.resize(WideCharToMultiByte(936, 0, wide.data(), int(wide.size()), &gbk[0], int(gbk.size()), nullptr,
                                   nullptr));
    return gbk;
}

std::wstring GbkToUtf16(const std::string& gbk) {
    if (gbk.empty()) return std::wstring();
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(MultiByteToWideChar(936, 0, gbk.data(), int(gbk.size()), &wide[0], int(wide.size())));
    return wide;
}

std::string GbkToUtf8(const std::string& gbk) {
    const std::wstring wide = GbkToUtf16(gbk);
    if (wide.empty()) return std::string();
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], int(utf8.size()), nullptr,
                                    nullptr));
    return utf8;
}

std::string Utf8ToGbk(const std::string& utf8) {
    if (utf8.empty()) return utf8;
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], int(wide.size())));
    return Utf16ToGbk(wide);
}

// A committed roster file, read whole through the Z: drive.
std::string Fixture(const std::string& name) {
    std::string path = std::string("Z:") + TOBRIX_ROSTER_FIXTURES + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The name file the program is to write for `lines` (GBK here): UTF-8 with
// its mark, CR LF between lines and none after the last.
std::string NameFileBytes(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return kBom + GbkToUtf8(text);
}

struct Person {
    const char* name;
    const char* number;
    const char* department;
};

// class_roster.xlsx's first sheet as imported: the empty row and the second
// 2023017 left out, 2.02302E6 as Excel shows it, the merged class filled in.
const Person kWorkbookPeople[] = {
    {"张伟", "2023017", "三年二班"}, {"李娜", "2023018", "三年二班"}, {"王芳", "2023019", "三年二班"},
    {"刘洋", "2023020", "三年一班"}, {"陈静", "2023021", "三年一班"},
};

std::vector<std::string> Lines(const Person* people, std::size_t count) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back(std::string(people[i].name) + "\t" + people[i].number + "\t" + people[i].department);
    return lines;
}

std::vector<std::string> ListItems(HWND form, int id) {
    HWND list = GetDlgItem(form, id);
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            std::max<LRESULT>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0])), 0)));
        items.push_back(Utf16ToGbk(text));
    }
    return items;
}

// A choice made as the user makes it: the selection, then the notification.
void ChooseComboItem(HWND form, int id, int index) {
    HWND combo = GetDlgItem(form, id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void PutOnClipboard(const std::wstring& text) {
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) PumpFor(20);
    EmptyClipboard();
    if (!text.empty()) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
    }
    CloseClipboard();
}


std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(separator, at)) != std::string::npos; at = next + separator.size())
        parts.push_back(text.substr(at, next - at));
    parts.push_back(text.substr(at));
    return parts;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

class RosterImportE2E : public TobrixE2E {
protected:
    void TearDown() override {
        if (immutable && !run.directory.empty()) SetDirectoryImmutable(run.directory, false);
        TobrixE2E::TearDown();
    }

    // "导入名单..." answered as a user answers it: the path typed, Enter.
    void ChooseFile(const std::string& path) {
        const std::vector<HWND> known = TopLevelWindows(0);
        PostMenuCommand(form, menu::kImportRoster);
        HWND dialog = WaitForNewWindowOfClass("#32770", known, 10000);
        ASSERT_NE(dialog, nullptr) << "no open dialog";
        ASSERT_EQ(WindowText(dialog), kDialogCaption);
        HWND edit = DialogFileNameEdit(dialog);
        ASSERT_NE(edit, nullptr);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PressDialogButton(dialog, IDOK);
        ASSERT_TRUE(WaitForWindowGone(dialog, 10000));
    }

    // The form shows a moment before its procedure has filled it in.
    HWND WaitForPreview() {
        HWND preview = WaitForWindow(pid(), kFormCaption, 10000);
        for (int i = 0; i < 400 && preview && !(GetDlgItem(preview, IDOK) && IsNotEmpty(ControlText(preview, form7::kSummary)));
             ++i)
            PumpFor(25);
        return preview;
    }

    // The message the program shows instead of a preview or a written file.
    std::string TakeMessage() {
        HWND box = WaitForMessageBox(pid(), "提示", 10000);
        if (!box) return "(no message)";
        const std::string text = MessageBoxText(box);
        PressDialogButton(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box, 5000));
        return text;
    }

    void PressOk(HWND preview) {
        PressDialogButton(preview, IDOK);
        ASSERT_TRUE(WaitForWindowGone(preview, 10000));
        ASSERT_TRUE(WaitForEnabled(form, true, 10000));
    }

    std::string DrawOnce() {
        const std::string before = ControlText(form, form1::kDrawRecord);
        SetControlText(form, form1::kResultDisplay, "");
        SendClick(form, form1::kStart);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
        SendClick(form, form1::kStop);
        const std::string after = ControlText(form, form1::kDrawRecord);
        return after.substr(std::min(before.size(), after.size()));
    }

    bool ExportTo(const std::string& path) {
        const std::vector<HWND> known = TopLevelWindows(0);
        PostMenuCommand(form, menu::kExportRecord);
        HWND dialog = WaitForNewWindowOfClass("#32770", known, 10000);
        if (!dialog) return false;
        SendMessageA(DialogFileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PressDialogButton(dialog, IDOK);
        if (!WaitForWindowGone(dialog, 10000)) return false;
        for (int i = 0; i < 100 && !FileExists(path); ++i) PumpFor(50);
        return FileExists(path);
    }

    bool immutable = false;
};

TEST_F(RosterImportE2E, AWorkbookPreviewedWrittenDrawnPresentedAndExported) {
    const std::string dir = MakeProgramDirectory("roster_xlsx");
    ASSERT_TRUE(WriteFileBytes(dir + "class_roster.xlsx", Fixture("class_roster.xlsx")));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    ChooseFile(dir + "class_roster.xlsx");
    HWND preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);

    // The defaults: the header row, 姓名 / 学号 / 班级, the first sheet of two.
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 5 人；跳过空行 1 行、重复学号 1 行");
    EXPECT_EQ(ControlText(preview, form7::kFileName), "class_roster.txt");
    EXPECT_EQ(ComboItems(preview, form7::kSheet), (std::vector<std::string>{"三年级", "生日"}));
    EXPECT_TRUE(ControlVisible(preview, form7::kSheet));
    EXPECT_EQ(ComboSelection(preview, form7::kNameColumn), 1);
    EXPECT_EQ(ComboSelection(preview, form7::kNumberColumn), 2);
    EXPECT_EQ(ComboSelection(preview, form7::kDepartmentColumn), 3);
    EXPECT_EQ(SendDlgItemMessageA(preview, form7::kHeaderRow, BM_GETCHECK, 0, 0), BST_CHECKED);
    const std::vector<std::string> people = Lines(kWorkbookPeople, 5);
    EXPECT_EQ(ListItems(preview, form7::kPreview), people);

    // No number column: no duplicates by number, both 2023017s stay.
    ChooseComboItem(preview, form7::kNumberColumn, 0);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 6 人；跳过空行 1 行");
    EXPECT_EQ(ListItems(preview, form7::kPreview)[0], "张伟\t\t三年二班");
    // The first row taken as a person, and back as the header.
    HWND header = GetDlgItem(preview, form7::kHeaderRow);
    SendMessageA(header, BM_CLICK, 0, 0);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 7 人；跳过空行 1 行");
    EXPECT_EQ(ListItems(preview, form7::kPreview)[0], "姓名\t\t班级");
    SendMessageA(header, BM_CLICK, 0, 0);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 6 人；跳过空行 1 行");
    // The other sheet, and back.
    ChooseComboItem(preview, form7::kSheet, 1);
    EXPECT_EQ(ListItems(preview, form7::kPreview), (std::vector<std::string>{"Ann\t\t"}));
    ChooseComboItem(preview, form7::kSheet, 0);
    EXPECT_EQ(ListItems(preview, form7::kPreview), people);
    // The department column left out, for the file written.
    ChooseComboItem(preview, form7::kDepartmentColumn, 0);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 5 人；跳过空行 1 行、重复学号 1 行");
    ChooseComboItem(preview, form7::kDepartmentColumn, 3);
    PressOk(preview);

    EXPECT_EQ(ReadFileBytes(dir + "class_roster.txt"), NameFileBytes(people));
    const std::vector<std::string> listed = ComboItems(form, form1::kNameFileList);
    const int selected = ComboSelection(form, form1::kNameFileList);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(listed[static_cast<size_t>(selected)], "class_roster.txt");

    // Drawn: the name alone in the display and the record.
    const std::string entry = DrawOnce();
    const Person* drawn = std::find_if(std::begin(kWorkbookPeople), std::end(kWorkbookPeople),
                                       [&](const Person& p) { return entry == std::string("  ") + p.name; });
    ASSERT_NE(drawn, std::end(kWorkbookPeople)) << entry;
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), drawn->name);

    // The presenter view: number and department under the name.
    PostMenuCommand(form, menu::kPresenterView);
    HWND view = nullptr;
    for (int i = 0; i < 200 && !view; ++i, PumpFor(25)) {
        for (HWND w : TopLevelWindows(pid()))
            if (WindowClass(w) == "TobrixPresenterView") view = w;
    }
    ASSERT_NE(view, nullptr);
    auto subtitle = [&] {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<intptr_t>(GetPropA(view, "TobrixViewSubtitle")));
        wchar_t text[256] = {};
        return atom ? Utf16ToGbk(std::wstring(text, GlobalGetAtomNameW(atom, text, 256))) : std::string();
    };
    // The view shows before it takes the subtitle of what the display shows.
    for (int i = 0; i < 200 && subtitle().empty(); ++i) PumpFor(25);
    EXPECT_EQ(subtitle(), std::string(drawn->number) + "  " + drawn->department);
    const std::string second = DrawOnce();
    const Person* next = std::find_if(std::begin(kWorkbookPeople), std::end(kWorkbookPeople),
                                      [&](const Person& p) { return second == std::string("  ") + p.name; });
    ASSERT_NE(next, std::end(kWorkbookPeople)) << second;
    EXPECT_EQ(subtitle(), std::string(next->number) + "  " + next->department);
    PostMenuCommand(form, menu::kPresenterView);
    ASSERT_TRUE(WaitForWindowGone(view, 10000));

    // Export and copy: 编号 and 部门 after 奖项 and 奖品.
    ASSERT_TRUE(ExportTo(dir + "导出.csv"));
    const std::string exported = Utf8ToGbk(ReadFileBytes(dir + "导出.csv").substr(3));
    const std::vector<std::string> rows = SplitOn(exported, "\r\n");
    ASSERT_EQ(rows.size(), 4u) << exported;
    EXPECT_EQ(rows[0], "序号,时间,模式,来源,结果,状态,奖项,奖品,编号,部门");
    for (const auto& [row, person] : {std::make_pair(rows[1], drawn), std::make_pair(rows[2], next)}) {
        const std::vector<std::string> fields = SplitOn(row, ",");
        ASSERT_EQ(fields.size(), 10u) << row;
        EXPECT_EQ(fields[3], "class_roster.txt");
        EXPECT_EQ(fields[4], person->name);
        EXPECT_EQ(fields[6] + "|" + fields[7], "|");
        EXPECT_EQ(fields[8] + "|" + fields[9], std::string(person->number) + "|" + person->department);
    }
    SendMenuCommand(form, menu::kCopyRecord);
    const std::vector<std::string> copied = SplitOn(Utf16ToGbk(ClipboardText()), "\r\n");
    ASSERT_EQ(copied.size(), 4u);
    EXPECT_EQ(SplitOn(copied[2], "\t").back(), next->department);
}

TEST_F(RosterImportE2E, CsvFilesInGbkAndQuotedUtf8AndANameThatIsTakenOrUnusable) {
    const std::string dir = MakeProgramDirectory("roster_csv");
    ASSERT_TRUE(WriteFileBytes(dir + "roster_gbk.csv", Fixture("roster_gbk.csv")));
    ASSERT_TRUE(WriteFileBytes(dir + "roster_utf8_quoted.csv", Fixture("roster_utf8_quoted.csv")));
    Launch(dir);

    ChooseFile(dir + "roster_gbk.csv");
    HWND preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 3 人；跳过重复工号 1 行");
    EXPECT_EQ(ControlText(preview, form7::kFileName), "roster_gbk.txt");
    EXPECT_FALSE(ControlVisible(preview, form7::kSheet));
    PressOk(preview);
    const std::string gbkRoster = NameFileBytes({"张伟\t1001\t销售部", "李娜\t1002\t研发部", "赵六\t1003\t市场部"});
    EXPECT_EQ(ReadFileBytes(dir + "roster_gbk.txt"), gbkRoster);

    ChooseFile(dir + "roster_utf8_quoted.csv");
    preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 3 人");
    PressOk(preview);
    EXPECT_EQ(ReadFileBytes(dir + "roster_utf8_quoted.txt"),
              NameFileBytes({"Li, Na\t1\t\"A\" 组", "张伟  （组长）\t2", "王芳\t3\tB 组"}));

    // Again: the default name is made unique; the taken one typed in is
    // asked about (no keeps the form and the file), an unusable one refused.
    ChooseFile(dir + "roster_gbk.csv");
    preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ControlText(preview, form7::kFileName), "roster_gbk (2).txt");
    ChooseComboItem(preview, form7::kDepartmentColumn, 0);
    SetControlText(preview, form7::kFileName, "roster_gbk.txt");
    PressDialogButton(preview, IDOK);
    HWND question = WaitForMessageBox(pid(), "提示", 10000);
    ASSERT_NE(question, nullptr);
    EXPECT_NE(MessageBoxText(question).find("roster_gbk.txt"), std::string::npos);
    PressDialogButton(question, IDNO);
    ASSERT_TRUE(WaitForWindowGone(question, 5000));
    EXPECT_TRUE(IsWindowVisible(preview));
    EXPECT_EQ(ReadFileBytes(dir + "roster_gbk.txt"), gbkRoster);
    const std::vector<std::string> before = FilesIn(dir);
    for (const char* unusable : {"a|b", "a:b.txt", "con", "  "}) {
        SetControlText(preview, form7::kFileName, unusable);
        PressDialogButton(preview, IDOK);
        EXPECT_FALSE(TakeMessage().empty()) << unusable;
        EXPECT_TRUE(IsWindowVisible(preview));
    }
    // Cancel writes nothing.
    PressDialogButton(preview, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(preview, 10000));
    EXPECT_EQ(FilesIn(dir), before);
}

TEST_F(RosterImportE2E, PastedCellsBecomeANameFileToDrawFromAndAnEmptyClipboardIsSaidSo) {
    const std::string dir = MakeProgramDirectory("roster_paste");
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    // As a spreadsheet puts cells on the clipboard: tabs, CR LF, a last break.
    PutOnClipboard(GbkToUtf16("姓名\t学号\t班级\r\n张伟\t1\t一班\r\n\r\n李娜\t2\t二班\r\n张伟\t3\t二班\r\n"));
    PostMenuCommand(form, menu::kPasteRoster);
    HWND preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 3 人；跳过空行 1 行");
    EXPECT_EQ(ControlText(preview, form7::kFileName), "粘贴名单.txt");
    PressOk(preview);
    EXPECT_EQ(ReadFileBytes(dir + "粘贴名单.txt"), NameFileBytes({"张伟\t1\t一班", "李娜\t2\t二班", "张伟\t3\t二班"}));

    // Without repeats, the two 张伟 are two people: three draws take all three.
    SendMenuCommand(form, menu::kNoRepeats);
    std::vector<std::string> drawn;
    for (int i = 0; i < 3; ++i) drawn.push_back(DrawOnce());
    std::sort(drawn.begin(), drawn.end());
    std::vector<std::string> people = {"  张伟", "  张伟", "  李娜"};
    std::sort(people.begin(), people.end());
    EXPECT_EQ(drawn, people);
    EXPECT_EQ(StatusBarText(run, 1), "剩余 0/3");
    SendMenuCommand(form, menu::kNoRepeats);

    PutOnClipboard(L"");
    PostMenuCommand(form, menu::kPasteRoster);
    EXPECT_EQ(TakeMessage().compare(0, 12, "剪贴板中没有"), 0);
    EXPECT_EQ(FindVisibleWindow(pid(), kFormCaption), nullptr);
}

TEST_F(RosterImportE2E, FilesThatCannotBeReadAndAFolderThatCannotBeWrittenLeaveNothingWritten) {
    const std::string dir = MakeProgramDirectory("roster_refused");
    const std::string workbook = Fixture("class_roster.xlsx");
    ASSERT_TRUE(WriteFileBytes(dir + "old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0')));
    ASSERT_TRUE(WriteFileBytes(dir + "cut.xlsx", workbook.substr(0, workbook.size() / 2)));
    ASSERT_TRUE(WriteFileBytes(dir + "empty.xlsx", ""));
    ASSERT_TRUE(WriteFileBytes(dir + "big.csv", std::string(50 * 1024 * 1024 + 1, 'a')));
    ASSERT_TRUE(WriteFileBytes(dir + "roster_gbk.csv", Fixture("roster_gbk.csv")));
    Launch(dir);
    const std::vector<std::string> files = FilesIn(dir);

    const struct {
        const char* file;
        const char* says;
    } refused[] = {
        {"old.xls", "请在 Excel 中另存为 .xlsx 或 .csv 后再导入"},
        {"cut.xlsx", "文件不完整或已损坏"},
        {"empty.xlsx", "文件是空的"},
        {"big.csv", "文件超过 50 MB"},
    };
    for (const auto& r : refused) {
        ChooseFile(dir + r.file);
        const std::string message = TakeMessage();
        EXPECT_NE(message.find(r.says), std::string::npos) << r.file << ": " << message;
        EXPECT_EQ(FindVisibleWindow(pid(), kFormCaption), nullptr) << r.file;
    }

    // Held by a program that shares reading only: still read.
    HANDLE held = CreateFileA((dir + "roster_gbk.csv").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ChooseFile(dir + "roster_gbk.csv");
    HWND preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ControlText(preview, form7::kSummary), "共 3 人；跳过重复工号 1 行");
    PressDialogButton(preview, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(preview, 10000));
    CloseHandle(held);
    // Held with no sharing at all: a message naming the file.
    held = CreateFileA((dir + "roster_gbk.csv").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ChooseFile(dir + "roster_gbk.csv");
    EXPECT_NE(TakeMessage().find("roster_gbk.csv"), std::string::npos);
    CloseHandle(held);
    EXPECT_EQ(FilesIn(dir), files);

    // A folder that cannot be written: said so, nothing written, the form stays.
    ASSERT_TRUE(immutable = SetDirectoryImmutable(dir, true));
    ChooseFile(dir + "roster_gbk.csv");
    preview = WaitForPreview();
    ASSERT_NE(preview, nullptr);
    PressDialogButton(preview, IDOK);
    const std::string said = TakeMessage();
    EXPECT_NE(said.find("无法在程序所在的文件夹中写入"), std::string::npos) << said;
    PressDialogButton(preview, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(preview, 10000));
    immutable = !SetDirectoryImmutable(dir, false);
    EXPECT_EQ(FilesIn(dir), files);
}

}  // namespace
