#pragma once
// The options the operator switches in the "工具" menu, remembered across
// restarts in a settings file in the program directory. Both are off until
// switched on, so a program without the file behaves as it always has.
#include <string>

// Not "<program base name>.ini": that name is never read or written.
constexpr char kOptionsFileName[] = "tobrix-options.ini";

struct Options {
    bool noRepeats = false;  // "不重复抽取"
    bool sound = false;      // "声音"
    bool prizeRounds = false;  // "按奖项抽取"
};

// The options stored in file (a full path); off for anything missing or not
// written by SaveOptions.
Options LoadOptions(const std::string& file);

// True when every option was written. A directory that cannot be written
// leaves the options working for this session only, so callers ignore false.
bool SaveOptions(const std::string& file, const Options& options);
