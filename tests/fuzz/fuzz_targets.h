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
