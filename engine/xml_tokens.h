#pragma once
// A small pull reader for the XML parts of a workbook: elements, their
// attributes and text, nothing more. No DTD is read, so only the five
// predefined entities and character references are known; any other entity
// stays as it is written. Names are compared without their prefix, because
// writers differ in whether the sheet's namespace has one ("x:c" or "c").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class XmlKind {
    Open,   // <name ...> or <name .../> (selfClosing)
    Close,  // </name>
    Text,   // character data between tags, entities still in it (raw)
    End,    // the end of the input
    Error,  // a tag or comment that does not end
};

struct XmlToken {
    XmlKind kind = XmlKind::End;
    std::string_view name;        // local name: the part after any "prefix:"
    std::string_view attributes;  // Open: everything between the name and '>' or "/>"
    std::string_view text;        // Text: raw; CDATA content is in `text` with cdata set
    bool selfClosing = false;
    bool cdata = false;
};

struct XmlReader {
    std::string_view input;
    std::size_t at = 0;
};

// The next token; comments, processing instructions and a DOCTYPE are skipped.
XmlToken NextXmlToken(XmlReader& reader);

// The value of the attribute whose local name is `name`, entities decoded,
// appended to `value` (emptied first). False when there is none.
bool FindXmlAttribute(std::string_view attributes, std::string_view name, std::string& value);

// The raw value of the attribute whose local name is `name`, entities left
// as written; false when there is none. Cheaper for values that are plain
// ASCII by their nature (cell references, types, style numbers).
bool FindRawXmlAttribute(std::string_view attributes, std::string_view name, std::string_view& value);

// Steps through the attributes one by one from `at` (0 to start): the next
// attribute's local name and raw value; false after the last.
bool NextRawXmlAttribute(std::string_view attributes, std::size_t& at, std::string_view& name, std::string_view& value);

// Appends `raw` with the predefined entities and character references
// decoded; a reference to something that is no character is kept as written.
void AppendXmlText(std::string_view raw, std::string& out);

// Appends a token's text: CDATA as it is, other text decoded.
void AppendXmlTokenText(const XmlToken& token, std::string& out);

// Appends the UTF-8 form of a code point (a surrogate or anything past
// U+10FFFF becomes U+FFFD).
void AppendUtf8(uint32_t code, std::string& out);
