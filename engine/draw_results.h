#pragma once
// The results of this session as data, kept beside the record text: take-back,
// void and export work from these, never from the record box, whose entries
// may themselves contain blanks.
#include <string>
#include <vector>

enum class DrawMode { Number, Name };

// Local calendar time, to the second.
struct CalendarTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

enum class ResultState { Valid, Void };

struct DrawResult {
    CalendarTime time;
    DrawMode mode = DrawMode::Number;
    std::string source;       // the name file, or "lo~hi" of a number draw
    std::string result;       // as recorded, GBK
    std::string recordEntry;  // exactly the text appended to the record
    ResultState state = ResultState::Valid;
    // A prize draw's tier and what it wins; empty outside prize draws.
    std::string prizeTier;
    std::string prize;
    // The person's number and department, from a name file line that holds
    // them after the name; empty otherwise.
    std::string number;
    std::string department;
};

using DrawResults = std::vector<DrawResult>;
