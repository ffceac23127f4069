// Making texts safe for a DXF file: no control characters, valid UTF-8, at most 255 bytes, and
// symbol names (layers, applications) free of the characters the format forbids.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Longest string value a DXF group may hold, in bytes.
inline constexpr std::size_t kDxfMaxStringBytes = 255;

// The text with every control character replaced by a space, every byte that is not part of a
// valid UTF-8 sequence replaced by U+FFFD, and cut at a character boundary to maxBytes bytes.
std::string dxfSafeText(std::string_view text, std::size_t maxBytes = kDxfMaxStringBytes);
// The same, appended to out (no allocation beyond out's growth).
void appendDxfSafeText(std::string& out, std::string_view text,
                       std::size_t maxBytes = kDxfMaxStringBytes);
// True for text that is safe as it is: printable ASCII and three-byte characters from U+3000 to
// U+CFFF (Japanese text), none of which is a control or a line separator.
bool isPlainDxfText(std::string_view text);

// The text without the blanks and tabs around it and a carriage return at its end, as DXF readers
// take codes and names.
std::string_view trimDxfText(std::string_view text);

// Reversible escape of a symbol name: '%', control characters and < > / \ " : ; ? * | = ` become
// "%XX" (the byte in upper-case hex); everything else is kept. Different names give different
// results.
std::string escapeDxfSymbolName(std::string_view name);

// Undoes escapeDxfSymbolName; a name that is not an escape's exact result is returned unchanged.
std::string unescapeDxfSymbolName(std::string_view name);
