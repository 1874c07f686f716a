#include "engine/prizes.h"

#include <map>
#include <utility>

#include "runtime/unicode_text.h"

// The file reads as the system's private-profile functions read it: lines end
// at CR, LF or both; ";" starts a comment line; the first section of a name
// and the first key of a name in it count; names and values lose their
// surrounding blanks and tabs, a value one pair of surrounding quotes;
// section and key names compare without ASCII case.
//
// Keys and section names are spelt as GBK bytes rather than literals, so the
// clang fuzz build, which has no GBK execution character set, reads the same
// files as the program.

namespace {

const char kSectionStem[] = "\xBD\xB1\xCF\xEE";  // 奖项

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// GBK: a lead byte 0x81..0xFE takes the next byte with it, and trail bytes
// include the ASCII letters, so only bytes outside a pair are folded.
std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        if (c >= 0x81 && c <= 0xFE) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            folded[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

// At most `limit` bytes of `text`, never half a GBK character, for messages.
std::string Excerpt(const std::string& text, std::size_t limit = 20) {
    std::size_t end = 0;
    while (end < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[end]);
        const std::size_t width = c >= 0x81 && c <= 0xFE && end + 1 < text.size() ? 2 : 1;
        if (end + width > limit) return text.substr(0, end) + "…";
        end += width;
    }
    return text;
}

// 1..10 digits and nothing else; the value saturates past 32 bits.
bool ParseWhole(const std::string& text, int64_t& value) {
    value = 0;
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool HasControlByte(const std::string& text) {
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) return true;
    }
    return false;
}

struct Section {
    std::string name;  // as written, trimmed
    std::map<std::string, std::string> values;  // folded key -> value
};

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The sections by folded name, the first of each name.
std::map<std::string, Section> ReadSections(const std::string& text) {
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string::npos) {
                current = nullptr;
                continue;
            }
            const std::string name = Trim(line.substr(1, close - 1));
            auto inserted = sections.emplace(FoldCase(name), Section{name, {}});
            current = inserted.second ? &inserted.first->second : nullptr;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || equals == std::string::npos) continue;
        const std::string key = FoldCase(Trim(line.substr(0, equals)));
        current->values.emplace(key, Unquote(Trim(line.substr(equals + 1))));
    }
    return sections;
}

// The number n of a section named 奖项n, or 0.
int64_t TierNumber(const std::string& foldedName) {
    const std::size_t stem = sizeof kSectionStem - 1;
    if (foldedName.compare(0, stem, kSectionStem) != 0) return 0;
    int64_t number = 0;
    if (!ParseWhole(foldedName.substr(stem), number) || foldedName[stem] == '0') return 0;
    return number;
}

std::string SectionLabel(int64_t number) {
    return "[" + std::string(kSectionStem) + std::to_string(number) + "]";
}

std::string Quoted(const std::string& value) {
    std::string clean = value;
    for (char& c : clean) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    // Surrounding blanks are not kept; surrounding quotes are, in quotes.
    clean = Trim(clean);
    const bool quote = Unquote(clean) != clean;
    return quote ? "\"" + clean + "\"" : clean;
}

}  // namespace

std::string PrizeFieldKey(PrizeField field) {
    switch (field) {
    case PrizeField::Name: return "\xC3\xFB\xB3\xC6";  // 名称
    case PrizeField::Prize: return "\xBD\xB1\xC6\xB7";  // 奖品
    case PrizeField::Count: return "\xC8\xCB\xCA\xFD";  // 人数
    case PrizeField::PerBatch: return "\xC3\xBF\xC5\xFA";  // 每批
    case PrizeField::Repeat: return "\xBF\xC9\xD6\xD8\xB8\xB4\xD6\xD0\xBD\xB1";  // 可重复中奖
    }
    return std::string();
}

std::string CheckPrizeField(PrizeField field, const std::string& rawText) {
    const std::string key = PrizeFieldKey(field);
    const std::string text = Trim(rawText);
    switch (field) {
    case PrizeField::Name:
    case PrizeField::Prize:
        if (field == PrizeField::Name && text.empty()) return key + "不能为空";
        if (HasControlByte(text)) return key + "不能含换行或控制字符";
        if (text.size() > kMaxPrizeText) return key + "不能超过" + std::to_string(kMaxPrizeText) + "字节";
        return std::string();
    case PrizeField::Count:
    case PrizeField::PerBatch: {
        if (text.empty()) return field == PrizeField::Count ? "缺少" + key : std::string();
        int64_t value = 0;
        if (ParseWhole(text, value) && value >= kMinPrizeCount && value <= kMaxPrizeCount) return std::string();
        return key + "须为" + std::to_string(kMinPrizeCount) + "到" + std::to_string(kMaxPrizeCount) +
               "的整数：" + Excerpt(text);
    }
    case PrizeField::Repeat:
        if (text.empty() || text == "0" || text == "1") return std::string();
        return key + "须为0或1：" + Excerpt(text);
    }
    return std::string();
}

PrizeList ParsePrizes(const std::string& wholeText) {
    PrizeList list;
    const UnicodeForm form = DetectUnicodeForm(wholeText);
    if (form != UnicodeForm::None) {
        list.leftOut.push_back("文件不是GBK编码，未能读取");
        return list;
    }
    std::string text = wholeText;
    if (text.size() > kMaxPrizesFileBytes) {
        // Whole lines only, so no value is read cut short.
        const std::size_t lastBreak = text.find_last_of("\r\n", kMaxPrizesFileBytes - 1);
        text.resize(lastBreak == std::string::npos ? 0 : lastBreak);
        list.leftOut.push_back("文件超过" + std::to_string(kMaxPrizesFileBytes >> 20) + "MB，其后的内容未读取");
    }
    const std::map<std::string, Section> sections = ReadSections(text);

    static const PrizeField kFields[] = {PrizeField::Name, PrizeField::Prize, PrizeField::Count,
                                         PrizeField::PerBatch, PrizeField::Repeat};
    int64_t number = 1;
    for (;; ++number) {
        auto found = sections.find(FoldCase(kSectionStem + std::to_string(number)));
        if (found == sections.end()) break;
        if (static_cast<std::size_t>(number) > kMaxPrizeTiers) {
            list.leftOut.push_back(SectionLabel(number) + "及以后未读取：奖项最多" + std::to_string(kMaxPrizeTiers) +
                                   "个");
            break;
        }
        const Section& section = found->second;
        std::string values[5];
        std::string problem;
        for (int i = 0; i < 5 && problem.empty(); ++i) {
            auto value = section.values.find(FoldCase(PrizeFieldKey(kFields[i])));
            if (value != section.values.end()) values[i] = value->second;
            problem = CheckPrizeField(kFields[i], values[i]);
        }
        if (!problem.empty()) {
            list.leftOut.push_back(SectionLabel(number) + " " + problem);
            continue;
        }
        PrizeTier tier;
        tier.name = Trim(values[0]);
        tier.prize = Trim(values[1]);
        int64_t count = 0, perBatch = 0;
        ParseWhole(Trim(values[2]), count);
        ParseWhole(Trim(values[3]), perBatch);  // stays 0 when empty
        tier.count = static_cast<int32_t>(count);
        tier.perBatch = static_cast<int32_t>(perBatch);
        tier.allowRepeat = Trim(values[4]) == "1";
        list.tiers.push_back(tier);
    }
    // Tiers past a gap in the numbering would be silently lost otherwise.
    if (static_cast<std::size_t>(number) <= kMaxPrizeTiers) {
        int64_t first = 0;
        std::size_t unread = 0;
        for (const auto& section : sections) {
            const int64_t n = TierNumber(section.first);
            if (n <= number) continue;
            if (first == 0 || n < first) first = n;
            ++unread;
        }
        if (unread > 0) {
            list.leftOut.push_back(SectionLabel(first) + (unread > 1 ? "等" + std::to_string(unread) + "节" : "") +
                                   "未读取：缺少" + SectionLabel(number));
        }
    }
    return list;
}

std::string SerializePrizes(const std::vector<PrizeTier>& tiers) {
    std::string out;
    for (std::size_t i = 0; i < tiers.size(); ++i) {
        const PrizeTier& tier = tiers[i];
        out += SectionLabel(static_cast<int64_t>(i + 1)) + "\r\n";
        out += PrizeFieldKey(PrizeField::Name) + "=" + Quoted(tier.name) + "\r\n";
        out += PrizeFieldKey(PrizeField::Prize) + "=" + Quoted(tier.prize) + "\r\n";
        out += PrizeFieldKey(PrizeField::Count) + "=" + std::to_string(tier.count) + "\r\n";
        if (tier.perBatch > 0) {
            out += PrizeFieldKey(PrizeField::PerBatch) + "=" + std::to_string(tier.perBatch) + "\r\n";
        }
        out += PrizeFieldKey(PrizeField::Repeat) + "=" + (tier.allowRepeat ? "1" : "0") + "\r\n";
        out += "\r\n";
    }
    return out;
}
