#include "components/service_settings.h"

#include <cstring>

#include "QuickTimeComponents.h"

namespace fenra {

namespace {

uint32_t Get32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

// Copies exactly `size` bytes of the first child of `type`; false when it
// is missing or of another size.
bool ReadChild(QTAtomContainer settings, QTAtom parent, QTAtomType type, uint8_t* out, long size) {
  QTAtom atom = QTFindChildByIndex(settings, parent, type, 1, nullptr);
  if (atom == 0) return false;
  long read = 0;
  return QTCopyAtomDataToPtr(settings, atom, false, size, out, &read) == noErr && read == size;
}

// Replaces the data of the first child of `type`, or adds one.
OSErr WriteChild(QTAtomContainer settings, QTAtom parent, QTAtomType type, uint8_t* data,
                 long size) {
  QTAtom atom = QTFindChildByIndex(settings, parent, type, 1, nullptr);
  if (atom != 0) return QTSetAtomData(settings, atom, size, data);
  return QTInsertChild(settings, parent, type, 0, 0, size, data, nullptr);
}

// The child of `type` under `parent`, made when missing.
OSErr FindOrMakeChild(QTAtomContainer settings, QTAtom parent, QTAtomType type, QTAtom* atom) {
  *atom = QTFindChildByIndex(settings, parent, type, 1, nullptr);
  if (*atom != 0) return noErr;
  return QTInsertChild(settings, parent, type, 0, 0, 0, nullptr, atom);
}

constexpr long kSpatialSize = 14;
constexpr long kTemporalSize = 12;
constexpr long kDataRateSize = 16;

}  // namespace

QTAtom FindRootAtom(QTAtomContainer settings, QTAtomType type) {
  if (settings == nullptr) return 0;
  return QTFindChildByIndex(settings, kParentAtomIsContainer, type, 1, nullptr);
}

bool ReadImageSettings(QTAtomContainer settings, QTAtom parent, ImageDescBase* desc) {
  uint8_t spatial[kSpatialSize];
  if (settings == nullptr ||
      !ReadChild(settings, parent, scSpatialSettingsType, spatial, kSpatialSize)) {
    return false;
  }
  desc->MakeDefault();
  ImageDescription* image = desc->Image();
  if (image == nullptr) return false;
  image->cType = Get32(spatial);
  image->depth = static_cast<SInt16>(Get16(spatial + 8));
  image->spatialQuality = Get32(spatial + 10);
  uint8_t temporal[kTemporalSize];
  bool hasTemporal = ReadChild(settings, parent, scTemporalSettingsType, temporal, kTemporalSize);
  if (hasTemporal) image->temporalQuality = Get32(temporal);
  QTAtom size = QTFindChildByIndex(settings, parent, kQTSettingsVideoSize, 1, nullptr);
  uint8_t value[4];
  if (size != 0 && ReadChild(settings, size, kQTSettingsImageWidth, value, 4)) {
    image->width = static_cast<SInt16>(static_cast<int32_t>(Get32(value)) >> 16);
  }
  if (size != 0 && ReadChild(settings, size, kQTSettingsImageHeight, value, 4)) {
    image->height = static_cast<SInt16>(static_cast<int32_t>(Get32(value)) >> 16);
  }
  auto* comp = dynamic_cast<ImageDescCompNative*>(desc);
  if (comp == nullptr) return true;
  if (hasTemporal) {
    comp->frameRate = static_cast<Fixed>(Get32(temporal + 4));
    comp->keyFrameRate = static_cast<int32_t>(Get32(temporal + 8));
  }
  uint8_t rate[kDataRateSize];
  if (ReadChild(settings, parent, scDataRateSettingsType, rate, kDataRateSize)) {
    comp->dataRate = static_cast<int32_t>(Get32(rate));
    comp->sampleDuration = static_cast<int32_t>(Get32(rate + 4));
    comp->minSpatialQuality = static_cast<int32_t>(Get32(rate + 8));
    comp->minTemporalQuality = static_cast<int32_t>(Get32(rate + 12));
  }
  return true;
}

OSErr WriteImageSettings(QTAtomContainer settings, QTAtom parent, const ImageDescBase& desc) {
  const ImageDescription* image = desc.Image();
  if (settings == nullptr || image == nullptr) return paramErr;
  uint8_t spatial[kSpatialSize] = {};
  Put32(spatial, image->cType);
  Put16(spatial + 8, static_cast<uint16_t>(image->depth));
  Put32(spatial + 10, image->spatialQuality);
  if (OSErr err = WriteChild(settings, parent, scSpatialSettingsType, spatial, kSpatialSize)) {
    return err;
  }
  uint8_t temporal[kTemporalSize] = {};
  ReadChild(settings, parent, scTemporalSettingsType, temporal, kTemporalSize);
  Put32(temporal, image->temporalQuality);
  const auto* comp = dynamic_cast<const ImageDescCompNative*>(&desc);
  if (comp != nullptr) {
    Put32(temporal + 4, static_cast<uint32_t>(comp->frameRate));
    Put32(temporal + 8, static_cast<uint32_t>(comp->keyFrameRate));
  }
  if (OSErr err = WriteChild(settings, parent, scTemporalSettingsType, temporal, kTemporalSize)) {
    return err;
  }
  if (comp != nullptr) {
    uint8_t rate[kDataRateSize];
    Put32(rate, static_cast<uint32_t>(comp->dataRate));
    Put32(rate + 4, static_cast<uint32_t>(comp->sampleDuration));
    Put32(rate + 8, static_cast<uint32_t>(comp->minSpatialQuality));
    Put32(rate + 12, static_cast<uint32_t>(comp->minTemporalQuality));
    if (OSErr err = WriteChild(settings, parent, scDataRateSettingsType, rate, kDataRateSize)) {
      return err;
    }
  }
  QTAtom size = 0;
  if (OSErr err = FindOrMakeChild(settings, parent, kQTSettingsVideoSize, &size)) return err;
  uint8_t value[4];
  Put32(value, static_cast<uint32_t>(int32_t{image->width}) << 16);
  if (OSErr err = WriteChild(settings, size, kQTSettingsImageWidth, value, 4)) return err;
  Put32(value, static_cast<uint32_t>(int32_t{image->height}) << 16);
  return WriteChild(settings, size, kQTSettingsImageHeight, value, 4);
}

bool ReadSoundSettings(QTAtomContainer settings, SoundDescNative* desc) {
  QTAtom sound = FindRootAtom(settings, kQTSettingsSound);
  if (sound == 0) return false;
  desc->MakeDefault();
  SoundDescription* record = desc->Sound();
  if (record == nullptr) return false;
  uint8_t value[4];
  if (ReadChild(settings, sound, scSoundCompressionType, value, 4))
    record->dataFormat = Get32(value);
  if (ReadChild(settings, sound, scSoundSampleRateType, value, 4))
    record->sampleRate = Get32(value);
  if (ReadChild(settings, sound, scSoundSampleSizeType, value, 2)) {
    record->sampleSize = static_cast<SInt16>(Get16(value));
  }
  if (ReadChild(settings, sound, scSoundChannelCountType, value, 2)) {
    record->numChannels = static_cast<SInt16>(Get16(value));
  }
  return true;
}

OSErr WriteSoundSettings(QTAtomContainer settings, const SoundDescNative& desc) {
  const SoundDescription* record = desc.Sound();
  if (settings == nullptr || record == nullptr) return paramErr;
  QTAtom sound = 0;
  if (OSErr err = FindOrMakeChild(settings, kParentAtomIsContainer, kQTSettingsSound, &sound)) {
    return err;
  }
  uint8_t value[4];
  Put32(value, record->dataFormat);
  if (OSErr err = WriteChild(settings, sound, scSoundCompressionType, value, 4)) return err;
  Put32(value, record->sampleRate);
  if (OSErr err = WriteChild(settings, sound, scSoundSampleRateType, value, 4)) return err;
  Put16(value, static_cast<uint16_t>(record->sampleSize));
  if (OSErr err = WriteChild(settings, sound, scSoundSampleSizeType, value, 2)) return err;
  Put16(value, static_cast<uint16_t>(record->numChannels));
  return WriteChild(settings, sound, scSoundChannelCountType, value, 2);
}

}  // namespace fenra
