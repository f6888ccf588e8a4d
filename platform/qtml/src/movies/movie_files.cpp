// Movie files: opening and creating them, reading their movies, writing
// movies back into them, flattening movies into new files, and movies in
// handles and behind data references.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include "base/byte_order.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "movies/memory_samples.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_files.h"
#include "movies/movie_progress.h"
#include "movies/movie_toolbox.h"
#include "files/os.h"
#include "qtff/qtff_read.h"
#include "qtff/qtff_write.h"

namespace qtml {
namespace {

constexpr UInt32 kMacEpochOffset = 2082844800;  // 1904 to 1970, in seconds
constexpr size_t kMdatHeaderSize = 16;          // 'wide' + 'mdat', or a 64-bit 'mdat'

// A movie file opened by OpenMovieFile or CreateMovieFile.
struct MovieFile {
  std::string path;
  bool writable = false;
  std::shared_ptr<DataStore> store;
  // Where the file's atoms end as the engine last found or wrote them:
  // what lies after it was appended since (sample bytes, not atoms).
  SInt64 atomsEnd = -1;
};

std::map<short, MovieFile>& OpenFiles() {
  static std::map<short, MovieFile> files;
  return files;
}

MovieFile* FindFile(short refNum) {
  auto found = OpenFiles().find(refNum);
  return found == OpenFiles().end() ? nullptr : &found->second;
}

short AddFile(MovieFile file) {
  short refNum = 1;
  while (OpenFiles().count(refNum) != 0) ++refNum;
  OpenFiles().emplace(refNum, std::move(file));
  return refNum;
}

UInt32 MacSeconds() {
  return static_cast<UInt32>(time(nullptr)) + kMacEpochOffset;
}

// The start of every Movie Toolbox call here: noErr, or the error (also
// recorded) when the toolbox is not entered or a fault is injected.
OSErr Enter(ApiCall& call) {
  if (OSErr err = RequireMovieToolbox()) return err;
  if (OSErr fault = call.Fault()) {
    SetMoviesError(fault);
    return fault;
  }
  return noErr;
}

OSErr Done(OSErr err) {
  SetMoviesError(err);
  return err;
}

// Byte-level changes to a file in place, for writing movies into it. The
// file is closed on every path.
class FilePatch {
 public:
  explicit FilePatch(const std::string& path) : file_(path, os::WritableFile::Mode::kExisting) {}

  OSErr OpenError() const { return file_.OpenError(); }
  OSErr Write(SInt64 offset, const void* bytes, size_t size) {
    return file_.WriteAt(offset, bytes, size);
  }
  OSErr Sync() { return file_.Sync(); }
  void Truncate(SInt64 size) { (void)file_.Truncate(size); }  // undoing: nothing more to do
  // Rewrites an atom's header as `type` covering `size` bytes.
  OSErr Retype(const TopLevelAtom& atom, OSType type, SInt64 size) {
    uint8_t header[16];
    if (atom.headerSize == 16) {
      WriteBE32(header, 1);
      WriteBE32(header + 4, type);
      WriteBE32(header + 8, static_cast<uint32_t>(static_cast<uint64_t>(size) >> 32));
      WriteBE32(header + 12, static_cast<uint32_t>(size));
      return Write(atom.offset, header, 16);
    }
    if (size > 0xFFFFFFFFLL) return ioErr;
    WriteBE32(header, static_cast<uint32_t>(size));
    WriteBE32(header + 4, type);
    return Write(atom.offset, header, 8);
  }

 private:
  os::WritableFile file_;
};

// Replaces the file's movie with `moov`: appended after everything in the
// file, then bytes appended since the last whole atom (samples added
// since) are taken into that atom, and the old movie atoms are retired
// to 'free'; so are the file's movie fragments ('moof', and 'mfra' that
// finds them) when `fragmentsTaken`, the new movie holding their samples.
// Until an old movie atom is retired (or taken into the last atom) the
// file's first movie is the old one, and a failure until then leaves the
// file as it was: the last atom's header put back, the file cut back to
// `original` bytes, its size before the write began.
OSErr ReplaceMovieAtom(DataStore& store, const std::string& path, const std::vector<uint8_t>& moov,
                       bool fragmentsTaken, SInt64 original, SInt64 atomsEnd) {
  FilePatch file(path);
  if (OSErr err = file.OpenError()) return err;
  std::vector<TopLevelAtom> atoms;
  SInt64 validEnd = 0;
  OSErr err = WalkTopLevel(store, &atoms, &validEnd, atomsEnd);
  SInt64 end = store.Size();
  if (err == noErr) err = file.Write(end, moov.data(), moov.size());
  if (err == noErr) err = file.Sync();
  const TopLevelAtom* last = atoms.empty() ? nullptr : &atoms.back();
  bool loose = last != nullptr && validEnd < end;
  bool retyped = false;   // the last atom's header covers the loose bytes
  bool replaced = false;  // the old movie is gone: the new one is the file's
  if (err == noErr && loose) {
    // The loose bytes become movie data, inside the last atom.
    err = file.Retype(*last, 'mdat', end - last->offset);
    retyped = err == noErr;
    replaced = retyped && last->type == 'moov';
  }
  for (const TopLevelAtom& atom : atoms) {
    if (err != noErr) break;
    bool retired =
        atom.type == 'moov' || (fragmentsTaken && (atom.type == 'moof' || atom.type == 'mfra'));
    if (!retired || (&atom == last && loose)) continue;
    err = file.Retype(atom, 'free', atom.size);
    if (err == noErr && atom.type == 'moov') replaced = true;
  }
  if (err == noErr) return file.Sync();
  if (!replaced) {
    if (retyped) (void)file.Retype(*last, last->type, last->size);
    file.Truncate(std::min(original, end));
  }
  return err;
}

// Reads a store's movie into a new live movie. *unresolved tells whether
// some media's data could not be found.
OSErr ReadMovie(const MovieSource& source, short flags, Movie* out, bool* unresolved) {
  std::unique_ptr<MovieRecord> movie;
  if (OSErr err = ReadMovieFromStore(source, &movie, unresolved)) return err;
  movie->flags = flags;
  movie->active = (flags & newMovieActive) != 0;
  *out = AdoptMovie(std::move(movie));
  return *out != nullptr ? noErr : memFullErr;
}

DataReference FileReference(const std::string& path, std::shared_ptr<DataStore> store) {
  DataReference ref;
  ref.type = rAliasType;
  ref.data = MakeAliasRecord(path);
  ref.store = std::move(store);
  return ref;
}

void SetFinderInfo(const std::string& path, OSType creator) {
  FInfo info = {};
  info.fdType = 'MooV';
  info.fdCreator = creator;
  WriteFinderInfo(path, info);
}

// The store a description's samples are in, or nullptr.
DataStore* StoreOf(const MediaRecord& media, UInt32 description) {
  long index = DescriptionDataRef(media, description);
  return index < 0 ? nullptr : media.dataRefs[index].store.get();
}

// The runs of samples that the track's edits show, ascending and apart.
// An edit reaching the media's end keeps the samples of no duration there.
std::vector<SampleRun> ShownRuns(const TrackRecord& track) {
  const MediaRecord& media = *track.media;
  TrackScales scales = ScalesOf(track);
  std::vector<SampleRun> runs;
  for (const EditEntry& edit : track.edits) {
    if (edit.mediaTime < 0) continue;
    // A dwell (rate 0) still shows the sample it stops on.
    TimeValue length = std::max<TimeValue>(EditMediaDuration(edit, scales), 1);
    SampleRun run =
        SamplesNeeded(media, edit.mediaTime, Clamp(static_cast<SInt64>(edit.mediaTime) + length));
    if (run.first == run.stop) continue;
    if (static_cast<SInt64>(edit.mediaTime) + length >= media.samples.Duration()) {
      run.stop = media.samples.Count();
    }
    runs.push_back(run);
  }
  std::sort(runs.begin(), runs.end(),
            [](const SampleRun& a, const SampleRun& b) { return a.first < b.first; });
  std::vector<SampleRun> apart;
  for (const SampleRun& run : runs) {
    if (!apart.empty() && run.first <= apart.back().stop) {
      apart.back().stop = std::max(apart.back().stop, run.stop);
    } else {
      apart.push_back(run);
    }
  }
  return apart;
}

// Drops the samples of a track's media that none of its edits show, and
// moves the edits' media times back over the time dropped before them.
void KeepShownSamples(TrackRecord& track) {
  MediaRecord& media = *track.media;
  const SampleTable& all = media.samples;
  std::vector<SampleRun> runs = ShownRuns(track);
  if (runs.size() == 1 && runs[0].first == 0 && runs[0].stop == all.Count()) return;
  // Media time dropped before sample i: its start less the kept time before it.
  auto droppedBefore = [&](uint64_t i) {
    SInt64 kept = 0;
    for (const SampleRun& run : runs) {
      if (run.first >= i) break;
      kept += all.StartOf(std::min(run.stop, i)) - all.StartOf(run.first);
    }
    return all.StartOf(i) - kept;
  };
  for (EditEntry& edit : track.edits) {
    if (edit.mediaTime < 0 || all.Empty()) continue;
    SampleTable::Position at = all.Find(edit.mediaTime);
    uint64_t i = at.index >= 0 ? static_cast<uint64_t>(at.index) : all.Count() - 1;
    edit.mediaTime = Clamp(edit.mediaTime - droppedBefore(i));
  }
  SampleTable kept;
  auto same = [](auto value) { return value; };
  for (const SampleRun& run : runs) kept.AppendRange(all, run.first, run.stop, same, same);
  media.samples = std::move(kept);
}

// A copy of a movie's file contents whose media all read from one new
// file: their samples are laid out again by Flattener. Only the samples
// the edits show are kept.
std::unique_ptr<MovieRecord> FlatCopy(const MovieRecord& movie, bool activeOnly,
                                      std::vector<const MediaRecord*>* sources) {
  auto flat = std::make_unique<MovieRecord>();
  flat->timeScale = movie.timeScale;
  flat->preferredRate = movie.preferredRate;
  flat->preferredVolume = movie.preferredVolume;
  flat->matrix = movie.matrix;
  flat->previewTime = movie.previewTime;
  flat->previewDuration = movie.previewDuration;
  flat->posterTime = movie.posterTime;
  flat->selectionTime = movie.selectionTime;
  flat->selectionDuration = movie.selectionDuration;
  flat->currentTime = movie.currentTime;
  flat->nextTrackID = movie.nextTrackID;
  flat->creationTime = movie.creationTime;
  flat->modificationTime = movie.modificationTime;
  flat->clipRegion = movie.clipRegion;
  flat->userData = movie.userData;
  for (const RawAtom& atom : movie.unknownAtoms) {
    if (atom.parent != 'file') flat->unknownAtoms.push_back(atom);
  }
  for (const auto& source : movie.tracks) {
    if (activeOnly && !source->enabled) continue;
    auto track = std::make_unique<TrackRecord>();
    track->movie = flat.get();
    track->id = source->id;
    track->enabled = source->enabled;
    track->usage = source->usage;
    track->layer = source->layer;
    track->alternateGroup = source->alternateGroup;
    track->volume = source->volume;
    track->matrix = source->matrix;
    track->width = source->width;
    track->height = source->height;
    track->creationTime = source->creationTime;
    track->modificationTime = source->modificationTime;
    track->edits = source->edits;
    track->clipRegion = source->clipRegion;
    track->userData = source->userData;
    track->unknownAtoms = source->unknownAtoms;
    if (source->media != nullptr) {
      track->media = std::make_unique<MediaRecord>(*source->media);
      MediaRecord& media = *track->media;
      media.track = track.get();
      media.editing = false;
      media.dataRefs.assign(1, DataReference());
      media.dataRefs[0].type = rAliasType;
      media.dataRefs[0].flags = dataRefSelfReference;
      for (auto& desc : media.descriptions) {
        SetDescriptionDataRefIndex(desc, 1);
      }
    }
    if (track->media != nullptr) KeepShownSamples(*track);
    sources->push_back(source->media.get());
    flat->tracks.push_back(std::move(track));
  }
  return flat;
}

constexpr SInt64 kCopyRun = 4 << 20;  // bytes read and written at once, at most

// Writes a flattened movie: lays its samples out in the new file's movie
// data and copies them there from the source media.
class Flattener {
 public:
  Flattener(MovieRecord& source, long flags) : source_(source), flags_(flags) {}

  OSErr Write(const std::string& path) {
    flat_ = FlatCopy(source_, (flags_ & flattenActiveTracksOnly) != 0, &sources_);
    if (OSErr err = CheckHeldSamples()) return err;
    PlanOrder();
    std::vector<uint8_t> fileType = FileType();
    std::vector<uint8_t> moov;
    SInt64 dataStart = static_cast<SInt64>(fileType.size() + kMdatHeaderSize);
    bool movieFirst = (flags_ & flattenForceMovieResourceBeforeMovieData) != 0;
    WriteTarget target{path, false};
    for (int pass = 0; pass < 3; ++pass) {  // the atom's size moves the data
      AssignOffsets(dataStart);
      if (OSErr err = WriteMovieAtom(*flat_, target, &moov)) return err;
      if (!movieFirst) break;
      SInt64 start = static_cast<SInt64>(fileType.size() + moov.size() + kMdatHeaderSize);
      if (start == dataStart) break;
      dataStart = start;
    }
    return WriteFile(path, fileType, moov, movieFirst);
  }

 private:
  // One chunk of a flat track, in the order chunks go into the movie data.
  struct Placed {
    size_t track;
    size_t chunk;
    double start;  // seconds: its piece's start, for interleaving
  };

  std::vector<uint8_t> FileType() const {
    for (const RawAtom& atom : source_.unknownAtoms) {
      if (atom.parent == 'file' && atom.type == 'ftyp') return atom.bytes;
    }
    return QuickTimeFileType();
  }

  // endOfDataReached, before anything is written, when a sample to be
  // copied is not wholly in its store (a file cut short).
  OSErr CheckHeldSamples() {
    std::map<const DataStore*, SInt64> sizes;
    for (size_t t = 0; t < flat_->tracks.size(); ++t) {
      MediaRecord* media = flat_->tracks[t]->media.get();
      if (media == nullptr || media->samples.Empty()) continue;
      const MediaRecord& source = *sources_[t];
      uint64_t held = media->samples.CountHeld([&](UInt32 description) -> SInt64 {
        const DataStore* store = StoreOf(source, description);
        if (store == nullptr) return -1;
        auto known = sizes.try_emplace(store, 0);
        if (known.second) known.first->second = store->Size();
        return known.first->second;
      });
      if (held < media->samples.Count()) return endOfDataReached;
    }
    return noErr;
  }

  // Cuts a track's chunks into pieces of half a second: each piece starts
  // at the first sample half a second or more after the last piece's
  // start. Answers each chunk's piece start, in seconds.
  static std::vector<double> CutPieces(SampleTable& table, TimeScale scale) {
    std::vector<uint64_t> cuts;
    std::vector<SInt64> starts{0};
    SInt64 half = (static_cast<SInt64>(scale) + 1) / 2;
    for (uint64_t i = 0;;) {
      i = table.FirstStartingAt(table.StartOf(i) + half);
      if (i >= table.Count()) break;
      cuts.push_back(i);
      starts.push_back(table.StartOf(i));
    }
    table.SplitChunksAt(cuts);
    std::vector<double> pieces;
    size_t piece = 0;
    for (size_t c = 0; c < table.ChunkCount(); ++c) {
      uint64_t first = table.ChunkAt(c).first;
      while (piece < cuts.size() && cuts[piece] <= first) ++piece;
      pieces.push_back(static_cast<double>(starts[piece]) / scale);
    }
    return pieces;
  }

  // The order chunks go into the movie data: each track's pieces of half
  // a second ordered by time; or track after track.
  void PlanOrder() {
    bool interleave = (flags_ & flattenDontInterleaveFlatten) == 0;
    for (size_t t = 0; t < flat_->tracks.size(); ++t) {
      MediaRecord* media = flat_->tracks[t]->media.get();
      sourceOffsets_.emplace_back();
      if (media == nullptr || media->samples.Empty()) continue;
      SampleTable& table = media->samples;
      TimeScale scale = media->timeScale > 0 ? media->timeScale : 1;
      std::vector<double> starts =
          interleave ? CutPieces(table, scale) : std::vector<double>(table.ChunkCount(), 0.0);
      for (size_t c = 0; c < table.ChunkCount(); ++c) {
        order_.push_back({t, c, starts[c]});
        dataSize_ += table.ChunkBytes(table.ChunkAt(c));
      }
      sourceOffsets_.back() = table.ChunkOffsets();
    }
    if (interleave) {
      std::stable_sort(order_.begin(), order_.end(),
                       [](const Placed& a, const Placed& b) { return a.start < b.start; });
    }
  }

  void AssignOffsets(SInt64 dataStart) {
    SInt64 at = dataStart;
    for (const Placed& placed : order_) {
      SampleTable& table = flat_->tracks[placed.track]->media->samples;
      table.SetChunkOffset(placed.chunk, at);
      at += table.ChunkBytes(table.ChunkAt(placed.chunk));
    }
  }

  std::vector<uint8_t> DataHeader() const {
    std::vector<uint8_t> header(kMdatHeaderSize, 0);
    uint64_t size = static_cast<uint64_t>(dataSize_) + 8;
    if (size <= 0xFFFFFFFFULL) {
      WriteBE32(header.data(), 8);
      WriteBE32(header.data() + 4, 'wide');
      WriteBE32(header.data() + 8, static_cast<uint32_t>(size));
      WriteBE32(header.data() + 12, 'mdat');
    } else {
      size += 8;
      WriteBE32(header.data(), 1);
      WriteBE32(header.data() + 4, 'mdat');
      WriteBE32(header.data() + 8, static_cast<uint32_t>(size >> 32));
      WriteBE32(header.data() + 12, static_cast<uint32_t>(size));
    }
    return header;
  }

  OSErr Progress(short message, double done) {
    MovieProgressUPP proc = source_.progressProc;
    if (proc == nullptr) return noErr;
    Fixed percent = static_cast<Fixed>(std::lround(std::clamp(done, 0.0, 1.0) * 65536.0));
    if (proc == kDefaultProgressProc)
      return ShowDefaultProgress(message, progressOpFlatten, percent);
    return proc(ReferenceTo(&source_), message, progressOpFlatten, percent, source_.progressRefcon);
  }

  OSErr WriteFile(const std::string& path, const std::vector<uint8_t>& fileType,
                  const std::vector<uint8_t>& moov, bool movieFirst) {
    os::WritableFile file(path, os::WritableFile::Mode::kReplace);
    if (OSErr err = file.OpenError()) return err;
    written_ = 0;
    OSErr err = Progress(movieProgressOpen, 0);
    if (err == noErr) err = Put(file, fileType);
    if (err == noErr && movieFirst) err = Put(file, moov);
    if (err == noErr) err = Put(file, DataHeader());
    if (err == noErr) err = CopySamples(file);
    if (err == noErr && !movieFirst) err = Put(file, moov);
    // Not synced: the file is whole before it takes the target's name, and
    // a rename over a file has the new file's data written back first on
    // the file systems the engine runs on. A sync would cost a long movie
    // as much again as its copy.
    OSErr closing = Progress(movieProgressClose, 1);
    return err != noErr ? err : closing;
  }

  // Appends the bytes to what this writer has written.
  OSErr Put(os::WritableFile& file, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return noErr;
    OSErr err = file.WriteAt(written_, bytes.data(), bytes.size());
    written_ += static_cast<SInt64>(bytes.size());
    return err;
  }

  // Where a placed chunk's bytes come from.
  struct Source {
    DataStore* store = nullptr;
    SInt64 offset = 0;
    SInt64 size = 0;
  };

  Source SourceOf(const Placed& placed) const {
    const SampleTable& table = flat_->tracks[placed.track]->media->samples;
    SampleTable::Chunk chunk = table.ChunkAt(placed.chunk);
    return {StoreOf(*sources_[placed.track], chunk.description),
            sourceOffsets_[placed.track][placed.chunk], table.ChunkBytes(chunk)};
  }

  // Copies every chunk's bytes in the order placed. Chunks whose source
  // bytes lie close together in one store are read at once, at most
  // kCopyRun bytes, and the movie data is written kCopyRun bytes at a
  // time, so that a long movie costs few reads and writes.
  OSErr CopySamples(os::WritableFile& file) {
    std::map<DataStore*, SInt64> storeSizes;
    for (size_t i = 0; i < order_.size();) {
      Source first = SourceOf(order_[i]);
      if (first.store == nullptr) return couldNotResolveDataRef;
      SInt64 lo = first.offset, hi = first.offset + first.size, bytes = first.size;
      size_t j = i + 1;
      for (; j < order_.size() && hi - lo <= kCopyRun; ++j) {
        Source next = SourceOf(order_[j]);
        SInt64 from = std::min(lo, next.offset), to = std::max(hi, next.offset + next.size);
        // Only bytes mostly wanted are read together.
        if (next.store != first.store || to - from > kCopyRun ||
            2 * (bytes + next.size) < to - from) {
          break;
        }
        lo = from, hi = to, bytes += next.size;
      }
      auto known = storeSizes.try_emplace(first.store, 0);
      if (known.second) known.first->second = first.store->Size();
      if (lo < 0 || hi > known.first->second) {
        return endOfDataReached;  // before making room for bytes that are not there
      }
      OSErr err = j == i + 1 ? CopyStretch(file, first) : CopyGroup(file, i, j, lo, hi);
      if (err != noErr) return err;
      i = j;
    }
    return Flush(file);
  }

  // Chunks [i, j) of the order, whose bytes all lie in [lo, hi) of one store.
  OSErr CopyGroup(os::WritableFile& file, size_t i, size_t j, SInt64 lo, SInt64 hi) {
    Source first = SourceOf(order_[i]);
    readBuffer_.resize(static_cast<size_t>(hi - lo));
    if (!first.store->Read(lo, readBuffer_.data(), hi - lo)) {
      return StoreError(*first.store, endOfDataReached);
    }
    for (size_t k = i; k < j; ++k) {
      Source chunk = SourceOf(order_[k]);
      const uint8_t* bytes = readBuffer_.data() + (chunk.offset - lo);
      if (OSErr err = Emit(file, bytes, chunk.size)) return err;
    }
    return noErr;
  }

  // One chunk, read and written in pieces of at most kCopyRun bytes.
  OSErr CopyStretch(os::WritableFile& file, const Source& chunk) {
    for (SInt64 done = 0; done < chunk.size;) {
      SInt64 step = std::min(chunk.size - done, kCopyRun);
      readBuffer_.resize(static_cast<size_t>(step));
      if (!chunk.store->Read(chunk.offset + done, readBuffer_.data(), step)) {
        return StoreError(*chunk.store, endOfDataReached);
      }
      if (OSErr err = Emit(file, readBuffer_.data(), step)) return err;
      done += step;
    }
    return noErr;
  }

  // Adds sample bytes to the movie data, writing it out when it is full.
  OSErr Emit(os::WritableFile& file, const uint8_t* bytes, SInt64 size) {
    writeBuffer_.insert(writeBuffer_.end(), bytes, bytes + size);
    return static_cast<SInt64>(writeBuffer_.size()) >= kCopyRun ? Flush(file) : noErr;
  }

  OSErr Flush(os::WritableFile& file) {
    if (writeBuffer_.empty()) return noErr;
    if (OSErr err = Put(file, writeBuffer_)) return err;
    copied_ += static_cast<SInt64>(writeBuffer_.size());
    writeBuffer_.clear();
    double fraction = dataSize_ > 0 ? static_cast<double>(copied_) / dataSize_ : 1;
    if (fraction < nextReport_) return noErr;
    nextReport_ = fraction + 0.01;
    return Progress(movieProgressUpdatePercent, fraction);
  }

  MovieRecord& source_;
  long flags_;
  std::unique_ptr<MovieRecord> flat_;
  std::vector<const MediaRecord*> sources_;         // by flat track
  std::vector<std::vector<SInt64>> sourceOffsets_;  // by flat track and chunk
  std::vector<Placed> order_;
  SInt64 dataSize_ = 0;
  SInt64 written_ = 0;  // bytes of the file so far
  SInt64 copied_ = 0;   // sample bytes
  double nextReport_ = 0.01;
  std::vector<uint8_t> readBuffer_;
  std::vector<uint8_t> writeBuffer_;
};

// A path in the directory of `path` for writing a file before it is put
// in place. Its name does not grow with the file's, which may already be
// as long as a native name can be.
// Whether a new movie file may take the path: nothing is there, or a
// regular file that the flags allow to replace (dupFNErr when they do not).
// Directories, devices, FIFOs and sockets are never replaced: notAFileErr.
OSErr CheckReplaceable(const std::string& path, long createFlags) {
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr err = os::KindAt(path, &kind)) return err;
  if (kind == os::EntryKind::kMissing) return noErr;
  if (kind != os::EntryKind::kFile) return notAFileErr;
  return (createFlags & createMovieFileDeleteCurFile) != 0 ? OSErr{noErr} : OSErr{dupFNErr};
}

std::string AsidePath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return directory + ".flatten-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// A file written aside, removed when it goes out of scope unless it took
// its name: also when an allocation throws on the way.
class AsideFile {
 public:
  explicit AsideFile(std::string path) : path_(std::move(path)) {}
  AsideFile(const AsideFile&) = delete;
  AsideFile& operator=(const AsideFile&) = delete;
  ~AsideFile() {
    if (kept_) return;
    try {
      os::RemoveFile(path_);
    } catch (...) {
    }
  }
  const std::string& path() const { return path_; }
  // Renames it to `path`; from then on it is no longer removed.
  OSErr Keep(const std::string& path) {
    OSErr err = os::Rename(path_, path);
    kept_ = err == noErr;
    return err;
  }

 private:
  std::string path_;
  bool kept_ = false;
};

// Looks at a new file written aside before it takes its name (`path`).
using AsideCheck = std::function<OSErr(const std::string& aside, const std::string& path)>;

// Flattens the movie into a new file at theFile's path. The file is
// written aside and then `check` (when given) looks at it; only when both
// work does it take the path's name, so a file there is replaced whole or
// not at all, and no new file is left when one step fails.
OSErr Flatten(MovieRecord& movie, long flags, const FSSpec* theFile, OSType creator,
              long createFlags, std::string* written, const AsideCheck& check = nullptr) {
  std::string path;
  if (theFile == nullptr) return paramErr;
  if (OSErr err = SpecToPath(theFile, &path)) return err;
  if (OSErr err = CheckReplaceable(path, createFlags)) return err;
  AsideFile aside(AsidePath(path));
  OSErr err = Flattener(movie, flags).Write(aside.path());
  if (err == noErr && check != nullptr) err = check(aside.path(), path);
  if (err == noErr) err = aside.Keep(path);
  if (err != noErr) return err;
  SetFinderInfo(path, creator);
  *written = path;
  return noErr;
}

OSErr CopyHandleBytes(Handle h, std::vector<uint8_t>* bytes) {
  if (OSErr err = CheckHandle(h)) return err;
  const auto* from = reinterpret_cast<const uint8_t*>(*h);
  bytes->assign(from, from + HandleSize(h));
  return noErr;
}

// The start of a new movie file: the file type, then movie data that
// grows as media add samples to the file.
std::string NewFileStart() {
  std::vector<uint8_t> start = QuickTimeFileType();
  const uint8_t data[16] = {0, 0, 0, 8, 'w', 'i', 'd', 'e', 0, 0, 0, 8, 'm', 'd', 'a', 't'};
  start.insert(start.end(), data, data + sizeof data);
  return std::string(start.begin(), start.end());
}

std::unique_ptr<MovieRecord> NewFileMovie(long flags, DataReference fileRef) {
  std::unique_ptr<MovieRecord> movie(NewObject<MovieRecord>());
  if (movie == nullptr) return nullptr;
  movie->flags = flags;
  movie->active = (flags & newMovieActive) != 0;
  movie->matrix = IdentityMatrix();
  movie->creationTime = movie->modificationTime = MacSeconds();
  movie->defaultDataRef = std::move(fileRef);
  return movie;
}

OSErr OpenMovieFileAt(const std::string& path, SInt8 permission, short* resRefNum) {
  bool writable = permission != fsRdPerm;
  OSErr err = noErr;
  std::shared_ptr<DataStore> store = OpenFileStore(path, writable, &err);
  if (store == nullptr && permission == fsCurPerm && err != fnfErr) {
    writable = false;
    store = OpenFileStore(path, false, &err);
  }
  if (store == nullptr) return err;
  NoteFileStore(store, path);
  std::vector<TopLevelAtom> atoms;
  SInt64 atomsEnd = 0;
  if (OSErr walked = WalkTopLevel(*store, &atoms, &atomsEnd)) return walked;
  *resRefNum = AddFile({path, writable, store, atomsEnd});
  return noErr;
}

OSErr CreateFileAt(const std::string& path, OSType creator, long flags, short* resRefNum,
                   Movie* newmovie) {
  if (OSErr err = CheckReplaceable(path, flags)) return err;
  // Written whole before it takes the name: a file it replaces stays as it
  // was when the new one cannot be written.
  AsideFile aside(AsidePath(path));
  OSErr written = os::WriteWholeFile(aside.path(), NewFileStart());
  if (written == noErr) written = aside.Keep(path);
  if (written != noErr) return written;
  short refNum = 0;
  // The new file goes again when it cannot be opened, also when an
  // allocation throws on the way.
  OSErr err = Guarded<OSErr>(memFullErr, [&] {
    SetFinderInfo(path, creator);
    std::shared_ptr<DataStore> store;
    if ((flags & createMovieFileDontOpenFile) == 0) {
      if (OSErr opened = OpenMovieFileAt(path, fsRdWrPerm, &refNum)) return opened;
      store = FindFile(refNum)->store;
    }
    if ((flags & createMovieFileDontCreateMovie) == 0) {
      std::unique_ptr<MovieRecord> movie = NewFileMovie(flags & 0xFFFF, FileReference(path, store));
      *newmovie = movie != nullptr ? AdoptMovie(std::move(movie)) : nullptr;
      if (*newmovie == nullptr) return OSErr{memFullErr};
    }
    return OSErr{noErr};
  });
  if (err != noErr) {
    OpenFiles().erase(refNum);
    os::RemoveFile(path);
    return err;
  }
  if (resRefNum != nullptr) *resRefNum = refNum;
  return noErr;
}

OSErr WriteIntoFile(MovieRecord& movie, short resRefNum) {
  MovieFile* file = FindFile(resRefNum);
  if (file == nullptr) return rfNumErr;
  if (!file->writable) return wrPermErr;
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr err = os::KindAt(file->path, &kind)) return err;
  if (kind != os::EntryKind::kFile) return fnfErr;
  // Samples in memory are copied into the file first; the movie written
  // is then a copy that finds them there. They go again when the movie
  // cannot be written.
  SInt64 original = file->store->Size();
  std::unique_ptr<MovieRecord> copied;
  if (OSErr err = CopyMemorySamplesToFile(movie, file->store, file->path, &copied)) return err;
  const MovieRecord& written = copied != nullptr ? *copied : movie;
  std::vector<uint8_t> moov;
  if (OSErr err = WriteMovieAtom(written, WriteTarget{file->path, false}, &moov)) {
    if (copied != nullptr) FilePatch(file->path).Truncate(original);
    return err;
  }
  bool fragmentsTaken = std::none_of(written.unknownAtoms.begin(), written.unknownAtoms.end(),
                                     [](const RawAtom& atom) { return atom.type == 'mvex'; });
  if (OSErr err = ReplaceMovieAtom(*file->store, file->path, moov, fragmentsTaken, original,
                                   file->atomsEnd)) {
    return err;
  }
  file->atomsEnd = file->store->Size();
  movie.changed = false;
  return noErr;
}

OSErr RemoveMovieAtom(short resRefNum) {
  MovieFile* file = FindFile(resRefNum);
  if (file == nullptr) return rfNumErr;
  if (!file->writable) return wrPermErr;
  std::vector<TopLevelAtom> atoms;
  SInt64 validEnd = 0;
  if (OSErr err = WalkTopLevel(*file->store, &atoms, &validEnd, file->atomsEnd)) return err;
  for (const TopLevelAtom& atom : atoms) {
    if (atom.type != 'moov') continue;
    FilePatch patch(file->path);
    if (OSErr err = patch.OpenError()) return err;
    if (OSErr err = patch.Retype(atom, 'free', atom.size)) return err;
    return patch.Sync();
  }
  return noMovieFound;
}

}  // namespace

OSErr FlattenToFile(MovieRecord& movie, long flags, const FSSpec* theFile, OSType creator,
                    long createFlags) {
  std::string written;
  return Flatten(movie, flags, theFile, creator, createFlags, &written);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::Done;
using qtml::MovieRecord;

extern "C" {

QTML_API OSErr OpenMovieFile(const FSSpec* fileSpec, short* resRefNum, SInt8 permission) try {
  ApiCall call("OpenMovieFile", fileSpec, resRefNum, permission);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  if (fileSpec == nullptr || resRefNum == nullptr) return call.Return(Done(paramErr));
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    std::string path;
    if (OSErr err = qtml::SpecToPath(fileSpec, &path)) return err;
    return qtml::OpenMovieFileAt(path, permission, resRefNum);
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr CloseMovieFile(short resRefNum) try {
  ApiCall call("CloseMovieFile", resRefNum);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  return call.Return(Done(qtml::OpenFiles().erase(resRefNum) != 0 ? noErr : rfNumErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr DeleteMovieFile(const FSSpec* fileSpec) try {
  ApiCall call("DeleteMovieFile", fileSpec);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  if (fileSpec == nullptr) return call.Return(Done(paramErr));
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    std::string path;
    if (OSErr err = qtml::SpecToPath(fileSpec, &path)) return err;
    qtml::os::EntryKind kind = qtml::os::EntryKind::kMissing;
    if (OSErr err = qtml::os::KindAt(path, &kind)) return err;
    if (kind != qtml::os::EntryKind::kFile) return fnfErr;
    qtml::RemoveFinderInfoSidecar(path);
    return qtml::os::RemoveFile(path);
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr NewMovieFromFile(Movie* theMovie, short resRefNum, short* resId, StringPtr resName,
                                short newMovieFlags, Boolean* dataRefWasChanged) try {
  ApiCall call("NewMovieFromFile", theMovie, resRefNum, resId, newMovieFlags);
  if (theMovie != nullptr) *theMovie = nullptr;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  if (theMovie == nullptr) return call.Return(Done(paramErr));
  if (dataRefWasChanged != nullptr) *dataRefWasChanged = false;
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    qtml::MovieFile* file = qtml::FindFile(resRefNum);
    if (file == nullptr) return rfNumErr;
    bool unresolved = false;
    qtml::MovieSource source{file->store, file->path};
    if (OSErr err = qtml::ReadMovie(source, newMovieFlags, theMovie, &unresolved)) return err;
    // New media put their samples into the file when it can be written.
    MovieRecord* movie = qtml::MovieOf(*theMovie);
    movie->defaultDataRef = qtml::FileReference(file->path, file->writable ? file->store : nullptr);
    if (resId != nullptr) *resId = movieInDataForkResID;
    if (resName != nullptr) resName[0] = 0;
    return unresolved ? couldNotResolveDataRef : noErr;
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr NewMovieFromHandle(Movie* theMovie, Handle h, short newMovieFlags,
                                  Boolean* dataRefWasChanged) try {
  ApiCall call("NewMovieFromHandle", theMovie, h, newMovieFlags);
  if (theMovie != nullptr) *theMovie = nullptr;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  if (theMovie == nullptr) return call.Return(Done(paramErr));
  if (dataRefWasChanged != nullptr) *dataRefWasChanged = false;
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    std::vector<uint8_t> bytes;
    if (OSErr err = qtml::CopyHandleBytes(h, &bytes)) return err;
    qtml::MovieSource source{qtml::NewMemoryStore(std::move(bytes)), std::string(), true};
    if (source.self == nullptr) return memFullErr;
    bool unresolved = false;
    OSErr err = qtml::ReadMovie(source, newMovieFlags, theMovie, &unresolved);
    if (err != noErr) return err;
    return unresolved ? couldNotResolveDataRef : noErr;
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr PutMovieIntoHandle(Movie theMovie, Handle publicMovie) try {
  ApiCall call("PutMovieIntoHandle", theMovie, publicMovie);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return(invalidMovie);
  if (OSErr err = qtml::CheckHandle(publicMovie)) return call.Return(Done(err));
  std::vector<uint8_t> moov;
  OSErr err = qtml::WriteMovieAtom(*movie, qtml::WriteTarget{std::string(), true}, &moov);
  if (err == noErr) err = qtml::SetHandleBytes(publicMovie, moov.data(), moov.size());
  return call.Return(Done(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr NewMovieFromDataRef(Movie* theMovie, short flags, short* id, Handle dataRef,
                                   OSType dataRefType) try {
  ApiCall call("NewMovieFromDataRef", theMovie, flags, id, dataRef, qtml::FourCC{dataRefType});
  if (theMovie != nullptr) *theMovie = nullptr;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  if (theMovie == nullptr || dataRef == nullptr) return call.Return(Done(paramErr));
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    qtml::DataReference ref;
    ref.type = dataRefType;
    if (OSErr err = qtml::CopyHandleBytes(dataRef, &ref.data)) return err;
    OSErr err = noErr;
    qtml::MovieSource source;
    source.self =
        qtml::OpenDataRefStore(dataRefType, ref.data.data(), ref.data.size(), false, &err);
    if (source.self == nullptr) return err;
    source.selfPath = qtml::DataRefPath(ref);
    if (!source.selfPath.empty()) qtml::NoteFileStore(source.self, source.selfPath);
    source.inMemory =
        dataRefType == HandleDataHandlerSubType || dataRefType == PointerDataHandlerSubType;
    bool unresolved = false;
    if (OSErr read = qtml::ReadMovie(source, flags, theMovie, &unresolved)) return read;
    qtml::MovieOf(*theMovie)->defaultDataRef = ref;  // opened for writing when used
    if (id != nullptr) *id = movieInDataForkResID;
    return unresolved ? couldNotResolveDataRef : noErr;
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr CreateMovieFile(const FSSpec* fileSpec, OSType creator, ScriptCode scriptTag,
                               long createMovieFileFlags, short* resRefNum, Movie* newmovie) try {
  ApiCall call("CreateMovieFile", fileSpec, qtml::FourCC{creator}, scriptTag, createMovieFileFlags,
               resRefNum, newmovie);
  if (newmovie != nullptr) *newmovie = nullptr;
  if (resRefNum != nullptr) *resRefNum = 0;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  bool wantsMovie = (createMovieFileFlags & createMovieFileDontCreateMovie) == 0;
  bool opens = (createMovieFileFlags & createMovieFileDontOpenFile) == 0;
  if (fileSpec == nullptr || (wantsMovie && newmovie == nullptr) ||
      (opens && resRefNum == nullptr)) {
    return call.Return(Done(paramErr));
  }
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    std::string path;
    if (OSErr err = qtml::SpecToPath(fileSpec, &path)) return err;
    return qtml::CreateFileAt(path, creator, createMovieFileFlags, resRefNum, newmovie);
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr UpdateMovieResource(Movie theMovie, short resRefNum, short resId,
                                   ConstStr255Param resourceName) try {
  ApiCall call("UpdateMovieResource", theMovie, resRefNum, resId);
  (void)resourceName;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return(invalidMovie);
  return call.Return(Done(
      qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::WriteIntoFile(*movie, resRefNum); })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr AddMovieResource(Movie theMovie, short resRefNum, short* resId,
                                ConstStr255Param resName) try {
  ApiCall call("AddMovieResource", theMovie, resRefNum, resId);
  (void)resName;
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return(invalidMovie);
  OSErr err =
      qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::WriteIntoFile(*movie, resRefNum); });
  if (err == noErr && resId != nullptr) *resId = movieInDataForkResID;
  return call.Return(Done(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr RemoveMovieResource(short resRefNum, short resId) try {
  ApiCall call("RemoveMovieResource", resRefNum, resId);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  return call.Return(
      Done(qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::RemoveMovieAtom(resRefNum); })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API void FlattenMovie(Movie theMovie, long movieFlattenFlags, const FSSpec* theFile,
                           OSType creator, ScriptCode scriptTag, long createMovieFileFlags,
                           short* resId, ConstStr255Param resName) try {
  ApiCall call("FlattenMovie", theMovie, movieFlattenFlags, theFile, qtml::FourCC{creator},
               scriptTag, createMovieFileFlags);
  (void)resName;
  if (qtml::Enter(call) != noErr) return;
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return;
  std::string path;
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    return qtml::Flatten(*movie, movieFlattenFlags, theFile, creator, createMovieFileFlags, &path);
  });
  if (err == noErr && resId != nullptr) *resId = movieInDataForkResID;
  Done(err);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Movie FlattenMovieData(Movie theMovie, long movieFlattenFlags, const FSSpec* theFile,
                                OSType creator, ScriptCode scriptTag,
                                long createMovieFileFlags) try {
  ApiCall call("FlattenMovieData", theMovie, movieFlattenFlags, theFile, qtml::FourCC{creator},
               scriptTag, createMovieFileFlags);
  if (qtml::Enter(call) != noErr) return call.Return<Movie>(nullptr);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return<Movie>(nullptr);
  Movie result = nullptr;
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    // The new file's movie is read before the file takes its name, so that
    // a file that cannot be read back replaces nothing.
    std::shared_ptr<qtml::DataStore> store;
    std::unique_ptr<MovieRecord> read;
    auto readBack = [&](const std::string& aside, const std::string& path) -> OSErr {
      OSErr open = noErr;
      store = qtml::OpenFileStore(aside, true, &open);
      if (store == nullptr) return open;
      bool unresolved = false;
      return qtml::ReadMovieFromStore(qtml::MovieSource{store, path}, &read, &unresolved);
    };
    std::string path;
    if (OSErr flat = qtml::Flatten(*movie, movieFlattenFlags, theFile, creator,
                                   createMovieFileFlags, &path, readBack)) {
      return flat;
    }
    qtml::NoteFileStore(store, path);
    short flags = static_cast<short>(createMovieFileFlags & 0xFFFF);
    read->flags = flags;
    read->active = (flags & newMovieActive) != 0;
    read->defaultDataRef = qtml::FileReference(path, store);
    result = qtml::AdoptMovie(std::move(read));
    return result != nullptr ? noErr : memFullErr;
  });
  Done(err);
  return call.Return(result);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API OSErr GetMovieDefaultDataRef(Movie theMovie, Handle* dataRef, OSType* dataRefType) try {
  ApiCall call("GetMovieDefaultDataRef", theMovie, dataRef, dataRefType);
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return(invalidMovie);
  if (dataRef == nullptr || dataRefType == nullptr) return call.Return(Done(paramErr));
  const qtml::DataReference& ref = movie->defaultDataRef;
  if (ref.type == 0) return call.Return(Done(noDefaultDataRef));
  OSErr err = noErr;
  Handle copy = qtml::NewHandleBytes(static_cast<Size>(ref.data.size()), false, &err);
  if (copy == nullptr) return call.Return(Done(err));
  if (!ref.data.empty()) std::memcpy(*copy, ref.data.data(), ref.data.size());
  *dataRef = copy;
  *dataRefType = ref.type;
  return call.Return(Done(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr SetMovieDefaultDataRef(Movie theMovie, Handle dataRef, OSType dataRefType) try {
  ApiCall call("SetMovieDefaultDataRef", theMovie, dataRef, qtml::FourCC{dataRefType});
  if (OSErr err = qtml::Enter(call)) return call.Return(err);
  MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return(invalidMovie);
  return call.Return(Done(qtml::Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    qtml::DataReference ref;
    ref.type = dataRefType;
    if (OSErr err = qtml::CopyHandleBytes(dataRef, &ref.data)) return err;
    OSErr ignored = noErr;  // a reference that cannot be opened yet fails when written
    ref.store =
        qtml::OpenDataRefStore(dataRefType, ref.data.data(), ref.data.size(), true, &ignored);
    movie->defaultDataRef = std::move(ref);
    return noErr;
  })));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
