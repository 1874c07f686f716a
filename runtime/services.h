#pragma once
// Thin services over Win32 that the program uses instead of calling the system
// itself: runtime error numbers, directory search, numbered files, process
// launch, the message box, threads and the time of day. No service shows a
// message on failure; it records a runtime error number and returns an empty
// or zero result.
#include <windows.h>

#include <cfenv>
#include <cstdint>
#include <string>

// ---- Runtime error state (one number per thread) ----

// Records number as the calling thread's last runtime error. 241 and above
// are fatal: the process ends at once with exit code 255.
void RecordError(int32_t number);
// The calling thread's last recorded number, 0 when none.
int32_t GetErrorNumber();
void ClearError();
// The runtime error number for a Win32 error code (0 for 0).
int32_t MapSystemError(DWORD code);
// Records MapSystemError(code); a failure that left no code records 75.
void RecordSystemError(DWORD code);

// ---- System-call gate ----

// Every system call that can fail runs inside the gate: one process-wide spin
// lock, critical-error boxes off, the floating-point state kept, and the last
// error read before anyone else can overwrite it.
struct GateState {
    UINT errorMode = 0;
    std::fenv_t floatingPoint{};
};
void GateEnter(GateState& state);
// Returns GetLastError as the call inside the gate left it.
DWORD GateLeave(GateState& state);

// Runs call() inside the gate; lastError receives the error it left.
template <class Call>
auto GateCall(Call&& call, DWORD& lastError) -> decltype(call()) {
    GateState state;
    GateEnter(state);
    auto result = call();
    lastError = GateLeave(state);
    return result;
}

// ---- Process and thread runtime state ----

// The process entry's set-up: COM, system version, show command, command-line
// tail, instance, the thread-local slot with the main thread's record, and the
// common controls. False when the thread-local set-up failed.
bool RuntimeStartup();
// The exit steps before ExitProcess: open files and searches closed, the main
// thread's record and the slot released, COM uninitialised.
void RuntimeShutdown();

// Registers the common-control window classes of the ICC_* mask.
void InitCommonControlClasses(DWORD classes);
HINSTANCE RuntimeInstance();
int RuntimeShowCommand();
const OSVERSIONINFOA& RuntimeVersion();
// Threads that currently own a runtime record.
int32_t RuntimeThreadCount();

// What follows the program name on a command line: a quoted name ends at its
// closing quote, a bare one at the first blank or control byte; the blanks
// after it are skipped.
std::string CommandLineTail(const std::string& commandLine);
// The show-window field when STARTF_USESHOWWINDOW is set, else SW_SHOWDEFAULT.
int ShowCommandFromStartup(const STARTUPINFOA& startup);
// 0: the command-line tail taken at start-up (or from GetCommandLineA when
// the runtime was not started). Anything else records error 5.
std::string CommandArgument(int32_t index);

// The default dialog font that every thread's record carries.
struct DialogFont {
    char face[32] = "MS Sans Serif";
    int32_t points = 8;
};
DialogFont ThreadDialogFont();

// ---- Directory search (one per thread) ----

enum : DWORD {
    kDirHidden = 2,
    kDirSystem = 4,
    kDirVolume = 8,
    kDirDirectory = 16,
    kDirOnly = 128,  // keep only entries that have one of the requested attributes
};

// First name matching pattern, or "". Hidden, system and directory entries
// are skipped unless mask holds that attribute; "." and ".." always are.
// Starting a search ends the thread's previous one.
std::string DirFirst(const std::string& pattern, DWORD mask, WIN32_FIND_DATAA* record = nullptr);
// Next name of the thread's search, or "" at its end (the record is cleared)
// or when no search is open.
std::string DirNext(WIN32_FIND_DATAA* record = nullptr);

// ---- Files ----

enum class FileKind { Input, Output, Random, Append, Binary };
enum class FileAccess { Default, Read, Write, ReadWrite };
enum class FileShare { Shared, LockRead, LockWrite, LockReadWrite };
struct FileMode {
    FileKind kind = FileKind::Binary;
    FileAccess access = FileAccess::Default;
    FileShare share = FileShare::Shared;
};
// The whole-file read of name files: binary, read and write wanted (read
// alone when that is refused), no sharing, created empty when missing.
constexpr FileMode kWholeFileRead{FileKind::Binary, FileAccess::ReadWrite, FileShare::LockReadWrite};

const int32_t kFileNumberLimit = 511;

// Opens on a handle of the caller's own, outside the file numbers.
// INVALID_HANDLE_VALUE on failure, with the error recorded.
HANDLE FileOpenHandle(const std::string& path, FileMode mode);
uint32_t FileHandleLength(HANDLE file);
// Fills target's length in bytes from the current position; bytes past the
// end of the file stay as they were.
void FileHandleRead(HANDLE file, std::string& target);
void FileHandleClose(HANDLE file);

// The same by file number (1 to kFileNumberLimit).
void FileOpen(int32_t number, const std::string& path, FileMode mode);
uint32_t FileLength(int32_t number);
void FileRead(int32_t number, std::string& target);
void FileClose(int32_t number);
// Closes every numbered file.
void FileCloseAll();

// ---- Processes, message box, threads, time ----

// Starts the first 256 bytes of commandLine. Waiting: the exit code; not
// waiting: the process ID. 0 when it cannot be started (error recorded).
uint32_t ShellRun(const std::string& commandLine, int showCommand, bool wait, bool inheritHandles);

// MessageBoxA without an owner; an empty title becomes kDefaultCaption.
extern const char* const kDefaultCaption;
int ShowMessage(const std::string& text, const std::string& title, UINT flags);

// 0 means 1 MiB; any other size is rounded up to a multiple of 64 KiB.
uint32_t ThreadStackSize(uint32_t requested);
// Runs start(param) on a new thread that initialises COM and owns a runtime
// record while it runs. The handle goes to *handleVar (0 on failure).
HANDLE ThreadCreate(LPTHREAD_START_ROUTINE start, void* param, uint32_t stackSize, DWORD flags,
                    HANDLE* handleVar);

void SleepMs(uint32_t milliseconds);

// "hh:mm:ss" (24-hour clock) and "MM-DD-YYYY".
std::string TimeText();
std::string TimeText(const SYSTEMTIME& time);
std::string DateText();
std::string DateText(const SYSTEMTIME& time);
