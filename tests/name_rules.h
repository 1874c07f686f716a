#pragma once
// The names a name file gives by the rules, written out plainly as the tests'
// reference: split at every CR, blanks trimmed at both ends, then every LF
// removed. No decoding; the bytes are taken as they are.
#include <algorithm>
#include <string>
#include <vector>

inline std::vector<std::string> NamesByTheRules(const std::string& bytes) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cr = bytes.find('\r', start);
        std::string field = bytes.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
        const std::size_t first = field.find_first_not_of(' ');
        field = first == std::string::npos ? "" : field.substr(first, field.find_last_not_of(' ') - first + 1);
        field.erase(std::remove(field.begin(), field.end(), '\n'), field.end());
        names.push_back(field);
        if (cr == std::string::npos) return names;
        start = cr + 1;
    }
}
