// A text account of a movie file's movie, for the engine's tests: two
// movies with the same account have the same fields, tracks, media, data
// references, kept atoms and samples.
#include <sstream>

#include "base/byte_order.h"
#include "data/data_refs.h"
#include "memory/memory.h"
#include "qtff/qtff_read.h"
#include "qtff/qtff_write.h"

namespace qtml {
namespace {

std::string Code(OSType code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>(code >> (24 - 8 * i));
  return text;
}

// FNV-1a over the values, so sample tables compare in one number.
struct Digest {
  uint64_t value = 1469598103934665603ULL;
  void Add(int64_t item) {
    for (int i = 0; i < 8; ++i) {
      value ^= static_cast<uint8_t>(item >> (8 * i));
      value *= 1099511628211ULL;
    }
  }
  void Add(const std::vector<uint8_t>& bytes) {
    Add(static_cast<int64_t>(bytes.size()));
    for (uint8_t b : bytes) Add(b);
  }
};

void DescribeKept(std::ostream& out, const std::vector<RawAtom>& atoms) {
  for (const RawAtom& atom : atoms) {
    Digest d;
    d.Add(atom.bytes);
    out << " kept " << Code(atom.type) << " in '" << (atom.parent ? Code(atom.parent) : "") << "' "
        << atom.bytes.size() << " #" << d.value << "\n";
  }
}

void DescribeUserData(std::ostream& out, const UserDataRecord& data) {
  for (const UserDataItem& item : data.items) {
    Digest d;
    d.Add(item.data);
    out << " udta " << Code(item.type) << " " << item.data.size() << " #" << d.value << "\n";
  }
}

void DescribeMatrix(std::ostream& out, const MatrixRecord& m) {
  for (const auto& row : m.matrix) {
    for (Fixed v : row) out << " " << v;
  }
}

void DescribeMedia(std::ostream& out, const MediaRecord& media) {
  int64_t duration = 0;
  Digest samples;
  for (uint64_t i = 0; i < media.samples.Count(); ++i) {
    SampleEntry s = media.samples.At(i);
    duration += s.duration;
    samples.Add(s.offset);
    samples.Add(s.size);
    samples.Add(s.duration);
    samples.Add(s.compositionOffset);
    samples.Add(s.sync);
    samples.Add(s.descriptionIndex);
  }
  out << "media " << Code(media.type) << " scale " << media.timeScale << " duration " << duration
      << " samples " << media.samples.Count() << " #" << samples.value << " lang " << media.language
      << " quality " << media.quality << " handler '" << media.handlerName << "' mode "
      << media.graphicsMode << " balance " << media.balance << " tc " << media.timeCode.flags
      << "\n";
  if (media.type == TimeCodeMediaType) {
    const TimeCodeDisplay& tc = media.timeCode;
    out << " tcmi font " << tc.font << " '" << tc.fontName << "' face " << tc.face << " size "
        << tc.size << " colors " << tc.foreColor.red << "," << tc.foreColor.green << ","
        << tc.foreColor.blue << " on " << tc.backColor.red << "," << tc.backColor.green << ","
        << tc.backColor.blue << "\n";
  }
  for (const auto& desc : media.descriptions) {
    Digest d;
    d.Add(desc);
    out << " desc " << (desc.size() >= 8 ? Code(ReadBE32(desc.data() + 4)) : "?") << " "
        << desc.size() << " #" << d.value << "\n";
  }
  for (const DataReference& ref : media.dataRefs) {
    out << " dref " << Code(ref.type) << " flags " << ref.flags << " path '" << DataRefPath(ref)
        << "' " << (ref.store != nullptr ? "open" : "unresolved") << "\n";
  }
  DescribeUserData(out, media.userData);
  DescribeKept(out, media.unknownAtoms);
}

void DescribeTrack(std::ostream& out, const TrackRecord& track) {
  out << "track " << track.id << " enabled " << track.enabled << " usage " << track.usage
      << " layer " << track.layer << " group " << track.alternateGroup << " volume " << track.volume
      << " size " << track.width / 65536.0 << "x" << track.height / 65536.0 << " matrix";
  DescribeMatrix(out, track.matrix);
  out << "\n edits";
  for (const EditEntry& e : track.edits) {
    out << " (" << e.trackDuration << "," << e.mediaTime << "," << e.rate << ")";
  }
  out << "\n";
  DescribeUserData(out, track.userData);
  DescribeKept(out, track.unknownAtoms);
  if (track.media != nullptr) DescribeMedia(out, *track.media);
}

std::string Describe(const MovieRecord& movie) {
  std::ostringstream out;
  out << "movie scale " << movie.timeScale << " duration " << movie.duration << " tracks "
      << movie.tracks.size() << " rate " << movie.preferredRate << " volume "
      << movie.preferredVolume << " poster " << movie.posterTime << " next " << movie.nextTrackID
      << " matrix";
  DescribeMatrix(out, movie.matrix);
  out << "\n";
  DescribeUserData(out, movie.userData);
  DescribeKept(out, movie.unknownAtoms);
  for (const auto& track : movie.tracks) DescribeTrack(out, *track);
  return out.str();
}

}  // namespace

OSErr SummarizeMovieFile(const std::string& path, bool rewrite, std::string* text) {
  return Guarded<OSErr>(memFullErr, [&]() -> OSErr {
    OSErr err = noErr;
    MovieSource source{OpenFileStore(path, false, &err), path};
    if (source.self == nullptr) return err;
    NoteFileStore(source.self, path);
    std::unique_ptr<MovieRecord> movie;
    if ((err = ReadMovieFromStore(source, &movie, nullptr)) != noErr) return err;
    if (rewrite) {
      std::vector<uint8_t> moov;
      if ((err = WriteMovieAtom(*movie, WriteTarget{path, false}, &moov)) != noErr) return err;
      RawAtom fileType = movie->unknownAtoms.empty() ? RawAtom() : movie->unknownAtoms[0];
      if ((err = ParseMovieAtom(moov.data(), moov.size(), source, &movie, nullptr)) != noErr) {
        return err;
      }
      if (fileType.parent == 'file')
        movie->unknownAtoms.insert(movie->unknownAtoms.begin(), fileType);
    }
    *text = Describe(*movie);
    return noErr;
  });
}

}  // namespace qtml
