#pragma once
// The names of one name file. The content is kept once, with the position of
// every CR beside it, so that a draw over a huge file neither copies the file
// per candidate nor spends more than one offset on each name.
#include <cstddef>
#include <string>
#include <vector>

struct NameList {
    std::string content;
    // Field i runs from just after breaks[i - 1] (or the start) up to
    // breaks[i] (or the end). A size_t is 4 bytes in the 32-bit program, so a
    // file of nothing but CRs costs four bytes per name on top of itself.
    std::vector<std::size_t> breaks;
};

// Takes the content over without copying it.
NameList BuildNameList(std::string content);

// The number of CRs plus one: never 0, an empty file has one empty name.
std::size_t NameCount(const NameList& list);

// Field i with its leading and trailing blanks removed, then every LF removed.
// The LF of a CR LF starts the next field, so it shields that line's leading
// blanks from the trimming.
std::string NameAt(const NameList& list, std::size_t i);

// A line may carry the person's number and department after the name, each
// after a tab: "张伟\t2023017\t三年二班". The name is what is drawn, shown and
// recorded; the whole line stays the person, so two lines with one name are
// two people. A line without a tab, or with nothing before its first tab, is
// its name, unchanged.
struct NameEntry {
    std::string name, number, department;
};
NameEntry SplitNameEntry(const std::string& entry);
