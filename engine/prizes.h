#pragma once
// The prize tiers of a prize draw and their file, tobrix-prizes.ini: one
// section [奖项1], [奖项2], ... per tier in draw order, GBK text. The bytes
// are read and written here; the program reads the file as name files are
// read (UTF-8 and UTF-16 converted to GBK) and writes it by temporary file
// and move.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PrizeTier {
    std::string name;   // 名称, e.g. 三等奖
    std::string prize;  // 奖品, may be empty
    int32_t count = 0;  // 人数
    int32_t perBatch = 0;  // 每批; 0 draws all that is left of the tier at once
    bool allowRepeat = false;  // 可重复中奖: winners of other tiers may win this one
};

struct PrizeList {
    std::vector<PrizeTier> tiers;
    // One GBK line per tier left out, or per part of the file not read, with
    // the reason: "[奖项3] 人数须为1到100000的整数：abc".
    std::vector<std::string> leftOut;
};

// Counts (人数, 每批) are whole numbers in this range.
const int32_t kMinPrizeCount = 1;
const int32_t kMaxPrizeCount = 100000;
// More tiers than a ceremony has; sections past it are left out.
const std::size_t kMaxPrizeTiers = 100;
// A name or prize longer than this would not fit a status bar or a title.
const std::size_t kMaxPrizeText = 200;
// What is read of the file; the rest is left out.
const std::size_t kMaxPrizesFileBytes = 1u << 20;

enum class PrizeField { Name, Prize, Count, PerBatch, Repeat };

// The key of a field in the file, GBK: 名称, 奖品, 人数, 每批, 可重复中奖.
std::string PrizeFieldKey(PrizeField field);

// The editor's check and the reader's: "" when `text` is a valid value of
// the field, else a GBK message that names the field. Name: not empty; name
// and prize: no line break, at most kMaxPrizeText bytes. Count: a whole
// number from 1 to 100000. PerBatch: the same, or empty. Repeat: 0, 1 or
// empty. Leading and trailing blanks and tabs do not count.
std::string CheckPrizeField(PrizeField field, const std::string& text);

// Never fails. Tiers are read from [奖项1] up to the first missing number;
// a tier with a field that does not pass CheckPrizeField is left out (its
// number is not reused). Text still in a Unicode form is not read.
PrizeList ParsePrizes(const std::string& text);

// The file for `tiers`, CR LF lines. Values with line breaks lose them.
std::string SerializePrizes(const std::vector<PrizeTier>& tiers);
