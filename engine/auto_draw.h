#pragma once
// Automatic draws: several results in one go, one every few seconds, all
// different. The count field and the interval list ask for one; the pools
// keep a draw's results apart without listing every value of a huge range.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/name_list.h"
#include "engine/random_source.h"

// The interval list's last item: a new spacing of 1 to 15 seconds per result.
extern const char* const kRandomInterval;
// Shown (caption "提示") when the count asks for more different results than
// the limits or the name file hold.
extern const char* const kTooManyResultsMessage;

struct AutoDrawPlan {
    int32_t count = 0;           // results to take
    uint32_t seconds = 0;        // spacing between results, unless randomSeconds
    bool randomSeconds = false;  // 1..15 s, drawn anew for each result
};

// False, leaving the draw a manual one, when the count is not a whole number
// of at least 1 or no interval is selected.
bool PlanAutoDraw(const std::string& countText, const std::string& intervalText, AutoDrawPlan& plan);

// The length of one second of spacing; tests shorten it.
struct AutoDrawTiming {
    uint32_t secondMs = 1000;
};

uint32_t SpacingMs(uint32_t seconds, const AutoDrawTiming& timing);
// How long a taken result stays still before rolling resumes; part of the
// spacing, so results still come every `seconds`.
uint32_t HoldMs(uint32_t seconds, const AutoDrawTiming& timing);

// Uniform in 0 .. count - 1 (count 1 .. 2^32), from the same arithmetic as
// RandomSource::between, so that one generator serves every draw.
uint32_t RandomIndex(RandomSource& random, uint64_t count);

// The whole numbers between two limits, less those already taken.
struct NumberPool {
    int64_t lowest = 0;
    uint64_t size = 0;            // lowest .. lowest + size - 1, up to 2^32 values
    std::vector<uint32_t> taken;  // offsets from lowest, ascending
};

NumberPool MakeNumberPool(int32_t a, int32_t b);
// The same range less values drawn before (in any order, out of range ones
// ignored).
NumberPool MakeNumberPool(int32_t a, int32_t b, const std::vector<int32_t>& drawn);
uint64_t NumbersLeft(const NumberPool& pool);
// A random offset among those not taken; the pool must not be used up. Its
// cost grows with the logarithm of the values taken, not with their number.
uint32_t PickNumber(const NumberPool& pool, RandomSource& random);
// The value at an offset as the display shows it: " 7", "-4".
std::string NumberText(const NumberPool& pool, uint32_t offset);
// Takes the value out of the pool and returns its text.
std::string TakeNumber(NumberPool& pool, uint32_t offset);

// The different non-empty names of a name file, less those already taken;
// or, for draws without repeats, its non-empty entries less those drawn.
struct NamePool {
    NameList names;
    std::vector<std::size_t> left;  // one field index per name (or entry) not taken
    std::size_t entries = 0;        // entry pools: the file's non-empty entries
};

// `running` is asked now and then; once it says no, the pool comes back
// unfinished, so that Stop need not wait for a big file to be sorted out.
NamePool MakeNamePool(std::string content, const std::function<bool()>& running = nullptr);
// Every non-empty entry, less one entry for each drawn name: a name drawn
// twice keeps two of its entries out, and a drawn name the file no longer
// holds keeps nothing out. `running` as for MakeNamePool.
NamePool MakeEntryPool(std::string content, const std::vector<std::string>& drawn,
                       const std::function<bool()>& running = nullptr);
std::size_t NamesLeft(const NamePool& pool);
// The position in `left` of an entry that reads `name`, or `left.size()`.
std::size_t FindName(const NamePool& pool, const std::string& name);
// A random position in `left`; the pool must not be used up.
std::size_t PickName(const NamePool& pool, RandomSource& random);
std::string NameText(const NamePool& pool, std::size_t position);
std::string TakeName(NamePool& pool, std::size_t position);
