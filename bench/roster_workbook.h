#pragma once
// The roster that the import benchmarks read: people with a name, a number
// and a class, written as Excel writes a workbook (names and classes in the
// shared string table, numbers as numbers).
#include <string>
#include <vector>

#include "tests/support/zip_writer.h"

inline const char* const kBenchSurnames[] = {u8"张", u8"王", u8"李", u8"赵", u8"刘", u8"陈", u8"杨", u8"黄"};
inline const char* const kBenchGiven[] = {u8"伟", u8"芳", u8"娜", u8"敏", u8"静", u8"强", u8"磊", u8"洋", u8"艳", u8"军"};

// Distinct enough: most names differ.
inline std::string NameOf(int i) {
    return std::string(kBenchSurnames[i % 8]) + kBenchGiven[i / 8 % 10] + kBenchGiven[i / 80 % 10];
}
inline std::string ClassOf(int i) { return u8"三年" + std::to_string(i % 12 + 1) + u8"班"; }

// The workbook of `people` people under a header row, as a zip archive.
inline std::string MakeRosterWorkbook(int people) {
    std::vector<std::string> shared{u8"姓名", u8"学号", u8"班级"};
    for (int i = 0; i < people; ++i) shared.push_back(NameOf(i));
    const std::size_t classes = shared.size();
    for (int i = 0; i < 12; ++i) shared.push_back(ClassOf(i));
    std::string sheet = "<sheetData>" + SheetRow(1, {"<c r=\"A1\" t=\"s\"><v>0</v></c>", "<c r=\"B1\" t=\"s\"><v>1</v></c>",
                                                       "<c r=\"C1\" t=\"s\"><v>2</v></c>"});
    for (int i = 0; i < people; ++i) {
        const std::string row = std::to_string(i + 2);
        sheet += SheetRow(i + 2, {"<c r=\"A" + row + "\" t=\"s\"><v>" + std::to_string(3 + i) + "</v></c>",
                                  "<c r=\"B" + row + "\"><v>" + std::to_string(2023000 + i) + "</v></c>",
                                  "<c r=\"C" + row + "\" t=\"s\"><v>" + std::to_string(classes + i % 12) + "</v></c>"});
    }
    sheet += "</sheetData>";
    return WriteXlsx({{u8"名单", sheet}}, shared);
}
