// Drawing text media, and time code media whose display is on, into a
// movie's frame: the text is laid out in its box and rasterised with
// FreeType in one of the DejaVu faces standing in for QuickDraw's fonts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Movies.h"
#include "movies/movie_model.h"
#include "quickdraw/port.h"

namespace qtml {

// What a text sample holds: its text and the atoms after it that change
// how it shows. Offsets count bytes of the text.
struct TextSampleContent {
  std::string text;
  std::vector<ScrpSTElement> styles;  // 'styl' runs by start; none: the description's style
  long hiliteStart = 0;               // 'hlit': highlighted from here ...
  long hiliteEnd = 0;                 // ... to here; none unless past the start
  bool hasHiliteColor = false;        // 'hclr'
  RGBColor hiliteColor{};
  bool hasTextBox = false;  // 'tbox'
  Rect textBox{};
};

// Reads a text sample: the 16-bit length, the text, then atoms, all
// big-endian. Unknown atoms are passed over and a cut-short one ends the
// reading. False when the length word is missing or the text runs past
// the end.
bool ReadTextSample(const uint8_t* bytes, size_t size, TextSampleContent* content);

// Where text goes: the part of a port a track covers. `matrix` maps the
// track's own coordinates (its rectangle from 0,0) to the port's; `mode`
// and `opColor` combine the track's pixels with the port's, `clip` (port
// coordinates; nil: none) limits them, as DrawPixMapThroughMatrix takes
// them.
struct TextTarget {
  Port* port;
  MatrixRecord matrix;
  short mode;
  RGBColor opColor;
  RgnHandle clip;
};

// Draws a text sample described by `desc` (fields in the machine's order)
// over a track of `width` by `height`: the track filled with the
// background colour (none with dfKeyedText), the text in its box (the
// sample's 'tbox', else the description's, else the whole track) wrapped
// at the box's width and aligned by the justification, each run in its
// font, size, face and colour, the highlighted range on the highlight
// colour (inverted without one), a drop shadow with dfDropShadow, smooth
// edges only with dfAntiAlias. Nothing with dfDontDisplay; scrolling
// samples are drawn at rest. noErr, paramErr for bytes that are not a
// text sample, memFullErr, or the font's error.
OSErr DrawTextSample(const uint8_t* bytes, size_t size, const TextDescription& desc, short width,
                     short height, const TextTarget& target);

// Draws one line of time code text in the display's font, size, face and
// colours, centred on its background over a track of `width` by `height`
// (a track of no size: a box just holding the text).
OSErr DrawTimeCodeText(const std::string& text, const TimeCodeDisplay& display, short width,
                       short height, const TextTarget& target);

// Whether a media is drawn as text: text media, and time code media whose
// display flag (tcdfShowTimeCode) is on.
bool IsDrawnAsText(const MediaRecord& media);

// Draws sample `sample` (from 0) of a track whose media IsDrawnAsText, as
// it shows at media time `mediaTime`, through the track's and the movie's
// matrices. A time code sample shows its frame number advanced by the
// frames elapsed since the sample began.
OSErr DrawTextTrack(TrackRecord& track, int64_t sample, TimeValue mediaTime, Port& port,
                    RgnHandle clip);

}  // namespace qtml
