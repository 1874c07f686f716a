// Bad input of every kind the operator or a file can bring, as one table:
// limit and frequency texts, presets around the 5000-byte read, name files
// that are binary, huge, all line ends, in other encodings or broken GBK, and
// more name files than the list takes. Each row states what the program's
// rules give; after each the program must still answer, and no file may have
// changed that the rules do not change.
//
// A NUL cannot reach an edit box through WM_SETTEXT (the text ends there), so
// the rows with a NUL check that the box holds what comes before it and
// expect the rules' result for that.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/directory_snapshot.h"
#include "tests/e2e/driver.h"
#include "tests/name_rules.h"

namespace {

enum class Kind { Limits, Frequency, Preset, NameFile, ManyNameFiles };

// What a row expects.
enum class Outcome {
    Refused,   // "上限和下限必须拉开差距", nothing rolls, nothing recorded
    InRange,   // every candidate a whole number from low to high
    Rolls,     // candidates follow one another without a pause
    Holds,     // the first candidate stays
    Shows,     // after Stop the display holds `text`
    Names,     // every candidate is one of the names the rules give
};

struct Row {
    const char* name = "";
    Kind kind = Kind::Limits;
    std::string first;   // lower limit, frequency, preset value, file bytes
    std::string second;  // upper limit
    Outcome outcome = Outcome::Refused;
    int low = 0, high = 0;
    std::string text;
    std::function<bool(const std::string&)> accept = nullptr;  // for huge files
};

std::string Digits(std::size_t count, char digit) { return std::string(count, digit); }

// 张三, 李四, 王五 in the encodings editors save.
const wchar_t kWideNames[] = L"\u5F20\u4E09\r\n\u674E\u56DB\r\n\u738B\u4E94";

std::string Utf8Names() {
    char bytes[64];
    const int n = WideCharToMultiByte(CP_UTF8, 0, kWideNames, -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, static_cast<std::size_t>(n - 1));
}

std::string Utf16Names(bool bigEndian) {
    std::string bytes;
    for (const wchar_t* c = kWideNames; *c; ++c) {
        const char high = static_cast<char>(*c >> 8), low = static_cast<char>(*c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string BinaryBytes() {
    std::string bytes(4096, '\0');
    uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    bytes[0] = 'B';     // no byte-order mark
    bytes[1] = '\xFF';  // and not UTF-8
    return bytes;
}

// Names of 8 bytes and CR LF: "n0000000" ..., 50 MB in all.
std::string FiftyMegabytes() {
    const std::size_t names = 50u * 1000u * 1000u / 10u;
    std::string bytes;
    bytes.reserve(names * 10);
    char name[16];
    for (std::size_t i = 0; i < names; ++i) {
        std::snprintf(name, sizeof name, "n%07u\r\n", static_cast<unsigned>(i % 10000000u));
        bytes += name;
    }
    return bytes;
}

// Or the empty name after the last line break.
bool IsEightByteName(const std::string& s) {
    if (s.empty()) return true;
    return s.size() == 8 && s[0] == 'n' && std::all_of(s.begin() + 1, s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// How a text comes back from a control: cut at a NUL and through the
// system's code page both ways, as SetWindowTextA and WM_GETTEXT take it.
std::string AsShown(const std::string& text) {
    const std::string cut = text.substr(0, text.find('\0'));
    if (cut.empty()) return cut;
    std::vector<wchar_t> wide(cut.size() + 1);
    const int n = MultiByteToWideChar(CP_ACP, 0, cut.data(), static_cast<int>(cut.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    std::string back(static_cast<std::size_t>(n) * 2 + 1, '\0');
    const int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, &back[0], static_cast<int>(back.size()), nullptr,
                                      nullptr);
    back.resize(static_cast<std::size_t>(m));
    return back;
}

// A line may carry a number and a department after a tab: what is drawn is
// the part before the first tab, trailing blanks dropped, unless that part is
// blank, when the line is drawn whole as it always was.
std::string NameBeforeTab(const std::string& line) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return line;
    const std::size_t last = line.find_last_not_of(' ', tab == 0 ? std::string::npos : tab - 1);
    if (tab == 0 || last == std::string::npos) return line;
    return line.substr(0, last + 1);
}

std::set<std::string> ShownNames(const std::string& bytes) {
    std::set<std::string> shown;
    for (const std::string& name : NamesByTheRules(bytes)) shown.insert(AsShown(NameBeforeTab(name)));
    return shown;
}

bool IsWholeNumberIn(const std::string& s, int low, int high) {
    // The sign blank before zero and positive numbers, "-" before negative ones.
    if (s.size() < 2 || (s[0] != ' ' && s[0] != '-')) return false;
    const long v = std::strtol(s.c_str(), nullptr, 10);
    const std::string written = (v < 0 ? "" : " ") + std::to_string(v);
    return written == s && v >= low && v <= high;
}

std::string PresetValue(std::size_t size) {
    std::string value;
    for (std::size_t i = 0; i < size; ++i) value += static_cast<char>('0' + i % 10);
    return value;
}

Row Limits(const char* name, const std::string& lower, const std::string& upper, Outcome outcome, int low = 0,
          int high = 0) {
    Row row;
    row.name = name;
    row.kind = Kind::Limits;
    row.first = lower;
    row.second = upper;
    row.outcome = outcome;
    row.low = low;
    row.high = high;
    return row;
}

Row Frequency(const char* name, const std::string& text, Outcome outcome) {
    Row row = Limits(name, text, "", outcome);
    row.kind = Kind::Frequency;
    return row;
}

Row Preset(const char* name, std::size_t size) {
    const std::string value = PresetValue(size);
    Row row = Limits(name, value, "", size == 0 ? Outcome::InRange : Outcome::Shows, 1, 10);
    row.kind = Kind::Preset;
    // GetPrivateProfileStringA reads into 5000 bytes: 4999 and the NUL.
    row.text = value.substr(0, 4999);
    return row;
}

// A name file whose candidates are the names its bytes give by the rules, or
// those that `accept` takes (decoded files, huge files).
Row NameFile(const char* name, const std::string& bytes,
             std::function<bool(const std::string&)> accept = nullptr) {
    Row row = Limits(name, bytes, "", Outcome::Names);
    row.kind = Kind::NameFile;
    row.accept = std::move(accept);
    return row;
}

// A name file whose every candidate, and so the result, is `shown`.
Row NameFileShowing(const char* name, const std::string& bytes, const std::string& shown) {
    Row row = NameFile(name, bytes);
    row.outcome = Outcome::Shows;
    row.text = shown;
    return row;
}

std::vector<Row> Table() {
    const std::string utf8 = Utf8Names();
    auto chinese = [](const std::string& s) { return s == "张三" || s == "李四" || s == "王五"; };
    Row many = Limits("1,005 name files", "", "", Outcome::Names);
    many.kind = Kind::ManyNameFiles;
    return {
        Limits("both limits empty", "", "", Outcome::Refused),
        Limits("empty lower limit", "", "10", Outcome::InRange, 0, 10),
        Limits("lower limit a lone minus", "-", "5", Outcome::InRange, 0, 5),
        // 1E5000 saturates; its whole number does not fit and counts as 0.
        Limits("upper limit 1E5000", "1", "1E5000", Outcome::InRange, 0, 1),
        Limits("lower limit 1E5000", "1E5000", "1", Outcome::Refused),
        // Seventeen hexadecimal digits overflow to 0.
        Limits("lower limit &HFFFFFFFFFFFFFFFFF", "&HFFFFFFFFFFFFFFFFF", "3", Outcome::InRange, 0, 3),
        Limits("upper limit of 10,000 digits", "1", Digits(10000, '9'), Outcome::InRange, 0, 1),
        Limits("lower limit of minus 10,000 digits", "-" + Digits(10000, '9'), "-5", Outcome::InRange, -5, 0),
        Limits("upper limit with a NUL", "3", std::string("5\0" "9", 3), Outcome::InRange, 3, 5),
        Limits("upper limit of non-GBK bytes", "1", "\x80\xFF", Outcome::Refused),
        Limits("upper limit a digit and a non-GBK byte", "1", "7\xFF", Outcome::InRange, 1, 7),

        Frequency("frequency -1, for contrast", "-1", Outcome::Holds),
        Frequency("frequency empty", "", Outcome::Rolls),
        Frequency("frequency a lone minus", "-", Outcome::Rolls),
        Frequency("frequency 1E5000", "1E5000", Outcome::Rolls),
        Frequency("frequency &HFFFFFFFFFFFFFFFFF", "&HFFFFFFFFFFFFFFFFF", Outcome::Rolls),
        Frequency("frequency of 10,000 digits", Digits(10000, '7'), Outcome::Rolls),
        Frequency("frequency with a NUL", std::string("5\0" "000", 5), Outcome::Rolls),
        Frequency("frequency of non-GBK bytes", "\x80\xFF", Outcome::Rolls),

        Preset("preset of 0 bytes", 0),
        Preset("preset of 4999 bytes", 4999),
        Preset("preset of 5000 bytes", 5000),
        Preset("preset of 6000 bytes", 6000),

        NameFile("binary name file", BinaryBytes()),
        NameFileShowing("name file of only CR bytes", std::string(1000, '\r'), ""),
        NameFileShowing("name file of only LF bytes", std::string(1000, '\n'), ""),
        NameFile("UTF-8 name file with its mark", "\xEF\xBB\xBF" + utf8, chinese),
        NameFile("UTF-8 name file without a mark", utf8, chinese),
        NameFile("UTF-16LE name file with its mark", "\xFF\xFE" + Utf16Names(false), chinese),
        NameFile("UTF-16BE name file with its mark", "\xFE\xFF" + Utf16Names(true), chinese),
        // Unmarked UTF-16 is not told from GBK: its bytes are names as they are.
        NameFile("UTF-16LE name file without a mark", Utf16Names(false)),
        NameFile("UTF-16BE name file without a mark", Utf16Names(true)),
        NameFile("name file of invalid GBK", "ab\x81\x20" "cd\r\n\xFE\xFFzz\r\nok\x80"),
        // A name of one lone lead byte, before a line end, a NUL or the end.
        NameFile("name file of lone lead bytes", std::string("\x81\r\n\xD2\x00xyz\r\nab\x81\r\n\xFE", 16)),
        NameFile("name file of 50 MB", FiftyMegabytes(), IsEightByteName),

        many,
    };
}

// The display's text in one message: asking for the length first would let a
// rolling display change in between, and a longer name would come back cut.
std::string DisplayText(HWND form) {
    std::string text(65536, '\0');
    const LRESULT n = SendMessageA(GetDlgItem(form, form1::kResultDisplay), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

class BadInputE2E : public ::testing::Test {
protected:
    void TearDown() override {
        EndTobrix(run);
        for (const std::string& dir : directories) RemoveProgramDirectory(dir);
    }

    DWORD pid() const { return run.process.dwProcessId; }

    void Launch(const std::string& dir) {
        EndTobrix(run);
        directories.push_back(dir);
        ASSERT_TRUE(LaunchTobrix(dir, run, 60000));
        form = run.form1;
    }

    // Candidates seen on the display over a while.
    std::vector<std::string> Sample(int count) {
        std::vector<std::string> seen;
        for (int i = 0; i < count; ++i) {
            seen.push_back(DisplayText(form));
            PumpFor(10);
        }
        return seen;
    }

    // Sets a text and returns what the box holds then.
    std::string Enter(int id, const std::string& text) {
        SetControlText(form, id, text);
        return ControlText(form, id);
    }

    void RunLimits(const Row& row) {
        SetControlText(form, form1::kJumpFrequency, "0");
        const std::string lower = Enter(form1::kLowerLimit, row.first), upper = Enter(form1::kUpperLimit, row.second);
        EXPECT_EQ(lower, AsShown(row.first));
        EXPECT_EQ(upper, AsShown(row.second));
        const std::string record = ControlText(form, form1::kDrawRecord);
        PostClick(form, form1::kStart);
        HWND box = WaitForMessageBox(pid(), "提示", row.outcome == Outcome::Refused ? 5000 : 500);
        if (row.outcome == Outcome::Refused) {
            ASSERT_NE(box, nullptr) << "no refusal";
            EXPECT_EQ(MessageBoxText(box), "上限和下限必须拉开差距");
            DismissMessageBox(box);
            EXPECT_TRUE(WaitForWindowGone(box, 5000));
            // The buttons come back once the box has gone, one after the other.
            EXPECT_TRUE(WaitForEnabled(GetDlgItem(form, form1::kStart), true, 5000));
            EXPECT_TRUE(WaitForEnabled(GetDlgItem(form, form1::kStop), false, 5000));
            ASSERT_TRUE(Responds(form, 5000));
            EXPECT_EQ(ControlText(form, form1::kDrawRecord), record);
            return;
        }
        ASSERT_EQ(box, nullptr) << MessageBoxText(box);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, [](const std::string& s) { return !s.empty(); }, 5000));
        for (const std::string& s : Sample(30)) EXPECT_TRUE(IsWholeNumberIn(s, row.low, row.high)) << "'" << s << "'";
        SendClick(form, form1::kStop);
        const std::string result = ControlText(form, form1::kResultDisplay);
        EXPECT_TRUE(IsWholeNumberIn(result, row.low, row.high)) << "'" << result << "'";
        EXPECT_EQ(ControlText(form, form1::kDrawRecord), record + "  " + result);
    }

    void RunFrequency(const Row& row) {
        SetControlText(form, form1::kLowerLimit, "1");
        SetControlText(form, form1::kUpperLimit, "1000000");
        EXPECT_EQ(Enter(form1::kJumpFrequency, row.first), AsShown(row.first));
        SendClick(form, form1::kStart);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, [](const std::string& s) { return !s.empty(); }, 5000));
        const std::vector<std::string> seen = Sample(40);
        const std::set<std::string> distinct(seen.begin(), seen.end());
        if (row.outcome == Outcome::Holds) {
            EXPECT_EQ(distinct.size(), 1u);
        } else {
            EXPECT_GE(distinct.size(), 10u) << "the display hardly changes";
        }
        SendClick(form, form1::kStop);
    }

    // The row's preset file is in place already.
    void RunPreset(const Row& row) {
        SetControlText(form, form1::kJumpFrequency, "0");
        SetControlText(form, form1::kLowerLimit, "1");
        SetControlText(form, form1::kUpperLimit, "10");
        const std::string record = ControlText(form, form1::kDrawRecord);
        SendClick(form, form1::kStart);
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, [](const std::string& s) { return !s.empty(); }, 5000));
        SendClick(form, form1::kStop);
        const std::string shown = ControlText(form, form1::kResultDisplay);
        const std::string added = ControlText(form, form1::kDrawRecord).substr(std::min(record.size(), ControlText(form, form1::kDrawRecord).size()));
        if (row.outcome == Outcome::Shows) {
            EXPECT_EQ(shown.size(), row.text.size());
            EXPECT_EQ(shown, row.text);
        } else {
            EXPECT_TRUE(IsWholeNumberIn(shown, 1, 10)) << shown;
        }
        // The record keeps the rolled number, whatever the preset.
        EXPECT_TRUE(added.size() > 2 && IsWholeNumberIn(added.substr(2), 1, 10)) << "'" << added << "'";
    }

    void RunNameFile(const Row& row, const std::string& file) {
        const std::vector<std::string> items = ComboItems(form, form1::kNameFileList);
        const auto at = std::find(items.begin(), items.end(), file);
        ASSERT_NE(at, items.end()) << file << " is not listed";
        SendMessageA(GetDlgItem(form, form1::kNameFileList), CB_SETCURSEL, static_cast<WPARAM>(at - items.begin()), 0);
        const std::set<std::string> expected = row.accept ? std::set<std::string>() : ShownNames(row.first);
        auto allowed = [&](const std::string& s) {
            if (row.outcome == Outcome::Shows) return s == row.text;
            return row.accept ? row.accept(s) : expected.count(s) > 0;
        };
        SendClick(form, form1::kStart);
        PumpFor(300);
        // A 50 MB file is read whole before its first name shows, which on a
        // slow or loaded machine takes longer than the pause above.
        for (const DWORD begin = GetTickCount(); !allowed(DisplayText(form)) && GetTickCount() - begin < 10000;)
            PumpFor(20);
        for (const std::string& s : Sample(30)) EXPECT_TRUE(allowed(s)) << "'" << s << "'";
        SendClick(form, form1::kStop);
        const std::string result = ControlText(form, form1::kResultDisplay);
        EXPECT_TRUE(allowed(result)) << "'" << result << "'";
        const std::string record = ControlText(form, form1::kDrawRecord);
        ASSERT_GE(record.size(), result.size() + 2);
        EXPECT_EQ(record.substr(record.size() - result.size() - 2), "  " + result);
    }

    TobrixRun run;
    HWND form = nullptr;
    std::vector<std::string> directories;
};

TEST_F(BadInputE2E, EveryRowGivesTheRulesResultAndLeavesTheProgramWorking) {
    const std::vector<Row> rows = Table();

    // Limits, frequencies and presets: one program in an otherwise empty
    // directory. Name files: one program in name mode with every file listed,
    // the 50 MB file never first, so that the names box stays small.
    const std::string plainDir = MakeProgramDirectory("badinput");
    const std::string namesDir = MakeProgramDirectory("badnames");
    ASSERT_TRUE(WriteFileBytes(namesDir + "a-first.txt", "甲\r\n乙"));
    std::vector<std::string> nameFiles;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind != Kind::NameFile) continue;
        char name[32];
        std::snprintf(name, sizeof name, "case%02u.txt", static_cast<unsigned>(i));
        ASSERT_TRUE(WriteFileBytes(namesDir + name, rows[i].first)) << name;
        nameFiles.push_back(name);
    }
    {
        // Reading a huge first file into the names box would only cost time.
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((namesDir + "*.txt").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        FindClose(search);
        ASSERT_LT(ReadFileState(namesDir + found.cFileName).size, 1000000u) << found.cFileName << " comes first";
    }
    const std::string manyDir = MakeProgramDirectory("manynames");
    for (int i = 0; i < 1005; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "names%04d.txt", i);
        ASSERT_TRUE(WriteFileBytes(manyDir + name, "n" + std::to_string(i)));
    }

    std::string running;
    std::size_t nameFile = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dir = row.kind == Kind::NameFile        ? namesDir
                                : row.kind == Kind::ManyNameFiles ? manyDir
                                                                  : plainDir;
        if (dir != running) {
            ASSERT_NO_FATAL_FAILURE(Launch(dir));
            running = dir;
            if (row.kind == Kind::NameFile) {
                SendMenuCommand(form, menu::kNameMode);
                SetControlText(form, form1::kJumpFrequency, "0");
            }
        }
        if (row.kind == Kind::Preset) {
            ASSERT_TRUE(WriteFileBytes(dir + "config1.ini", "[f1]\r\nv=" + row.first + "\r\n"));
        }
        const DirectorySnapshot before = SnapshotDirectory(dir);
        switch (row.kind) {
        case Kind::Limits: RunLimits(row); break;
        case Kind::Frequency: RunFrequency(row); break;
        case Kind::Preset: RunPreset(row); break;
        case Kind::NameFile: RunNameFile(row, nameFiles[nameFile++]); break;
        case Kind::ManyNameFiles: {
            const std::vector<std::string> items = ComboItems(form, form1::kNameFileList);
            EXPECT_EQ(items.size(), 1000u);
            EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), 1000u);
            for (const std::string& item : items) EXPECT_TRUE(before.count(item)) << item;
            // The names box holds the first listed file's one name.
            ASSERT_FALSE(items.empty());
            EXPECT_EQ(ControlText(form, form1::kNamesBox), ReadFileBytes(dir + items[0]) + "\n\r");
            break;
        }
        }
        EXPECT_TRUE(Responds(form, 5000)) << "no longer answering";
        EXPECT_TRUE(ControlEnabled(form, form1::kStart));
        EXPECT_FALSE(ControlEnabled(form, form1::kStop));
        EXPECT_EQ(ChangedFiles(before, SnapshotDirectory(dir)), "");
    }
}

}  // namespace
