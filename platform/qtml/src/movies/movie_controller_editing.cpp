// Movie controllers' editing: the switch, what can be done now, the edits
// through the selection and the scrap, and one level of undo, kept as the
// tracks' edit lists from before the last edit.
#include <algorithm>

#include "base/api_call.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_controller.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_scrap.h"

namespace qtml {
namespace {

bool HasSound(const MovieRecord& movie) {
  return std::any_of(movie.tracks.begin(), movie.tracks.end(), [](const auto& track) {
    return track->enabled && track->media != nullptr && track->media->type == SoundMediaType;
  });
}

long InfoFlags(MovieControllerImplementation& controller, MovieRecord& movie) {
  long flags = 0;
  if (controller.editingEnabled) {
    flags |= mcInfoEditingEnabled;
    UpdateDuration(movie);
    if (movie.duration > 0)
      flags |= mcInfoCutAvailable | mcInfoCopyAvailable | mcInfoClearAvailable;
    if (ScrapHoldsMovie()) flags |= mcInfoPasteAvailable;
    if (controller.undo != nullptr) flags |= mcInfoUndoAvailable;
  }
  if (HasSound(movie)) flags |= mcInfoHasSound;
  if (GetMovieRate(controller.movie) != 0) flags |= mcInfoIsPlaying;
  if ((movie.timeBaseFlags & (loopTimeBase | palindromeLoopTimeBase)) != 0)
    flags |= mcInfoIsLooping;
  if ((movie.timeBaseFlags & palindromeLoopTimeBase) != 0) flags |= mcInfoIsInPalindrome;
  return flags;
}

// The movie of a controller that edits, or nullptr.
MovieRecord* EditedMovie(const MovieControllerImplementation& controller) {
  return controller.editingEnabled ? MovieOf(controller.movie) : nullptr;
}

// Runs an edit that changes the movie and answers its result; when it
// succeeds, what the movie was before it becomes the undo.
template <typename F>
OSErr UndoableEdit(MovieControllerImplementation& controller, MovieRecord& movie, F edit) {
  std::unique_ptr<MovieEditSnapshot> before = SnapshotOf(movie);
  OSErr err = edit();
  if (err == noErr) controller.undo = std::move(before);
  FollowSelection(controller);
  return err;
}

void ForgetReferences(TrackRecord& track) noexcept {
  track.reference.Forget();
  if (track.media != nullptr) track.media->reference.Forget();
}

// Takes the track out of the list, leaving a null entry.
std::unique_ptr<TrackRecord> TakeTrack(std::vector<std::unique_ptr<TrackRecord>>& list,
                                       const TrackRecord* track) noexcept {
  for (auto& entry : list) {
    if (entry.get() == track) return std::move(entry);
  }
  return nullptr;
}

bool InMovie(const MovieRecord& movie, const MovieEditSnapshot::TrackEdits& entry) {
  return std::any_of(movie.tracks.begin(), movie.tracks.end(), [&](const auto& track) {
    return track.get() == entry.track && track->id == entry.id;
  });
}

bool SetAside(const MovieEditSnapshot& snapshot, const TrackRecord* track) {
  return std::any_of(snapshot.setAside.begin(), snapshot.setAside.end(),
                     [&](const auto& kept) { return kept.get() == track; });
}

}  // namespace

std::unique_ptr<MovieEditSnapshot> SnapshotOf(MovieRecord& movie) {
  auto snapshot = std::make_unique<MovieEditSnapshot>();
  snapshot->tracks.reserve(movie.tracks.size());
  for (const auto& track : movie.tracks) {
    snapshot->tracks.push_back({track.get(), track->id, track->edits});
  }
  snapshot->selectionTime = movie.selectionTime;
  snapshot->selectionDuration = movie.selectionDuration;
  return snapshot;
}

OSErr SwapSnapshot(MovieRecord& movie, MovieEditSnapshot& snapshot,
                   std::unique_ptr<MovieEditSnapshot>* undone) noexcept {
  for (const auto& entry : snapshot.tracks) {
    if (!InMovie(movie, entry) && !SetAside(snapshot, entry.track)) return invalidTrack;
  }
  std::unique_ptr<MovieEditSnapshot> present;
  std::vector<std::unique_ptr<TrackRecord>> tracks;
  try {
    present = SnapshotOf(movie);
    present->setAside.reserve(movie.tracks.size());
    tracks.reserve(snapshot.tracks.size());
  } catch (...) {
    return memFullErr;
  }
  // Tracks coming back get their references again, before anything changes.
  for (size_t i = 0; i < snapshot.setAside.size(); ++i) {
    if (!TrackCreated(snapshot.setAside[i].get())) {
      for (size_t j = 0; j <= i; ++j) ForgetReferences(*snapshot.setAside[j]);
      return memFullErr;
    }
  }
  for (auto& entry : snapshot.tracks) {
    std::unique_ptr<TrackRecord> track = TakeTrack(movie.tracks, entry.track);
    if (track == nullptr) track = TakeTrack(snapshot.setAside, entry.track);
    track->edits.swap(entry.edits);
    tracks.push_back(std::move(track));
  }
  // What the edit had added goes aside, for the undo to be undone.
  for (auto& track : movie.tracks) {
    if (track == nullptr) continue;
    ForgetReferences(*track);
    present->setAside.push_back(std::move(track));
  }
  movie.tracks = std::move(tracks);
  snapshot.setAside.clear();
  movie.selectionTime = snapshot.selectionTime;
  movie.selectionDuration = snapshot.selectionDuration;
  MovieEdited(movie);
  *undone = std::move(present);
  return noErr;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::ControllerFor;
using qtml::MovieControllerImplementation;
using qtml::MovieRecord;

extern "C" {

QTML_API ComponentResult MCEnableEditing(MovieController mc, Boolean enabled) try {
  ApiCall call("MCEnableEditing", mc, enabled);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCEnableEditingSelect, &result);
  if (controller == nullptr) return call.Return(result);
  controller->editingEnabled = enabled != 0;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API long MCIsEditingEnabled(MovieController mc) try {
  ApiCall call("MCIsEditingEnabled", mc);
  if (call.Fault() != noErr) return call.Return<long>(0);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCIsEditingEnabledSelect, &result);
  if (controller == nullptr) return call.Return<long>(0);
  return call.Return<long>(controller->editingEnabled ? 1 : 0);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API ComponentResult MCGetControllerInfo(MovieController mc, long* someFlags) try {
  ApiCall call("MCGetControllerInfo", mc, someFlags);
  if (someFlags != nullptr) *someFlags = 0;
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller =
      ControllerFor(mc, kMCGetControllerInfoSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (someFlags == nullptr) return call.Return<ComponentResult>(paramErr);
  MovieRecord* movie = qtml::MovieOf(controller->movie);
  if (movie == nullptr) return call.Return<ComponentResult>(invalidMovie);
  *someFlags = qtml::InfoFlags(*controller, *movie);
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API Movie MCCopy(MovieController mc) try {
  ApiCall call("MCCopy", mc);
  if (call.Fault() != noErr) return call.Return<Movie>(nullptr);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCCopySelect, &result);
  MovieRecord* movie = controller != nullptr ? qtml::EditedMovie(*controller) : nullptr;
  if (movie == nullptr || movie->selectionDuration <= 0) return call.Return<Movie>(nullptr);
  return call.Return(CopyMovieSelection(controller->movie));
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API Movie MCCut(MovieController mc) try {
  ApiCall call("MCCut", mc);
  if (call.Fault() != noErr) return call.Return<Movie>(nullptr);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCCutSelect, &result);
  MovieRecord* movie = controller != nullptr ? qtml::EditedMovie(*controller) : nullptr;
  if (movie == nullptr || movie->selectionDuration <= 0) return call.Return<Movie>(nullptr);
  Movie cut = nullptr;
  qtml::UndoableEdit(*controller, *movie, [&] {
    cut = CutMovieSelection(controller->movie);
    return cut != nullptr ? OSErr{noErr} : OSErr{memFullErr};
  });
  return call.Return(cut);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API ComponentResult MCClear(MovieController mc) try {
  ApiCall call("MCClear", mc);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCClearSelect, &result);
  if (controller == nullptr) return call.Return(result);
  MovieRecord* movie = qtml::EditedMovie(*controller);
  if (movie == nullptr) {
    bool off = !controller->editingEnabled;
    return call.Return<ComponentResult>(off ? featureUnsupported : invalidMovie);
  }
  if (movie->selectionDuration <= 0) return call.Return<ComponentResult>(noErr);
  return call.Return<ComponentResult>(qtml::UndoableEdit(*controller, *movie, [&] {
    ClearMovieSelection(controller->movie);
    return GetMoviesError();
  }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCPaste(MovieController mc, Movie srcMovie) try {
  ApiCall call("MCPaste", mc, srcMovie);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCPasteSelect, &result);
  if (controller == nullptr) return call.Return(result);
  MovieRecord* movie = qtml::EditedMovie(*controller);
  if (movie == nullptr) {
    bool off = !controller->editingEnabled;
    return call.Return<ComponentResult>(off ? featureUnsupported : invalidMovie);
  }
  Movie source = srcMovie != nullptr ? srcMovie : NewMovieFromScrap(0);
  if (source == nullptr) return call.Return<ComponentResult>(GetMoviesError());
  OSErr err = noErr;
  try {
    err = qtml::UndoableEdit(*controller, *movie, [&] {
      PasteMovieSelection(controller->movie, source);
      return GetMoviesError();
    });
  } catch (...) {
    err = memFullErr;
  }
  if (srcMovie == nullptr) DisposeMovie(source);
  return call.Return<ComponentResult>(err);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCUndo(MovieController mc) try {
  ApiCall call("MCUndo", mc);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCUndoSelect, &result);
  if (controller == nullptr) return call.Return(result);
  MovieRecord* movie = qtml::EditedMovie(*controller);
  if (movie == nullptr) {
    bool off = !controller->editingEnabled;
    return call.Return<ComponentResult>(off ? featureUnsupported : invalidMovie);
  }
  if (controller->undo == nullptr) return call.Return<ComponentResult>(noErr);
  std::unique_ptr<qtml::MovieEditSnapshot> redo;
  OSErr err = qtml::SwapSnapshot(*movie, *controller->undo, &redo);
  if (err == invalidTrack) controller->undo.reset();
  if (err != noErr) return call.Return<ComponentResult>(err);
  controller->undo = std::move(redo);
  qtml::FollowSelection(*controller);
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
