// A media's samples, kept the way a movie file's sample table keeps them:
// runs of equal durations, of equal composition offsets and of sync or
// other samples; sizes as one value for a run of samples that share it (a
// list where they differ); and chunks, stretches of samples stored back
// to back from one offset under one sample description. Memory grows with
// runs, chunks and listed sizes, not with samples that share their size
// and duration: an hour of sound is a handful of runs.
//
// Samples are numbered from 0 in decoding order; times are media time,
// the sum of the durations before a sample.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "MacTypes.h"
#include "Movies.h"

namespace qtml {

// How a chunk's sound frames lie in its bytes: packets of `frames` frames
// and `bytes` bytes each, from the chunk's offset on, as a sound
// description gives them. frames 0: samples lie whole, each its size long.
struct SamplePacking {
  UInt32 frames = 0;
  UInt32 bytes = 0;
  bool operator==(const SamplePacking&) const = default;
  bool packed() const { return frames > 0; }
};

// One sample as the toolbox calls answer it. The bytes of a packed sound
// frame are those of the packet holding it.
struct SampleEntry {
  SInt64 offset = 0;  // in the store of its description's data reference
  UInt32 size = 0;    // bytes
  TimeValue duration = 0;
  TimeValue compositionOffset = 0;
  bool sync = true;
  UInt32 descriptionIndex = 1;  // 1-based into MediaRecord::descriptions
};

// Samples to append: `count` of them, stored back to back from `offset`,
// alike in all else. A packed run's size is its table size (1 for sound
// frames) and its bytes follow from the packing.
struct SampleRunSpec {
  SInt64 offset = 0;
  uint64_t count = 0;
  UInt32 size = 0;
  TimeValue duration = 0;
  TimeValue compositionOffset = 0;
  bool sync = true;
  UInt32 description = 1;
  SamplePacking packing;
};

class SampleTable {
 public:
  uint64_t Count() const { return count_; }
  // Changes whenever samples are added or dropped (not when chunks move),
  // so that what was said of the samples as read can be known stale. Two
  // tables share a revision only when one is a copy of the other.
  uint64_t Revision() const { return revision_; }
  bool Empty() const { return count_ == 0; }
  // The sum of every duration.
  SInt64 Duration() const;

  // The sample numbered `index` (< Count()).
  SampleEntry At(uint64_t index) const;
  // When sample `index` starts; Duration() for Count().
  SInt64 StartOf(uint64_t index) const;
  // The sample showing at media time t, and its start: index -1 before 0
  // and from the end on (start is then the end).
  struct Position {
    int64_t index = -1;
    SInt64 start = 0;
  };
  Position Find(SInt64 t) const;
  // The first sample starting at or after t, or Count().
  uint64_t FirstStartingAt(SInt64 t) const;

  // The largest composition offset, either way.
  TimeValue LargestCompositionOffset() const;
  // The sync sample at or before `index` (0 when there is none), counting
  // the start of a packet of packed sound as one.
  uint64_t DecodeStart(uint64_t index) const;
  // The first sample after `stop - 1`'s packet, for packed sound; `stop`
  // otherwise.
  uint64_t DecodeEnd(uint64_t stop) const;

  // How many samples from the first have their bytes wholly inside their
  // stores, whose sizes `storeSize` answers by description (-1: not known,
  // taken to hold every byte).
  uint64_t CountHeld(const std::function<SInt64(UInt32)>& storeSize) const;

  // The packet holding sample `index`: its first frame and how many it
  // holds; the sample alone when it is not packed sound.
  struct Packet {
    uint64_t first = 0;
    uint64_t count = 1;
  };
  Packet PacketOf(uint64_t index) const;

  // The bytes samples [first, stop) take in their stores, packets whole.
  SInt64 BytesOf(uint64_t first, uint64_t stop) const;

  // Chunks, in sample order.
  struct Chunk {
    SInt64 offset = 0;
    uint64_t first = 0;  // its first sample
    uint64_t count = 0;
    UInt32 description = 1;
    SamplePacking packing;
  };
  size_t ChunkCount() const { return offsets_.size(); }
  Chunk ChunkAt(size_t index) const;
  static constexpr uint64_t kNone = UINT64_MAX;
  // The sample whose bytes start `delta` bytes into the chunk, or kNone.
  uint64_t SampleStartingAt(const Chunk& chunk, SInt64 delta) const;
  // The chunk holding sample `index`.
  size_t ChunkOf(uint64_t index) const;
  SInt64 ChunkBytes(const Chunk& chunk) const { return BytesWithin(chunk, chunk.count); }
  void SetChunkOffset(size_t index, SInt64 offset);
  // Cuts chunks so that each of the given samples (ascending) starts one;
  // a cut inside a packet moves on to the packet's end.
  void SplitChunksAt(const std::vector<uint64_t>& samples);
  // Joins each chunk to the one before it when its bytes follow that
  // one's directly under the same description and packing.
  void JoinAdjacentChunks();

  // Appending. Samples that follow the last chunk's bytes directly, under
  // its description and packing, join that chunk.
  void Append(const SampleRunSpec& run);
  // Appends samples [first, stop) of `from` (which may not be this table),
  // their description indices mapped by `description` and their durations
  // by `duration`. With `place`, the bytes of each piece of a chunk of
  // `from` (its offset, samples and description there; the bytes it takes)
  // are where `place` answers rather than where they were.
  using Placer = std::function<SInt64(const Chunk& piece, SInt64 bytes)>;
  void AppendRange(const SampleTable& from, uint64_t first, uint64_t stop,
                   const std::function<UInt32(UInt32)>& description,
                   const std::function<TimeValue(TimeValue)>& duration,
                   const Placer& place = nullptr);
  // Keeps the first `count` samples.
  void Truncate(uint64_t count);

  // Building a table from a file's tables, part by part: each part in
  // sample order. FinishParts keeps `count` samples, false when the
  // durations or the chunks cover fewer (composition offsets past the
  // end of theirs are 0).
  void AddDurations(uint64_t count, TimeValue duration);
  void AddCompositionOffsets(uint64_t count, TimeValue offset);
  void AddSizes(uint64_t count, UInt32 size);
  void AddChunk(SInt64 offset, uint64_t samples, UInt32 description, SamplePacking packing);
  // Sync samples by number from 1, ascending; without a call every sample
  // is a sync sample.
  void SetSyncSamples(const std::vector<uint64_t>& numbers);
  bool FinishParts(uint64_t count);

  // The runs as a file's tables keep them, for writing them back.
  struct TimeRun {
    uint64_t count;
    TimeValue value;
  };
  std::vector<TimeRun> DurationRuns() const;
  std::vector<TimeRun> CompositionRuns() const;  // empty when every offset is 0
  bool AllSync() const;
  // The numbers (from 1) of the sync samples, in order, until `visit`
  // answers false.
  void ForEachSyncNumber(const std::function<void(uint64_t)>& visit) const;
  // Chunks as 'stsc' keeps them: from chunk `firstChunk` (from 0) on, each
  // of `perChunk` samples under one description.
  struct ChunkRunView {
    size_t firstChunk;
    uint64_t perChunk;
    UInt32 description;
  };
  std::vector<ChunkRunView> ChunkRuns() const;
  const std::vector<SInt64>& ChunkOffsets() const { return offsets_; }
  // The size every sample shares, or 0 when sizes differ.
  UInt32 CommonSize() const;
  void ForEachSize(const std::function<void(UInt32)>& visit) const;

  // Walks the samples in order (either way) at a constant cost a step.
  class Walker {
   public:
    // At sample `index` (< Count() of a table with samples).
    Walker(const SampleTable& table, uint64_t index);
    uint64_t index() const { return index_; }
    SInt64 start() const { return start_; }
    TimeValue duration() const { return table_->times_[time_].value.value; }
    TimeValue compositionOffset() const { return table_->comps_[comp_].value.value; }
    bool sync() const { return table_->sync_[syncRun_].value.value; }
    UInt32 size() const;
    UInt32 description() const { return table_->chunkRuns_[chunkRun_].value.description; }
    // The sample as the toolbox answers it.
    SampleEntry entry() const;
    // False at either end, the walker unmoved.
    bool Next();
    bool Prev();

   private:
    void Seek(uint64_t index);
    const SampleTable* table_;
    uint64_t index_ = 0;
    SInt64 start_ = 0;
    size_t time_ = 0, comp_ = 0, syncRun_ = 0, size_ = 0, chunkRun_ = 0;
  };

 private:
  // A run of `count` samples from `first` that share `value`.
  template <typename T>
  struct Run {
    uint64_t first;
    uint64_t count;
    T value;
    uint64_t end() const { return first + count; }
  };
  template <typename T>
  using RunList = std::vector<Run<T>>;
  template <typename T>
  static void Push(RunList<T>& runs, uint64_t count, const T& value);
  template <typename T>
  static size_t RunOf(const RunList<T>& runs, uint64_t index);
  template <typename T>
  static void Cut(RunList<T>& runs, uint64_t count);
  template <typename T>
  static void PushSlice(RunList<T>& runs, const RunList<T>& from, uint64_t first, uint64_t stop);

  struct Delta {
    TimeValue value;
    SInt64 start;  // of the run's first sample
    bool operator==(const Delta& other) const { return value == other.value; }
  };
  struct Offset {
    TimeValue value;
    bool operator==(const Offset&) const = default;
  };
  struct Sync {
    bool value;
    bool operator==(const Sync&) const = default;
  };
  // A run of sizes: one size for the run, or (listed) sizes kept in
  // ends_ from `at` on, as running totals.
  struct Sizes {
    UInt32 size;
    bool listed;
    size_t at;
    bool operator==(const Sizes&) const = default;
  };
  // Chunks of one size and description, from `firstChunk` on.
  struct ChunkRun {
    size_t firstChunk;
    uint64_t perChunk;
    UInt32 description;
    SamplePacking packing;
    // Runs of chunks join when their chunks are alike, wherever they start.
    bool operator==(const ChunkRun& other) const {
      return perChunk == other.perChunk && description == other.description &&
             packing == other.packing;
    }
  };

  void PushDurations(uint64_t count, TimeValue duration);
  void PushSizes(uint64_t count, UInt32 size);
  void PushChunk(SInt64 offset, uint64_t count, UInt32 description, SamplePacking packing,
                 SInt64 bytes);
  UInt32 SizeAt(uint64_t index) const;
  // The bytes of the sizes of samples [first, stop) as the size runs give them.
  SInt64 SumSizes(uint64_t first, uint64_t stop) const;
  // The bytes the first `count` samples of a chunk take.
  SInt64 BytesWithin(const Chunk& chunk, uint64_t count) const;
  Chunk ChunkAtRun(size_t run, size_t chunk) const;
  size_t ChunkRunOf(size_t chunk) const;
  void RebuildChunks(const std::vector<Chunk>& chunks);

  uint64_t count_ = 0;
  uint64_t revision_ = 0;
  RunList<Delta> times_;
  RunList<Offset> comps_;
  RunList<Sync> sync_;
  RunList<Sizes> sizes_;
  std::vector<uint64_t> ends_;  // running totals of listed sizes
  // Chunk runs cover samples; offsets_ holds each chunk's offset.
  RunList<ChunkRun> chunkRuns_;
  std::vector<SInt64> offsets_;
  SInt64 lastChunkEnd_ = -1;  // where the last chunk's bytes end
  // Parts being built: sync numbers wait for the count to be known.
  std::vector<uint64_t> pendingSync_;
  bool syncGiven_ = false;
};

}  // namespace qtml
