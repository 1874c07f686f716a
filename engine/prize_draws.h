#pragma once
// The main window's side of prize rounds: what a rolling batch shows, the
// texts of the record, the status and the title, and this session's winners
// as lines of the record, kept beside it so that take-back, void and 补抽 can
// rewrite its end and export can list them among the other results.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/draw_results.h"
#include "engine/prize_rounds.h"
#include "engine/random_source.h"

// Candidates shown while a batch rolls are taken from a sample this large
// (all of them when fewer): a hall cannot tell, and a range of four billion
// numbers is never listed.
const std::size_t kRollingSample = 20000;

// People who could win `tier` now, as shown (EntryDisplayName), at most
// kRollingSample of them, in random order. Tiers before `tier` count as
// complete, so that a redraw of an earlier tier's winner rolls its own
// tier's people.
std::vector<std::string> ListRollingCandidates(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                                               const PrizeWinners& winners, std::size_t tier, RandomSource& random);

// `count` different candidates out of `pool` for this moment of the roll
// (all of the pool when it is smaller); the pool is reordered.
std::vector<std::string> PickRollingSlots(std::vector<std::string>& pool, std::size_t count, RandomSource& random);

// "三等奖 · 保温杯 · 第2批"; without " · 保温杯" when the prize is empty.
std::string FormatBatchTitle(const std::vector<PrizeTier>& tiers, std::size_t tier, int32_t batch);

// A winner's line of the record, "  三等奖 张三\r\n", with kVoidMark after the
// name when voided.
std::string PrizeRecordEntry(const PrizeWinner& winner, const std::string& voidMark);

// Whether Start must ask before the first batch of `tier`: an earlier tier
// was drawn, and this one has no record yet.
bool NeedsNextTierQuestion(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier);

// What the status bar says between batches: the tier's progress, that all
// are drawn, or that there are no tiers; then the tiers left out, if any:
// "三等奖 5/10；未用：[奖项3] 人数须为…（共2项）".
std::string FormatRoundStatus(const PrizeList& list, const PrizeWinners& winners);
// The part that names the tiers left out; "" when none.
std::string FormatLeftOut(const PrizeList& list);

// One winner's line in this session's record.
struct PrizeRecordLine {
    DrawResult result;  // the export's row; recordEntry is the record's text
    std::string source;
    int32_t tier = 0, batch = 0;
    std::string entry;
    uint32_t copy = 0;
    // Results of plain draws recorded before it: where the row goes among them.
    std::size_t anchor = 0;
};
using PrizeRecord = std::vector<PrizeRecordLine>;

PrizeRecordLine MakePrizeRecordLine(const PrizeWinner& winner, DrawMode mode, const std::string& source,
                                    const CalendarTime& time, std::size_t anchor, const std::string& voidMark);

// The record's text from line `from` to the end.
std::string PrizeRecordTail(const PrizeRecord& record, std::size_t from);

// The line of `winner` of event `source` still valid, the latest such;
// record.size() when this session did not record it.
std::size_t FindPrizeRecordLine(const PrizeRecord& record, const std::string& source, const PrizeWinner& winner);

// Where the latest batch's trailing lines start (record.size() when the
// record does not end with lines of that batch).
std::size_t FindBatchLines(const PrizeRecord& record, const std::string& source, int32_t tier, int32_t batch);

// The plain results with the prize lines among them, in the order recorded.
DrawResults MergePrizeResults(const DrawResults& plain, const PrizeRecord& record);
