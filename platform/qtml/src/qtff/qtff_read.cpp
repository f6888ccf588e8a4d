#include "qtff/qtff_read.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <random>
#include <cmath>
#include <map>
#include <mutex>

#include "data/data_refs.h"
#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "movies/sample_descriptions.h"
#include "qtff/qtff_atoms.h"

namespace qtml {

using qtff::Atom;
using qtff::AtomWalk;
using qtff::Cursor;

namespace {

TimeValue ClampTime(uint64_t value) {
  return value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<TimeValue>(value);
}

void ReadMatrix(Cursor& in, MatrixRecord* matrix) {
  for (auto& row : matrix->matrix) {
    for (Fixed& value : row) value = in.S32();
  }
}

void ReadColor(Cursor& in, RGBColor* color) {
  color->red = in.U16();
  color->green = in.U16();
  color->blue = in.U16();
}

// The sample tables of one 'stbl', as views into the movie atom.
struct SampleTables {
  Atom stts, ctts, stss, stsc, stsz, stco;
  bool haveCtts = false, haveStss = false, haveStsz = false, haveStco = false;
  bool haveStts = false, haveStsc = false, wideOffsets = false;
  bool compactSizes = false;  // 'stz2' rather than 'stsz'
};

class MovieReader {
 public:
  // `fragments`: the file's top-level atoms, whose movie fragments
  // ('moof') add samples to the movie's tracks; nullptr for a lone movie.
  MovieReader(const MovieSource& source, const std::vector<TopLevelAtom>* fragments)
      : source_(source), fragments_(fragments) {}

  OSErr Read(const uint8_t* bytes, size_t size, std::unique_ptr<MovieRecord>* out) {
    AtomWalk top(bytes, size);
    Atom moov;
    if (!top.Next(&moov) || moov.type != 'moov') return badPublicMovieAtom;
    std::unique_ptr<MovieRecord> movie(NewObject<MovieRecord>());
    if (movie == nullptr) return memFullErr;
    movie->matrix = IdentityMatrix();
    if (!ReadMovie(moov, *movie)) return err_;
    if (fragments_ != nullptr && source_.self != nullptr) ReadFragments(*movie);
    for (TrackRecord* track : withoutEdits_) AddWholeMediaEdit(*track, movie->timeScale);
    FinishDurations(*movie);
    *out = std::move(movie);
    return noErr;
  }

 private:
  bool Fail(OSErr err) {
    if (err_ == noErr) err_ = err;
    return false;
  }

  static bool Keep(std::vector<RawAtom>& list, const Atom& atom, OSType parent) {
    RawAtom raw;
    raw.type = atom.type;
    raw.bytes.assign(atom.start, atom.start + atom.size);
    raw.parent = parent;
    list.push_back(std::move(raw));
    return true;
  }

  // Runs `read` on each child of `atom`; false on the first failure or
  // for children that do not fit.
  template <typename F>
  bool Children(const Atom& atom, F read) {
    AtomWalk walk(atom.body, atom.bodySize);
    Atom child;
    while (walk.Next(&child)) {
      if (!read(child)) return false;
    }
    return !walk.failed() || Fail(badPublicMovieAtom);
  }

  bool ReadMovie(const Atom& moov, MovieRecord& movie) {
    bool sawHeader = false;
    bool ok = Children(moov, [&](const Atom& a) {
      switch (a.type) {
        case 'mvhd':
          sawHeader = true;
          return ReadMovieHeader(a, movie);
        case 'trak':
          return ReadTrack(a, movie);
        case 'udta':
          return ReadUserData(a, movie.userData);
        case 'clip':
          return ReadClip(a, movie.clipRegion);
        default:
          return Keep(movie.unknownAtoms, a, 0);
      }
    });
    return ok && (sawHeader || Fail(badPublicMovieAtom));
  }

  bool ReadMovieHeader(const Atom& a, MovieRecord& movie) {
    Cursor in(a.body, a.bodySize);
    uint8_t version = in.U8();
    in.Skip(3);
    bool wide = version == 1;
    movie.creationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    movie.modificationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    movie.timeScale = static_cast<TimeScale>(in.U32());
    movie.duration = ClampTime(wide ? in.U64() : in.U32());
    movie.preferredRate = in.S32();
    movie.preferredVolume = in.S16();
    in.Skip(10);
    ReadMatrix(in, &movie.matrix);
    movie.previewTime = in.S32();
    movie.previewDuration = in.S32();
    movie.posterTime = in.S32();
    movie.selectionTime = in.S32();
    movie.selectionDuration = in.S32();
    movie.currentTime = in.S32();
    movie.nextTrackID = static_cast<long>(in.U32());
    if (!in.ok() || version > 1 || movie.timeScale <= 0) return Fail(badPublicMovieAtom);
    return true;
  }

  bool ReadClip(const Atom& a, std::vector<uint8_t>& region) {
    return Children(a, [&](const Atom& c) {
      if (c.type == 'crgn') region.assign(c.body, c.body + c.bodySize);
      return true;
    });
  }

  bool ReadUserData(const Atom& a, UserDataRecord& data) {
    return Children(a, [&](const Atom& item) {
      data.items.push_back({item.type, std::vector<uint8_t>(item.body, item.body + item.bodySize)});
      return true;
    });
  }

  bool ReadTrack(const Atom& trak, MovieRecord& movie) {
    std::unique_ptr<TrackRecord> track(NewObject<TrackRecord>());
    if (track == nullptr) return Fail(memFullErr);
    track->movie = &movie;
    track->matrix = IdentityMatrix();
    bool sawHeader = false, sawEdits = false;
    bool ok = Children(trak, [&](const Atom& a) {
      switch (a.type) {
        case 'tkhd':
          sawHeader = true;
          return ReadTrackHeader(a, *track);
        case 'edts':
          sawEdits = true;
          return ReadEdits(a, *track);
        case 'mdia':
          return ReadMedia(a, *track);
        case 'udta':
          return ReadUserData(a, track->userData);
        case 'clip':
          return ReadClip(a, track->clipRegion);
        default:
          return Keep(track->unknownAtoms, a, 0);
      }
    });
    if (!ok) return false;
    if (!sawHeader) return Fail(badPublicMovieAtom);
    if (!sawEdits) withoutEdits_.push_back(track.get());
    movie.tracks.push_back(std::move(track));
    return true;
  }

  bool ReadTrackHeader(const Atom& a, TrackRecord& track) {
    Cursor in(a.body, a.bodySize);
    uint8_t version = in.U8();
    uint32_t flags = static_cast<uint32_t>(in.U8()) << 16 | in.U16();
    bool wide = version == 1;
    track.enabled = (flags & 1) != 0;
    track.usage = static_cast<long>(flags & 0x0E);
    track.creationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    track.modificationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    track.id = static_cast<long>(in.U32());
    in.Skip(4);
    in.Skip(wide ? 8 : 4);  // the duration follows from the edits
    in.Skip(8);
    track.layer = in.S16();
    track.alternateGroup = in.S16();
    track.volume = in.S16();
    in.Skip(2);
    ReadMatrix(in, &track.matrix);
    track.width = in.S32();
    track.height = in.S32();
    if (!in.ok() || version > 1) return Fail(badPublicMovieAtom);
    return true;
  }

  bool ReadEdits(const Atom& edts, TrackRecord& track) {
    return Children(edts, [&](const Atom& a) {
      if (a.type != 'elst') return Keep(track.unknownAtoms, a, 'edts');
      Cursor in(a.body, a.bodySize);
      uint8_t version = in.U8();
      in.Skip(3);
      uint32_t count = in.U32();
      size_t entrySize = version == 1 ? 20 : 12;
      if (!in.ok() || version > 1 || count > in.Left() / entrySize) {
        return Fail(badPublicMovieAtom);
      }
      for (uint32_t i = 0; i < count; ++i) {
        EditEntry edit;
        edit.trackDuration = ClampTime(version == 1 ? in.U64() : in.U32());
        int64_t mediaTime = version == 1 ? static_cast<int64_t>(in.U64()) : in.S32();
        edit.mediaTime = mediaTime < 0 ? -1 : ClampTime(static_cast<uint64_t>(mediaTime));
        edit.rate = in.S32();
        track.edits.push_back(edit);
      }
      return true;
    });
  }

  // A track without an edit list shows its whole media from the start.
  static void AddWholeMediaEdit(TrackRecord& track, TimeScale movieScale) {
    if (track.media == nullptr || track.media->timeScale <= 0) return;
    int64_t mediaDuration = track.media->samples.Duration();
    if (mediaDuration <= 0) return;
    EditEntry edit;
    double scaled =
        std::round(static_cast<double>(mediaDuration) * movieScale / track.media->timeScale);
    edit.trackDuration = scaled >= 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<TimeValue>(scaled);
    edit.mediaTime = 0;
    track.edits.push_back(edit);
  }

  bool ReadMedia(const Atom& mdia, TrackRecord& track) {
    std::unique_ptr<MediaRecord> media(NewObject<MediaRecord>());
    if (media == nullptr) return Fail(memFullErr);
    media->track = &track;
    bool sawHeader = false;
    bool ok = Children(mdia, [&](const Atom& a) {
      switch (a.type) {
        case 'mdhd':
          sawHeader = true;
          return ReadMediaHeader(a, *media);
        case 'hdlr':
          return ReadHandler(a, *media);
        case 'minf':
          return ReadMediaInfo(a, *media);
        case 'udta':
          return ReadUserData(a, media->userData);
        default:
          return Keep(media->unknownAtoms, a, 'mdia');
      }
    });
    if (!ok) return false;
    if (!sawHeader) return Fail(badPublicMovieAtom);
    track.media = std::move(media);
    return true;
  }

  bool ReadMediaHeader(const Atom& a, MediaRecord& media) {
    Cursor in(a.body, a.bodySize);
    uint8_t version = in.U8();
    in.Skip(3);
    bool wide = version == 1;
    media.creationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    media.modificationTime = static_cast<UInt32>(wide ? in.U64() : in.U32());
    media.timeScale = static_cast<TimeScale>(in.U32());
    in.Skip(wide ? 8 : 4);  // the duration follows from the samples
    media.language = in.S16();
    media.quality = in.S16();
    if (!in.ok() || version > 1 || media.timeScale <= 0) return Fail(badPublicMovieAtom);
    return true;
  }

  bool ReadHandler(const Atom& a, MediaRecord& media) {
    Cursor in(a.body, a.bodySize);
    in.Skip(8);  // version, flags, component type
    media.type = in.U32();
    media.handlerManufacturer = in.U32();
    in.Skip(8);
    if (!in.ok()) return Fail(badPublicMovieAtom);
    // The name is a Pascal string in QuickTime files and a C string in
    // files of the MPEG-4 family.
    const auto* name = reinterpret_cast<const char*>(in.Here());
    size_t left = in.Left();
    if (left > 0 && static_cast<size_t>(in.Here()[0]) == left - 1) {
      media.handlerName.assign(name + 1, left - 1);
    } else {
      media.handlerName.assign(name, strnlen(name, left));
    }
    return true;
  }

  bool ReadMediaInfo(const Atom& minf, MediaRecord& media) {
    SampleTables tables;
    bool sawTables = false;
    bool ok = Children(minf, [&](const Atom& a) {
      switch (a.type) {
        case 'vmhd':
          return ReadVideoHeader(a, media);
        case 'smhd':
          return ReadSoundHeader(a, media);
        case 'gmhd':
          return ReadBaseHeader(a, media);
        case 'hdlr':
          return true;  // the data handler's; written afresh
        case 'dinf':
          return ReadDataInfo(a, media);
        case 'stbl':
          sawTables = true;
          return ReadSampleTable(a, media, &tables);
        default:
          return Keep(media.unknownAtoms, a, 'minf');
      }
    });
    if (!ok) return false;
    return !sawTables || BuildSamples(tables, media);
  }

  bool ReadVideoHeader(const Atom& a, MediaRecord& media) {
    Cursor in(a.body, a.bodySize);
    in.Skip(4);
    media.graphicsMode = in.S16();
    ReadColor(in, &media.opColor);
    return in.ok() || Fail(badPublicMovieAtom);
  }

  bool ReadSoundHeader(const Atom& a, MediaRecord& media) {
    Cursor in(a.body, a.bodySize);
    in.Skip(4);
    media.balance = in.S16();
    return in.ok() || Fail(badPublicMovieAtom);
  }

  bool ReadBaseHeader(const Atom& gmhd, MediaRecord& media) {
    return Children(gmhd, [&](const Atom& a) {
      if (a.type == 'gmin') {
        Cursor in(a.body, a.bodySize);
        in.Skip(4);
        media.graphicsMode = in.S16();
        ReadColor(in, &media.opColor);
        media.balance = in.S16();
        return in.ok() || Fail(badPublicMovieAtom);
      }
      if (a.type == 'tmcd') return ReadTimeCodeInfo(a, media);
      return Keep(media.unknownAtoms, a, 'gmhd');
    });
  }

  bool ReadTimeCodeInfo(const Atom& tmcd, MediaRecord& media) {
    return Children(tmcd, [&](const Atom& a) {
      if (a.type != 'tcmi') return Keep(media.unknownAtoms, a, 'tmcd');
      TimeCodeDisplay& tc = media.timeCode;
      Cursor in(a.body, a.bodySize);
      in.Skip(1);
      tc.flags = static_cast<long>(in.U8()) << 16 | in.U16();
      tc.font = in.S16();
      tc.face = in.S16();
      tc.size = in.S16();
      in.Skip(2);
      ReadColor(in, &tc.foreColor);
      ReadColor(in, &tc.backColor);
      if (!in.ok()) return Fail(badPublicMovieAtom);
      // The font's name closes the atom; some writers leave it out, and a
      // length past the atom's end keeps what is there.
      tc.fontName.clear();
      if (in.Left() > 0) {
        size_t length = std::min<size_t>(in.U8(), in.Left());
        tc.fontName.assign(reinterpret_cast<const char*>(in.Here()), length);
      }
      return true;
    });
  }

  bool ReadDataInfo(const Atom& dinf, MediaRecord& media) {
    std::vector<uint64_t> tokens;
    bool ok = Children(dinf, [&](const Atom& a) {
      if (a.type == 'dref') return ReadDataRefs(a, media);
      if (a.type == kStoreTokensAtom) {
        // The engine's own, from a handle of this process; from anywhere
        // else it is dropped, never trusted.
        if (!source_.inMemory || a.bodySize < kProcessKeySize ||
            std::memcmp(a.body, ProcessKey(), kProcessKeySize) != 0) {
          return true;
        }
        Cursor in(a.body + kProcessKeySize, a.bodySize - kProcessKeySize);
        while (in.Left() >= 8) tokens.push_back(in.U64());
        return true;
      }
      return Keep(media.unknownAtoms, a, 'dinf');
    });
    if (!ok) return false;
    for (size_t i = 0; i < tokens.size() && i < media.dataRefs.size(); ++i) {
      std::shared_ptr<DataStore> store = tokens[i] != 0 ? StoreOfToken(tokens[i]) : nullptr;
      if (store == nullptr) continue;
      DataReference& ref = media.dataRefs[i];
      ref.store = std::move(store);
      // A self reference of the movie put into the handle names that
      // movie's file, which is not this movie's own.
      if ((ref.flags & 1) != 0 && ref.store != source_.self) {
        std::vector<uint8_t> alias = FileStoreAlias(ref.store.get());
        if (!alias.empty()) {
          ref.flags = 0;
          ref.data = std::move(alias);
        }
      }
    }
    return true;
  }

  bool ReadDataRefs(const Atom& dref, MediaRecord& media) {
    Cursor in(dref.body, dref.bodySize);
    in.Skip(4);
    uint32_t count = in.U32();
    if (!in.ok() || count > in.Left() / 12) return Fail(badPublicMovieAtom);
    AtomWalk walk(in.Here(), in.Left());
    Atom entry;
    for (uint32_t i = 0; i < count; ++i) {
      if (!walk.Next(&entry) || entry.bodySize < 4) return Fail(badPublicMovieAtom);
      DataReference ref;
      ref.type = entry.type;
      ref.flags = ReadBE32(entry.body) & 0xFFFFFF;
      ref.data.assign(entry.body + 4, entry.body + entry.bodySize);
      if ((ref.flags & 1) != 0) {
        // The movie's own file, however the file spelled it.
        ref.type = 'alis';
        ref.data.clear();
        ref.store = source_.self;
      } else if (ref.type == 'alis' || ref.type == 'url ') {
        // The movie's file and its sources may have moved together.
        if (ref.type == 'alis') RelocateAliasRecord(&ref.data, source_.selfPath);
        OSErr err = noErr;
        ref.store = OpenDataRefStore(ref.type, ref.data.data(), ref.data.size(), false, &err);
      }
      // Other kinds ('hndl', 'ptr ') name this process's memory, which
      // stored bytes cannot honestly do: unresolved, unless a store token
      // of the engine's own gives them their store.
      ref.sealed =
          ref.store == nullptr && (ref.flags & 1) == 0 && ref.type != 'alis' && ref.type != 'url ';
      media.dataRefs.push_back(std::move(ref));
    }
    return true;
  }

  bool ReadSampleTable(const Atom& stbl, MediaRecord& media, SampleTables* t) {
    return Children(stbl, [&](const Atom& a) {
      switch (a.type) {
        case 'stsd':
          return ReadDescriptions(a, media);
        case 'stts':
          t->stts = a, t->haveStts = true;
          return true;
        case 'ctts':
          t->ctts = a, t->haveCtts = true;
          return true;
        case 'stss':
          t->stss = a, t->haveStss = true;
          return true;
        case 'stsc':
          t->stsc = a, t->haveStsc = true;
          return true;
        case 'stsz':
        case 'stz2':
          t->stsz = a, t->haveStsz = true, t->compactSizes = a.type == 'stz2';
          return true;
        case 'stco':
        case 'co64':
          t->stco = a, t->haveStco = true, t->wideOffsets = a.type == 'co64';
          return true;
        default:
          return Keep(media.unknownAtoms, a, 'stbl');
      }
    });
  }

  bool ReadDescriptions(const Atom& stsd, MediaRecord& media) {
    Cursor in(stsd.body, stsd.bodySize);
    in.Skip(4);
    uint32_t count = in.U32();
    if (!in.ok() || count > in.Left() / 16) return Fail(badPublicMovieAtom);
    AtomWalk walk(in.Here(), in.Left());
    Atom entry;
    for (uint32_t i = 0; i < count; ++i) {
      if (!walk.Next(&entry) || entry.size < 16 || entry.body != entry.start + 8) {
        return Fail(badPublicMovieAtom);
      }
      media.descriptions.emplace_back(entry.start, entry.start + entry.size);
    }
    return true;
  }

  // A description naming a data reference the media does not have is
  // taken to name the movie's own file when the media has that reference,
  // as other readers take it; otherwise the movie cannot be read.
  bool CheckDataRefIndices(MediaRecord& media) {
    auto self = std::find_if(media.dataRefs.begin(), media.dataRefs.end(),
                             [](const DataReference& ref) { return (ref.flags & 1) != 0; });
    for (auto& desc : media.descriptions) {
      UInt16 index = DescriptionDataRefIndex(desc);
      if (index >= 1 && index <= media.dataRefs.size()) continue;
      if (self == media.dataRefs.end()) return Fail(badDataRefIndex);
      SetDescriptionDataRefIndex(desc, static_cast<UInt16>(self - media.dataRefs.begin() + 1));
    }
    return true;
  }

  bool BuildSamples(const SampleTables& t, MediaRecord& media) {
    if (!CheckDataRefIndices(media)) return false;
    if (!t.haveStsz) return true;  // no samples
    if (!t.haveStts || !t.haveStsc || !t.haveStco) return Fail(invalidSampleTable);
    SampleTable& table = media.samples;
    bool packed = false;
    uint32_t count = 0;
    if (!ReadSizes(t, table, &count, &packed) || !ReadDurations(t.stts, table) ||
        !ReadChunks(t, media, packed)) {
      return false;
    }
    if (t.haveCtts && !ReadCompositionOffsets(t.ctts, table)) return false;
    if (t.haveStss && !ReadSyncSamples(t.stss, table)) return false;
    // Every sample the sizes count needs a duration and a chunk.
    if (!table.FinishParts(count)) return Fail(invalidSampleTable);
    media.samplesRevisionRead = table.Revision();
    return true;
  }

  // 'stsz' (one size for all, or a size each) or 'stz2' (sizes of 4, 8 or
  // 16 bits). *packed: every sample is size 1, as sound frames are.
  bool ReadSizes(const SampleTables& t, SampleTable& table, uint32_t* count, bool* packed) {
    Cursor in(t.stsz.body, t.stsz.bodySize);
    in.Skip(4);
    if (t.compactSizes) {
      in.Skip(3);
      uint8_t bits = in.U8();
      *count = in.U32();
      if (!in.ok() || (bits != 4 && bits != 8 && bits != 16) || *count > in.Left() * 8 / bits) {
        return Fail(invalidSampleTable);
      }
      const uint8_t* field = in.Here();
      for (uint32_t i = 0; i < *count; ++i) {
        UInt32 size = bits == 16  ? ReadBE16(field + 2 * i)
                      : bits == 8 ? field[i]
                                  : (field[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0x0F;
        table.AddSizes(1, size);
      }
      return true;
    }
    uint32_t constantSize = in.U32();
    *count = in.U32();
    if (!in.ok() || (constantSize == 0 && *count > in.Left() / 4)) {
      return Fail(invalidSampleTable);
    }
    *packed = constantSize == 1;
    if (constantSize != 0) {
      table.AddSizes(*count, constantSize);
      return true;
    }
    for (uint32_t i = 0; i < *count; ++i) table.AddSizes(1, in.U32());
    return true;
  }

  // Runs of a count and a 32-bit value ('stts', 'ctts'), each given to `add`.
  template <typename Add>
  bool ReadRuns(const Atom& atom, Add add) {
    Cursor in(atom.body, atom.bodySize);
    in.Skip(4);
    uint32_t count = in.U32();
    if (!in.ok() || count > in.Left() / 8) return Fail(invalidSampleTable);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t samples = in.U32();
      add(samples, in.U32());
    }
    return true;
  }

  bool ReadDurations(const Atom& stts, SampleTable& table) {
    // Durations are TimeValues: a damaged table's huge ones read as
    // negative, so that its total stays the file's modulo 2^32.
    return ReadRuns(stts, [&](uint32_t samples, uint32_t delta) {
      table.AddDurations(samples, static_cast<TimeValue>(delta));
    });
  }

  bool ReadCompositionOffsets(const Atom& ctts, SampleTable& table) {
    return ReadRuns(ctts, [&](uint32_t samples, uint32_t offset) {
      table.AddCompositionOffsets(samples, static_cast<TimeValue>(offset));
    });
  }

  bool ReadSyncSamples(const Atom& stss, SampleTable& table) {
    Cursor in(stss.body, stss.bodySize);
    in.Skip(4);
    uint32_t count = in.U32();
    if (!in.ok() || count > in.Left() / 4) return Fail(invalidSampleTable);
    std::vector<uint64_t> numbers(count);
    for (uint32_t i = 0; i < count; ++i) numbers[i] = in.U32();
    table.SetSyncSamples(numbers);
    return true;
  }

  // 'stsc' over 'stco' or 'co64': each chunk's offset, samples and
  // description. Packed sound chunks count frames and pack them as their
  // description says.
  bool ReadChunks(const SampleTables& t, MediaRecord& media, bool packed) {
    Cursor offsets(t.stco.body, t.stco.bodySize);
    offsets.Skip(4);
    uint32_t chunks = offsets.U32();
    if (!offsets.ok() || chunks > offsets.Left() / (t.wideOffsets ? 8 : 4)) {
      return Fail(invalidSampleTable);
    }
    Cursor runs(t.stsc.body, t.stsc.bodySize);
    runs.Skip(4);
    uint32_t runCount = runs.U32();
    if (!runs.ok() || runCount > runs.Left() / 12 || (runCount == 0 && chunks > 0)) {
      return Fail(invalidSampleTable);
    }
    packed = packed && media.type == SoundMediaType;
    const uint8_t* runTable = runs.Here();
    uint32_t run = 0;
    for (uint32_t chunk = 1; chunk <= chunks; ++chunk) {
      while (run + 1 < runCount && ReadBE32(runTable + 12 * (run + 1)) <= chunk) ++run;
      uint32_t firstChunk = ReadBE32(runTable + 12 * run);
      uint32_t perChunk = ReadBE32(runTable + 12 * run + 4);
      uint32_t descIndex = ReadBE32(runTable + 12 * run + 8);
      if (firstChunk < 1 || firstChunk > chunk) return Fail(invalidSampleTable);
      if (descIndex < 1 || descIndex > media.descriptions.size()) {
        return Fail(invalidSampleDescIndex);
      }
      SInt64 at = static_cast<SInt64>(t.wideOffsets ? offsets.U64() : offsets.U32());
      SamplePacking packing;
      if (packed && !SoundPackingOf(media.descriptions[descIndex - 1], &packing)) {
        packing = {1, 1};
      }
      media.samples.AddChunk(at, perChunk, descIndex, packing);
    }
    return true;
  }

  static void FinishDurations(MovieRecord& movie) {
    if (movie.tracks.empty()) return;
    int64_t longest = 0;
    for (const auto& track : movie.tracks) {
      int64_t total = 0;
      for (const EditEntry& e : track->edits) total += e.trackDuration;
      longest = std::max(longest, total);
    }
    movie.duration = ClampTime(static_cast<uint64_t>(longest));
  }

  // Movie fragments: each 'traf' of a 'moof' adds runs of samples ('trun')
  // to its track's media, with defaults from the movie's 'trex' and the
  // fragment's 'tfhd'. The samples join the media's tables, so the movie
  // is an ordinary one from then on and 'mvex' is dropped. A fragment
  // that cannot be read adds nothing.
  struct FragmentDefaults {
    uint32_t description = 1;
    uint32_t duration = 0;
    uint32_t size = 0;
    uint32_t flags = 0;
  };

  void ReadFragments(MovieRecord& movie) {
    // Only a movie that says it extends into fragments ('mvex') has them.
    std::map<uint32_t, FragmentDefaults> defaults;
    bool extended = false;
    for (const RawAtom& atom : movie.unknownAtoms) {
      if (atom.type != 'mvex' || atom.parent != 0) continue;
      extended = true;
      ReadTrackDefaults(atom, &defaults);
    }
    if (!extended) return;
    bool read = false;
    for (const TopLevelAtom& atom : *fragments_) {
      if (atom.type != 'moof' || atom.size > kLargestFragmentHeader) continue;
      std::vector<uint8_t> bytes(static_cast<size_t>(atom.size));
      if (!source_.self->Read(atom.offset, bytes.data(), atom.size)) continue;
      const uint8_t* body = bytes.data() + atom.headerSize;
      AtomWalk walk(body, bytes.size() - static_cast<size_t>(atom.headerSize));
      Atom traf;
      SInt64 dataEnd = atom.offset;  // a fragment's data starts at its 'moof'
      while (walk.Next(&traf)) {
        if (traf.type != 'traf') continue;
        read |= ReadTrackFragment(traf, movie, defaults, atom.offset, &dataEnd);
      }
    }
    if (!read) return;
    std::erase_if(movie.unknownAtoms, [](const RawAtom& atom) { return atom.type == 'mvex'; });
  }

  static void ReadTrackDefaults(const RawAtom& mvex, std::map<uint32_t, FragmentDefaults>* out) {
    AtomWalk top(mvex.bytes.data(), mvex.bytes.size());
    Atom self, trex;
    if (!top.Next(&self)) return;
    AtomWalk walk(self.body, self.bodySize);
    while (walk.Next(&trex)) {
      if (trex.type != 'trex') continue;
      Cursor in(trex.body, trex.bodySize);
      in.Skip(4);
      uint32_t track = in.U32();
      FragmentDefaults d;
      d.description = in.U32();
      d.duration = in.U32();
      d.size = in.U32();
      d.flags = in.U32();
      if (in.ok()) (*out)[track] = d;
    }
  }

  // One track fragment; *dataEnd is where the data of the one before
  // ended, where this one's starts unless it says otherwise.
  bool ReadTrackFragment(const Atom& traf, MovieRecord& movie,
                         const std::map<uint32_t, FragmentDefaults>& defaults, SInt64 moofOffset,
                         SInt64* dataEnd) {
    AtomWalk walk(traf.body, traf.bodySize);
    Atom a;
    if (!walk.Next(&a) || a.type != 'tfhd') return false;
    Cursor in(a.body, a.bodySize);
    uint32_t flags = in.U32() & 0xFFFFFF;
    uint32_t trackID = in.U32();
    auto known = defaults.find(trackID);
    FragmentDefaults d = known != defaults.end() ? known->second : FragmentDefaults();
    SInt64 base = (flags & 0x020000) != 0 ? moofOffset : *dataEnd;
    if ((flags & 0x000001) != 0) base = static_cast<SInt64>(in.U64());
    if ((flags & 0x000002) != 0) d.description = in.U32();
    if ((flags & 0x000008) != 0) d.duration = in.U32();
    if ((flags & 0x000010) != 0) d.size = in.U32();
    if ((flags & 0x000020) != 0) d.flags = in.U32();
    MediaRecord* media = nullptr;
    for (const auto& track : movie.tracks) {
      if (static_cast<uint32_t>(track->id) == trackID) media = track->media.get();
    }
    if (!in.ok() || media == nullptr || d.description < 1 ||
        d.description > media->descriptions.size()) {
      return false;
    }
    bool added = false;
    SInt64 next = base;
    while (walk.Next(&a)) {
      if (a.type == 'trun') added |= ReadTrackRun(a, *media, d, base, &next);
    }
    *dataEnd = next;
    return added;
  }

  // One run of samples stored back to back; *next is where the run before
  // ended.
  static bool ReadTrackRun(const Atom& trun, MediaRecord& media, const FragmentDefaults& d,
                           SInt64 base, SInt64* next) {
    Cursor in(trun.body, trun.bodySize);
    uint8_t version = in.U8();
    uint32_t flags = static_cast<uint32_t>(in.U8()) << 16 | in.U16();
    uint32_t count = in.U32();
    SInt64 at = (flags & 0x001) != 0 ? base + in.S32() : *next;
    uint32_t firstFlags = (flags & 0x004) != 0 ? in.U32() : d.flags;
    size_t each = 4 * (((flags & 0x100) != 0) + ((flags & 0x200) != 0) + ((flags & 0x400) != 0) +
                       ((flags & 0x800) != 0));
    if (!in.ok() || (each > 0 && count > in.Left() / each)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      SampleRunSpec sample;
      sample.offset = at;
      sample.count = 1;
      sample.description = d.description;
      uint32_t duration = (flags & 0x100) != 0 ? in.U32() : d.duration;
      sample.duration = static_cast<TimeValue>(duration);
      sample.size = (flags & 0x200) != 0 ? in.U32() : d.size;
      uint32_t sampleFlags = (flags & 0x400) != 0 ? in.U32() : i == 0 ? firstFlags : d.flags;
      sample.sync = (sampleFlags & 0x10000) == 0;
      if ((flags & 0x800) != 0) {
        uint32_t offset = in.U32();
        sample.compositionOffset =
            version == 0 && offset > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<TimeValue>(offset);
      }
      // Without fields of their own, the samples after the first are all
      // alike: one run, however many the count says.
      if (each == 0 && i == 1) sample.count = count - 1;
      media.samples.Append(sample);
      at += static_cast<SInt64>(sample.size) * static_cast<SInt64>(sample.count);
      if (sample.count > 1) break;
    }
    *next = at;
    return count > 0;
  }

  // A 'moof' holds only the fragment's tables; one larger than this is
  // taken for damage rather than read.
  static constexpr SInt64 kLargestFragmentHeader = 64 << 20;

  const MovieSource& source_;
  const std::vector<TopLevelAtom>* fragments_;
  std::vector<TrackRecord*> withoutEdits_;
  OSErr err_ = noErr;
};

// Whether every data reference of the movie found its store.
bool AllResolved(const MovieRecord& movie) {
  for (const auto& track : movie.tracks) {
    if (track->media == nullptr) continue;
    for (const DataReference& ref : track->media->dataRefs) {
      if (ref.store == nullptr) return false;
    }
  }
  return true;
}

// A store that reads a file, the file's path, and an alias record of it
// once one was asked for.
struct FileStoreEntry {
  std::weak_ptr<DataStore> store;
  std::string path;
  std::vector<uint8_t> alias;
};

struct StoreRegistry {
  std::mutex lock;
  std::vector<FileStoreEntry> paths;
  std::map<uint64_t, std::weak_ptr<DataStore>> tokens;
  uint64_t nextToken = 1;
};

StoreRegistry& Registry() {
  static StoreRegistry registry;
  return registry;
}

}  // namespace

OSErr WalkTopLevel(DataStore& store, std::vector<TopLevelAtom>* atoms, SInt64* validEnd,
                   SInt64 limit) {
  SInt64 end = store.Size();
  if (limit >= 0 && limit < end) end = limit;
  SInt64 at = 0;
  *validEnd = 0;
  while (end - at >= 8) {
    uint8_t header[16];
    size_t have = end - at >= 16 ? 16 : 8;
    if (!store.Read(at, header, have)) return StoreError(store, ioErr);
    TopLevelAtom atom;
    atom.offset = at;
    atom.size = ReadBE32(header);
    atom.type = ReadBE32(header + 4);
    if (atom.size == 1) {
      if (have < 16) break;
      atom.size = static_cast<SInt64>(static_cast<uint64_t>(ReadBE32(header + 8)) << 32 |
                                      ReadBE32(header + 12));
      atom.headerSize = 16;
    } else if (atom.size == 0) {
      atom.size = end - at;
    }
    if (atom.size < atom.headerSize || atom.size > end - at) break;
    atoms->push_back(atom);
    at += atom.size;
    *validEnd = at;
  }
  return noErr;
}

OSErr ParseMovieAtom(const uint8_t* bytes, size_t size, const MovieSource& source,
                     std::unique_ptr<MovieRecord>* movie, bool* unresolved,
                     const std::vector<TopLevelAtom>* fragments) {
  return Guarded<OSErr>(memFullErr, [&] {
    MovieReader reader(source, fragments);
    OSErr err = reader.Read(bytes, size, movie);
    if (err == noErr && unresolved != nullptr) *unresolved = !AllResolved(**movie);
    return err;
  });
}

OSErr ReadMovieFromStore(const MovieSource& source, std::unique_ptr<MovieRecord>* movie,
                         bool* unresolved) {
  return Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    if (source.self == nullptr) return paramErr;
    std::vector<TopLevelAtom> atoms;
    SInt64 validEnd = 0;
    if (OSErr err = WalkTopLevel(*source.self, &atoms, &validEnd)) return err;
    RawAtom fileType;
    for (const TopLevelAtom& atom : atoms) {
      if (atom.type == 'ftyp' && atom.size <= 4096 && fileType.bytes.empty()) {
        fileType.type = 'ftyp';
        fileType.parent = 'file';
        fileType.bytes.resize(atom.size);
        if (!source.self->Read(atom.offset, fileType.bytes.data(), atom.size)) {
          return StoreError(*source.self, ioErr);
        }
      }
      if (atom.type != 'moov') continue;
      std::vector<uint8_t> bytes(atom.size);
      if (!source.self->Read(atom.offset, bytes.data(), atom.size)) {
        return StoreError(*source.self, ioErr);
      }
      if (atom.headerSize == 16) {  // the parser wants the plain header
        bytes.erase(bytes.begin() + 8, bytes.begin() + 16);
        WriteBE32(bytes.data(), static_cast<uint32_t>(bytes.size()));
      }
      OSErr err = ParseMovieAtom(bytes.data(), bytes.size(), source, movie, unresolved, &atoms);
      if (err == noErr && !fileType.bytes.empty()) {
        (*movie)->unknownAtoms.insert((*movie)->unknownAtoms.begin(), std::move(fileType));
      }
      return err;
    }
    return noMovieFound;
  });
}

void NoteFileStore(const std::shared_ptr<DataStore>& store, const std::string& path) {
  GuardedVoid([&] {
    StoreRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    std::erase_if(r.paths, [](const FileStoreEntry& entry) { return entry.store.expired(); });
    r.paths.push_back(FileStoreEntry{store, path, {}});
  });
}

std::string FileStorePath(const DataStore* store) {
  return Guarded<std::string>(std::string(), [&] {
    StoreRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    for (const FileStoreEntry& entry : r.paths) {
      if (store != nullptr && entry.store.lock().get() == store) return entry.path;
    }
    return std::string();
  });
}

std::vector<uint8_t> FileStoreAlias(const DataStore* store) {
  return Guarded<std::vector<uint8_t>>({}, [&] {
    StoreRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    for (FileStoreEntry& entry : r.paths) {
      if (store == nullptr || entry.store.lock().get() != store) continue;
      if (entry.alias.empty()) entry.alias = MakeAliasRecord(entry.path);
      return entry.alias;
    }
    return std::vector<uint8_t>();
  });
}

std::string DataRefPath(const DataReference& ref) {
  return Guarded<std::string>(std::string(), [&] {
    std::string path;
    if ((ref.flags & 1) == 0 && ref.type == 'alis' &&
        AliasRecordPath(ref.data.data(), ref.data.size(), &path)) {
      return path;
    }
    return FileStorePath(ref.store.get());
  });
}

const uint8_t* ProcessKey() noexcept {
  static const std::array<uint8_t, kProcessKeySize> key = [] {
    std::array<uint8_t, kProcessKeySize> made{};
    try {
      std::random_device random;
      for (size_t i = 0; i < made.size(); i += 4) {
        uint32_t word = random();
        std::memcpy(made.data() + i, &word, 4);
      }
    } catch (...) {
      // Without a source of randomness the key is the time and the
      // address of this function: still not what a file would carry.
      uint64_t mix =
          static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
          reinterpret_cast<uintptr_t>(&ProcessKey);
      std::memcpy(made.data(), &mix, sizeof mix);
    }
    return made;
  }();
  return key.data();
}

uint64_t StoreToken(const std::shared_ptr<DataStore>& store) {
  return Guarded<uint64_t>(0, [&]() -> uint64_t {
    if (store == nullptr) return 0;
    StoreRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    std::erase_if(r.tokens, [](const auto& entry) { return entry.second.expired(); });
    for (const auto& [token, weak] : r.tokens) {
      if (weak.lock() == store) return token;
    }
    uint64_t token = r.nextToken++;
    r.tokens.emplace(token, store);
    return token;
  });
}

std::shared_ptr<DataStore> StoreOfToken(uint64_t token) {
  return Guarded<std::shared_ptr<DataStore>>(nullptr, [&] {
    StoreRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    auto found = r.tokens.find(token);
    return found == r.tokens.end() ? nullptr : found->second.lock();
  });
}

}  // namespace qtml
