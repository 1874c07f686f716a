#include "runtime/services.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/storage_test_support.h"

using namespace test_support;

namespace {

// Child modes: the tests start this executable again to watch what a started
// process sees and how a process ends.
const char* const kChildOutput = "TOBRIX_CHILD_OUTPUT";

int RunChild(int argc, char** argv) {
    const std::string mode = argv[1];
    if (mode == "--child-record") {
        char path[MAX_PATH + 1] = {};
        GetEnvironmentVariableA(kChildOutput, path, sizeof path);
        WriteBytes(path, std::to_string(GetCurrentProcessId()) + "\n" + GetCommandLineA());
        return 42;
    }
    if (mode == "--child-sleep" && argc > 2) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return 43;
    }
    if (mode == "--child-error" && argc > 2) {
        RecordError(std::atoi(argv[2]));
        return 0;
    }
    if (mode == "--child-no-thread-slot") {
        while (TlsAlloc() != TLS_OUT_OF_INDEXES) {
        }
        if (!RuntimeStartup()) ExitProcess(255);
        return 0;
    }
    if (mode == "--child-shutdown" && argc > 2) {
        // The exit steps close what the program left open.
        if (!RuntimeStartup()) return 2;
        FileOpen(3, argv[2], kWholeFileRead);
        if (FileLength(3) != 5) return 3;
        RuntimeShutdown();
        const HANDLE again =
            CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (again == INVALID_HANDLE_VALUE) return 4;
        CloseHandle(again);
        return 0;
    }
    return 99;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string ChildCommand(const std::string& arguments) { return Quoted(ExecutablePath()) + " " + arguments; }

// ---- Runtime errors ----

TEST(RuntimeErrorTest, CommonSystemCodesMapToTheirNumbers) {
    const struct {
        DWORD code;
        int32_t number;
    } table[] = {
        {0, 0},     {2, 53},    {18, 53},   {3, 76},   {4, 67},   {5, 70},   {19, 70},  {32, 70}, {33, 70},
        {36, 70},   {6, 51},    {11, 51},   {12, 51},  {13, 51},  {22, 51},  {24, 51},  {8, 7},   {14, 7},
        {15, 68},   {20, 68},   {17, 74},   {21, 71},  {23, 72},  {25, 72},  {31, 72},  {34, 72}, {35, 72},
        {38, 62},   {39, 61},   {112, 61},  {87, 5},   {7, 241},  {9, 241},  {10, 241}, {1, 75},  {16, 75},
        {37, 75},   {183, 75},  {1223, 75},
    };
    for (const auto& row : table) EXPECT_EQ(MapSystemError(row.code), row.number) << "code " << row.code;
}

TEST(RuntimeErrorTest, EachThreadKeepsItsOwnNumber) {
    ClearError();
    RecordError(53);
    int32_t seenByOther = -1;
    std::thread other([&] {
        seenByOther = GetErrorNumber();
        RecordError(70);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0);
    EXPECT_EQ(GetErrorNumber(), 53);
    ClearError();
    EXPECT_EQ(GetErrorNumber(), 0);
}

TEST(RuntimeErrorTest, NumbersFrom241EndTheProcessWith255) {
    EXPECT_EQ(ShellRun(ChildCommand("--child-error 240"), SW_HIDE, true, false), 0u);
    EXPECT_EQ(ShellRun(ChildCommand("--child-error 241"), SW_HIDE, true, false), 255u);
}

// ---- Process entry and exit ----

TEST(ProcessEntryTest, CommandLineTailFollowsTheProgramName) {
    EXPECT_EQ(CommandLineTail("\"C:\\My Tools\\draw.exe\"  -a b"), "-a b");
    EXPECT_EQ(CommandLineTail("\"C:\\My Tools\\draw.exe\"x y"), "x y");
    EXPECT_EQ(CommandLineTail("\"unterminated name"), "");
    EXPECT_EQ(CommandLineTail("draw.exe   one  two "), "one  two ");
    EXPECT_EQ(CommandLineTail("draw.exe"), "");
    // A control byte ends the name too, but only blanks are skipped after it.
    EXPECT_EQ(CommandLineTail("draw.exe\tx"), "\tx");
    // GBK bytes of a program name are not control bytes.
    EXPECT_EQ(CommandLineTail("抽签.exe 开始"), "开始");
    EXPECT_EQ(CommandLineTail(""), "");
}

TEST(ProcessEntryTest, ShowCommandComesFromTheStartupRecordWhenItHasOne) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    EXPECT_EQ(ShowCommandFromStartup(startup), SW_SHOWDEFAULT);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    EXPECT_EQ(ShowCommandFromStartup(startup), SW_SHOWMINNOACTIVE);
}

TEST(ProcessEntryTest, StartupRecordsTheProcessState) {
    // main() ran RuntimeStartup, as the program's entry does.
    EXPECT_EQ(RuntimeInstance(), GetModuleHandleA(nullptr));
    EXPECT_EQ(RuntimeVersion().dwOSVersionInfoSize, 148u);
    EXPECT_GT(RuntimeVersion().dwMajorVersion, 0u);
    EXPECT_EQ(CommandArgument(0), CommandLineTail(GetCommandLineA()));
    EXPECT_GE(RuntimeThreadCount(), 1);
    EXPECT_STREQ(ThreadDialogFont().face, "MS Sans Serif");
    EXPECT_EQ(ThreadDialogFont().points, 8);
    ClearError();
    EXPECT_EQ(CommandArgument(1), "");
    EXPECT_EQ(GetErrorNumber(), 5);
}

TEST(ProcessEntryTest, FailedThreadSlotEndsWith255) {
    EXPECT_EQ(ShellRun(ChildCommand("--child-no-thread-slot"), SW_HIDE, true, false), 255u);
}

TEST(ProcessEntryTest, ShutdownClosesOpenFiles) {
    ScratchDirectory dir("exit");
    WriteBytes(dir.path + "open.txt", "hello");
    EXPECT_EQ(ShellRun(ChildCommand("--child-shutdown " + Quoted(dir.path + "open.txt")), SW_HIDE, true, false), 0u);
}

// ---- Directory search ----

struct SearchDirectory {
    ScratchDirectory dir{"dir"};
    SearchDirectory() {
        WriteBytes(dir.path + "a.txt", "a");
        WriteBytes(dir.path + "b.txt", "b");
        SetFileAttributesA((dir.path + "b.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        CreateDirectoryA((dir.path + "c.txt").c_str(), nullptr);
    }
};

std::set<std::string> AllMatches(const std::string& pattern, DWORD mask) {
    std::set<std::string> names;
    for (std::string name = DirFirst(pattern, mask); !name.empty(); name = DirNext()) names.insert(name);
    return names;
}

TEST(DirSearchTest, MaskZeroSkipsHiddenFilesAndFolders) {
    SearchDirectory fixture;
    ASSERT_TRUE(GetFileAttributesA((fixture.dir.path + "b.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN)
        << "the file system keeps no hidden attribute";
    EXPECT_EQ(DirFirst(fixture.dir.path + "*.txt", 0), "a.txt");
    EXPECT_EQ(DirNext(), "");
    EXPECT_EQ(DirNext(), "");
}

TEST(DirSearchTest, MaskAdmitsTheAttributesItNames) {
    SearchDirectory fixture;
    const std::string pattern = fixture.dir.path + "*.txt";
    EXPECT_EQ(AllMatches(pattern, kDirHidden), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(AllMatches(pattern, kDirDirectory), (std::set<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(AllMatches(pattern, kDirHidden | kDirDirectory),
              (std::set<std::string>{"a.txt", "b.txt", "c.txt"}));
    // "Only" keeps just the entries that have a requested attribute...
    EXPECT_EQ(AllMatches(pattern, kDirHidden | kDirOnly), (std::set<std::string>{"b.txt"}));
    EXPECT_EQ(AllMatches(pattern, kDirDirectory | kDirOnly), (std::set<std::string>{"c.txt"}));
    // ...and means nothing without one.
    EXPECT_EQ(AllMatches(pattern, kDirOnly), (std::set<std::string>{"a.txt"}));
}

TEST(DirSearchTest, DotEntriesAreNeverReturned) {
    SearchDirectory fixture;
    // A pattern ending in a backslash searches the whole folder.
    EXPECT_EQ(AllMatches(fixture.dir.path, kDirDirectory), (std::set<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(AllMatches(fixture.dir.path + "c.txt\\", kDirDirectory | kDirHidden), std::set<std::string>{});
}

TEST(DirSearchTest, RecordReceivesTheMatchAndIsClearedAtTheEnd) {
    SearchDirectory fixture;
    WIN32_FIND_DATAA record;
    std::memset(&record, 0x55, sizeof record);
    ASSERT_EQ(DirFirst(fixture.dir.path + "*.txt", 0, &record), "a.txt");
    EXPECT_STREQ(record.cFileName, "a.txt");
    EXPECT_EQ(record.nFileSizeLow, 1u);
    EXPECT_EQ(DirNext(&record), "");
    EXPECT_EQ(record.cFileName[0], '\0');
    EXPECT_EQ(record.dwFileAttributes, 0u);
}

TEST(DirSearchTest, NothingFoundIsEmptyWithoutAnError) {
    ScratchDirectory dir("none");
    ClearError();
    EXPECT_EQ(DirFirst(dir.path + "*.txt", 0), "");
    EXPECT_EQ(DirNext(), "");
    EXPECT_EQ(GetErrorNumber(), 0);
    EXPECT_EQ(DirFirst(dir.path + "missing\\*.txt", 0), "");
    EXPECT_EQ(GetErrorNumber(), 76);
}

struct SearchJob {
    std::string path;
    std::set<std::string> names;
};

DWORD WINAPI SearchOnOwnThread(void* param) {
    auto* job = static_cast<SearchJob*>(param);
    for (std::string n = DirFirst(job->path + "y1*", 0); !n.empty(); n = DirNext()) job->names.insert(n);
    return 0;
}

TEST(DirSearchTest, EachThreadHasItsOwnSearch) {
    ScratchDirectory one("one");
    ScratchDirectory two("two");
    for (const char* name : {"x1.txt", "x2.txt", "x3.txt"}) WriteBytes(one.path + name, "");
    for (const char* name : {"y1.txt", "y2.txt"}) WriteBytes(two.path + name, "");

    std::set<std::string> mine{DirFirst(one.path + "*.txt", 0)};
    std::set<std::string> theirs;
    std::string emptyBeforeTheirFirst = "not run";
    // The other thread starts and finishes its search while ours is open.
    std::thread other([&] {
        emptyBeforeTheirFirst = DirNext();
        for (std::string name = DirFirst(two.path + "*.txt", 0); !name.empty(); name = DirNext()) theirs.insert(name);
    });
    other.join();
    HANDLE worker = nullptr;
    SearchJob shared{two.path, {}};
    ThreadCreate(SearchOnOwnThread, &shared, 0, 0, &worker);
    ASSERT_NE(worker, nullptr);
    WaitForSingleObject(worker, 10000);
    CloseHandle(worker);
    for (std::string name = DirNext(); !name.empty(); name = DirNext()) mine.insert(name);

    EXPECT_EQ(emptyBeforeTheirFirst, "");
    EXPECT_EQ(mine, (std::set<std::string>{"x1.txt", "x2.txt", "x3.txt"}));
    EXPECT_EQ(theirs, (std::set<std::string>{"y1.txt", "y2.txt"}));
    EXPECT_EQ(shared.names, (std::set<std::string>{"y1.txt"}));
}

TEST(DirSearchTest, NewSearchReplacesTheOpenOne) {
    ScratchDirectory one("repl1");
    ScratchDirectory two("repl2");
    WriteBytes(one.path + "p.txt", "");
    WriteBytes(one.path + "q.txt", "");
    WriteBytes(two.path + "r.txt", "");
    DirFirst(one.path + "*.txt", 0);
    EXPECT_EQ(DirFirst(two.path + "*.txt", 0), "r.txt");
    EXPECT_EQ(DirNext(), "");
}

// ---- Files ----

TEST(FileTest, WholeFileReadCreatesAMissingFileEmpty) {
    ScratchDirectory dir("create");
    const std::string path = dir.path + "new.txt";
    ClearError();
    FileOpen(1, path, kWholeFileRead);
    EXPECT_EQ(FileLength(1), 0u);
    FileClose(1);
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(GetErrorNumber(), 0) << "an existing-file notice from the system is no failure";
    // Opening it again, now that it exists, is no failure either.
    FileOpen(1, path, kWholeFileRead);
    FileClose(1);
    EXPECT_EQ(GetErrorNumber(), 0);
}

TEST(FileTest, ReadsTheTargetsLengthFromTheStart) {
    ScratchDirectory dir("read");
    const std::string path = dir.path + "data.bin";
    WriteBytes(path, std::string("ab\0cd", 5));
    FileOpen(2, path, kWholeFileRead);
    ASSERT_EQ(FileLength(2), 5u);
    std::string text(7, ' ');
    FileRead(2, text);
    FileClose(2);
    EXPECT_EQ(text, std::string("ab\0cd  ", 7));
}

TEST(FileTest, ReadOnlyFileIsReadThroughTheFallback) {
    ScratchDirectory dir("ro");
    const std::string path = dir.path + "ro.txt";
    WriteBytes(path, "kept");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ClearError();
    FileOpen(1, path, kWholeFileRead);
    std::string text(FileLength(1), ' ');
    FileRead(1, text);
    FileClose(1);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(GetErrorNumber(), 0);
}

TEST(FileTest, NumberInUseIsRefusedAndTheOpenFileStays) {
    ScratchDirectory dir("inuse");
    WriteBytes(dir.path + "one.txt", "first");
    WriteBytes(dir.path + "two.txt", "second!");
    FileOpen(4, dir.path + "one.txt", kWholeFileRead);
    ClearError();
    FileOpen(4, dir.path + "two.txt", kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 55);
    EXPECT_EQ(FileLength(4), 5u);
    FileClose(4);
    // two.txt was never opened: it can be opened exclusively now.
    const HANDLE probe = CreateFileA((dir.path + "two.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
    EXPECT_NE(probe, INVALID_HANDLE_VALUE);
    CloseHandle(probe);
}

TEST(FileTest, BadNamesAndNumbersAreRecorded) {
    ScratchDirectory dir("bad");
    for (const std::string& path : {std::string(), dir.path + "*.txt", dir.path + "a?.txt"}) {
        ClearError();
        FileOpen(1, path, kWholeFileRead);
        EXPECT_EQ(GetErrorNumber(), 64) << path;
        EXPECT_EQ(FileLength(1), 0u);
    }
    EXPECT_EQ(SearchOrder(dir.path + "*").size(), 0u) << "nothing was created";
    ClearError();
    FileOpen(0, dir.path + "zero.txt", kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 52);
    FileOpen(kFileNumberLimit + 1, dir.path + "big.txt", kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 52);
    ClearError();
    EXPECT_EQ(FileLength(9), 0u);
    EXPECT_EQ(GetErrorNumber(), 52);
    FileClose(9);  // closing what is not open is harmless
}

TEST(FileTest, PathsLongerThan255BytesAreRefusedNotCut) {
    ScratchDirectory dir("long");
    const std::string name255 = dir.path + std::string(255 - dir.path.size(), 'n');
    ASSERT_EQ(name255.size(), 255u);
    ClearError();
    FileOpen(1, name255, kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 0);
    FileClose(1);
    EXPECT_TRUE(Exists(name255));

    // Cut to 255 bytes, this would name the file above.
    const std::string longer = name255 + std::string(45, 'n');
    SetFileAttributesA(name255.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(name255.c_str());
    for (std::size_t size : {256u, 260u, 300u}) {
        ClearError();
        FileOpen(1, longer.substr(0, size), kWholeFileRead);
        EXPECT_EQ(GetErrorNumber(), 64) << size;
        EXPECT_EQ(FileLength(1), 0u);
    }
    EXPECT_FALSE(Exists(name255));
}

TEST(FileTest, DirectoryAndLockedFileFailWithARecordedError) {
    ScratchDirectory dir("fail");
    ClearError();
    FileOpen(1, dir.path.substr(0, dir.path.size() - 1), kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 70);
    std::string text;
    text.assign(FileLength(1), ' ');
    FileRead(1, text);
    EXPECT_EQ(text, "");

    const std::string path = dir.path + "locked.txt";
    WriteBytes(path, "secret");
    const HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ClearError();
    FileOpen(1, path, kWholeFileRead);
    EXPECT_EQ(GetErrorNumber(), 70);
    EXPECT_EQ(FileLength(1), 0u);
    CloseHandle(lock);
    EXPECT_EQ(ReadBytes(path), "secret");
}

TEST(FileTest, OutputTruncatesAndInputNeedsAnExistingFile) {
    ScratchDirectory dir("kinds");
    const std::string path = dir.path + "out.txt";
    WriteBytes(path, "old content");
    FileOpen(1, path, FileMode{FileKind::Output, FileAccess::Default, FileShare::Shared});
    EXPECT_EQ(FileLength(1), 0u);
    FileClose(1);
    ClearError();
    FileOpen(1, dir.path + "absent.txt", FileMode{FileKind::Input, FileAccess::Default, FileShare::Shared});
    EXPECT_EQ(GetErrorNumber(), 53);
    EXPECT_FALSE(Exists(dir.path + "absent.txt"));
}

// ---- Processes ----

TEST(ShellRunTest, StartsTheFirst256BytesAndWaitsForTheExitCode) {
    ScratchDirectory dir("shell");
    const std::string output = dir.path + "child.txt";
    SetEnvironmentVariableA(kChildOutput, output.c_str());
    std::string line = ChildCommand("--child-record ");
    while (line.size() < 300) line += static_cast<char>('a' + line.size() % 26);
    ASSERT_EQ(line.size(), 300u);
    EXPECT_EQ(ShellRun(line, SW_HIDE, true, false), 42u);
    const std::string seen = ReadBytes(output);
    EXPECT_EQ(seen.substr(seen.find('\n') + 1), line.substr(0, 256));
}

TEST(ShellRunTest, WithoutWaitingGivesTheProcessId) {
    ScratchDirectory dir("nowait");
    const std::string output = dir.path + "child.txt";
    SetEnvironmentVariableA(kChildOutput, output.c_str());
    const uint32_t id = ShellRun(ChildCommand("--child-record"), SW_HIDE, false, false);
    ASSERT_NE(id, 0u);
    std::string seen;
    for (int i = 0; i < 200 && seen.find('\n') == std::string::npos; ++i) {
        Sleep(50);
        seen = ReadBytes(output);
    }
    EXPECT_EQ(seen.substr(0, seen.find('\n')), std::to_string(id));
}

TEST(ShellRunTest, MissingProgramGivesZeroAndShowsNothing) {
    DialogAnswerer answerer;
    ClearError();
    EXPECT_EQ(ShellRun("tobrix_no_such_program.exe argument", SW_SHOWNORMAL, true, false), 0u);
    EXPECT_EQ(GetErrorNumber(), 53);
    EXPECT_EQ(ShellRun("", SW_SHOWNORMAL, true, false), 0u);
    Sleep(300);
    EXPECT_TRUE(answerer.Seen().empty());
}

TEST(ShellRunTest, OtherThreadsUseTheRuntimeWhileItWaits) {
    std::atomic<bool> returned{false};
    uint32_t code = 0;
    std::thread waiter([&] {
        code = ShellRun(ChildCommand("--child-sleep 3000"), SW_HIDE, true, false);
        returned = true;
    });
    Sleep(800);  // the child has started and is being waited for
    const auto start = std::chrono::steady_clock::now();
    const std::string time = TimeText();
    DirFirst(ExecutableDirectory() + "*.exe", 0);
    const auto spent = std::chrono::steady_clock::now() - start;
    const bool stillWaiting = !returned;
    waiter.join();
    EXPECT_TRUE(stillWaiting);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(spent).count(), 1000);
    EXPECT_EQ(time.size(), 8u);
    EXPECT_EQ(code, 43u);
}

// ---- Message box ----

TEST(ShowMessageTest, EmptyTextStillShowsTitleAndOkButton) {
    DialogAnswerer answerer;
    EXPECT_EQ(ShowMessage("", "标题", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND), IDOK);
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "标题");
    EXPECT_EQ(seen[0].text, "");
    EXPECT_EQ(seen[0].buttons.size(), 1u);
    EXPECT_EQ(seen[0].pressed, IDOK);
}

TEST(ShowMessageTest, EmptyTitleGetsTheRuntimesCaption) {
    DialogAnswerer answerer;
    EXPECT_EQ(ShowMessage("正文", "", 0x12000), IDOK);
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, kDefaultCaption);
    EXPECT_EQ(seen[0].text, "正文");
}

// ---- Threads ----

TEST(ThreadTest, StackSizeIsRoundedUpTo64KiB) {
    EXPECT_EQ(ThreadStackSize(0), 0x100000u);
    EXPECT_EQ(ThreadStackSize(0x18000), 0x20000u);
    EXPECT_EQ(ThreadStackSize(0x20000), 0x20000u);
    EXPECT_EQ(ThreadStackSize(1), 0x10000u);
    EXPECT_EQ(ThreadStackSize(0x100000), 0x100000u);
    EXPECT_EQ(ThreadStackSize(0xFFFFFFFFu), 0xFFFF0000u);
}

struct StackProbe {
    uintptr_t reserved = 0;
    HRESULT comAgain = E_FAIL;
    int32_t threads = 0;
};

DWORD WINAPI ProbeThread(void* param) {
    auto* probe = static_cast<StackProbe*>(param);
    // The stack is one reservation: add up the regions that share its base.
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(&region, &region, sizeof region);
    void* const base = region.AllocationBase;
    auto* at = static_cast<char*>(base);
    while (VirtualQuery(at, &region, sizeof region) == sizeof region && region.AllocationBase == base) {
        probe->reserved += region.RegionSize;
        at += region.RegionSize;
    }
    // S_FALSE: the thread's prologue has initialised COM already.
    probe->comAgain = CoInitialize(nullptr);
    if (SUCCEEDED(probe->comAgain)) CoUninitialize();
    probe->threads = RuntimeThreadCount();
    return 7;
}

TEST(ThreadTest, RunsWithPrologueAndEpilogue) {
    const int32_t before = RuntimeThreadCount();
    StackProbe probe;
    HANDLE handle = nullptr;
    const HANDLE returned = ThreadCreate(ProbeThread, &probe, 0x18000, 0, &handle);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(returned, handle);
    ASSERT_EQ(WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(handle, &code);
    CloseHandle(handle);
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(probe.comAgain, S_FALSE);
    EXPECT_EQ(probe.threads, before + 1);
    EXPECT_EQ(RuntimeThreadCount(), before);
    EXPECT_GE(probe.reserved, 0x20000u);
}

TEST(ThreadTest, StackSizeReachesTheSystem) {
    // Larger than the program's default reservation (2 MiB), so the stack we
    // find can only come from the size passed.
    StackProbe probe;
    HANDLE handle = nullptr;
    ThreadCreate(ProbeThread, &probe, 0x3F0001, 0, &handle);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    CloseHandle(handle);
    EXPECT_GE(probe.reserved, 0x400000u);
}

TEST(ThreadTest, SuspendedThreadWaitsForResume) {
    StackProbe probe;
    HANDLE handle = nullptr;
    ThreadCreate(ProbeThread, &probe, 0, CREATE_SUSPENDED, &handle);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(WaitForSingleObject(handle, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    ResumeThread(handle);
    EXPECT_EQ(WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    CloseHandle(handle);
    EXPECT_EQ(probe.comAgain, S_FALSE);
}

// ---- Time ----

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

TEST(TimeTextTest, TwoDigitFieldsOnA24HourClock) {
    EXPECT_EQ(TimeText(At(2026, 12, 7, 9, 5, 7)), "09:05:07");
    EXPECT_EQ(TimeText(At(2026, 12, 7, 21, 5, 7)), "21:05:07");
    EXPECT_EQ(TimeText(At(2026, 1, 1, 0, 0, 0)), "00:00:00");
    EXPECT_EQ(TimeText(At(2026, 1, 1, 23, 59, 59)), "23:59:59");
    EXPECT_EQ(DateText(At(2026, 12, 7, 9, 5, 7)), "12-07-2026");
    EXPECT_EQ(DateText(At(2005, 3, 9, 0, 0, 0)), "03-09-2005");
    EXPECT_EQ(DateText(At(1999, 10, 31, 0, 0, 0)), "10-31-1999");
}

TEST(TimeTextTest, NowIsTheLocalTime) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const std::string time = TimeText();
    const std::string date = DateText();
    SYSTEMTIME after;
    GetLocalTime(&after);
    EXPECT_TRUE(time == TimeText(before) || time == TimeText(after)) << time;
    EXPECT_TRUE(date == DateText(before) || date == DateText(after)) << date;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strncmp(argv[1], "--child-", 8) == 0) return RunChild(argc, argv);
    if (!RuntimeStartup()) return 255;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    RuntimeShutdown();
    return result;
}
