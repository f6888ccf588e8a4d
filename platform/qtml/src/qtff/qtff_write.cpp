#include "qtff/qtff_write.h"

#include <algorithm>
#include <filesystem>

#include "data/data_refs.h"
#include "files/os.h"
#include "memory/memory.h"
#include "qtff/qtff_atoms.h"
#include "qtff/qtff_read.h"

namespace qtml {

using qtff::Writer;

namespace {

void WriteMatrix(Writer& out, const MatrixRecord& matrix) {
  for (const auto& row : matrix.matrix) {
    for (Fixed value : row) out.U32(static_cast<uint32_t>(value));
  }
}

void WriteColor(Writer& out, const RGBColor& color) {
  out.U16(color.red);
  out.U16(color.green);
  out.U16(color.blue);
}

void WriteKept(Writer& out, const std::vector<RawAtom>& atoms, OSType parent) {
  for (const RawAtom& atom : atoms) {
    if (atom.parent == parent) out.Bytes(atom.bytes);
  }
}

void WriteUserData(Writer& out, const UserDataRecord& data) {
  if (data.items.empty()) return;
  out.Begin('udta');
  for (const UserDataItem& item : data.items) {
    out.Begin(item.type);
    out.Bytes(item.data);
    out.End();
  }
  out.End();
}

void WriteClip(Writer& out, const std::vector<uint8_t>& region) {
  if (region.empty()) return;
  out.Begin('clip');
  out.Begin('crgn');
  out.Bytes(region);
  out.End();
  out.End();
}

void WritePascal(Writer& out, const std::string& text) {
  size_t length = std::min<size_t>(text.size(), 255);
  out.U8(static_cast<uint8_t>(length));
  out.Bytes(text.data(), length);
}

int64_t MediaDuration(const MediaRecord& media) {
  return media.samples.Duration();
}

int64_t TrackDuration(const TrackRecord& track) {
  int64_t total = 0;
  for (const EditEntry& e : track.edits) total += e.trackDuration;
  return total;
}

uint32_t Clamp32(int64_t value) {
  return value < 0 ? 0 : value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(value);
}

class MovieWriter {
 public:
  MovieWriter(const MovieRecord& movie, const WriteTarget& target)
      : movie_(movie), target_(target) {}

  void Write(Writer& out) {
    out.Begin('moov');
    WriteMovieHeader(out);
    WriteClip(out, movie_.clipRegion);
    for (const auto& track : movie_.tracks) WriteTrack(out, *track);
    WriteUserData(out, movie_.userData);
    WriteKept(out, movie_.unknownAtoms, 0);
    out.End();
  }

 private:
  int64_t MovieDuration() const {
    int64_t longest = 0;
    for (const auto& track : movie_.tracks) longest = std::max(longest, TrackDuration(*track));
    return longest;
  }

  long NextTrackID() const {
    long next = std::max(movie_.nextTrackID, 1L);
    for (const auto& track : movie_.tracks) next = std::max(next, track->id + 1);
    return next;
  }

  void WriteMovieHeader(Writer& out) {
    out.BeginFull('mvhd', 0, 0);
    out.U32(movie_.creationTime);
    out.U32(movie_.modificationTime);
    out.U32(static_cast<uint32_t>(movie_.timeScale));
    out.U32(Clamp32(MovieDuration()));
    out.U32(static_cast<uint32_t>(movie_.preferredRate));
    out.U16(static_cast<uint16_t>(movie_.preferredVolume));
    out.Zeros(10);
    WriteMatrix(out, movie_.matrix);
    for (TimeValue t : {movie_.previewTime, movie_.previewDuration, movie_.posterTime,
                        movie_.selectionTime, movie_.selectionDuration, movie_.currentTime}) {
      out.U32(static_cast<uint32_t>(t));
    }
    out.U32(static_cast<uint32_t>(NextTrackID()));
    out.End();
  }

  void WriteTrack(Writer& out, const TrackRecord& track) {
    out.Begin('trak');
    WriteTrackHeader(out, track);
    WriteClip(out, track.clipRegion);
    WriteEdits(out, track);
    if (track.media != nullptr) WriteMedia(out, *track.media);
    WriteUserData(out, track.userData);
    WriteKept(out, track.unknownAtoms, 0);
    out.End();
  }

  void WriteTrackHeader(Writer& out, const TrackRecord& track) {
    uint32_t flags = (track.enabled ? 1 : 0) | (static_cast<uint32_t>(track.usage) & 0x0E);
    out.BeginFull('tkhd', 0, flags);
    out.U32(track.creationTime);
    out.U32(track.modificationTime);
    out.U32(static_cast<uint32_t>(track.id));
    out.Zeros(4);
    out.U32(Clamp32(TrackDuration(track)));
    out.Zeros(8);
    out.U16(static_cast<uint16_t>(track.layer));
    out.U16(static_cast<uint16_t>(track.alternateGroup));
    out.U16(static_cast<uint16_t>(track.volume));
    out.Zeros(2);
    WriteMatrix(out, track.matrix);
    out.U32(static_cast<uint32_t>(track.width));
    out.U32(static_cast<uint32_t>(track.height));
    out.End();
  }

  // An empty list is written too: a track without edits shows nothing,
  // where a missing list would show the whole media.
  void WriteEdits(Writer& out, const TrackRecord& track) {
    out.Begin('edts');
    out.BeginFull('elst', 0, 0);
    out.U32(static_cast<uint32_t>(track.edits.size()));
    for (const EditEntry& e : track.edits) {
      out.U32(static_cast<uint32_t>(e.trackDuration));
      out.U32(static_cast<uint32_t>(e.mediaTime < 0 ? -1 : e.mediaTime));
      out.U32(static_cast<uint32_t>(e.rate));
    }
    out.End();
    WriteKept(out, track.unknownAtoms, 'edts');
    out.End();
  }

  void WriteMedia(Writer& out, const MediaRecord& media) {
    out.Begin('mdia');
    out.BeginFull('mdhd', 0, 0);
    out.U32(media.creationTime);
    out.U32(media.modificationTime);
    out.U32(static_cast<uint32_t>(media.timeScale));
    out.U32(Clamp32(MediaDuration(media)));
    out.U16(static_cast<uint16_t>(media.language));
    out.U16(static_cast<uint16_t>(media.quality));
    out.End();
    WriteHandler(out, 'mhlr', media.type, media.handlerManufacturer, media.handlerName);
    WriteMediaInfo(out, media);
    WriteUserData(out, media.userData);
    WriteKept(out, media.unknownAtoms, 'mdia');
    out.End();
  }

  static void WriteHandler(Writer& out, OSType component, OSType subtype, OSType manufacturer,
                           const std::string& name) {
    out.BeginFull('hdlr', 0, 0);
    out.U32(component);
    out.U32(subtype);
    out.U32(manufacturer);
    out.Zeros(8);
    WritePascal(out, name);
    out.End();
  }

  void WriteMediaInfo(Writer& out, const MediaRecord& media) {
    out.Begin('minf');
    if (media.type == VideoMediaType) {
      out.BeginFull('vmhd', 0, 1);
      out.U16(static_cast<uint16_t>(media.graphicsMode));
      WriteColor(out, media.opColor);
      out.End();
    } else if (media.type == SoundMediaType) {
      out.BeginFull('smhd', 0, 0);
      out.U16(static_cast<uint16_t>(media.balance));
      out.Zeros(2);
      out.End();
    } else {
      WriteBaseHeader(out, media);
    }
    WriteHandler(out, DataHandlerType, 'alis', kDataHandlerManufacturer, "Alias Data Handler");
    WriteDataInfo(out, media);
    WriteSampleTable(out, media);
    WriteKept(out, media.unknownAtoms, 'minf');
    out.End();
  }

  static void WriteBaseHeader(Writer& out, const MediaRecord& media) {
    out.Begin('gmhd');
    out.BeginFull('gmin', 0, 0);
    out.U16(static_cast<uint16_t>(media.graphicsMode));
    WriteColor(out, media.opColor);
    out.U16(static_cast<uint16_t>(media.balance));
    out.Zeros(2);
    out.End();
    if (media.type == TimeCodeMediaType) {
      const TimeCodeDisplay& tc = media.timeCode;
      out.Begin('tmcd');
      out.BeginFull('tcmi', 0, static_cast<uint32_t>(tc.flags));
      out.U16(static_cast<uint16_t>(tc.font));
      out.U16(static_cast<uint16_t>(tc.face));
      out.U16(static_cast<uint16_t>(tc.size));
      out.Zeros(2);
      WriteColor(out, tc.foreColor);
      WriteColor(out, tc.backColor);
      WritePascal(out, tc.fontName);
      out.End();
      WriteKept(out, media.unknownAtoms, 'tmcd');
      out.End();
    }
    WriteKept(out, media.unknownAtoms, 'gmhd');
    out.End();
  }

  // The reference as the written file should name it.
  DataReference Relative(const DataReference& ref) const {
    DataReference written;
    written.type = ref.type;
    written.flags = ref.flags;
    written.data = ref.data;
    if (target_.forHandle || target_.filePath.empty()) return written;
    std::string path = DataRefPath(ref);
    if (path.empty()) return written;
    if (SameFile(path, target_.filePath)) {
      written.type = rAliasType;
      written.flags = dataRefSelfReference;
      written.data.clear();
    } else if ((ref.flags & dataRefSelfReference) != 0) {
      written.type = rAliasType;
      written.flags = 0;
      written.data = MakeRelativeAliasRecord(path, target_.filePath);
    } else if (ref.type == rAliasType) {
      // With its path from the written file, so that readers find the
      // source beside the movie wherever the two are moved together.
      std::vector<uint8_t> relative = MakeRelativeAliasRecord(path, target_.filePath);
      if (!relative.empty()) written.data = std::move(relative);
    }
    return written;
  }

  void WriteDataInfo(Writer& out, const MediaRecord& media) {
    out.Begin('dinf');
    out.BeginFull('dref', 0, 0);
    out.U32(static_cast<uint32_t>(media.dataRefs.size()));
    for (const DataReference& ref : media.dataRefs) {
      DataReference written = Relative(ref);
      out.BeginFull(written.type, 0, written.flags);
      out.Bytes(written.data);
      out.End();
    }
    out.End();
    if (target_.forHandle) {
      out.Begin(kStoreTokensAtom);
      out.Bytes(ProcessKey(), kProcessKeySize);
      for (const DataReference& ref : media.dataRefs) out.U64(StoreToken(ref.store));
      out.End();
    }
    WriteKept(out, media.unknownAtoms, 'dinf');
    out.End();
  }

  static void WriteRuns(Writer& out, OSType type, uint8_t version,
                        const std::vector<SampleTable::TimeRun>& runs) {
    out.BeginFull(type, version, 0);
    out.U32(static_cast<uint32_t>(runs.size()));
    for (const SampleTable::TimeRun& run : runs) {
      out.U32(static_cast<uint32_t>(run.count));
      out.U32(static_cast<uint32_t>(run.value));
    }
    out.End();
  }

  static void WriteSampleTable(Writer& out, const MediaRecord& media) {
    // Chunks whose bytes follow each other are written as one.
    SampleTable samples = media.samples;
    samples.JoinAdjacentChunks();
    out.Begin('stbl');
    out.BeginFull('stsd', 0, 0);
    out.U32(static_cast<uint32_t>(media.descriptions.size()));
    for (const auto& desc : media.descriptions) out.Bytes(desc);
    out.End();
    WriteRuns(out, 'stts', 0, samples.DurationRuns());
    std::vector<SampleTable::TimeRun> composition = samples.CompositionRuns();
    if (!composition.empty()) {
      bool negative = std::any_of(composition.begin(), composition.end(),
                                  [](const SampleTable::TimeRun& run) { return run.value < 0; });
      WriteRuns(out, 'ctts', negative ? 1 : 0, composition);
    }
    WriteSyncSamples(out, samples);
    WriteChunkRuns(out, samples);
    WriteSizes(out, samples);
    WriteChunkOffsets(out, samples.ChunkOffsets());
    WriteSampleTableKept(out, media);
    out.End();
  }

  // Atoms of 'stbl' kept from a file; those that speak of the samples one
  // by one are left out once samples have been added or dropped.
  static void WriteSampleTableKept(Writer& out, const MediaRecord& media) {
    static constexpr OSType kPerSample[] = {'sdtp', 'sbgp', 'sgpd', 'stps', 'stsh', 'stdp',
                                            'padb', 'subs', 'saiz', 'saio', 'cslg'};
    bool changed = media.samples.Revision() != media.samplesRevisionRead;
    for (const RawAtom& atom : media.unknownAtoms) {
      if (atom.parent != 'stbl') continue;
      if (changed && std::find(std::begin(kPerSample), std::end(kPerSample), atom.type) !=
                         std::end(kPerSample)) {
        continue;
      }
      out.Bytes(atom.bytes);
    }
  }

  static void WriteSyncSamples(Writer& out, const SampleTable& samples) {
    if (samples.AllSync()) return;  // no table: every sample is a sync sample
    out.BeginFull('stss', 0, 0);
    size_t countAt = out.size();
    out.U32(0);
    uint32_t count = 0;
    samples.ForEachSyncNumber([&](uint64_t number) {
      out.U32(static_cast<uint32_t>(number));
      ++count;
    });
    WriteBE32(out.bytes().data() + countAt, count);
    out.End();
  }

  static void WriteChunkRuns(Writer& out, const SampleTable& samples) {
    std::vector<SampleTable::ChunkRunView> runs = samples.ChunkRuns();
    out.BeginFull('stsc', 0, 0);
    out.U32(static_cast<uint32_t>(runs.size()));
    for (const SampleTable::ChunkRunView& run : runs) {
      out.U32(static_cast<uint32_t>(run.firstChunk + 1));
      out.U32(static_cast<uint32_t>(run.perChunk));
      out.U32(run.description);
    }
    out.End();
  }

  static void WriteSizes(Writer& out, const SampleTable& samples) {
    out.BeginFull('stsz', 0, 0);
    UInt32 common = samples.CommonSize();
    bool constant = !samples.Empty() && common != 0;
    out.U32(constant ? common : 0);
    out.U32(static_cast<uint32_t>(samples.Count()));
    if (!constant) samples.ForEachSize([&](UInt32 size) { out.U32(size); });
    out.End();
  }

  static void WriteChunkOffsets(Writer& out, const std::vector<SInt64>& offsets) {
    bool wide = std::any_of(offsets.begin(), offsets.end(),
                            [](SInt64 offset) { return offset > 0xFFFFFFFFLL; });
    out.BeginFull(wide ? 'co64' : 'stco', 0, 0);
    out.U32(static_cast<uint32_t>(offsets.size()));
    for (SInt64 offset : offsets) {
      if (wide) {
        out.U64(static_cast<uint64_t>(offset));
      } else {
        out.U32(static_cast<uint32_t>(offset));
      }
    }
    out.End();
  }

  const MovieRecord& movie_;
  const WriteTarget& target_;
};

// The most samples a table may list one by one (sizes, sync samples): the
// movie atom is built in memory, and past this a table read from a few
// runs would take gigabytes.
constexpr uint64_t kMostListedSamples = uint64_t{1} << 26;

// Whether every media's tables can be written: counts fit the file's 32
// bits, and lists of sizes or sync samples stay within kMostListedSamples.
bool TablesFit(const MovieRecord& movie) {
  for (const auto& track : movie.tracks) {
    if (track->media == nullptr) continue;
    const SampleTable& samples = track->media->samples;
    if (samples.Count() > UINT32_MAX) return false;
    bool listed = (!samples.Empty() && samples.CommonSize() == 0) || !samples.AllSync();
    if (listed && samples.Count() > kMostListedSamples) return false;
  }
  return true;
}

}  // namespace

OSErr WriteMovieAtom(const MovieRecord& movie, const WriteTarget& target,
                     std::vector<uint8_t>* out) {
  if (!TablesFit(movie)) return memFullErr;
  return Guarded<OSErr>(memFullErr, [&] {
    Writer writer;
    MovieWriter(movie, target).Write(writer);
    *out = std::move(writer.bytes());
    return noErr;
  });
}

std::vector<uint8_t> QuickTimeFileType() {
  Writer out;
  out.Begin('ftyp');
  out.U32('qt  ');
  out.U32(0x20050300);
  out.U32('qt  ');
  out.End();
  return std::move(out.bytes());
}

bool SameFile(const std::string& a, const std::string& b) {
  return Guarded<bool>(false, [&] {
    // When the file system cannot tell, only the same path is the same file.
    bool same = false;
    if (os::SameFile(a, b, &same) == noErr && same) return true;
    auto normal = [](const std::string& path) {
      std::filesystem::path full(path);
      if (full.is_relative()) full = std::filesystem::path(os::CurrentDirectory()) / full;
      return full.lexically_normal();
    };
    return normal(a) == normal(b);
  });
}

}  // namespace qtml
