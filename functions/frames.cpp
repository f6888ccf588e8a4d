// Frames and thumbnails: a movie's frame at a time and size, or a region
// of it at its own pixels; thumbnails of image files, pictures and movies;
// and every video frame of a movie written as numbered picture files, with
// the escape key as a way out. Pictures reach scripts as host pictures;
// every failure gives nil, its code kept in the module result word.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "Files.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "Quickdraw.h"
#include "functions/editing_support.h"
#include "functions/module_result.h"
#include "functions/module_tables.h"
#include "functions/video_frames.h"
#include "movie/movie.h"
#include "plugin/bridges.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "values/rect.h"

namespace fenra {
namespace {

constexpr OSType kCreator = 'TVOD';
constexpr OSType kPictureFileType = 'PICT';
constexpr long kPictureFileHeader = 512;  // zero bytes before the picture
constexpr Size kSmallestPicture = 10;     // a picture of this size or less draws nothing
constexpr short kBestDepth = 0;
constexpr long kSubWorldVersion = 0x0401;
constexpr OSErr kTooOldForSubWorlds = -666;
constexpr OSErr kFolderRefused = -45;
const auto kDefaultProgress = reinterpret_cast<ICMProgressProcRecordPtr>(-1);

// A length-prefixed copy of a string literal.
template <size_t N>
struct PText {
  consteval PText(const char (&text)[N]) {
    static_assert(N <= 256);
    bytes[0] = static_cast<unsigned char>(N - 1);
    for (size_t i = 0; i + 1 < N; ++i) bytes[i + 1] = static_cast<unsigned char>(text[i]);
  }
  unsigned char bytes[N];
};

constexpr PText kProgressTitle("Frame Conversion (press ESC to cancel)");
constexpr PText kFrameLabel("Extracting Frame Nr:");
constexpr PText kTrimmedFrameLabel("Extracting Trimmed Frame Nr:");

// ---- Pictures for the script ------------------------------------------

// A new host picture of the picture, through a device-independent bitmap;
// nil when it cannot be made. The picture stays the caller's.
REALpicture HostPicture(PicHandle picture) {
  Handle bitmap = GetDIBFromPICT(picture);
  if (bitmap == nullptr) return nullptr;
  HLock(bitmap);
  REALpicture result = host::REALBuildPictureFromDIB(*bitmap, 1);
  DisposeHandle(bitmap);
  return result;
}

// Keeps the result in the module word and gives the script the picture
// on success, nil otherwise. The picture is released either way.
REALpicture Deliver(OSErr err, PicHandle picture) {
  REALpicture result = err == noErr && picture != nullptr ? HostPicture(picture) : nullptr;
  if (err == noErr && result == nullptr) err = memFullErr;
  ModuleResult(err);
  if (picture != nullptr) KillPicture(picture);
  return result;
}

// QuickDraw's error for a call that answered nothing.
OSErr QuickDrawError() {
  OSErr err = QDError();
  return err != noErr ? err : memFullErr;
}

REALpicture Refuse(OSErr err) {
  ModuleResult(err);
  return nullptr;
}

bool FitsTime(RBInteger value) {
  return std::in_range<TimeValue>(value);
}

// ---- A frame at a time and size -----------------------------------------

// The movie's frame at `time`, drawn into a w by h picture (*picture, the
// caller's). The movie's box is set back afterwards.
OSErr FrameAt(Movie movie, TimeValue time, RBInteger w, RBInteger h, PicHandle* picture) {
  *picture = nullptr;
  Rect frame{0, 0, static_cast<short>(h), static_cast<short>(w)};
  if (movie == nullptr || EmptyRect(&frame)) return paramErr;
  Rect saved{0, 0, 0, 0};
  GetMovieBox(movie, &saved);
  bool resized = !MacEqualRect(&saved, &frame);
  if (resized) SetMovieBox(movie, &frame);
  *picture = GetMoviePict(movie, time);
  if (resized) SetMovieBox(movie, &saved);
  return *picture != nullptr ? noErr : memFullErr;
}

REALpicture FrameOf(Movie movie, TimeValue time, RBInteger w, RBInteger h) {
  PicHandle picture = nullptr;
  OSErr err = FrameAt(movie, time, w, h, &picture);
  return Deliver(err, picture);
}

REALpicture PlayerFrame(REALmoviePlayer mp, RBInteger w, RBInteger h) {
  Movie movie = ControllerMovie(PlayerController(mp));
  if (movie == nullptr) return Refuse(paramErr);
  return FrameOf(movie, GetMovieTime(movie, nullptr), w, h);
}

REALpicture PosterFrame(REALmovie m, RBInteger w, RBInteger h) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return Refuse(paramErr);
  return FrameOf(movie, GetMoviePosterTime(movie), w, h);
}

REALpicture FrameAtTime(REALmovie m, RBInteger mTime, RBInteger w, RBInteger h) {
  if (!FitsTime(mTime)) return Refuse(paramErr);
  return FrameOf(HostMovie(m), static_cast<TimeValue>(mTime), w, h);
}

// ---- A region of a frame ------------------------------------------------

// A private copy of a movie drawing into a 32-bit world of its natural box,
// and a world over one region of that world's pixels, which pictures of
// the region are recorded from. Everything is released when it goes.
struct RegionWorld {
  RegionWorld() = default;
  RegionWorld(const RegionWorld&) = delete;
  RegionWorld& operator=(const RegionWorld&) = delete;
  ~RegionWorld() {
    if (copy != nullptr) DisposeMovie(copy);
    if (sub != nullptr) DisposeGWorld(sub);
    if (locked != nullptr) UnlockPixels(locked);
    if (world != nullptr) DisposeGWorld(world);
  }

  Movie copy = nullptr;
  GWorldPtr world = nullptr;
  PixMapHandle locked = nullptr;  // the world's pixels, when locked here
  GWorldPtr sub = nullptr;
  Rect frame{0, 0, 0, 0};  // the region moved to 0, 0
};

// The sub-world over `region` of the world's pixels, which stay locked
// while it lives.
OSErr NewSubWorld(RegionWorld& r, const Rect& region) {
  if (PlatformVersionWord() < kSubWorldVersion) return kTooOldForSubWorlds;
  Rect bounds{0, 0, 0, 0};
  GetPortBounds(r.world, &bounds);
  if (region.top < bounds.top || region.left < bounds.left || region.bottom > bounds.bottom ||
      region.right > bounds.right) {
    return paramErr;
  }
  r.frame = Rect{0, 0, static_cast<short>(region.bottom - region.top),
                 static_cast<short>(region.right - region.left)};
  PixMapHandle pixels = GetGWorldPixMap(r.world);
  if (pixels == nullptr) return QuickDrawError();
  if (GetPixelsState(pixels) == 0 && LockPixels(pixels)) r.locked = pixels;
  const PixMap& map = **pixels;
  OSType format = map.pixelFormat != 0 ? map.pixelFormat : static_cast<OSType>(map.pixelSize);
  long rowBytes = GetPixRowBytes(pixels);
  Ptr base = GetPixBaseAddr(pixels);
  if (base == nullptr) return QuickDrawError();
  base += (region.top - bounds.top) * rowBytes + (region.left - bounds.left) * map.pixelSize / 8;
  return QTNewGWorldFromPtr(&r.sub, format, &r.frame, map.pmTable, nullptr, 0, base, rowBytes);
}

// Everything the region's pictures need: -50 for no movie or an empty or
// outside region, -2010 when the movie cannot be copied.
OSErr BeginRegion(RegionWorld& r, Movie movie, const Rect& region) {
  if (movie == nullptr || EmptyRect(&region)) return paramErr;
  r.copy = CopyMovie(movie);
  if (r.copy == nullptr) return invalidMovie;
  if (HasTrackOfType(r.copy, VideoMediaType)) ResetVideoMatrices(r.copy);
  Rect box{0, 0, 0, 0};
  GetMovieBox(r.copy, &box);
  if (OSErr err = NewGWorld(&r.world, 32, &box, nullptr, nullptr, 0)) return err;
  SetMovieGWorld(r.copy, r.world, GetGWorldDevice(r.world));
  return NewSubWorld(r, region);
}

// The region of the copy's frame at `time`, as a picture (the caller's).
OSErr RecordRegion(RegionWorld& r, TimeValue time, PicHandle* picture) {
  SetMovieTimeValue(r.copy, time);
  MoviesTask(r.copy, 0);
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(r.sub, nullptr);
  *picture = OpenPicture(&r.frame);
  OSErr err = memFullErr;
  if (*picture != nullptr) {
    const BitMap* bits = GetPortBitMapForCopyBits(r.sub);
    CopyBits(bits, bits, &r.frame, &r.frame, srcCopy, nullptr);
    err = QDError();
    ClosePicture();
    // A picture whose recording failed holds no image.
    if (err == noErr) err = QDError();
  }
  SetGWorld(port, device);
  if (err != noErr && *picture != nullptr) {
    KillPicture(*picture);
    *picture = nullptr;
  }
  return err;
}

REALpicture RegionFrame(REALmovie m, RBInteger mTime, REALobject roi) {
  const Rect* region = roi != nullptr ? RectOf(roi) : nullptr;
  if (region == nullptr || !FitsTime(mTime)) return Refuse(paramErr);
  RegionWorld r;
  PicHandle picture = nullptr;
  OSErr err = BeginRegion(r, HostMovie(m), *region);
  if (err == noErr) err = RecordRegion(r, static_cast<TimeValue>(mTime), &picture);
  return Deliver(err, picture);
}

// ---- Thumbnails ---------------------------------------------------------

OSErr ThumbnailOfPicture(PicHandle source, PicHandle thumbnail) {
  if (source == nullptr) return memFullErr;
  return MakeThumbnailFromPicture(source, kBestDepth, thumbnail, kDefaultProgress);
}

// The importer's image drawn into a new world of its natural size, the
// world's pixels locked. *world is the caller's, also on failure.
OSErr DrawImage(GraphicsImportComponent importer, GWorldPtr* world) {
  Rect bounds{0, 0, 0, 0};
  if (ComponentResult err = GraphicsImportGetNaturalBounds(importer, &bounds)) {
    return static_cast<OSErr>(err);
  }
  if (OSErr err = NewGWorld(world, 0, &bounds, nullptr, nullptr, 0)) return err;
  PixMapHandle pixels = GetGWorldPixMap(*world);
  if (pixels == nullptr) return QuickDrawError();
  if (!LockPixels(pixels)) return memFullErr;
  if (ComponentResult err = GraphicsImportSetGWorld(importer, *world, nullptr)) {
    return static_cast<OSErr>(err);
  }
  return static_cast<OSErr>(GraphicsImportDraw(importer));
}

OSErr ThumbnailOfFile(const FSSpec& file, PicHandle thumbnail) {
  GraphicsImportComponent importer = nullptr;
  OSErr err = GetGraphicsImporterForFile(&file, &importer);
  if (importer == nullptr) return err != noErr ? err : memFullErr;
  GWorldPtr world = nullptr;
  if (err == noErr) err = DrawImage(importer, &world);
  CloseComponent(importer);
  if (world == nullptr) return err;
  PixMapHandle pixels = GetGWorldPixMap(world);
  if (pixels == nullptr && err == noErr) err = QuickDrawError();
  if (err == noErr) {
    Rect bounds = (**pixels).bounds;
    err = MakeThumbnailFromPixMap(pixels, &bounds, kBestDepth, thumbnail, kDefaultProgress);
  }
  if (pixels != nullptr && (GetPixelsState(pixels) & pixelsLocked)) UnlockPixels(pixels);
  DisposeGWorld(world);
  return err;
}

// A thumbnail that `make` draws into a new picture handle, for the script.
template <typename F>
REALpicture Thumbnail(F&& make) {
  auto thumbnail = reinterpret_cast<PicHandle>(NewHandle(4));
  if (thumbnail == nullptr) return Refuse(memFullErr);
  return Deliver(make(thumbnail), thumbnail);
}

REALpicture FileThumbnail(REALfolderItem srcFile) {
  FSSpec spec{};
  if (OSErr err = FolderItemToFSSpec(srcFile, &spec)) return Refuse(err);
  return Thumbnail([&](PicHandle thumbnail) { return ThumbnailOfFile(spec, thumbnail); });
}

// The thumbnail of a picture the caller makes; the picture is released.
REALpicture ThumbnailOfOwned(PicHandle source) {
  REALpicture result =
      Thumbnail([&](PicHandle thumbnail) { return ThumbnailOfPicture(source, thumbnail); });
  if (source != nullptr) KillPicture(source);
  return result;
}

REALpicture PictureThumbnail(REALpicture srcPict) {
  PicHandle source = nullptr;
  if (OSErr err = PictureToPicHandle(srcPict, &source, nullptr)) return Refuse(err);
  return ThumbnailOfOwned(source);
}

REALpicture PosterThumbnail(REALmovie m) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return Refuse(memFullErr);
  return ThumbnailOfOwned(GetMoviePosterPict(movie));
}

REALpicture ThumbnailAtTime(REALmovie m, RBInteger mTime) {
  Movie movie = HostMovie(m);
  if (movie == nullptr) return Refuse(memFullErr);
  if (!FitsTime(mTime)) return Refuse(paramErr);
  return ThumbnailOfOwned(GetMoviePict(movie, static_cast<TimeValue>(mTime)));
}

// ---- Picture files ------------------------------------------------------

// The picture file's contents after its creation: 512 zero bytes, one a
// write, then the picture, and the end of file after it.
OSErr WritePictureData(short file, PicHandle picture, Size size) {
  if (OSErr err = SetFPos(file, fsFromStart, 0)) return err;
  const char zero = 0;
  for (long i = 0; i < kPictureFileHeader; ++i) {
    long count = 1;
    if (OSErr err = FSWrite(file, &count, &zero)) return err;
  }
  auto data = reinterpret_cast<Handle>(picture);
  HLock(data);
  long count = size;
  OSErr err = FSWrite(file, &count, *data);
  HUnlock(data);
  if (err != noErr) return err;
  if (OSErr e = SetFPos(file, fsFromStart, kPictureFileHeader + size)) return e;
  return SetEOF(file, kPictureFileHeader + size);
}

// Creates the picture file `spec` names. A file left incomplete is
// deleted, so that a later run (which skips existing files) writes it.
OSErr WritePictureFile(PicHandle picture, const FSSpec& spec) {
  Size size = GetHandleSize(reinterpret_cast<Handle>(picture));
  if (size <= kSmallestPicture) return memFullErr;
  if (OSErr err = FSpCreate(&spec, kCreator, kPictureFileType, 0)) return err;
  short file = 0;
  OSErr err = FSpOpenDF(&spec, fsRdWrPerm, &file);
  if (err == noErr) {
    err = WritePictureData(file, picture, size);
    OSErr closed = FSClose(file);
    if (err == noErr) err = closed;
  }
  if (err != noErr) FSpDelete(&spec);
  return err;
}

// The folder frame files go into: its volume and directory ID.
struct Destination {
  short volume = 0;
  long directory = 0;
};

// The folder itself (not the one holding it) receives the files: its
// directory ID is the parent ID of a name inside it. Fails for a folder
// that does not exist and for a file.
OSErr FolderDestination(REALfolderItem folder, Destination* d) {
  if (folder == nullptr) return paramErr;
  std::string inside = FolderItemPath(folder) + "/000001";
  FSSpec spec{};
  OSErr err = NativePathNameToFSSpec(inside.data(), &spec, 0);
  if (err != noErr && err != fnfErr) return err;
  d->volume = spec.vRefNum;
  d->directory = spec.parID;
  return noErr;
}

// Writes frame `number`'s file (six digits: 000001 ...), unless the folder
// holds a file of that name already, which is left as it is.
OSErr WriteFrameFile(PicHandle picture, const Destination& d, unsigned long number) {
  char digits[32];
  int length = std::snprintf(digits, sizeof digits, "%06lu", number);
  Str255 name;
  name[0] = static_cast<unsigned char>(length);
  std::memcpy(name + 1, digits, static_cast<size_t>(length));
  FSSpec spec{};
  OSErr err = FSMakeFSSpec(d.volume, d.directory, name, &spec);
  if (err != fnfErr) return err;
  return WritePictureFile(picture, spec);
}

// Writes the pictures `frame` gives for the movie's video frames (at most
// `count`) as files numbered from 1, until escape is pressed. The result
// is the last file step's, or `none` when no frame reached one.
template <typename F>
OSErr WriteFrames(Movie movie, long count, const Destination& d, const unsigned char* label,
                  OSErr none, F&& frame) {
  ProgressWindow progress = CreateProgressWindow(nullptr, kProgressTitle.bytes, label, 0, count);
  OSErr result = none;
  OSType type = VideoMediaType;
  TimeValue t = 0;
  short flags = kFirstStepFlags;
  for (unsigned long number = 1; number <= static_cast<unsigned long>(count); ++number) {
    if (EscapePressed()) break;
    GetMovieNextInterestingTime(movie, flags, 1, &type, t, kNormalRate, &t, nullptr);
    if (t < 0) break;
    flags = nextTimeStep;
    PicHandle picture = frame(t);
    if (picture == nullptr) continue;
    UpdateProgressWindow(progress, static_cast<long>(number), 1);
    result = WriteFrameFile(picture, d, number);
    KillPicture(picture);
  }
  DisposeProgressWindow(progress);
  return result;
}

OSErr FramesToFiles(Movie movie, const Destination& d, const Rect& frame) {
  if (!HasTrackOfType(movie, VideoMediaType)) return invalidTrack;
  if (EmptyRect(&frame)) return paramErr;
  Rect saved{0, 0, 0, 0};
  GetMovieBox(movie, &saved);
  SetMovieBox(movie, &frame);
  long count = CountVideoFrames(movie);
  OSErr err = invalidMovie;
  if (count > 0) {
    err = WriteFrames(movie, count, d, kFrameLabel.bytes, noErr,
                      [movie](TimeValue t) { return GetMoviePict(movie, t); });
  }
  SetMovieBox(movie, &saved);
  return err;
}

RBInteger FramesToPictureFiles(REALmovie m, REALfolderItem dstFolder, RBInteger w, RBInteger h) {
  Destination d;
  if (FolderDestination(dstFolder, &d) != noErr) return ModuleResult(kFolderRefused);
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  return ModuleResult(
      FramesToFiles(movie, d, Rect{0, 0, static_cast<short>(h), static_cast<short>(w)}));
}

OSErr TrimmedFramesToFiles(Movie movie, const Destination& d, const Rect& region) {
  if (!HasTrackOfType(movie, VideoMediaType)) return invalidTrack;
  RegionWorld r;
  if (OSErr err = BeginRegion(r, movie, region)) return err;
  long count = CountVideoFrames(r.copy);
  if (count == 0) return paramErr;
  return WriteFrames(r.copy, count, d, kTrimmedFrameLabel.bytes, paramErr, [&r](TimeValue t) {
    PicHandle picture = nullptr;
    RecordRegion(r, t, &picture);
    return picture;
  });
}

RBInteger TrimmedFramesToPictureFiles(REALmovie m, REALfolderItem dstFolder, REALobject roi) {
  const Rect* found = roi != nullptr ? RectOf(roi) : nullptr;
  if (m == nullptr || dstFolder == nullptr || found == nullptr || EmptyRect(found)) {
    return ModuleResult(paramErr);
  }
  Rect region = *found;
  Movie movie = HostMovie(m);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  Destination d;
  if (FolderDestination(dstFolder, &d) != noErr) return ModuleResult(kFolderRefused);
  return ModuleResult(TrimmedFramesToFiles(movie, d, region));
}

REALmethodDefinition gFrames[] = {
    ModuleMethod<PlayerFrame,
                 "Fenra_MovieFrame(mp as movieplayer,w as integer,h as integer) as picture">(),
    ModuleMethod<PosterFrame,
                 "Fenra_MovieFrame(m as movie,w as integer,h as integer) as picture">(),
    ModuleMethod<FrameAtTime,
                 "Fenra_MovieFrame(m as movie,mTime as integer,w as integer,h as integer) as "
                 "picture">(),
    ModuleMethod<RegionFrame,
                 "Fenra_MovieFrame(m as movie,mTime as integer,roi as FenraRect) as picture">(),
    ModuleMethod<FileThumbnail, "Fenra_ThumbnailCreate(srcFile as folderitem) as picture">(),
    ModuleMethod<PictureThumbnail, "Fenra_ThumbnailCreate(srcPict as picture) as picture">(),
    ModuleMethod<PosterThumbnail, "Fenra_ThumbnailCreate(m as movie) as picture">(),
    ModuleMethod<ThumbnailAtTime,
                 "Fenra_ThumbnailCreate(m as movie,mTime as integer) as picture">(),
    ModuleMethod<FramesToPictureFiles,
                 "Fenra_MovieFramesToPictureFiles(m as movie,dstFolder as folderitem,w as "
                 "integer,h as integer) as integer">(),
    ModuleMethod<TrimmedFramesToPictureFiles,
                 "Fenra_MovieFramesToPictureFiles(m as movie,dstFolder as folderitem,roi as "
                 "FenraRect) as integer">(),
};

}  // namespace

std::span<REALmethodDefinition> FrameMethods() {
  return gFrames;
}

}  // namespace fenra
