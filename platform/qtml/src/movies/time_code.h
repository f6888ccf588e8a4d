// What the time code handler's calls share.
#pragma once

#include "QuickTimeComponents.h"
#include "movies/movie_model.h"

namespace qtml {

constexpr OSType kTimeCodeMediaType = FOUR_CHAR_CODE('tmcd');

// Marks the movie owning the media changed, when there is one.
void MarkChanged(MediaRecord* media) noexcept;

}  // namespace qtml
