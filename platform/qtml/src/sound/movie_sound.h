// A movie's sound as it plays at rate 1: the enabled sound tracks read
// through their edits, each weighted by its volume and balance and by the
// movie's volume, summed and resampled (linearly) to an output's rate and
// channels.
//
// Volumes are 8.8 fixed point: 1.0 (0x100) plays a track as it is, more
// amplifies it, 0 or less (a muted volume) silences it. A media's balance
// is 8.8 fixed point too, from -1.0 (left only) to 1.0 (right only): the
// other side is attenuated by its amount. Mono sound plays on the first
// two output channels; a track's first two channels play left and right
// and the next ones on the output's next ones, when it has them; a mono
// output hears the mean of a track's channels, without balance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "movies/movie_model.h"
#include "sound/media_sound.h"

namespace qtml {

struct SoundOutputFormat {
  int rate = 48000;  // frames a second
  int channels = 2;  // interleaved
};

// Whether the movie has an enabled sound track with samples to play.
bool HasSoundToPlay(const MovieRecord& movie);

class MovieSoundMixer {
 public:
  // Adds the movie's sound from movie time `from` (in the movie's scale,
  // fractional) into out, `frames` frames of format.channels floats:
  // output frame j sounds movie time from + j × timeScale / format.rate.
  // Tracks are decoded as needed; what cannot be decoded adds nothing.
  void Mix(MovieRecord& movie, double from, size_t frames, SoundOutputFormat format, float* out);

 private:
  // The decoded sound of one track, kept while the track plays.
  struct TrackSound {
    const TrackRecord* record = nullptr;
    uintptr_t reference = 0;  // tells apart tracks met at one address
    MediaSound sound;
    bool used = false;
  };
  TrackSound& SoundOf(const TrackRecord& track);
  void MixTrack(TrackRecord& track, TrackSound& sound, double gain, double from, size_t frames,
                SoundOutputFormat format, float* out);

  std::vector<std::unique_ptr<TrackSound>> tracks_;
};

}  // namespace qtml
