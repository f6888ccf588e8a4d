// Image and sound codecs: the table of compression types, the components
// FFmpeg backs, and the Image Compression Manager's codec information
// calls.
#include "components/codecs.h"

#include <cstddef>
#include <cstring>
#include <string_view>

#include "Sound.h"
#include "base/api_call.h"
#include "memory/memory.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace qtml {
namespace {

// Every decompressor draws through the engine's matrix copy, so it can
// scale, mask, rotate and flip onto ports of the engine's depths.
constexpr SInt32 kDrawsAnyWay = codecInfoDoes1 | codecInfoDoes8 | codecInfoDoes16 |
                                codecInfoDoes32 | codecInfoDoesStretch | codecInfoDoesShrink |
                                codecInfoDoesMask | codecInfoDoesRotate | codecInfoDoesHorizFlip |
                                codecInfoDoesVertFlip;
// Every compressor reads source pixels of the engine's depths.
constexpr SInt32 kReadsAnyDepth =
    codecInfoDoes1 | codecInfoDoes8 | codecInfoDoes16 | codecInfoDoes32;
constexpr SInt32 kTemporal = codecInfoDoesTemporal;
constexpr SInt32 kRated = codecInfoDoesTemporal | codecInfoDoesRateConstrain;

// Speeds are rough milliseconds for a 320 by 240 frame; accuracy and level
// say how faithful and how small the codec's output is.
constexpr CodecSpec kImageCodecs[] = {
    {kRawCodecType, "None", AV_CODEC_ID_RAWVIDEO, kDrawsAnyWay, kReadsAnyDepth,
     codecInfoDepth1 | codecInfoDepth8 | codecInfoDepth16 | codecInfoDepth24 | codecInfoDepth32 |
         codecInfoDoesLossless,
     255, 255, 1, 1, 0, 1, 1},
    {kJPEGCodecType, "Photo - JPEG", AV_CODEC_ID_MJPEG, kDrawsAnyWay, kReadsAnyDepth,
     codecInfoDepth24 | codecInfoDepth40, 200, 200, 20, 15, 200, 1, 1},
    {kPNGCodecType, "PNG", AV_CODEC_ID_PNG, kDrawsAnyWay, kReadsAnyDepth,
     codecInfoDepth8 | codecInfoDepth24 | codecInfoDepth32 | codecInfoDepth40 |
         codecInfoDoesLossless,
     255, 255, 60, 20, 128, 1, 1},
    {kAnimationCodecType, "Animation", AV_CODEC_ID_QTRLE, kDrawsAnyWay | kTemporal,
     kReadsAnyDepth | kTemporal,
     codecInfoDepth1 | codecInfoDepth8 | codecInfoDepth16 | codecInfoDepth24 | codecInfoDepth32 |
         codecInfoDoesLossless,
     255, 255, 15, 5, 64, 1, 1},
    {kCinepakCodecType, "Cinepak", AV_CODEC_ID_CINEPAK, kDrawsAnyWay | kTemporal,
     kReadsAnyDepth | kTemporal, codecInfoDepth24 | codecInfoDepth40, 128, 128, 200, 5, 160, 4, 4},
    {kGraphicsCodecType, "Graphics", AV_CODEC_ID_SMC, kDrawsAnyWay, kReadsAnyDepth, codecInfoDepth8,
     160, 160, 80, 5, 128, 4, 4},
    {kVideoCodecType, "Video", AV_CODEC_ID_RPZA, kDrawsAnyWay | kTemporal,
     kReadsAnyDepth | kTemporal, codecInfoDepth16, 128, 128, 30, 5, 128, 4, 4},
    {kSorensonCodecType, "Sorenson Video", AV_CODEC_ID_SVQ1, kDrawsAnyWay | kTemporal,
     kReadsAnyDepth | kTemporal, codecInfoDepth24, 160, 160, 120, 10, 200, 4, 4},
    {kMPEG4VisualCodecType, "MPEG-4 Video", AV_CODEC_ID_MPEG4, kDrawsAnyWay | kTemporal,
     kReadsAnyDepth | kRated, codecInfoDepth24, 192, 192, 40, 10, 220, 2, 2},
    // The H.263 encoder takes only the standard picture sizes, the
    // smallest being 128 by 96.
    {kH263CodecType, "H.263", AV_CODEC_ID_H263, kDrawsAnyWay | kTemporal, kReadsAnyDepth | kRated,
     codecInfoDepth24, 160, 160, 30, 10, 210, 96, 128},
    {kH264CodecType, "H.264", AV_CODEC_ID_H264, kDrawsAnyWay | kTemporal, kReadsAnyDepth | kRated,
     codecInfoDepth24, 224, 224, 80, 15, 240, 2, 2},
};

struct SoundCodecSpec {
  OSType format;
  const char* name;
  int ffmpegId;
};

constexpr SoundCodecSpec kSoundCodecs[] = {
    {kRawSoundFormat, "None", AV_CODEC_ID_PCM_U8},
    {kTwosComplement, "16-bit Big Endian", AV_CODEC_ID_PCM_S16BE},
    {kLittleEndianFormat, "16-bit Little Endian", AV_CODEC_ID_PCM_S16LE},
    {k24BitFormat, "24-bit Integer", AV_CODEC_ID_PCM_S24BE},
    {kFloat32Format, "32-bit Floating Point", AV_CODEC_ID_PCM_F32BE},
    {kULawCompression, "uLaw 2:1", AV_CODEC_ID_PCM_MULAW},
    {kALawCompression, "ALaw 2:1", AV_CODEC_ID_PCM_ALAW},
    {kIMACompression, "IMA 4:1", AV_CODEC_ID_ADPCM_IMA_QT},
    {kMACE3Compression, "MACE 3:1", AV_CODEC_ID_MACE3},
    {kMACE6Compression, "MACE 6:1", AV_CODEC_ID_MACE6},
};

constexpr long kCodecComponentVersion = 0x00070000;

// Wrappers of hardware codecs register without a capability flag in some
// FFmpeg builds; their names give them away.
bool IsHardwareWrapper(const AVCodec* codec) {
  if ((codec->capabilities & (AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_HYBRID)) != 0) return true;
  std::string_view name = codec->name;
  for (std::string_view suffix : {"_v4l2m2m", "_omx", "_vaapi", "_nvenc", "_qsv", "_cuvid", "_amf",
                                  "_mf", "_videotoolbox", "_mediacodec", "_mmal", "_rkmpp"}) {
    if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
      return true;
    }
  }
  return false;
}

// FFmpeg's first software codec of that id in that direction, or nullptr;
// the experimental ones do not count.
const AVCodec* SoftwareCodec(int ffmpegId, bool encoder) noexcept {
  void* cursor = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&cursor)) {
    if (codec->id != static_cast<AVCodecID>(ffmpegId)) continue;
    if ((encoder ? av_codec_is_encoder(codec) : av_codec_is_decoder(codec)) == 0) continue;
    if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) != 0) continue;
    if (!IsHardwareWrapper(codec)) return codec;
  }
  return nullptr;
}

bool HasSoftwareCodec(int ffmpegId, bool encoder) noexcept {
  return SoftwareCodec(ffmpegId, encoder) != nullptr;
}

ComponentEntry CodecEntry(OSType componentType, OSType subType, const char* name, const char* info,
                          UInt32 flags) {
  return ComponentEntry{componentType,          subType, 'appl', flags, name, info,
                        kCodecComponentVersion, nullptr};
}

// The first component of the type and subtype, or nullptr.
Component FirstComponent(OSType type, OSType subType) noexcept {
  ComponentDescription looking{type, subType, 0, 0, 0};
  return NextMatching(nullptr, &looking);
}

// Whether `codec` is an image compressor or decompressor for `type`.
bool IsCodecFor(Component codec, CodecType type) noexcept {
  ComponentRecord* record = ComponentOrInstance(codec);
  if (record == nullptr) return false;
  OSType kind = record->entry.type;
  return (kind == compressorComponentType || kind == decompressorComponentType) &&
         record->entry.subType == type;
}

void SetPStringField(unsigned char* field, size_t capacity, const char* text) {
  size_t length = std::strlen(text);
  if (length > capacity - 1) length = capacity - 1;
  field[0] = static_cast<unsigned char>(length);
  std::memcpy(field + 1, text, length);
}

OSErr FillCodecInfo(CodecInfo* info, CodecType type, CodecComponent codec) {
  if (info == nullptr) return paramErr;
  if (codec != anyCodec && !IsCodecFor(codec, type)) return paramErr;
  const CodecSpec* spec = FindCodecSpec(type);
  bool decompresses = FirstComponent(decompressorComponentType, type) != nullptr;
  bool compresses = FirstComponent(compressorComponentType, type) != nullptr;
  if (spec == nullptr || (!decompresses && !compresses)) return noCodecErr;
  *info = CodecInfo{};
  SetPStringField(info->typeName, sizeof(info->typeName), spec->name);
  info->version = 1;
  info->revisionLevel = 1;
  info->vendor = static_cast<SInt32>('appl');
  info->decompressFlags = decompresses ? spec->decompressFlags : 0;
  info->compressFlags = compresses ? spec->compressFlags : 0;
  info->formatFlags = spec->formatFlags;
  info->compressionAccuracy = compresses ? spec->compressionAccuracy : 0;
  info->decompressionAccuracy = decompresses ? spec->decompressionAccuracy : 0;
  info->compressionSpeed = compresses ? spec->compressionSpeed : 0;
  info->decompressionSpeed = decompresses ? spec->decompressionSpeed : 0;
  info->compressionLevel = compresses ? spec->compressionLevel : 0;
  info->minimumHeight = spec->minimumHeight;
  info->minimumWidth = spec->minimumWidth;
  return noErr;
}

// The installed compressors in table order; with `byType`, the first of
// each type only.
std::vector<Component> ListedCompressors(bool byType) {
  std::vector<Component> found;
  ComponentDescription looking{compressorComponentType, 0, 0, 0, 0};
  for (Component c = NextMatching(nullptr, &looking); c != nullptr; c = NextMatching(c, &looking)) {
    OSType type = ComponentOrInstance(c)->entry.subType;
    bool seen = false;
    for (Component earlier : found)
      seen = seen || ComponentOrInstance(earlier)->entry.subType == type;
    if (!byType || !seen) found.push_back(c);
  }
  return found;
}

Handle NewPStringHandle(const std::string& text, OSErr* err) {
  unsigned char bytes[256];
  SetPStringField(bytes, sizeof(bytes), text.c_str());
  Handle h = NewHandleBytes(bytes[0] + 1, false, err);
  if (h != nullptr) std::memcpy(*h, bytes, bytes[0] + 1u);
  return h;
}

void FreeNameList(CodecNameSpecListPtr list) noexcept {
  if (list == nullptr) return;
  for (short i = 0; i < list->count; ++i) FreeHandle(list->list[i].name);
  FreeBytes(list);
}

OSErr MakeNameList(CodecNameSpecListPtr* result, bool showAll) {
  *result = nullptr;
  std::vector<Component> compressors = ListedCompressors(!showAll);
  size_t entries = compressors.empty() ? 1 : compressors.size();
  size_t bytes = offsetof(CodecNameSpecList, list) + entries * sizeof(CodecNameSpec);
  auto* list = static_cast<CodecNameSpecListPtr>(AllocateZeroedBytes(bytes));
  if (list == nullptr) return memFullErr;
  for (Component c : compressors) {
    const ComponentRecord* record = ComponentOrInstance(c);
    CodecNameSpec& entry = list->list[list->count];
    OSErr err = noErr;
    entry.name = NewPStringHandle(record->name, &err);
    if (entry.name == nullptr) {
      FreeNameList(list);
      return err != noErr ? err : memFullErr;
    }
    entry.codec = showAll ? c : nullptr;
    entry.cType = record->entry.subType;
    const CodecSpec* spec = FindCodecSpec(entry.cType);
    SetPStringField(entry.typeName, sizeof(entry.typeName),
                    spec != nullptr ? spec->name : record->name.c_str());
    ++list->count;
  }
  *result = list;
  return noErr;
}

// A compressor or decompressor for the type: the one asked for when it is
// one, otherwise the table's first.
Component ChooseCodec(OSType kind, CodecType type, CodecComponent specCodec) {
  ComponentRecord* asked = FindComponentRecord(specCodec);
  if (asked != nullptr && asked->entry.type == kind && asked->entry.subType == type) {
    return specCodec;
  }
  return FirstComponent(kind, type);
}

OSErr FindCodecs(CodecType type, CodecComponent specCodec, CompressorComponent* compressor,
                 DecompressorComponent* decompressor) {
  Component found[2] = {ChooseCodec(compressorComponentType, type, specCodec),
                        ChooseCodec(decompressorComponentType, type, specCodec)};
  if (compressor != nullptr) *compressor = found[0];
  if (decompressor != nullptr) *decompressor = found[1];
  return found[0] == nullptr && found[1] == nullptr ? noCodecErr : noErr;
}

}  // namespace

const CodecSpec* FindCodecSpec(CodecType type) noexcept {
  for (const CodecSpec& spec : kImageCodecs) {
    if (spec.type == type) return &spec;
  }
  return nullptr;
}

bool FFmpegDecodes(int ffmpegId) noexcept {
  return HasSoftwareCodec(ffmpegId, false);
}

bool FFmpegEncodes(int ffmpegId) noexcept {
  return HasSoftwareCodec(ffmpegId, true);
}

const AVCodec* SoftwareEncoder(int ffmpegId) noexcept {
  return SoftwareCodec(ffmpegId, true);
}

void AppendCodecComponents(std::vector<ComponentEntry>* entries) {
  for (const CodecSpec& spec : kImageCodecs) {
    if (!FFmpegDecodes(spec.ffmpegId)) continue;
    entries->push_back(CodecEntry(decompressorComponentType, spec.type, spec.name,
                                  "Decompresses images",
                                  static_cast<UInt32>(spec.decompressFlags)));
  }
  for (const CodecSpec& spec : kImageCodecs) {
    if (!FFmpegEncodes(spec.ffmpegId)) continue;
    entries->push_back(CodecEntry(compressorComponentType, spec.type, spec.name,
                                  "Compresses images", static_cast<UInt32>(spec.compressFlags)));
  }
  for (const SoundCodecSpec& spec : kSoundCodecs) {
    if (!FFmpegDecodes(spec.ffmpegId)) continue;
    entries->push_back(
        CodecEntry(kSoundDecompressor, spec.format, spec.name, "Decompresses sound", 0));
  }
  for (const SoundCodecSpec& spec : kSoundCodecs) {
    if (!FFmpegEncodes(spec.ffmpegId)) continue;
    entries->push_back(CodecEntry(kSoundCompressor, spec.format, spec.name, "Compresses sound", 0));
  }
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

extern "C" {

OSErr GetCodecInfo(CodecInfo* info, CodecType cType, CodecComponent codec) try {
  ApiCall call("GetCodecInfo", info, FourCC{cType}, codec);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::FillCodecInfo(info, cType, codec); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetCodecNameList(CodecNameSpecListPtr* list, short showAll) try {
  ApiCall call("GetCodecNameList", list, showAll);
  if (list != nullptr) *list = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (list == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::MakeNameList(list, showAll != 0); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr DisposeCodecNameList(CodecNameSpecListPtr list) try {
  ApiCall call("DisposeCodecNameList", list);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::FreeNameList(list);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FindCodec(CodecType cType, CodecComponent specCodec, CompressorComponent* compressor,
                DecompressorComponent* decompressor) try {
  ApiCall call("FindCodec", FourCC{cType}, specCodec, compressor, decompressor);
  if (compressor != nullptr) *compressor = nullptr;
  if (decompressor != nullptr) *decompressor = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::FindCodecs(cType, specCodec, compressor, decompressor); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
