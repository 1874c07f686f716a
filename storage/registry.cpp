#include "storage/registry.h"

#include <cstring>

#include "runtime/numbers.h"
#include "runtime/strings.h"

namespace {

std::string NormalisedPath(const std::string& path) {
    std::string key = StrReplace(path, "\\\\", "\\");
    key = StrTrimRight(StrTrimLeft(key, "\\"), "\\");
    return key.empty() ? std::string("\\") : key;
}

LONG OpenKey(HKEY root, const std::string& path, DWORD options, REGSAM access, int32_t create, HKEY& key) {
    key = nullptr;
    const std::string subkey = NormalisedPath(path);
    LONG status;
    if (create != 0) {
        status = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, options, access, nullptr, &key, nullptr);
    } else {
        status = RegOpenKeyExA(root, subkey.c_str(), options, access, &key);
    }
    if (status == ERROR_SUCCESS && !key) status = ERROR_INVALID_HANDLE;
    if (status != ERROR_SUCCESS) key = nullptr;
    return status;
}

}  // namespace

HKEY regOpenKey(HKEY root, const std::string& path, DWORD options, REGSAM access, int32_t create) {
    HKEY key;
    OpenKey(root, path, options, access, create, key);
    return key;
}

int32_t regValueExists(HKEY root, const std::string& path, const std::string& name) {
    const HKEY key = regOpenKey(root, path, 0, kRegRead, 0);
    if (!key) return 0;
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? -1 : 0;
}

int32_t regQueryValue(HKEY root, const std::string& path, const std::string& name, DWORD* type, std::string* data) {
    const HKEY key = regOpenKey(root, path, 0, kRegRead, 0);
    if (!key) return 0;
    DWORD kind = 0;
    DWORD size = 0;
    RegQueryValueExA(key, name.c_str(), nullptr, &kind, nullptr, &size);
    if (size == 0) {
        RegCloseKey(key);
        return 0;
    }
    std::string buffer(size, '\0');
    const LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(&buffer[0]), &size);
    if (type) *type = kind;
    int32_t result = 0;
    if (status == ERROR_SUCCESS && size > 0) {
        if (data) data->assign(buffer, 0, size);
        result = 1;
    }
    RegCloseKey(key);
    return result;
}

std::string regReadString(HKEY root, const std::string& path, const std::string& name, const std::string& def) {
    if (!def.empty() && regValueExists(root, path, name) == 0) return def;
    DWORD type = 0;
    std::string data;
    if (regQueryValue(root, path, name, &type, &data) == 0) return std::string();
    switch (type) {
    case REG_DWORD: {
        int32_t value = 0;
        std::memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
        return FormatNumber(value, false);
    }
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
        return data.substr(0, data.find('\0'));
    default:
        return data;
    }
}

LONG regSetValue(HKEY root, const std::string& path, const std::string& name, REGSAM access, DWORD type,
                 const std::string& data) {
    HKEY key;
    const LONG opened = OpenKey(root, path, 0, access, 0, key);
    if (opened != ERROR_SUCCESS) return opened;
    const LONG status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return status;
}

LONG regWriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    return regSetValue(root, path, name, kRegWrite, REG_SZ, text + std::string(1, '\0'));
}

void RefreshRegistryValue(const std::string& webAddress) {
    regReadString(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1", "");
    regWriteString(HKEY_LOCAL_MACHINE, "SOFTWARE", "MLQ1", webAddress);
}
