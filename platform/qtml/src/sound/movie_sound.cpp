#include "sound/movie_sound.h"

#include <algorithm>
#include <cmath>

#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

// The most channels a track's frames are read with.
constexpr int kMostChannels = 64;

bool IsSoundTrack(const TrackRecord& track) {
  return track.enabled && track.media != nullptr && track.media->type == SoundMediaType &&
         !track.media->samples.Empty() && !track.edits.empty();
}

// An 8.8 volume as a factor; a muted (negative) volume is silence.
double Gain(short volume) {
  return volume > 0 ? volume / 256.0 : 0.0;
}

// How loud each side plays under an 8.8 balance.
struct Sides {
  float left;
  float right;
};
Sides SidesOf(short balance) {
  double b = std::clamp(balance / 256.0, -1.0, 1.0);
  return {static_cast<float>(b > 0 ? 1 - b : 1), static_cast<float>(b < 0 ? 1 + b : 1)};
}

// Adds one frame of `channels` channels into an output frame.
void Route(const float* in, int channels, float gain, Sides sides, float* out, int outChannels) {
  if (outChannels == 1) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += in[c];
    out[0] += sum / static_cast<float>(channels) * gain;
    return;
  }
  float left = in[0], right = channels > 1 ? in[1] : in[0];
  out[0] += left * gain * sides.left;
  out[1] += right * gain * sides.right;
  for (int c = 2; c < std::min(channels, outChannels); ++c) out[c] += in[c] * gain;
}

}  // namespace

bool HasSoundToPlay(const MovieRecord& movie) {
  return std::any_of(movie.tracks.begin(), movie.tracks.end(),
                     [](const auto& track) { return IsSoundTrack(*track); });
}

void MovieSoundMixer::Mix(MovieRecord& movie, double from, size_t frames, SoundOutputFormat format,
                          float* out) {
  for (auto& kept : tracks_) kept->used = false;
  double movieGain = Gain(movie.volume);
  for (auto& track : movie.tracks) {
    if (!IsSoundTrack(*track)) continue;
    TrackSound& sound = SoundOf(*track);
    sound.used = true;
    double gain = movieGain * Gain(track->volume);
    if (gain > 0) MixTrack(*track, sound, gain, from, frames, format, out);
  }
  // Tracks that went, or no longer play, let their decoders go.
  std::erase_if(tracks_, [](const auto& kept) { return !kept->used; });
}

MovieSoundMixer::TrackSound& MovieSoundMixer::SoundOf(const TrackRecord& track) {
  for (auto& kept : tracks_) {
    if (kept->record == &track && kept->reference == track.reference.value()) return *kept;
  }
  auto made = std::make_unique<TrackSound>();
  made->record = &track;
  made->reference = track.reference.value();
  tracks_.push_back(std::move(made));
  return *tracks_.back();
}

void MovieSoundMixer::MixTrack(TrackRecord& track, TrackSound& sound, double gain, double from,
                               size_t frames, SoundOutputFormat format, float* out) {
  MediaRecord& media = *track.media;
  TrackScales scales = ScalesOf(track);
  double perFrame = static_cast<double>(scales.movie) / format.rate;  // movie time a frame
  Sides sides = SidesOf(media.balance);
  float frame[kMostChannels];
  size_t j = 0;
  while (j < frames) {
    double t = from + static_cast<double>(j) * perFrame;
    EditPosition at = EditAt(track, Clamp(static_cast<SInt64>(std::floor(t))));
    if (at.index < 0) return;  // past the track's end
    const EditEntry& edit = track.edits[static_cast<size_t>(at.index)];
    double editEnd = static_cast<double>(at.start) + edit.trackDuration;
    auto end = static_cast<size_t>(std::max(0.0, std::ceil((editEnd - from) / perFrame)));
    end = std::clamp(end, j + 1, frames);
    if (edit.mediaTime >= 0 && edit.rate > 0) {
      // Media time a movie unit takes in this edit, and where it starts.
      double rate = static_cast<double>(scales.media) / scales.movie * edit.rate / 65536.0;
      double mediaStep = static_cast<double>(scales.media) / format.rate * edit.rate / 65536.0;
      double m0 = edit.mediaTime + (t - at.start) * rate;
      sound.sound.Cover(media, m0, m0 + static_cast<double>(end - j) * mediaStep);
      int channels = std::min(sound.sound.channels(), kMostChannels);
      for (size_t k = j; channels > 0 && k < end; ++k) {
        sound.sound.FrameAt(m0 + static_cast<double>(k - j) * mediaStep, frame);
        Route(frame, channels, static_cast<float>(gain), sides, out + k * format.channels,
              format.channels);
      }
    }
    j = end;
  }
}

}  // namespace qtml
