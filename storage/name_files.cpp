#include "storage/name_files.h"

#include <shellapi.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/unicode_text.h"

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
