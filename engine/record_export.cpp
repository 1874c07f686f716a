#include "engine/record_export.h"

#include <cstdio>

namespace {

// GBK trail bytes are 0x40 and above, so none of these bytes can be the second
// half of a Chinese character and a byte-wise scan finds only real ones.
bool NeedsQuotes(const std::string& field, char separator) {
    for (char c : field) {
        if (c == separator || c == '"' || c == '\r' || c == '\n') return true;
    }
    return false;
}

void AppendField(std::string& out, const std::string& field, char separator) {
    if (!NeedsQuotes(field, separator)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendRow(std::string& out, const std::string* fields, int count, char separator) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += separator;
        AppendField(out, fields[i], separator);
    }
    out += "\r\n";
}

}  // namespace

std::string FormatCalendarTime(const CalendarTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::string FormatResultsTable(const DrawResults& results, char separator) {
    std::string out;
    // A row is its fields plus about 40 bytes of number, time and words.
    std::size_t estimate = 64;
    for (const DrawResult& r : results) estimate += r.source.size() + r.result.size() + r.prizeTier.size() + r.prize.size() +
                                               r.number.size() + r.department.size() + 48;
    out.reserve(estimate);

    bool prizes = false, people = false;
    for (const DrawResult& r : results) {
        prizes = prizes || !r.prizeTier.empty();
        people = people || !r.number.empty() || !r.department.empty();
    }
    // The person's columns come last, so a table without them reads as before.
    const int columns = people ? 10 : prizes ? 8 : 6;
    const std::string header[] = {"序号", "时间", "模式", "来源", "结果", "状态", "奖项", "奖品", "编号", "部门"};
    AppendRow(out, header, columns, separator);
    std::size_t number = 0;
    for (const DrawResult& r : results) {
        const std::string row[] = {
            std::to_string(++number),
            FormatCalendarTime(r.time),
            r.mode == DrawMode::Number ? "数字" : "姓名",
            r.source,
            r.result,
            r.state == ResultState::Valid ? "有效" : "作废",
            r.prizeTier,
            r.prize,
            r.number,
            r.department,
        };
        AppendRow(out, row, columns, separator);
    }
    return out;
}
