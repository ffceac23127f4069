// Doubles written as text that reads back to the same value, quickly for survey-style numbers.
#pragma once

#include <cstddef>

namespace kestrel::io {

// Writes `value` into [out, end) (at least 32 bytes) and returns the end of the text. Values with
// at most six decimals ("2050.125") are written with the fewest decimals that read back exactly;
// any other finite value in the shortest round-trip form.
char* writeRoundTripNumber(char* out, char* end, double value);

}  // namespace kestrel::io
