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
