// What the time code handler's calls share.
#pragma once

#include "QuickTimeComponents.h"
#include "movies/movie_model.h"

namespace qtml {

constexpr OSType kTimeCodeMediaType = FOUR_CHAR_CODE('tmcd');

// The time code media a handler serves, or nullptr for another handler
// or an instance that is not live.
MediaRecord* TimeCodeMedia(MediaHandler mh) noexcept;
// Marks the movie owning the media changed, when there is one.
void MarkChanged(MediaRecord* media) noexcept;

}  // namespace qtml
