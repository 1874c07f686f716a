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

// The prizes file: every tier read passes the field checks and reads back the
// same from what the program would write.
int FuzzPrizesIni(const uint8_t* data, std::size_t size);

// The prize progress file: what is read writes back and reads the same; the
// batches then drawn from it never give anyone a prize they may not win.
int FuzzPrizeProgress(const uint8_t* data, std::size_t size);
