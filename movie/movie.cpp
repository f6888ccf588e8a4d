// FenraMovie: opening and making movies, their properties, seeking,
// counting samples, editing through the scrap, inserting movies and
// tracks, and saving.
#include "movie/movie.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "Aliases.h"
#include "FixMath.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Script.h"
#include "dataref/data_ref.h"
#include "movie/frame_render.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/quicktime_start.h"
#include "plugin/registration.h"
#include "values/graphics_context.h"
#include "values/rect.h"
#include "values/time_range.h"

namespace fenra {

namespace {

constexpr OSType kCreator = 'TVOD';
constexpr short kOpenFlags = static_cast<short>(long{newMovieActive} | newMovieDontResolveDataRefs |
                                                newMovieDontInteractWithUser);  // 0x803
constexpr short kUrlFlags =
    static_cast<short>(long{newMovieActive} | newMovieDontInteractWithUser);  // 0x801
constexpr long kCreateFlags = long{createMovieFileDeleteCurFile} | newMovieActive;
constexpr long kReferenceFileFlags = createMovieFileDeleteCurFile | createMovieFileDontCreateMovie;
constexpr long kFlattenFlags = flattenAddMovieToDataFork | flattenDontInterleaveFlatten |
                               flattenForceMovieResourceBeforeMovieData;  // 0x49
constexpr long kFlattenFileFlags = createMovieFileDeleteCurFile | createMovieFileDontCreateResFile;
constexpr Fixed kForward = 0x00010000;
constexpr Fixed kBackward = -0x00010000;

enum SeekCode : int32_t { kSeekStart = 1, kSeekEnd = 2, kSeekPrev = 3, kSeekNext = 4 };

// An unresolved data reference still gives a movie: it counts as success.
OSErr OpenResult(OSErr err) {
  return err == couldNotResolveDataRef ? OSErr{noErr} : err;
}

bool SameFile(const FSSpec& a, const FSSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && a.name[0] == b.name[0] &&
         std::memcmp(a.name + 1, b.name + 1, a.name[0]) == 0;
}

// Whether an alias data reference names the file.
bool NamesFile(Handle ref, OSType type, const FSSpec& file) {
  FSSpec target;
  Boolean changed = false;
  return ref != nullptr && type == rAliasType &&
         ResolveAlias(nullptr, reinterpret_cast<AliasHandle>(ref), &target, &changed) == noErr &&
         SameFile(target, file);
}

// Whether the movie is of the file (its default data reference names it).
bool IsMovieOf(Movie movie, const FSSpec& file) {
  Handle ref = nullptr;
  OSType type = 0;
  if (GetMovieDefaultDataRef(movie, &ref, &type) != noErr) return false;
  bool names = NamesFile(ref, type, file);
  DisposeHandle(ref);
  return names;
}

// Whether a media of the movie reads its samples from the file: through a
// reference naming it, or a self reference when the movie is of it.
bool ReadsFrom(Movie movie, const FSSpec& file) {
  bool ownFile = IsMovieOf(movie, file);
  long tracks = GetMovieTrackCount(movie);
  for (long i = 1; i <= tracks; ++i) {
    Media media = GetTrackMedia(GetMovieIndTrack(movie, i));
    short count = 0;
    if (media == nullptr || GetMediaDataRefCount(media, &count) != noErr) continue;
    for (short j = 1; j <= count; ++j) {
      Handle ref = nullptr;
      OSType type = 0;
      long attributes = 0;
      if (GetMediaDataRef(media, j, &ref, &type, &attributes) != noErr) continue;
      bool reads = (attributes & dataRefSelfReference) != 0 ? ownFile : NamesFile(ref, type, file);
      DisposeHandle(ref);
      if (reads) return true;
    }
  }
  return false;
}

// The file a save writes before it takes the destination's place: beside
// it, named after it.
OSErr AsideSpec(const FSSpec& spec, FSSpec* aside) {
  Str255 name;
  std::string_view prefix = ".fenra-save-";
  size_t kept = std::min<size_t>(spec.name[0], 255 - prefix.size());
  name[0] = static_cast<unsigned char>(prefix.size() + kept);
  std::memcpy(name + 1, prefix.data(), prefix.size());
  std::memcpy(name + 1 + prefix.size(), spec.name + 1, kept);
  OSErr err = FSMakeFSSpec(spec.vRefNum, spec.parID, name, aside);
  return err == fnfErr ? OSErr{noErr} : err;
}

// Writes a reference movie into a new file at the spec.
OSErr WriteReferenceMovie(Movie movie, const FSSpec& spec) {
  short ref = 0;
  OSErr err = CreateMovieFile(&spec, kCreator, smSystemScript, kReferenceFileFlags, &ref, nullptr);
  if (err != noErr) return err;
  err = UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr);
  OSErr closed = CloseMovieFile(ref);
  return err != noErr ? err : closed;
}

// A reference movie whose media stay where they are. A file already at
// the spec is moved aside (exchanged with a new empty file beside it)
// while the new movie is written, and put back when that fails, so media
// written into the new file name it by its own name and a failed save
// leaves the old file as it was. The file the movie's own samples are read
// from is never replaced (fBsyErr).
OSErr SaveReferenceMovie(Movie movie, const FSSpec& spec) {
  FInfo info;
  OSErr there = FSpGetFInfo(&spec, &info);
  if (there == fnfErr) return WriteReferenceMovie(movie, spec);
  if (there != noErr) return there;
  if (ReadsFrom(movie, spec)) return fBsyErr;
  FSSpec kept;
  if (OSErr err = AsideSpec(spec, &kept)) return err;
  OSErr made = FSpCreate(&kept, kCreator, kQTFileTypeMovie, smSystemScript);
  if (made == dupFNErr && FSpDelete(&kept) == noErr) {  // left by a save cut short
    made = FSpCreate(&kept, kCreator, kQTFileTypeMovie, smSystemScript);
  }
  if (made != noErr) return made;
  OSErr err = FSpExchangeFiles(&kept, &spec);
  if (err == noErr) {
    err = WriteReferenceMovie(movie, spec);
    // When the old file cannot be put back it stays under the name beside.
    if (err != noErr && FSpExchangeFiles(&kept, &spec) != noErr) return err;
  }
  FSpDelete(&kept);
  return err;
}

// Writes the movie to the file: a small reference movie whose media stay
// where they are, or a self-contained copy of every sample.
OSErr SaveMovie(Movie movie, const FSSpec* spec, bool selfContained) {
  if (movie == nullptr || spec == nullptr) return paramErr;
  SetMovieProgressProc(movie, reinterpret_cast<MovieProgressUPP>(-1), 0);
  OSErr err;
  if (!selfContained) {
    err = SaveReferenceMovie(movie, *spec);
  } else {
    FlattenMovie(movie, kFlattenFlags, spec, kCreator, smSystemScript, kFlattenFileFlags, nullptr,
                 nullptr);
    err = GetMoviesError();
  }
  SetMovieProgressProc(movie, nullptr, 0);
  return err;
}

// The movie's box, or its natural bounds, with the result of reading it.
OSErr ReadMovieBox(Movie movie, Rect* box) {
  GetMovieBox(movie, box);
  return GetMoviesError();
}

OSErr ReadNaturalBounds(Movie movie, Rect* bounds) {
  GetMovieNaturalBoundsRect(movie, bounds);
  return GetMoviesError();
}

// Saves a movie with video at its natural size: the box is set to the
// natural bounds for the save and put back afterwards. A box or bounds
// that cannot be read stops the save before anything changes.
OSErr SaveAtNaturalSize(Movie movie, const FSSpec* spec, bool selfContained) {
  Rect box{0, 0, 0, 0};
  Rect natural{0, 0, 0, 0};
  if (OSErr err = ReadMovieBox(movie, &box)) return err;
  if (OSErr err = ReadNaturalBounds(movie, &natural)) return err;
  if (MacEqualRect(&box, &natural)) return SaveMovie(movie, spec, selfContained);
  SetMovieBox(movie, &natural);
  OSErr err = GetMoviesError();
  if (err == noErr) err = SaveMovie(movie, spec, selfContained);
  SetMovieBox(movie, &box);
  OSErr restored = GetMoviesError();
  return err != noErr ? err : restored;
}

// For a copied movie: every video track and the movie lose their
// transformations.
void ResetVideoMatrices(Movie movie) {
  if (GetMovieIndTrackType(movie, 1, VideoMediaType, movieTrackMediaType) == nullptr) return;
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  long count = GetMovieTrackCount(movie);
  for (long i = 1; i <= count; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    OSType type = 0;
    Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
    if (media != nullptr) GetMediaHandlerDescription(media, &type, nullptr, nullptr);
    if (type != VideoMediaType) continue;
    SetTrackMatrix(track, &identity);
    SetMovieMatrix(movie, &identity);
  }
}

}  // namespace

Movie CopyMovie(Movie movie) {
  Handle handle = NewHandle(4);
  if (handle == nullptr) return nullptr;
  Movie copy = nullptr;
  if (PutMovieIntoHandle(movie, handle) == noErr) {
    NewMovieFromHandle(&copy, handle, newMovieActive, nullptr);
  }
  DisposeHandle(handle);
  return copy;
}

MovieNative::~MovieNative() {
  if (ownsMovie && movie != nullptr) DisposeMovie(movie);
  if (fileRef != 0) CloseMovieFile(fileRef);
  delete fileSpec;
}

uint32_t MovieNative::GetCreationTime() const {
  return movie != nullptr ? GetMovieCreationTime(movie) : 0;
}

uint32_t MovieNative::GetModificationTime() const {
  return movie != nullptr ? GetMovieModificationTime(movie) : 0;
}

bool MovieNative::HasVideo() {
  return movie != nullptr && MovieHasCharacteristic(movie, VisualMediaCharacteristic);
}

bool MovieNative::HasSound() {
  return movie != nullptr && MovieHasCharacteristic(movie, AudioMediaCharacteristic);
}

int32_t MovieTimeValue(Movie movie, int32_t selector) {
  if (movie == nullptr) return 0;
  switch (selector) {
    case kTimeDuration:
      return GetMovieDuration(movie);
    case kTimeScale:
      return GetMovieTimeScale(movie);
    case kTimeCurrent:
      return GetMovieTime(movie, nullptr);
    case kTimePosterOrOffset:
      return GetMoviePosterTime(movie);
  }
  return 0;
}

int32_t MovieNative::GetTimeValue(int32_t selector) {
  return MovieTimeValue(movie, selector);
}

int16_t MovieNative::GetVolume() {
  return movie != nullptr ? GetMovieVolume(movie) : 0;
}

void MovieNative::SetVolume(int16_t volume) {
  if (movie == nullptr) {
    err = invalidMovie;
    return;
  }
  SetMovieVolume(movie, volume);
  err = GetMoviesError();
}

void MovieNative::GetDataSize(const TimeRangeNative* range, wide* size) {
  *size = 0;
  if (movie == nullptr) {
    err = invalidMovie;
    return;
  }
  TimeValue start, length;
  RangeOf(range, &start, &length);
  err = GetMovieDataSize64(movie, start, length, size);
}

void MovieNative::LoadIntoRam(const TimeRangeNative* range, long flags) {
  if (movie == nullptr) {
    err = invalidMovie;
    return;
  }
  TimeValue start, length;
  if (!LoadRangeOf(range, &start, &length)) return;
  err = LoadMovieIntoRam(movie, start, length, flags);
}

void MovieNative::SetDisplayProperties(GraphicsContextNative* context) {
  if (movie == nullptr || !HasVideo()) {
    err = invalidMovie;
    return;
  }
  err = ApplyDisplayProperties(
      context,
      [](void* m, const MatrixRecord* matrix) { SetMovieMatrix(static_cast<Movie>(m), matrix); },
      [](void* m, RgnHandle clip) { SetMovieClipRgn(static_cast<Movie>(m), clip); }, movie);
  if (err == noErr) NotifyController();
}

NativeObject* MovieNative::NewUserData() {
  return movie != nullptr ? UserDataOver(GetMovieUserData(movie)) : nullptr;
}

void MovieNative::NotifyController() {
  if (controller != nullptr) MCMovieChanged(controller, movie);
}

void MovieNative::Seek(int32_t code, const OSType* mediaType) {
  if (movie == nullptr) {
    err = invalidMovie;
    return;
  }
  err = noErr;
  short typeCount = mediaType != nullptr ? 1 : 0;
  TimeValue next = 0;
  switch (code) {
    case kSeekStart:
      GoToBeginningOfMovie(movie);
      break;
    case kSeekEnd:
      GoToEndOfMovie(movie);
      break;
    case kSeekPrev: {
      TimeValue now = GetMovieTime(movie, nullptr);
      if (now == 0) return;
      GetMovieNextInterestingTime(movie, nextTimeStep, typeCount, mediaType, now, kBackward, &next,
                                  nullptr);
      SetMovieTimeValue(movie, next);
      err = GetMoviesError();
      break;
    }
    case kSeekNext: {
      TimeValue end = GetMovieDuration(movie);
      TimeValue now = GetMovieTime(movie, nullptr);
      if (now == end) return;
      short flags = now == 0 ? short{nextTimeStep | nextTimeEdgeOK} : short{nextTimeStep};
      GetMovieNextInterestingTime(movie, flags, typeCount, mediaType, now, kForward, &next,
                                  nullptr);
      SetMovieTimeValue(movie, next);
      err = GetMoviesError();
      break;
    }
    default:
      return;
  }
  if (err == noErr) NotifyController();
}

void MovieNative::EditSelection(TimeRangeNative* r, int32_t editCode) {
  err = noErr;
  if (movie == nullptr) {
    err = invalidMovie;
    return;
  }
  if (r != nullptr) {
    SetMovieSelection(movie, r->start, r->length);
  } else {
    SetMovieSelection(movie, 0, GetMovieDuration(movie));
  }
  err = GetMoviesError();
  if (err != noErr) return;
  SetMovieProgressProc(movie, reinterpret_cast<MovieProgressUPP>(-1), 0);
  Movie temporary = nullptr;
  switch (editCode) {
    case kEditCopy:
      temporary = CopyMovieSelection(movie);
      err = PutMovieOnScrap(temporary, movieScrapOnlyPutMovie);
      break;
    case kEditClear:
      ClearMovieSelection(movie);
      err = GetMoviesError();
      break;
    case kEditCut:
      temporary = CutMovieSelection(movie);
      err = PutMovieOnScrap(temporary, movieScrapOnlyPutMovie);
      break;
    case kEditPaste:
      temporary = NewMovieFromScrap(0);
      PasteMovieSelection(movie, temporary);
      err = GetMoviesError();
      break;
  }
  if (temporary != nullptr) DisposeMovie(temporary);
  if (r != nullptr) {
    TimeValue start = 0, length = 0;
    GetMovieSelection(movie, &start, &length);
    r->start = start;
    r->length = length;
  }
  if (err == noErr && editCode != kEditCopy) NotifyController();
  SetMovieProgressProc(movie, nullptr, 0);
}

void MovieNative::InsertMovie(MovieNative& source, const TimeRangeNative* r, bool append) {
  if (movie == nullptr || source.movie == nullptr) {
    err = invalidMovie;
    return;
  }
  Movie from = source.movie;
  Movie to = movie;
  // Inserted frames keep the destination's geometry.
  bool swapMatrix = &source != this && source.HasVideo();
  MatrixRecord saved;
  if (swapMatrix) {
    GetMovieMatrix(from, &saved);
    MatrixRecord destination;
    GetMovieMatrix(to, &destination);
    SetMovieMatrix(from, &destination);
  }
  TimeValue at = append ? GetMovieDuration(to) : GetMovieTime(to, nullptr);
  if (r != nullptr && r->IsValid()) {
    err = InsertMovieSegment(from, to, r->start, r->length, at);
  } else {
    err = InsertMovieSegment(from, to, 0, GetMovieDuration(from), at);
  }
  if (swapMatrix) SetMovieMatrix(from, &saved);
  if (err == noErr) NotifyController();
}

MovieNative* MovieNativeOf(REALobject instance) {
  return dynamic_cast<MovieNative*>(GetNativeObject(instance));
}

void WrapMovie(REALobject instance, Movie movie) {
  if (movie == nullptr) return;
  auto* native = new (std::nothrow) MovieNative;
  if (native == nullptr) return;
  native->movie = movie;
  SetNative(instance, native);
}

namespace {

MovieNative* Native(REALobject instance) {
  return MovieNativeOf(instance);
}

// A native with a movie, or null; with `report`, a native without a movie
// records invalidMovie.
MovieNative* WithMovie(REALobject instance, bool report = true) {
  MovieNative* native = Native(instance);
  if (native == nullptr) return nullptr;
  if (native->movie == nullptr) {
    if (report) native->err = invalidMovie;
    return nullptr;
  }
  return native;
}

const TimeRangeNative* RangeArgument(REALobject range) {
  return range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
}

// --- Constructors ---

// Every constructor with an argument stores a native, movie or not.
MovieNative* NewNative(REALobject instance) {
  auto* native = new (std::nothrow) MovieNative;
  SetNative(instance, native);
  return native;
}

void NewEmpty(REALobject instance) {
  MovieNative* native = NewNative(instance);
  if (native == nullptr) return;
  native->movie = NewMovie(newMovieActive);
  if (native->movie != nullptr) {
    native->ownsMovie = true;
    native->inMemory = true;
  }
}

}  // namespace

void OpenMovieFile(MovieNative* native, REALfolderItem file, bool create) {
  FSSpec spec;
  OSErr err = FolderItemToFSSpec(file, &spec);
  if (err != noErr) {
    native->err = err;
    return;
  }
  if (create) {
    err = CreateMovieFile(&spec, kCreator, smCurrentScript, kCreateFlags, &native->fileRef,
                          &native->movie);
  } else {
    err = OpenMovieFile(&spec, &native->fileRef, fsCurPerm);
    if (err == noErr) {
      err = OpenResult(NewMovieFromFile(&native->movie, native->fileRef, &native->resId, nullptr,
                                        kOpenFlags, nullptr));
    }
  }
  native->err = err;
  if (err != noErr) {
    if (native->movie != nullptr) DisposeMovie(native->movie);
    native->movie = nullptr;
    return;
  }
  native->fileSpec = new (std::nothrow) FSSpec;
  if (native->fileSpec != nullptr) CopyFSSpec(native->fileSpec, &spec);
  native->ownsMovie = true;
}

void OpenHostMovie(MovieNative* native, REALmovie hostMovie, bool copy) {
  auto movie = static_cast<Movie>(host::getMovieMovie(hostMovie));
  if (movie == nullptr) {
    native->err = invalidMovie;
    return;
  }
  if (!copy) {
    native->movie = movie;
    return;
  }
  native->movie = CopyMovie(movie);
  if (native->movie != nullptr) ResetVideoMatrices(native->movie);
  native->ownsMovie = true;
}

namespace {

void NewFromFile(REALobject instance, REALfolderItem file, RBBoolean create) {
  if (file == nullptr) return;
  if (MovieNative* native = NewNative(instance)) OpenMovieFile(native, file, create != 0);
}

void NewFromHostMovie(REALobject instance, REALmovie hostMovie, RBBoolean copy) {
  if (hostMovie == nullptr) return;
  if (MovieNative* native = NewNative(instance)) OpenHostMovie(native, hostMovie, copy != 0);
}

void NewFromPlayer(REALobject instance, REALmoviePlayer player) {
  if (player == nullptr) return;
  MovieNative* native = NewNative(instance);
  if (native == nullptr) return;
  auto controller = static_cast<MovieController>(host::getMoviePlayerController(player));
  if (controller == nullptr) {
    native->err = paramErr;
    return;
  }
  native->movie = MCGetIndMovie(controller, 0);
  if (native->movie != nullptr) native->controller = controller;
}

void NewFromUrl(REALobject instance, REALstring url) {
  if (url == nullptr) return;
  MovieNative* native = NewNative(instance);
  if (native == nullptr) return;
  std::string_view text = HostStringText(url);
  Handle ref = NewHandle(static_cast<Size>(text.size() + 1));
  if (ref == nullptr) {
    native->err = MemError();
    return;
  }
  if (!text.empty()) std::memcpy(*ref, text.data(), text.size());
  (*ref)[text.size()] = 0;
  native->err = NewMovieFromDataRef(&native->movie, kUrlFlags, nullptr, ref, URLDataHandlerSubType);
  DisposeHandle(ref);
  native->ownsMovie = native->err == noErr;
}

}  // namespace

void OpenDataRefMovie(MovieNative* native, REALobject dataRef) {
  DataRefNative* source = GetDataRefNative(dataRef);
  if (source == nullptr || !source->IsValid()) {
    native->err = paramErr;
    return;
  }
  Handle ref = source->reference;
  OSType type = source->type;
  native->err =
      OpenResult(NewMovieFromDataRef(&native->movie, kOpenFlags, &native->resId, ref, type));
  if (native->movie != nullptr) {
    native->ownsMovie = true;
    native->inMemory = type == PointerDataHandlerSubType || type == HandleDataHandlerSubType;
  }
}

namespace {

void NewFromDataRef(REALobject instance, REALobject dataRef) {
  if (dataRef == nullptr) return;
  if (MovieNative* native = NewNative(instance)) OpenDataRefMovie(native, dataRef);
}

void DestroyMovieNative(REALobject instance) {
  DestroyNative<MovieNative>(instance);
}

// --- Properties ---

REALmovie GetHostMovie(REALobject instance, intptr_t) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr) return nullptr;
  Movie copy = CopyMovie(native->movie);
  if (copy == nullptr) return nullptr;
  auto hostMovie = reinterpret_cast<REALmovie>(host::PluginNewInstance("Movie"));
  if (hostMovie == nullptr) {
    DisposeMovie(copy);
    return nullptr;
  }
  host::REALSetMovieMovie(hostMovie, copy);
  return hostMovie;
}

enum : intptr_t { kEnabled = 0, kIsQTVR = 1 };

// The controller type a movie asks for, from its 'ctyp' user data.
bool IsQTVR(MovieNative* native) {
  UserData userData = GetMovieUserData(native->movie);
  UInt32 stored = 0;
  native->err = GetUserDataItem(userData, &stored, sizeof stored, 'ctyp', 1);
  if (native->err != noErr) return false;
  auto* bytes = reinterpret_cast<const unsigned char*>(&stored);
  OSType type = (OSType{bytes[0]} << 24) | (OSType{bytes[1]} << 16) | (OSType{bytes[2]} << 8) |
                OSType{bytes[3]};
  return type == 'qtvr' || type == 'STpn' || type == 'stna';
}

RBBoolean GetBoolean(REALobject instance, intptr_t selector) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr) return false;
  if (selector == kEnabled) return GetMovieActive(native->movie) != 0;
  return IsQTVR(native);
}

void SetBoolean(REALobject instance, intptr_t selector, RBBoolean value) {
  if (selector != kEnabled) return;
  MovieNative* native = WithMovie(instance);
  if (native == nullptr) return;
  SetMovieActive(native->movie, value != 0);
  native->err = GetMoviesError();
}

enum : intptr_t { kTracksCount = 4, kPrefVolume = 7 };

RBInteger GetInteger(REALobject instance, intptr_t selector) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr) return 0;
  if (selector <= kTimePosterOrOffset) {
    return native->GetTimeValue(static_cast<int32_t>(selector));
  }
  if (selector == kTracksCount) return GetMovieTrackCount(native->movie);
  if (selector == kPrefVolume) return GetMoviePreferredVolume(native->movie);
  return 0;
}

void SetInteger(REALobject instance, intptr_t selector, RBInteger value) {
  bool fits =
      selector == kPrefVolume ? std::in_range<short>(value) : std::in_range<TimeValue>(value);
  if (selector == kTimeScale) {
    MovieNative* native = WithMovie(instance, false);
    if (native == nullptr) return;
    if (!fits) {
      native->err = paramErr;
      return;
    }
    SetMovieTimeScale(native->movie, static_cast<TimeScale>(value));
    return;
  }
  MovieNative* native = WithMovie(instance);
  if (native == nullptr) return;
  if (!fits) {
    native->err = paramErr;
    return;
  }
  Movie movie = native->movie;
  auto time = static_cast<TimeValue>(value);
  switch (selector) {
    case kTimeDuration:
      native->err = ScaleMovieSegment(movie, 0, GetMovieDuration(movie), time);
      if (native->err == noErr) native->NotifyController();
      return;
    case kTimeCurrent:
      SetMovieTimeValue(movie, time);
      break;
    case kTimePosterOrOffset:
      SetMoviePosterTime(movie, time);
      break;
    case kPrefVolume:
      SetMoviePreferredVolume(movie, static_cast<short>(value));
      break;
    default:
      return;
  }
  native->err = GetMoviesError();
}

enum : intptr_t { kRate = 2, kPrefRate = 3 };

double GetDouble(REALobject instance, intptr_t selector) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr) return 0.0;
  Fixed rate =
      selector == kRate ? GetMovieRate(native->movie) : GetMoviePreferredRate(native->movie);
  return Fix2X(rate);
}

void SetDouble(REALobject instance, intptr_t selector, double value) {
  MovieNative* native = WithMovie(instance);
  if (native == nullptr) return;
  Fixed rate = 0;
  if (!DoubleToFixed(value, &rate)) {
    native->err = paramErr;
    return;
  }
  if (selector == kRate) {
    SetMovieRate(native->movie, rate);
  } else {
    SetMoviePreferredRate(native->movie, rate);
  }
  native->err = GetMoviesError();
}

REALobject GetSelection(REALobject instance, intptr_t) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr) return nullptr;
  return NewTimeRangeObject(0, GetMovieDuration(native->movie));
}

void SetSelection(REALobject instance, intptr_t, REALobject value) {
  MovieNative* native = WithMovie(instance);
  if (native == nullptr) return;
  const TimeRangeNative* range = RangeArgument(value);
  if (range != nullptr) {
    SetMovieSelection(native->movie, range->start, range->length);
  } else {
    SetMovieSelection(native->movie, 0, GetMovieDuration(native->movie));
  }
  native->err = GetMoviesError();
}

enum : intptr_t { kNaturalBox = 0, kBox = 1 };

REALobject GetBox(REALobject instance, intptr_t selector) {
  MovieNative* native = WithMovie(instance, false);
  if (native == nullptr || !native->HasVideo()) return nullptr;
  Rect box{0, 0, 0, 0};
  OSErr err = selector == kNaturalBox ? ReadNaturalBounds(native->movie, &box)
                                      : ReadMovieBox(native->movie, &box);
  if (err != noErr) {
    native->err = err;
    return nullptr;
  }
  return NewRectObject(box);
}

void SetBox(REALobject instance, intptr_t, REALobject value) {
  const Rect* box = RectOf(value);
  MovieNative* native = WithMovie(instance, false);
  if (box == nullptr || native == nullptr || !native->HasVideo()) return;
  SetMovieBox(native->movie, box);
  native->err = GetMoviesError();
  if (native->err == noErr) native->NotifyController();
}

// --- Methods ---

void SeekTime(REALobject instance, RBInteger code) {
  // A code out of range is no code, as 0 is.
  int32_t known = std::in_range<int32_t>(code) ? static_cast<int32_t>(code) : 0;
  if (MovieNative* native = Native(instance)) native->Seek(known, nullptr);
}

// Draws the movie once off screen, so that MPEG media know their frames.
bool PrimeMpegFrames(Movie movie) {
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 32, 32};
  if (NewGWorld(&world, 0, &bounds, nullptr, nullptr, 0) != noErr || world == nullptr) {
    return false;
  }
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  DisposeGWorld(world);
  SetGWorld(port, device);
  return true;
}

// Counts the interesting times from `start` up to `end` (none: to the
// movie's end) of one media type, or of all media when `type` is null.
RBInteger CountSteps(Movie movie, const OSType* type, TimeValue start, const TimeValue* end) {
  RBInteger count = -1;
  TimeValue t = start;
  short flags = nextTimeStep;
  if (type != nullptr && start == 0) {
    flags = nextTimeMediaSample | nextTimeEdgeOK | nextTimeIgnoreActiveSegment;
  }
  do {
    ++count;
    GetMovieNextInterestingTime(movie, flags, type != nullptr ? 1 : 0, type, t, kForward, &t,
                                nullptr);
    flags = nextTimeStep;
  } while (t >= 0 && (end == nullptr || t <= *end));
  return count;
}

RBInteger SamplesCount(REALobject instance, REALobject range, REALstring type) {
  MovieNative* native = Native(instance);
  if (native == nullptr || type == nullptr || native->movie == nullptr) return -1;
  Movie movie = native->movie;
  OSType mediaType = StringToOSType(type);
  const TimeRangeNative* r = RangeArgument(range);
  if (r == nullptr) return CountSteps(movie, &mediaType, 0, nullptr);
  TimeValue end = r->start + r->length;
  if (mediaType != 'MPEG') return CountSteps(movie, &mediaType, r->start, &end);
  if (((static_cast<unsigned long>(QuickTimeVersion()) >> 16) & 0xFFFF) >= 0x0600 &&
      !PrimeMpegFrames(movie)) {
    return -1;
  }
  return CountSteps(movie, nullptr, r->start, &end);
}

REALobject TrackAt(REALobject instance, RBInteger index) {
  MovieNative* native = Native(instance);
  if (native == nullptr || native->movie == nullptr) return nullptr;
  Track track = MovieTrackAt(native->movie, index);
  return track != nullptr ? NewTrackObject(track) : nullptr;
}

void Edit(REALobject instance, REALobject range, RBInteger editFlag) {
  MovieNative* native = Native(instance);
  if (native == nullptr) return;
  auto* r = range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
  // A code out of range is no edit, as 4 is.
  native->EditSelection(r, std::in_range<int32_t>(editFlag) ? static_cast<int32_t>(editFlag) : -1);
}

// The movie's current frame as a host picture, through `context` (null:
// as drawn); nil with err set when it cannot be rendered.
REALpicture FramePicture(MovieNative* native, GraphicsContextNative* context) {
  OSErr err = noErr;
  FrameBuffer* result = RenderMovieFrame(native->movie, context, &err);
  native->err = err;
  if (result == nullptr) return nullptr;
  REALpicture picture = host::REALBuildPictureFromGWorld(result->world, false);
  delete result;
  return picture;
}

REALpicture Frame(REALobject instance) {
  MovieNative* native = Native(instance);
  return native != nullptr ? FramePicture(native, nullptr) : nullptr;
}

REALpicture FrameSized(REALobject instance, RBInteger width, RBInteger height) {
  MovieNative* native = Native(instance);
  if (native == nullptr) return nullptr;
  if (!std::in_range<short>(width) || !std::in_range<short>(height)) {
    native->err = paramErr;
    return nullptr;
  }
  GraphicsContextNative context;
  context.Reset();
  if (native->movie != nullptr) GetMovieNaturalBoundsRect(native->movie, &context.src.rect);
  context.SetDestination(Rect{0, 0, static_cast<short>(height), static_cast<short>(width)});
  return FramePicture(native, &context);
}

REALpicture FrameThrough(REALobject instance, REALobject gc) {
  MovieNative* native = Native(instance);
  if (native == nullptr) return nullptr;
  GraphicsContextNative* context = gc != nullptr ? GetNative<GraphicsContextNative>(gc) : nullptr;
  return FramePicture(native, context);
}

void RemoveTrack(REALobject instance, RBInteger index) {
  MovieNative* native = WithMovie(instance);
  if (native == nullptr) return;
  Track track = MovieTrackAt(native->movie, index);
  if (track == nullptr) {
    native->err = invalidTrack;
    return;
  }
  DisposeMovieTrack(track);
  native->err = GetMoviesError();
}

void InsertMovie(REALobject instance, REALobject other, REALobject range, RBBoolean append) {
  MovieNative* native = Native(instance);
  if (native == nullptr) return;
  MovieNative* source = other != nullptr ? MovieNativeOf(other) : native;
  if (source == nullptr) {
    native->err = invalidMovie;
    return;
  }
  native->InsertMovie(*source, RangeArgument(range), append != 0);
}

void InsertTrack(REALobject instance, REALobject trackObject, REALobject range, RBBoolean copy) {
  MovieNative* native = Native(instance);
  if (native == nullptr || trackObject == nullptr) return;
  native->err = invalidMovie;
  if (native->movie == nullptr) return;
  TrackNative* source = TrackNativeOf(trackObject);
  if (source == nullptr || source->track == nullptr) {
    native->err = invalidTrack;
    return;
  }
  Fixed width = 0, height = 0;
  GetTrackDimensions(source->track, &width, &height);
  Track track = NewMovieTrack(native->movie, width, height, source->GetVolume());
  native->err = GetMoviesError();
  if (native->err != noErr) return;
  Media sourceMedia = GetTrackMedia(source->track);
  Media media = NewTrackMedia(track, source->mediaType, GetMediaTimeScale(sourceMedia), nullptr, 0);
  native->err = GetMoviesError();
  if (native->err != noErr) return;
  if (copy) {
    native->err = BeginMediaEdits(media);
    if (native->err != noErr) return;
  }
  const TimeRangeNative* r = RangeArgument(range);
  if (r != nullptr && r->IsValid()) {
    native->err = InsertTrackSegment(source->track, track, r->start, r->length, 0);
  } else {
    native->err = InsertTrackSegment(source->track, track, 0, GetTrackDuration(source->track), 0);
  }
  if (copy) EndMediaEdits(media);
  if (native->err != noErr) return;
  SetTrackEnabled(track, GetTrackEnabled(source->track));
  CopyTrackSettings(source->track, track);
  native->NotifyController();
}

void Flush(REALobject instance) {
  MovieNative* native = WithMovie(instance);
  if (native == nullptr || !HasMovieChanged(native->movie)) return;
  if (native->fileRef == 0) {
    native->err = SaveMovie(native->movie, native->fileSpec, false);
    return;
  }
  if (native->resId > 0) RemoveMovieResource(native->fileRef, native->resId);
  native->err = UpdateMovieResource(native->movie, native->fileRef, movieInDataForkResID, nullptr);
}

void FlushTo(REALobject instance, REALfolderItem file, RBBoolean selfContained) {
  MovieNative* native = Native(instance);
  if (native == nullptr || file == nullptr) return;
  FSSpec spec;
  if (OSErr err = FolderItemToFSSpec(file, &spec)) {
    native->err = err;
    return;
  }
  Movie movie = native->movie;
  if (movie != nullptr && native->HasVideo()) {
    native->err = SaveAtNaturalSize(movie, &spec, selfContained != 0);
  } else {
    native->err = SaveMovie(movie, &spec, selfContained != 0);
  }
}

// A new movie of the source's range, with the source's settings and box.
Movie MovieOfRange(Movie source, const TimeRangeNative& range) {
  TimeValue savedStart = 0, savedLength = 0;
  GetMovieSelection(source, &savedStart, &savedLength);
  SetMovieSelection(source, range.start, range.length);
  Movie copy = CopyMovieSelection(source);
  if (copy != nullptr) {
    CopyMovieSettings(source, copy);
    if (RgnHandle bounds = GetMovieBoundsRgn(source)) {
      Rect box;
      GetRegionBounds(bounds, &box);
      SetMovieBox(copy, &box);
      DisposeRgn(bounds);
    }
  }
  SetMovieSelection(source, savedStart, savedLength);
  return copy;
}

void FlushRangeTo(REALobject instance, REALfolderItem file, REALobject range,
                  RBBoolean selfContained) {
  MovieNative* native = Native(instance);
  if (native == nullptr || file == nullptr) return;
  const TimeRangeNative* r = RangeArgument(range);
  if (r == nullptr) {
    FlushTo(instance, file, selfContained);
    return;
  }
  if (native->movie == nullptr) {
    native->err = invalidMovie;
    return;
  }
  if (r->length < 0) {
    native->err = paramErr;
    return;
  }
  Movie copy = MovieOfRange(native->movie, *r);
  if (copy == nullptr) {
    native->err = GetMoviesError();
    return;
  }
  FSSpec spec;
  OSErr err = FolderItemToFSSpec(file, &spec);
  native->err = err != noErr ? err : SaveMovie(copy, &spec, selfContained != 0);
  DisposeMovie(copy);
}

REALproperty gProperties[] = {
    Property<"qtMovie", "Movie", GetHostMovie, nullptr>(0),
    Property<"enabled", "Boolean", GetBoolean, SetBoolean>(kEnabled),
    Property<"isQTVR", "Boolean", GetBoolean, nullptr>(kIsQTVR),
    Property<"qtDuration", "Integer", GetInteger, SetInteger>(kTimeDuration),
    Property<"qtTimeScale", "Integer", GetInteger, SetInteger>(kTimeScale),
    Property<"qtTime", "Integer", GetInteger, SetInteger>(kTimeCurrent),
    Property<"qtPosterTime", "Integer", GetInteger, SetInteger>(kTimePosterOrOffset),
    Property<"qtTracksCount", "Integer", GetInteger, nullptr>(kTracksCount),
    Property<"qtPrefVolume", "Integer", GetInteger, SetInteger>(kPrefVolume),
    Property<"qtRate", "Double", GetDouble, SetDouble>(kRate),
    Property<"qtPrefRate", "Double", GetDouble, SetDouble>(kPrefRate),
    Property<"qtSelection", "FenraTimeRange", GetSelection, SetSelection>(0),
    Property<"qtMovieNaturalBox", "FenraRect", GetBox, SetBox>(kNaturalBox),
    Property<"qtMovieBox", "FenraRect", GetBox, SetBox>(kBox),
};

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraMovie()">(),
    Method<NewFromFile, "FenraMovie(f as folderitem,create as boolean=false)">(),
    Method<NewFromHostMovie, "FenraMovie(m as movie,copy as boolean)">(),
    Method<NewFromPlayer, "FenraMovie(mp as movieplayer)">(),
    Method<NewFromUrl, "FenraMovie(url as string)">(),
    Method<NewFromDataRef, "FenraMovie(dataRef as FenraDataRef)">(),
    Method<SeekTime, "qtSeekTime(seek as integer)">(),
    Method<SamplesCount, "qtSamplesCount(tmRange as FenraTimeRange,fType as string) as integer">(),
    Method<TrackAt, "qtTrack(index as integer) as FenraTrack">(),
    Method<Frame, "frame() as picture">(),
    Method<FrameSized, "frame(w as integer,h as integer) as picture">(),
    Method<FrameThrough, "frame(gc as FenraGraphicsContext) as picture">(),
    Method<Edit, "qtEdit(tmRange as FenraTimeRange,editFlag as integer)">(),
    Method<RemoveTrack, "qtRemoveTrack(index as integer)">(),
    Method<InsertMovie,
           "qtInsertMovie(m as FenraMovie,tmRange as FenraTimeRange,append as boolean)">(),
    Method<InsertTrack,
           "qtInsertTrack(t as FenraTrack,tmRange as FenraTimeRange,copy as boolean=false)">(),
    Method<Flush, "qtFlush()">(),
    Method<FlushTo, "qtFlush(dstFile as folderitem,selfContained as boolean=true)">(),
    Method<FlushRangeTo,
           "qtFlush(dstFile as folderitem,tmRange as FenraTimeRange,selfContained as "
           "boolean=true)">(),
};

REALconstant gConstants[] = {
    Constant("kSeek_Start = 1"),
    Constant("kSeek_End = 2"),
    Constant("kSeek_Prev = 3"),
    Constant("kSeek_Next = 4"),
};

}  // namespace

REALclassDefinition gFenraMovieClass =
    DefineClass("FenraMovie", "FenraContainer", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<DestroyMovieNative>(),
                {.properties = gProperties, .methods = gMethods, .constants = gConstants});

}  // namespace fenra
