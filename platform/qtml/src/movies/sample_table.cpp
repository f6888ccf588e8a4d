#include "movies/sample_table.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace qtml {
namespace {

// Runs of equal sizes shorter than this are listed, so that sizes that
// differ from sample to sample do not make a run each.
constexpr uint64_t kShortestSizeRun = 16;

// Revisions are drawn from one count, so that two tables have the same
// revision only when one is a copy of the other.
uint64_t NextRevision() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) {
  return (a + b - 1) / b;
}

}  // namespace

template <typename T>
void SampleTable::Push(RunList<T>& runs, uint64_t count, const T& value) {
  if (count == 0) return;
  if (!runs.empty() && runs.back().value == value) {
    runs.back().count += count;
    return;
  }
  uint64_t first = runs.empty() ? 0 : runs.back().end();
  runs.push_back({first, count, value});
}

template <typename T>
size_t SampleTable::RunOf(const RunList<T>& runs, uint64_t index) {
  auto after = std::upper_bound(runs.begin(), runs.end(), index,
                                [](uint64_t i, const Run<T>& run) { return i < run.first; });
  return after == runs.begin() ? 0 : static_cast<size_t>(after - runs.begin()) - 1;
}

template <typename T>
void SampleTable::Cut(RunList<T>& runs, uint64_t count) {
  while (!runs.empty() && runs.back().first >= count) runs.pop_back();
  if (!runs.empty() && runs.back().end() > count) runs.back().count = count - runs.back().first;
}

template <typename T>
void SampleTable::PushSlice(RunList<T>& runs, const RunList<T>& from, uint64_t first,
                            uint64_t stop) {
  for (size_t r = RunOf(from, first); r < from.size() && from[r].first < stop; ++r) {
    uint64_t lo = std::max(first, from[r].first), hi = std::min(stop, from[r].end());
    if (lo < hi) Push(runs, hi - lo, from[r].value);
  }
}

SInt64 SampleTable::Duration() const {
  if (times_.empty()) return 0;
  const Run<Delta>& last = times_.back();
  return last.value.start + static_cast<SInt64>(last.count) * last.value.value;
}

void SampleTable::PushDurations(uint64_t count, TimeValue duration) {
  if (count == 0) return;
  if (!times_.empty() && times_.back().value.value == duration) {
    times_.back().count += count;
    return;
  }
  SInt64 start = Duration();
  uint64_t first = times_.empty() ? 0 : times_.back().end();
  times_.push_back({first, count, Delta{duration, start}});
}

void SampleTable::PushSizes(uint64_t count, UInt32 size) {
  if (count == 0) return;
  if (!sizes_.empty() && !sizes_.back().value.listed && sizes_.back().value.size == size) {
    sizes_.back().count += count;
    return;
  }
  uint64_t first = sizes_.empty() ? 0 : sizes_.back().end();
  if (count >= kShortestSizeRun) {
    sizes_.push_back({first, count, {size, false, 0}});
    return;
  }
  // A short run of one size before this becomes a list, joining the list
  // before it.
  if (!sizes_.empty() && !sizes_.back().value.listed && sizes_.back().count < kShortestSizeRun) {
    Run<Sizes> shortRun = sizes_.back();
    sizes_.pop_back();
    bool joins = !sizes_.empty() && sizes_.back().value.listed;
    if (!joins) sizes_.push_back({shortRun.first, 0, {0, true, ends_.size()}});
    uint64_t total = ends_.empty() ? 0 : ends_.back();
    for (uint64_t i = 0; i < shortRun.count; ++i) ends_.push_back(total += shortRun.value.size);
    sizes_.back().count += shortRun.count;
  }
  if (sizes_.empty() || !sizes_.back().value.listed) {
    sizes_.push_back({first, 0, {0, true, ends_.size()}});
  }
  uint64_t total = ends_.empty() ? 0 : ends_.back();
  for (uint64_t i = 0; i < count; ++i) ends_.push_back(total += size);
  sizes_.back().count += count;
}

UInt32 SampleTable::SizeAt(uint64_t index) const {
  const Run<Sizes>& run = sizes_[RunOf(sizes_, index)];
  if (!run.value.listed) return run.value.size;
  size_t at = run.value.at + static_cast<size_t>(index - run.first);
  return static_cast<UInt32>(ends_[at] - (at == 0 ? 0 : ends_[at - 1]));
}

SInt64 SampleTable::SumSizes(uint64_t first, uint64_t stop) const {
  SInt64 total = 0;
  auto listedTotal = [&](size_t n) { return n == 0 ? 0 : static_cast<SInt64>(ends_[n - 1]); };
  for (size_t r = RunOf(sizes_, first); r < sizes_.size() && sizes_[r].first < stop; ++r) {
    const Run<Sizes>& run = sizes_[r];
    uint64_t lo = std::max(first, run.first), hi = std::min(stop, run.end());
    if (lo >= hi) continue;
    if (!run.value.listed) {
      total += static_cast<SInt64>(hi - lo) * run.value.size;
    } else {
      total += listedTotal(run.value.at + static_cast<size_t>(hi - run.first)) -
               listedTotal(run.value.at + static_cast<size_t>(lo - run.first));
    }
  }
  return total;
}

SInt64 SampleTable::BytesWithin(const Chunk& chunk, uint64_t count) const {
  if (chunk.packing.packed()) {
    return static_cast<SInt64>(CeilDiv(count, chunk.packing.frames)) * chunk.packing.bytes;
  }
  return SumSizes(chunk.first, chunk.first + count);
}

SampleTable::Chunk SampleTable::ChunkAtRun(size_t run, size_t chunk) const {
  const Run<ChunkRun>& r = chunkRuns_[run];
  Chunk c;
  c.offset = offsets_[chunk];
  c.first = r.first + (chunk - r.value.firstChunk) * r.value.perChunk;
  c.count = r.value.perChunk;
  c.description = r.value.description;
  c.packing = r.value.packing;
  return c;
}

size_t SampleTable::ChunkRunOf(size_t chunk) const {
  auto after =
      std::upper_bound(chunkRuns_.begin(), chunkRuns_.end(), chunk,
                       [](size_t c, const Run<ChunkRun>& run) { return c < run.value.firstChunk; });
  return after == chunkRuns_.begin() ? 0 : static_cast<size_t>(after - chunkRuns_.begin()) - 1;
}

SampleTable::Chunk SampleTable::ChunkAt(size_t index) const {
  return ChunkAtRun(ChunkRunOf(index), index);
}

size_t SampleTable::ChunkOf(uint64_t index) const {
  const Run<ChunkRun>& run = chunkRuns_[RunOf(chunkRuns_, index)];
  return run.value.firstChunk + static_cast<size_t>((index - run.first) / run.value.perChunk);
}

uint64_t SampleTable::SampleStartingAt(const Chunk& chunk, SInt64 delta) const {
  if (delta < 0) return kNone;
  if (chunk.packing.packed()) {
    if (delta % chunk.packing.bytes != 0) return kNone;
    uint64_t k = static_cast<uint64_t>(delta / chunk.packing.bytes) * chunk.packing.frames;
    return k < chunk.count ? chunk.first + k : kNone;
  }
  uint64_t stop = chunk.first + chunk.count;
  for (size_t r = RunOf(sizes_, chunk.first); r < sizes_.size() && sizes_[r].first < stop; ++r) {
    const Run<Sizes>& run = sizes_[r];
    uint64_t lo = std::max(chunk.first, run.first), hi = std::min(stop, run.end());
    SInt64 span = SumSizes(lo, hi);
    if (delta >= span) {
      delta -= span;
      continue;
    }
    if (!run.value.listed) {
      if (run.value.size == 0 || delta % run.value.size != 0) return kNone;
      return lo + static_cast<uint64_t>(delta / run.value.size);
    }
    // Listed sizes keep running totals: find the one ending where the
    // sample must start.
    size_t base = run.value.at + static_cast<size_t>(lo - run.first);
    uint64_t before = base == 0 ? 0 : ends_[base - 1];
    uint64_t want = before + static_cast<uint64_t>(delta);
    if (want == before) return lo;
    auto found = std::lower_bound(ends_.begin() + base, ends_.begin() + base + (hi - lo), want);
    if (found == ends_.begin() + base + (hi - lo) || *found != want) return kNone;
    return lo + static_cast<uint64_t>(found - (ends_.begin() + base)) + 1;
  }
  return kNone;
}

void SampleTable::SetChunkOffset(size_t index, SInt64 offset) {
  offsets_[index] = offset;
  if (index + 1 == offsets_.size()) lastChunkEnd_ = offset + ChunkBytes(ChunkAt(index));
}

SampleEntry SampleTable::At(uint64_t index) const {
  return Walker(*this, index).entry();
}

SInt64 SampleTable::StartOf(uint64_t index) const {
  if (index >= count_) return Duration();
  const Run<Delta>& run = times_[RunOf(times_, index)];
  return run.value.start + static_cast<SInt64>(index - run.first) * run.value.value;
}

SampleTable::Position SampleTable::Find(SInt64 t) const {
  if (t < 0) return {-1, 0};
  auto after = std::upper_bound(times_.begin(), times_.end(), t, [](SInt64 time, const auto& run) {
    return time < run.value.start;
  });
  if (after != times_.begin()) {
    const Run<Delta>& run = *(after - 1);
    SInt64 length = static_cast<SInt64>(run.count) * run.value.value;
    if (run.value.value > 0 && t < run.value.start + length) {
      SInt64 k = (t - run.value.start) / run.value.value;
      return {static_cast<int64_t>(run.first) + k, run.value.start + k * run.value.value};
    }
  }
  return {-1, Duration()};
}

uint64_t SampleTable::FirstStartingAt(SInt64 t) const {
  // The last sample of each run starts no earlier than the one before's.
  auto lastStart = [](const Run<Delta>& run) {
    return run.value.start + static_cast<SInt64>(run.count - 1) * run.value.value;
  };
  auto at = std::partition_point(times_.begin(), times_.end(),
                                 [&](const auto& run) { return lastStart(run) < t; });
  if (at == times_.end()) return count_;
  if (at->value.value <= 0 || t <= at->value.start) return at->first;
  SInt64 k = (t - at->value.start + at->value.value - 1) / at->value.value;
  return at->first + static_cast<uint64_t>(k);
}

TimeValue SampleTable::LargestCompositionOffset() const {
  TimeValue largest = 0;
  for (const auto& run : comps_) largest = std::max(largest, std::abs(run.value.value));
  return largest;
}

uint64_t SampleTable::DecodeStart(uint64_t index) const {
  if (index >= count_) return index;
  Packet packet = PacketOf(index);
  if (packet.first != index || packet.count > 1) return packet.first;
  size_t r = RunOf(sync_, index);
  if (sync_[r].value.value) return index;
  return r == 0 ? 0 : sync_[r].first - 1;
}

SampleTable::Packet SampleTable::PacketOf(uint64_t index) const {
  Chunk chunk = ChunkAt(ChunkOf(index));
  if (!chunk.packing.packed()) return {index, 1};
  uint64_t frames = chunk.packing.frames;
  uint64_t first = chunk.first + (index - chunk.first) / frames * frames;
  return {first, std::min(frames, chunk.first + chunk.count - first)};
}

uint64_t SampleTable::DecodeEnd(uint64_t stop) const {
  if (stop == 0 || stop > count_) return stop;
  Chunk chunk = ChunkAt(ChunkOf(stop - 1));
  if (!chunk.packing.packed()) return stop;
  uint64_t frames = chunk.packing.frames;
  uint64_t end = chunk.first + CeilDiv(stop - chunk.first, frames) * frames;
  return std::min(end, chunk.first + chunk.count);
}

SInt64 SampleTable::BytesOf(uint64_t first, uint64_t stop) const {
  SInt64 total = 0;
  stop = std::min(stop, count_);
  if (first >= stop) return 0;
  for (size_t c = ChunkOf(first); c < offsets_.size(); ++c) {
    Chunk chunk = ChunkAt(c);
    if (chunk.first >= stop) break;
    uint64_t lo = std::max(first, chunk.first) - chunk.first;
    uint64_t hi = std::min(stop, chunk.first + chunk.count) - chunk.first;
    if (chunk.packing.packed()) lo = lo / chunk.packing.frames * chunk.packing.frames;
    total += BytesWithin(chunk, hi) - BytesWithin(chunk, lo);
  }
  return total;
}

void SampleTable::PushChunk(SInt64 offset, uint64_t count, UInt32 description,
                            SamplePacking packing, SInt64 bytes) {
  if (count == 0) return;
  if (!chunkRuns_.empty() && offset == lastChunkEnd_) {
    Run<ChunkRun>& last = chunkRuns_.back();
    bool aligned = !packing.packed() || last.value.perChunk % packing.frames == 0;
    if (last.value.description == description && last.value.packing == packing && aligned) {
      // The last chunk grows; it leaves its run unless it is the run's only one.
      if (last.count == last.value.perChunk) {
        last.value.perChunk += count;
        last.count += count;
      } else {
        uint64_t perChunk = last.value.perChunk;
        last.count -= perChunk;
        chunkRuns_.push_back({last.end(),
                              perChunk + count,
                              {offsets_.size() - 1, perChunk + count, description, packing}});
      }
      lastChunkEnd_ += bytes;
      return;
    }
  }
  offsets_.push_back(offset);
  Push(chunkRuns_, count, ChunkRun{offsets_.size() - 1, count, description, packing});
  lastChunkEnd_ = offset + bytes;
}

void SampleTable::Append(const SampleRunSpec& run) {
  if (run.count == 0) return;
  revision_ = NextRevision();
  PushDurations(run.count, run.duration);
  Push(comps_, run.count, Offset{run.compositionOffset});
  Push(sync_, run.count, Sync{run.sync});
  PushSizes(run.count, run.size);
  SInt64 bytes =
      run.packing.packed()
          ? static_cast<SInt64>(CeilDiv(run.count, run.packing.frames)) * run.packing.bytes
          : static_cast<SInt64>(run.count) * run.size;
  PushChunk(run.offset, run.count, run.description, run.packing, bytes);
  count_ += run.count;
}

void SampleTable::AppendRange(const SampleTable& from, uint64_t first, uint64_t stop,
                              const std::function<UInt32(UInt32)>& description,
                              const std::function<TimeValue(TimeValue)>& duration,
                              const Placer& place) {
  stop = std::min(stop, from.count_);
  if (first >= stop) return;
  revision_ = NextRevision();
  for (size_t r = RunOf(from.times_, first); r < from.times_.size(); ++r) {
    const Run<Delta>& run = from.times_[r];
    uint64_t lo = std::max(first, run.first), hi = std::min(stop, run.end());
    if (lo >= hi) break;
    PushDurations(hi - lo, duration(run.value.value));
  }
  PushSlice(comps_, from.comps_, first, stop);
  PushSlice(sync_, from.sync_, first, stop);
  for (size_t r = RunOf(from.sizes_, first); r < from.sizes_.size(); ++r) {
    const Run<Sizes>& run = from.sizes_[r];
    uint64_t lo = std::max(first, run.first), hi = std::min(stop, run.end());
    if (lo >= hi) break;
    if (!run.value.listed) {
      PushSizes(hi - lo, run.value.size);
    } else {
      for (uint64_t i = lo; i < hi; ++i) PushSizes(1, from.SizeAt(i));
    }
  }
  for (size_t c = from.ChunkOf(first); c < from.offsets_.size(); ++c) {
    Chunk chunk = from.ChunkAt(c);
    if (chunk.first >= stop) break;
    uint64_t lo = std::max(first, chunk.first) - chunk.first;
    uint64_t hi = std::min(stop, chunk.first + chunk.count) - chunk.first;
    if (chunk.packing.packed()) lo = lo / chunk.packing.frames * chunk.packing.frames;
    SInt64 at = from.BytesWithin(chunk, lo);
    SInt64 bytes = from.BytesWithin(chunk, hi) - at;
    Chunk piece{chunk.offset + at, chunk.first + lo, hi - lo, chunk.description, chunk.packing};
    SInt64 offset = place ? place(piece, bytes) : piece.offset;
    PushChunk(offset, hi - lo, description(chunk.description), chunk.packing, bytes);
  }
  count_ += stop - first;
}

void SampleTable::Truncate(uint64_t count) {
  if (count >= count_) return;
  revision_ = NextRevision();
  Cut(times_, count);
  Cut(comps_, count);
  Cut(sync_, count);
  Cut(sizes_, count);
  size_t listed = 0;
  for (const auto& run : sizes_) {
    if (run.value.listed) listed = run.value.at + static_cast<size_t>(run.count);
  }
  ends_.resize(listed);
  std::vector<Chunk> chunks;
  for (size_t c = 0; c < offsets_.size(); ++c) {
    Chunk chunk = ChunkAt(c);
    if (chunk.first >= count) break;
    chunk.count = std::min(chunk.count, count - chunk.first);
    chunks.push_back(chunk);
  }
  count_ = count;
  RebuildChunks(chunks);
}

void SampleTable::RebuildChunks(const std::vector<Chunk>& chunks) {
  chunkRuns_.clear();
  offsets_.clear();
  lastChunkEnd_ = -1;
  for (const Chunk& chunk : chunks) {
    offsets_.push_back(chunk.offset);
    Push(chunkRuns_, chunk.count,
         ChunkRun{offsets_.size() - 1, chunk.count, chunk.description, chunk.packing});
  }
  if (!chunks.empty()) lastChunkEnd_ = chunks.back().offset + ChunkBytes(chunks.back());
}

void SampleTable::SplitChunksAt(const std::vector<uint64_t>& samples) {
  std::vector<Chunk> chunks;
  auto cut = samples.begin();
  for (size_t c = 0; c < offsets_.size(); ++c) {
    Chunk chunk = ChunkAt(c);
    uint64_t end = chunk.first + chunk.count;
    while (cut != samples.end() && *cut <= chunk.first) ++cut;
    while (cut != samples.end() && *cut < end) {
      uint64_t k = *cut - chunk.first;
      if (chunk.packing.packed()) k = CeilDiv(k, chunk.packing.frames) * chunk.packing.frames;
      if (k > 0 && k < chunk.count) {
        Chunk head = chunk;
        head.count = k;
        chunks.push_back(head);
        chunk.offset += BytesWithin(chunk, k);
        chunk.first += k;
        chunk.count -= k;
      }
      ++cut;
    }
    chunks.push_back(chunk);
  }
  RebuildChunks(chunks);
}

void SampleTable::JoinAdjacentChunks() {
  std::vector<Chunk> chunks;
  SInt64 lastEnd = 0;  // where the bytes of the last chunk kept end
  // Chunk by chunk through the runs, each chunk's bytes counted once.
  for (size_t run = 0; run < chunkRuns_.size(); ++run) {
    size_t stop =
        run + 1 < chunkRuns_.size() ? chunkRuns_[run + 1].value.firstChunk : offsets_.size();
    for (size_t c = chunkRuns_[run].value.firstChunk; c < stop; ++c) {
      Chunk chunk = ChunkAtRun(run, c);
      SInt64 bytes = ChunkBytes(chunk);
      if (!chunks.empty()) {
        Chunk& last = chunks.back();
        bool aligned = !last.packing.packed() || last.count % last.packing.frames == 0;
        if (aligned && last.description == chunk.description && last.packing == chunk.packing &&
            lastEnd == chunk.offset) {
          last.count += chunk.count;
          lastEnd += bytes;
          continue;
        }
      }
      chunks.push_back(chunk);
      lastEnd = chunk.offset + bytes;
    }
  }
  RebuildChunks(chunks);
}

void SampleTable::AddDurations(uint64_t count, TimeValue duration) {
  PushDurations(count, duration);
}

void SampleTable::AddCompositionOffsets(uint64_t count, TimeValue offset) {
  Push(comps_, count, Offset{offset});
}

void SampleTable::AddSizes(uint64_t count, UInt32 size) {
  PushSizes(count, size);
}

void SampleTable::AddChunk(SInt64 offset, uint64_t samples, UInt32 description,
                           SamplePacking packing) {
  if (samples == 0) return;
  offsets_.push_back(offset);
  Push(chunkRuns_, samples, ChunkRun{offsets_.size() - 1, samples, description, packing});
}

void SampleTable::SetSyncSamples(const std::vector<uint64_t>& numbers) {
  pendingSync_ = numbers;
  syncGiven_ = true;
}

bool SampleTable::FinishParts(uint64_t count) {
  auto covered = [](const auto& runs) { return runs.empty() ? 0 : runs.back().end(); };
  if (covered(times_) < count || covered(sizes_) < count || covered(chunkRuns_) < count) {
    return false;
  }
  if (covered(comps_) < count) Push(comps_, count - covered(comps_), Offset{0});
  if (!syncGiven_) {
    Push(sync_, count, Sync{true});
  } else {
    std::sort(pendingSync_.begin(), pendingSync_.end());
    uint64_t next = 0;  // the first sample not yet in a run
    for (uint64_t number : pendingSync_) {
      if (number < 1 || number > count || number - 1 < next) continue;
      Push(sync_, number - 1 - next, Sync{false});
      Push(sync_, 1, Sync{true});
      next = number;
    }
    Push(sync_, count - next, Sync{false});
  }
  pendingSync_.clear();
  pendingSync_.shrink_to_fit();
  syncGiven_ = false;
  // Every part is cut to the count.
  count_ = std::max({covered(times_), covered(sizes_), covered(chunkRuns_), covered(comps_)});
  Truncate(count);
  count_ = count;
  lastChunkEnd_ =
      offsets_.empty() ? -1 : offsets_.back() + ChunkBytes(ChunkAt(offsets_.size() - 1));
  return true;
}

uint64_t SampleTable::CountHeld(const std::function<SInt64(UInt32)>& storeSize) const {
  for (size_t c = 0; c < offsets_.size(); ++c) {
    Chunk chunk = ChunkAt(c);
    SInt64 size = storeSize(chunk.description);
    if (size < 0) continue;
    SInt64 room = size - chunk.offset;
    if (chunk.offset >= 0 && ChunkBytes(chunk) <= room) continue;
    // The most samples of the chunk whose bytes fit.
    uint64_t lo = 0, hi = chunk.count;
    while (chunk.offset >= 0 && lo < hi) {
      uint64_t mid = lo + (hi - lo + 1) / 2;
      if (BytesWithin(chunk, mid) <= room) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    return chunk.first + lo;
  }
  return count_;
}

std::vector<SampleTable::TimeRun> SampleTable::DurationRuns() const {
  std::vector<TimeRun> runs;
  for (const auto& run : times_) runs.push_back({run.count, run.value.value});
  return runs;
}

std::vector<SampleTable::TimeRun> SampleTable::CompositionRuns() const {
  std::vector<TimeRun> runs;
  bool any = std::any_of(comps_.begin(), comps_.end(),
                         [](const auto& run) { return run.value.value != 0; });
  if (!any) return runs;
  for (const auto& run : comps_) runs.push_back({run.count, run.value.value});
  return runs;
}

bool SampleTable::AllSync() const {
  return std::all_of(sync_.begin(), sync_.end(), [](const auto& run) { return run.value.value; });
}

void SampleTable::ForEachSyncNumber(const std::function<void(uint64_t)>& visit) const {
  for (const auto& run : sync_) {
    if (!run.value.value) continue;
    for (uint64_t i = run.first; i < run.end(); ++i) visit(i + 1);
  }
}

std::vector<SampleTable::ChunkRunView> SampleTable::ChunkRuns() const {
  std::vector<ChunkRunView> runs;
  for (const auto& run : chunkRuns_) {
    if (!runs.empty() && runs.back().perChunk == run.value.perChunk &&
        runs.back().description == run.value.description) {
      continue;  // the same to a file, whatever the packing
    }
    runs.push_back({run.value.firstChunk, run.value.perChunk, run.value.description});
  }
  return runs;
}

UInt32 SampleTable::CommonSize() const {
  if (count_ == 0) return 0;
  UInt32 common = SizeAt(0);
  for (const auto& run : sizes_) {
    if (!run.value.listed) {
      if (run.value.size != common) return 0;
      continue;
    }
    for (uint64_t i = run.first; i < run.end(); ++i) {
      if (SizeAt(i) != common) return 0;
    }
  }
  return common;
}

void SampleTable::ForEachSize(const std::function<void(UInt32)>& visit) const {
  for (const auto& run : sizes_) {
    for (uint64_t i = run.first; i < run.end(); ++i) {
      visit(run.value.listed ? SizeAt(i) : run.value.size);
    }
  }
}

SampleTable::Walker::Walker(const SampleTable& table, uint64_t index) : table_(&table) {
  Seek(index);
}

void SampleTable::Walker::Seek(uint64_t index) {
  index_ = index;
  time_ = RunOf(table_->times_, index);
  const auto& run = table_->times_[time_];
  start_ = run.value.start + static_cast<SInt64>(index - run.first) * run.value.value;
  comp_ = RunOf(table_->comps_, index);
  syncRun_ = RunOf(table_->sync_, index);
  size_ = RunOf(table_->sizes_, index);
  chunkRun_ = RunOf(table_->chunkRuns_, index);
}

bool SampleTable::Walker::Next() {
  if (index_ + 1 >= table_->count_) return false;
  start_ += duration();
  ++index_;
  auto step = [&](const auto& runs, size_t& at) {
    if (index_ >= runs[at].end()) ++at;
  };
  step(table_->times_, time_);
  step(table_->comps_, comp_);
  step(table_->sync_, syncRun_);
  step(table_->sizes_, size_);
  step(table_->chunkRuns_, chunkRun_);
  return true;
}

bool SampleTable::Walker::Prev() {
  if (index_ == 0) return false;
  --index_;
  auto step = [&](const auto& runs, size_t& at) {
    if (index_ < runs[at].first) --at;
  };
  step(table_->times_, time_);
  step(table_->comps_, comp_);
  step(table_->sync_, syncRun_);
  step(table_->sizes_, size_);
  step(table_->chunkRuns_, chunkRun_);
  start_ -= duration();
  return true;
}

UInt32 SampleTable::Walker::size() const {
  const auto& run = table_->sizes_[size_];
  return run.value.listed ? table_->SizeAt(index_) : run.value.size;
}

SampleEntry SampleTable::Walker::entry() const {
  const auto& run = table_->chunkRuns_[chunkRun_];
  uint64_t inRun = index_ - run.first;
  size_t chunkIndex = run.value.firstChunk + static_cast<size_t>(inRun / run.value.perChunk);
  Chunk chunk = table_->ChunkAtRun(chunkRun_, chunkIndex);
  SampleEntry e;
  uint64_t k = index_ - chunk.first;
  if (chunk.packing.packed()) {
    e.offset = chunk.offset + static_cast<SInt64>(k / chunk.packing.frames) * chunk.packing.bytes;
    e.size = chunk.packing.bytes;
  } else {
    e.offset = chunk.offset + table_->SumSizes(chunk.first, index_);
    e.size = size();
  }
  e.duration = duration();
  e.compositionOffset = compositionOffset();
  e.sync = sync();
  e.descriptionIndex = chunk.description;
  return e;
}

}  // namespace qtml
