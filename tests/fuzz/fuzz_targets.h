#pragma once
// The entry points that libFuzzer drives (scripts/fuzz) and that the test
// suite replays its saved inputs through. Each checks its own invariants and
// aborts with a message when one fails, so a wrong result is a crash too.
#include <cstddef>
#include <cstdint>

// Text to number and back: ParseNumber, the whole numbers the draws take,
// FormatNumber at several lengths.
int FuzzParseNumber(const uint8_t* data, std::size_t size);

// A name file's bytes: which Unicode form, its decoding, and the names the
// draw splits them into, each against a plain reading of the rules.
int FuzzNameFile(const uint8_t* data, std::size_t size);

// The pools file's bytes: what ParsePools keeps is well formed (number sets
// ascending, unique and inside their range, no empty set, at most the cap of
// entries) and reads back the same after SerializePools.
int FuzzPoolsFile(const uint8_t* data, std::size_t size);

// The prizes file: every tier read passes the field checks and reads back the
// same from what the program would write.
int FuzzPrizesIni(const uint8_t* data, std::size_t size);

// The prize progress file: what is read writes back and reads the same; the
// batches then drawn from it never give anyone a prize they may not win.
int FuzzPrizeProgress(const uint8_t* data, std::size_t size);
// A zip archive: its CRC, its directory, every entry inflated under a small limit, and
// the whole of it opened as a workbook with each sheet read.
int FuzzZipDirectory(const uint8_t* data, std::size_t size);

// The same bytes as each XML part of a workbook: shared strings, styles,
// workbook, relationships and a sheet that uses those strings and styles.
int FuzzSheetXml(const uint8_t* data, std::size_t size);

// Roster text: decoding, the separator, the fields (which must read back the
// same after writing them out again) and the name file made of them.
int FuzzCsvTable(const uint8_t* data, std::size_t size);
