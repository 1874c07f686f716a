#include "storage/name_files.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/unicode_text.h"

namespace {

const std::size_t kListLimit = 1000;
// The program's texts are GBK whatever the system's own code page.
const UINT kAnsiCodePage = 936;

// Reads of the same name file from the roller and the UI thread must not meet:
// the file is opened without sharing, so the second open would fail and read
// empty.
std::mutex wholeFileReads;

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    std::lock_guard<std::mutex> lock(wholeFileReads);
    const HANDLE file = FileOpenHandle(path, kWholeFileRead);
    if (file == INVALID_HANDLE_VALUE) return content;
    const uint32_t length = FileHandleLength(file);
    if (length > 0) {
        try {
            content.assign(length, ' ');
        } catch (const std::exception&) {  // too big for memory: nothing read, error 7
            RecordError(7);
        }
        FileHandleRead(file, content);
    }
    FileHandleClose(file);
    return content;
}

std::string WideToAnsi(const char16_t* units, std::size_t count) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units are the system's wide characters");
    if (count == 0) return std::string();
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(units);
    const int n = static_cast<int>(count);
    const int size = WideCharToMultiByte(kAnsiCodePage, 0, wide, n, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kAnsiCodePage, 0, wide, n, &text[0], size, nullptr, nullptr);
    return text;
}

// Marked UTF-8 that is not well formed: the system's converter puts U+FFFD
// in for what it cannot read, which becomes the default character.
std::string SystemUtf8ToAnsi(const char* bytes, std::size_t size) {
    const int count = static_cast<int>(size);
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, bytes, count, nullptr, 0);
    if (wideSize <= 0) return std::string();
    std::u16string wide(static_cast<std::size_t>(wideSize), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, count, reinterpret_cast<wchar_t*>(&wide[0]), wideSize);
    return WideToAnsi(wide.data(), wide.size());
}

// Files saved by current editors are UTF-8 or UTF-16; the program shows GBK.
// Anything else is left as it is.
std::string ToAnsiText(const std::string& bytes) {
    const UnicodeForm form = DetectUnicodeForm(bytes);
    if (form == UnicodeForm::None) return bytes;
    const char* text = bytes.data() + UnicodeMarkLength(form);
    const std::size_t size = bytes.size() - UnicodeMarkLength(form);
    std::u16string units;
    if (form == UnicodeForm::Utf16LE || form == UnicodeForm::Utf16BE) {
        units = DecodeUtf16(text, size, form == UnicodeForm::Utf16BE);
    } else if (!DecodeStrictUtf8(text, size, units)) {
        return SystemUtf8ToAnsi(text, size);
    }
    return WideToAnsi(units.data(), units.size());
}

}  // namespace

std::string LoadTextFile(const std::string& path) {
    // Converting may still run out of memory; the text is then empty too.
    try {
        return ToAnsiText(ReadWholeFile(path));
    } catch (const std::bad_alloc&) {
        RecordError(7);
        return std::string();
    }
}

std::vector<std::string> FindNameFiles() {
    std::vector<std::string> names;
    for (std::string name = DirFirst("*.txt", 0); !name.empty() && names.size() < kListLimit; name = DirNext())
        names.push_back(name);
    return names;
}

std::string NamesBoxText(std::string content) {
    // The box only lets the operator see what the file holds; a multi-line
    // edit box takes seconds per megabyte, so a huge first file would freeze
    // the window for minutes. It shows whole pieces up to a bound; draws still
    // read the whole file.
    if (content.size() > kNamesBoxBytes) {
        const std::size_t lastBreak = content.rfind('\r', kNamesBoxBytes);
        content.resize(lastBreak == std::string::npos ? 0 : lastBreak);
    }
    return StrReplace(content, "\r", "\n\r") + "\n\r";
}

int32_t RecycleFile(const std::string& path) {
    // A cut or wildcard name would send other files to the bin.
    const std::string name = StrFromNulTerminated(path.c_str());
    if (name.empty() || name.size() > 259 || name.find_first_of("*?") != std::string::npos) return ERROR_INVALID_NAME;
    char from[MAX_PATH + 2] = {};  // double NUL after the name
    std::memcpy(from, name.data(), name.size());
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.pTo = nullptr;
    operation.fFlags = FOF_ALLOWUNDO;
    return SHFileOperationA(&operation);
}

std::string ReadKeptFile(const std::string& path, long long limit) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < limit) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}
