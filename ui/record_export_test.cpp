#include "ui/record_export.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/support/storage_test_support.h"
#include "tests/e2e/driver.h"

using namespace test_support;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

DrawResult Result(CalendarTime time, DrawMode mode, std::string source, std::string result,
                  ResultState state = ResultState::Valid) {
    DrawResult r;
    r.time = time;
    r.mode = mode;
    r.source = std::move(source);
    r.result = std::move(result);
    r.recordEntry = "  " + r.result;
    r.state = state;
    return r;
}

// A name with a comma, one with quotes, a voided Chinese name, a number draw.
DrawResults KnownSession() {
    return {
        Result({2024, 3, 9, 8, 5, 7}, DrawMode::Number, "1~100", "42"),
        Result({2024, 3, 9, 8, 6, 0}, DrawMode::Name, "三班.txt", "张三", ResultState::Void),
        Result({2024, 3, 9, 8, 6, 30}, DrawMode::Name, "三班.txt", "李四, 王五"),
        Result({2024, 3, 9, 8, 7, 1}, DrawMode::Name, "三班.txt", "赵\"小六\""),
    };
}

// u8 literals are UTF-8 whatever the execution character set.
const std::string kKnownSessionUtf8 = std::string(u8"序号,时间,模式,来源,结果,状态\r\n") +
                                      u8"1,2024-03-09 08:05:07,数字,1~100,42,有效\r\n" +
                                      u8"2,2024-03-09 08:06:00,姓名,三班.txt,张三,作废\r\n" +
                                      u8"3,2024-03-09 08:06:30,姓名,三班.txt,\"李四, 王五\",有效\r\n" +
                                      u8"4,2024-03-09 08:07:01,姓名,三班.txt,\"赵\"\"小六\"\"\",有效\r\n";

std::vector<std::string> FilesIn(const std::string& directory) { return SearchOrder(directory + "*"); }

struct ExportTest : ::testing::Test {
    ScratchDirectory dir{"export"};
};

TEST(ExportText, ProposedNameCarriesTheLocalTime) {
    SYSTEMTIME t{};
    t.wYear = 2024, t.wMonth = 3, t.wDay = 9, t.wHour = 8, t.wMinute = 5, t.wSecond = 7;
    EXPECT_EQ(ProposedExportName(t), "抽取记录-20240309-080507.csv");
    t.wYear = 2031, t.wMonth = 12, t.wDay = 31, t.wHour = 23, t.wMinute = 59, t.wSecond = 59;
    EXPECT_EQ(ProposedExportName(t), "抽取记录-20311231-235959.csv");
}

TEST(ExportText, GbkBecomesUtf8) {
    struct Case {
        std::string gbk;
        std::string utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"abc 1~9", "abc 1~9"},
        {"张三", u8"张三"},
        {"\x81\x40", u8"丂"},                      // a trail byte in the ASCII range
        {std::string("a\0b", 3), "a\xEF\xBF\xBD" "b"},  // NUL: replaced, nothing after it lost
        {"\r\n\t\"", "\r\n\t\""},
    };
    for (const Case& c : cases) EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.gbk;
    // A lone lead byte at the end converts to something, without reading past it.
    EXPECT_FALSE(GbkToUtf8("x\xD5").empty());
}

TEST_F(ExportTest, KnownSessionFileBytes) {
    const std::string path = dir.path + "record.csv";
    ASSERT_TRUE(ExportRecordTo(KnownSession(), path));
    EXPECT_EQ(ReadBytes(path), kBom + kKnownSessionUtf8);
    EXPECT_EQ(FilesIn(dir.path), std::vector<std::string>{"record.csv"});  // no temporary left
}

TEST_F(ExportTest, EmptySessionWritesTheHeader) {
    const std::string path = dir.path + "empty.csv";
    ASSERT_TRUE(ExportRecordTo({}, path));
    EXPECT_EQ(ReadBytes(path), kBom + u8"序号,时间,模式,来源,结果,状态\r\n");
}

TEST_F(ExportTest, ReplacesAnOlderFileWhole) {
    const std::string path = dir.path + "record.csv";
    WriteBytes(path, std::string(100000, 'x'));  // longer than the new content
    ASSERT_TRUE(ExportRecordTo(KnownSession(), path));
    EXPECT_EQ(ReadBytes(path), kBom + kKnownSessionUtf8);
    EXPECT_EQ(FilesIn(dir.path), std::vector<std::string>{"record.csv"});
}

TEST_F(ExportTest, UnwritableDirectorySaysSoAndKeepsTheOldFile) {
    const std::string folder = dir.path + "locked\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "record.csv";
    WriteBytes(path, "old");
    ASSERT_TRUE(SetDirectoryImmutable(folder, true));
    bool written;
    std::vector<SeenDialog> seen;
    {
        DialogAnswerer answerer;
        written = ExportRecordTo(KnownSession(), path);
        seen = answerer.Seen();
    }
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"record.csv"});
    EXPECT_EQ(ReadBytes(path), "old");
    ASSERT_TRUE(SetDirectoryImmutable(folder, false));

    EXPECT_FALSE(written);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "提示");
    EXPECT_NE(seen[0].text.find("导出失败"), std::string::npos) << seen[0].text;
    EXPECT_NE(seen[0].text.find("record.csv"), std::string::npos) << seen[0].text;

    // Once the folder can be written again, the same results export in full.
    ASSERT_TRUE(ExportRecordTo(KnownSession(), path));
    EXPECT_EQ(ReadBytes(path), kBom + kKnownSessionUtf8);
}

TEST_F(ExportTest, MissingFolderSaysSo) {
    DialogAnswerer answerer;
    EXPECT_FALSE(ExportRecordTo(KnownSession(), dir.path + "gone\\record.csv"));
    EXPECT_EQ(answerer.Seen().size(), 1u);
}

TEST_F(ExportTest, HundredThousandResults) {
    DrawResults results;
    for (int i = 0; i < 100000; ++i) {
        results.push_back(Result({2024, 5, 6, 7, 8, i % 60}, DrawMode::Name, "名单.txt", "王" + std::to_string(i)));
    }
    const std::string path = dir.path + "big.csv";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ExportRecordTo(results, path));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0);  // about half a second here; the operator waits for it
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.compare(0, kBom.size(), kBom), 0);
    const std::string last = std::string(u8"\r\n100000,2024-05-06 07:08:39,姓名,名单.txt,王99999,有效\r\n");
    ASSERT_GT(bytes.size(), last.size());
    EXPECT_EQ(bytes.substr(bytes.size() - last.size()), last);
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST(CopyRecordTest, ClipboardHoldsTheTabSeparatedTable) {
    DrawResults results = KnownSession();
    results[2].result = "李四\t王五";  // a tab inside a field is quoted between tabs
    results.push_back(Result({2024, 3, 9, 8, 9, 0}, DrawMode::Name, "三班.txt", std::string("a\0b", 3)));
    ASSERT_TRUE(CopyRecord(nullptr, results));
    EXPECT_EQ(ClipboardText(), std::wstring(L"序号\t时间\t模式\t来源\t结果\t状态\r\n") +
                                   L"1\t2024-03-09 08:05:07\t数字\t1~100\t42\t有效\r\n" +
                                   L"2\t2024-03-09 08:06:00\t姓名\t三班.txt\t张三\t作废\r\n" +
                                   L"3\t2024-03-09 08:06:30\t姓名\t三班.txt\t\"李四\t王五\"\t有效\r\n" +
                                   L"4\t2024-03-09 08:07:01\t姓名\t三班.txt\t\"赵\"\"小六\"\"\"\t有效\r\n" +
                                   L"5\t2024-03-09 08:09:00\t姓名\t三班.txt\ta\xFFFD" L"b\t有效\r\n");
    ASSERT_TRUE(CopyRecord(nullptr, {}));
    EXPECT_EQ(ClipboardText(), L"序号\t时间\t模式\t来源\t结果\t状态\r\n");
}

// The save dialog, driven from a second thread while the first waits in it.
struct SaveDialogDriver {
    std::string typed;  // "" keeps the proposed name
    bool cancel = false;
    std::string caption, proposed;
    std::atomic<bool> found{false};
    std::thread thread;

    static BOOL CALLBACK Collect(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<SaveDialogDriver*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassName(window) == "#32770" &&
            test_support::WindowText(window) == "导出记录") {
            self->Drive(window);
            return FALSE;
        }
        return TRUE;
    }

    void Drive(HWND dialog) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it fill its controls
        caption = test_support::WindowText(dialog);
        // The file name is an edit box, or a combo box around one.
        HWND name = GetDlgItem(dialog, 0x480);  // edt1
        if (!name) name = GetDlgItem(dialog, 0x47C);  // cmb13
        if (name) {
            proposed = test_support::WindowText(name);
            if (!typed.empty()) SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(cancel ? IDCANCEL : IDOK, BN_CLICKED), 0);
        found = true;
    }

    void Start() {
        thread = std::thread([this] {
            for (int i = 0; i < 300 && !found; ++i) {
                EnumWindows(Collect, reinterpret_cast<LPARAM>(this));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    ~SaveDialogDriver() {
        if (thread.joinable()) thread.join();
    }
};

bool IsProposedName(const std::string& name) {
    const std::string prefix = "抽取记录-";
    if (name.size() != prefix.size() + 19 || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string stamp = name.substr(prefix.size(), 15);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        if (i == 8 ? stamp[i] != '-' : !isdigit(static_cast<unsigned char>(stamp[i]))) return false;
    }
    return name.substr(name.size() - 4) == ".csv";
}

TEST_F(ExportTest, SaveDialogOpensInTheProgramDirectoryWithTheProposedName) {
    ScratchDirectory elsewhere{"elsewhere"};
    CurrentDirectory current(elsewhere.path);
    SaveDialogDriver driver;
    driver.Start();
    // Accepting the proposed name as it stands puts the file in the folder
    // the dialog opened in.
    ASSERT_TRUE(ExportRecord(nullptr, KnownSession(), dir.path));
    ASSERT_TRUE(driver.found);
    EXPECT_TRUE(IsProposedName(driver.proposed)) << driver.proposed;
    const std::vector<std::string> files = FilesIn(dir.path);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], driver.proposed);
    EXPECT_EQ(ReadBytes(dir.path + files[0]), kBom + kKnownSessionUtf8);
    EXPECT_TRUE(FilesIn(elsewhere.path).empty());

    // The dialog leaves the current directory, where the file list is read, alone.
    char now[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", elsewhere.path);
}

TEST_F(ExportTest, SaveDialogTakesATypedPathAndCancelWritesNothing) {
    {
        SaveDialogDriver driver;
        driver.typed = dir.path + "chosen";  // the extension is added
        driver.Start();
        ASSERT_TRUE(ExportRecord(nullptr, KnownSession(), dir.path));
        EXPECT_EQ(ReadBytes(dir.path + "chosen.csv"), kBom + kKnownSessionUtf8);
    }
    {
        SaveDialogDriver driver;
        driver.cancel = true;
        driver.Start();
        EXPECT_FALSE(ExportRecord(nullptr, KnownSession(), dir.path));
        EXPECT_TRUE(driver.found);
    }
    EXPECT_EQ(FilesIn(dir.path), std::vector<std::string>{"chosen.csv"});
}

}  // namespace
