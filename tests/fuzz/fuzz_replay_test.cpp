// Replays the fuzz targets' seed inputs and every input a fuzzing run found
// to crash (tests/fuzz/regressions/<target>/) through the same entry points,
// in the ordinary host build: a fixed crash stays fixed. A failed check
// aborts the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/fuzz/fuzz_targets.h"

namespace {

namespace fs = std::filesystem;

// Feeds every file under corpus/<target> and regressions/<target>; returns
// how many there were.
int Replay(const std::string& target, int (*fuzz)(const uint8_t*, std::size_t)) {
    int fed = 0;
    for (const char* folder : {"corpus", "regressions"}) {
        const fs::path directory = fs::path(TOBRIX_FUZZ_INPUTS) / folder / target;
        if (!fs::is_directory(directory)) continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
            if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.') continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            SCOPED_TRACE(entry.path().string());
            fuzz(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++fed;
        }
    }
    return fed;
}

TEST(FuzzReplay, ParseNumberInputs) { EXPECT_GT(Replay("parse_number", FuzzParseNumber), 0); }

TEST(FuzzReplay, NameFileInputs) { EXPECT_GT(Replay("name_file", FuzzNameFile), 0); }

TEST(FuzzReplay, PoolsFileInputs) { EXPECT_GT(Replay("pools_file", FuzzPoolsFile), 0); }

TEST(FuzzReplay, PrizesIniInputs) { EXPECT_GT(Replay("prizes_ini", FuzzPrizesIni), 0); }

TEST(FuzzReplay, PrizeProgressInputs) { EXPECT_GT(Replay("prize_progress", FuzzPrizeProgress), 0); }
TEST(FuzzReplay, ZipDirectoryInputs) { EXPECT_GT(Replay("zip_directory", FuzzZipDirectory), 0); }

TEST(FuzzReplay, SheetXmlInputs) { EXPECT_GT(Replay("sheet_xml", FuzzSheetXml), 0); }

TEST(FuzzReplay, CsvTableInputs) { EXPECT_GT(Replay("csv_table", FuzzCsvTable), 0); }

}  // namespace
