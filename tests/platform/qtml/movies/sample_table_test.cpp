// The sample table on its own: what it answers of samples kept as runs,
// checked against the samples one by one, and how little it keeps.
#include "movies/sample_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qtml::SampleEntry;
using qtml::SamplePacking;
using qtml::SampleRunSpec;
using qtml::SampleTable;

SampleRunSpec Samples(SInt64 offset, uint64_t count, UInt32 size, TimeValue duration,
                      bool sync = true, UInt32 description = 1) {
  SampleRunSpec run;
  run.offset = offset;
  run.count = count;
  run.size = size;
  run.duration = duration;
  run.sync = sync;
  run.description = description;
  return run;
}

// The samples of a table as plain records, through At.
std::vector<SampleEntry> Expand(const SampleTable& table) {
  std::vector<SampleEntry> all;
  for (uint64_t i = 0; i < table.Count(); ++i) all.push_back(table.At(i));
  return all;
}

void ExpectSame(const SampleEntry& a, const SampleEntry& b, uint64_t i) {
  EXPECT_EQ(a.offset, b.offset) << "sample " << i;
  EXPECT_EQ(a.size, b.size) << "sample " << i;
  EXPECT_EQ(a.duration, b.duration) << "sample " << i;
  EXPECT_EQ(a.compositionOffset, b.compositionOffset) << "sample " << i;
  EXPECT_EQ(a.sync, b.sync) << "sample " << i;
  EXPECT_EQ(a.descriptionIndex, b.descriptionIndex) << "sample " << i;
}

// Video-like samples: sizes differing, a key frame every `gop`, stored in
// chunks of `perChunk` with a gap between chunks.
SampleTable Frames(uint64_t count, uint64_t gop, uint64_t perChunk) {
  SampleTable table;
  SInt64 at = 1000;
  for (uint64_t i = 0; i < count; ++i) {
    if (i % perChunk == 0) at += 7;  // another track's bytes between chunks
    UInt32 size = 100 + static_cast<UInt32>((i * 37) % 50);
    table.Append(Samples(at, 1, size, 20, i % gop == 0));
    at += size;
  }
  return table;
}

TEST(SampleTable, LookupsAndWalksAgreeWithTheSamplesOneByOne) {
  SampleTable table = Frames(200, 12, 5);
  ASSERT_EQ(table.Count(), 200u);
  EXPECT_EQ(table.Duration(), 4000);
  EXPECT_EQ(table.ChunkCount(), 40u);
  std::vector<SampleEntry> all = Expand(table);
  // Offsets run on within a chunk and jump between chunks.
  EXPECT_EQ(all[1].offset, all[0].offset + all[0].size);
  EXPECT_EQ(all[5].offset, all[4].offset + all[4].size + 7);

  SampleTable::Walker forward(table, 0);
  for (uint64_t i = 0;; ++i) {
    ExpectSame(forward.entry(), all[i], i);
    EXPECT_EQ(forward.start(), static_cast<SInt64>(20 * i));
    EXPECT_EQ(table.StartOf(i), static_cast<SInt64>(20 * i));
    if (!forward.Next()) {
      EXPECT_EQ(i, 199u);
      break;
    }
  }
  SampleTable::Walker back(table, 199);
  for (uint64_t i = 199;; --i) {
    ExpectSame(back.entry(), all[i], i);
    if (!back.Prev()) {
      EXPECT_EQ(i, 0u);
      break;
    }
  }
  EXPECT_EQ(table.Find(0).index, 0);
  EXPECT_EQ(table.Find(39).index, 1);
  EXPECT_EQ(table.Find(39).start, 20);
  EXPECT_EQ(table.Find(3999).index, 199);
  EXPECT_EQ(table.Find(4000).index, -1);
  EXPECT_EQ(table.Find(4000).start, 4000);
  EXPECT_EQ(table.Find(-1).index, -1);
  EXPECT_EQ(table.FirstStartingAt(0), 0u);
  EXPECT_EQ(table.FirstStartingAt(21), 2u);
  EXPECT_EQ(table.FirstStartingAt(40), 2u);
  EXPECT_EQ(table.FirstStartingAt(3981), 200u);
  // Decoding starts at the key frame before; sample 30 follows key 24.
  EXPECT_EQ(table.DecodeStart(30), 24u);
  EXPECT_EQ(table.DecodeStart(24), 24u);
  EXPECT_EQ(table.BytesOf(3, 8),
            all[3].size + all[4].size + all[5].size + all[6].size + all[7].size);
  EXPECT_EQ(table.SampleStartingAt(table.ChunkAt(1), all[6].offset - all[5].offset), 6u);
  EXPECT_EQ(table.SampleStartingAt(table.ChunkAt(1), 1), SampleTable::kNone);
}

TEST(SampleTable, EqualSamplesCostOneRunHoweverMany) {
  // An hour of 48 kHz stereo sound: 172.8 million frames of 4 bytes.
  SampleTable sound;
  const uint64_t frames = 48000ull * 3600;
  sound.Append(Samples(8, frames, 4, 1));
  EXPECT_EQ(sound.Count(), frames);
  EXPECT_EQ(sound.DurationRuns().size(), 1u);
  EXPECT_EQ(sound.ChunkCount(), 1u);
  EXPECT_EQ(sound.CommonSize(), 4u);
  EXPECT_TRUE(sound.AllSync());
  EXPECT_EQ(sound.At(frames - 1).offset, 8 + 4 * static_cast<SInt64>(frames - 1));
  EXPECT_EQ(sound.Find(static_cast<SInt64>(frames) - 1).index, static_cast<int64_t>(frames - 1));
  // Samples added after it, following its bytes, join its chunk.
  sound.Append(Samples(8 + 4 * static_cast<SInt64>(frames), 10, 4, 1));
  EXPECT_EQ(sound.ChunkCount(), 1u);
  EXPECT_EQ(sound.DurationRuns().size(), 1u);
  sound.Append(Samples(0, 10, 4, 1));  // elsewhere: a chunk of its own
  EXPECT_EQ(sound.ChunkCount(), 2u);
}

TEST(SampleTable, SizesAreSharedByRunsAndListedWhereTheyDiffer) {
  SampleTable table;
  table.Append(Samples(0, 1, 10, 1));
  table.Append(Samples(10, 1, 11, 1));
  table.Append(Samples(21, 1, 10, 1));
  table.Append(Samples(31, 100, 5, 1));  // a long run of one size
  table.Append(Samples(531, 1, 9, 1));
  EXPECT_EQ(table.CommonSize(), 0u);
  std::vector<UInt32> sizes;
  table.ForEachSize([&](UInt32 size) { sizes.push_back(size); });
  ASSERT_EQ(sizes.size(), 104u);
  EXPECT_EQ(sizes[0], 10u);
  EXPECT_EQ(sizes[1], 11u);
  EXPECT_EQ(sizes[50], 5u);
  EXPECT_EQ(sizes[103], 9u);
  EXPECT_EQ(table.At(103).offset, 531);
  EXPECT_EQ(table.BytesOf(0, 104), 540);
  EXPECT_EQ(table.ChunkCount(), 1u);  // all back to back
}

TEST(SampleTable, PackedSoundLiesInWholePackets) {
  // IMA 4:1 stereo: 64 frames a packet of 68 bytes; 150 frames in a chunk
  // make two whole packets and a part.
  SampleTable table;
  SampleRunSpec run = Samples(100, 150, 1, 1);
  run.packing = SamplePacking{64, 68};
  table.Append(run);
  EXPECT_EQ(table.BytesOf(0, 150), 3 * 68);
  EXPECT_EQ(table.At(0).offset, 100);
  EXPECT_EQ(table.At(0).size, 68u);
  EXPECT_EQ(table.At(70).offset, 168);
  EXPECT_EQ(table.PacketOf(70).first, 64u);
  EXPECT_EQ(table.PacketOf(70).count, 64u);
  EXPECT_EQ(table.PacketOf(140).count, 22u);  // the last, short packet
  EXPECT_EQ(table.DecodeStart(70), 64u);
  EXPECT_EQ(table.DecodeEnd(70), 128u);
  EXPECT_EQ(table.BytesOf(70, 100), 68);
  // Writing it back: frames of size 1, as the file keeps them.
  EXPECT_EQ(table.CommonSize(), 1u);
  // A cut inside a packet moves on to the packet's end.
  table.SplitChunksAt({70});
  ASSERT_EQ(table.ChunkCount(), 2u);
  EXPECT_EQ(table.ChunkAt(1).first, 128u);
  EXPECT_EQ(table.ChunkAt(1).offset, 100 + 2 * 68);
  table.JoinAdjacentChunks();
  EXPECT_EQ(table.ChunkCount(), 1u);
}

TEST(SampleTable, RangesCopyWithTheirRunsAndMappedDescriptions) {
  SampleTable from = Frames(60, 10, 4);
  SampleTable to;
  to.Append(Samples(0, 3, 50, 40, true, 1));
  auto twice = [](TimeValue d) { return d * 2; };
  auto second = [](UInt32) -> UInt32 { return 2; };
  to.AppendRange(from, 10, 25, second, twice);
  ASSERT_EQ(to.Count(), 18u);
  std::vector<SampleEntry> source = Expand(from);
  for (uint64_t i = 0; i < 15; ++i) {
    SampleEntry copied = to.At(3 + i), original = source[10 + i];
    EXPECT_EQ(copied.offset, original.offset);
    EXPECT_EQ(copied.size, original.size);
    EXPECT_EQ(copied.sync, original.sync);
    EXPECT_EQ(copied.duration, 2 * original.duration);
    EXPECT_EQ(copied.descriptionIndex, 2u);
  }
  EXPECT_EQ(to.StartOf(3), 120);
  // The bytes of a copied piece may be placed elsewhere.
  SampleTable placed;
  SInt64 next = 5000;
  placed.AppendRange(
      from, 2, 9, [](UInt32 d) { return d; }, [](TimeValue d) { return d; },
      [&](const SampleTable::Chunk& piece, SInt64 bytes) {
        EXPECT_EQ(piece.offset, source[piece.first].offset);
        SInt64 at = next;
        next += bytes;
        return at;
      });
  EXPECT_EQ(placed.At(0).offset, 5000);
  EXPECT_EQ(placed.ChunkCount(), 1u);  // placed back to back: one chunk
  EXPECT_EQ(placed.BytesOf(0, 7), next - 5000);
}

TEST(SampleTable, TruncationAndCuttingChunksKeepTheSamples) {
  SampleTable table = Frames(50, 10, 7);
  std::vector<SampleEntry> all = Expand(table);
  uint64_t revision = table.Revision();
  table.SplitChunksAt({3, 10, 11, 30});
  EXPECT_EQ(table.Revision(), revision);  // the samples are the same
  std::vector<SampleEntry> cut = Expand(table);
  for (uint64_t i = 0; i < all.size(); ++i) ExpectSame(cut[i], all[i], i);
  table.JoinAdjacentChunks();
  EXPECT_EQ(table.ChunkCount(), 8u);  // back to the chunks of 7
  table.Truncate(23);
  EXPECT_NE(table.Revision(), revision);
  ASSERT_EQ(table.Count(), 23u);
  EXPECT_EQ(table.Duration(), 460);
  EXPECT_EQ(table.ChunkCount(), 4u);
  for (uint64_t i = 0; i < 23; ++i) ExpectSame(table.At(i), all[i], i);
  // Appending after a cut follows the last chunk's bytes.
  table.Append(Samples(all[22].offset + all[22].size, 1, 3, 20));
  EXPECT_EQ(table.ChunkCount(), 4u);
}

TEST(SampleTable, FileTablesBuildPartByPart) {
  SampleTable table;
  table.AddDurations(3, 10);
  table.AddDurations(2, 30);
  table.AddSizes(5, 8);
  table.AddChunk(100, 2, 1, {});
  table.AddChunk(200, 3, 2, {});
  table.AddCompositionOffsets(2, 10);  // the rest have none
  table.SetSyncSamples({1, 4, 9});     // 9 is past the end and ignored
  ASSERT_TRUE(table.FinishParts(5));
  EXPECT_EQ(table.Duration(), 90);
  EXPECT_TRUE(table.At(0).sync);
  EXPECT_FALSE(table.At(1).sync);
  EXPECT_TRUE(table.At(3).sync);
  EXPECT_EQ(table.At(1).compositionOffset, 10);
  EXPECT_EQ(table.At(2).compositionOffset, 0);
  EXPECT_EQ(table.At(3).offset, 208);
  EXPECT_EQ(table.At(3).descriptionIndex, 2u);
  EXPECT_EQ(table.LargestCompositionOffset(), 10);
  std::vector<uint64_t> numbers;
  table.ForEachSyncNumber([&](uint64_t n) { numbers.push_back(n); });
  EXPECT_EQ(numbers, (std::vector<uint64_t>{1, 4}));
  ASSERT_EQ(table.ChunkRuns().size(), 2u);
  EXPECT_EQ(table.ChunkRuns()[1].firstChunk, 1u);

  // Parts that cover fewer samples than the sizes count are refused.
  SampleTable short_;
  short_.AddDurations(2, 10);
  short_.AddSizes(3, 8);
  short_.AddChunk(0, 3, 1, {});
  EXPECT_FALSE(short_.FinishParts(3));
}

TEST(SampleTable, CountHeldStopsAtTheFirstSampleNotWhollyStored) {
  SampleTable table;
  table.Append(Samples(0, 10, 10, 1));
  table.Append(Samples(500, 10, 10, 1));
  auto storeOf = [](SInt64 size) { return [size](UInt32) { return size; }; };
  EXPECT_EQ(table.CountHeld(storeOf(600)), 20u);
  EXPECT_EQ(table.CountHeld(storeOf(555)), 15u);
  EXPECT_EQ(table.CountHeld(storeOf(95)), 9u);
  EXPECT_EQ(table.CountHeld(storeOf(-1)), 20u);  // a size not known holds all
}

}  // namespace
