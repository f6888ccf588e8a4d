// Movie exporters: the components that write a movie as a file of a
// format, their settings as atom containers, their dialogs, and the
// MovieExport... calls. QuickTime movies whose samples stay as they are
// are flattened by the toolbox; everything else is encoded
// (movie_export_writer.h).
#include <cstring>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "components/codecs.h"
#include "components/component_selectors.h"
#include "components/exporters.h"
#include "components/movie_export_writer.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "files/os.h"
#include "memory/memory.h"
#include "movies/atom_container.h"
#include "movies/movie_calls.h"
#include "movies/movie_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace qtml {
namespace {

struct ExporterKind {
  OSType subType;
  const char* name;
  OSType extension;
  const char* muxer;  // nullptr: written otherwise (flattened, or image files)
  bool video;
  bool sound;
  CodecType videoCodec;  // the default
  OSType soundFormat;    // the default
  short soundBits;
  bool fastStart;
  OSType manufacturer;  // the sound files' exporters are the Sound Manager's, as in QuickTime
};

constexpr ExporterKind kKinds[] = {
    {'MooV', "QuickTime Movie", 'mov ', "mov", true, true, 0, 0, 16, true, 'appl'},
    {'VfW ', "AVI", 'avi ', "avi", true, true, kJPEGCodecType, 'sowt', 16, false, 'appl'},
    {'mpg4', "MPEG-4", 'mp4 ', "mp4", true, true, kH264CodecType, 'mp4a', 16, true, 'appl'},
    {'AIFF', "AIFF", 'aif ', "aiff", false, true, 0, 'twos', 16, false, 'soun'},
    {'AIFC', "AIFF-C", 'aifc', "aiff", false, true, 0, 'sowt', 16, false, 'soun'},
    {'WAVE', "WAVE", 'wav ', "wav", false, true, 0, 'sowt', 16, false, 'soun'},
    {'ULAW', "u-Law", 'au  ', "au", false, true, 0, 'ulaw', 8, false, 'soun'},
    {'grex', "Image Sequence", 0, nullptr, true, false, 'PNGf', 0, 0, false, 'appl'},
};

constexpr UInt32 kExportFlags = canMovieExportFiles | canMovieExportHandles |
                                hasMovieExportUserInterface | canMovieExportValidateMovie;

const ExporterKind* KindOf(OSType subType) {
  for (const ExporterKind& k : kKinds) {
    if (k.subType == subType) return &k;
  }
  return nullptr;
}

// Whether FFmpeg and the engine can write what an exporter needs. The
// containers are libavformat's own, which is only opened when a movie is
// written: an export answers cantFindHandler when it cannot be.
bool Backed(const ExporterKind& k) {
  switch (k.subType) {
    case 'VfW ':
      return FFmpegEncodes(AV_CODEC_ID_MJPEG) && FFmpegEncodes(AV_CODEC_ID_PCM_S16LE);
    case 'mpg4':
      return (FFmpegEncodes(AV_CODEC_ID_H264) || FFmpegEncodes(AV_CODEC_ID_MPEG4)) &&
             FFmpegEncodes(AV_CODEC_ID_AAC);
    case 'AIFF':
    case 'AIFC':
      return FFmpegEncodes(AV_CODEC_ID_PCM_S16BE);
    case 'WAVE':
      return FFmpegEncodes(AV_CODEC_ID_PCM_S16LE);
    case 'ULAW':
      return FFmpegEncodes(AV_CODEC_ID_PCM_MULAW);
    case 'grex':
      return FFmpegEncodes(AV_CODEC_ID_PNG);
  }
  return true;
}

constexpr SInt16 kSelectors[] = {
    kMovieExportToHandleSelect,
    kMovieExportToFileSelect,
    kMovieExportSetProgressProcSelect,
    kMovieExportDoUserDialogSelect,
    kMovieExportGetCreatorTypeSelect,
    kMovieExportToDataRefSelect,
    kMovieExportValidateSelect,
    kMovieExportGetSettingsAsAtomContainerSelect,
    kMovieExportSetSettingsFromAtomContainerSelect,
    kMovieExportGetFileNameExtensionSelect,
    kMovieExportGetShortFileTypeStringSelect,
    kMovieExportGetSourceMediaTypeSelect,
};

class MovieExporterImplementation : public ComponentImplementation {
 public:
  OSErr Open(ComponentInstance self) override {
    ComponentInstanceRecord* record = FindInstanceRecord(self);
    kind = record != nullptr ? KindOf(record->component->entry.subType) : nullptr;
    if (kind == nullptr) return cantOpenHandler;
    video.codec = kind->videoCodec;
    if (kind->subType == 'mpg4' && !FFmpegEncodes(AV_CODEC_ID_H264)) {
      video.codec = kMPEG4VisualCodecType;
    }
    sound.format = kind->soundFormat;
    sound.bits = kind->soundBits;
    fastStart = kind->fastStart;
    return noErr;
  }
  bool Implements(SInt16 selector) const override { return InSelectorTable(kSelectors, selector); }

  const ExporterKind* kind = nullptr;
  VideoExportSettings video;
  SoundExportSettings sound;
  bool fastStart = false;
  MovieProgressUPP progress = nullptr;
  long progressRefcon = 0;
  bool progressSet = false;  // otherwise the movie's own procedure
};

// ---- Settings ---------------------------------------------------------

OSErr Insert(QTAtomContainer c, QTAtom parent, QTAtomType type, long size, const void* data,
             QTAtom* atom = nullptr) {
  return atoms::InsertChild(c, parent, type, 1, 0, size, data, atom);
}

OSErr PutVideo(QTAtomContainer c, const VideoExportSettings& v) {
  QTAtom vide = 0, size = 0;
  if (OSErr err = Insert(c, kParentAtomIsContainer, kQTSettingsVideo, 0, nullptr, &vide)) {
    return err;
  }
  uint8_t spatial[14], temporal[12], rate[16], w[4], h[4];
  WriteBE32(spatial, v.codec);
  WriteBE32(spatial + 4, 0);
  WriteBE16(spatial + 8, static_cast<uint16_t>(v.depth));
  WriteBE32(spatial + 10, v.spatialQuality);
  WriteBE32(temporal, v.temporalQuality);
  WriteBE32(temporal + 4, static_cast<uint32_t>(v.frameRate));
  WriteBE32(temporal + 8, static_cast<uint32_t>(v.keyFrameRate));
  WriteBE32(rate, static_cast<uint32_t>(v.dataRate));
  WriteBE32(rate + 4, 0);
  WriteBE32(rate + 8, 0);
  WriteBE32(rate + 12, 0);
  WriteBE32(w, static_cast<uint32_t>(v.width));
  WriteBE32(h, static_cast<uint32_t>(v.height));
  OSErr err = Insert(c, vide, 'sptl', 14, spatial);
  if (err == noErr) err = Insert(c, vide, 'tprl', 12, temporal);
  if (err == noErr) err = Insert(c, vide, 'drat', 16, rate);
  if (err == noErr) err = Insert(c, vide, kQTSettingsVideoSize, 0, nullptr, &size);
  if (err == noErr) err = Insert(c, size, kQTSettingsImageWidth, 4, w);
  if (err == noErr) err = Insert(c, size, kQTSettingsImageHeight, 4, h);
  return err;
}

OSErr PutSound(QTAtomContainer c, const SoundExportSettings& s) {
  QTAtom soun = 0;
  if (OSErr err = Insert(c, kParentAtomIsContainer, kQTSettingsSound, 0, nullptr, &soun)) {
    return err;
  }
  uint8_t type[4], rate[4], bits[2], channels[2];
  WriteBE32(type, s.format);
  WriteBE32(rate, s.rate);
  WriteBE16(bits, static_cast<uint16_t>(s.bits));
  WriteBE16(channels, static_cast<uint16_t>(s.channels));
  OSErr err = Insert(c, soun, 'ssct', 4, type);
  if (err == noErr) err = Insert(c, soun, 'ssrt', 4, rate);
  if (err == noErr) err = Insert(c, soun, 'ssss', 2, bits);
  if (err == noErr) err = Insert(c, soun, 'sscc', 2, channels);
  return err;
}

OSErr SettingsContainer(const MovieExporterImplementation& e, QTAtomContainer* result) {
  QTAtomContainer c = nullptr;
  if (OSErr err = atoms::NewContainer(&c)) return err;
  // An insertion's own allocations may fail by throwing: the container
  // made here is released on that path too.
  OSErr err = Guarded<OSErr>(memFullErr, [&] {
    OSErr put = noErr;
    if (e.kind->video) put = PutVideo(c, e.video);
    if (put == noErr && e.kind->sound) put = PutSound(c, e.sound);
    if (put == noErr && e.fastStart && (e.kind->subType == 'MooV' || e.kind->subType == 'mpg4')) {
      put = Insert(c, kParentAtomIsContainer, kQTSettingsMovieExportSaveForInternet, 0, nullptr);
    }
    return put;
  });
  if (err != noErr) {
    atoms::DisposeContainer(c);
    return err;
  }
  *result = c;
  return noErr;
}

QTAtom Child(QTAtomContainer c, QTAtom parent, QTAtomType type) {
  QTAtom atom = 0;
  return atoms::FindChildByIndex(c, parent, type, 1, &atom, nullptr) == noErr ? atom : 0;
}

const uint8_t* Data(QTAtomContainer c, QTAtom parent, QTAtomType type, long size) {
  QTAtom atom = parent != 0 || type != 0 ? Child(c, parent, type) : 0;
  if (atom == 0) return nullptr;
  const char* data = nullptr;
  long have = 0;
  if (atoms::GetData(c, atom, &data, &have) != noErr || have < size) return nullptr;
  return reinterpret_cast<const uint8_t*>(data);
}

// Whether the exporter writes video of the codec type.
bool VideoCodecAllowed(const ExporterKind& k, CodecType codec) {
  switch (k.subType) {
    case 'MooV':
      return codec == 0 || codec == kJPEGCodecType || codec == kPNGCodecType ||
             codec == kRawCodecType || codec == kMPEG4VisualCodecType ||
             (codec == kH264CodecType && FFmpegEncodes(AV_CODEC_ID_H264));
    case 'VfW ':
      return codec == kJPEGCodecType || codec == kRawCodecType || codec == kMPEG4VisualCodecType;
    case 'mpg4':
      return codec == kMPEG4VisualCodecType ||
             (codec == kH264CodecType && FFmpegEncodes(AV_CODEC_ID_H264));
    case 'grex': {
      ComponentDescription looking{GraphicsExporterComponentType, codec, 0, 0, 0};
      return codec != 'base' && NextMatching(nullptr, &looking) != nullptr;
    }
  }
  return false;
}

bool SoundAllowed(const ExporterKind& k, const SoundExportSettings& s) {
  if (s.channels < 0 || s.channels > 8) return false;
  if (s.rate != 0 && ((s.rate >> 16) < 1000 || (s.rate >> 16) > 192000)) return false;
  OSType f = s.format;
  bool pcm = (f == 'twos' || f == 'sowt') && (s.bits == 8 || s.bits == 16 || s.bits == 24);
  switch (k.subType) {
    case 'MooV':
      return f == 0 || pcm || f == 'ulaw' || f == 'alaw' || f == 'fl32';
    case 'VfW ':
      return f == 'sowt' && pcm;
    case 'mpg4':
      return f == 'mp4a';
    case 'AIFF':
      return f == 'twos' && pcm;
    case 'AIFC':
      return pcm || f == 'ulaw' || f == 'alaw' || f == 'fl32';
    case 'WAVE':
      return (f == 'sowt' && pcm) || f == 'ulaw' || f == 'alaw' || f == 'fl32' || f == 'raw ';
    case 'ULAW':
      return f == 'ulaw';
  }
  return false;
}

OSErr CheckSettings(const MovieExporterImplementation& e) {
  if (e.kind->video) {
    const VideoExportSettings& v = e.video;
    if (!VideoCodecAllowed(*e.kind, v.codec)) return paramErr;
    if (v.spatialQuality > codecLosslessQuality || v.frameRate < 0 || v.keyFrameRate < 0 ||
        v.dataRate < 0 || v.width < 0 || v.height < 0 || v.width > (4096 << 16) ||
        v.height > (4096 << 16)) {
      return paramErr;
    }
  }
  if (e.kind->sound && !SoundAllowed(*e.kind, e.sound)) return paramErr;
  return noErr;
}

OSErr ApplySettings(MovieExporterImplementation& e, QTAtomContainer c) {
  atoms::Tree tree;
  if (OSErr err = tree.Parse(c)) return err;
  MovieExporterImplementation before = e;
  QTAtom vide = Child(c, kParentAtomIsContainer, kQTSettingsVideo);
  if (vide != 0 && e.kind->video) {
    VideoExportSettings& v = e.video;
    if (const uint8_t* d = Data(c, vide, 'sptl', 14)) {
      v.codec = ReadBE32(d);
      v.depth = static_cast<short>(ReadBE16(d + 8));
      v.spatialQuality = ReadBE32(d + 10);
    }
    if (const uint8_t* d = Data(c, vide, 'tprl', 12)) {
      v.temporalQuality = ReadBE32(d);
      v.frameRate = static_cast<Fixed>(ReadBE32(d + 4));
      v.keyFrameRate = static_cast<SInt32>(ReadBE32(d + 8));
    }
    if (const uint8_t* d = Data(c, vide, 'drat', 4)) v.dataRate = static_cast<SInt32>(ReadBE32(d));
    if (QTAtom size = Child(c, vide, kQTSettingsVideoSize)) {
      if (const uint8_t* d = Data(c, size, kQTSettingsImageWidth, 4)) {
        v.width = static_cast<Fixed>(ReadBE32(d));
      }
      if (const uint8_t* d = Data(c, size, kQTSettingsImageHeight, 4)) {
        v.height = static_cast<Fixed>(ReadBE32(d));
      }
    }
  }
  QTAtom soun = Child(c, kParentAtomIsContainer, kQTSettingsSound);
  if (soun != 0 && e.kind->sound) {
    SoundExportSettings& s = e.sound;
    if (const uint8_t* d = Data(c, soun, 'ssct', 4)) s.format = ReadBE32(d);
    if (const uint8_t* d = Data(c, soun, 'ssrt', 4)) s.rate = ReadBE32(d);
    if (const uint8_t* d = Data(c, soun, 'ssss', 2)) s.bits = static_cast<short>(ReadBE16(d));
    if (const uint8_t* d = Data(c, soun, 'sscc', 2)) s.channels = static_cast<short>(ReadBE16(d));
  }
  if (e.kind->subType == 'MooV' || e.kind->subType == 'mpg4') {
    e.fastStart = Child(c, kParentAtomIsContainer, kQTSettingsMovieExportSaveForInternet) != 0;
  }
  if (OSErr err = CheckSettings(e)) {
    e.video = before.video;
    e.sound = before.sound;
    e.fastStart = before.fastStart;
    return err;
  }
  return noErr;
}

OSErr DoUserDialog(MovieExporterImplementation& e, Boolean* canceled) {
  std::vector<DialogSetting> answers;
  if (!TakeSettingsAnswer(&answers)) {
    *canceled = true;
    return noErr;
  }
  VideoExportSettings video = e.video;
  SoundExportSettings sound = e.sound;
  bool fast = e.fastStart;
  for (const DialogSetting& a : answers) {
    long n = DialogNumber(a.value);
    if (a.name == "codec")
      e.video.codec = DialogCode(a.value);
    else if (a.name == "quality")
      e.video.spatialQuality = static_cast<CodecQ>(n);
    else if (a.name == "depth")
      e.video.depth = static_cast<short>(n);
    else if (a.name == "fps")
      e.video.frameRate = static_cast<Fixed>(n << 16);
    else if (a.name == "keyframes")
      e.video.keyFrameRate = n;
    else if (a.name == "datarate")
      e.video.dataRate = n;
    else if (a.name == "width")
      e.video.width = static_cast<Fixed>(n << 16);
    else if (a.name == "height")
      e.video.height = static_cast<Fixed>(n << 16);
    else if (a.name == "format")
      e.sound.format = DialogCode(a.value);
    else if (a.name == "rate")
      e.sound.rate = static_cast<UnsignedFixed>(n) << 16;
    else if (a.name == "bits")
      e.sound.bits = static_cast<short>(n);
    else if (a.name == "channels")
      e.sound.channels = static_cast<short>(n);
    else if (a.name == "fast")
      e.fastStart = n != 0;
  }
  *canceled = false;
  if (OSErr err = CheckSettings(e)) {
    e.video = video;
    e.sound = sound;
    e.fastStart = fast;
    return err;
  }
  return noErr;
}

// ---- Exporting --------------------------------------------------------

// While one lives, the movie's other tracks are disabled so that only
// `only` is written (nothing changes without one).
class OnlyTrack {
 public:
  OnlyTrack(MovieRecord& movie, TrackRecord* only) : movie_(movie) {
    if (only == nullptr) return;
    for (auto& track : movie.tracks) {
      enabled_.push_back(track->enabled);
      track->enabled = track.get() == only;
    }
  }
  ~OnlyTrack() {
    for (size_t i = 0; i < enabled_.size() && i < movie_.tracks.size(); ++i) {
      movie_.tracks[i]->enabled = enabled_[i];
    }
  }
  OnlyTrack(const OnlyTrack&) = delete;
  OnlyTrack& operator=(const OnlyTrack&) = delete;

 private:
  MovieRecord& movie_;
  std::vector<bool> enabled_;
};

// A QuickTime movie whose samples stay as they are: the part asked for,
// flattened.
OSErr FlattenPart(MovieExporterImplementation& e, MovieRecord& movie, TimeValue start,
                  TimeValue duration, const std::string& path) {
  FSSpec spec;
  if (OSErr err = PathToSpec(path, &spec); err != noErr && err != fnfErr) return err;
  long flags = flattenAddMovieToDataFork | flattenActiveTracksOnly;
  if (e.fastStart) flags |= flattenForceMovieResourceBeforeMovieData;
  MovieProgressUPP savedProc = movie.progressProc;
  long savedRefcon = movie.progressRefcon;
  if (e.progressSet) {
    movie.progressProc = e.progress;
    movie.progressRefcon = e.progressRefcon;
  }
  OSErr err = noErr;
  if (start == 0 && duration == movie.duration) {
    err = FlattenToFile(movie, flags, &spec, 'TVOD', createMovieFileDeleteCurFile);
  } else {
    Movie part = NewMovie(newMovieActive);
    MovieRecord* record = MovieOf(part);
    err = record == nullptr ? memFullErr : noErr;
    if (err == noErr) {
      SetMovieTimeScale(part, movie.timeScale);
      err = InsertMovieSegment(ReferenceTo(&movie), part, start, duration, 0);
    }
    if (err == noErr) {
      record->progressProc = movie.progressProc;
      record->progressRefcon = movie.progressRefcon;
      err = FlattenToFile(*record, flags, &spec, 'TVOD', createMovieFileDeleteCurFile);
    }
    if (part != nullptr) DisposeMovie(part);
  }
  movie.progressProc = savedProc;
  movie.progressRefcon = savedRefcon;
  return err;
}

OSErr ExportToPath(MovieExporterImplementation& e, Movie theMovie, Track onlyTrack, TimeValue start,
                   TimeValue duration, const std::string& path) {
  MovieRecord* movie = MovieOf(theMovie);
  if (movie == nullptr) return invalidMovie;
  TrackRecord* track = nullptr;
  if (onlyTrack != nullptr) {
    track = TrackOf(onlyTrack);
    if (track == nullptr || track->movie != movie) return invalidTrack;
  }
  if (start < 0 || duration < 0 || start > movie->duration || duration > movie->duration - start) {
    return paramErr;
  }
  if (duration == 0) return invalidDuration;
  OnlyTrack only(*movie, track);
  if (e.kind->subType == 'MooV' && e.video.codec == 0 && e.sound.format == 0) {
    return FlattenPart(e, *movie, start, duration, path);
  }
  ExportJob job;
  job.movie = movie;
  job.start = start;
  job.duration = duration;
  job.muxer = e.kind->muxer;
  job.video = e.kind->video;
  job.sound = e.kind->sound;
  job.fastStart = e.fastStart;
  job.namesSoundFormat = e.kind->subType == 'AIFC';
  job.videoSettings = e.video;
  if (e.kind->subType == 'MooV' && job.videoSettings.codec == 0) {
    job.videoSettings.codec = kJPEGCodecType;  // the sound is recompressed: so is the video
  }
  job.soundSettings = e.sound;
  if (job.soundSettings.format == 0) job.soundSettings.format = 'twos';
  if (e.kind->subType == 'grex') {
    job.muxer = nullptr;
    job.imageFormat = e.video.codec;
  }
  job.path = path;
  job.progress = e.progressSet ? e.progress : movie->progressProc;
  job.progressRefcon = e.progressSet ? e.progressRefcon : movie->progressRefcon;
  return WriteExport(job);
}

// A handle's export: written to a file aside, then read into the handle.
OSErr ExportToHandle(MovieExporterImplementation& e, Handle h, Movie movie, Track track,
                     TimeValue start, TimeValue duration) {
  if (CheckHandle(h) != noErr) return paramErr;
  if (e.kind->subType == 'grex') return paramErr;  // many files
  std::string path = os::CurrentDirectory();
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0')
    path = tmp;
  else
    path = "/tmp";
  path += "/.qtml-export-" + std::to_string(reinterpret_cast<uintptr_t>(h));
  OSErr err = ExportToPath(e, movie, track, start, duration, path);
  std::string bytes;
  if (err == noErr) err = os::ReadWholeFile(path, &bytes);
  os::RemoveFile(path);
  if (err == noErr) err = SetHandleBytes(h, bytes.data(), static_cast<Size>(bytes.size()));
  return err;
}

bool HasMediaOf(const MovieRecord& movie, const TrackRecord* only, bool sound) {
  for (const auto& track : movie.tracks) {
    if (only != nullptr && track.get() != only) continue;
    if (track->media == nullptr || track->media->samples.Empty()) continue;
    bool isSound = track->media->type == SoundMediaType;
    if (isSound == sound && (sound || track->media->type != 'tmcd')) return true;
  }
  return false;
}

OSErr Validate(const MovieExporterImplementation& e, Movie theMovie, Track onlyTrack,
               Boolean* valid) {
  MovieRecord* movie = MovieOf(theMovie);
  if (movie == nullptr) return invalidMovie;
  TrackRecord* track = onlyTrack != nullptr ? TrackOf(onlyTrack) : nullptr;
  if (onlyTrack != nullptr && (track == nullptr || track->movie != movie)) return invalidTrack;
  bool video = e.kind->video && HasMediaOf(*movie, track, false);
  bool sound = e.kind->sound && HasMediaOf(*movie, track, true);
  *valid = video || sound;
  return noErr;
}

template <typename F>
ComponentResult ExporterCall(ApiCall& call, ComponentInstance ci, SInt16 selector, F work) {
  return ImplementationCall<MovieExporterImplementation>(call, ci, selector, work);
}

}  // namespace

void AppendMovieExporters(std::vector<ComponentEntry>* entries) {
  for (const ExporterKind& k : kKinds) {
    if (!Backed(k)) continue;
    entries->push_back(ComponentEntry{
        MovieExportType, k.subType, k.manufacturer, kExportFlags, k.name, "Writes movies",
        0x00070000,
        []() -> ComponentImplementation* { return NewObject<MovieExporterImplementation>(); }});
  }
}

// Exports through an exporter instance for ConvertMovieToFile.
OSErr ExportMovieToFile(ComponentInstance exporter, Movie movie, Track onlyTrack,
                        const std::string& path) {
  auto* e = dynamic_cast<MovieExporterImplementation*>(ImplementationOf(exporter));
  MovieRecord* record = MovieOf(movie);
  if (e == nullptr || record == nullptr) return cantFindHandler;
  return ExportToPath(*e, movie, onlyTrack, 0, record->duration, path);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::MovieExporterImplementation;

#define EXPORTER_CALL(selector, ...) \
  qtml::ExporterCall(call, ci, selector, [&](MovieExporterImplementation & e) -> OSErr __VA_ARGS__)

extern "C" {

QTML_API ComponentResult MovieExportToFile(MovieExportComponent ci, const FSSpec* theFile,
                                           Movie theMovie, Track onlyThisTrack, TimeValue startTime,
                                           TimeValue duration) try {
  ApiCall call("MovieExportToFile", ci, theFile, theMovie, onlyThisTrack, startTime, duration);
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return<ComponentResult>(err);
  return EXPORTER_CALL(kMovieExportToFileSelect, {
    std::string path;
    if (OSErr err = qtml::SpecToPath(theFile, &path)) return err;
    return qtml::ExportToPath(e, theMovie, onlyThisTrack, startTime, duration, path);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportToHandle(MovieExportComponent ci, Handle dataH, Movie theMovie,
                                             Track onlyThisTrack, TimeValue startTime,
                                             TimeValue duration) try {
  ApiCall call("MovieExportToHandle", ci, dataH, theMovie, onlyThisTrack, startTime, duration);
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return<ComponentResult>(err);
  return EXPORTER_CALL(kMovieExportToHandleSelect, {
    return qtml::ExportToHandle(e, dataH, theMovie, onlyThisTrack, startTime, duration);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportToDataRef(MovieExportComponent ci, Handle dataRef,
                                              OSType dataRefType, Movie theMovie,
                                              Track onlyThisTrack, TimeValue startTime,
                                              TimeValue duration) try {
  ApiCall call("MovieExportToDataRef", ci, dataRef, FourCC{dataRefType}, theMovie, onlyThisTrack,
               startTime, duration);
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return<ComponentResult>(err);
  return EXPORTER_CALL(kMovieExportToDataRefSelect, {
    if (qtml::CheckHandle(dataRef) != noErr) return paramErr;
    Size size = qtml::HandleSize(dataRef);
    const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
    if (dataRefType == 'hndl' && size >= static_cast<Size>(sizeof(Handle))) {
      Handle target = nullptr;
      std::memcpy(&target, bytes, sizeof(Handle));
      return qtml::ExportToHandle(e, target, theMovie, onlyThisTrack, startTime, duration);
    }
    std::string path;
    if (dataRefType != 'alis' || !qtml::AliasRecordPath(bytes, static_cast<size_t>(size), &path)) {
      return invalidDataRef;
    }
    return qtml::ExportToPath(e, theMovie, onlyThisTrack, startTime, duration, path);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportSetProgressProc(MovieExportComponent ci, MovieProgressUPP proc,
                                                    long refcon) try {
  ApiCall call("MovieExportSetProgressProc", ci, reinterpret_cast<void*>(proc), refcon);
  return EXPORTER_CALL(kMovieExportSetProgressProcSelect, {
    e.progress = proc;
    e.progressRefcon = refcon;
    e.progressSet = proc != nullptr;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportDoUserDialog(MovieExportComponent ci, Movie theMovie,
                                                 Track onlyThisTrack, TimeValue startTime,
                                                 TimeValue duration, Boolean* canceled) try {
  ApiCall call("MovieExportDoUserDialog", ci, theMovie, onlyThisTrack, startTime, duration,
               canceled);
  return EXPORTER_CALL(kMovieExportDoUserDialogSelect, {
    if (canceled == nullptr) return paramErr;
    return qtml::DoUserDialog(e, canceled);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportGetCreatorType(MovieExportComponent ci, OSType* creator) try {
  ApiCall call("MovieExportGetCreatorType", ci, creator);
  return EXPORTER_CALL(kMovieExportGetCreatorTypeSelect, {
    if (creator == nullptr) return paramErr;
    (void)e;
    *creator = 'TVOD';
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportValidate(MovieExportComponent ci, Movie theMovie,
                                             Track onlyThisTrack, Boolean* valid) try {
  ApiCall call("MovieExportValidate", ci, theMovie, onlyThisTrack, valid);
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return<ComponentResult>(err);
  return EXPORTER_CALL(kMovieExportValidateSelect, {
    if (valid == nullptr) return paramErr;
    *valid = false;
    return qtml::Validate(e, theMovie, onlyThisTrack, valid);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportGetSettingsAsAtomContainer(MovieExportComponent ci,
                                                               QTAtomContainer* settings) try {
  ApiCall call("MovieExportGetSettingsAsAtomContainer", ci, settings);
  return EXPORTER_CALL(kMovieExportGetSettingsAsAtomContainerSelect, {
    if (settings == nullptr) return paramErr;
    *settings = nullptr;
    return qtml::SettingsContainer(e, settings);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportSetSettingsFromAtomContainer(MovieExportComponent ci,
                                                                 QTAtomContainer settings) try {
  ApiCall call("MovieExportSetSettingsFromAtomContainer", ci, settings);
  return EXPORTER_CALL(kMovieExportSetSettingsFromAtomContainerSelect, {
    if (settings == nullptr) return paramErr;
    return qtml::ApplySettings(e, settings);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportGetFileNameExtension(MovieExportComponent ci,
                                                         OSType* extension) try {
  ApiCall call("MovieExportGetFileNameExtension", ci, extension);
  return EXPORTER_CALL(kMovieExportGetFileNameExtensionSelect, {
    if (extension == nullptr) return paramErr;
    *extension = e.kind->extension;
    if (e.kind->subType == 'grex') {
      ComponentInstance images = nullptr;
      if (OpenADefaultComponent(GraphicsExporterComponentType, e.video.codec, &images) == noErr) {
        GraphicsExportGetDefaultFileNameExtension(images, extension);
        CloseComponent(images);
      }
    }
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportGetShortFileTypeString(MovieExportComponent ci,
                                                           Str255 typeString) try {
  ApiCall call("MovieExportGetShortFileTypeString", ci, typeString);
  return EXPORTER_CALL(kMovieExportGetShortFileTypeStringSelect, {
    if (typeString == nullptr) return paramErr;
    std::string name = e.kind->name;
    typeString[0] = static_cast<unsigned char>(name.size());
    std::memcpy(typeString + 1, name.data(), name.size());
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MovieExportGetSourceMediaType(MovieExportComponent ci,
                                                       OSType* mediaType) try {
  ApiCall call("MovieExportGetSourceMediaType", ci, mediaType);
  return EXPORTER_CALL(kMovieExportGetSourceMediaTypeSelect, {
    if (mediaType == nullptr) return paramErr;
    *mediaType = !e.kind->video ? SoundMediaType : !e.kind->sound ? VideoMediaType : 0;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
