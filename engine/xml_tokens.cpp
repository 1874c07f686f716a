#include "engine/xml_tokens.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Byte classes, looked up rather than compared: the scans below run over
// every byte of a sheet.
enum : unsigned char { kSpace = 1, kNameEnd = 2, kTagStop = 4 };

struct ByteClasses {
    unsigned char of[256] = {};
    constexpr ByteClasses() {
        for (unsigned char c : {' ', '\t', '\r', '\n'}) of[c] = kSpace | kNameEnd;
        for (unsigned char c : {'>', '/', '='}) of[c] |= kNameEnd;
        for (unsigned char c : {'"', '\'', '>'}) of[c] |= kTagStop;
    }
};
constexpr ByteClasses kClasses;

bool Is(char c, unsigned char classes) { return (kClasses.of[static_cast<unsigned char>(c)] & classes) != 0; }

bool IsSpace(char c) { return Is(c, kSpace); }

bool IsNameEnd(char c) { return Is(c, kNameEnd); }

// Scans a name from `at`: its end, and its local part (after the last ':').
inline std::string_view ScanName(std::string_view in, std::size_t& at) {
    const char* const end = in.data() + in.size();
    const char* p = in.data() + at;
    const char* local = p;
    for (; p < end && !IsNameEnd(*p); ++p)
        if (*p == ':') local = p + 1;
    at = static_cast<std::size_t>(p - in.data());
    return std::string_view(local, static_cast<std::size_t>(p - local));
}

// Moves past `terminator`; false when it never comes.
bool SkipPast(XmlReader& reader, std::string_view terminator) {
    const std::size_t found = reader.input.find(terminator, reader.at);
    if (found == std::string_view::npos) return false;
    reader.at = found + terminator.size();
    return true;
}

// <!DOCTYPE ...> with an optional internal subset in brackets.
bool SkipDoctype(XmlReader& reader) {
    int depth = 0;
    char quote = 0;
    for (; reader.at < reader.input.size(); ++reader.at) {
        const char c = reader.input[reader.at];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            ++reader.at;
            return true;
        }
    }
    return false;
}

bool ParseDecimal(std::string_view digits, uint32_t& code) {
    if (digits.empty() || digits.size() > 8) return false;
    code = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        code = code * 10 + static_cast<uint32_t>(c - '0');
    }
    return true;
}

bool ParseHex(std::string_view digits, uint32_t& code) {
    if (digits.empty() || digits.size() > 6) return false;
    code = 0;
    for (char c : digits) {
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
        else return false;
        code = code * 16 + digit;
    }
    return true;
}

// One entity's replacement for the text between '&' and ';'; false when it
// is none we know.
bool DecodeEntity(std::string_view entity, std::string& out) {
    if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "amp") out += '&';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else if (entity.size() > 1 && entity[0] == '#') {
        uint32_t code = 0;
        const bool parsed = entity[1] == 'x' || entity[1] == 'X' ? ParseHex(entity.substr(2), code)
                                                                  : ParseDecimal(entity.substr(1), code);
        if (!parsed || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        AppendUtf8(code, out);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void AppendUtf8(uint32_t code, std::string& out) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

XmlToken NextXmlToken(XmlReader& reader) {
    XmlToken token;
    const std::string_view in = reader.input;
    for (;;) {
        if (reader.at >= in.size()) return token;  // End
        if (in[reader.at] != '<') {
            const std::size_t start = reader.at;
            const std::size_t next = in.find('<', start);
            reader.at = next == std::string_view::npos ? in.size() : next;
            token.kind = XmlKind::Text;
            token.text = std::string_view(in.data() + start, reader.at - start);
            return token;
        }
        const std::string_view rest = in.substr(reader.at);
        // Most tags are elements: their second byte tells them from the rest
        // without the comparisons below (a tenth of reading a sheet).
        const char second = rest.size() > 1 ? rest[1] : '\0';
        if (second == '!' || second == '?') {
            if (rest.compare(0, 4, "<!--") == 0) {
                if (!SkipPast(reader, "-->")) break;
                continue;
            }
            if (rest.compare(0, 9, "<![CDATA[") == 0) {
                const std::size_t start = reader.at + 9;
                if (!SkipPast(reader, "]]>")) break;
                token.kind = XmlKind::Text;
                token.cdata = true;
                token.text = in.substr(start, reader.at - 3 - start);
                return token;
            }
            if (!(second == '?' ? SkipPast(reader, "?>") : SkipDoctype(reader))) break;
            continue;
        }
        const bool closing = second == '/';
        std::size_t at = reader.at + (closing ? 2 : 1);
        const std::size_t nameStart = at;
        token.name = ScanName(in, at);
        // The tag ends at the first '>' outside a quoted attribute value.
        const std::size_t attributesStart = at;
        const char* const end = in.data() + in.size();
        const char* p = in.data() + at;
        while (p < end) {
            while (p < end && !Is(*p, kTagStop)) ++p;
            if (p >= end || *p == '>') break;
            const void* quote = std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1));
            p = quote ? static_cast<const char*>(quote) + 1 : end;
        }
        if (p >= end) break;
        at = static_cast<std::size_t>(p - in.data());
        std::size_t attributesEnd = at;
        if (!closing && attributesEnd > attributesStart && in[attributesEnd - 1] == '/') {
            token.selfClosing = true;
            --attributesEnd;
        } else if (!closing && attributesEnd == attributesStart && at > nameStart && in[at - 1] == '/') {
            token.selfClosing = true;
        }
        token.kind = closing ? XmlKind::Close : XmlKind::Open;
        token.attributes = std::string_view(in.data() + attributesStart, attributesEnd - attributesStart);
        reader.at = at + 1;
        return token;
    }
    reader.at = in.size();
    token.kind = XmlKind::Error;
    return token;
}

bool FindXmlAttribute(std::string_view attributes, std::string_view name, std::string& value) {
    value.clear();
    std::string_view raw;
    if (!FindRawXmlAttribute(attributes, name, raw)) return false;
    AppendXmlText(raw, value);
    return true;
}

bool NextRawXmlAttribute(std::string_view attributes, std::size_t& at, std::string_view& name, std::string_view& value) {
    while (at < attributes.size()) {
        while (at < attributes.size() && (IsSpace(attributes[at]) || attributes[at] == '/')) ++at;
        const std::size_t nameStart = at;
        const std::string_view attribute = ScanName(attributes, at);
        while (at < attributes.size() && IsSpace(attributes[at])) ++at;
        if (at >= attributes.size() || attributes[at] != '=') {
            if (at == nameStart) ++at;  // a stray character: step over it
            continue;
        }
        ++at;
        while (at < attributes.size() && IsSpace(attributes[at])) ++at;
        if (at >= attributes.size()) return false;
        const char quote = attributes[at];
        std::size_t valueStart, valueEnd;
        if (quote == '"' || quote == '\'') {
            valueStart = at + 1;
            valueEnd = attributes.find(quote, valueStart);
            if (valueEnd == std::string_view::npos) valueEnd = attributes.size();
            at = valueEnd + 1;
        } else {
            valueStart = at;
            while (at < attributes.size() && !IsSpace(attributes[at])) ++at;
            valueEnd = at;
        }
        name = attribute;
        value = attributes.substr(valueStart, valueEnd - valueStart);
        return true;
    }
    return false;
}

bool FindRawXmlAttribute(std::string_view attributes, std::string_view name, std::string_view& value) {
    std::size_t at = 0;
    std::string_view attribute;
    while (NextRawXmlAttribute(attributes, at, attribute, value))
        if (attribute == name) return true;
    value = std::string_view();
    return false;
}

void AppendXmlText(std::string_view raw, std::string& out) {
    if (raw.size() < 16 && std::find(raw.begin(), raw.end(), '&') == raw.end()) {
        out.append(raw.data(), raw.size());  // a cell's value, mostly: no call to search it
        return;
    }
    std::size_t at = 0;
    while (at < raw.size()) {
        const std::size_t amp = raw.find('&', at);
        if (amp == std::string_view::npos) {
            out.append(raw.data() + at, raw.size() - at);
            return;
        }
        out.append(raw.data() + at, amp - at);
        const std::size_t semicolon = raw.find(';', amp + 1);
        // Entities are short; a far semicolon belongs to something else.
        if (semicolon != std::string_view::npos && semicolon - amp <= 12 &&
            DecodeEntity(raw.substr(amp + 1, semicolon - amp - 1), out)) {
            at = semicolon + 1;
        } else {
            out += '&';
            at = amp + 1;
        }
    }
}

void AppendXmlTokenText(const XmlToken& token, std::string& out) {
    if (token.cdata) out.append(token.text.data(), token.text.size());
    else AppendXmlText(token.text, out);
}
