#include "engine/name_list.h"

#include "runtime/strings.h"

NameList BuildNameList(std::string content) {
    NameList list;
    list.content = std::move(content);
    // Counting first allocates the offsets once, at their final size: growing
    // them would briefly hold the old and the new block, too much in 32 bits.
    list.breaks.resize(StrFieldCount(list.content, "\r") - 1);
    std::size_t* next = list.breaks.data();
    const char* bytes = list.content.data();
    const std::size_t size = list.content.size();
    for (std::size_t at = 0; at < size; ++at) {
        if (bytes[at] == '\r') *next++ = at;
    }
    return list;
}

std::size_t NameCount(const NameList& list) {
    return list.breaks.size() + 1;
}

std::string NameAt(const NameList& list, std::size_t i) {
    const std::size_t first = i == 0 ? 0 : list.breaks[i - 1] + 1;
    const std::size_t last = i < list.breaks.size() ? list.breaks[i] : list.content.size();
    return StrReplace(StrTrim(list.content.substr(first, last - first)), "\n", "");
}

NameEntry SplitNameEntry(const std::string& entry) {
    NameEntry split;
    const std::size_t tab = entry.find('\t');
    // Trailing blanks only, as a prize round shows an entry: the line's
    // leading blanks were settled when it was read.
    split.name = StrTrimRight(entry.substr(0, tab == std::string::npos ? 0 : tab));
    // A line that starts with its tab has no name before it; such lines have
    // always been drawn whole, and still are.
    if (StrTrim(split.name).empty()) {
        split.name = entry;
        return split;
    }
    const std::size_t second = entry.find('\t', tab + 1);
    split.number = StrTrim(entry.substr(tab + 1, second == std::string::npos ? std::string::npos : second - tab - 1));
    if (second == std::string::npos) return split;
    // Anything after a third tab is not ours to show.
    const std::size_t third = entry.find('\t', second + 1);
    split.department =
        StrTrim(entry.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1));
    return split;
}
