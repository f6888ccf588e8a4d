// Tracks: creation and disposal, and their properties.
#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_regions.h"

namespace qtml {
namespace {

// A property change that a movie file keeps.
void TrackChanged(TrackRecord& track) {
  if (track.movie != nullptr) track.movie->changed = true;
}

TimeValue LeadingEmptyTime(const TrackRecord& track) {
  TimeValue offset = 0;
  for (const EditEntry& edit : track.edits) {
    if (edit.mediaTime != -1) break;
    offset += edit.trackDuration;
  }
  return offset;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterTrack;
using qtml::MovieRecord;
using qtml::SetMoviesError;
using qtml::TrackRecord;

#define QTML_TRACK_GETTER(Name, Type, field)                                                    \
  QTML_API Type Name(Track theTrack) try {                                                      \
    return qtml::ReadProperty<Type>(                                                            \
        #Name, theTrack, 0, [](TrackRecord& track) { return static_cast<Type>(track.field); }); \
  } catch (...) {                                                                               \
    return qtml::Escaped<Type>();                                                               \
  }

#define QTML_TRACK_SETTER(Name, Type, field)           \
  QTML_API void Name(Track theTrack, Type value) try { \
    ApiCall call(#Name, theTrack, value);              \
    TrackRecord* track = EnterTrack(call, theTrack);   \
    if (track == nullptr) return;                      \
    track->field = value;                              \
    qtml::TrackChanged(*track);                        \
    SetMoviesError(noErr);                             \
  } catch (...) {                                      \
    return qtml::Escaped<void>();                      \
  }

extern "C" {

QTML_API Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, short trackVolume) try {
  ApiCall call("NewMovieTrack", theMovie, width, height, trackVolume);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Track>(nullptr);
  if (width < 0 || height < 0) {
    SetMoviesError(paramErr);
    return call.Return<Track>(nullptr);
  }
  TrackRecord* track = qtml::Guarded<TrackRecord*>(
      nullptr, [&] { return qtml::AddTrack(*movie, width, height, trackVolume); });
  if (track == nullptr) {
    SetMoviesError(memFullErr);
    return call.Return<Track>(nullptr);
  }
  qtml::MovieEdited(*movie);
  SetMoviesError(noErr);
  return call.Return(qtml::ReferenceTo(track));
} catch (...) {
  return qtml::Escaped<Track>();
}

QTML_API void DisposeMovieTrack(Track theTrack) try {
  ApiCall call("DisposeMovieTrack", theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  MovieRecord* movie = track->movie;
  auto& tracks = movie->tracks;
  for (auto it = tracks.begin(); it != tracks.end(); ++it) {
    if (it->get() == track) {
      tracks.erase(it);
      break;
    }
  }
  qtml::MovieEdited(*movie);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_TRACK_GETTER(GetTrackID, long, id)
QTML_TRACK_GETTER(GetTrackUsage, long, usage)
QTML_TRACK_SETTER(SetTrackUsage, long, usage)
QTML_TRACK_GETTER(GetTrackLayer, short, layer)
QTML_TRACK_SETTER(SetTrackLayer, short, layer)
QTML_TRACK_GETTER(GetTrackAlternateGroup, short, alternateGroup)
QTML_TRACK_SETTER(SetTrackAlternateGroup, short, alternateGroup)
QTML_TRACK_GETTER(GetTrackVolume, short, volume)
QTML_TRACK_SETTER(SetTrackVolume, short, volume)
QTML_TRACK_GETTER(GetTrackCreationTime, unsigned long, creationTime)
QTML_TRACK_GETTER(GetTrackModificationTime, unsigned long, modificationTime)

QTML_API Boolean GetTrackEnabled(Track theTrack) try {
  return qtml::ReadProperty<Boolean>("GetTrackEnabled", theTrack, false,
                                     [](TrackRecord& track) { return track.enabled; });
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API void SetTrackEnabled(Track theTrack, Boolean isEnabled) try {
  ApiCall call("SetTrackEnabled", theTrack, isEnabled);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  track->enabled = isEnabled != 0;
  qtml::TrackChanged(*track);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Movie GetTrackMovie(Track theTrack) try {
  return qtml::ReadProperty<Movie>("GetTrackMovie", theTrack, nullptr, [](TrackRecord& track) {
    return qtml::ReferenceTo(track.movie);
  });
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API Media GetTrackMedia(Track theTrack) try {
  return qtml::ReadProperty<Media>("GetTrackMedia", theTrack, nullptr, [](TrackRecord& track) {
    return track.media != nullptr ? qtml::ReferenceTo(track.media.get()) : nullptr;
  });
} catch (...) {
  return qtml::Escaped<Media>();
}

QTML_API TimeValue GetTrackDuration(Track theTrack) try {
  return qtml::ReadProperty<TimeValue>("GetTrackDuration", theTrack, 0, [](TrackRecord& track) {
    return qtml::TrackDuration(track);
  });
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API TimeValue GetTrackOffset(Track theTrack) try {
  return qtml::ReadProperty<TimeValue>("GetTrackOffset", theTrack, 0, [](TrackRecord& track) {
    return qtml::LeadingEmptyTime(track);
  });
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API void SetTrackOffset(Track theTrack, TimeValue movieOffsetTime) try {
  ApiCall call("SetTrackOffset", theTrack, movieOffsetTime);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  if (movieOffsetTime < 0) return SetMoviesError(paramErr);
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    auto& edits = track->edits;
    while (!edits.empty() && edits.front().mediaTime == -1) edits.erase(edits.begin());
    if (movieOffsetTime > 0) edits.insert(edits.begin(), {movieOffsetTime, -1, 0x10000});
    return noErr;
  });
  qtml::TrackEdited(*track);
  SetMoviesError(err);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetTrackDimensions(Track theTrack, Fixed* width, Fixed* height) try {
  ApiCall call("GetTrackDimensions", theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (width != nullptr) *width = track != nullptr ? track->width : 0;
  if (height != nullptr) *height = track != nullptr ? track->height : 0;
  if (track != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetTrackDimensions(Track theTrack, Fixed width, Fixed height) try {
  ApiCall call("SetTrackDimensions", theTrack, width, height);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  if (width < 0 || height < 0) return SetMoviesError(paramErr);
  track->width = width;
  track->height = height;
  qtml::TrackChanged(*track);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetTrackMatrix(Track theTrack, MatrixRecord* matrix) try {
  ApiCall call("GetTrackMatrix", theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr || matrix == nullptr) return;
  *matrix = track->matrix;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix) try {
  ApiCall call("SetTrackMatrix", theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  track->matrix = matrix != nullptr ? *matrix : qtml::IdentityMatrix();
  qtml::TrackChanged(*track);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API RgnHandle GetTrackClipRgn(Track theTrack) try {
  ApiCall call("GetTrackClipRgn", theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return<RgnHandle>(nullptr);
  OSErr err = noErr;
  RgnHandle region = qtml::ClipToRegion(track->clipRegion, &err);
  SetMoviesError(err);
  return call.Return(region);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

QTML_API void SetTrackClipRgn(Track theTrack, RgnHandle theClip) try {
  ApiCall call("SetTrackClipRgn", theTrack, theClip);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return;
  SetMoviesError(qtml::StoreClip(theClip, &track->clipRegion));
  qtml::TrackChanged(*track);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API OSErr CopyTrackSettings(Track srcTrack, Track dstTrack) try {
  ApiCall call("CopyTrackSettings", srcTrack, dstTrack);
  TrackRecord* src = EnterTrack(call, srcTrack);
  TrackRecord* dst = src != nullptr ? qtml::TrackOf(dstTrack) : nullptr;
  if (dst == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    dst->matrix = src->matrix;
    dst->clipRegion = src->clipRegion;
    dst->layer = src->layer;
    dst->alternateGroup = src->alternateGroup;
    dst->volume = src->volume;
    if (src->media != nullptr && dst->media != nullptr) {
      dst->media->graphicsMode = src->media->graphicsMode;
      dst->media->opColor = src->media->opColor;
      dst->media->balance = src->media->balance;
    }
    return noErr;
  });
  qtml::TrackChanged(*dst);
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
