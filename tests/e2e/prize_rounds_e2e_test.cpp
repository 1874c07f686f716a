// Prize rounds in the real program, driven from outside: tiers drawn batch
// by batch across restarts, the next-tier question and the end, 补抽, take-back
// and void of a batch, the exported columns, the editor, broken tier files,
// and kills in the middle of an event.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

const char kPrizesFile[] = "tobrix-prizes.ini";
const char kEventsFile[] = "tobrix-prizes.dat";
const char kPoolsFile[] = "tobrix-pools.dat";
const char kVoidMark[] = "(作废)";

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

// A tier of the file: name, prize, count, per batch ("" leaves the key out).
std::string Tier(int number, const std::string& name, const std::string& prize, const std::string& count,
                 const std::string& perBatch = "", const std::string& repeat = "") {
    std::string text = "[奖项" + std::to_string(number) + "]\r\n名称=" + name + "\r\n奖品=" + prize + "\r\n";
    if (!count.empty()) text += "人数=" + count + "\r\n";
    if (!perBatch.empty()) text += "每批=" + perBatch + "\r\n";
    if (!repeat.empty()) text += "可重复中奖=" + repeat + "\r\n";
    return text;
}

// A line of the record: "  <tier> <name>" and the void mark, if any.
struct RecordLine {
    std::string tier, name;
    bool voided = false;
};

std::vector<RecordLine> RecordLines(const std::string& record) {
    std::vector<RecordLine> lines;
    for (const std::string& text : SplitOn(record, "\r\n")) {
        if (text.empty()) continue;
        RecordLine line;
        std::string body = text.substr(text.compare(0, 2, "  ") == 0 ? 2 : 0);
        const size_t mark = body.size() >= strlen(kVoidMark) ? body.size() - strlen(kVoidMark) : std::string::npos;
        if (mark != std::string::npos && body.compare(mark, std::string::npos, kVoidMark) == 0) {
            line.voided = true;
            body.resize(mark);
        }
        const size_t blank = body.find(' ');
        line.tier = body.substr(0, blank);
        line.name = blank == std::string::npos ? std::string() : body.substr(blank + 1);
        lines.push_back(line);
    }
    return lines;
}

// The winners a prize file holds: entry -> valid (true) or voided. Whole
// means its header, its own lines only and its closing line.
bool ReadEvents(const std::string& bytes, std::map<std::string, bool>& winners, std::string& problem) {
    winners.clear();
    const std::vector<std::string> lines = SplitOn(bytes, "\r\n");
    if (lines.size() < 3 || lines.front().compare(0, 20, "Tobrix prize rounds ") != 0) {
        problem = "no header";
        return false;
    }
    if (!lines.back().empty() || lines[lines.size() - 2] != "end") {
        problem = "no end";
        return false;
    }
    for (size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::vector<std::string> f = SplitOn(lines[i], " ");
        if (f[0] == "event") continue;
        if (f[0] != "winner" || f.size() < 6) {
            problem = "bad line " + lines[i];
            return false;
        }
        if (winners.count(f[5]) && winners[f[5]]) {
            problem = "twice: " + f[5];
            return false;
        }
        winners[f[5]] = f[4] == "valid";
    }
    return true;
}

// The items of a list box of another process, read as UTF-16.
std::vector<std::string> ListItems(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    const int count = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring wide(size_t(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        wide.resize(size_t(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]))));
        std::string gbk(wide.size() * 2 + 1, '\0');
        gbk.resize(size_t(WideCharToMultiByte(936, 0, wide.data(), int(wide.size()), &gbk[0], int(gbk.size()),
                                              nullptr, nullptr)));
        items.push_back(gbk);
    }
    return items;
}

void SelectListItem(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::string Utf16ToGbk(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    std::string gbk(wide.size() * 2, '\0');
    gbk.resize(WideCharToMultiByte(936, 0, wide.data(), int(wide.size()), &gbk[0], int(gbk.size()), nullptr, nullptr));
    return gbk;
}

std::string Utf8ToGbk(const std::string& utf8) {
    if (utf8.empty()) return utf8;
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], int(wide.size()))));
    return Utf16ToGbk(wide);
}

class PrizeRoundsE2E : public TobrixE2E {
protected:
    // "导出记录..." answered with a path; whether the dialog came and went.
    bool ExportThroughDialog(const std::string& path) {
        const std::vector<HWND> known = TopLevelWindows(0);
        PostMenuCommand(form, menu::kExportRecord);
        HWND dialog = WaitForNewWindowOfClass("#32770", known, 10000);
        HWND edit = dialog ? DialogFileNameEdit(dialog) : nullptr;
        if (!edit) return false;
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PressDialogButton(dialog, IDOK);
        return WaitForWindowGone(dialog, 10000);
    }

    std::string Status() { return StatusBarText(run, 1); }
    // A closed form's owner goes on after the form is gone.
    std::string StatusOnceItIs(const std::string& expected) {
        std::string status = Status();
        for (int i = 0; i < 100 && status != expected; ++i) {
            PumpFor(50);
            status = Status();
        }
        return status;
    }
    std::string Record() { return ControlText(form, form1::kDrawRecord); }

    bool Idle() { return ControlEnabled(form, form1::kStart) && !ControlEnabled(form, form1::kStop); }

    // Start, answering the next-tier question if it comes; true once
    // rolling. Any other box is left open for the caller.
    bool StartBatch(int answer = IDYES, std::string* question = nullptr) {
        PostClick(form, form1::kStart);
        DWORD start = GetTickCount(), limit = 10000;
        bool answered = false;
        while (GetTickCount() - start < limit) {
            if (ControlEnabled(form, form1::kStop)) return true;
            HWND box = answered ? nullptr : FindVisibleWindow(pid(), "提示");
            if (box) {
                const std::string text = MessageBoxText(box);
                if (text.empty() || text.compare(text.size() - 2, 2, "？") != 0) return false;
                if (question) *question = text;
                PressDialogButton(box, answer);
                EXPECT_TRUE(WaitForWindowGone(box, 5000));
                if (answer != IDYES) return false;
                answered = true;
                start = GetTickCount();
                limit = 3000;
            }
            PumpFor(20);
        }
        return false;
    }

    // One batch: Start, a moment of rolling, Stop. Returns the record's new lines.
    std::vector<RecordLine> DrawBatch() {
        const std::string before = Record();
        EXPECT_TRUE(StartBatch());
        EXPECT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
        PumpFor(60);
        SendClick(form, form1::kStop);
        EXPECT_TRUE(Idle());
        const std::string after = Record();
        EXPECT_EQ(after.compare(0, before.size(), before), 0) << after;
        return RecordLines(after.substr(std::min(before.size(), after.size())));
    }

    // A message box that must come, with this text, closed with OK.
    void ExpectNotice(const std::string& text) {
        HWND box = WaitForMessageBox(pid(), "提示", 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), text);
        PressDialogButton(box, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box, 5000));
    }

    void SelectNumbers(const std::string& lower, const std::string& upper) {
        SendMenuCommand(form, menu::kNumberMode);
        SetControlText(form, form1::kLowerLimit, lower);
        SetControlText(form, form1::kUpperLimit, upper);
    }
};

std::vector<std::string> Staff(int count, const std::string& prefix = "员工") {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(prefix + (i < 10 ? "0" : "") + std::to_string(i));
    return names;
}

// Three tiers over a restart: batches of the size asked, the question before
// each later tier, "all drawn" at the end, nobody twice; the name file
// edited between tiers; the copied table's prize columns.
TEST_F(PrizeRoundsE2E, TiersAreDrawnInBatchesAcrossARestartAndAskBeforeEachNextTier) {
    const std::string dir = MakeProgramDirectory("prizes_flow");
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines(Staff(12))));
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, Tier(1, "三等奖", "保温杯", "4", "2") +
                                                      Tier(2, "二等奖", "", "3") + Tier(3, "一等奖", "电脑", "1")));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(StatusBarParts(form), 1);  // off until turned on
    SendMenuCommand(form, menu::kPrizeRounds);
    EXPECT_EQ(Status(), "三等奖 0/4");

    std::set<std::string> won;
    std::vector<RecordLine> lines = DrawBatch();
    ASSERT_EQ(lines.size(), 2u) << Record();
    for (const RecordLine& line : lines) {
        EXPECT_EQ(line.tier, "三等奖");
        EXPECT_TRUE(won.insert(line.name).second) << line.name;
        EXPECT_NE(ControlText(form, form1::kResultDisplay).find(line.name), std::string::npos);
    }
    EXPECT_EQ(Status(), "三等奖 2/4");
    EXPECT_TRUE(FileExists(dir + kEventsFile));

    // The option and the progress outlive the program.
    Restart();
    SendMenuCommand(form, menu::kNameMode);
    EXPECT_EQ(Status(), "三等奖 2/4");
    // A plain draw in between: rounds off, one name, rounds on again.
    SendMenuCommand(form, menu::kPrizeRounds);
    EXPECT_EQ(StatusBarParts(form), 1);
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    const std::string plain = Record();
    ASSERT_EQ(plain.compare(0, 2, "  "), 0);
    SendMenuCommand(form, menu::kPrizeRounds);
    EXPECT_EQ(Status(), "三等奖 2/4");
    lines = DrawBatch();
    ASSERT_EQ(lines.size(), 2u);
    for (const RecordLine& line : lines) {
        EXPECT_EQ(line.tier, "三等奖");
        EXPECT_TRUE(won.insert(line.name).second) << line.name << " won twice";
    }
    EXPECT_EQ(Status(), "二等奖 0/3");

    // The file edited: the people not drawn go, three new ones come; the
    // next tier can only draw the new ones.
    std::vector<std::string> edited(won.begin(), won.end());
    for (const std::string& name : Staff(3, "新人")) edited.push_back(name);
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines(edited)));

    // No to the question starts nothing; Yes draws the tier whole.
    const std::string record = Record();
    std::string question;
    EXPECT_FALSE(StartBatch(IDNO, &question));
    EXPECT_EQ(question, "三等奖已抽完，开始抽取二等奖？");
    PumpFor(200);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Record(), record);
    lines = DrawBatch();
    ASSERT_EQ(lines.size(), 3u);
    std::set<std::string> second;
    for (const RecordLine& line : lines) {
        EXPECT_EQ(line.tier, "二等奖");
        second.insert(line.name);
        won.insert(line.name);
    }
    EXPECT_EQ(second, (std::set<std::string>{"新人01", "新人02", "新人03"}));

    // The last tier: nobody is left who has not won, so it says so and draws nothing.
    EXPECT_FALSE(StartBatch(IDYES, &question));
    EXPECT_EQ(question, "二等奖已抽完，开始抽取一等奖？");
    PumpFor(300);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Status(), "一等奖已无人可抽");
    // One more person: the last tier, then the end.
    edited.push_back("新人04");
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines(edited)));
    lines = DrawBatch();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].tier, "一等奖");
    EXPECT_EQ(lines[0].name, "新人04");
    EXPECT_EQ(Status(), "所有奖项已抽完");
    const std::string full = Record();
    PostClick(form, form1::kStart);
    ExpectNotice("所有奖项已抽完");
    PumpFor(200);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Record(), full);

    // The plain result keeps its line; each winner has one of its own.
    EXPECT_EQ(full.compare(0, plain.size() + 2, plain + "\r\n"), 0) << full;

    // The copied and the exported table: the six columns as ever, then tier
    // and prize, empty for the plain result; in the order recorded.
    SendMenuCommand(form, menu::kCopyRecord);
    const std::string copied = Utf16ToGbk(ClipboardText());
    ASSERT_TRUE(ExportThroughDialog(dir + "导出.csv"));
    std::string exported;
    for (int i = 0; i < 100 && (exported = ReadFileBytes(dir + "导出.csv")).empty(); ++i) PumpFor(50);
    ASSERT_EQ(exported.compare(0, 3, "\xEF\xBB\xBF"), 0);
    const struct Table {
        std::string text;
        std::string separator;
    } tables[] = {{copied, "\t"}, {Utf8ToGbk(exported.substr(3)), ","}};
    for (const Table& table : tables) {
        SCOPED_TRACE(table.separator);
        const std::string& s = table.separator;
        const std::vector<std::string> rows = SplitOn(table.text, "\r\n");
        ASSERT_EQ(rows.size(), 7u + 2u) << table.text;
        EXPECT_EQ(rows[0], "序号" + s + "时间" + s + "模式" + s + "来源" + s + "结果" + s + "状态" + s + "奖项" + s + "奖品");
        std::vector<std::string> cells = SplitOn(rows[1], s);
        ASSERT_EQ(cells.size(), 8u);
        EXPECT_EQ(cells[4], plain.substr(2));
        EXPECT_EQ(cells[6] + cells[7], "");
        cells = SplitOn(rows[2], s);
        ASSERT_EQ(cells.size(), 8u);
        EXPECT_EQ(cells[2], "姓名");
        EXPECT_EQ(cells[3], "名单.txt");
        EXPECT_EQ(cells[5], "有效");
        EXPECT_EQ(cells[6], "三等奖");
        EXPECT_EQ(cells[7], "保温杯");
        cells = SplitOn(rows[7], s);
        ASSERT_EQ(cells.size(), 8u);
        EXPECT_EQ(cells[4], "新人04");
        EXPECT_EQ(cells[6], "一等奖");
        EXPECT_EQ(cells[7], "电脑");
    }
}

// 补抽 one winner of a batch, then take-back and void of whole batches; the
// voided stay out across a restart, and the export keeps them with their mark.
long ViewProperty(HWND view, const char* name) {
    return static_cast<long>(reinterpret_cast<intptr_t>(GetPropA(view, name)));
}

// The big screen of the real program: a batch of 300 out of 1,000 people
// rolls in 300 slots and freezes on the 300 winners the record shows, every
// slot on the screen at a legible size; a 补抽 rolls one slot of the 300
// alone; the copied table carries each winner's number and department.
TEST_F(PrizeRoundsE2E, ABatchOf300FillsThePresenterViewAndARedrawRollsOneSlot) {
    const std::string dir = MakeProgramDirectory("prizes_presenter");
    std::vector<std::string> people;
    for (int i = 1; i <= 1000; ++i) people.push_back("员工" + std::to_string(i) + "\t" + std::to_string(9000 + i) + "\t销售部");
    ASSERT_TRUE(WriteFileBytes(dir + "名单.txt", Lines(people)));
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, Tier(1, "三等奖", "保温杯", "300", "300")));
    Launch(dir);
    SendMenuCommand(form, menu::kNameMode);
    SendMenuCommand(form, menu::kPrizeRounds);
    PostMenuCommand(form, menu::kPresenterView);
    HWND view = nullptr;
    for (int i = 0; i < 200 && !view; ++i) {
        for (HWND w : TopLevelWindows(pid()))
            if (WindowClass(w) == "TobrixPresenterView") view = w;
        if (!view) PumpFor(50);
    }
    ASSERT_NE(view, nullptr);
    auto waitFor = [&](const char* name, long value) {
        for (int i = 0; i < 200 && ViewProperty(view, name) != value; ++i) PumpFor(25);
        return ViewProperty(view, name);
    };

    ASSERT_TRUE(StartBatch());
    EXPECT_EQ(waitFor("TobrixBatchRolling", 1), 1);
    EXPECT_EQ(waitFor("TobrixBatchSlots", 300), 300);
    SendClick(form, form1::kStop);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(waitFor("TobrixBatchRolling", 0), 0);
    EXPECT_EQ(ViewProperty(view, "TobrixBatchSlots"), 300);
    RECT screen{};
    GetWindowRect(view, &screen);
    const long columns = ViewProperty(view, "TobrixBatchColumns"), rows = ViewProperty(view, "TobrixBatchRows");
    EXPECT_GE(columns * rows, 300);
    EXPECT_GE(ViewProperty(view, "TobrixBatchFontSize"), 16);
    EXPECT_GE(ViewProperty(view, "TobrixBatchLeft"), 0);
    EXPECT_GT(ViewProperty(view, "TobrixBatchTop"), 0);  // under the title line
    EXPECT_LE(ViewProperty(view, "TobrixBatchLeft") + columns * ViewProperty(view, "TobrixBatchSlotWidth"),
              screen.right - screen.left);
    EXPECT_LE(ViewProperty(view, "TobrixBatchTop") + rows * ViewProperty(view, "TobrixBatchSlotHeight"),
              screen.bottom - screen.top);
    std::vector<RecordLine> lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 300u);
    std::set<std::string> names;
    for (const RecordLine& line : lines) {
        EXPECT_EQ(line.tier, "三等奖");
        EXPECT_EQ(line.name.find('\t'), std::string::npos) << "the name only";
        names.insert(line.name);
    }
    EXPECT_EQ(names.size(), 300u);

    // 补抽 of the first winner: the batch stays on the screen, one slot rolls.
    PostMenuCommand(form, menu::kRedrawWinner);
    HWND list = WaitForWindow(pid(), "补抽", 10000);
    ASSERT_NE(list, nullptr);
    SelectListItem(list, form8::kWinnerList, 0);
    PostClick(list, form8::kOk);
    ASSERT_TRUE(WaitForWindowGone(list, 10000));
    ASSERT_TRUE(WaitForEnabled(form, true, 5000));
    SendClick(form, form1::kStart);
    EXPECT_EQ(waitFor("TobrixBatchRolling", 1), 1);
    EXPECT_EQ(ViewProperty(view, "TobrixBatchSlots"), 300);
    SendClick(form, form1::kStop);
    EXPECT_EQ(waitFor("TobrixBatchRolling", 0), 0);
    EXPECT_EQ(ViewProperty(view, "TobrixBatchSlots"), 300);
    lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 301u);
    EXPECT_TRUE(lines[0].voided);
    EXPECT_EQ(names.count(lines[1].name), 0u) << "the replacement is someone new";

    // The finance office's table: tier, prize, then number and department.
    SendMenuCommand(form, menu::kCopyRecord);
    const std::vector<std::string> table = SplitOn(Utf16ToGbk(ClipboardText()), "\r\n");
    ASSERT_EQ(table.size(), 303u);
    const std::vector<std::string> second = SplitOn(table[2], "\t");
    ASSERT_EQ(second.size(), 10u) << table[2];
    EXPECT_EQ(second[6] + " " + second[7], "三等奖 保温杯");
    EXPECT_EQ(second[8], std::to_string(9000 + std::stoi(lines[1].name.substr(std::string("员工").size()))));
    EXPECT_EQ(second[9], "销售部");
}

TEST_F(PrizeRoundsE2E, RedrawReplacesOneWinnerAndTakeBackAndVoidActOnTheWholeBatch) {
    const std::string dir = MakeProgramDirectory("prizes_redraw");
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, Tier(1, "三等奖", "保温杯", "10", "5")));
    Launch(dir);
    SendMenuCommand(form, menu::kPrizeRounds);
    SelectNumbers("1", "30");
    SetControlText(form, form1::kJumpFrequency, "30");
    std::vector<RecordLine> batch = DrawBatch();
    ASSERT_EQ(batch.size(), 5u);

    // The list names the batch; the third is chosen.
    PostMenuCommand(form, menu::kRedrawWinner);
    HWND list = WaitForWindow(pid(), "补抽", 10000);
    ASSERT_NE(list, nullptr);
    std::vector<std::string> items = ListItems(list, form8::kWinnerList);
    ASSERT_EQ(items.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(items[i], "三等奖 " + batch[i].name);
    SelectListItem(list, form8::kWinnerList, 2);
    PostClick(list, form8::kOk);
    ASSERT_TRUE(WaitForWindowGone(list, 10000));
    ASSERT_TRUE(WaitForEnabled(form, true, 5000));
    for (int i = 0; i < 100 && Record().find(kVoidMark) == std::string::npos; ++i) PumpFor(50);
    std::vector<RecordLine> lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[2].voided);
    EXPECT_EQ(lines[2].name, batch[2].name);

    // Start and Stop draw the one replacement, in the place after it.
    SendClick(form, form1::kStart);
    ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 6u) << Record();
    std::set<std::string> seen;
    for (size_t i = 0; i < 6; ++i) {
        const size_t was = i < 3 ? i : i - 1;
        EXPECT_EQ(lines[i].tier, "三等奖");
        EXPECT_EQ(lines[i].voided, i == 2);
        if (i != 3) {
            EXPECT_EQ(lines[i].name, batch[was].name);
        }
        EXPECT_TRUE(seen.insert(lines[i].name).second) << lines[i].name;
    }
    EXPECT_EQ(Status(), "三等奖 5/10");

    // A second batch: none of the six, the voided one included.
    std::vector<RecordLine> more = DrawBatch();
    ASSERT_EQ(more.size(), 5u);
    for (const RecordLine& line : more) EXPECT_EQ(seen.count(line.name), 0u) << line.name;
    // Take-back: the whole second batch goes from the record and the tier.
    SendMenuCommand(form, menu::kTakeBack);
    EXPECT_EQ(RecordLines(Record()).size(), 6u);
    EXPECT_EQ(Status(), "三等奖 5/10");
    // Void: every valid winner of the latest batch gets the mark.
    SendMenuCommand(form, menu::kVoidLast);
    lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 6u);
    for (const RecordLine& line : lines) EXPECT_TRUE(line.voided) << line.name;
    EXPECT_EQ(Status(), "三等奖 0/10");

    // The export: six rows, all voided, with tier and prize.
    SendMenuCommand(form, menu::kCopyRecord);
    const std::vector<std::string> rows = SplitOn(Utf16ToGbk(ClipboardText()), "\r\n");
    ASSERT_EQ(rows.size(), 8u);
    for (size_t i = 1; i <= 6; ++i) {
        const std::vector<std::string> cells = SplitOn(rows[i], "\t");
        ASSERT_EQ(cells.size(), 8u) << rows[i];
        EXPECT_EQ(cells[2], "数字");
        EXPECT_EQ(cells[5], "作废");
        EXPECT_EQ(cells[6] + " " + cells[7], "三等奖 保温杯");
    }

    // After a restart the voided stay out: two batches draw ten others.
    Restart();
    SelectNumbers("1", "30");
    EXPECT_EQ(Status(), "三等奖 0/10");
    for (int b = 0; b < 2; ++b) {
        for (const RecordLine& line : DrawBatch()) EXPECT_TRUE(seen.insert(line.name).second) << line.name;
    }
    EXPECT_EQ(seen.size(), 16u);
    EXPECT_EQ(Status(), "所有奖项已抽完");

    // "重置抽取池" offers to clear the results too: No keeps them, Yes clears them.
    for (int answer : {IDNO, IDYES}) {
        PostMenuCommand(form, menu::kResetPool);
        HWND box = WaitForMessageBox(pid(), "提示", 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), "是否同时清空奖项结果？");
        PressDialogButton(box, answer);
        ASSERT_TRUE(WaitForWindowGone(box, 5000));
        const std::string expected = answer == IDNO ? "所有奖项已抽完" : "三等奖 0/10";
        EXPECT_EQ(StatusOnceItIs(expected), expected);
    }
    std::map<std::string, bool> saved;
    std::string problem;
    ASSERT_TRUE(ReadEvents(ReadFileBytes(dir + kEventsFile), saved, problem)) << problem;
    EXPECT_TRUE(saved.empty());
}

// A 补抽 chosen in one event waits for it: a batch of another source in
// between is a batch, and the replacement still takes its place after it.
TEST_F(PrizeRoundsE2E, ARedrawWaitsForItsOwnEvent) {
    const std::string dir = MakeProgramDirectory("prizes_two_events");
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, Tier(1, "三等奖", "", "10", "3")));
    Launch(dir);
    SendMenuCommand(form, menu::kPrizeRounds);
    SelectNumbers("1", "20");
    const std::vector<RecordLine> first = DrawBatch();
    ASSERT_EQ(first.size(), 3u);
    PostMenuCommand(form, menu::kRedrawWinner);
    HWND list = WaitForWindow(pid(), "补抽", 10000);
    ASSERT_NE(list, nullptr);
    PostClick(list, form8::kOk);  // the first is selected
    ASSERT_TRUE(WaitForWindowGone(list, 10000));
    for (int i = 0; i < 100 && Record().find(kVoidMark) == std::string::npos; ++i) PumpFor(50);

    SetControlText(form, form1::kUpperLimit, "21");
    EXPECT_EQ(Status(), "三等奖 0/10");
    const std::vector<RecordLine> other = DrawBatch();
    ASSERT_EQ(other.size(), 3u);
    for (const RecordLine& line : other) EXPECT_FALSE(line.voided);
    EXPECT_EQ(Status(), "三等奖 3/10");

    SetControlText(form, form1::kUpperLimit, "20");
    EXPECT_EQ(Status(), "三等奖 2/10");
    // The replacement goes in the middle of the record, not at its end.
    ASSERT_TRUE(StartBatch());
    ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
    SendClick(form, form1::kStop);
    const std::vector<RecordLine> lines = RecordLines(Record());
    ASSERT_EQ(lines.size(), 7u) << Record();
    EXPECT_TRUE(lines[0].voided);
    EXPECT_EQ(lines[0].name, first[0].name);
    EXPECT_NE(lines[1].name, first[0].name);
    EXPECT_EQ(lines[2].name, first[1].name);
    EXPECT_EQ(lines[4].name, other[0].name);
    EXPECT_EQ(Status(), "三等奖 3/10");

    // Fewer people than the batch: those there are, and the status says so.
    SelectNumbers("1", "2");
    const std::vector<RecordLine> few = DrawBatch();
    ASSERT_EQ(few.size(), 2u);
    EXPECT_NE(few[0].name, few[1].name);
    EXPECT_EQ(Status(), "三等奖 第1批应抽3人，仅剩2人，已全部抽出");
}

// The editor: what the file had that could not be used, a count refused as
// typed and kept, add, move up, OK writes the file, Cancel writes nothing.
TEST_F(PrizeRoundsE2E, TheEditorRefusesABadCountAndWritesTheTiersInOrder) {
    const std::string dir = MakeProgramDirectory("prizes_editor");
    const std::string original = Tier(1, "三等奖", "保温杯", "10", "5") + Tier(2, "二等奖", "", "abc") +
                                 Tier(3, "一等奖", "电脑", "2");
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, original));
    Launch(dir);
    SendMenuCommand(form, menu::kPrizeRounds);
    EXPECT_NE(Status().find("[奖项2]"), std::string::npos) << Status();

    PostMenuCommand(form, menu::kPrizeEditor);
    HWND editor = WaitForWindow(pid(), "奖项设置", 10000);
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(ControlText(editor, form6::kLeftOut).find("[奖项2]"), std::string::npos);
    EXPECT_EQ(ListItems(editor, form6::kTierList), (std::vector<std::string>{"三等奖", "一等奖"}));
    EXPECT_EQ(ControlText(editor, form6::kCount), "10");
    EXPECT_EQ(ControlText(editor, form6::kPerBatch), "5");

    for (const char* bad : {"0", "-5", "abc", "1e9", "100001", "2.5", ""}) {
        SCOPED_TRACE(bad);
        SetControlText(editor, form6::kCount, bad);
        PostClick(editor, form6::kOk);
        HWND box = WaitForMessageBox(pid(), "提示", 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(MessageBoxText(box).find("人数"), std::string::npos) << MessageBoxText(box);
        PressDialogButton(box, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box, 5000));
        PumpFor(300);
        EXPECT_EQ(FindVisibleWindow(pid(), "提示"), nullptr) << "one refusal, one box";
        EXPECT_TRUE(IsWindowVisible(editor));
        EXPECT_EQ(ControlText(editor, form6::kCount), bad);
    }
    EXPECT_EQ(ReadFileBytes(dir + kPrizesFile), original);

    // Fixed, a tier added and moved up before 一等奖, then OK.
    SetControlText(editor, form6::kCount, "100000");
    SendClick(editor, form6::kAdd);
    EXPECT_EQ(ListItems(editor, form6::kTierList).size(), 3u);
    SetControlText(editor, form6::kName, "二等奖");
    SetControlText(editor, form6::kPrize, "手机");
    SetControlText(editor, form6::kCount, "3");
    SendClick(editor, form6::kMoveUp);
    EXPECT_EQ(ListItems(editor, form6::kTierList), (std::vector<std::string>{"三等奖", "二等奖", "一等奖"}));
    PostClick(editor, form6::kOk);
    ASSERT_TRUE(WaitForWindowGone(editor, 10000));
    const std::string saved = ReadFileBytes(dir + kPrizesFile);
    EXPECT_NE(saved.find("[奖项1]\r\n名称=三等奖"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[奖项2]\r\n名称=二等奖\r\n奖品=手机\r\n人数=3"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[奖项3]\r\n名称=一等奖"), std::string::npos) << saved;
    EXPECT_NE(saved.find("人数=100000"), std::string::npos) << saved;
    EXPECT_EQ(StatusOnceItIs("三等奖 0/100000"), "三等奖 0/100000");

    // Cancel leaves the file as it is.
    PostMenuCommand(form, menu::kPrizeEditor);
    editor = WaitForWindow(pid(), "奖项设置", 10000);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ControlText(editor, form6::kLeftOut), "");
    SendClick(editor, form6::kDelete);
    PostClick(editor, form6::kCancel);
    ASSERT_TRUE(WaitForWindowGone(editor, 10000));
    EXPECT_EQ(ReadFileBytes(dir + kPrizesFile), saved);
}

// Tier files that are missing, empty or broken: the program starts, answers,
// names what it left out, and Start with no tier to draw says so.
TEST_F(PrizeRoundsE2E, BrokenTierFilesAreNamedAndNothingHangs) {
    std::string thousand;
    for (int i = 1; i <= 1000; ++i) thousand += Tier(i, "奖" + std::to_string(i), "", "1");
    const std::wstring utf16 = L"\xFEFF[\x5956\x9879\x0031]\r\n";
    const std::string utf16Bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    const struct Row {
        const char* what;
        bool write;
        std::string bytes;
        const char* status;  // what the second part of the status bar must hold
        bool usable;         // a tier remains to draw
    } rows[] = {
        {"missing", false, "", "未设置奖项", false},
        {"empty", true, "", "未设置奖项", false},
        {"no count", true, Tier(1, "三等奖", "", ""), "[奖项1]", false},
        {"zero", true, Tier(1, "三等奖", "", "0") + Tier(2, "二等奖", "", "2"), "[奖项1]", true},
        {"negative", true, Tier(1, "三等奖", "", "-5"), "[奖项1]", false},
        {"letters", true, Tier(1, "三等奖", "", "abc"), "[奖项1]", false},
        {"huge", true, Tier(1, "三等奖", "", "1e9"), "[奖项1]", false},
        {"a thousand sections", true, thousand, "奖1 0/1", true},
        {"not in the code page", true, utf16Bytes, "未用", false},
    };
    const std::string options = "[options]\r\nprize_rounds=1\r\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string dir = MakeProgramDirectory("prizes_bad");
        ASSERT_TRUE(WriteFileBytes(dir + "tobrix-options.ini", options));
        if (row.write) {
            ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, row.bytes));
        }
        Launch(dir);
        ASSERT_TRUE(Responds(form, 5000));
        EXPECT_NE(Status().find(row.status), std::string::npos) << Status();
        SelectNumbers("1", "5");
        if (row.usable) {
            EXPECT_FALSE(DrawBatch().empty());
        } else {
            PostClick(form, form1::kStart);
            ExpectNotice("未设置可用的奖项，请先在“奖项设置”中添加");
            EXPECT_TRUE(Idle());
        }
        EXPECT_EQ(FileExists(dir + kPrizesFile), row.write);
        TearDown();
        run = TobrixRun{};
    }
}

// Killed at random moments through a three-tier event of 200 winners: the
// prize file is whole every time, keeps every winner a record showed, and
// nobody wins twice; the event then ends with exactly 200.
TEST_F(PrizeRoundsE2E, KilledAtRandomMomentsNoWinnerIsLostOrDrawnTwice) {
    const std::string dir = MakeProgramDirectory("prizes_kill");
    ASSERT_TRUE(WriteFileBytes(dir + kPrizesFile, Tier(1, "三等奖", "", "120", "20") + Tier(2, "二等奖", "", "60", "15") +
                                                      Tier(3, "一等奖", "", "20", "10")));
    const unsigned seed = GetTickCount();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::set<std::string> shown;  // every winner a record showed, over all runs
    Launch(dir);
    SendMenuCommand(form, menu::kPrizeRounds);
    SendMenuCommand(form, menu::kNoRepeats);  // the pools file is written too and must stay whole
    int kills = 0;
    std::map<std::string, bool> saved;
    for (int round = 0; round < 40 && saved.size() < 200; ++round) {
        SelectNumbers("1", "500");
        SetControlText(form, form1::kJumpFrequency, "30");
        const int batches = 1 + int(random() % 4);
        const int moment = int(random() % 3);  // 0 idle, 1 rolling, 2 at Stop
        for (int b = 0; b < batches; ++b) {
            if (!StartBatch()) break;  // all drawn
            ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
            if (b + 1 == batches && moment == 1) {
                PumpFor(random() % 60);
                break;
            }
            if (b + 1 == batches && moment == 2) {
                PostClick(form, form1::kStop);
                PumpFor(random() % 10);
                break;
            }
            SendClick(form, form1::kStop);
            for (const RecordLine& line : RecordLines(Record())) shown.insert(line.name);
        }
        Kill();
        ++kills;
        std::string problem;
        if (!FileExists(dir + kEventsFile)) {
            EXPECT_TRUE(shown.empty()) << "the file went at kill " << kills;
            Launch(dir);
            continue;
        }
        ASSERT_TRUE(ReadEvents(ReadFileBytes(dir + kEventsFile), saved, problem)) << problem << " at kill " << kills;
        for (const std::string& name : shown) EXPECT_EQ(saved.count(name), 1u) << name << " lost at kill " << kills;
        for (const auto& w : saved) {
            EXPECT_TRUE(w.second) << w.first;
            const int v = atoi(w.first.c_str());
            EXPECT_TRUE(v >= 1 && v <= 500) << w.first;
        }
        const std::string pools = ReadFileBytes(dir + kPoolsFile);
        if (!pools.empty()) {
            EXPECT_EQ(pools.compare(0, 19, "Tobrix draw pools 1"), 0);
            EXPECT_EQ(pools.substr(pools.size() - 5), "end\r\n");
        }
        Launch(dir);
    }
    SelectNumbers("1", "500");
    // Whatever is left of the event, then the end.
    while (StartBatch()) {
        ASSERT_TRUE(WaitForText(form, form1::kResultDisplay, IsNotEmpty, 5000));
        SendClick(form, form1::kStop);
    }
    ExpectNotice("所有奖项已抽完");
    std::string problem;
    ASSERT_TRUE(ReadEvents(ReadFileBytes(dir + kEventsFile), saved, problem)) << problem;
    EXPECT_EQ(saved.size(), 200u);
    EXPECT_EQ(Status(), "所有奖项已抽完");
    EXPECT_GE(kills, 3);
    std::printf("%d kills, %zu winners shown before a kill\n", kills, shown.size());
}

}  // namespace
