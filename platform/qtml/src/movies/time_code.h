// What the time code handler's calls share.
#pragma once

#include <string>

#include "QuickTimeComponents.h"
#include "movies/movie_model.h"

namespace qtml {

constexpr OSType kTimeCodeMediaType = FOUR_CHAR_CODE('tmcd');

// Marks the movie owning the media changed, when there is one.
void MarkChanged(MediaRecord* media) noexcept;

// How the time code of a frame number reads under `def`: "01:02:03:04",
// with ';' before the frames of a drop-frame code, a counter's number
// alone. Empty when the definition has no frames or cannot show the frame
// number (a negative one without tcNegTimesOK).
std::string TimeCodeText(SInt32 frameNumber, const TimeCodeDef& def);

}  // namespace qtml
