#include "movies/memory_samples.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "base/byte_order.h"
#include "data/data_refs.h"
#include "files/os.h"
#include "memory/memory.h"
#include "movies/movie_edit_list.h"
#include "qtff/qtff_read.h"

namespace qtml {
namespace {

constexpr size_t kCopyBlock = 1 << 20;

bool HasMemoryData(const MovieRecord& movie) {
  for (const auto& track : movie.tracks) {
    if (track->media == nullptr) continue;
    const auto& refs = track->media->dataRefs;
    if (std::any_of(refs.begin(), refs.end(), InMemory)) return true;
  }
  return false;
}

// One stretch of bytes of a store in memory, copied into the file's new
// movie data after the runs before it.
struct Run {
  std::shared_ptr<DataStore> from;
  SInt64 offset;
  SInt64 size;
};

// Lays out the new movie data: the bytes of the chunks that references in
// memory hold, each stretch of source bytes once however many chunks
// share it. Chunk offsets are first relative to the data's start, then
// moved by Shift.
class Layout {
 public:
  // Notes the media's chunks in memory; Place then moves them.
  OSErr Gather(const MediaRecord& media) {
    const SampleTable& table = media.samples;
    for (size_t c = 0; c < table.ChunkCount(); ++c) {
      SampleTable::Chunk chunk = table.ChunkAt(c);
      long index = DescriptionDataRef(media, chunk.description);
      if (index < 0 || !InMemory(media.dataRefs[index])) continue;
      const std::shared_ptr<DataStore>& store = media.dataRefs[index].store;
      if (store == nullptr) return couldNotResolveDataRef;
      SInt64 size = table.ChunkBytes(chunk);
      if (chunk.offset < 0 || chunk.offset + size > store->Size()) return endOfDataReached;
      if (size > 0) spans_[store].push_back({store, chunk.offset, size});
    }
    return noErr;
  }

  // Lays out every stretch gathered, overlapping ones joined.
  void Plan() {
    for (auto& [store, spans] : spans_) {
      std::sort(spans.begin(), spans.end(),
                [](const Run& a, const Run& b) { return a.offset < b.offset; });
      for (const Run& span : spans) {
        if (!runs_.empty() && runs_.back().from == store &&
            span.offset <= runs_.back().offset + runs_.back().size) {
          Run& last = runs_.back();
          SInt64 end = std::max(last.offset + last.size, span.offset + span.size);
          size_ += end - (last.offset + last.size);
          last.size = end - last.offset;
          continue;
        }
        byStore_[store.get()].push_back(runs_.size());
        runs_.push_back(span);
        size_ += span.size;
      }
    }
    SInt64 at = 0;
    for (const Run& run : runs_) {
      placed_.push_back(at);
      at += run.size;
    }
  }

  // Points the media's chunks in memory at their bytes in the new data,
  // which starts at `start` in `file`, and makes those references self
  // references to the file.
  void Place(MediaRecord& media, const std::shared_ptr<DataStore>& file, SInt64 start) {
    SampleTable& table = media.samples;
    std::vector<bool> memory;
    for (const DataReference& ref : media.dataRefs) memory.push_back(InMemory(ref));
    for (size_t c = 0; c < table.ChunkCount(); ++c) {
      SampleTable::Chunk chunk = table.ChunkAt(c);
      long index = DescriptionDataRef(media, chunk.description);
      if (index < 0 || !memory[index]) continue;
      table.SetChunkOffset(c, start + NewOffset(media.dataRefs[index].store.get(), chunk.offset));
    }
    for (size_t i = 0; i < memory.size(); ++i) {
      if (!memory[i]) continue;
      DataReference self;
      self.type = rAliasType;
      self.flags = dataRefSelfReference;
      self.store = file;
      media.dataRefs[i] = std::move(self);
    }
  }

  SInt64 size() const { return size_; }
  const std::vector<Run>& runs() const { return runs_; }

 private:
  // Where source bytes at `offset` of `store` are in the new data.
  SInt64 NewOffset(const DataStore* store, SInt64 offset) const {
    const std::vector<size_t>& mine = byStore_.at(store);
    auto after = std::upper_bound(mine.begin(), mine.end(), offset,
                                  [&](SInt64 o, size_t run) { return o < runs_[run].offset; });
    size_t run = *(after - 1);  // every gathered chunk lies in a run
    return placed_[run] + (offset - runs_[run].offset);
  }

  std::map<std::shared_ptr<DataStore>, std::vector<Run>> spans_;
  std::vector<Run> runs_;
  std::vector<SInt64> placed_;  // where each run starts in the new data
  std::map<const DataStore*, std::vector<size_t>> byStore_;  // runs of each store, in order
  SInt64 size_ = 0;
};

// The header of an 'mdat' atom holding `size` bytes: 8 bytes, or 16 with
// a 64-bit size.
std::vector<uint8_t> DataHeader(SInt64 size) {
  uint64_t total = static_cast<uint64_t>(size) + 8;
  std::vector<uint8_t> header(8);
  if (total <= 0xFFFFFFFFULL) {
    WriteBE32(header.data(), static_cast<uint32_t>(total));
    WriteBE32(header.data() + 4, 'mdat');
    return header;
  }
  total += 8;
  header.resize(16);
  WriteBE32(header.data(), 1);
  WriteBE32(header.data() + 4, 'mdat');
  WriteBE32(header.data() + 8, static_cast<uint32_t>(total >> 32));
  WriteBE32(header.data() + 12, static_cast<uint32_t>(total));
  return header;
}

OSErr CopyRun(const Run& run, DataStore& file, std::vector<uint8_t>& buffer) {
  for (SInt64 done = 0; done < run.size;) {
    SInt64 step = std::min<SInt64>(run.size - done, static_cast<SInt64>(kCopyBlock));
    buffer.resize(static_cast<size_t>(step));
    if (!run.from->Read(run.offset + done, buffer.data(), step)) {
      return StoreError(*run.from, endOfDataReached);
    }
    if (file.Append(buffer.data(), step) < 0) return StoreError(file, ioErr);
    done += step;
  }
  return noErr;
}

// Appends the laid-out data to the file at its end. Bytes after the
// file's last whole atom already wait to be taken into it when the movie
// atom is written, and the new data joins them; otherwise the data goes
// into an 'mdat' atom of its own. The file is cut back on failure.
OSErr AppendData(const Layout& layout, DataStore& file, const std::string& path, SInt64* start) {
  std::vector<TopLevelAtom> atoms;
  SInt64 validEnd = 0;
  if (OSErr err = WalkTopLevel(file, &atoms, &validEnd)) return err;
  SInt64 end = file.Size();
  bool joinLoose = !atoms.empty() && validEnd < end;
  std::vector<uint8_t> header = joinLoose ? std::vector<uint8_t>() : DataHeader(layout.size());
  *start = end + static_cast<SInt64>(header.size());
  OSErr err = noErr;
  if (!header.empty() && file.Append(header.data(), static_cast<SInt64>(header.size())) != end) {
    err = StoreError(file, ioErr);
  }
  std::vector<uint8_t> buffer;
  for (size_t i = 0; err == noErr && i < layout.runs().size(); ++i) {
    err = CopyRun(layout.runs()[i], file, buffer);
  }
  if (err != noErr) {
    // Should cutting back fail too, what is left lies past the last whole
    // atom, where the next movie written into the file takes it in.
    (void)os::WritableFile(path, os::WritableFile::Mode::kExisting).Truncate(end);
  }
  return err;
}

}  // namespace

bool InMemory(const DataReference& ref) {
  if (ref.type == HandleDataHandlerSubType || ref.type == PointerDataHandlerSubType) return true;
  return (ref.flags & dataRefSelfReference) != 0 && ref.store != nullptr &&
         FileStorePath(ref.store.get()).empty();
}

OSErr CopyMemorySamplesToFile(const MovieRecord& movie, const std::shared_ptr<DataStore>& file,
                              const std::string& path, std::unique_ptr<MovieRecord>* written) {
  written->reset();
  if (!HasMemoryData(movie)) return noErr;
  return Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    std::unique_ptr<MovieRecord> copy = CopyMovieRecord(movie);
    Layout layout;
    for (const auto& track : copy->tracks) {
      if (track->media == nullptr) continue;
      if (OSErr err = layout.Gather(*track->media)) return err;
    }
    layout.Plan();
    SInt64 start = 0;
    if (layout.size() > 0) {
      if (OSErr err = AppendData(layout, *file, path, &start)) return err;
    }
    for (const auto& track : copy->tracks) {
      if (track->media != nullptr) layout.Place(*track->media, file, start);
    }
    *written = std::move(copy);
    return noErr;
  });
}

}  // namespace qtml
