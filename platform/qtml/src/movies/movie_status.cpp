// GetMovieStatus: whether every enabled track can reach its data and
// decode its video.
#include "QuickTimeComponents.h"
#include "components/component_registry.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"

namespace qtml {
namespace {

// The image type a video description's file bytes name.
OSType DescriptionFormat(const std::vector<uint8_t>& description) {
  if (description.size() < 8) return 0;
  return (OSType{description[4]} << 24) | (OSType{description[5]} << 16) |
         (OSType{description[6]} << 8) | description[7];
}

bool HasDecompressor(OSType format) {
  ComponentDescription looking{decompressorComponentType, format, 0, 0, 0};
  return NextMatching(nullptr, &looking) != nullptr;
}

// The first problem of a track's media: data that cannot be opened, or a
// video type nothing decompresses.
OSErr MediaStatus(MediaRecord& media) {
  for (UInt32 index = 1; index <= media.descriptions.size(); ++index) {
    OSErr err = noErr;
    if (DescriptionStore(media, index, false, &err) == nullptr) return err;
    if (media.type == VideoMediaType &&
        !HasDecompressor(DescriptionFormat(media.descriptions[index - 1]))) {
      return noCodecErr;
    }
  }
  return noErr;
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API ComponentResult GetMovieStatus(Movie theMovie, Track* firstProblemTrack) try {
  qtml::ApiCall call("GetMovieStatus", theMovie, firstProblemTrack);
  if (firstProblemTrack != nullptr) *firstProblemTrack = nullptr;
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return<ComponentResult>(err);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(qtml::Result(fault));
  qtml::MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return<ComponentResult>(invalidMovie);
  for (const auto& track : movie->tracks) {
    if (!track->enabled || track->media == nullptr) continue;
    OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::MediaStatus(*track->media); });
    if (err == noErr) continue;
    if (firstProblemTrack != nullptr) *firstProblemTrack = qtml::ReferenceTo(track.get());
    qtml::SetMoviesError(noErr);
    return call.Return<ComponentResult>(err);
  }
  qtml::SetMoviesError(noErr);
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
