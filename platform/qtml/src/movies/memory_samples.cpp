#include "movies/memory_samples.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "base/byte_order.h"
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

// Lays out the new movie data: the samples of references in memory, each
// stretch of source bytes once, in the order the media meet them. Sample
// offsets are first relative to the data's start, then moved by Shift.
class Layout {
 public:
  OSErr Place(MediaRecord& media, const std::shared_ptr<DataStore>& file) {
    std::vector<bool> memory;
    for (const DataReference& ref : media.dataRefs) memory.push_back(InMemory(ref));
    for (SampleEntry& sample : media.samples) {
      long index = SampleDataRefIndex(media, sample);
      if (index < 0 || !memory[index]) continue;
      if (OSErr err = PlaceSample(media.dataRefs[index].store, sample)) return err;
    }
    for (size_t i = 0; i < memory.size(); ++i) {
      if (!memory[i]) continue;
      DataReference self;
      self.type = rAliasType;
      self.flags = dataRefSelfReference;
      self.store = file;
      media.dataRefs[i] = std::move(self);
    }
    return noErr;
  }

  void Shift(SInt64 start) {
    for (SampleEntry* sample : moved_) sample->offset += start;
  }
  SInt64 size() const { return size_; }
  const std::vector<Run>& runs() const { return runs_; }

 private:
  OSErr PlaceSample(const std::shared_ptr<DataStore>& store, SampleEntry& sample) {
    if (store == nullptr) return couldNotResolveDataRef;
    if (sample.offset < 0 || sample.offset + sample.size > store->Size()) return endOfDataReached;
    auto key = std::make_tuple(store.get(), sample.offset, sample.size);
    auto [placed, added] = placed_.try_emplace(key, size_);
    if (added) AddRun(store, sample.offset, sample.size);
    sample.offset = placed->second;
    moved_.push_back(&sample);
    return noErr;
  }

  // Bytes that follow the last run in the same store extend it, so that
  // samples stored back to back are copied in one go.
  void AddRun(const std::shared_ptr<DataStore>& store, SInt64 offset, SInt64 size) {
    if (!runs_.empty() && runs_.back().from == store &&
        runs_.back().offset + runs_.back().size == offset) {
      runs_.back().size += size;
    } else {
      runs_.push_back({store, offset, size});
    }
    size_ += size;
  }

  std::map<std::tuple<DataStore*, SInt64, UInt32>, SInt64> placed_;
  std::vector<SampleEntry*> moved_;
  std::vector<Run> runs_;
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
    if (!run.from->Read(run.offset + done, buffer.data(), step)) return endOfDataReached;
    if (file.Append(buffer.data(), step) < 0) return ioErr;
    done += step;
  }
  return noErr;
}

// Appends the laid-out data to the file at its end. Bytes after the
// file's last whole atom already wait to be taken into it when the movie
// atom is written, and the new data joins them; otherwise the data goes
// into an 'mdat' atom of its own. The file is cut back on failure.
OSErr AppendData(Layout& layout, DataStore& file, const std::string& path) {
  std::vector<TopLevelAtom> atoms;
  SInt64 validEnd = 0;
  if (OSErr err = WalkTopLevel(file, &atoms, &validEnd)) return err;
  SInt64 end = file.Size();
  bool joinLoose = !atoms.empty() && validEnd < end;
  std::vector<uint8_t> header = joinLoose ? std::vector<uint8_t>() : DataHeader(layout.size());
  layout.Shift(end + static_cast<SInt64>(header.size()));
  OSErr err = noErr;
  if (!header.empty() && file.Append(header.data(), static_cast<SInt64>(header.size())) != end) {
    err = ioErr;
  }
  std::vector<uint8_t> buffer;
  for (size_t i = 0; err == noErr && i < layout.runs().size(); ++i) {
    err = CopyRun(layout.runs()[i], file, buffer);
  }
  if (err != noErr) {
    // Should cutting back fail too, what is left lies past the last whole
    // atom, where the next movie written into the file takes it in.
    int cut = truncate(path.c_str(), end);
    (void)cut;
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
      if (OSErr err = layout.Place(*track->media, file)) return err;
    }
    if (layout.size() > 0) {
      if (OSErr err = AppendData(layout, *file, path)) return err;
    }
    *written = std::move(copy);
    return noErr;
  });
}

}  // namespace qtml
