#pragma once
// A prize draw in rounds: the winners of each tier, drawn a batch per Stop
// from one source (a name file or a number range), and the file that keeps
// them across restarts, tobrix-prizes.dat. Who may still win a tier follows
// from the winners alone, so nothing else needs keeping in step with them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/draw_results.h"
#include "engine/name_list.h"
#include "engine/prizes.h"
#include "engine/random_source.h"

// The people a prize draw draws from. A name file's entries are people one
// each, so two entries "张伟" are two people; an entry that is empty or has
// an empty name is nobody.
struct PrizeSource {
    std::string key;  // the name file, or "lo~hi" (NumberSourceKey)
    bool isRange = false;
    int32_t lo = 0, hi = 0;            // a range
    std::vector<std::string> entries;  // a name file, in file order
    std::vector<uint32_t> copies;      // which copy of its text each entry is
};

// Counting the copies costs a pass with a hash lookup per entry, once per
// name file read rather than per batch.
PrizeSource MakeEntriesPrizeSource(const std::string& key, std::vector<std::string> entries);
PrizeSource MakeNamePrizeSource(const std::string& file, const NameList& list);
PrizeSource MakeRangePrizeSource(int32_t a, int32_t b);

// What is shown and recorded of an entry: the part before its first tab,
// without trailing blanks. The whole entry is the person.
std::string EntryDisplayName(const std::string& entry);

// What every batch reads of every winner comes first, the record's texts
// last: a batch after 90,000 winners is a read through all of them.
struct PrizeWinner {
    std::string entry;   // the whole entry, or the number as decimal text
    uint32_t copy = 0;   // which of the entries with this text: 0 for the first
    int32_t tier = 0;    // the tier's index in the tier list when drawn
    int32_t batch = 1;   // counted from 1 within the tier
    bool voided = false;
    // Where the person stood in the name file when last found there, so that
    // a batch need not look each earlier winner up by text. Checked before
    // use.
    std::size_t at = SIZE_MAX;
    std::string tierName, prize;  // as they were then, for the record
};

// One source's winners, in draw order; a replacement stands right after the
// winner it replaces.
using PrizeWinners = std::vector<PrizeWinner>;

// Every source's winners: changing the name file starts another event.
struct PrizeEvents {
    std::map<std::string, PrizeWinners> bySource;
};

// Winners of `tier` that were not voided.
int32_t CountTierWinners(const PrizeWinners& winners, int32_t tier);
// The first tier that is not complete; tiers.size() when all are.
std::size_t FindCurrentTier(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners);
// How many the next Stop draws for `tier`: its 每批, at most what it lacks.
int32_t NextBatchSize(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier);
// How many people could still win `tier`.
std::size_t CountEligible(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                          const PrizeWinners& winners, std::size_t tier);

enum class BatchStatus {
    Drawn,       // the whole batch
    Short,       // fewer people were left than the batch; all of them drawn
    NobodyLeft,  // nothing drawn
    AllDrawn,    // every tier is complete; nothing drawn
};

struct BatchOutcome {
    BatchStatus status = BatchStatus::AllDrawn;
    std::size_t tier = 0;
    int32_t batch = 0;
    int32_t wanted = 0;     // the batch size
    std::size_t first = 0;  // the new winners are winners[first ..]
    std::size_t drawn = 0;
};

// Who is out of the draw, kept between batches by the caller so that a batch
// costs the same however many were drawn before: per entry of a name file
// the records keeping it out and a tree that finds the k-th eligible entry;
// for a range the numbers kept out. It serves the tiers without repeats
// together, or one tier with them. It checks, before each use, that it has
// seen the same source object and the last changes to the winners (their
// number and the latest records), and builds itself again, O(n + w), when
// not: after a new source, a take-back, a void, or another tier with
// repeats. Winners replaced wholesale (a file read) call for a fresh cache.
struct PrizeDrawCache {
    bool seen = false;  // the fields below describe the winners as last seen
    const PrizeSource* source = nullptr;
    std::string sourceKey;
    std::size_t tierCount = 0;
    const std::string* entries = nullptr;
    std::size_t entryCount = 0;
    int64_t key = -2;  // -1: the tiers without repeats; t >= 0: tier t; -2: not built
    std::size_t winnerCount = 0;
    uint64_t tail = 0;  // a digest of the latest winners
    std::vector<int32_t> won, lastBatch;  // per tier: valid winners, latest batch
    std::vector<uint32_t> outCount;  // a name file's entries
    std::vector<int32_t> tree;       // Fenwick tree over the entries left in
    std::unordered_map<int32_t, uint32_t> keptNumbers;  // a range's
};

// Builds `cache` for the current tier's next batch ahead of it, O(n + w): when
// the rounds are opened, and after a take-back or a void, so that Stop does
// not pay for it.
void PreparePrizeDrawCache(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                           PrizeDrawCache& cache);

// Draws the current tier's next batch at once, all different. Without a
// cache: O(n + w) to list the eligible people of a name file of n entries
// after w winners, each winner one comparison, then O(batch) to pick
// (partial Fisher-Yates); a range is never listed: O(batch log batch +
// w log w). With one, once it is built: O(batch log n) for a name file, the
// very same draw as without; a range that is at least half left draws by
// trying numbers and skipping those out, O(batch), the same odds.
BatchOutcome DrawPrizeBatch(const std::vector<PrizeTier>& tiers, const PrizeSource& source,
                            PrizeWinners& winners, RandomSource& random, PrizeDrawCache* cache = nullptr);

// The tier and batch of the last winner; false when there is none.
bool FindLatestBatch(const PrizeWinners& winners, int32_t& tier, int32_t& batch);

// 补抽: voids winners[index], which must be a valid winner of the latest
// batch, and draws one replacement for its tier and batch into the place
// after it. The void holds even when nobody is left to replace it (status
// NobodyLeft); false, with nothing changed, for any other index.
bool RedrawWinner(const std::vector<PrizeTier>& tiers, const PrizeSource& source, PrizeWinners& winners,
                  std::size_t index, RandomSource& random, BatchOutcome& outcome, PrizeDrawCache* cache = nullptr);

// Take-back: removes the latest batch, replacements and voids included, as
// if it had not been drawn. Returns how many records went.
std::size_t TakeBackLatestBatch(PrizeWinners& winners);
// Voids every valid winner of the latest batch: the tier lacks them again
// and they are out of every later draw of the event. Returns how many.
std::size_t VoidLatestBatch(PrizeWinners& winners);

// Indices into winners of the latest batch's valid winners, in order: the
// presenter's slots.
std::vector<std::size_t> LatestBatchSlots(const PrizeWinners& winners);

// 清空奖项结果: forgets one source's winners; the other events keep theirs.
// False when it had none.
bool ResetPrizeEvent(PrizeEvents& events, const std::string& source);

// A winner as a row of the session's results: the name shown, its tier and
// prize, voided or not; the record entry is two blanks and the name.
DrawResult PrizeWinnerResult(const PrizeWinner& winner, DrawMode mode, const std::string& source,
                             const CalendarTime& time);

// ---- The file ----

// What a file of any size may hold; past this, winners count as not drawn.
const std::size_t kMaxPrizeWinners = 1u << 20;

std::string SerializePrizeEvents(const PrizeEvents& events);
// Never fails: what cannot be read counts as not drawn. A file without its
// last line is read as empty, as the pools file is; the program writes it by
// temporary file and move, so a kill leaves the old file or the new one.
PrizeEvents ParsePrizeEvents(const std::string& text);

// ---- Status texts, GBK ----

// "三等奖 5/10"
std::string FormatTierProgress(const std::vector<PrizeTier>& tiers, const PrizeWinners& winners, std::size_t tier);
// Before the first batch of a tier after another: "三等奖已抽完，开始抽取二等奖？"
std::string FormatNextTierQuestion(const std::vector<PrizeTier>& tiers, std::size_t done, std::size_t next);
// "所有奖项已抽完"
std::string FormatAllPrizesDrawn();
// What a batch did: "三等奖 第2批 5人", "三等奖 第2批应抽5人，仅剩3人，已全部抽出",
// "三等奖已无人可抽", or FormatAllPrizesDrawn().
std::string FormatBatchOutcome(const std::vector<PrizeTier>& tiers, const BatchOutcome& outcome);
