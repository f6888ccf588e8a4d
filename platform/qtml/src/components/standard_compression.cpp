// The standard compression components' settings: their defaults and
// checks, the information types, the settings as atom containers and as
// text, the test image, and the dialog a scripted answer stands in for.
#include "components/standard_compression.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

#include "base/byte_order.h"
#include "base/dialog_answers.h"
#include "components/codecs.h"
#include "components/component_selectors.h"
#include "memory/memory.h"
#include "movies/atom_container.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

constexpr SInt16 kImageSelectors[] = {kSCPositionRectSelect,
                                      kSCSetTestImagePixMapSelect,
                                      kSCRequestImageSettingsSelect,
                                      kSCCompressImageSelect,
                                      kSCRequestSequenceSettingsSelect,
                                      kSCCompressSequenceBeginSelect,
                                      kSCCompressSequenceFrameSelect,
                                      kSCCompressSequenceEndSelect,
                                      kSCDefaultPixMapSettingsSelect,
                                      kSCGetInfoSelect,
                                      kSCSetInfoSelect,
                                      kSCGetSettingsAsTextSelect,
                                      kSCGetSettingsAsAtomContainerSelect,
                                      kSCSetSettingsFromAtomContainerSelect};
constexpr SInt16 kSoundSelectors[] = {kSCPositionRectSelect,
                                      kSCRequestImageSettingsSelect,
                                      kSCGetInfoSelect,
                                      kSCSetInfoSelect,
                                      kSCGetSettingsAsTextSelect,
                                      kSCGetSettingsAsAtomContainerSelect,
                                      kSCSetSettingsFromAtomContainerSelect};

constexpr size_t kSpatialBytes = 14;
constexpr size_t kTemporalBytes = 12;
constexpr size_t kDataRateBytes = 16;
constexpr long kMaxTestRowPixels = 0x3FFE / 4;

bool Compresses(CodecType type) {
  ComponentDescription looking{compressorComponentType, type, 0, 0, 0};
  return type != 0 && NextMatching(nullptr, &looking) != nullptr;
}

bool ValidDepth(short depth) {
  switch (depth) {
    case 0:
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 34:
    case 36:
    case 40:
      return true;
  }
  return false;
}

ComponentImplementation* NewImageStandardCompression() {
  return new (std::nothrow) StandardCompression(false);
}
ComponentImplementation* NewSoundStandardCompression() {
  return new (std::nothrow) StandardCompression(true);
}

// ------------------------------------------------------------ atom bytes

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  uint8_t bytes[4];
  WriteBE32(bytes, value);
  out->insert(out->end(), bytes, bytes + 4);
}
void Put16(std::vector<uint8_t>* out, uint16_t value) {
  uint8_t bytes[2];
  WriteBE16(bytes, value);
  out->insert(out->end(), bytes, bytes + 2);
}

std::vector<uint8_t> SpatialBytes(const SCSpatialSettings& s) {
  std::vector<uint8_t> out;
  Put32(&out, s.codecType);
  Put32(&out, 0);  // a component is not kept across processes
  Put16(&out, static_cast<uint16_t>(s.depth));
  Put32(&out, s.spatialQuality);
  return out;
}
std::vector<uint8_t> TemporalBytes(const SCTemporalSettings& t) {
  std::vector<uint8_t> out;
  Put32(&out, t.temporalQuality);
  Put32(&out, static_cast<uint32_t>(t.frameRate));
  Put32(&out, static_cast<uint32_t>(t.keyFrameRate));
  return out;
}
std::vector<uint8_t> DataRateBytes(const SCDataRateSettings& d) {
  std::vector<uint8_t> out;
  Put32(&out, static_cast<uint32_t>(d.dataRate));
  Put32(&out, static_cast<uint32_t>(d.frameDuration));
  Put32(&out, d.minSpatialQuality);
  Put32(&out, d.minTemporalQuality);
  return out;
}

OSErr AddLeaf(QTAtomContainer c, QTAtom parent, QTAtomType type, const std::vector<uint8_t>& b) {
  return atoms::InsertChild(c, parent, type, 1, 0, static_cast<long>(b.size()), b.data(), nullptr);
}

OSErr FillImageContainer(QTAtomContainer c, const ImageSettings& s) {
  OSErr err = AddLeaf(c, kParentAtomIsContainer, scSpatialSettingsType, SpatialBytes(s.spatial));
  if (err == noErr) {
    err = AddLeaf(c, kParentAtomIsContainer, scTemporalSettingsType, TemporalBytes(s.temporal));
  }
  if (err == noErr) {
    err = AddLeaf(c, kParentAtomIsContainer, scDataRateSettingsType, DataRateBytes(s.dataRate));
  }
  if (err != noErr || (s.width == 0 && s.height == 0)) return err;
  QTAtom size = 0;
  err =
      atoms::InsertChild(c, kParentAtomIsContainer, kQTSettingsVideoSize, 1, 0, 0, nullptr, &size);
  std::vector<uint8_t> width, height;
  Put32(&width, static_cast<uint32_t>(s.width));
  Put32(&height, static_cast<uint32_t>(s.height));
  if (err == noErr) err = AddLeaf(c, size, kQTSettingsImageWidth, width);
  if (err == noErr) {
    // The parent moved nowhere: children are appended after it.
    err = AddLeaf(c, size, kQTSettingsImageHeight, height);
  }
  return err;
}

OSErr FillSoundContainer(QTAtomContainer c, const SoundSettings& s) {
  QTAtom parent = 0;
  OSErr err = atoms::InsertChild(c, kParentAtomIsContainer, StandardCompressionSubTypeSound, 1, 0,
                                 0, nullptr, &parent);
  std::vector<uint8_t> format, rate, size, channels;
  Put32(&format, s.format);
  Put32(&rate, s.rate);
  Put16(&size, static_cast<uint16_t>(s.sampleSize));
  Put16(&channels, static_cast<uint16_t>(s.channels));
  if (err == noErr) err = AddLeaf(c, parent, scSoundCompressionType, format);
  if (err == noErr) err = AddLeaf(c, parent, scSoundSampleRateType, rate);
  if (err == noErr) err = AddLeaf(c, parent, scSoundSampleSizeType, size);
  if (err == noErr) err = AddLeaf(c, parent, scSoundChannelCountType, channels);
  return err;
}

// The data of the first child of that type: noErr with *data nullptr when
// there is none; paramErr when its size is not `size`.
OSErr Leaf(QTAtomContainer c, QTAtom parent, QTAtomType type, long size, const char** data) {
  *data = nullptr;
  QTAtom atom = 0;
  OSErr err = atoms::FindChildByIndex(c, parent, type, 1, &atom, nullptr);
  if (err == cannotFindAtomErr) return noErr;
  if (err != noErr) return err;
  long actual = 0;
  if ((err = atoms::GetData(c, atom, data, &actual)) != noErr) return err;
  if (actual != size) {
    *data = nullptr;
    return paramErr;
  }
  return noErr;
}

OSErr ReadImageContainer(QTAtomContainer c, ImageSettings* s) {
  const char* p = nullptr;
  if (OSErr err = Leaf(c, kParentAtomIsContainer, scSpatialSettingsType, kSpatialBytes, &p)) {
    return err;
  }
  if (p != nullptr) {
    s->spatial.codecType = ReadBE32(p);
    s->spatial.codec = anyCodec;
    s->spatial.depth = static_cast<short>(ReadBE16(p + 8));
    s->spatial.spatialQuality = ReadBE32(p + 10);
  }
  if (OSErr err = Leaf(c, kParentAtomIsContainer, scTemporalSettingsType, kTemporalBytes, &p)) {
    return err;
  }
  if (p != nullptr) {
    s->temporal.temporalQuality = ReadBE32(p);
    s->temporal.frameRate = static_cast<Fixed>(ReadBE32(p + 4));
    s->temporal.keyFrameRate = static_cast<SInt32>(ReadBE32(p + 8));
  }
  if (OSErr err = Leaf(c, kParentAtomIsContainer, scDataRateSettingsType, kDataRateBytes, &p)) {
    return err;
  }
  if (p != nullptr) {
    s->dataRate.dataRate = static_cast<SInt32>(ReadBE32(p));
    s->dataRate.frameDuration = static_cast<SInt32>(ReadBE32(p + 4));
    s->dataRate.minSpatialQuality = ReadBE32(p + 8);
    s->dataRate.minTemporalQuality = ReadBE32(p + 12);
  }
  QTAtom size = 0;
  if (atoms::FindChildByIndex(c, kParentAtomIsContainer, kQTSettingsVideoSize, 1, &size, nullptr) ==
      noErr) {
    if (OSErr err = Leaf(c, size, kQTSettingsImageWidth, 4, &p)) return err;
    if (p != nullptr) s->width = static_cast<Fixed>(ReadBE32(p));
    if (OSErr err = Leaf(c, size, kQTSettingsImageHeight, 4, &p)) return err;
    if (p != nullptr) s->height = static_cast<Fixed>(ReadBE32(p));
  }
  return noErr;
}

OSErr ReadSoundContainer(QTAtomContainer c, SoundSettings* s) {
  QTAtom parent = 0;
  OSErr err = atoms::FindChildByIndex(c, kParentAtomIsContainer, StandardCompressionSubTypeSound, 1,
                                      &parent, nullptr);
  if (err == cannotFindAtomErr) return noErr;
  if (err != noErr) return err;
  const char* p = nullptr;
  if ((err = Leaf(c, parent, scSoundCompressionType, 4, &p)) != noErr) return err;
  if (p != nullptr) s->format = ReadBE32(p);
  if ((err = Leaf(c, parent, scSoundSampleRateType, 4, &p)) != noErr) return err;
  if (p != nullptr) s->rate = ReadBE32(p);
  if ((err = Leaf(c, parent, scSoundSampleSizeType, 2, &p)) != noErr) return err;
  if (p != nullptr) s->sampleSize = static_cast<short>(ReadBE16(p));
  if ((err = Leaf(c, parent, scSoundChannelCountType, 2, &p)) != noErr) return err;
  if (p != nullptr) s->channels = static_cast<short>(ReadBE16(p));
  return noErr;
}

// ------------------------------------------------------------ text

std::string CodeText(OSType code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((code >> shift) & 0xFF);
    text += (c >= 0x20 && c <= 0x7E) ? c : '?';
  }
  return text;
}

std::string QualityText(CodecQ q) {
  const char* name = q >= codecLosslessQuality ? "Lossless"
                     : q >= codecMaxQuality    ? "Best"
                     : q >= codecHighQuality   ? "High"
                     : q >= codecNormalQuality ? "Normal"
                     : q >= codecLowQuality    ? "Low"
                                               : "Least";
  return std::string(name) + " (" + std::to_string(q) + ")";
}

std::string DepthText(short depth) {
  switch (depth) {
    case 0:
      return "Best Depth";
    case 1:
      return "Black and White";
    case 2:
      return "4 Colors";
    case 4:
      return "16 Colors";
    case 8:
      return "256 Colors";
    case 16:
      return "Thousands of Colors";
    case 24:
      return "Millions of Colors";
    case 32:
      return "Millions of Colors+";
    case 34:
      return "4 Grays";
    case 36:
      return "16 Grays";
    case 40:
      return "256 Grays";
  }
  return std::to_string(depth) + " bits";
}

std::string Decimal(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text = buffer;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string ImageText(const ImageSettings& s) {
  const CodecSpec* spec = FindCodecSpec(s.spatial.codecType);
  std::string text = "Compressor: ";
  text += spec != nullptr ? spec->name : CodeText(s.spatial.codecType);
  text += " ('" + CodeText(s.spatial.codecType) + "')\n";
  text += "Depth: " + DepthText(s.spatial.depth) + "\n";
  text += "Quality: " + QualityText(s.spatial.spatialQuality) + "\n";
  const SCTemporalSettings& t = s.temporal;
  text += "Frame rate: ";
  text += t.frameRate == 0
              ? "Best"
              : Decimal(static_cast<uint32_t>(t.frameRate) / 65536.0) + " frames per second";
  text += "\nKey frames: ";
  text += t.keyFrameRate <= 0 ? "Automatic" : "every " + std::to_string(t.keyFrameRate) + " frames";
  text += "\nTemporal quality: " + QualityText(t.temporalQuality) + "\n";
  text += "Data rate: ";
  text += s.dataRate.dataRate <= 0 ? "Unlimited"
                                   : std::to_string(s.dataRate.dataRate / 1024) + " KBytes/sec";
  text += "\n";
  if (s.width != 0 || s.height != 0) {
    text +=
        "Size: " + std::to_string(s.width >> 16) + " x " + std::to_string(s.height >> 16) + "\n";
  }
  return text;
}

std::string SoundText(const SoundSettings& s) {
  ComponentDescription looking{kSoundCompressor, s.format, 0, 0, 0};
  const ComponentRecord* record = FindComponentRecord(NextMatching(nullptr, &looking));
  std::string text = "Compressor: ";
  text += record != nullptr ? record->name : CodeText(s.format);
  text += " ('" + CodeText(s.format) + "')\n";
  text += "Rate: " + Decimal(s.rate / 65536.0 / 1000.0) + " kHz\n";
  text += "Size: " + std::to_string(s.sampleSize) + " bit\n";
  text += "Channels: ";
  text += s.channels == 1 ? "Mono" : s.channels == 2 ? "Stereo" : std::to_string(s.channels);
  text += "\n";
  return text;
}

// ------------------------------------------------------------ dialog answers

bool ParseLong(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  *value = v;
  return true;
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool ParseCode(const std::string& text, OSType* code) {
  if (text.empty() || text.size() > 4) return false;
  OSType c = 0;
  for (size_t i = 0; i < 4; ++i) {
    c = (c << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : ' ');
  }
  *code = c;
  return true;
}

bool ParseQuality(const std::string& text, CodecQ* q) {
  long v = 0;
  if (!ParseLong(text, &v) || v < 0 || v > codecLosslessQuality) return false;
  *q = static_cast<CodecQ>(v);
  return true;
}

// One word of an image dialog's answer.
bool ApplyImageWord(const std::string& name, const std::string& value, bool sequence,
                    long preferences, ImageSettings* s) {
  long number = 0;
  if (name == "codec") {
    s->spatial.codec = anyCodec;  // the type's own compressor
    return ParseCode(value, &s->spatial.codecType);
  }
  if (name == "depth") {
    if (!ParseLong(value, &number) || !ValidDepth(static_cast<short>(number))) return false;
    if (number == 0 && (preferences & scShowBestDepth) == 0) return false;
    s->spatial.depth = static_cast<short>(number);
    return true;
  }
  if (name == "quality") return ParseQuality(value, &s->spatial.spatialQuality);
  if (!sequence) return false;
  if (name == "temporal") return ParseQuality(value, &s->temporal.temporalQuality);
  if (name == "fps") {
    double fps = 0;
    if ((preferences & scDisableFrameRateItem) != 0) return false;
    if (!ParseDouble(value, &fps) || fps < 0 || fps >= 32768) return false;
    if (fps == 0 && (preferences & scAllowZeroFrameRate) == 0) return false;
    s->temporal.frameRate = static_cast<Fixed>(std::lround(fps * 65536));
    return true;
  }
  if (name == "keyframes") {
    if (!ParseLong(value, &number) || number < 0) return false;
    if (number == 0 && (preferences & scAllowZeroKeyFrameRate) == 0) return false;
    s->temporal.keyFrameRate = number;
    return true;
  }
  if (name == "datarate") {
    if (!ParseLong(value, &number) || number < 0) return false;
    s->dataRate.dataRate = number;
    return true;
  }
  return false;
}

bool ApplySoundWord(const std::string& name, const std::string& value, SoundSettings* s) {
  long number = 0;
  if (name == "format") return ParseCode(value, &s->format);
  if (name == "rate") {
    double rate = 0;
    if (!ParseDouble(value, &rate) || rate <= 0 || rate >= 65536) return false;
    s->rate = static_cast<UnsignedFixed>(std::lround(rate * 65536));
    return true;
  }
  if (name == "size" || name == "channels") {
    if (!ParseLong(value, &number) || number < 0 || number > 32767) return false;
    (name == "size" ? s->sampleSize : s->channels) = static_cast<short>(number);
    return true;
  }
  return false;
}

}  // namespace

// ------------------------------------------------------------ checks

OSErr CheckSpatial(const SCSpatialSettings& spatial) {
  if (!ValidDepth(spatial.depth) || spatial.spatialQuality > codecLosslessQuality) {
    return paramErr;
  }
  if (!Compresses(spatial.codecType)) return noCodecErr;
  if (spatial.codec != anyCodec) {
    const ComponentRecord* record = ComponentOrInstance(spatial.codec);
    if (record == nullptr || record->entry.type != compressorComponentType ||
        record->entry.subType != spatial.codecType) {
      return paramErr;
    }
  }
  return noErr;
}

OSErr CheckTemporal(const SCTemporalSettings& temporal) {
  return temporal.temporalQuality > codecLosslessQuality || temporal.frameRate < 0 ||
                 temporal.keyFrameRate < 0
             ? paramErr
             : noErr;
}

OSErr CheckDataRate(const SCDataRateSettings& rate) {
  return rate.dataRate < 0 || rate.frameDuration < 0 ||
                 rate.minSpatialQuality > codecLosslessQuality ||
                 rate.minTemporalQuality > codecLosslessQuality
             ? paramErr
             : noErr;
}

OSErr CheckSound(const SoundSettings& sound) {
  if (sound.rate == 0 || sound.channels < 1 || sound.channels > 8) return paramErr;
  if (sound.sampleSize != 8 && sound.sampleSize != 16 && sound.sampleSize != 24 &&
      sound.sampleSize != 32) {
    return paramErr;
  }
  ComponentDescription looking{kSoundCompressor, sound.format, 0, 0, 0};
  return NextMatching(nullptr, &looking) != nullptr ? noErr : noCodecErr;
}

OSErr CheckImage(const ImageSettings& s) {
  if (OSErr err = CheckSpatial(s.spatial)) return err;
  if (OSErr err = CheckTemporal(s.temporal)) return err;
  if (s.width < 0 || s.height < 0) return paramErr;
  return CheckDataRate(s.dataRate);
}

// ------------------------------------------------------------ the component

StandardCompression::StandardCompression(bool sound) : sound_(sound) {
  image_.spatial.codecType =
      Compresses(kJPEGCodecType) ? CodecType{kJPEGCodecType} : CodecType{kRawCodecType};
  image_.spatial.depth = 0;
  image_.spatial.spatialQuality = codecNormalQuality;
  image_.temporal.temporalQuality = codecNormalQuality;
}

StandardCompression::~StandardCompression() {
  EndSequence();
}

bool StandardCompression::Implements(SInt16 selector) const {
  return sound_ ? InSelectorTable(kSoundSelectors, selector)
                : InSelectorTable(kImageSelectors, selector);
}

OSErr StandardCompression::Close() {
  EndSequence();
  return noErr;
}

OSErr StandardCompression::GetInfo(OSType type, void* info) const {
  if (info == nullptr) return paramErr;
  switch (type) {
    case scPreferenceFlagsType:
      *static_cast<long*>(info) = preferences_;
      return noErr;
    case scProgressProcType:
      *static_cast<ICMProgressProcRecord*>(info) = progress_;
      return noErr;
  }
  if (sound_) {
    switch (type) {
      case scSoundCompressionType:
        *static_cast<OSType*>(info) = audio_.format;
        return noErr;
      case scSoundSampleRateType:
        *static_cast<UnsignedFixed*>(info) = audio_.rate;
        return noErr;
      case scSoundSampleSizeType:
        *static_cast<short*>(info) = audio_.sampleSize;
        return noErr;
      case scSoundChannelCountType:
        *static_cast<short*>(info) = audio_.channels;
        return noErr;
    }
    return scTypeNotFoundErr;
  }
  switch (type) {
    case scSpatialSettingsType:
      *static_cast<SCSpatialSettings*>(info) = image_.spatial;
      return noErr;
    case scTemporalSettingsType:
      *static_cast<SCTemporalSettings*>(info) = image_.temporal;
      return noErr;
    case scDataRateSettingsType:
      *static_cast<SCDataRateSettings*>(info) = image_.dataRate;
      return noErr;
    case scSequenceIDType:
      *static_cast<ImageSequence*>(info) = sequence_;
      return noErr;
    case scCodecFlagsType:
      *static_cast<CodecFlags*>(info) = codecFlags_;
      return noErr;
  }
  return scTypeNotFoundErr;
}

OSErr StandardCompression::SetInfo(OSType type, const void* info) {
  if (type == scProgressProcType) {
    progress_ = info != nullptr ? *static_cast<const ICMProgressProcRecord*>(info)
                                : ICMProgressProcRecord{};
    return noErr;
  }
  if (info == nullptr) return paramErr;
  if (type == scPreferenceFlagsType) {
    preferences_ = *static_cast<const long*>(info);
    return noErr;
  }
  if (sound_) {
    SoundSettings next = audio_;
    switch (type) {
      case scSoundCompressionType:
        next.format = *static_cast<const OSType*>(info);
        break;
      case scSoundSampleRateType:
        next.rate = *static_cast<const UnsignedFixed*>(info);
        break;
      case scSoundSampleSizeType:
        next.sampleSize = *static_cast<const short*>(info);
        break;
      case scSoundChannelCountType:
        next.channels = *static_cast<const short*>(info);
        break;
      default:
        return scTypeNotFoundErr;
    }
    if (OSErr err = CheckSound(next)) return err;
    audio_ = next;
    return noErr;
  }
  ImageSettings next = image_;
  switch (type) {
    case scSpatialSettingsType:
      next.spatial = *static_cast<const SCSpatialSettings*>(info);
      break;
    case scTemporalSettingsType:
      next.temporal = *static_cast<const SCTemporalSettings*>(info);
      break;
    case scDataRateSettingsType:
      next.dataRate = *static_cast<const SCDataRateSettings*>(info);
      break;
    case scCodecFlagsType:
      codecFlags_ = *static_cast<const CodecFlags*>(info);
      return noErr;
    case scSequenceIDType:
      return paramErr;  // the component's own to say
    default:
      return scTypeNotFoundErr;
  }
  if (OSErr err = CheckImage(next)) return err;
  image_ = next;
  return noErr;
}

OSErr StandardCompression::SettingsAsContainer(QTAtomContainer* settings) const {
  *settings = nullptr;
  QTAtomContainer container = nullptr;
  OSErr err = atoms::NewContainer(&container);
  if (err != noErr) return err;
  // Filling it allocates (and may throw when memory is short): the
  // container is disposed of on every way out but success.
  struct Owner {
    QTAtomContainer held;
    ~Owner() { atoms::DisposeContainer(held); }
  } owner{container};
  err = sound_ ? FillSoundContainer(container, audio_) : FillImageContainer(container, image_);
  if (err != noErr) return err;
  *settings = std::exchange(owner.held, nullptr);
  return noErr;
}

OSErr StandardCompression::SetSettingsFromContainer(QTAtomContainer settings) {
  if (sound_) {
    SoundSettings next = audio_;
    if (OSErr err = ReadSoundContainer(settings, &next)) return err;
    if (OSErr err = CheckSound(next)) return err;
    audio_ = next;
    return noErr;
  }
  ImageSettings next = image_;
  if (OSErr err = ReadImageContainer(settings, &next)) return err;
  if (OSErr err = CheckImage(next)) return err;
  image_ = next;
  return noErr;
}

std::string StandardCompression::SettingsAsText() const {
  return sound_ ? SoundText(audio_) : ImageText(image_);
}

OSErr StandardCompression::RequestSettings(bool sequence) {
  std::string answer;
  if (!TakeDialogAnswer(&answer)) return scUserCancelled;
  return ApplyAnswer(answer, sequence);
}

OSErr StandardCompression::ApplyAnswer(const std::string& answer, bool sequence) {
  // Words are separated by spaces or by commas, as in the exporters' answers.
  std::string spaced = answer;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  std::istringstream words(spaced);
  std::string word;
  ImageSettings image = image_;
  SoundSettings audio = audio_;
  while (words >> word) {
    size_t equals = word.find('=');
    if (equals == std::string::npos) return paramErr;
    std::string name = word.substr(0, equals);
    std::string value = word.substr(equals + 1);
    bool taken = sound_ ? ApplySoundWord(name, value, &audio)
                        : ApplyImageWord(name, value, sequence, preferences_, &image);
    if (!taken) return paramErr;
  }
  if (sound_) {
    if (OSErr err = CheckSound(audio)) return err;
    audio_ = audio;
    return noErr;
  }
  if (OSErr err = CheckImage(image)) return err;
  if (OSErr err = TryTestImage(image)) return err;
  image_ = image;
  return noErr;
}

// The dialog's preview: the test image compressed with the settings
// chosen, which an error refuses.
OSErr StandardCompression::TryTestImage(const ImageSettings& settings) {
  if (test_.pixels.empty()) return noErr;
  PixMap map{};
  map.baseAddr = reinterpret_cast<Ptr>(test_.pixels.data());
  map.rowBytes = static_cast<short>(0x8000 | (test_.width * 4));
  map.bounds = Rect{0, 0, test_.height, test_.width};
  map.pixelSize = 32;
  map.cmpCount = 3;
  map.cmpSize = 8;
  map.pixelFormat = k32ARGBPixelFormat;
  PixMapPtr pointer = &map;
  ImageDescriptionHandle desc = nullptr;
  Handle data = nullptr;
  OSErr err = CompressImage(&pointer, map.bounds, settings, &desc, &data, false);
  FreeHandle(reinterpret_cast<Handle>(desc));
  FreeHandle(data);
  return err;
}

OSErr StandardCompression::SetTestImage(PixMapHandle pixmap, const Rect* area, short flags) {
  test_ = TestImage{};
  if (pixmap == nullptr) return noErr;
  if (*pixmap == nullptr || (**pixmap).baseAddr == nullptr) return paramErr;
  const PixMap& map = **pixmap;
  Rect part = area != nullptr ? Intersect(*area, map.bounds) : map.bounds;
  if (IsEmpty(part) || part.right - part.left > kMaxTestRowPixels) return paramErr;
  TestImage copy;
  copy.width = static_cast<short>(part.right - part.left);
  copy.height = static_cast<short>(part.bottom - part.top);
  copy.pixels.resize(static_cast<size_t>(copy.width) * static_cast<size_t>(copy.height));
  size_t i = 0;
  for (int y = part.top; y < part.bottom; ++y) {
    for (int x = part.left; x < part.right; ++x) {
      uint8_t bytes[4];
      WriteBE32(bytes, GetPixel(map, x, y));
      std::memcpy(&copy.pixels[i++], bytes, 4);
    }
  }
  test_ = std::move(copy);
  if ((flags & scDontDetermineSettingsFromTestImage) == 0) DefaultSettingsFor(map, false);
  return noErr;
}

void StandardCompression::DefaultSettingsFor(const PixMap& map, bool motion) {
  short depth = map.pixelSize;
  // 32-bit pixels keep their alpha only with codecs that store it.
  const CodecSpec* spec = FindCodecSpec(image_.spatial.codecType);
  if (depth == 32 && (spec == nullptr || (spec->formatFlags & codecInfoDepth32) == 0)) depth = 24;
  if (ValidDepth(depth)) image_.spatial.depth = depth;
  if (motion && image_.temporal.temporalQuality == 0) {
    image_.temporal.temporalQuality = codecNormalQuality;
  }
}

void AppendStandardCompressionComponents(std::vector<ComponentEntry>* entries) {
  entries->push_back(ComponentEntry{StandardCompressionType, StandardCompressionSubType, 'appl', 0,
                                    "Standard Image Compression",
                                    "Chooses image compression settings and compresses images",
                                    0x00070000, NewImageStandardCompression});
  entries->push_back(ComponentEntry{StandardCompressionType, StandardCompressionSubTypeSound,
                                    'appl', 0, "Standard Sound Compression",
                                    "Chooses sound compression settings", 0x00070000,
                                    NewSoundStandardCompression});
}

}  // namespace qtml
