// Import and export formats: the table of formats with how each is
// recognised, the components this build backs for them, and the calls
// that find an importer for a file or data reference.
#include "components/importers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

#include "ImageCompression.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "components/codecs.h"
#include "components/exporters.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "memory/memory.h"
#include "movies/movie_toolbox.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace qtml {
namespace {

using Bytes = std::vector<uint8_t>;

bool Starts(const Bytes& b, size_t at, std::string_view text) {
  return b.size() >= at + text.size() && std::memcmp(b.data() + at, text.data(), text.size()) == 0;
}

bool IsPNG(const Bytes& b) {
  return Starts(b, 0, "\x89PNG\r\n\x1a\n");
}
bool IsJPEG(const Bytes& b) {
  return Starts(b, 0, "\xFF\xD8\xFF");
}
bool IsBMP(const Bytes& b) {
  return b.size() >= 26 && Starts(b, 0, "BM");
}
bool IsGIF(const Bytes& b) {
  return Starts(b, 0, "GIF87a") || Starts(b, 0, "GIF89a");
}
bool IsTIFF(const Bytes& b) {
  return Starts(b, 0, std::string_view("II*\0", 4)) || Starts(b, 0, std::string_view("MM\0*", 4));
}
// A PICT file: 512 bytes of header, the picture's size and frame, then the
// version opcode of a version 2 or version 1 picture.
bool IsPICT(const Bytes& b) {
  return Starts(b, 522, std::string_view("\x00\x11\x02\xFF", 4)) || Starts(b, 522, "\x11\x01");
}

// The major brand of an 'ftyp' atom at the start, or empty.
std::string_view FileBrand(const Bytes& b) {
  if (!Starts(b, 4, "ftyp") || b.size() < 12) return {};
  return std::string_view(reinterpret_cast<const char*>(b.data()) + 8, 4);
}

bool IsQuickTimeMovie(const Bytes& b) {
  if (FileBrand(b) == "qt  ") return true;
  for (std::string_view type : {"moov", "mdat", "free", "skip", "wide", "pnot"}) {
    if (Starts(b, 4, type)) return true;
  }
  return false;
}
bool IsMPEG4(const Bytes& b) {
  std::string_view brand = FileBrand(b);
  return !brand.empty() && brand != "qt  ";
}
bool IsAIFF(const Bytes& b) {
  return Starts(b, 0, "FORM") && (Starts(b, 8, "AIFF") || Starts(b, 8, "AIFC"));
}
bool IsWAVE(const Bytes& b) {
  return Starts(b, 0, "RIFF") && Starts(b, 8, "WAVE");
}
// An MPEG audio frame header of layer II or III (layer I is left out: its
// sync word is also a UTF-16 byte order mark), with a valid bit rate and
// sample rate.
bool IsMPEGAudioFrame(const Bytes& b) {
  if (b.size() < 4 || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  int version = (b[1] >> 3) & 3;
  int layer = (b[1] >> 1) & 3;
  int bitRate = b[2] >> 4;
  int sampleRate = (b[2] >> 2) & 3;
  return version != 1 && (layer == 1 || layer == 2) && bitRate != 15 && sampleRate != 3;
}

// MPEG-1 program and video streams, and MPEG audio (with or without an
// ID3 tag in front).
bool IsMPEG(const Bytes& b) {
  if (Starts(b, 0, std::string_view("\0\0\x01\xBA", 4))) return true;
  if (Starts(b, 0, std::string_view("\0\0\x01\xB3", 4))) return true;
  return Starts(b, 0, "ID3") || IsMPEGAudioFrame(b);
}

constexpr int kEngineOwnCodec = -1;  // the engine reads and writes it itself
constexpr int kNoGraphics = 0;       // not an image format

constexpr UInt32 kMovieImportFlags = canMovieImportFiles | canMovieImportInPlace |
                                     canMovieImportDataReferences | canMovieImportValidateFile |
                                     canMovieImportValidateDataReferences;
constexpr UInt32 kStillImportFlags =
    canMovieImportFiles | canMovieImportInPlace | canMovieImportDataReferences;

struct FileFormat {
  OSType fileType;
  const char* name;
  std::string_view extensions[4];
  OSType otherTypes[2];  // further file types of the format
  bool (*matches)(const Bytes& head);
  int graphicsCodec;  // AVCodecID of its graphics importer and exporter
  bool stillImage;
};

// Image formats first: their signatures are the most specific.
constexpr FileFormat kFormats[] = {
    {'PNGf', "PNG", {"png"}, {'PNG '}, IsPNG, AV_CODEC_ID_PNG, true},
    {'JPEG', "JPEG", {"jpg", "jpeg", "jpe"}, {'JPG '}, IsJPEG, AV_CODEC_ID_MJPEG, true},
    {'BMPf', "BMP", {"bmp"}, {'BMP '}, IsBMP, AV_CODEC_ID_BMP, true},
    {'GIFf', "GIF", {"gif"}, {'GIF '}, IsGIF, AV_CODEC_ID_GIF, true},
    {'TIFF', "TIFF", {"tif", "tiff"}, {}, IsTIFF, AV_CODEC_ID_TIFF, true},
    {'PICT', "PICT", {"pct", "pict", "pic"}, {}, IsPICT, kEngineOwnCodec, true},
    {'MooV', "QuickTime Movie", {"mov", "qt"}, {}, IsQuickTimeMovie, kNoGraphics, false},
    {'mpg4', "MPEG-4", {"mp4", "m4v", "m4a"}, {'M4V ', 'M4A '}, IsMPEG4, kNoGraphics, false},
    {'AIFF', "AIFF", {"aif", "aiff", "aifc"}, {'AIFC'}, IsAIFF, kNoGraphics, false},
    {'WAVE', "WAVE", {"wav"}, {'WAV '}, IsWAVE, kNoGraphics, false},
    {'MPEG', "MPEG", {"mpg", "mpeg", "mp3", "m1v"}, {'MPG ', 'Mp3 '}, IsMPEG, kNoGraphics, false},
};

bool HasGraphicsCodec(const FileFormat& format, bool encoder) {
  if (format.graphicsCodec == kNoGraphics) return false;
  if (format.graphicsCodec == kEngineOwnCodec) return true;
  return encoder ? FFmpegEncodes(format.graphicsCodec) : FFmpegDecodes(format.graphicsCodec);
}

// Whether FFmpeg can play what files of a movie format hold.
bool CanImportMovieFormat(OSType type) {
  switch (type) {
    case 'MooV':
      return true;
    case 'mpg4':
      return FFmpegDecodes(AV_CODEC_ID_H264) || FFmpegDecodes(AV_CODEC_ID_MPEG4) ||
             FFmpegDecodes(AV_CODEC_ID_AAC);
    case 'AIFF':
      return FFmpegDecodes(AV_CODEC_ID_PCM_S16BE);
    case 'WAVE':
      return FFmpegDecodes(AV_CODEC_ID_PCM_S16LE);
    case 'MPEG':
      return FFmpegDecodes(AV_CODEC_ID_MPEG1VIDEO) || FFmpegDecodes(AV_CODEC_ID_MP3);
  }
  return false;
}

constexpr long kFormatComponentVersion = 0x00070000;

ComponentEntry FormatEntry(OSType type, OSType subType, UInt32 flags, const char* name,
                           const char* info, ImplementationFactory create = nullptr) {
  return ComponentEntry{type, subType, 'appl', flags, name, info, kFormatComponentVersion, create};
}

ComponentImplementation* NewGraphicsImporter() {
  return NewObject<GraphicsImporterImplementation>();
}

const FileFormat* FormatOfType(OSType type) {
  for (const FileFormat& format : kFormats) {
    if (format.fileType == type) return &format;
    for (OSType other : format.otherTypes) {
      if (other != 0 && other == type) return &format;
    }
  }
  return nullptr;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const FileFormat* FormatOfExtension(const std::string& extension) {
  std::string wanted = Lowered(extension);
  for (const FileFormat& format : kFormats) {
    for (std::string_view known : format.extensions) {
      if (!known.empty() && known == wanted) return &format;
    }
  }
  return nullptr;
}

const FileFormat* FormatOfHead(const Bytes& head) {
  for (const FileFormat& format : kFormats) {
    if (format.matches(head)) return &format;
  }
  return nullptr;
}

// The name extension of a path or URL, without the dot.
std::string ExtensionOf(const std::string& name) {
  std::string path = name.substr(0, name.find_first_of("?#"));
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

// A name extension given as a four-character code, 'PNG ' for ".png".
std::string ExtensionOfCode(OSType code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((code >> shift) & 0xFF);
    if (c != ' ' && c != '\0') text += c;
  }
  return text;
}

Bytes ReadHead(DataStore& store) {
  SInt64 size = std::min<SInt64>(store.Size(), static_cast<SInt64>(kFileHeadBytes));
  Bytes head(static_cast<size_t>(std::max<SInt64>(size, 0)));
  if (!head.empty() && !store.Read(0, head.data(), size)) head.clear();
  return head;
}

// What a file tells about its format: its stored type, its extension and,
// when asked, its first bytes. The file need not exist.
FileFacts FactsOfPath(const std::string& path, bool readData) {
  FileFacts facts;
  FInfo info{};
  if (ReadFinderInfo(path, &info) == noErr) facts.fileType = info.fdType;
  facts.extension = ExtensionOf(path);
  if (!readData) return facts;
  OSErr err = noErr;
  std::shared_ptr<DataStore> store = OpenFileStore(path, false, &err);
  if (store != nullptr) facts.head = ReadHead(*store);
  return facts;
}

// What a data reference tells: the name of the file or URL it names and
// the first bytes of what it names.
OSErr FactsOfDataRef(OSType type, Handle dataRef, FileFacts* facts) {
  if (CheckHandle(dataRef) != noErr) return paramErr;
  const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
  size_t size = static_cast<size_t>(HandleSize(dataRef));
  std::string name;
  if (type == 'alis' && AliasRecordPath(bytes, size, &name)) {
    FInfo info{};
    if (ReadFinderInfo(name, &info) == noErr) facts->fileType = info.fdType;
  } else if (type == 'url ') {
    name.assign(reinterpret_cast<const char*>(bytes),
                strnlen(reinterpret_cast<const char*>(bytes), size));
  }
  facts->extension = ExtensionOf(name);
  OSErr err = noErr;
  std::shared_ptr<DataStore> store = OpenDataRefStore(type, bytes, size, false, &err);
  if (store != nullptr) facts->head = ReadHead(*store);
  return noErr;
}

Component FirstOf(OSType type, OSType subType) {
  ComponentDescription looking{type, subType, 0, 0, 0};
  return NextMatching(nullptr, &looking);
}

OSErr FindMovieImporter(OSType dataRefType, Handle dataRef, long flags, Component* importer) {
  FileFacts facts;
  OSErr err = FactsOfDataRef(dataRefType, dataRef, &facts);
  if (err != noErr) return err;
  OSType format = IdentifyFormat(facts);
  if (format == 0) return cantFindHandler;
  if ((flags & kGetMovieImporterDontConsiderGraphicsImporters) && IsStillImageFormat(format)) {
    return cantFindHandler;
  }
  *importer = FirstOf(MovieImportType, format);
  return *importer != nullptr ? noErr : cantFindHandler;
}

OSErr OpenGraphicsImporter(const FSSpec* spec, ComponentInstance* gi) {
  std::string path;
  OSErr err = SpecToPath(spec, &path);
  if (err != noErr) return err;
  FileFacts facts = FactsOfPath(path, true);
  if (facts.head.empty()) {
    OSErr missing = noErr;
    if (OpenFileStore(path, false, &missing) == nullptr) return missing;
  }
  OSType format = IdentifyFormat(facts);
  Component importer = format != 0 ? FirstOf(GraphicsImporterComponentType, format) : nullptr;
  ComponentRecord* record = FindComponentRecord(importer);
  if (record == nullptr) return cantFindHandler;
  err = OpenInstance(record, gi);
  if (err != noErr) return err;
  auto* work = dynamic_cast<GraphicsImporterImplementation*>(ImplementationOf(*gi));
  if (work != nullptr) {
    work->path = std::move(path);  // a move: nothing can fail once the instance is open
    work->format = format;
  }
  return noErr;
}

struct OpenAnswers {
  bool graphics = false;
  bool movie = false;
  bool preferGraphics = false;
};

OSErr AnswerCanOpen(const FSSpec* spec, OSType fileType, OSType extension, UInt32 flags,
                    OpenAnswers* answers) {
  if (spec == nullptr && fileType == 0 && extension == 0) return paramErr;
  FileFacts facts;
  if (spec != nullptr) {
    std::string path;
    OSErr err = SpecToPath(spec, &path);
    if (err != noErr) return err;
    facts = FactsOfPath(path, (flags & kQTDontUseDataToFindImporter) == 0);
  }
  if (fileType != 0) facts.fileType = fileType;
  if (extension != 0) facts.extension = ExtensionOfCode(extension);
  OSType format = IdentifyFormat(facts);
  if (format == 0) return noErr;
  answers->graphics = FirstOf(GraphicsImporterComponentType, format) != nullptr;
  answers->preferGraphics = answers->graphics;
  if (answers->graphics && (flags & kQTDontLookForMovieImporterIfGraphicsImporterFound)) {
    return noErr;
  }
  bool stillAllowed = !IsStillImageFormat(format) || (flags & kQTAllowOpeningStillImagesAsMovies);
  answers->movie = stillAllowed && FirstOf(MovieImportType, format) != nullptr;
  return noErr;
}

void Put(Boolean* out, bool value) {
  if (out != nullptr) *out = value;
}

}  // namespace

OSType IdentifyFormat(const FileFacts& facts) {
  const FileFormat* format = FormatOfHead(facts.head);
  if (format == nullptr && facts.fileType != 0) format = FormatOfType(facts.fileType);
  if (format == nullptr && !facts.extension.empty()) format = FormatOfExtension(facts.extension);
  return format != nullptr ? format->fileType : 0;
}

int ImageCodecOfFormat(OSType type) {
  const FileFormat* format = FormatOfType(type);
  return format != nullptr && format->graphicsCodec > 0 ? format->graphicsCodec : 0;
}

bool IsStillImageFormat(OSType type) {
  const FileFormat* format = FormatOfType(type);
  return format != nullptr && format->stillImage;
}

void AppendFormatComponents(std::vector<ComponentEntry>* entries) {
  for (const FileFormat& f : kFormats) {
    if (!HasGraphicsCodec(f, false)) continue;
    entries->push_back(FormatEntry(GraphicsImporterComponentType, f.fileType, 0, f.name,
                                   "Reads images", NewGraphicsImporter));
  }
  AppendGraphicsExporters(entries);
  for (const FileFormat& f : kFormats) {
    bool importable = f.stillImage ? HasGraphicsCodec(f, false) : CanImportMovieFormat(f.fileType);
    if (!importable) continue;
    UInt32 flags = f.stillImage ? kStillImportFlags : kMovieImportFlags;
    entries->push_back(
        FormatEntry(MovieImportType, f.fileType, flags, f.name, "Opens files as movies"));
  }
  AppendMovieExporters(entries);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

extern "C" {

OSErr GetMovieImporterForDataRef(OSType dataRefType, Handle dataRef, long flags,
                                 Component* importer) try {
  ApiCall call("GetMovieImporterForDataRef", FourCC{dataRefType}, dataRef, flags, importer);
  if (importer != nullptr) *importer = nullptr;
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return(err);
  OSErr err = call.Fault();
  if (err == noErr && (dataRef == nullptr || importer == nullptr)) err = paramErr;
  if (err == noErr) {
    err = Guarded<OSErr>(
        memFullErr, [&] { return qtml::FindMovieImporter(dataRefType, dataRef, flags, importer); });
  }
  qtml::SetMoviesError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetGraphicsImporterForFile(const FSSpec* theFile, ComponentInstance* gi) try {
  ApiCall call("GetGraphicsImporterForFile", theFile, gi);
  if (gi != nullptr) *gi = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (theFile == nullptr || gi == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::OpenGraphicsImporter(theFile, gi); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CanQuickTimeOpenFile(FSSpecPtr fileSpec, OSType fileType, OSType fileNameExtension,
                           Boolean* outCanOpenWithGraphicsImporter, Boolean* outCanOpenAsMovie,
                           Boolean* outPreferGraphicsImporter, UInt32 inFlags) try {
  ApiCall call("CanQuickTimeOpenFile", fileSpec, FourCC{fileType}, FourCC{fileNameExtension},
               outCanOpenWithGraphicsImporter, outCanOpenAsMovie, outPreferGraphicsImporter,
               inFlags);
  qtml::OpenAnswers answers;
  OSErr err = qtml::RequireMovieToolbox();
  if (err == noErr) err = call.Fault();
  if (err == noErr) {
    err = Guarded<OSErr>(memFullErr, [&] {
      return qtml::AnswerCanOpen(fileSpec, fileType, fileNameExtension, inFlags, &answers);
    });
  }
  if (err != noErr) answers = qtml::OpenAnswers{};
  qtml::Put(outCanOpenWithGraphicsImporter, answers.graphics);
  qtml::Put(outCanOpenAsMovie, answers.movie);
  qtml::Put(outPreferGraphicsImporter, answers.preferGraphics);
  qtml::SetMoviesError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
