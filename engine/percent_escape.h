#pragma once
// The escapes of the engine's line-based files (the pools and the prize
// progress): a byte that would end a field or a line, DEL and '%' itself are
// written as "%XX", so that any name survives a round trip.
#include <string>

// Bytes below `firstPlain`, 0x7F and '%' are escaped.
void AppendPercentEscaped(std::string& out, const std::string& text, unsigned char firstPlain);

// False for a byte that should have been escaped or a broken escape: the
// field is corrupt. `text` then holds what was read before it.
bool ReadPercentEscaped(const char* first, const char* last, unsigned char firstPlain, std::string& text);
