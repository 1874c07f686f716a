#pragma once
// Name files: the "*.txt" files of the current directory, read whole from the
// program directory (which ends in one backslash), and sent to the recycle
// bin. What the user sees of them is the main window's business.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole file as ANSI (GBK) text; "" when it cannot be opened (the error
// is recorded). A missing file is created empty. Text marked as UTF-8 or
// UTF-16, or unmarked text that is valid UTF-8 with a non-ASCII byte, is
// converted; anything else comes back as its bytes. Any thread may call it.
std::string LoadTextFile(const std::string& path);

// A file the program keeps beside itself, as it is on disk; "" when it is
// missing, unreadable, empty, or `limit` bytes or more (then it is not ours).
std::string ReadKeptFile(const std::string& path, long long limit);

// The current directory's "*.txt" names, at most 1000, in search order.
std::vector<std::string> FindNameFiles();

// How much of a file the names box shows: whole pieces up to this.
const std::size_t kNamesBoxBytes = 256 * 1024;

// What the names box shows of a file's text: whole CR-separated pieces up to
// kNamesBoxBytes, each followed by LF CR.
std::string NamesBoxText(std::string content);

// Moves one file to the recycle bin; the shell asks for confirmation. Refuses
// (without asking) a name with wildcards or longer than 259 bytes. The shell's
// result, or ERROR_INVALID_NAME when refused.
int32_t RecycleFile(const std::string& path);
