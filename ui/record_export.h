#pragma once
// "导出记录..." and "复制记录": the session's results written to a file a
// spreadsheet opens as Chinese, or put on the clipboard.
#include <windows.h>

#include <string>

#include "engine/draw_results.h"

// "抽取记录-YYYYMMDD-HHMMSS.csv" (GBK) for the given local time.
std::string ProposedExportName(const SYSTEMTIME& now);

// GBK text through code page 936. A NUL (a name file may hold one) becomes
// U+FFFD: it would end the clipboard's text and confuse a spreadsheet.
std::wstring GbkToUtf16(const std::string& gbk);
std::string GbkToUtf8(const std::string& gbk);

// The comma-separated table as UTF-8 behind a byte-order mark, CR LF.
std::string ExportFileBytes(const DrawResults& results);

// Writes bytes to a temporary file beside path and then puts it in path's
// place, so that a failure leaves the old file whole (or none) and no
// temporary behind. False on any failure.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);

// Writes the export file; on failure says so in a "提示" box. The results are
// only read, so nothing in the program is lost either way.
bool ExportRecordTo(const DrawResults& results, const std::string& path);

// The save dialog, opened in the program directory with the proposed name,
// then ExportRecordTo. False when cancelled or not written.
bool ExportRecord(HWND owner, const DrawResults& results, const std::string& programDirectory);

// The tab-separated table on the clipboard as Unicode text; on failure says
// so in a "提示" box.
bool CopyRecord(HWND owner, const DrawResults& results);
