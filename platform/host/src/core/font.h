// The host's one built-in font: 5 by 7 pixel glyphs for printable ASCII,
// lower case drawn as upper case, anything else as a box.
#pragma once

#include <cstdint>

namespace fenra::host {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between glyphs

// Seven rows from the top; bit 4 of each is the leftmost pixel.
const uint8_t* GlyphRows(char c);

}  // namespace fenra::host
