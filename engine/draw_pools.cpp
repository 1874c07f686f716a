#include "engine/draw_pools.h"

#include <algorithm>

#include "engine/percent_escape.h"

// The file, in lines ending CR LF:
//   Tobrix draw pools 1
//   names <file name>      then one "name <entry>" per drawn entry
//   numbers <lo>~<hi>      then one "number <value>" per drawn value
//   end
// Texts are GBK with bytes below 0x20, 0x7F and "%" written as "%XX", so a
// name of any bytes stays on its line. Readers skip lines they do not know,
// so later versions may add some; a file without its "end" was cut short.

namespace {

const char kHeader[] = "Tobrix draw pools ";
const char kVersion[] = "1";

// Names may hold blanks: only control bytes are escaped.
const unsigned char kFirstPlain = 0x20;

void AppendEscaped(std::string& out, const std::string& text) { AppendPercentEscaped(out, text, kFirstPlain); }

// False for a raw control byte or a broken escape: the line is corrupt.
bool Unescape(const char* first, const char* last, std::string& text) {
    return ReadPercentEscaped(first, last, kFirstPlain, text);
}

// An optional "-" and 1 to 10 digits that fit 32 bits, nothing else.
bool ParseInt32(const char* first, const char* last, int32_t& value) {
    const bool negative = first < last && *first == '-';
    if (negative) ++first;
    if (first == last || last - first > 10) return false;
    int64_t v = 0;
    for (const char* at = first; at < last; ++at) {
        if (*at < '0' || *at > '9') return false;
        v = v * 10 + (*at - '0');
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool StartsWith(const char* first, const char* last, const char* prefix, std::size_t length) {
    return static_cast<std::size_t>(last - first) >= length && std::equal(prefix, prefix + length, first);
}

template <std::size_t N>
bool TakePrefix(const char*& first, const char* last, const char (&prefix)[N]) {
    if (!StartsWith(first, last, prefix, N - 1)) return false;
    first += N - 1;
    return true;
}

}  // namespace

std::string NumberSourceKey(int32_t a, int32_t b) {
    return std::to_string(std::min(a, b)) + "~" + std::to_string(std::max(a, b));
}

bool ParseNumberSourceKey(const std::string& key, int32_t& lo, int32_t& hi) {
    const std::size_t tilde = key.find('~');
    if (tilde == std::string::npos) return false;
    const char* text = key.data();
    return ParseInt32(text, text + tilde, lo) && ParseInt32(text + tilde + 1, text + key.size(), hi) && lo <= hi;
}

std::string SerializePools(const DrawPools& pools) {
    std::string out = std::string(kHeader) + kVersion + "\r\n";
    for (const auto& source : pools.names) {
        if (source.second.empty()) continue;
        out += "names ";
        AppendEscaped(out, source.first);
        out += "\r\n";
        for (const std::string& name : source.second) {
            out += "name ";
            AppendEscaped(out, name);
            out += "\r\n";
        }
    }
    for (const auto& source : pools.numbers) {
        int32_t lo = 0, hi = 0;
        if (source.second.empty() || !ParseNumberSourceKey(source.first, lo, hi)) continue;
        out += "numbers " + source.first + "\r\n";
        for (int32_t value : source.second) out += "number " + std::to_string(value) + "\r\n";
    }
    out += "end\r\n";
    return out;
}

DrawPools ParsePools(const std::string& text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    // The next line, without its CR LF.
    auto nextLine = [&](const char*& first, const char*& last) {
        if (at >= end) return false;
        first = at;
        const char* lf = std::find(at, end, '\n');
        at = lf < end ? lf + 1 : end;
        last = lf;
        if (last > first && last[-1] == '\r') --last;
        return true;
    };
    const char *first = nullptr, *last = nullptr;
    if (!nextLine(first, last) || !TakePrefix(first, last, kHeader)) return DrawPools{};
    int32_t version = 0;
    if (!ParseInt32(first, last, version) || version < 1) return DrawPools{};

    DrawPools pools;
    std::vector<std::string>* names = nullptr;  // the section being read, if readable
    std::vector<int32_t>* numbers = nullptr;
    int32_t lo = 0, hi = 0;
    std::size_t entries = 0;
    std::string field;
    bool complete = false;
    while (nextLine(first, last)) {
        if (last - first == 3 && StartsWith(first, last, "end", 3)) {
            complete = true;
            break;
        }
        if (TakePrefix(first, last, "name ")) {
            if (names && entries < kMaxPoolEntries && Unescape(first, last, field) && !field.empty()) {
                names->push_back(field);
                ++entries;
            }
        } else if (TakePrefix(first, last, "number ")) {
            int32_t value = 0;
            if (numbers && entries < kMaxPoolEntries && ParseInt32(first, last, value) && value >= lo && value <= hi) {
                numbers->push_back(value);
                ++entries;
            }
        } else if (TakePrefix(first, last, "names ")) {
            numbers = nullptr;
            names = Unescape(first, last, field) ? &pools.names[field] : nullptr;
        } else if (TakePrefix(first, last, "numbers ")) {
            names = nullptr;
            numbers = ParseNumberSourceKey(std::string(first, last), lo, hi) ? &pools.numbers[NumberSourceKey(lo, hi)]
                                                                             : nullptr;
        } else {
            // A line of a later version, or of another section kind: its
            // entries must not land in the section before it.
            names = nullptr;
            numbers = nullptr;
        }
    }
    if (!complete) return DrawPools{};
    for (auto source = pools.names.begin(); source != pools.names.end();) {
        source = source->second.empty() ? pools.names.erase(source) : std::next(source);
    }
    for (auto source = pools.numbers.begin(); source != pools.numbers.end();) {
        std::vector<int32_t>& values = source->second;
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        source = values.empty() ? pools.numbers.erase(source) : std::next(source);
    }
    return pools;
}

void AddDrawnName(DrawPools& pools, const std::string& source, const std::string& name) {
    pools.names[source].push_back(name);
}

bool RemoveDrawnName(DrawPools& pools, const std::string& source, const std::string& name) {
    auto found = pools.names.find(source);
    if (found == pools.names.end()) return false;
    std::vector<std::string>& drawn = found->second;
    // The latest of its kind: what was taken back last goes back first.
    auto it = std::find(drawn.rbegin(), drawn.rend(), name);
    if (it == drawn.rend()) return false;
    drawn.erase(std::next(it).base());
    if (drawn.empty()) pools.names.erase(found);
    return true;
}

void AddDrawnNumber(DrawPools& pools, const std::string& source, int32_t value) {
    std::vector<int32_t>& drawn = pools.numbers[source];
    auto at = std::lower_bound(drawn.begin(), drawn.end(), value);
    if (at == drawn.end() || *at != value) drawn.insert(at, value);
}

bool RemoveDrawnNumber(DrawPools& pools, const std::string& source, int32_t value) {
    auto found = pools.numbers.find(source);
    if (found == pools.numbers.end()) return false;
    std::vector<int32_t>& drawn = found->second;
    auto at = std::lower_bound(drawn.begin(), drawn.end(), value);
    if (at == drawn.end() || *at != value) return false;
    drawn.erase(at);
    if (drawn.empty()) pools.numbers.erase(found);
    return true;
}
