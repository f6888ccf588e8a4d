// Movie editing and information functions: selection edits through the
// scrap, insertion by reference, poster time, volume, time values, frame
// counts, boxes, data sizes, loading into memory, rates, play hints,
// per-track queries and the sound input devices, on host movies and
// players. The table lists every entry, those kept in editing_files.cpp
// and recompress.cpp included.
#include <cstdint>
#include <limits>
#include <utility>

#include "FixMath.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "Sound.h"
#include "functions/editing_support.h"
#include "functions/module_result.h"
#include "functions/module_tables.h"
#include "functions/video_frames.h"
#include "movie/container.h"
#include "movie/movie.h"
#include "plugin/bridges.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/quicktime_start.h"
#include "plugin/registration.h"
#include "values/time_range.h"

namespace fenra {

Movie HostMovie(REALmovie m) {
  return m != nullptr ? static_cast<Movie>(host::getMovieMovie(m)) : nullptr;
}

MovieController PlayerController(REALmoviePlayer mp) {
  return mp != nullptr ? static_cast<MovieController>(host::getMoviePlayerController(mp)) : nullptr;
}

Movie ControllerMovie(MovieController controller) {
  return controller != nullptr ? MCGetIndMovie(controller, 0) : nullptr;
}

Track TrackAtIndex(Movie movie, RBInteger index) {
  if (index < 1) return nullptr;
  return MovieTrackAt(movie, index - 1);
}

TimeRangeNative* RangeArgument(REALobject range) {
  return range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
}

long PlatformVersionWord() {
  return static_cast<long>((static_cast<unsigned long>(QuickTimeVersion()) >> 16) & 0xFFFF);
}

namespace {

constexpr long kHintsHighQuality = hintsHighQuality;
constexpr long kHintsSingleField = hintsSingleField;
constexpr long kSingleFieldVersion = 0x0401;
constexpr long kMpegPrimingVersion = 0x0600;
constexpr OSErr kTooOldForSingleField = -666;

bool FitsTime(RBInteger value) {
  return std::in_range<TimeValue>(value);
}

// ---- Selection edits and insertion ------------------------------------

RBInteger SelectionEdit(REALmovie m, REALobject range, int32_t code) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  MovieNative wrapped;  // borrows the host's movie for this call
  wrapped.movie = movie;
  wrapped.EditSelection(RangeArgument(range), code);
  return ModuleResult(static_cast<OSErr>(wrapped.err));
}

RBInteger CopySelection(REALmovie m, REALobject tmRange) {
  return SelectionEdit(m, tmRange, kEditCopy);
}

RBInteger ClearSelection(REALmovie m, REALobject tmRange) {
  return SelectionEdit(m, tmRange, kEditClear);
}

RBInteger CutSelection(REALmovie m, REALobject tmRange) {
  return SelectionEdit(m, tmRange, kEditCut);
}

RBInteger Paste(REALmovie m, REALobject tmRange) {
  return SelectionEdit(m, tmRange, kEditPaste);
}

// Inserts the movie `dst` (its range, or all of it) into `src`: at src's
// current time, at `position` (the time moved there for the insertion and
// back afterwards), or at the end for a negative position.
RBInteger Insert(REALmovie src, REALmovie dst, const TimeRangeNative* range,
                 const RBInteger* position) {
  MovieNative receiving;
  MovieNative inserted;
  receiving.movie = HostMovie(src);
  inserted.movie = HostMovie(dst);
  if (receiving.movie == nullptr || inserted.movie == nullptr) {
    return ModuleResult(invalidMovie);
  }
  bool append = position != nullptr && *position < 0;
  if (position != nullptr && !append && !FitsTime(*position)) return ModuleResult(paramErr);
  bool moved = false;
  TimeValue savedTime = 0;
  if (position != nullptr && !append) {
    savedTime = GetMovieTime(receiving.movie, nullptr);
    if (*position != savedTime) {
      SetMovieTimeValue(receiving.movie, static_cast<TimeValue>(*position));
      moved = GetMoviesError() == noErr;
    }
  }
  receiving.InsertMovie(inserted, range, append);
  OSErr err = static_cast<OSErr>(receiving.err);
  if (moved) {
    SetMovieTimeValue(receiving.movie, savedTime);
    if (err == noErr) err = GetMoviesError();
  }
  return ModuleResult(err);
}

RBInteger InsertByReference(REALmovie src, REALmovie dst) {
  return Insert(src, dst, nullptr, nullptr);
}

RBInteger InsertRangeByReference(REALmovie src, REALmovie dst, REALobject tmRange,
                                 RBInteger dstPos) {
  return Insert(src, dst, RangeArgument(tmRange), &dstPos);
}

// ---- Movie information ------------------------------------------------

RBBoolean IsChanged(REALmovie m) {
  Movie movie = HostMovie(m);
  return movie != nullptr && HasMovieChanged(movie);
}

RBInteger SetPosterTimeFromPlayer(REALmoviePlayer mp) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  Movie movie = ControllerMovie(controller);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  SetMoviePosterTime(movie, GetMovieTime(movie, nullptr));
  return ModuleResult(GetMoviesError());
}

RBInteger SetPosterTime(REALmovie m, RBInteger posterTime) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  if (!FitsTime(posterTime)) return ModuleResult(paramErr);
  SetMoviePosterTime(movie, static_cast<TimeValue>(posterTime));
  return ModuleResult(GetMoviesError());
}

RBInteger Volume(REALmovie m) {
  if (m == nullptr) return ModuleResult(invalidMovie);
  Movie movie = HostMovie(m);
  return movie != nullptr ? GetMovieVolume(movie) : 0;
}

RBInteger SetVolume(REALmovie m, RBInteger value) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  SetMovieVolume(movie, static_cast<short>(value));  // the low 16 bits, as the word holds them
  return ModuleResult(GetMoviesError());
}

RBInteger TimeInfo(REALmovie m, RBInteger timeFlag) {
  if (!std::in_range<int32_t>(timeFlag)) return 0;
  return MovieTimeValue(HostMovie(m), static_cast<int32_t>(timeFlag));
}

RBInteger TracksCount(REALmovie m) {
  if (m == nullptr) return 0;
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  return GetMovieTrackCount(movie);
}

// ---- Counting frames --------------------------------------------------

// Where a count stops: at `end` when given, else when no time is left.
bool Past(TimeValue t, const TimeValue* end) {
  return t < 0 || (end != nullptr && t > *end);
}

RBInteger CountMovieSteps(Movie movie, OSType type, TimeValue start, const TimeValue* end) {
  RBInteger count = -1;
  TimeValue t = start;
  short flags = start == 0 ? kFirstStepFlags : short{nextTimeStep};
  do {
    ++count;
    GetMovieNextInterestingTime(movie, flags, 1, &type, t, kNormalRate, &t, nullptr);
    flags = nextTimeStep;
  } while (!Past(t, end));
  return count;
}

RBInteger CountTrackSteps(Track track, TimeValue start, const TimeValue* end) {
  RBInteger count = -1;
  TimeValue t = start;
  short flags = start == 0 ? kFirstStepFlags : short{nextTimeStep};
  do {
    ++count;
    GetTrackNextInterestingTime(track, flags, t, kNormalRate, &t, nullptr);
    flags = nextTimeStep;
  } while (!Past(t, end));
  return count;
}

// Draws the movie once into a small off-screen world, so that MPEG media
// know their frames; the movie's own world is set back.
void PrimeMpegFrames(Movie movie) {
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 32, 32};
  if (NewGWorld(&world, 0, &bounds, nullptr, nullptr, 0) != noErr || world == nullptr) return;
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetMovieGWorld(movie, &port, &device);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  DisposeGWorld(world);
  SetMovieGWorld(movie, port, device);
}

// MPEG media step through every interesting time of the movie.
RBInteger CountMpegSteps(Movie movie, TimeValue start, const TimeValue* end) {
  if (PlatformVersionWord() >= kMpegPrimingVersion) PrimeMpegFrames(movie);
  RBInteger count = -1;
  TimeValue t = start;
  do {
    ++count;
    GetMovieNextInterestingTime(movie, nextTimeStep, 0, nullptr, t, kNormalRate, &t, nullptr);
  } while (!Past(t, end));
  return count;
}

RBInteger CountMovieFrames(Movie movie, OSType type, TimeValue start, const TimeValue* end) {
  if (type == MPEGMediaType) return CountMpegSteps(movie, start, end);
  return CountMovieSteps(movie, type, start, end);
}

RBInteger FramesCount(REALmovie m, REALstring fType) {
  if (fType == nullptr) return ModuleResult(paramErr);
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  return CountMovieFrames(movie, StringToOSType(fType), 0, nullptr);
}

RBInteger FramesCountInRange(REALmovie m, REALobject tmRange, REALstring fType) {
  if (fType == nullptr) return ModuleResult(paramErr);
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  const TimeRangeNative* range = RangeArgument(tmRange);
  OSType type = StringToOSType(fType);
  if (range == nullptr) return CountMovieFrames(movie, type, 0, nullptr);
  TimeValue end = static_cast<TimeValue>(int64_t{range->start} + range->length);
  if (int64_t{range->start} + range->length > std::numeric_limits<TimeValue>::max()) {
    end = std::numeric_limits<TimeValue>::max();
  }
  return CountMovieFrames(movie, type, range->start, &end);
}

// A track's frames from sPos to ePos (-1: its duration).
RBInteger CountTrackFrames(REALmovie srcMovie, RBInteger trkIndex, RBInteger sPos, RBInteger ePos) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  if (track == nullptr) return -1;
  if (!FitsTime(sPos) || !FitsTime(ePos)) return ModuleResult(paramErr);
  TimeValue end = ePos == -1 ? GetTrackDuration(track) : static_cast<TimeValue>(ePos);
  auto start = static_cast<TimeValue>(sPos);
  if (TrackMediaType(track) == MPEGMediaType) return CountMpegSteps(movie, start, &end);
  return CountTrackSteps(track, start, &end);
}

RBInteger TrackFramesCount(REALmovie srcMovie, RBInteger trkIndex) {
  return CountTrackFrames(srcMovie, trkIndex, 0, -1);
}

RBInteger TrackFramesCountInRange(REALmovie srcMovie, RBInteger trkIndex, RBInteger sPos,
                                  RBInteger ePos) {
  return CountTrackFrames(srcMovie, trkIndex, sPos, ePos);
}

// ---- Box, data sizes, loading, rates, hints ---------------------------

RBInteger SetBox(REALmovie m, RBInteger w, RBInteger h) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  if (!std::in_range<short>(w) || !std::in_range<short>(h)) return ModuleResult(paramErr);
  Rect saved;
  GetMovieBox(movie, &saved);
  Rect box{0, 0, static_cast<short>(h), static_cast<short>(w)};
  SetMovieBox(movie, &box);
  OSErr err = GetMoviesError();
  if (err != noErr) SetMovieBox(movie, &saved);
  return ModuleResult(err);
}

double DataSize(REALmovie m, REALobject tmRange) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return 0.0;
  const TimeRangeNative* range = RangeArgument(tmRange);
  TimeValue start = range != nullptr ? range->start : 0;
  TimeValue length = range != nullptr ? range->length : GetMovieDuration(movie);
  wide size = 0;
  if (GetMovieDataSize64(movie, start, length, &size) != noErr) return 0.0;
  return static_cast<double>(size) / 1024.0;
}

RBInteger LoadMovieInRam(REALmovie m, REALobject tmRange, RBInteger flags) {
  MovieNative wrapped;
  wrapped.movie = HostMovie(m);
  if (wrapped.movie == nullptr) return ModuleResult(invalidMovie);
  wrapped.LoadIntoRam(RangeArgument(tmRange), static_cast<long>(flags));
  return ModuleResult(static_cast<OSErr>(wrapped.err));
}

RBInteger LoadTrackInRam(REALmovie m, RBInteger trkIndex, REALobject tmRange, RBInteger flags) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  TrackNative wrapped;
  wrapped.Attach(TrackAtIndex(movie, trkIndex));
  if (wrapped.track == nullptr) return ModuleResult(invalidTrack);
  wrapped.LoadIntoRam(RangeArgument(tmRange), static_cast<long>(flags));
  return ModuleResult(static_cast<OSErr>(wrapped.err));
}

enum RateSelector : RBInteger { kPreferredRate = 0 };

double Rate(REALmovie srcMovie, RBInteger whatRateFlag) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return 0.0;
  Fixed rate = whatRateFlag == kPreferredRate ? GetMoviePreferredRate(movie) : GetMovieRate(movie);
  return Fix2X(rate);
}

RBInteger SetRate(REALmovie srcMovie, double newValue, RBInteger whatRateFlag) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Fixed rate = 0;
  if (!DoubleToFixed(newValue, &rate)) return ModuleResult(paramErr);
  if (whatRateFlag == kPreferredRate) {
    SetMoviePreferredRate(movie, rate);
  } else {
    SetMovieRate(movie, rate);
  }
  return ModuleResult(GetMoviesError());
}

RBInteger SetHint(REALmovie srcMovie, RBBoolean enable, long hint) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  SetMoviePlayHints(movie, enable ? hint : 0, hint);
  return ModuleResult(GetMoviesError());
}

RBInteger HighQualityEnabled(REALmovie srcMovie, RBBoolean enable) {
  return SetHint(srcMovie, enable, kHintsHighQuality);
}

RBInteger SingleFieldEnabled(REALmovie srcMovie, RBBoolean enable) {
  if (PlatformVersionWord() < kSingleFieldVersion) return ModuleResult(kTooOldForSingleField);
  return SetHint(srcMovie, enable, kHintsSingleField);
}

// ---- Tracks -------------------------------------------------------------

REALstring TrackType(REALmovie srcMovie, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return MakeHostString();
  Track track = TrackAtIndex(movie, trkIndex);
  Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
  if (media == nullptr) return MakeHostString("none");
  OSType type = 0;
  GetMediaHandlerDescription(media, &type, nullptr, nullptr);
  return OSTypeToHostString(type);
}

RBInteger TrackOffset(REALmovie srcMovie, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  if (track == nullptr) return ModuleResult(invalidTrack);
  return GetTrackOffset(track);
}

RBInteger SetTrackEnabledAt(REALmovie srcMovie, RBInteger trkIndex, RBBoolean enabled) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  if (track == nullptr) return ModuleResult(invalidTrack);
  SetTrackEnabled(track, enabled);
  return ModuleResult(GetMoviesError());
}

RBBoolean TrackEnabled(REALmovie srcMovie, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  Track track = movie != nullptr ? TrackAtIndex(movie, trkIndex) : nullptr;
  if (track == nullptr) return false;
  Boolean enabled = GetTrackEnabled(track);
  return GetMoviesError() == noErr && enabled;
}

RBInteger TrackDuration(REALmovie srcMovie, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  return track != nullptr ? GetTrackDuration(track) : -1;
}

// The duration of the sample at sTime, looking the way the direction's
// sign says.
RBInteger TrackSampleDuration(REALmovie srcMovie, RBInteger trkIndex, RBInteger sTime,
                              RBInteger searchDirection) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  if (track == nullptr || !FitsTime(sTime)) return -1;
  TimeValue duration = 0;
  Fixed direction = FixRatio(static_cast<short>(searchDirection), 1);
  GetTrackNextInterestingTime(track, kFirstStepFlags, static_cast<TimeValue>(sTime), direction,
                              nullptr, &duration);
  if (GetMoviesError() != noErr || duration <= 0) return -1;
  return duration;
}

// Where in its media's data the sample at the track's start lies.
RBInteger TrackDataOffset(REALmovie srcMovie, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
  if (media == nullptr) return -1;
  TimeValue mediaTime = TrackTimeToMediaTime(GetTrackOffset(track), track);
  long count = 0;
  SampleReferenceRecord reference{};
  OSErr err =
      GetMediaSampleReferences(media, mediaTime, nullptr, nullptr, nullptr, 1, &count, &reference);
  if (err != noErr || count < 1) return -1;
  return reference.dataOffset;
}

RBInteger TrackDataSize(REALmovie srcMovie, RBInteger sPos, RBInteger ePos, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  if (track == nullptr) return -1;
  if (!FitsTime(sPos) || !FitsTime(ePos - sPos)) return ModuleResult(paramErr);
  return GetTrackDataSize(track, static_cast<TimeValue>(sPos), static_cast<TimeValue>(ePos - sPos));
}

RBInteger MediaDataSize(REALmovie srcMovie, RBInteger sPos, RBInteger ePos, RBInteger trkIndex) {
  Movie movie = HostMovie(srcMovie);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Track track = TrackAtIndex(movie, trkIndex);
  Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
  if (media == nullptr) return -1;
  if (!FitsTime(sPos) || !FitsTime(ePos - sPos)) return ModuleResult(paramErr);
  return GetMediaDataSize(media, static_cast<TimeValue>(sPos), static_cast<TimeValue>(ePos - sPos));
}

// ---- Sound input devices ----------------------------------------------

// The index-th sound input device's name; false when there is none. The
// device's icon is not wanted.
bool SoundInputDevice(short index, Str255 name) {
  Handle icon = nullptr;
  OSErr err = SPBGetIndexedDevice(index, name, &icon);
  if (icon != nullptr) DisposeHandle(icon);
  return err == noErr;
}

RBInteger CountSoundInputDevices() {
  RBInteger count = 0;
  Str255 name;
  while (count < std::numeric_limits<short>::max() &&
         SoundInputDevice(static_cast<short>(count + 1), name)) {
    ++count;
  }
  return count;
}

REALstring SoundInputDeviceName(RBInteger index) {
  Str255 name;
  if (!SoundInputDevice(static_cast<short>(index), name)) return MakeHostString("Invalid Index");
  return MakeHostPString(name);
}

REALmethodDefinition gMovieEditing[] = {
    ModuleMethod<CopySelection,
                 "Fenra_MovieCopySelection(m as movie,tmRange as FenraTimeRange) as integer">(),
    ModuleMethod<ClearSelection,
                 "Fenra_MovieClearSelection(m as movie,tmRange as FenraTimeRange) as Integer">(),
    ModuleMethod<CutSelection,
                 "Fenra_MovieCutSelection(m as movie,tmRange as FenraTimeRange) as Integer">(),
    ModuleMethod<Paste, "Fenra_MoviePaste(m as movie,tmRange as FenraTimeRange) as Integer">(),
    ModuleMethod<InsertByReference,
                 "Fenra_MovieInsertByReference(src as Movie,dst as Movie) as integer">(),
    ModuleMethod<InsertRangeByReference,
                 "Fenra_MovieInsertByReference(src as Movie,dst as Movie,tmRange as "
                 "FenraTimeRange,dstPos as integer) as integer">(),
    ModuleMethod<IsChanged, "Fenra_MovieIsChanged(m as movie) as boolean">(),
    ModuleMethod<SaveChanges,
                 "Fenra_MovieSaveChanges(srcMovieFile as folderitem,m as Movie) as integer">(),
    ModuleMethod<MovieExportToFile,
                 "Fenra_MovieExportToFile(m as FenraMovie,dst as folderitem) as integer">(),
    ModuleMethod<TrackExportToFile,
                 "Fenra_TrackExportToFile(tk as FenraTrack,dst as folderitem) as integer">(),
    ModuleMethod<CreateFromPlayerSelection,
                 "Fenra_MovieCreateFromSelection(mp as movieplayer,dstFile as folderitem) as "
                 "Integer">(),
    ModuleMethod<CreateFromPlayerRange,
                 "Fenra_MovieCreateFromSelection(mp as movieplayer,dstFile as folderitem,sPos as "
                 "integer,ePos as Integer) as Integer">(),
    ModuleMethod<CreateFromMovieRange,
                 "Fenra_MovieCreateFromSelection(srcMovie as movie,dstFile as folderitem,sPos as "
                 "integer,ePos as Integer) as Integer">(),
    ModuleMethod<CreateEmptyFile, "Fenra_MovieCreateEmptyFile(newFile as folderitem) as integer">(),
    ModuleMethod<CreateEmpty, "Fenra_MovieCreateEmpty(newFile as folderitem) as Movie">(),
    ModuleMethod<VideoTrackWithSample,
                 "Fenra_TrackVideoCreateWithSample(src as Movie,params as FenraImageDescComp,pic "
                 "as picture) as integer">(),
    ModuleMethod<SetPosterTimeFromPlayer,
                 "Fenra_MovieSetPosterTime(mp as movieplayer) as Integer">(),
    ModuleMethod<SetPosterTime,
                 "Fenra_MovieSetPosterTime(m as Movie,posterTime as integer) as Integer">(),
    ModuleMethod<CheckStatus, "Fenra_MovieCheckStatus(srcFile as folderitem) as integer">(),
    ModuleMethod<Volume, "Fenra_MovieVolume(m as movie) as integer">(),
    ModuleMethod<SetVolume, "Fenra_MovieVolume(m as movie,value as integer) as integer">(),
    ModuleMethod<TimeInfo, "Fenra_MovieTimeInfo(m as Movie,timeFlag as integer) as integer">(),
    ModuleMethod<TracksCount, "Fenra_MovieTracksCount(m as Movie) as integer">(),
    ModuleMethod<FramesCount, "Fenra_MovieFramesCount(m as Movie,fType as string) as integer">(),
    ModuleMethod<FramesCountInRange,
                 "Fenra_MovieFramesCount(m as Movie,tmRange as FenraTimeRange,fType as string) as "
                 "integer">(),
    ModuleMethod<SetBox, "Fenra_MovieSetBox(m as Movie,w as integer,h as integer) as integer">(),
    ModuleMethod<DataSize, "Fenra_MovieDataSize(m as Movie,tmRange as FenraTimeRange) as double">(),
    ModuleMethod<LoadMovieInRam,
                 "Fenra_LoadMovieInRAM(m as Movie,tmRange as FenraTimeRange,flags as integer) as "
                 "integer">(),
    ModuleMethod<LoadTrackInRam,
                 "Fenra_LoadTrackInRAM(m as Movie,trkIndex as integer,tmRange as "
                 "FenraTimeRange,flags as integer) as integer">(),
    ModuleMethod<Rate, "Fenra_MovieRates(srcMovie as Movie,whatRateFlag as integer) as double">(),
    ModuleMethod<SetRate,
                 "Fenra_MovieRates(srcMovie as Movie,newValue as double,whatRateFlag as integer) "
                 "as integer">(),
    ModuleMethod<HighQualityEnabled,
                 "Fenra_MovieHighQualityEnabled(srcMovie as Movie,enable as boolean) as "
                 "integer">(),
    ModuleMethod<SingleFieldEnabled,
                 "Fenra_MovieSingleFieldEnabled(srcMovie as Movie,enable as boolean) as "
                 "integer">(),
    ModuleMethod<TrackFramesCount,
                 "Fenra_TrackFramesCount(srcMovie as Movie,trkIndex as integer) as integer">(),
    ModuleMethod<TrackFramesCountInRange,
                 "Fenra_TrackFramesCount(srcMovie as Movie,trkIndex as integer,sPos as "
                 "integer,ePos as integer) as integer">(),
    ModuleMethod<TrackType, "Fenra_TrackType(srcMovie as Movie,trkIndex as integer) as string">(),
    ModuleMethod<TrackOffset,
                 "Fenra_TrackOffset(srcMovie as Movie,trkIndex as integer) as integer">(),
    ModuleMethod<SetTrackEnabledAt,
                 "Fenra_TrackEnabled(srcMovie as Movie,trkIndex as integer,enabled as boolean) as "
                 "integer">(),
    ModuleMethod<TrackEnabled,
                 "Fenra_TrackEnabled(srcMovie as Movie,trkIndex as integer) as boolean">(),
    ModuleMethod<TrackDuration,
                 "Fenra_TrackDuration(srcMovie as Movie,trkIndex as integer) as integer">(),
    ModuleMethod<TrackSampleDuration,
                 "Fenra_TrackSampleDuration(srcMovie as Movie,trkIndex as integer,sTime as "
                 "integer,SearchDirection as integer) as integer">(),
    ModuleMethod<TrackDataOffset,
                 "Fenra_TrackDataOffset(srcMovie as Movie,trkIndex as integer) as integer">(),
    ModuleMethod<TrackDataSize,
                 "Fenra_TrackDataSize(srcMovie as Movie,sPos as integer,ePos as integer,trkIndex "
                 "as integer) as integer">(),
    ModuleMethod<MediaDataSize,
                 "Fenra_MediaDataSize(srcMovie as Movie,sPos as integer,ePos as integer,trkIndex "
                 "as integer) as integer">(),
    ModuleMethod<Recompress,
                 "Fenra_MovieRecompress(src as Movie,dstFile as folderitem,cDepth as integer,cQual "
                 "as integer,CType as string,fRate as double) as integer">(),
    ModuleMethod<RecompressRegion,
                 "Fenra_MovieRecompress(src as Movie,dstFile as folderitem,roi() as integer,cDepth "
                 "as integer,cQual as integer,CType as string,fRate as double) as integer">(),
    ModuleMethod<CountSoundInputDevices, "Fenra_GBCountSoundInputDevices() as integer">(),
    ModuleMethod<SoundInputDeviceName,
                 "Fenra_GBGetIndexedSoundInputDevicesName(index as integer) as string">(),
};

}  // namespace

std::span<REALmethodDefinition> MovieEditingMethods() {
  return gMovieEditing;
}

}  // namespace fenra
