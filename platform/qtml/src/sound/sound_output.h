// Movies' sound on the machine's audio device, through SDL.
//
// SDL's audio starts the first time a movie with sound starts playing at
// rate 1, and stops at ExitMovies and at the end of the process. Without
// an audio device (SDL cannot start, or cannot open one) movies play
// silently, and nothing fails: sound is never an error of the movie
// calls. Only rate 1 sounds; other rates are silent.
//
// Each playing movie hands its mixed sound (movie_sound.h) to the device
// as its time moves, a little ahead of it. The sound follows the movie's
// time base: starting, stopping, setting the time or the rate starts it
// again from the movie's time, and sound that has drifted from the time
// by more than a tenth of a second, or ran out, starts again from it. A
// movie's volumes and balance apply to the sound handed on after they
// change.
//
// The manual clock of the test controls (QTMLTest_SetClock) does not run
// with the device, so while it is set no device is opened and movies are
// silent, unless QTMLTest_UseSoundOutput asks for sound. Then each movie
// hands on exactly the sound of the movie time the manual clock plays, no
// more, and the device waits for it instead of filling in silence, so
// that what it plays does not depend on when the test runs: one movie
// played by the manual clock sounds as the stretches it played, one after
// another, whatever was stopped or set between them. Closing the device
// then waits until it has played what it was given, the last period
// filled out with silence; otherwise what it was given and did not play
// yet is dropped.
#pragma once

#include "movies/movie_model.h"

namespace qtml {

// The movie's time base was started, stopped or set (rate or time): its
// sound plays on from its time when its rate is 1, and stops otherwise.
// `manualClock`: the test controls' manual clock runs the movie.
void MovieSoundRestart(MovieRecord& movie, bool manualClock) noexcept;
// The movie's time moved with the clock: its sound is handed on up to it.
void MovieSoundFollow(MovieRecord& movie, bool manualClock) noexcept;
// Closes the device, after it played what it was given, and stops SDL's
// audio; a movie that starts afterwards starts them again.
void ShutDownSound() noexcept;

}  // namespace qtml
