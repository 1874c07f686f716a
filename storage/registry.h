#pragma once
// The registry layer behind the program's one registry value. Keys are opened
// and closed within each operation. Texts are GBK bytes; true is -1, false 0.
#include <windows.h>

#include <cstdint>
#include <string>

const REGSAM kRegRead = 0x20019;   // KEY_READ
const REGSAM kRegWrite = 0x20006;  // KEY_WRITE

// Doubled backslashes become single and the path loses its leading and
// trailing ones ("" becomes "\"). create != 0 creates the key. nullptr when
// it cannot be opened.
HKEY regOpenKey(HKEY root, const std::string& path, DWORD options, REGSAM access, int32_t create);

int32_t regValueExists(HKEY root, const std::string& path, const std::string& name);

// 1 with the value's type and raw bytes, 0 when it is missing, empty or unreadable.
int32_t regQueryValue(HKEY root, const std::string& path, const std::string& name, DWORD* type, std::string* data);

// A string value up to its first NUL; REG_DWORD as a signed decimal; other
// types as raw bytes. def only when def is not empty and the value is missing.
std::string regReadString(HKEY root, const std::string& path, const std::string& name, const std::string& def);

// Never creates the key. The platform's status: ERROR_SUCCESS (0) when
// written, the open's status when the key could not be opened.
LONG regSetValue(HKEY root, const std::string& path, const std::string& name, REGSAM access, DWORD type,
                 const std::string& data);

// REG_SZ: text followed by one NUL.
LONG regWriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text);

// At start-up: reads HKEY_LOCAL_MACHINE\SOFTWARE "MLQ1", then writes the web
// address there. Both results are ignored; failures stay silent.
void RefreshRegistryValue(const std::string& webAddress);
