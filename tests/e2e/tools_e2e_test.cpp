// The "工具" menu of the real program, driven from outside: draws without
// repeats counted in the status bar and kept across restarts and kills,
// take-back and void in the record, export to a file and the clipboard, and
// pool files and sources that are broken, huge or gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

// Class and ID of each control of a dialog, for a failure message.
BOOL CALLBACK DescribeChild(HWND window, LPARAM out) {
    *reinterpret_cast<std::string*>(out) += WindowClass(window) + ":" + std::to_string(GetDlgCtrlID(window)) + " ";
    return TRUE;
}

const char kPoolsFile[] = "tobrix-pools.dat";
const char kPoolEmpty[] = "所有结果都已抽完，是否重置抽取池？";
const char kTooMany[] = "抽取个数超过了可抽取的不同结果数";
const char kVoidMark[] = "(作废)";
const char kViewClass[] = "TobrixPresenterView";

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string Remaining(uint64_t left, uint64_t total) {
    return "剩余 " + std::to_string(left) + "/" + std::to_string(total);
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string GbkToUtf8(const std::string& gbk) {
    if (gbk.empty()) return gbk;
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(MultiByteToWideChar(936, 0, gbk.data(), int(gbk.size()), &wide[0], int(wide.size())));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], int(utf8.size()), nullptr,
                                    nullptr));
    return utf8;
}

std::string Utf16ToGbk(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    std::string gbk(wide.size() * 2, '\0');
    gbk.resize(WideCharToMultiByte(936, 0, wide.data(), int(wide.size()), &gbk[0], int(gbk.size()), nullptr,
                                   nullptr));
    return gbk;
}

std::string Utf8ToGbk(const std::string& utf8) {
    if (utf8.empty()) return utf8;
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], int(wide.size())));
    return Utf16ToGbk(wide);
}

std::string LocalTimeText() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

bool IsTimeText(const std::string& s) {
    const char* pattern = "dddd-dd-dd dd:dd:dd";
    if (s.size() != strlen(pattern)) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (pattern[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != pattern[i]) return false;
    }
    return true;
}

std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

// The numbers a pools file holds as drawn for one source. The file must be
// whole: its header, only lines of its own kinds, and its closing line.
bool ReadNumberPool(const std::string& bytes, const std::string& source, std::set<int>& drawn,
                    std::string& problem) {
    drawn.clear();
    auto fail = [&](const std::string& why) {
        problem = why;
        return false;
    };
    std::vector<std::string> lines = SplitOn(bytes, "\r\n");
    if (lines.size() < 3 || lines.front() != "Tobrix draw pools 1") return fail("no header");
    if (!lines.back().empty() || lines[lines.size() - 2] != "end") return fail("no end");
    bool inSource = false;
    for (size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.compare(0, 8, "numbers ") == 0) {
            inSource = line.substr(8) == source;
        } else if (line.compare(0, 7, "number ") == 0) {
            const std::string digits = line.substr(7);
            if (digits.empty() || digits.find_first_not_of("-0123456789") != std::string::npos)
                return fail("bad line " + line);
            if (inSource && !drawn.insert(atoi(digits.c_str())).second)
                return fail("twice: " + line);
        } else {
            return fail("unknown line " + line);
        }
    }
    return true;
}

class ToolsE2E : public TobrixE2E {
protected:
    void TearDown() override {
        if (immutable) SetDirectoryImmutable(run.directory, false);
        TobrixE2E::TearDown();
    }

    std::string Pool() { return StatusBarText(run, 1); }

    bool Idle() { return ControlEnabled(form, form1::kStart) && !ControlEnabled(form, form1::kStop); }
    bool WaitIdle(DWORD timeoutMs = 5000) {
        const DWORD start = GetTickCount();
        while (!Idle()) {
            if (GetTickCount() - start > timeoutMs) return false;
            PumpFor(20);
        }
        return true;
    }

    // One manual draw: Start, a candidate on the display, Stop. Returns the
    // record's new entry.
    std::string DrawOnce() {
        const std::string before = ControlText(form, form1::kDrawRecord);
        SetControlText(form, form1::kResultDisplay, "");
        SendClick(form, form1::kStart);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
        SendClick(form, form1::kStop);
        EXPECT_TRUE(Idle());
        const std::string after = ControlText(form, form1::kDrawRecord);
        EXPECT_EQ(after.compare(0, before.size(), before), 0) << after;
        return after.substr(std::min(before.size(), after.size()));
    }

    // Start on an empty pool: the question, answered.
    void StartOnEmptyPool(int answer) {
        PostClick(form, form1::kStart);
        HWND box = WaitForMessageBox(pid(), "提示", 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), kPoolEmpty);
        PressDialogButton(box, answer);
        ASSERT_TRUE(WaitForWindowGone(box, 5000));
    }

    void SelectNumbers(const std::string& lower, const std::string& upper) {
        SendMenuCommand(form, menu::kNumberMode);
        SetControlText(form, form1::kLowerLimit, lower);
        SetControlText(form, form1::kUpperLimit, upper);
    }

    std::vector<HWND> Views() {
        std::vector<HWND> views;
        for (HWND w : TopLevelWindows(pid()))
            if (WindowClass(w) == kViewClass) views.push_back(w);
        return views;
    }

    // "导出记录..." answered with a path; returns whether the dialog came and went.
    bool ExportThroughDialog(const std::string& path) {
        const std::vector<HWND> known = TopLevelWindows(0);
        PostMenuCommand(form, menu::kExportRecord);
        HWND dialog = WaitForNewWindowOfClass("#32770", known, 10000);
        if (!dialog) {
            ADD_FAILURE() << "no save dialog";
            return false;
        }
        DWORD owner = 0;
        GetWindowThreadProcessId(dialog, &owner);
        EXPECT_EQ(owner, pid());
        EXPECT_EQ(WindowText(dialog), "导出记录");
        HWND edit = DialogFileNameEdit(dialog);
        if (!edit) {
            std::string children;
            EnumChildWindows(dialog, DescribeChild, reinterpret_cast<LPARAM>(&children));
            ADD_FAILURE() << "no file name field among " << children;
            return false;
        }
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PressDialogButton(dialog, IDOK);
        if (!WaitForWindowGone(dialog, 10000)) {
            ADD_FAILURE() << "the dialog stays";
            return false;
        }
        return true;
    }

    // Everything posted to the main window before this has been handled:
    // a mode change posted after it has.
    void WaitForPostedCommands(bool nameModeNow) {
        PostMenuCommand(form, nameModeNow ? menu::kNumberMode : menu::kNameMode);
        const DWORD start = GetTickCount();
        while (ControlVisible(form, form1::kNameFileList) == nameModeNow && GetTickCount() - start < 30000)
            PumpFor(20);
        ASSERT_NE(ControlVisible(form, form1::kNameFileList), nameModeNow);
    }


    bool immutable = false;
};

const std::vector<std::string> kFive = {"张三", "李四", "王五", "赵六", "钱七"};

TEST_F(ToolsE2E, FiveNamesEachOnceThenTheQuestionAndThePoolOutlivesARestart) {
    const std::string dir = MakeProgramDirectory("tools_five");
    ASSERT_TRUE(WriteFileBytes(dir + "五人.txt", Lines(kFive)));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(StatusBarParts(form), 1);  // nothing new while the option is off
    SendMenuCommand(form, menu::kNoRepeats);
    EXPECT_EQ(Pool(), Remaining(5, 5));

    std::set<std::string> drawn;
    std::string record;
    for (int i = 1; i <= 5; ++i) {
        const std::string entry = DrawOnce();
        ASSERT_EQ(entry.compare(0, 2, "  "), 0) << entry;
        const std::string name = entry.substr(2);
        EXPECT_NE(std::find(kFive.begin(), kFive.end(), name), kFive.end()) << name;
        EXPECT_TRUE(drawn.insert(name).second) << name << " drawn twice";
        EXPECT_EQ(Pool(), Remaining(5 - i, 5));
        record += entry;
    }
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);

    // The sixth Start asks; No starts nothing.
    SetControlText(form, form1::kResultDisplay, "kept");
    StartOnEmptyPool(IDNO);
    ASSERT_TRUE(WaitIdle());
    PumpFor(300);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(ControlText(form, form1::kResultDisplay), "kept");
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
    EXPECT_EQ(Pool(), Remaining(0, 5));

    // The option and the pool outlive the program.
    Restart();
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(Pool(), Remaining(0, 5));

    // The file edited: one drawn name gone, one new name in. Its drawn names
    // stay out, the new one is the one left.
    std::vector<std::string> edited(drawn.begin(), drawn.end());
    const std::string removed = edited.front();
    edited.erase(edited.begin());
    edited.push_back("孙八");
    ASSERT_TRUE(WriteFileBytes(dir + "五人.txt", Lines(edited)));
    SendClick(form, form1::kRefreshFiles);
    EXPECT_EQ(Pool(), Remaining(1, 5));
    EXPECT_EQ(DrawOnce(), "  孙八");
    EXPECT_EQ(Pool(), Remaining(0, 5));

    // Yes empties the pool and starts at once.
    StartOnEmptyPool(IDYES);
    ASSERT_TRUE(WaitForEnabled(GetDlgItem(form, form1::kStop), true, 5000));
    EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    EXPECT_EQ(Pool(), Remaining(4, 5));
    EXPECT_NE(Words(ControlText(form, form1::kDrawRecord)).back(), removed);

    // Off: the count goes and the date stays as it was.
    const std::string date = StatusBarText(run, 0);
    SendMenuCommand(form, menu::kNoRepeats);
    EXPECT_EQ(StatusBarParts(form), 1);
    EXPECT_EQ(StatusBarText(run, 0), date);
}

// Number ranges, each drawn out: every value once, and the counts on the way.
TEST_F(ToolsE2E, NumberRangesAreDrawnOutAndCounted) {
    Launch(MakeProgramDirectory("tools_numbers"));
    SendMenuCommand(form, menu::kNoRepeats);
    SetControlText(form, form1::kJumpFrequency, "1");
    struct Row {
        const char *lower, *upper;
        uint64_t total;
        int draws;  // all of them when draws == total
    } rows[] = {
        {"1", "3", 3, 3},
        {"3", "1", 0, 0},  // refused limits: nothing to count
        {"-2", "2", 5, 5},
        {"-2147483648", "2147483647", 4294967296ull, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.lower) + ".." + row.upper);
        SelectNumbers(row.lower, row.upper);
        if (row.total == 0) {
            EXPECT_EQ(StatusBarParts(form), 1);
            continue;
        }
        EXPECT_EQ(Pool(), Remaining(row.total, row.total));
        std::set<long long> values;
        for (int i = 1; i <= row.draws; ++i) {
            const std::vector<std::string> words = Words(DrawOnce());
            ASSERT_EQ(words.size(), 1u);
            const long long v = atoll(words[0].c_str());
            EXPECT_TRUE(v >= atoll(row.lower) && v <= atoll(row.upper)) << v;
            EXPECT_TRUE(values.insert(v).second) << v << " twice";
            EXPECT_EQ(Pool(), Remaining(row.total - i, row.total));
        }
    }

    // 1..3 once more: reset, one drawn, and three of the two left are refused.
    SendClick(form, form1::kClear);
    SelectNumbers("1", "3");
    EXPECT_EQ(Pool(), Remaining(0, 3));
    SendMenuCommand(form, menu::kResetPool);
    EXPECT_EQ(Pool(), Remaining(3, 3));
    DrawOnce();
    const std::string record = ControlText(form, form1::kDrawRecord);
    SetControlText(form, form1::kDrawCount, "3");
    PostClick(form, form1::kStart);
    HWND box = WaitForMessageBox(pid(), "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kTooMany);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
    EXPECT_EQ(Pool(), Remaining(2, 3));
    // Two of two are taken, automatically.
    SetControlText(form, form1::kDrawCount, "2");
    SendMessageA(GetDlgItem(form, form1::kDrawInterval), CB_SETCURSEL, 0, 0);
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitIdle(15000));
    EXPECT_EQ(Words(ControlText(form, form1::kDrawRecord)).size(), 3u);
    std::vector<std::string> all = Words(ControlText(form, form1::kDrawRecord));
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()), (std::set<std::string>{"1", "2", "3"}));
    EXPECT_EQ(Pool(), Remaining(0, 3));
}

// Killed at random moments through 200 draws: the pools file is whole each
// time, holds every result the record showed, and the restarted program
// counts what it holds.
TEST_F(ToolsE2E, KilledAtRandomMomentsThePoolFileKeepsWhatTheRecordShowed) {
    const std::string dir = MakeProgramDirectory("tools_kill");
    const std::string source = "1~300";
    const unsigned seed = GetTickCount();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::set<int> shown;  // every result a record showed, over all runs
    Launch(dir);
    SendMenuCommand(form, menu::kNoRepeats);
    int draws = 0, kills = 0;
    while (draws < 200) {
        SelectNumbers("1", "300");
        SetControlText(form, form1::kJumpFrequency, "0");
        EXPECT_EQ(Pool(), Remaining(300 - shown.size(), 300)) << "after kill " << kills;
        const int killAt = draws + 5 + int(random() % 40);
        const int moment = int(random() % 3);  // 0 idle, 1 rolling, 2 at Stop
        for (; draws < killAt && draws < 200; ++draws) {
            SetControlText(form, form1::kResultDisplay, "");
            SendClick(form, form1::kStart);
            ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
            if (draws + 1 == killAt && moment == 1) {
                PumpFor(random() % 30);
                break;
            }
            if (draws + 1 == killAt && moment == 2) {
                PostClick(form, form1::kStop);
                PumpFor(random() % 8);
                break;
            }
            SendClick(form, form1::kStop);
            for (const std::string& w : Words(ControlText(form, form1::kDrawRecord))) shown.insert(atoi(w.c_str()));
        }
        Kill();
        ++kills;
        std::set<int> saved;
        std::string problem;
        ASSERT_TRUE(ReadNumberPool(ReadFileBytes(dir + kPoolsFile), source, saved, problem))
            << problem << " after kill " << kills;
        size_t extra = 0;
        for (int v : saved) {
            EXPECT_TRUE(v >= 1 && v <= 300) << v;
            extra += shown.count(v) == 0;
        }
        for (int v : shown) EXPECT_EQ(saved.count(v), 1u) << v << " lost at kill " << kills;
        EXPECT_LE(extra, 1u) << "only the result taken at the kill can be unseen";
        shown.insert(saved.begin(), saved.end());
        Launch(dir);
    }
    SelectNumbers("1", "300");
    EXPECT_EQ(Pool(), Remaining(300 - shown.size(), 300));
    EXPECT_GE(kills, 4);
}

// Names with a blank, a comma and a quote: what take-back and void do to the
// record and the pool, and a thousand take-backs more than there are results.
TEST_F(ToolsE2E, TakeBackAndVoidChangeTheRecordExactlyAndThePoolAsTheySay) {
    const std::string dir = MakeProgramDirectory("tools_takeback");
    const std::vector<std::string> names = {"A B", "甲,乙", "他说\"好\""};
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines(names)));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SendMenuCommand(form, menu::kNoRepeats);
    std::vector<std::string> entries;
    for (int i = 0; i < 3; ++i) entries.push_back(DrawOnce());
    std::set<std::string> all(entries.begin(), entries.end());
    EXPECT_EQ(all, (std::set<std::string>{"  A B", "  甲,乙", "  他说\"好\""}));
    EXPECT_EQ(Pool(), Remaining(0, 3));

    SendMenuCommand(form, menu::kTakeBack);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), entries[0] + entries[1]);
    EXPECT_EQ(Pool(), Remaining(1, 3));
    SendMenuCommand(form, menu::kTakeBack);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), entries[0]);
    EXPECT_EQ(Pool(), Remaining(2, 3));

    // Both taken back are drawable again; the one drawn now is voided.
    const std::string again = DrawOnce();
    EXPECT_TRUE(again == entries[1] || again == entries[2]) << again;
    SendMenuCommand(form, menu::kVoidLast);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), entries[0] + again + kVoidMark);
    EXPECT_EQ(Pool(), Remaining(1, 3));
    SendMenuCommand(form, menu::kVoidLast);  // once per result
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), entries[0] + again + kVoidMark);

    // The voided name stays out: the last one left is the other.
    const std::string last = DrawOnce();
    EXPECT_EQ(last, again == entries[1] ? entries[2] : entries[1]);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), entries[0] + again + kVoidMark + last);
    StartOnEmptyPool(IDNO);
    ASSERT_TRUE(WaitIdle());

    // A thousand take-backs at once: the three go, the rest do nothing.
    for (int i = 0; i < 1000; ++i) PostMenuCommand(form, menu::kTakeBack);
    WaitForPostedCommands(true);
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), "");
    EXPECT_EQ(Pool(), Remaining(3, 3));
    EXPECT_TRUE(Idle());
    const std::string fresh = DrawOnce();
    EXPECT_EQ(all.count(fresh), 1u) << fresh;
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), fresh);
    EXPECT_EQ(Pool(), Remaining(2, 3));
}

// One exported or copied table against the session: the header, then a row
// per result with its time inside the test's span.
struct ExpectedRow {
    std::string field;  // the result as the table writes it
    const char* state;
};

void CheckTable(const std::string& gbk, char separator, const std::string& source,
                const std::vector<ExpectedRow>& rows, const std::string& from, const std::string& to) {
    const std::string s(1, separator);
    const std::vector<std::string> lines = SplitOn(gbk, "\r\n");
    ASSERT_EQ(lines.size(), rows.size() + 2) << gbk;
    EXPECT_EQ(lines.front(), "序号" + s + "时间" + s + "模式" + s + "来源" + s + "结果" + s + "状态");
    EXPECT_EQ(lines.back(), "");
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        const std::string& line = lines[i + 1];
        const std::string time = line.substr(std::min(line.size(), number.size() + 1), 19);
        EXPECT_TRUE(IsTimeText(time) && time >= from && time <= to) << time;
        EXPECT_EQ(line, number + s + time + s + "姓名" + s + source + s + rows[i].field + s + rows[i].state);
    }
}

TEST_F(ToolsE2E, ExportAndCopyWriteTheSessionAndAReadOnlyDirectoryIsReported) {
    const std::string dir = MakeProgramDirectory("tools_export");
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines({"A B", "甲,乙", "他说\"好\""})));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SendMenuCommand(form, menu::kNoRepeats);
    struct Name {
        const char* entry;
        const char* csv;
        const char* tsv;
    } const names[] = {
        {"  A B", "A B", "A B"},
        {"  甲,乙", "\"甲,乙\"", "甲,乙"},
        {"  他说\"好\"", "\"他说\"\"好\"\"\"", "\"他说\"\"好\"\"\""},
    };
    const std::string from = LocalTimeText();
    std::vector<ExpectedRow> csv, tsv;
    for (int i = 0; i < 3; ++i) {
        const std::string entry = DrawOnce();
        const Name* name = std::find_if(std::begin(names), std::end(names), [&](const Name& n) { return entry == n.entry; });
        ASSERT_NE(name, std::end(names)) << entry;
        csv.push_back(ExpectedRow{name->csv, "有效"});
        tsv.push_back(ExpectedRow{name->tsv, "有效"});
    }
    SendMenuCommand(form, menu::kVoidLast);
    csv.back().state = tsv.back().state = "作废";
    const std::string to = LocalTimeText();
    const std::string record = ControlText(form, form1::kDrawRecord);

    ASSERT_TRUE(ExportThroughDialog(dir + "导出.csv"));
    std::string bytes;
    for (int i = 0; i < 100 && (bytes = ReadFileBytes(dir + "导出.csv")).empty(); ++i) PumpFor(50);
    ASSERT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
    {
        SCOPED_TRACE("file");
        // UTF-8, compared as the program's own text; nothing lost on the way.
        CheckTable(Utf8ToGbk(bytes.substr(3)), ',', "名单.txt", csv, from, to);
        EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos);
        EXPECT_NE(bytes.find(GbkToUtf8(",\"他说\"\"好\"\"\",")), std::string::npos);
    }

    SendMenuCommand(form, menu::kCopyRecord);
    {
        SCOPED_TRACE("clipboard");
        CheckTable(Utf16ToGbk(ClipboardText()), '\t', "名单.txt", tsv, from, to);
    }

    // A directory that cannot be written: the message, and nothing lost.
    ASSERT_TRUE(immutable = SetDirectoryImmutable(dir, true));
    ASSERT_TRUE(ExportThroughDialog(dir + "只读.csv"));
    HWND box = WaitForMessageBox(pid(), "提示", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).compare(0, 8, "导出失败"), 0) << MessageBoxText(box);
    PressDialogButton(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    ASSERT_TRUE(Responds(form, 5000));
    EXPECT_FALSE(FileExists(dir + "只读.csv"));
    EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
    SelectNumbers("1", "10");
    EXPECT_EQ(Words(DrawOnce()).size(), 1u);
    SendMenuCommand(form, menu::kCopyRecord);
    EXPECT_EQ(SplitOn(Utf16ToGbk(ClipboardText()), "\r\n").size(), 6u);
    immutable = !SetDirectoryImmutable(dir, false);
}

std::string PseudoRandomBytes(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 2024;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    return bytes;
}

// The full 32-bit range with 3,276,800 values drawn: 50 MiB of lines.
std::string FiftyMegabytePool() {
    std::string bytes = "Tobrix draw pools 1\r\nnumbers -2147483648~2147483647\r\n";
    bytes.reserve(52u << 20);
    for (int v = 1000000; v < 1000000 + 3276800; ++v) bytes += "number " + std::to_string(v) + "\r\n";
    return bytes + "end\r\n";
}

// Pools files the program did not write whole, or wrote in a later version:
// it starts, counts what it can read as drawn and the rest as not, and draws.
TEST_F(ToolsE2E, BrokenHugeAndNewerPoolFilesCountWhatTheyHold) {
    const std::string full = "-2147483648", fullUpper = "2147483647";
    struct Check {
        const char* lower;  // nullptr: the name file
        const char* upper;
        std::string pool;
    };
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<Check> checks;
    } const rows[] = {
        {"random bytes", PseudoRandomBytes(65536), {{nullptr, nullptr, Remaining(5, 5)}, {"1", "3", Remaining(3, 3)}}},
        {"empty", "", {{nullptr, nullptr, Remaining(5, 5)}}},
        {"cut short", "Tobrix draw pools 1\r\nnames 五人.txt\r\nname 张三\r\n", {{nullptr, nullptr, Remaining(5, 5)}}},
        {"newer version",
         Lines({"Tobrix draw pools 2", "names 五人.txt", "name 张三", "name 李四", "flags 7", "name 王五",
                "numbers 1~3", "number 2", "colour blue", "number 3", "end"}),
         {{nullptr, nullptr, Remaining(3, 5)}, {"1", "3", Remaining(2, 3)}}},
        {"another file's pool",
         Lines({"Tobrix draw pools 1", "names 走了.txt", "name 张三", "names 五人.txt", "name 李四", "end"}),
         {{nullptr, nullptr, Remaining(4, 5)}}},
        {"50 MiB", FiftyMegabytePool(), {{full.c_str(), fullUpper.c_str(), Remaining(4294967296ull - 3276800, 4294967296ull)}}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dir = MakeProgramDirectory("tools_bad" + std::to_string(++n));
        ASSERT_TRUE(WriteFileBytes(dir + "五人.txt", Lines(kFive)));
        ASSERT_TRUE(WriteFileBytes(dir + kPoolsFile, row.bytes));
        Launch(dir);
        SendMenuCommand(form, menu::kNoRepeats);
        for (const Check& check : row.checks) {
            if (check.lower) {
                SelectNumbers(check.lower, check.upper);
            } else {
                SendMenuCommand(form, menu::kNameMode);
            }
            EXPECT_EQ(Pool(), check.pool) << (check.lower ? check.lower : "names");
        }
        // It draws, and the file it writes then is whole.
        const std::string before = Pool();
        EXPECT_EQ(Words(DrawOnce()).size(), 1u);
        EXPECT_NE(Pool(), before);
        const std::string saved = ReadFileBytes(dir + kPoolsFile);
        EXPECT_EQ(saved.compare(0, 21, "Tobrix draw pools 1\r\n"), 0);
        EXPECT_EQ(saved.size() >= 5 ? saved.substr(saved.size() - 5) : saved, "end\r\n");
        if (n == int(std::size(rows))) {
            std::set<int> drawn;
            std::string problem;
            EXPECT_TRUE(ReadNumberPool(saved, "-2147483648~2147483647", drawn, problem)) << problem;
            EXPECT_EQ(drawn.size(), 3276801u);
        }
        EndTobrix(run);
        RemoveProgramDirectory(dir);
        run.directory.clear();
    }
}

TEST_F(ToolsE2E, ANameFileDeletedUnderItsPoolAndF11AHundredTimes) {
    const std::string dir = MakeProgramDirectory("tools_gone");
    ASSERT_TRUE(WriteFileBytes(dir + "五人.txt", Lines(kFive)));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SendMenuCommand(form, menu::kNoRepeats);
    const std::string first = DrawOnce(), second = DrawOnce();
    EXPECT_EQ(Pool(), Remaining(3, 5));

    // The file goes while the program runs; Start and Stop still work and
    // the pool keeps its two.
    ASSERT_TRUE(DeleteFileA((dir + "五人.txt").c_str()));
    SendClick(form, form1::kRefreshFiles);
    SendClick(form, form1::kStart);
    PumpFor(200);
    SendClick(form, form1::kStop);
    ASSERT_TRUE(WaitIdle());
    const std::string saved = ReadFileBytes(dir + kPoolsFile);
    EXPECT_NE(saved.find("\r\nname " + first.substr(2) + "\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nname " + second.substr(2) + "\r\n"), std::string::npos) << saved;
    // Back again: its drawn names are still out.
    ASSERT_TRUE(WriteFileBytes(dir + "五人.txt", Lines(kFive)));
    SendClick(form, form1::kRefreshFiles);
    EXPECT_EQ(Pool(), Remaining(3, 5));

    // F11 a hundred times, as commands and as keys, faster than the view
    // can come and go: no view is left, and nothing else either.
    const std::vector<HWND> windows = TopLevelWindows(pid());
    for (int i = 0; i < 100; ++i) {
        if (i % 2) {
            PostMenuCommand(form, menu::kPresenterView);
        } else {
            PostMessageA(form, WM_KEYDOWN, VK_F11, 0x00570001);
            PostMessageA(form, WM_KEYUP, VK_F11, 0xC0570001);
        }
    }
    WaitForPostedCommands(true);
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_TRUE(Views().empty());
    EXPECT_EQ(TopLevelWindows(pid()), windows);
    // One more key opens it; Esc closes it.
    PostMessageA(form, WM_KEYDOWN, VK_F11, 0x00570001);
    DWORD start = GetTickCount();
    while (Views().empty() && GetTickCount() - start < 5000) PumpFor(20);
    ASSERT_EQ(Views().size(), 1u);
    PostMessageA(Views().front(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    start = GetTickCount();
    while (!Views().empty() && GetTickCount() - start < 5000) PumpFor(20);
    EXPECT_TRUE(Views().empty());
    EXPECT_EQ(Words(DrawOnce()).size(), 1u);
}

}  // namespace
