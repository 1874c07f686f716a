#include "storage/name_files.h"

#include <shellapi.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "runtime/services.h"
#include "runtime/strings.h"

namespace {

const UINT kNoticeFlags = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;
const char* const kNoticeCaption = "提示";
const int32_t kListLimit = 1000;
// The program's texts are GBK whatever the system's own code page.
const UINT kAnsiCodePage = 936;

// Reads of the same name file from the roller and the UI thread must not meet:
// the file is opened without sharing, so the second open would fail and read
// empty. A kernel mutex, because a roller ended with TerminateThread abandons
// it instead of keeping it forever.
class WholeFileReadLock {
public:
    WholeFileReadLock() {
        static const HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
        mutex_ = mutex;
        if (mutex_) WaitForSingleObject(mutex_, INFINITE);
    }
    ~WholeFileReadLock() {
        if (mutex_) ReleaseMutex(mutex_);
    }
    WholeFileReadLock(const WholeFileReadLock&) = delete;
    WholeFileReadLock& operator=(const WholeFileReadLock&) = delete;

private:
    HANDLE mutex_;
};

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    WholeFileReadLock lock;
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

// RFC 3629: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsStrictUtf8(const std::string& text, bool& nonAscii) {
    nonAscii = false;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) continue;
        nonAscii = true;
        std::size_t more;
        uint32_t code;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (size - i - 1 < more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF))) return false;
        if (code >= 0xD800 && code <= 0xDFFF) return false;
        i += more;
    }
    return true;
}

std::string WideToAnsi(const wchar_t* wide, int count) {
    if (count <= 0) return std::string();
    const int size = WideCharToMultiByte(kAnsiCodePage, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kAnsiCodePage, 0, wide, count, &text[0], size, nullptr, nullptr);
    return text;
}

// Without flags, invalid sequences become U+FFFD and then the default character.
bool Utf8ToAnsi(const char* bytes, std::size_t size, DWORD flags, std::string& text) {
    text.clear();
    if (size == 0) return true;
    const int count = static_cast<int>(size);
    const int wideSize = MultiByteToWideChar(CP_UTF8, flags, bytes, count, nullptr, 0);
    if (wideSize <= 0) return false;
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideSize));
    if (MultiByteToWideChar(CP_UTF8, flags, bytes, count, wide.data(), wideSize) != wideSize) return false;
    text = WideToAnsi(wide.data(), wideSize);
    return true;
}

std::string Utf16ToAnsi(const char* bytes, std::size_t size, bool bigEndian) {
    std::vector<wchar_t> wide(size / 2);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(bytes[2 * i]);
        const unsigned char b = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return WideToAnsi(wide.data(), static_cast<int>(wide.size()));
}

bool StartsWith(const std::string& text, const char* mark) {
    return text.compare(0, std::strlen(mark), mark) == 0;
}

// Files saved by current editors are UTF-8 or UTF-16; the program shows GBK.
// A GBK file is left as it is: it is never valid UTF-8 unless it is very short.
std::string ToAnsiText(const std::string& bytes) {
    std::string text;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        Utf8ToAnsi(bytes.data() + 3, bytes.size() - 3, 0, text);
        return text;
    }
    if (StartsWith(bytes, "\xFF\xFE")) return Utf16ToAnsi(bytes.data() + 2, bytes.size() - 2, false);
    if (StartsWith(bytes, "\xFE\xFF")) return Utf16ToAnsi(bytes.data() + 2, bytes.size() - 2, true);
    bool nonAscii = false;
    if (IsStrictUtf8(bytes, nonAscii) && nonAscii &&
        Utf8ToAnsi(bytes.data(), bytes.size(), MB_ERR_INVALID_CHARS, text)) {
        return text;
    }
    return bytes;
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void FillFrom(HWND list, std::string name) {
    for (int32_t count = 0; !name.empty() && count < kListLimit; name = DirNext()) {
        ++count;
        SendMessageA(list, CB_INSERTSTRING, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageA(list, CB_SETCURSEL, 0, 0);
    }
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

std::string SelectedNameFile(HWND list) {
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR || copied <= 0) return std::string();
    return std::string(text.data(), static_cast<std::size_t>(copied < length ? copied : length));
}

void FillNameFileList(HWND list) { FillFrom(list, DirFirst("*.txt", 0)); }

void ListNameFiles(HWND list, HWND namesBox, const std::string& programDirectory) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(namesBox, "");
    const std::string first = DirFirst("*.txt", 0);
    std::string content = LoadTextFile(programDirectory + first);
    // The box only lets the operator see what the file holds; a multi-line
    // edit box takes seconds per megabyte, so a huge first file would freeze
    // the window for minutes. It shows whole pieces up to a bound; draws still
    // read the whole file.
    if (content.size() > kNamesBoxBytes) {
        const std::size_t lastBreak = content.rfind('\r', kNamesBoxBytes);
        content.resize(lastBreak == std::string::npos ? 0 : lastBreak);
    }
    // Each CR-separated piece followed by LF CR, set in one go rather than
    // piece by piece, which would be quadratic in the file's size.
    const std::string shown = WindowText(namesBox) + StrReplace(content, "\r", "\n\r") + "\n\r";
    SetWindowTextA(namesBox, shown.c_str());
    FillFrom(list, first);
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

void EditNameFile(HWND list, const std::string& programDirectory) {
    ShowMessage("提示：编辑完成后，将其保存！", kNoticeCaption, kNoticeFlags);
    const std::string name = SelectedNameFile(list);
    ShellRun("Notepad.exe  " + programDirectory + name, SW_SHOWNORMAL, true, false);
}

void NewNameFile(HWND list) {
    ShowMessage("提示：按规则编辑文件后，将其保存在软件的安装目录下！", kNoticeCaption, kNoticeFlags);
    ShellRun("Notepad.exe ", SW_SHOWNORMAL, true, false);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    FillNameFileList(list);
}

void DeleteNameFile(HWND list, const std::string& programDirectory) {
    const std::string name = SelectedNameFile(list);
    if (name.empty()) {
        ShowMessage("没有选中文件！", kNoticeCaption, kNoticeFlags);
        return;
    }
    RecycleFile(programDirectory + name);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    FillNameFileList(list);
}

void RefreshNameFiles(HWND list, HWND namesBox, const std::string& programDirectory) {
    ListNameFiles(list, namesBox, programDirectory);
}
