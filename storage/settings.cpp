#include "storage/settings.h"

#include "runtime/strings.h"
#include "storage/ini.h"

namespace {

const char kSection[] = "options";
const char kNoRepeatsKey[] = "no_repeats";
const char kSoundKey[] = "sound";
const char kPrizeRoundsKey[] = "prize_rounds";

bool ReadSwitch(const std::string& file, const char* key) {
    return StrTrim(IniRead(file, kSection, key, "0")) == "1";
}

bool WriteSwitch(const std::string& file, const char* key, bool on) {
    return IniWrite(file, kSection, key, on ? "1" : "0") != 0;
}

}  // namespace

Options LoadOptions(const std::string& file) {
    Options options;
    options.noRepeats = ReadSwitch(file, kNoRepeatsKey);
    options.sound = ReadSwitch(file, kSoundKey);
    options.prizeRounds = ReadSwitch(file, kPrizeRoundsKey);
    return options;
}

bool SaveOptions(const std::string& file, const Options& options) {
    // All are attempted: one refused write should not lose the others.
    const bool noRepeats = WriteSwitch(file, kNoRepeatsKey, options.noRepeats);
    const bool sound = WriteSwitch(file, kSoundKey, options.sound);
    const bool prizeRounds = WriteSwitch(file, kPrizeRoundsKey, options.prizeRounds);
    return noRepeats && sound && prizeRounds;
}
