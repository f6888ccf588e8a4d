#include "movies/movie_drawing.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "FixMath.h"
#include "components/image_decoder.h"
#include "memory/memory.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_regions.h"
#include "movies/sample_descriptions.h"
#include "movies/text_drawing.h"
#include "quickdraw/matrix.h"
#include "quickdraw/matrix_copy.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {

// A track's decoder and where it stands: the samples it was fed, the one
// whose picture it holds.
struct TrackFrames {
  std::unique_ptr<ImageDecoder> decoder;
  UInt32 description = 0;  // the decoder's (from 1); 0: none
  int64_t fed = -1;        // the last sample fed; -1: none since a reset
  int64_t fedFrom = -1;    // the first sample fed since the reset
  SInt64 fedOffset = 0;    // where its bytes were, and how many
  UInt32 fedSize = 0;
  int64_t shown = -1;  // the sample whose picture it holds
  SInt64 shownOffset = 0;
  UInt32 shownSize = 0;
  std::vector<uint8_t> bytes;      // a sample's bytes as read
  bool drained = false;            // the codec was drained: reset first
  std::vector<uint8_t> corrected;  // the picture at the port's gamma
  PixMap correctedMap{};
  // What the decoder reads: its description's bytes and store, so that a
  // copy of the media (same samples, same store) can take it over. The
  // store is watched, not held: once it goes, no other store is taken for
  // it, whatever address it comes at.
  std::weak_ptr<DataStore> store;
  std::vector<uint8_t> descriptionBytes;
};

namespace {

// Decoders of tracks that went, kept a while for a copy of their media to
// go on from (rendering a movie frame by frame through copies of it then
// decodes each frame once, not from its key frame each time).
constexpr size_t kKeptDecoders = 2;

// Freed at exit; made on first use, after the memory they hold.
struct KeptDecoders {
  ~KeptDecoders() {
    for (TrackFrames* frames : list) delete frames;
  }
  std::vector<TrackFrames*> list;
};

std::vector<TrackFrames*>& Kept() {
  static KeptDecoders kept;
  return kept.list;
}

// The store the samples of description `index` (from 1) are read from,
// opened on first use; nullptr when there is none.
std::shared_ptr<DataStore> StoreOf(MediaRecord& media, UInt32 index) {
  OSErr err = noErr;
  if (DescriptionStore(media, index, false, &err) == nullptr) return nullptr;
  return media.dataRefs[static_cast<size_t>(DescriptionDataRef(media, index))].store;
}

// A kept decoder for samples of this media from its description `index`,
// or nullptr.
TrackFrames* TakeKept(MediaRecord& media, UInt32 index) {
  if (index < 1 || index > media.descriptions.size()) return nullptr;
  std::shared_ptr<DataStore> store = StoreOf(media, index);
  if (store == nullptr) return nullptr;
  std::vector<TrackFrames*>& kept = Kept();
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    TrackFrames* f = *it;
    if (f->store.lock() == store && f->descriptionBytes == media.descriptions[index - 1]) {
      kept.erase(it);
      return f;
    }
  }
  return nullptr;
}

}  // namespace

void TrackFramesSlot::Clear() noexcept {
  if (frames == nullptr) return;
  TrackFrames* leaving = std::exchange(frames, nullptr);
  if (leaving->decoder == nullptr || leaving->store.expired()) {
    delete leaving;
    return;
  }
  std::vector<TrackFrames*>& kept = Kept();
  try {
    if (kept.size() == kKeptDecoders) {
      delete kept.front();
      kept.erase(kept.begin());
    }
    kept.push_back(leaving);
  } catch (...) {
    delete leaving;
  }
}

namespace {

// How many samples past the one wanted are fed to a codec that holds
// reordered frames back before it is drained.
constexpr int kReorderWindow = 16;

bool IsVisualMedia(const MediaRecord& media) {
  return media.type == VideoMediaType || IsDrawnAsText(media);
}

// The sample showing at media time t: the one with the latest display
// start at or before t (decoding order and display order differ when
// samples have composition offsets). -1 when none shows.
int64_t ShownSample(const MediaRecord& media, TimeValue t) {
  const SampleTable& table = media.samples;
  if (table.Empty()) return -1;
  TimeValue reorder = table.LargestCompositionOffset();
  if (reorder == 0) {
    SampleTable::Position at = table.Find(t);
    return at.index;
  }
  SampleTable::Position low = table.Find(std::max<SInt64>(0, SInt64{t} - reorder));
  if (low.index < 0) low.index = t < 0 ? 0 : static_cast<int64_t>(table.Count()) - 1;
  int64_t best = -1;
  SInt64 bestStart = 0;
  SampleTable::Walker w(table, static_cast<uint64_t>(low.index));
  do {
    SInt64 shows = w.start() + w.compositionOffset();
    if (shows <= t && (best < 0 || shows >= bestStart)) {
      best = static_cast<int64_t>(w.index());
      bestStart = shows;
    }
    if (w.start() > SInt64{t} + reorder) break;
  } while (w.Next());
  return best;
}

// Opens the decoder of a sample description (from 1) of the media.
OSErr OpenDecoder(MediaRecord& media, UInt32 index, TrackFrames& frames) {
  frames.decoder.reset();
  frames.description = 0;
  if (index < 1 || index > media.descriptions.size()) return invalidSampleDescIndex;
  const std::vector<uint8_t>& fileBytes = media.descriptions[index - 1];
  if (fileBytes.size() < sizeof(ImageDescription)) return badImageDescription;
  std::vector<uint8_t> native(fileBytes);
  ConvertDescriptionFields(media.type, native.data(), native.size(), true);
  ImageDescription record;
  std::memcpy(&record, native.data(), sizeof record);
  const uint8_t* extensions = native.data() + sizeof record;
  size_t extensionSize = native.size() - sizeof record;
  if (OSErr err = ImageDecoder::Open(record, extensions, extensionSize, &frames.decoder, true)) {
    return err;
  }
  frames.description = index;
  frames.store = StoreOf(media, index);
  frames.descriptionBytes = fileBytes;
  frames.fed = frames.fedFrom = frames.shown = -1;
  frames.drained = false;
  return noErr;
}

// Feeds sample `index` to the decoder.
OSErr Feed(MediaRecord& media, TrackFrames& frames, const SampleTable::Walker& w) {
  SampleEntry sample = w.entry();
  OSErr err = noErr;
  DataStore* store = DescriptionStore(media, sample.descriptionIndex, false, &err);
  if (store == nullptr) return err;
  // A sample table may claim more bytes than its store holds: nothing is
  // read (or made room for) past the store's end.
  SInt64 held = store->Size();
  if (held >= 0 &&
      (sample.offset < 0 || sample.offset > held || sample.size > held - sample.offset)) {
    return ioErr;
  }
  frames.bytes.resize(sample.size);
  if (sample.size == 0 || !store->Read(sample.offset, frames.bytes.data(), sample.size)) {
    return sample.size == 0 ? noErr : ioErr;
  }
  frames.fed = static_cast<int64_t>(w.index());
  frames.fedOffset = sample.offset;
  frames.fedSize = sample.size;
  return frames.decoder->Decode(frames.bytes.data(), static_cast<long>(frames.bytes.size()),
                                w.start() + w.compositionOffset(), w.sync());
}

// Whether sample `index` of the table is still the one whose bytes were
// read from `offset`, `size` long (a copy of the media, or the media
// after an edit, may number its samples otherwise).
bool SameSample(const SampleTable& table, int64_t index, SInt64 offset, UInt32 size) {
  if (index < 0 || static_cast<uint64_t>(index) >= table.Count()) return false;
  SampleEntry entry = table.At(static_cast<uint64_t>(index));
  return entry.offset == offset && entry.size == size;
}

// Records that the decoder holds sample `target`'s picture.
void Showing(TrackFrames& frames, int64_t target, const SampleEntry& sample) {
  frames.shown = target;
  frames.shownOffset = sample.offset;
  frames.shownSize = sample.size;
}

// Keeps a decoder that works ahead busy once the frame wanted (shown at
// `shows`) came from it without being fed: the next sample goes to it,
// and what it gives waits for the next frame wanted.
void FeedAhead(MediaRecord& media, TrackFrames& frames, SInt64 shows) {
  if (!frames.decoder->WorksAhead() || frames.drained || frames.fed < 0 ||
      static_cast<uint64_t>(frames.fed) + 1 >= media.samples.Count()) {
    return;
  }
  SampleTable::Walker next(media.samples, static_cast<uint64_t>(frames.fed) + 1);
  if (next.description() != frames.description) return;
  frames.decoder->Want(shows);
  // A frame the codec refuses is met again, and answered, when wanted.
  if (Feed(media, frames, next) != noErr) frames.fed = -1;
  frames.decoder->WantAny();
}

// Makes the decoder hold sample `target`'s picture: fed from its sync
// sample on (or from where it stands, when that is on the way).
OSErr DecodeSample(MediaRecord& media, TrackFrames& frames, int64_t target) {
  const SampleTable& table = media.samples;
  SampleTable::Walker at(table, static_cast<uint64_t>(target));
  UInt32 index = at.description();
  if (frames.decoder == nullptr || frames.description != index ||
      frames.descriptionBytes != media.descriptions[index - 1]) {
    if (OSErr err = OpenDecoder(media, index, frames)) return err;
  }
  SampleEntry wanted = at.entry();
  if (frames.shown == target && SameSample(table, target, frames.shownOffset, frames.shownSize) &&
      frames.decoder->HasPicture()) {
    return noErr;
  }
  // The decoder goes on from where it stands when it has been fed from the
  // target's key frame on and the target's picture is still to come out
  // of it, or came out early and waits (codecs that reorder frames give
  // them in display order, some samples after they were fed).
  int64_t start = static_cast<int64_t>(table.DecodeStart(static_cast<uint64_t>(target)));
  SInt64 shows = at.start() + at.compositionOffset();
  // A drained decoder still answers from the frames it gave at its end.
  bool onTheWay = frames.fedFrom <= start && frames.fed >= start &&
                  SameSample(table, frames.fed, frames.fedOffset, frames.fedSize);
  frames.shown = -1;
  if (onTheWay && frames.decoder->TakeWaiting(shows)) {
    Showing(frames, target, wanted);
    FeedAhead(media, frames, shows);
    return noErr;
  }
  if (!onTheWay || frames.drained || shows <= frames.decoder->LastTime()) {
    frames.decoder->Reset();
    frames.drained = false;
    frames.fed = -1;
    onTheWay = false;
  }
  frames.decoder->Want(shows);
  if (onTheWay && static_cast<uint64_t>(frames.fed) + 1 >= table.Count()) {
    // Every sample was fed: what the codec holds back comes out at its end.
    OSErr drained = frames.decoder->Drain();
    frames.drained = true;
    frames.decoder->WantAny();
    if (drained != noErr) return drained;
    if (!frames.decoder->Decoded()) return codecErr;
    Showing(frames, target, wanted);
    return noErr;
  }
  SampleTable::Walker w(table, static_cast<uint64_t>(onTheWay ? frames.fed + 1 : start));
  if (!onTheWay) frames.fedFrom = start;
  OSErr err = noErr;
  for (;;) {
    if (w.description() != frames.description) break;  // a new description starts afresh
    if ((err = Feed(media, frames, w)) != noErr) break;
    if (frames.decoder->Decoded()) break;
    if (static_cast<int64_t>(w.index()) >= target + kReorderWindow || !w.Next()) break;
  }
  // After a frame the codec refused, the next starts afresh.
  if (err != noErr) frames.fed = -1;
  if (err == noErr && !frames.decoder->Decoded()) {
    err = frames.decoder->Drain();
    frames.drained = true;
  }
  frames.decoder->WantAny();
  if (err != noErr) return err;
  if (!frames.decoder->Decoded()) return codecErr;
  Showing(frames, target, wanted);
  return noErr;
}

// Where the track's image goes in the port: image to track box, the
// track's matrix, then the movie's.
MatrixRecord TrackToPort(const TrackRecord& track, const Rect& picture) {
  Rect box{0, 0, static_cast<short>(track.height >> 16), static_cast<short>(track.width >> 16)};
  if (box.right <= 0 || box.bottom <= 0) box = picture;
  MatrixRecord toTrack = RectMapping(picture, box);
  return Concat(Concat(toTrack, track.matrix), track.movie->matrix);
}

// A 32-bit copy of the picture with each colour channel mapped through
// `table`, kept by the track.
const PixMap* GammaCorrected(const PixMap& picture, const uint8_t table[256], TrackFrames& frames) {
  int width = picture.bounds.right - picture.bounds.left;
  int height = picture.bounds.bottom - picture.bounds.top;
  long rowBytes = static_cast<long>(width) * 4;
  frames.corrected.resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
  frames.correctedMap = PixMap{};
  frames.correctedMap.baseAddr = reinterpret_cast<Ptr>(frames.corrected.data());
  frames.correctedMap.rowBytes = static_cast<short>(0x8000 | rowBytes);
  frames.correctedMap.bounds = picture.bounds;
  frames.correctedMap.pixelSize = 32;
  frames.correctedMap.pixelFormat = 32;
  for (int y = picture.bounds.top; y < picture.bounds.bottom; ++y) {
    for (int x = picture.bounds.left; x < picture.bounds.right; ++x) {
      Argb c = GetPixel(picture, x, y);
      SetPixel(frames.correctedMap, x, y,
               (c & 0xFF000000u) | static_cast<Argb>(table[(c >> 16) & 0xFF]) << 16 |
                   static_cast<Argb>(table[(c >> 8) & 0xFF]) << 8 | table[c & 0xFF]);
    }
  }
  return &frames.correctedMap;
}

// The sample the track shows at its movie's time (at its very end a movie
// still shows its last frame), and the media time it shows; -1 when it
// shows none.
int64_t SampleShown(const TrackRecord& track, TimeValue* mediaTime) {
  const MovieRecord& movie = *track.movie;
  TimeValue t = movie.currentTime;
  if (t > 0 && t >= movie.duration) t = movie.duration - 1;
  EditPosition edit = EditAt(track, t);
  if (edit.index < 0) return -1;
  const EditEntry& entry = track.edits[static_cast<size_t>(edit.index)];
  if (entry.mediaTime == -1) return -1;
  *mediaTime = MediaTimeInEdit(entry, t - edit.start, ScalesOf(track));
  return ShownSample(*track.media, *mediaTime);
}

// The decoder of a video track, holding the picture of `sample`.
OSErr DecodeTrackSample(TrackRecord& track, int64_t sample, ImageDecoder** decoder) {
  MediaRecord& media = *track.media;
  if (track.frames.frames == nullptr) {
    SampleTable::Walker at(media.samples, static_cast<uint64_t>(sample));
    track.frames.frames = TakeKept(media, at.description());
    if (track.frames.frames == nullptr) track.frames.frames = new TrackFrames;
  }
  TrackFrames& frames = *track.frames.frames;
  if (OSErr err = DecodeSample(media, frames, sample)) return err;
  *decoder = frames.decoder.get();
  return noErr;
}

OSErr DrawTrack(TrackRecord& track, Port& port, RgnHandle movieClip) {
  MediaRecord& media = *track.media;
  TimeValue mediaTime = 0;
  int64_t sample = SampleShown(track, &mediaTime);
  if (sample < 0) return noErr;
  if (media.type != VideoMediaType) {
    return DrawTextTrack(track, sample, mediaTime, port, movieClip);
  }
  ImageDecoder* decoded = nullptr;
  if (OSErr err = DecodeTrackSample(track, sample, &decoded)) return err;
  TrackFrames& frames = *track.frames.frames;
  uint8_t gamma[256];
  const bool corrects = GammaTable(port, gamma);
  ImageDecoder& decoder = *decoded;
  if (!corrects && decoder.Converts()) {
    // A frame copied as it is goes straight from the codec to the port.
    Rect image = decoder.PictureBounds();
    MatrixRecord toPort = TrackToPort(track, image);
    Point at;
    if (DrawsAsPlainCopy(image, port, &toPort, media.graphicsMode, media.opColor, movieClip, &at)) {
      return decoder.PictureInto(port.pixMap, at.h, at.v);
    }
  }
  OSErr err = noErr;
  const PixMap* picture = decoder.Picture(&err);
  if (picture == nullptr) return err;
  if (corrects) picture = GammaCorrected(*picture, gamma, frames);
  MatrixRecord toPort = TrackToPort(track, picture->bounds);
  return DrawPixMapThroughMatrix(*picture, picture->bounds, port, &toPort, media.graphicsMode,
                                 media.opColor, movieClip);
}

// The pixels a track may change, as a new region (nullptr: no limit):
// the movie's clip and, when the track has a clip of its own (in the
// track's coordinates), that clip carried through the track's and the
// movie's matrices, each of its rectangles by the bounding box of its
// mapped corners (exact for matrices that scale and move). *err is
// memFullErr when the region cannot be made.
RgnHandle TrackMask(const TrackRecord& track, RgnHandle movieClip, OSErr* err) {
  *err = noErr;
  Shape own;
  bool hasOwn = ClipShape(track.clipRegion, &own);
  if (!hasOwn && movieClip == nullptr) return nullptr;
  Shape mask;
  if (hasOwn) {
    MatrixRecord toMovie = Concat(track.matrix, track.movie->matrix);
    for (const Shape::Band& band : own.bands()) {
      for (size_t k = 0; k + 1 < band.xs.size(); k += 2) {
        FixedRect box{band.xs[k] * fixed1, band.top * fixed1, band.xs[k + 1] * fixed1,
                      band.bottom * fixed1};
        MapFixedRect(toMovie, box, nullptr);
        mask = Shape::Combine(mask, Shape::FromRect(RectOfFixed(box)), Shape::Op::kUnion);
      }
    }
  }
  if (movieClip != nullptr) {
    Shape clip;
    ShapeOfRegion(movieClip, &clip);
    mask = hasOwn ? Shape::Combine(mask, clip, Shape::Op::kIntersect) : clip;
  }
  RgnHandle region = NewRegionHolding(mask);
  if (region == nullptr) *err = memFullErr;
  return region;
}

// The tracks DrawMovieFrame draws.
std::vector<TrackRecord*> VisualTracks(const MovieRecord& movie) {
  std::vector<TrackRecord*> visual;
  for (const auto& track : movie.tracks) {
    if (track->enabled && track->media != nullptr && IsVisualMedia(*track->media)) {
      visual.push_back(track.get());
    }
  }
  return visual;
}

}  // namespace

OSErr DrawMovieFrame(MovieRecord& movie) {
  if (movie.port == nullptr) return noErr;
  Port* port = PortFromGrafPtr(movie.port);
  if (port == nullptr) return noErr;
  std::vector<TrackRecord*> visual = VisualTracks(movie);
  std::stable_sort(visual.begin(), visual.end(),
                   [](const TrackRecord* a, const TrackRecord* b) { return a->layer > b->layer; });
  OSErr err = noErr;
  RgnHandle clip = ClipToRegion(movie.clipRegion, &err);
  if (err != noErr) return err;
  OSErr first = noErr;
  for (TrackRecord* track : visual) {
    OSErr drawn = noErr;
    RgnHandle mask = TrackMask(*track, clip, &drawn);
    if (drawn == noErr) drawn = DrawTrack(*track, *port, mask);
    FreeHandle(reinterpret_cast<Handle>(mask));
    if (first == noErr) first = drawn;
  }
  FreeHandle(reinterpret_cast<Handle>(clip));
  return first;
}

const AVFrame* FrameAsDecoded(MovieRecord& movie) {
  if (movie.port == nullptr) return nullptr;
  Port* port = PortFromGrafPtr(movie.port);
  std::vector<TrackRecord*> visual = VisualTracks(movie);
  if (port == nullptr || visual.size() != 1) return nullptr;
  TrackRecord& track = *visual.front();
  uint8_t gamma[256];
  if (track.media->type != VideoMediaType || GammaTable(*port, gamma)) return nullptr;
  TimeValue mediaTime = 0;
  int64_t sample = SampleShown(track, &mediaTime);
  ImageDecoder* decoder = nullptr;
  if (sample < 0 || DecodeTrackSample(track, sample, &decoder) != noErr) return nullptr;
  const AVFrame* frame = decoder->Frame();
  if (frame == nullptr) return nullptr;
  // Drawn as it is, the picture must cover the whole port: nothing of the
  // port's own pixels may show beside it.
  OSErr err = noErr;
  RgnHandle clip = ClipToRegion(movie.clipRegion, &err);
  RgnHandle mask = err == noErr ? TrackMask(track, clip, &err) : nullptr;
  Rect image = decoder->PictureBounds();
  MatrixRecord toPort = TrackToPort(track, image);
  Point at{};
  const bool plain =
      err == noErr && DrawsAsPlainCopy(image, *port, &toPort, track.media->graphicsMode,
                                       track.media->opColor, mask, &at);
  FreeHandle(reinterpret_cast<Handle>(mask));
  FreeHandle(reinterpret_cast<Handle>(clip));
  const Rect& bounds = port->pixMap.bounds;
  if (!plain || at.h != bounds.left || at.v != bounds.top ||
      image.right - image.left != bounds.right - bounds.left ||
      image.bottom - image.top != bounds.bottom - bounds.top) {
    return nullptr;
  }
  return frame;
}

}  // namespace qtml
