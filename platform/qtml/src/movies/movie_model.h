// The Movie Toolbox's model behind the opaque Movie, Track, Media and
// UserData references: movies hold tracks, each track holds one media and
// an edit list over the media's samples, and sample bytes live in data
// stores named by the media's data references.
//
// The model is what a movie file describes: reading a file fills it, and
// writing one serialises it. Times are in the owner's time scale: movie
// time for movies and edit durations, media time for samples and the
// media times of edits. Byte fields that the file format carries verbatim
// (sample descriptions, unknown atoms) are kept as their file bytes,
// big-endian.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "Movies.h"
#include "base/handle_table.h"
#include "components/component_registry.h"
#include "movies/sample_table.h"

namespace qtml {

// One atom kept as its file bytes (header included), for the atoms the
// engine does not interpret, so that a read-modify-write keeps them.
struct RawAtom {
  OSType type = 0;
  std::vector<uint8_t> bytes;
  OSType parent = 0;  // the atom it was found in, when a record gathers
                      // atoms of several levels ('minf', 'stbl'); 0: the
                      // record's own atom
};

// A movie's, track's or media's user data: items of a type in order.
struct UserDataItem {
  OSType type = 0;
  std::vector<uint8_t> data;
};
// Who a list belongs to: the caller (free-standing, from NewUserData) or
// the movie, track or media it is a member of.
struct UserDataOwner {
  enum Kind { kCaller, kMovie, kTrack, kMedia } kind = kCaller;
  const void* owner = nullptr;
};
struct UserDataRecord {
  UserDataRecord() = default;
  // A copy holds the items; its reference and owner are its own.
  UserDataRecord(const UserDataRecord& other) : items(other.items) {}
  UserDataRecord& operator=(const UserDataRecord& other) {
    items = other.items;
    return *this;
  }

  std::vector<UserDataItem> items;  // items of one type keep their order
  UserDataOwner owner;              // set when the reference is given
  Identity<UserDataRecord, HandleKind::kUserData> reference;
};

// Where sample bytes live: a file, a handle or a block of memory. Stores are
// shared by every media that names them (a movie and its copies).
class DataStore {
 public:
  virtual ~DataStore() = default;
  virtual SInt64 Size() const = 0;
  // Reads size bytes at offset; false past the end or on an I/O error.
  virtual bool Read(SInt64 offset, void* bytes, SInt64 size) = 0;
  // Appends the bytes and answers where they start, or -1 when the store
  // cannot be written.
  virtual SInt64 Append(const void* bytes, SInt64 size) = 0;
};

// A media's data reference as a movie file's 'dref' lists it.
struct DataReference {
  OSType type = 0;                   // 'alis', 'url ', 'hndl', 'ptr '
  std::vector<uint8_t> data;         // the reference as stored (alias, URL, ...)
  UInt32 flags = 0;                  // 1: self reference, the movie's own file
  std::shared_ptr<DataStore> store;  // nullptr: not resolved
  // Read from stored bytes but naming this process's memory ('hndl',
  // 'ptr '), which stored bytes cannot honestly do: never opened from its
  // data, so it stays unresolved unless the engine gave it its store.
  bool sealed = false;
};

// The media handler instance a media owns: GetMediaHandler opens it on
// first use and the media closes it when it goes. A copy of a media opens
// a handler of its own.
class MediaHandlerSlot {
 public:
  MediaHandlerSlot() = default;
  MediaHandlerSlot(const MediaHandlerSlot&) {}
  MediaHandlerSlot& operator=(const MediaHandlerSlot&) { return *this; }
  ~MediaHandlerSlot();
  ComponentInstance instance = nullptr;
};

// A time code media's display settings (TCSetTimeCodeFlags,
// TCSetDisplayOptions); movie files keep them in the media's 'tcmi' atom.
struct TimeCodeDisplay {
  long flags = 0;  // tcdfShowTimeCode
  short font = 0;
  short face = 0;
  short size = 12;
  RGBColor foreColor = {0, 0, 0};
  RGBColor backColor = {0xFFFF, 0xFFFF, 0xFFFF};
  std::string fontName;  // the font's name as a file gave it; empty: the
                         // font is known by its number only
};

struct MediaRecord {
  struct TrackRecord* track = nullptr;  // the owner
  OSType type = 0;                      // handler type: 'vide', 'soun', ...
  OSType handlerManufacturer = 0;
  std::string handlerName;
  TimeScale timeScale = 600;
  UInt32 creationTime = 0;  // seconds since 1904
  UInt32 modificationTime = 0;
  short language = 0;
  short quality = 0;
  std::vector<DataReference> dataRefs;             // 1-based in descriptions
  std::vector<std::vector<uint8_t>> descriptions;  // 'stsd' entries, file bytes
  SampleTable samples;                             // in decoding order
  // samples.Revision() when read from a file: kept atoms that speak of
  // samples ('sdtp', 'sbgp', ...) hold only while it is unchanged.
  uint64_t samplesRevisionRead = 0;
  UserDataRecord userData;
  // Media header settings ('vmhd', 'smhd').
  short graphicsMode = 64;  // ditherCopy
  RGBColor opColor = {0x8000, 0x8000, 0x8000};
  short balance = 0;
  short bass = 0;
  short treble = 0;
  TimeCodeDisplay timeCode;                             // 'tmcd' media only
  bool editing = false;                                 // between BeginMediaEdits and EndMediaEdits
  MediaHandlerSlot handler;                             // GetMediaHandler's instance
  std::vector<RawAtom> unknownAtoms;                    // 'mdia', 'minf' and 'stbl' atoms kept
  Identity<MediaRecord, HandleKind::kMedia> reference;  // while its movie is live
};

// What a visual track keeps between the frames it draws: its decoder and
// the frame it showed last (movie_drawing.cpp). A copy of a track starts
// with nothing kept.
struct TrackFrames;
class TrackFramesSlot {
 public:
  TrackFramesSlot() = default;
  TrackFramesSlot(const TrackFramesSlot&) {}
  TrackFramesSlot& operator=(const TrackFramesSlot&) {
    Clear();
    return *this;
  }
  ~TrackFramesSlot() { Clear(); }
  void Clear() noexcept;
  TrackFrames* frames = nullptr;  // owned
};

// One entry of a track's edit list.
struct EditEntry {
  TimeValue trackDuration = 0;  // movie time
  TimeValue mediaTime = -1;     // -1: an empty edit
  Fixed rate = 0x00010000;
};

struct TrackRecord {
  struct MovieRecord* movie = nullptr;  // the owner
  long id = 0;
  bool enabled = true;
  long usage = 0x0E;  // trackUsageInMovie|InPreview|InPoster
  short layer = 0;
  short alternateGroup = 0;
  short volume = 0x0100;     // 8.8
  MatrixRecord matrix = {};  // set to identity by its maker
  Fixed width = 0;
  Fixed height = 0;
  UInt32 creationTime = 0;
  UInt32 modificationTime = 0;
  std::vector<EditEntry> edits;
  std::vector<uint8_t> clipRegion;     // region bytes; empty: no clip
  std::unique_ptr<MediaRecord> media;  // nullptr until NewTrackMedia
  UserDataRecord userData;
  std::vector<RawAtom> unknownAtoms;                    // 'tref' and others kept
  TrackFramesSlot frames;                               // drawing state, not kept in files
  Identity<TrackRecord, HandleKind::kTrack> reference;  // while its movie is live
};

}  // namespace qtml

// A movie's time base (QuickTime's opaque TimeBase is its reference). The
// movie keeps its rate and flags; this only names the movie.
struct TimeBaseRecord {
  qtml::MovieRecord* movie = nullptr;
  qtml::Identity<TimeBaseRecord, qtml::HandleKind::kTimeBase> reference;
};

namespace qtml {

struct MovieRecord {
  TimeScale timeScale = 600;
  TimeValue duration = 0;  // kept equal to the longest track's
  Fixed preferredRate = 0x00010000;
  short preferredVolume = 0x0100;
  MatrixRecord matrix = {};
  TimeValue previewTime = 0;
  TimeValue previewDuration = 0;
  TimeValue posterTime = 0;
  TimeValue selectionTime = 0;
  TimeValue selectionDuration = 0;
  TimeValue currentTime = 0;
  long nextTrackID = 1;
  UInt32 creationTime = 0;
  UInt32 modificationTime = 0;
  long flags = 0;  // the flags the movie was made with
  bool active = false;
  bool changed = false;  // HasMovieChanged
  Rect box = {};
  std::vector<uint8_t> clipRegion;
  std::vector<std::unique_ptr<TrackRecord>> tracks;
  UserDataRecord userData;
  DataReference defaultDataRef;       // where new media put their samples
  std::vector<RawAtom> unknownAtoms;  // 'moov' atoms kept
  // Playing and display state, not kept in files. AdoptMovie sets the
  // volume to the preferred volume and the rate to 0.
  Fixed rate = 0;
  short volume = 0x0100;
  long timeBaseFlags = 0;             // loopTimeBase, palindromeLoopTimeBase
  TimeValue activeSegmentStart = -1;  // -1: the whole movie is active
  TimeValue activeSegmentDuration = 0;
  long playHints = 0;
  SInt64 pendingTime = 0;      // movie time under one unit not yet played,
                               // in units of 1/(1000 × 65536)
  bool backward = false;       // the last non-zero rate was negative
  UInt32 clockAtLastMove = 0;  // engine clock (ms) when the time last moved
  CGrafPtr port = nullptr;     // SetMovieGWorld's, not owned
  GDHandle device = nullptr;
  MovieProgressUPP progressProc = nullptr;  // (MovieProgressUPP)-1: default display
  long progressRefcon = 0;
  bool standalone = false;  // the clock of a time base of its own (NewTimeBase), no movie
  TimeBaseRecord timeBase;  // names this movie
  Identity<MovieRecord, HandleKind::kMovie> reference;  // from AdoptMovie on
};

// The work of a media handler instance (GetMediaHandler answers one per
// media, owned by the media): the media it serves. Media handler calls
// (Media..., TC...) find it with EnterSelector and dynamic_cast; which of
// them it takes depends on its media type (media.cpp).
class MediaHandlerImplementation : public ComponentImplementation {
 public:
  OSErr Open(ComponentInstance self) override;
  bool Implements(SInt16 selector) const override;

  MediaRecord* media = nullptr;
  OSType mediaType = 0;  // its component's subtype
};

// The media a handler serves when it takes the call of that selector, or
// nullptr with *result: badComponentInstance for an instance that is not
// live or serves no media, badComponentSelector for one that does not take
// the call.
MediaRecord* HandledMedia(MediaHandler mh, SInt16 selector, ComponentResult* result) noexcept;

// The data reference (from 1) a sample description's bytes name: the
// 16-bit field at byte 14; 1 for bytes too short to hold it.
UInt16 DescriptionDataRefIndex(const std::vector<uint8_t>& description);
void SetDescriptionDataRefIndex(std::vector<uint8_t>& description, UInt16 index);
// Where in media.dataRefs the reference of a description (from 1) is, or
// -1 when the description or the reference is not there.
long DescriptionDataRef(const MediaRecord& media, UInt32 descriptionIndex);
// The store of a description's samples, opened on first use (writable
// when asked); nullptr with *err (invalidSampleDescIndex, badDataRefIndex,
// couldNotResolveDataRef or the opening's error) when there is none.
DataStore* DescriptionStore(MediaRecord& media, UInt32 descriptionIndex, bool writable, OSErr* err);

// The record behind a reference the toolbox made, or nullptr (and
// invalidMovie, invalidTrack or invalidMedia recorded) for nil, a reference
// it never made, or one whose record has gone.
MovieRecord* MovieOf(Movie movie) noexcept;
TrackRecord* TrackOf(Track track) noexcept;
MediaRecord* MediaOf(Media media) noexcept;

// Makes the movie, its tracks and their media live and answers the
// reference that owns them (the caller's, until DisposeMovie). A movie
// read from a file or a handle enters the toolbox this way.
Movie AdoptMovie(std::unique_ptr<MovieRecord> movie) noexcept;
// Gives a new track (and its media) of a live movie its reference; false
// when memory is short. A record forgets its reference when it goes.
bool TrackCreated(TrackRecord* track) noexcept;
// The reference of a live movie's track or media (nullptr for a record
// that has none).
Track ReferenceTo(TrackRecord* track) noexcept;
Media ReferenceTo(MediaRecord* media) noexcept;
Movie ReferenceTo(MovieRecord* movie) noexcept;

}  // namespace qtml
