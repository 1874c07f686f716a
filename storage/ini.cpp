#include "storage/ini.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "runtime/strings.h"

namespace {

const DWORD kValueBuffer = 5000;
// What the ANSI profile functions can name. Longer names are refused here:
// some implementations report such a write as done without writing anything.
const std::size_t kLongestFileName = MAX_PATH - 1;

std::string CleanFileName(const std::string& file) {
    std::string name = StrTrim(file);
    name = StrTrimRight(StrTrimLeft(name, "\""), "\"");
    return StrTrim(name);
}

}  // namespace

std::string IniRead(std::string file, std::string section, std::string key, std::string def) {
    file = CleanFileName(file);
    if (file.empty()) return std::string();
    section = StrTrim(section);
    key = StrTrim(key);
    if (section.empty() || key.empty()) return std::string();
    if (std::strlen(file.c_str()) > kLongestFileName) return def;
    std::vector<char> buffer(kValueBuffer, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                             kValueBuffer, file.c_str());
    if (n > 0) return std::string(buffer.data(), n < kValueBuffer ? n : kValueBuffer - 1);
    return def;
}

int32_t IniWrite(std::string file, std::string section, std::string key, std::string value) {
    file = CleanFileName(file);
    if (file.empty()) return 0;
    section = StrTrim(section);
    key = StrTrim(key);
    if (section.empty() || key.empty()) return 0;
    if (std::strlen(file.c_str()) > kLongestFileName) return 0;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}
