// Going through a movie's video frames.
#include "functions/video_frames.h"

#include "Events.h"
#include "ImageCompression.h"

namespace fenra {

bool HasTrackOfType(Movie movie, OSType type) {
  return GetMovieIndTrackType(movie, 1, type, movieTrackMediaType) != nullptr;
}

long CountVideoFrames(Movie movie) {
  OSType type = VideoMediaType;
  long count = 0;
  TimeValue t = 0;
  short flags = kFirstStepFlags;
  for (;;) {
    GetMovieNextInterestingTime(movie, flags, 1, &type, t, kNormalRate, &t, nullptr);
    if (t < 0) return count;
    ++count;
    flags = nextTimeStep;
  }
}

void ResetVideoMatrices(Movie movie) {
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  long count = GetMovieTrackCount(movie);
  for (long i = 1; i <= count; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    if (track != nullptr && TrackMediaType(track) == VideoMediaType) {
      SetTrackMatrix(track, &identity);
    }
  }
  SetMovieMatrix(movie, &identity);
}

bool EscapePressed() {
  constexpr UInt8 kEscapeKeyCode = 0x35;
  EventRecord event{};
  if (!EventAvail(keyDownMask, &event) || event.what != keyDown) return false;
  return ((event.message & keyCodeMask) >> 8) == kEscapeKeyCode;
}

}  // namespace fenra
