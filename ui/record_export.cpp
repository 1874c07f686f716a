#include "ui/record_export.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/record_export.h"
#include "runtime/services.h"

namespace {

const UINT kGbkCodePage = 936;
const char kMessageCaption[] = "提示";

void ShowExportProblem(const std::string& text) {
    ShowMessage(text, kMessageCaption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND);
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".\\") : path.substr(0, cut + 1);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t at = 0;
    while (ok && at < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data() + at, chunk, &written, nullptr) && written == chunk;
        at += written;
    }
    // On the disk before it replaces anything: a power loss after the rename
    // must not leave an empty file under the old name.
    ok = ok && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

// OpenClipboard fails while another program holds it; they hold it briefly.
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

std::string ProposedExportName(const SYSTEMTIME& now) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return std::string("抽取记录-") + stamp + ".csv";
}

std::wstring GbkToUtf16(const std::string& gbk) {
    std::wstring wide;
    if (gbk.empty()) return wide;
    const int count = static_cast<int>(gbk.size());
    const int size = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), count, nullptr, 0);
    if (size <= 0) return wide;
    wide.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), count, &wide[0], size);
    for (wchar_t& c : wide) {
        if (c == L'\0') c = 0xFFFD;
    }
    return wide;
}

std::string GbkToUtf8(const std::string& gbk) {
    const std::wstring wide = GbkToUtf16(gbk);
    std::string utf8;
    if (wide.empty()) return utf8;
    const int count = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return utf8;
    utf8.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, &utf8[0], size, nullptr, nullptr);
    return utf8;
}

std::string ExportFileBytes(const DrawResults& results) {
    // The mark is how a spreadsheet knows the file is UTF-8 and not the ANSI
    // code page; without it Chinese comes out garbled.
    return "\xEF\xBB\xBF" + GbkToUtf8(FormatResultsTable(results, ','));
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
    char temporary[MAX_PATH + 1] = {};
    // In the target's own directory, so that the final rename stays on one
    // volume and cannot turn into a copy that fails halfway.
    if (!GetTempFileNameA(DirectoryOf(path).c_str(), "tbx", 0, temporary)) return false;
    if (WriteWholeFile(temporary, bytes) &&
        MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileA(temporary);
    return false;
}

bool ExportRecordTo(const DrawResults& results, const std::string& path) {
    if (WriteFileReplacing(path, ExportFileBytes(results))) return true;
    ShowExportProblem("导出失败：无法写入文件\r\n" + path + "\r\n\r\n抽取记录仍保留在程序中，请换一个位置再导出。");
    return false;
}

bool ExportRecord(HWND owner, const DrawResults& results, const std::string& programDirectory) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::vector<char> file(MAX_PATH * 2, '\0');
    const std::string proposed = ProposedExportName(now);
    std::memcpy(file.data(), proposed.c_str(), proposed.size());

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "CSV 文件 (*.csv)\0*.csv\0所有文件 (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = programDirectory.c_str();
    dialog.lpstrTitle = "导出记录";
    dialog.lpstrDefExt = "csv";
    // NOCHANGEDIR: the file list is read from the current directory, which
    // the dialog would otherwise leave wherever the operator browsed to.
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog)) return false;
    return ExportRecordTo(results, file.data());
}

bool CopyRecord(HWND owner, const DrawResults& results) {
    const std::wstring text = GbkToUtf16(FormatResultsTable(results, '\t'));
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (target) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    bool done = false;
    if (target && OpenClipboardPatiently(owner)) {
        // Once placed, the clipboard owns the memory.
        done = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
    }
    if (!done) {
        if (memory) GlobalFree(memory);
        ShowExportProblem("复制失败：剪贴板正被其他程序使用，请稍后再试。");
    }
    return done;
}
