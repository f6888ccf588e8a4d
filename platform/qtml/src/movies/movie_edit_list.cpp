// Times, edit lists and sample tables of the movie model.
#include "movies/movie_edit_list.h"

#include <algorithm>
#include <map>
#include <cmath>
#include <ctime>

#include "data/data_refs.h"
#include "qtff/qtff_read.h"
#include "qtff/qtff_write.h"
#include "movies/movie_progress.h"
#include "quickdraw/matrix.h"

namespace qtml {
namespace {

constexpr SInt64 kUnixToMacSeconds = 2082844800;  // 1904-01-01 to 1970-01-01
constexpr SInt64 kFixedOne = 0x10000;

struct HandlerName {
  OSType type;
  const char* name;
};
const HandlerName kHandlerNames[] = {
    {'vide', "Apple Video Media Handler"},   {'soun', "Apple Sound Media Handler"},
    {'text', "Apple Text Media Handler"},    {'tmcd', "Apple Time Code Media Handler"},
    {'musi', "Apple Music Media Handler"},   {'MPEG', "Apple MPEG Media Handler"},
    {'sprt', "Apple Sprite Media Handler"},  {'tx3g', "Apple 3GPP Text Media Handler"},
    {'sbtl', "Apple Subtitle Media Handler"}};

struct Characteristics {
  OSType type;
  bool visual;
  bool audible;
};
const Characteristics kCharacteristics[] = {
    {'vide', true, false}, {'soun', false, true}, {'text', true, false}, {'musi', false, true},
    {'MPEG', true, true},  {'sprt', true, false}, {'tx3g', true, false}, {'sbtl', true, false},
    {'qd3d', true, false}, {'flsh', true, true},  {'m1a ', false, true}};

// Drops zero-length edits and merges neighbours that continue each other.
void Tidy(std::vector<EditEntry>& edits, TrackScales scales) {
  std::vector<EditEntry> tidy;
  for (const EditEntry& edit : edits) {
    if (edit.trackDuration <= 0) continue;
    if (!tidy.empty()) {
      EditEntry& last = tidy.back();
      bool bothEmpty = last.mediaTime == -1 && edit.mediaTime == -1;
      bool continues =
          last.mediaTime != -1 && edit.mediaTime != -1 && last.rate == edit.rate &&
          static_cast<SInt64>(last.mediaTime) + EditMediaDuration(last, scales) == edit.mediaTime;
      bool fits = static_cast<SInt64>(last.trackDuration) + edit.trackDuration <= INT32_MAX;
      if ((bothEmpty || continues) && fits) {
        last.trackDuration += edit.trackDuration;
        continue;
      }
    }
    tidy.push_back(edit);
  }
  edits.swap(tidy);
}

// The file a movie's own data is in: where it was read from or made; empty
// for a movie in memory.
std::string OwnFile(const MovieRecord* movie) {
  return movie != nullptr ? DataRefPath(movie->defaultDataRef) : std::string();
}

bool SameReference(const DataReference& a, const DataReference& b) {
  if (a.store != nullptr || b.store != nullptr) return a.store == b.store;
  return a.type == b.type && a.data == b.data && a.flags == b.flags;
}

// The store a description's samples are in, or nullptr.
const DataStore* StoreOf(const MediaRecord& media, UInt32 description) {
  long index = DescriptionDataRef(media, description);
  return index < 0 ? nullptr : media.dataRefs[index].store.get();
}

// Moves samples of one media into another, remembering how descriptions
// and data references map.
class SampleMover {
 public:
  SampleMover(const MediaRecord& from, MediaRecord& to) : from_(from), to_(to) {}

  // The target's description index for the source's.
  UInt32 Description(UInt32 index) {
    auto known = descriptions_.find(index);
    if (known != descriptions_.end()) return known->second;
    UInt32 mapped = index;
    if (index > 0 && index <= from_.descriptions.size()) {
      std::vector<uint8_t> bytes = from_.descriptions[index - 1];
      UInt16 ref = DescriptionDataRefIndex(bytes);
      if (ref >= 1 && ref <= from_.dataRefs.size()) {
        SetDescriptionDataRefIndex(bytes, DataRefIndex(from_.dataRefs[ref - 1]));
      }
      mapped = DescriptionIndex(bytes);
    }
    descriptions_.emplace(index, mapped);
    return mapped;
  }

  // Whether the samples' bytes are copied into the target's first data
  // reference: while the target is being edited.
  bool CopyBytes() const { return to_.editing && !to_.dataRefs.empty(); }

  // Where the target already holds source samples [first, stop): at
  // `base`, the first `found` of them. A run holding them all is taken;
  // else the longest run the target ends with, so that the rest can
  // follow it; else none (found 0).
  struct Run {
    uint64_t base = 0;
    uint64_t found = 0;
  };
  Run FindRun(uint64_t first, uint64_t stop) {
    Run best;
    const SampleTable& target = to_.samples;
    if (first >= stop || target.Empty()) return best;
    SampleEntry head = from_.samples.At(first);
    const DataStore* store = StoreOf(from_, head.descriptionIndex);
    if (store == nullptr) return best;
    for (size_t c = 0; c < target.ChunkCount(); ++c) {
      SampleTable::Chunk chunk = target.ChunkAt(c);
      if (StoreOf(to_, chunk.description) != store || head.offset < chunk.offset ||
          head.offset >= chunk.offset + target.ChunkBytes(chunk)) {
        continue;
      }
      uint64_t j = target.SampleStartingAt(chunk, head.offset - chunk.offset);
      if (j == kNone) continue;
      uint64_t n = Matching(first, stop, j);
      if (n == stop - first) return {j, n};
      if (n > best.found && j + n == target.Count()) best = {j, n};
    }
    return best;
  }

  // Appends copies of the source samples [first, stop); false with *err
  // when bytes had to be copied and could not be.
  bool AppendRun(uint64_t first, uint64_t stop, OSErr* err) {
    auto duration = [&](TimeValue d) { return ConvertTime(d, from_.timeScale, to_.timeScale); };
    if (!CopyBytes()) {
      to_.samples.AppendRange(
          from_.samples, first, stop, [&](UInt32 index) { return Description(index); }, duration);
      return true;
    }
    *err = noErr;
    to_.samples.AppendRange(
        from_.samples, first, stop, [&](UInt32 index) { return CopiedDescription(index, err); },
        duration,
        [&](const SampleTable::Chunk& piece, SInt64 bytes) {
          return CopyChunkBytes(piece, bytes, err);
        });
    return *err == noErr;
  }

  static constexpr uint64_t kNone = SampleTable::kNone;

 private:
  // How many of source samples [first, stop) the target holds from j on:
  // the same bytes, described alike, as long.
  uint64_t Matching(uint64_t first, uint64_t stop, uint64_t j) {
    SampleTable::Walker a(from_.samples, first), b(to_.samples, j);
    uint64_t n = 0;
    for (;;) {
      SampleEntry x = a.entry(), y = b.entry();
      if (x.offset != y.offset || x.size != y.size || x.sync != y.sync ||
          x.compositionOffset != y.compositionOffset ||
          ConvertTime(x.duration, from_.timeScale, to_.timeScale) != y.duration ||
          Description(x.descriptionIndex) != y.descriptionIndex) {
        return n;
      }
      if (++n == stop - first || !a.Next() || !b.Next()) return n;
    }
  }

  UInt16 DataRefIndex(const DataReference& from) {
    DataReference ref = ReferenceIn(from, to_.track != nullptr ? to_.track->movie : nullptr);
    for (size_t i = 0; i < to_.dataRefs.size(); ++i) {
      if (SameReference(to_.dataRefs[i], ref)) return static_cast<UInt16>(i + 1);
    }
    to_.dataRefs.push_back(std::move(ref));
    return static_cast<UInt16>(to_.dataRefs.size());
  }

  UInt32 DescriptionIndex(const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < to_.descriptions.size(); ++i) {
      if (to_.descriptions[i] == bytes) return static_cast<UInt32>(i + 1);
    }
    to_.descriptions.push_back(bytes);
    return static_cast<UInt32>(to_.descriptions.size());
  }

  // The target's description for samples copied into its first data
  // reference; 0 with *err for a description the source does not have.
  UInt32 CopiedDescription(UInt32 index, OSErr* err) {
    if (index == 0 || index > from_.descriptions.size()) {
      *err = invalidSampleDescIndex;
      return 0;
    }
    std::vector<uint8_t> bytes = from_.descriptions[index - 1];
    SetDescriptionDataRefIndex(bytes, 1);
    return DescriptionIndex(bytes);
  }

  // Copies a stretch of source bytes into the target's first data
  // reference and answers where they are now; -1 with *err on failure.
  SInt64 CopyChunkBytes(const SampleTable::Chunk& piece, SInt64 size, OSErr* err) {
    if (*err != noErr) return -1;
    long ref = DescriptionDataRef(from_, piece.description);
    DataStore* source = ref >= 0 ? from_.dataRefs[ref].store.get() : nullptr;
    DataStore* target = to_.dataRefs[0].store.get();
    if (source == nullptr || target == nullptr) {
      *err = source == nullptr ? couldNotResolveDataRef : dataNotOpenForWrite;
      return -1;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && !source->Read(piece.offset, data.data(), size)) {
      *err = StoreError(*source, ioErr);
      return -1;
    }
    SInt64 offset = target->Append(data.data(), size);
    if (offset < 0) *err = StoreError(*target, dataNotOpenForWrite);
    return offset;
  }

  const MediaRecord& from_;
  MediaRecord& to_;
  std::map<UInt32, UInt32> descriptions_;  // source description index to target's
};

}  // namespace

DataReference ReferenceIn(const DataReference& ref, const MovieRecord* movie) {
  std::string path = DataRefPath(ref);
  if (path.empty()) return ref;  // memory, a URL, or not found: as it is
  std::string own = OwnFile(movie);
  DataReference in = ref;
  if (!own.empty() && SameFile(path, own)) {
    in.type = rAliasType;
    in.flags = dataRefSelfReference;
    in.data.clear();
    if (in.store == nullptr) in.store = movie->defaultDataRef.store;
  } else if ((ref.flags & dataRefSelfReference) != 0) {
    in.type = rAliasType;
    in.flags = 0;
    in.data = MakeAliasRecord(path);
  }
  return in;
}

TimeValue Clamp(SInt64 value) {
  return static_cast<TimeValue>(std::clamp<SInt64>(value, INT32_MIN, INT32_MAX));
}

UInt32 MacSecondsNow() noexcept {
  return static_cast<UInt32>(static_cast<SInt64>(std::time(nullptr)) + kUnixToMacSeconds);
}

TimeValue ConvertTime(SInt64 value, TimeScale from, TimeScale to) {
  if (from == to || from <= 0 || to <= 0) return Clamp(value);
  double scaled = static_cast<double>(value) * to / from;
  return Clamp(std::llround(scaled));
}

TimeValue MediaDuration(const MediaRecord& media) {
  return Clamp(media.samples.Duration());
}

TimeValue TrackDuration(const TrackRecord& track) {
  SInt64 total = 0;
  for (const EditEntry& edit : track.edits) total += edit.trackDuration;
  return Clamp(total);
}

void UpdateDuration(MovieRecord& movie) {
  TimeValue longest = 0;
  for (const auto& track : movie.tracks) longest = std::max(longest, TrackDuration(*track));
  movie.duration = longest;
}

void MovieEdited(MovieRecord& movie) {
  UpdateDuration(movie);
  movie.changed = true;
  movie.modificationTime = MacSecondsNow();
}

void TrackEdited(TrackRecord& track) {
  track.modificationTime = MacSecondsNow();
  if (track.movie != nullptr) MovieEdited(*track.movie);
}

TrackScales ScalesOf(const TrackRecord& track) {
  TimeScale movie = track.movie != nullptr ? track.movie->timeScale : 600;
  TimeScale media = track.media != nullptr ? track.media->timeScale : movie;
  return {movie > 0 ? movie : 600, media > 0 ? media : 600};
}

TimeValue EditMediaDuration(const EditEntry& edit, TrackScales scales) {
  if (edit.mediaTime == -1) return 0;
  return Clamp(static_cast<SInt64>(MediaTimeInEdit(edit, edit.trackDuration, scales)) -
               edit.mediaTime);
}

TimeValue MediaTimeInEdit(const EditEntry& edit, TimeValue offset, TrackScales scales) {
  if (edit.mediaTime == -1) return -1;
  // Rounded down, so that a time inside a sample maps inside it.
  double media = static_cast<double>(offset) * scales.media * edit.rate /
                 (static_cast<double>(scales.movie) * kFixedOne);
  return Clamp(edit.mediaTime + static_cast<SInt64>(std::floor(media + 1e-9)));
}

TimeValue OffsetOfMediaTime(const EditEntry& edit, TimeValue mediaTime, TrackScales scales) {
  if (edit.rate == 0) return 0;
  // Rounded up: the first movie time at which the media time shows.
  double offset = static_cast<double>(mediaTime - edit.mediaTime) * scales.movie * kFixedOne /
                  (static_cast<double>(scales.media) * edit.rate);
  return Clamp(static_cast<SInt64>(std::ceil(offset - 1e-9)));
}

EditPosition EditAt(const TrackRecord& track, TimeValue t) {
  SInt64 start = 0;
  for (size_t i = 0; i < track.edits.size(); ++i) {
    SInt64 end = start + track.edits[i].trackDuration;
    if (t >= start && t < end) return {static_cast<long>(i), Clamp(start)};
    start = end;
  }
  return {-1, Clamp(start)};
}

SamplePosition SampleAt(const MediaRecord& media, TimeValue t) {
  SampleTable::Position at = media.samples.Find(t);
  return {at.index < 0 ? -1 : static_cast<long>(at.index), Clamp(at.start)};
}

SampleRun SamplesNeeded(const MediaRecord& media, TimeValue from, TimeValue to) {
  const SampleTable& table = media.samples;
  if (table.Empty()) return {};
  // Samples shown out of decoding order move by their composition offsets.
  TimeValue reorder = table.LargestCompositionOffset();
  SInt64 end = static_cast<SInt64>(to) + reorder;
  auto shown = [&](const SampleTable::Walker& w) {
    SInt64 length = std::max<TimeValue>(w.duration(), 1);
    SInt64 decoded = w.start(), displayed = w.start() + w.compositionOffset();
    return (decoded < to && decoded + length > from) ||
           (displayed < to && displayed + length > from);
  };
  SInt64 near = static_cast<SInt64>(from) - reorder;
  SampleTable::Position at = table.Find(near);
  uint64_t start = at.index >= 0 ? static_cast<uint64_t>(at.index)
                   : near < 0    ? 0
                                 : table.Count() - 1;
  SampleTable::Walker w(table, start);
  while (w.start() < end && !shown(w)) {
    if (!w.Next()) return {};
  }
  if (w.start() >= end) return {};
  SampleRun run{w.index(), w.index() + 1};
  if (reorder == 0) {
    // In decoding order, every sample from the first shown to the last
    // starting before `to` shows.
    run.stop = std::max(run.stop, table.FirstStartingAt(to));
  } else {
    while (w.Next() && w.start() < end) {
      if (shown(w)) run.stop = w.index() + 1;
    }
  }
  // References come before a frame in decoding order, back to a sync sample.
  return {table.DecodeStart(run.first), table.DecodeEnd(run.stop)};
}

void SplitEdits(TrackRecord& track, TimeValue t) {
  EditPosition at = EditAt(track, t);
  if (at.index < 0 || at.start == t) return;
  EditEntry first = track.edits[at.index];
  EditEntry second = first;
  first.trackDuration = t - at.start;
  second.trackDuration -= first.trackDuration;
  second.mediaTime = MediaTimeInEdit(first, first.trackDuration, ScalesOf(track));
  track.edits[at.index] = first;
  track.edits.insert(track.edits.begin() + at.index + 1, second);
}

std::vector<EditEntry> EditsIn(const TrackRecord& track, TimeValue start, TimeValue duration) {
  std::vector<EditEntry> pieces;
  SInt64 end = static_cast<SInt64>(start) + duration;
  SInt64 editStart = 0;
  TrackScales scales = ScalesOf(track);
  for (const EditEntry& edit : track.edits) {
    SInt64 editEnd = editStart + edit.trackDuration;
    SInt64 from = std::max<SInt64>(start, editStart);
    SInt64 to = std::min<SInt64>(end, editEnd);
    if (from < to) {
      EditEntry piece = edit;
      piece.trackDuration = Clamp(to - from);
      piece.mediaTime = MediaTimeInEdit(edit, Clamp(from - editStart), scales);
      pieces.push_back(piece);
    }
    editStart = editEnd;
  }
  SInt64 covered = std::max<SInt64>(start, editStart);
  if (covered < end) pieces.push_back({Clamp(end - covered), -1, static_cast<Fixed>(kFixedOne)});
  return pieces;
}

void InsertEdits(TrackRecord& track, TimeValue t, const std::vector<EditEntry>& edits) {
  TimeValue length = TrackDuration(track);
  if (t > length) {
    track.edits.push_back({t - length, -1, static_cast<Fixed>(kFixedOne)});
  } else {
    SplitEdits(track, t);
  }
  EditPosition at = EditAt(track, t);
  size_t index = at.index < 0 ? track.edits.size() : static_cast<size_t>(at.index);
  track.edits.insert(track.edits.begin() + index, edits.begin(), edits.end());
  Tidy(track.edits, ScalesOf(track));
}

void DeleteEdits(TrackRecord& track, TimeValue start, TimeValue duration) {
  SInt64 end = static_cast<SInt64>(start) + duration;
  SplitEdits(track, start);
  if (end < TrackDuration(track)) SplitEdits(track, Clamp(end));
  std::vector<EditEntry> kept;
  SInt64 editStart = 0;
  for (const EditEntry& edit : track.edits) {
    SInt64 editEnd = editStart + edit.trackDuration;
    if (editStart < start || editStart >= end) kept.push_back(edit);
    editStart = editEnd;
  }
  track.edits.swap(kept);
  Tidy(track.edits, ScalesOf(track));
}

void ScaleEdits(TrackRecord& track, TimeValue start, TimeValue oldDuration, TimeValue newDuration) {
  SInt64 end = static_cast<SInt64>(start) + oldDuration;
  SplitEdits(track, start);
  SplitEdits(track, Clamp(end));
  SInt64 editStart = 0;
  SInt64 scaledBefore = 0;  // new length of the segment's edits so far
  SInt64 oldBefore = 0;
  for (EditEntry& edit : track.edits) {
    SInt64 editEnd = editStart + edit.trackDuration;
    if (editStart >= start && editEnd <= end) {
      // Scaled by their running totals, so that rounding never adds up.
      oldBefore += edit.trackDuration;
      SInt64 scaledEnd = std::llround(static_cast<double>(oldBefore) * newDuration / oldDuration);
      SInt64 length = scaledEnd - scaledBefore;
      if (edit.mediaTime != -1 && length > 0) {
        double rate = static_cast<double>(edit.rate) * edit.trackDuration / length;
        edit.rate = static_cast<Fixed>(std::llround(rate));
      }
      edit.trackDuration = Clamp(length);
      scaledBefore = scaledEnd;
    }
    editStart = editEnd;
  }
  Tidy(track.edits, ScalesOf(track));
}

bool EditsForTrack(const TrackRecord& source, const std::vector<EditEntry>& edits,
                   TrackRecord& target, std::vector<EditEntry>* out, OSErr* err) {
  TimeScale fromScale = ScalesOf(source).movie;
  TimeScale toScale = ScalesOf(target).movie;
  out->clear();
  if (source.media == nullptr || target.media == nullptr) {
    *err = invalidMedia;
    return false;
  }
  if (source.media->type != target.media->type) {
    *err = mediaTypesDontMatch;
    return false;
  }
  const MediaRecord& from = *source.media;
  MediaRecord& to = *target.media;
  MediaRecord saved = to;  // restored when a copy fails half-way
  SampleMover mover(from, to);
  TrackScales sourceScales = ScalesOf(source);
  for (const EditEntry& edit : edits) {
    EditEntry converted = edit;
    converted.trackDuration = ConvertTime(edit.trackDuration, fromScale, toScale);
    if (edit.mediaTime != -1 && &from != &to) {
      TimeValue mediaEnd = Clamp(static_cast<SInt64>(edit.mediaTime) +
                                 std::max(EditMediaDuration(edit, sourceScales), 1));
      SampleRun run = SamplesNeeded(from, edit.mediaTime, mediaEnd);
      if (run.first == run.stop) {
        converted.mediaTime = -1;
      } else {
        // Samples the target already holds are shared, not added again:
        // edits over one source often need the same samples (a key frame
        // and the frames after it). Bytes being copied into the target
        // are copied whole.
        SampleMover::Run there =
            mover.CopyBytes() ? SampleMover::Run{} : mover.FindRun(run.first, run.stop);
        uint64_t base = there.found > 0 ? there.base : to.samples.Count();
        if (!mover.AppendRun(run.first + there.found, run.stop, err)) {
          to = saved;
          return false;
        }
        SInt64 baseTime = to.samples.StartOf(base);
        SInt64 into = from.samples.StartOf(run.first);
        converted.mediaTime =
            Clamp(baseTime + ConvertTime(edit.mediaTime - into, from.timeScale, to.timeScale));
      }
    }
    out->push_back(converted);
  }
  return true;
}

TrackRecord* AddTrack(MovieRecord& movie, Fixed width, Fixed height, short volume) {
  auto track = std::make_unique<TrackRecord>();
  track->movie = &movie;
  long id = movie.nextTrackID;
  for (const auto& other : movie.tracks) id = std::max(id, other->id + 1);
  track->id = id;
  movie.nextTrackID = id + 1;
  track->width = width;
  track->height = height;
  track->volume = volume;
  track->matrix = IdentityMatrix();
  track->creationTime = track->modificationTime = MacSecondsNow();
  TrackRecord* made = track.get();
  if (IsLiveMovie(&movie) && !TrackCreated(made)) throw std::bad_alloc();
  movie.tracks.push_back(std::move(track));
  return made;
}

MediaRecord* AddMedia(TrackRecord& track, OSType type, TimeScale scale) {
  auto media = std::make_unique<MediaRecord>();
  media->track = &track;
  media->type = type;
  media->timeScale = scale;
  media->handlerManufacturer = 'appl';
  media->handlerName = "Apple Media Handler";
  for (const HandlerName& known : kHandlerNames) {
    if (known.type == type) media->handlerName = known.name;
  }
  media->creationTime = media->modificationTime = MacSecondsNow();
  if (track.movie != nullptr && IsLiveMovie(track.movie) && !MediaCreated(media.get())) {
    throw std::bad_alloc();
  }
  track.media = std::move(media);
  return track.media.get();
}

TrackRecord* NewTrackLike(MovieRecord& movie, const TrackRecord& source) {
  TrackRecord* track = AddTrack(movie, source.width, source.height, source.volume);
  track->enabled = source.enabled;
  track->usage = source.usage;
  track->layer = source.layer;
  track->alternateGroup = source.alternateGroup;
  track->matrix = source.matrix;
  track->clipRegion = source.clipRegion;
  if (source.media != nullptr) {
    const MediaRecord& from = *source.media;
    MediaRecord* media = AddMedia(*track, from.type, from.timeScale);
    media->handlerManufacturer = from.handlerManufacturer;
    media->handlerName = from.handlerName;
    media->language = from.language;
    media->quality = from.quality;
    for (const DataReference& ref : from.dataRefs)
      media->dataRefs.push_back(ReferenceIn(ref, &movie));
    media->graphicsMode = from.graphicsMode;
    media->opColor = from.opColor;
    media->balance = from.balance;
    media->bass = from.bass;
    media->treble = from.treble;
  }
  return track;
}

std::unique_ptr<MovieRecord> CopyMovieRecord(const MovieRecord& movie) {
  auto copy = std::make_unique<MovieRecord>();
  copy->timeScale = movie.timeScale;
  copy->duration = movie.duration;
  copy->preferredRate = movie.preferredRate;
  copy->preferredVolume = movie.preferredVolume;
  copy->matrix = movie.matrix;
  copy->previewTime = movie.previewTime;
  copy->previewDuration = movie.previewDuration;
  copy->posterTime = movie.posterTime;
  copy->selectionTime = movie.selectionTime;
  copy->selectionDuration = movie.selectionDuration;
  copy->currentTime = movie.currentTime;
  copy->nextTrackID = movie.nextTrackID;
  copy->creationTime = movie.creationTime;
  copy->modificationTime = movie.modificationTime;
  copy->flags = movie.flags;
  copy->box = movie.box;
  copy->clipRegion = movie.clipRegion;
  copy->userData = movie.userData;
  copy->defaultDataRef = movie.defaultDataRef;
  copy->unknownAtoms = movie.unknownAtoms;
  copy->volume = movie.volume;
  copy->timeBaseFlags = movie.timeBaseFlags;
  copy->playHints = movie.playHints;
  for (const auto& track : movie.tracks) {
    auto t = std::make_unique<TrackRecord>();
    t->movie = copy.get();
    t->id = track->id;
    t->enabled = track->enabled;
    t->usage = track->usage;
    t->layer = track->layer;
    t->alternateGroup = track->alternateGroup;
    t->volume = track->volume;
    t->matrix = track->matrix;
    t->width = track->width;
    t->height = track->height;
    t->creationTime = track->creationTime;
    t->modificationTime = track->modificationTime;
    t->edits = track->edits;
    t->clipRegion = track->clipRegion;
    t->userData = track->userData;
    t->unknownAtoms = track->unknownAtoms;
    if (track->media != nullptr) {
      t->media = std::make_unique<MediaRecord>(*track->media);
      t->media->track = t.get();
      t->media->editing = false;
    }
    copy->tracks.push_back(std::move(t));
  }
  return copy;
}

TrackRecord* TrackOfTypeAndRank(MovieRecord& movie, OSType type, int rank) {
  for (const auto& track : movie.tracks) {
    OSType kind = track->media != nullptr ? track->media->type : 0;
    if (kind == type && rank-- == 0) return track.get();
  }
  return nullptr;
}

int RankOfTrack(const MovieRecord& movie, const TrackRecord& track) {
  OSType type = track.media != nullptr ? track.media->type : 0;
  int rank = 0;
  for (const auto& other : movie.tracks) {
    if (other.get() == &track) return rank;
    if ((other->media != nullptr ? other->media->type : 0) == type) ++rank;
  }
  return rank;
}

bool MediaTypeHasCharacteristic(OSType mediaType, OSType characteristic) {
  for (const Characteristics& known : kCharacteristics) {
    if (known.type != mediaType) continue;
    if (characteristic == 'eyes') return known.visual;
    if (characteristic == 'ears') return known.audible;
  }
  return false;
}

OSErr ReportProgress(MovieRecord& movie, short message, short operation, Fixed percent) {
  MovieProgressUPP proc = movie.progressProc;
  if (proc == nullptr) return noErr;
  if (proc == kDefaultProgressProc) return ShowDefaultProgress(message, operation, percent);
  return proc(ReferenceTo(&movie), message, operation, percent, movie.progressRefcon);
}

}  // namespace qtml
