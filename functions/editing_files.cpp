// Movie editing functions that write or read movie files: saving a
// movie's changes into its file, exporting a movie or a track through
// QuickTime's export dialog, writing a selection as a new flattened movie,
// new empty movie files, and the status of a movie file.
#include <utility>

#include "Movies.h"
#include "Quickdraw.h"
#include "functions/editing_support.h"
#include "functions/module_result.h"
#include "movie/container.h"
#include "movie/movie.h"
#include "plugin/bridges.h"
#include "plugin/host_services.h"

namespace fenra {
namespace {

constexpr OSType kCreator = 'TVOD';
constexpr ScriptCode kSystemScript = -1;
constexpr ScriptCode kCurrentScript = -2;
constexpr short kOpenFlags = static_cast<short>(long{newMovieActive} | newMovieDontResolveDataRefs |
                                                newMovieDontInteractWithUser);  // 0x803
constexpr long kExportFlags = long{createMovieFileDeleteCurFile} | showUserSettingsDialog |
                              movieToFileOnlyExport;  // 0x80000006
constexpr long kSelectionFlattenFlags = flattenAddMovieToDataFork | flattenActiveTracksOnly |
                                        flattenDontInterleaveFlatten |
                                        flattenForceMovieResourceBeforeMovieData;  // 0x4D
constexpr long kSelectionFileFlags =
    long{createMovieFileDeleteCurFile} | createMovieFileDontCreateResFile;  // 0x90000000
constexpr long kEmptyFileFlags = long{createMovieFileDeleteCurFile} | newMovieActive;
const auto kDefaultProgress = reinterpret_cast<MovieProgressUPP>(-1);

// A movie file opened with the movie it holds.
struct OpenedMovieFile {
  short fileRef = 0;
  short resId = 0;
  Movie movie = nullptr;  // owned by the caller
};

// Opens the file and its movie; an unresolved data reference still gives
// the movie and counts as success. With `close`, the file is closed at
// once and only the movie is kept. On an error nothing stays open.
OSErr OpenMovieOfFile(const FSSpec& spec, bool close, OpenedMovieFile* opened) {
  OSErr err = OpenMovieFile(&spec, &opened->fileRef, 0);
  if (err != noErr) return err;
  err = NewMovieFromFile(&opened->movie, opened->fileRef, &opened->resId, nullptr, kOpenFlags,
                         nullptr);
  if (err == couldNotResolveDataRef) err = noErr;
  if (err != noErr || close) {
    CloseMovieFile(opened->fileRef);
    opened->fileRef = 0;
    opened->resId = 0;
  }
  if (err != noErr && opened->movie != nullptr) {
    DisposeMovie(opened->movie);
    opened->movie = nullptr;
  }
  return err;
}

// The bounding box of the movie's bounds region: its natural box as shown.
Rect NaturalBounds(Movie movie) {
  Rect bounds{0, 0, 0, 0};
  if (RgnHandle region = GetMovieBoundsRgn(movie)) {
    GetRegionBounds(region, &bounds);
    DisposeRgn(region);
  }
  return bounds;
}

// Writes the movie into the opened file's movie resource at its natural
// size; its own box is set back afterwards.
OSErr UpdateAtNaturalSize(Movie movie, const OpenedMovieFile& file) {
  Rect bounds = NaturalBounds(movie);
  Rect saved;
  GetMovieBox(movie, &saved);
  SetMovieBox(movie, &bounds);
  OSErr err = UpdateMovieResource(movie, file.fileRef, file.resId, nullptr);
  SetMovieBox(movie, &saved);
  return err;
}

// ConvertMovieToFile with its export dialog: the user picks the format and
// its settings; the file given is replaced.
OSErr ExportThroughDialog(Movie movie, Track onlyTrack, REALfolderItem dst) {
  SetMovieProgressProc(movie, kDefaultProgress, 0);
  FSSpec spec;
  OSErr err = FolderItemToFSSpec(dst, &spec);
  if (err == noErr) {
    err = ConvertMovieToFile(movie, onlyTrack, &spec, 0, kCreator, kSystemScript, nullptr,
                             kExportFlags, nullptr);
  }
  SetMovieProgressProc(movie, nullptr, 0);
  return err;
}

// A new movie of the segment, with the movie's settings and natural box;
// the movie's selection is set back. Nil, with the movie error in *err,
// when no copy came back.
Movie CopySegment(Movie movie, TimeValue start, TimeValue duration, OSErr* err) {
  Rect bounds = NaturalBounds(movie);
  TimeValue savedStart = 0, savedDuration = 0;
  GetMovieSelection(movie, &savedStart, &savedDuration);
  SetMovieSelection(movie, start, duration);
  Movie copy = CopyMovieSelection(movie);
  *err = GetMoviesError();
  if (copy != nullptr) {
    CopyMovieSettings(movie, copy);
    SetMovieBox(copy, &bounds);
  }
  SetMovieSelection(movie, savedStart, savedDuration);
  return copy;
}

// Writes the segment of the movie as a new self-contained movie file.
OSErr WriteSelection(Movie movie, const FSSpec* spec, int64_t start, int64_t duration) {
  if (movie == nullptr) return invalidMovie;
  if (spec == nullptr || duration < 0) return paramErr;
  if (!std::in_range<TimeValue>(start) || !std::in_range<TimeValue>(duration)) return paramErr;
  OSErr err = noErr;
  Movie copy =
      CopySegment(movie, static_cast<TimeValue>(start), static_cast<TimeValue>(duration), &err);
  if (copy == nullptr) return err != noErr ? err : OSErr{invalidMovie};
  SetMovieProgressProc(copy, kDefaultProgress, 0);
  FlattenMovie(copy, kSelectionFlattenFlags, spec, kCreator, kSystemScript, kSelectionFileFlags,
               nullptr, nullptr);
  err = GetMoviesError();
  SetMovieProgressProc(copy, nullptr, 0);
  DisposeMovie(copy);
  return err;
}

// Keeps only the low 32 bits, as a movie time.
int64_t Low32(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

}  // namespace

// The controller's selection, as the movie controller functions read it:
// nothing (0 and 0) while editing is disabled. noErr, or the result of the
// last selection action that answered neither 0 nor 1.
OSErr ReadPlayerSelection(MovieController controller, int64_t* start, int64_t* duration) {
  *start = 0;
  *duration = 0;
  if (controller == nullptr) return paramErr;
  if (!MCIsEditingEnabled(controller)) return noErr;
  TimeRecord record{};
  ComponentResult result = MCDoAction(controller, mcActionGetSelectionBegin, &record);
  if (result == 0 || result == 1) *start = record.value;
  result = MCDoAction(controller, mcActionGetSelectionDuration, &record);
  if (result == 0 || result == 1) *duration = record.value;
  return result == 0 || result == 1 ? OSErr{noErr} : static_cast<OSErr>(result);
}

RBInteger SaveChanges(REALfolderItem srcMovieFile, REALmovie m) {
  if (srcMovieFile == nullptr) return ModuleResult(paramErr);
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  FSSpec spec;
  if (OSErr err = FolderItemToFSSpec(srcMovieFile, &spec)) return ModuleResult(err);
  OpenedMovieFile file;
  if (OSErr err = OpenMovieOfFile(spec, false, &file)) return ModuleResult(err);
  // Only the file and its resource are wanted.
  DisposeMovie(file.movie);
  OSErr err = HasMovieChanged(movie) ? UpdateAtNaturalSize(movie, file) : OSErr{noErr};
  CloseMovieFile(file.fileRef);
  return ModuleResult(err);
}

RBInteger MovieExportToFile(REALobject m, REALfolderItem dst) {
  if (m == nullptr || dst == nullptr) return ModuleResult(paramErr);
  MovieNative* native = MovieNativeOf(m);
  if (native == nullptr || !native->IsValid()) return ModuleResult(invalidMovie);
  return ModuleResult(ExportThroughDialog(native->movie, nullptr, dst));
}

RBInteger TrackExportToFile(REALobject tk, REALfolderItem dst) {
  if (tk == nullptr || dst == nullptr) return ModuleResult(paramErr);
  TrackNative* native = TrackNativeOf(tk);
  Movie movie = native != nullptr && native->IsValid() ? GetTrackMovie(native->track) : nullptr;
  if (movie == nullptr) return ModuleResult(invalidTrack);
  return ModuleResult(ExportThroughDialog(movie, native->track, dst));
}

RBInteger CreateFromPlayerSelection(REALmoviePlayer mp, REALfolderItem dstFile) {
  if (mp == nullptr) return ModuleResult(kNoNativeErr);
  FSSpec spec;
  if (FolderItemToFSSpec(dstFile, &spec) != noErr) return ModuleResult(paramErr);
  MovieController controller = PlayerController(mp);
  int64_t start = 0, duration = 0;
  if (OSErr err = ReadPlayerSelection(controller, &start, &duration)) return ModuleResult(err);
  return ModuleResult(
      WriteSelection(ControllerMovie(controller), &spec, Low32(start), Low32(duration)));
}

RBInteger CreateFromPlayerRange(REALmoviePlayer mp, REALfolderItem dstFile, RBInteger sPos,
                                RBInteger ePos) {
  if (mp == nullptr) return ModuleResult(kNoNativeErr);
  FSSpec spec;
  if (FolderItemToFSSpec(dstFile, &spec) != noErr) return ModuleResult(paramErr);
  Movie movie = ControllerMovie(PlayerController(mp));
  return ModuleResult(WriteSelection(movie, &spec, sPos, ePos - sPos));
}

RBInteger CreateFromMovieRange(REALmovie srcMovie, REALfolderItem dstFile, RBInteger sPos,
                               RBInteger ePos) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  FSSpec spec;
  if (FolderItemToFSSpec(dstFile, &spec) != noErr) return ModuleResult(paramErr);
  return ModuleResult(WriteSelection(movie, &spec, sPos, ePos - sPos));
}

RBInteger CreateEmptyFile(REALfolderItem newFile) {
  if (newFile == nullptr) return ModuleResult(paramErr);
  FSSpec spec;
  if (FolderItemToFSSpec(newFile, &spec) != noErr) return ModuleResult(fnfErr);
  short fileRef = 0;
  Movie movie = nullptr;
  OSErr err = CreateMovieFile(&spec, kCreator, kCurrentScript, kEmptyFileFlags, &fileRef, &movie);
  if (err == noErr) err = UpdateMovieResource(movie, fileRef, movieInDataForkResID, nullptr);
  if (movie != nullptr) DisposeMovie(movie);
  if (fileRef != 0) CloseMovieFile(fileRef);
  return ModuleResult(err);
}

// The new movie's file stays open for as long as the process runs: the
// host movie owns the movie but knows nothing of its file.
REALmovie CreateEmpty(REALfolderItem newFile) {
  if (newFile == nullptr) return nullptr;
  FSSpec spec;
  if (FolderItemToFSSpec(newFile, &spec) != noErr) return nullptr;
  short fileRef = 0;
  Movie movie = nullptr;
  OSErr err = CreateMovieFile(&spec, kCreator, kCurrentScript, kEmptyFileFlags, &fileRef, &movie);
  ModuleResult(err);
  if (movie == nullptr) {
    if (fileRef != 0) CloseMovieFile(fileRef);
    return nullptr;
  }
  auto hostMovie = reinterpret_cast<REALmovie>(host::PluginNewInstance("Movie"));
  if (hostMovie == nullptr) {
    DisposeMovie(movie);
    CloseMovieFile(fileRef);
    return nullptr;
  }
  host::REALSetMovieMovie(hostMovie, movie);
  return hostMovie;
}

RBInteger CheckStatus(REALfolderItem srcFile) {
  if (srcFile == nullptr) return ModuleResult(paramErr);
  FSSpec spec;
  if (OSErr err = FolderItemToFSSpec(srcFile, &spec)) return ModuleResult(err);
  OpenedMovieFile file;
  if (OSErr err = OpenMovieOfFile(spec, true, &file)) return ModuleResult(err);
  ComponentResult status = GetMovieStatus(file.movie, nullptr);
  DisposeMovie(file.movie);
  gModuleResult = static_cast<int16_t>(status);
  return status;
}

}  // namespace fenra
