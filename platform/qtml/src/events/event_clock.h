// What the event queue needs of the engine's clock, which lives with
// movies' playing (movies/movie_playing.cpp).
#pragma once

namespace qtml {

// Whether the clock is the manual one the test controls set.
bool ClockIsManual() noexcept;

}  // namespace qtml
