#pragma once
// The session's results as a table that a spreadsheet opens: export writes it
// comma-separated, copy puts it on the clipboard tab-separated.
#include <string>

#include "engine/draw_results.h"

// GBK text: a header row 序号,时间,模式,来源,结果,状态, then one row per result
// numbered from 1, every row ended by CR LF. When a result comes from a prize
// draw, every row has two more fields, 奖项,奖品, empty outside prize draws.
// When a result has a number or a department (from a name file line that
// holds them), every row has four more: 奖项,奖品,编号,部门. A field that holds the separator,
// a double quote, CR or LF is quoted, its quotes doubled.
std::string FormatResultsTable(const DrawResults& results, char separator);

// "YYYY-MM-DD HH:MM:SS", zero-padded.
std::string FormatCalendarTime(const CalendarTime& time);
