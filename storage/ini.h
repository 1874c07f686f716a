#pragma once
// The preset files' INI access, over the system's private-profile functions.
// The file is a full path; blanks and double quotes around it are ignored.
#include <cstdint>
#include <string>

// The value of key in section, at most 4999 bytes; def when the file, the
// section or the key is missing or the value is empty. "" (not def) when the
// file, section or key is blank.
std::string IniRead(std::string file, std::string section, std::string key, std::string def);

// Writes value (an empty one too: the key stays, empty). Non-zero on success,
// 0 when nothing was written.
int32_t IniWrite(std::string file, std::string section, std::string key, std::string value);
