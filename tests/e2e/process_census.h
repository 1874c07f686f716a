#pragma once
// What another process holds, read from outside it. Under Wine several of the
// obvious calls report nothing for a process other than the caller's own
// (GetProcessHandleCount gives 0, GetProcessTimes stays still, PrivateUsage is
// 0, GetGuiResources is 0), so each count here takes a road that works there
// and gives the same answer on Windows.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

std::vector<DWORD> ProcessThreadIds(DWORD processId);
int CountProcessThreads(DWORD processId);

// User plus kernel time of the threads alive now, in seconds. Threads that
// have ended are not counted, so compare readings across a quiet stretch.
double ProcessCpuSeconds(DWORD processId);

// Handles open in the process: every value that DuplicateHandle accepts.
// The process handle needs PROCESS_DUP_HANDLE (a CreateProcess handle has it).
int CountProcessHandles(HANDLE process);

// The same handles by value, each with its object type and name ("Key
// \\REGISTRY\\...", "Semaphore"), to say what a difference between two
// counts is made of.
std::map<uintptr_t, std::string> DescribeProcessHandles(HANDLE process);

// Window properties of every window of the process, top-level windows and
// all their descendants.
int CountProcessWindowProperties(DWORD processId);

// Private (committed, unshared) bytes: PrivateUsage, or PagefileUsage, which
// Windows reports as the same figure, where PrivateUsage reads 0.
uint64_t ProcessPrivateBytes(HANDLE process);

// One of Tobrix's own counters (ui/diagnostics.h), or -1 when FORM1 does not
// answer within the timeout.
long ReadTobrixCounter(HWND form1, WPARAM counter, DWORD timeoutMs = 5000);
