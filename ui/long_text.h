#pragma once
// Texts of any length in controls that draw or wrap all of what they hold:
// the result display shows a bounded cut of a long candidate while the draw
// keeps it whole, and the draw record takes a long entry in pieces.
#include <windows.h>

#include <cstddef>
#include <string>

// The most the result display is given. It shows two lines of about fifteen
// half-width characters; presets (at most 4,999 bytes as read) are never cut.
extern const std::size_t kDisplayTextLimit;

// The longest prefix of `text` of at most maxBytes bytes that does not end
// between the two bytes of a double-byte character.
std::size_t WholeCharacterPrefix(const std::string& text, std::size_t from, std::size_t maxBytes);

// The latest text given to a result display when it was cut, and the cut.
struct KeptDisplay {
    std::string whole;
    std::string cut;
};

// What the result display is to be given for `text`: the text, or its cut to
// kDisplayTextLimit. The whole text is kept for ResultDisplayText.
std::string KeepForResultDisplay(KeptDisplay& kept, const std::string& text);

// The result display's text as the draw takes it: the whole text of the
// latest long one while the display still shows its cut, else what it shows.
// `shown` is the control's text now.
std::string ResultDisplayText(const KeptDisplay& kept, const std::string& shown);

// Appends `text` (up to its first NUL) at the end of a multi-line edit box in
// pieces that each end between characters; the caret stays at the end.
void AppendInPieces(HWND box, const std::string& text);
// Sets the text of a multi-line edit box as SetWindowTextA does; one with a
// line longer than a piece in pieces, leaving the box at its start, nothing
// to undo, not modified.
void SetEditText(HWND box, const std::string& text);
// A record entry up to this size may be set at once.
extern const std::size_t kRecordPieceBytes;
