// Text helpers of the built-in functions: UTF-8 characters, Val and Format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fenra::host::script {

// Strings are UTF-8; lengths and positions count characters, not bytes.
int64_t CharCount(std::string_view s);
// Byte offset of character `index` (0-based); s.size() when past the end.
size_t ByteOffset(std::string_view s, int64_t index);
// `count` characters from character `start` (0-based), clamped to the text.
std::string Substring(std::string_view s, int64_t start, int64_t count);
std::string EncodeChar(uint32_t codePoint);
// The code point of the first character; 0 for an empty string.
uint32_t FirstChar(std::string_view s);

// 1-based character position of `find` in `s` at or after character
// `start` (1-based), ignoring ASCII case; 0 when absent.
int64_t FindText(std::string_view s, std::string_view find, int64_t start);

// The number at the start of `s`, as Val reads it: blanks skipped, then a
// decimal number with optional sign, fraction and exponent, or &h, &b, &o
// digits; 0 when there is none.
double ParseVal(std::string_view s);

// Formats `value` with a mask as the dialect's Format does:
//   0  a digit, shown even when zero      #  a digit, shown when significant
//   .  the decimal point                  ,  (in the integer part) group thousands
//   %  multiplies by 100, shown           -  a minus sign when negative
//   +  the sign, + or -                   \c the character c as it is
// Anything else appears as written. Up to three sections separated by ";"
// format positive, negative and zero values; without a sign placeholder a
// negative value shows no sign. Digits beyond the mask's integer
// placeholders are all kept; fractions are rounded to the mask's places.
std::string FormatNumber(double value, std::string_view mask);

}  // namespace fenra::host::script
