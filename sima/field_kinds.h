// The four SIMA field kinds (text, integer, number, choice) and their conversions.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kestrel::sima {

// ASCII white space removed at both ends.
std::string_view trim(std::string_view text);

// White space, tabs and ideographic spaces (U+3000) removed at both ends.
std::string_view trimWide(std::string_view text);

// Every ideographic space replaced by a blank, then trim(): how readers clean numbers.
std::string cleanNumberText(std::string_view text);

// Integer kind: after trim, digits only or empty.
bool isInteger(std::string_view field);

// Decimal conversion as readers do it: after trim an optional sign and the leading digits; text
// that is not a number gives 0; saturates at the 32-bit limits.
int32_t toInteger(std::string_view field);

// Number kind (see the field table): after trimWide and turning inner ideographic spaces into
// blanks, minus signs dropped when the value is not positive, points dropped, digits only or
// empty, at most one point. A value that overflows a double is not a number.
bool isNumber(std::string_view field);

// Decimal conversion of a number field (cleaned like isNumber); text that is not a number
// converts to its leading decimal part or 0, and a value too large for a double gives 0.
double toNumber(std::string_view field);

// Choice kind: exactly one of the texts.
bool isChoice(std::string_view field, std::initializer_list<std::string_view> choices);

// "%0.12f", the form numbers take when held as text.
std::string formatFixed12(double value);

// "%.5d", the form of line numbers in the log.
std::string formatLineNumber(int32_t lineNumber);
// The same written into `out` (room for 12 bytes); returns the text.
std::string_view formatLineNumber(int32_t lineNumber, char* out);

}  // namespace kestrel::sima
