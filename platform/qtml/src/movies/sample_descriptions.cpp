// Sample description records: their field layouts, and the conversion of
// a description between a handle's byte order and a file's.
#include "movies/sample_descriptions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "base/byte_order.h"
#include "memory/memory.h"

namespace qtml {
namespace {

// Handles hold the machine's order, which this conversion takes to be the
// reverse of a file's.
static_assert(std::endian::native == std::endian::little);

// A run of `count` fields of `width` bytes each; width 1 is left as is.
struct FieldRun {
  uint8_t width;
  uint8_t count;
};

using Layout = std::initializer_list<FieldRun>;

// descSize, dataFormat, resvd1; resvd2, dataRefIndex.
constexpr Layout kSampleDescription = {{4, 3}, {2, 2}};
// version, revisionLevel; vendor, temporalQuality, spatialQuality; width,
// height; hRes, vRes, dataSize; frameCount; name (Str31); depth, clutID.
constexpr Layout kImageDescription = {{2, 2}, {4, 3}, {2, 2}, {4, 3}, {2, 1}, {1, 32}, {2, 2}};
// version, revlevel; vendor; numChannels, sampleSize, compressionID,
// packetSize; sampleRate.
constexpr Layout kSoundDescription = {{2, 2}, {4, 1}, {2, 4}, {4, 1}};
// samplesPerPacket, bytesPerPacket, bytesPerFrame, bytesPerSample.
constexpr Layout kSoundVersion1 = {{4, 4}};
// sizeOfStructOnly; audioSampleRate (a 64-bit float); numAudioChannels,
// always7F000000, constBitsPerChannel, formatSpecificFlags,
// constBytesPerAudioPacket, constLPCMFramesPerAudioPacket.
constexpr Layout kSoundVersion2 = {{4, 1}, {8, 1}, {4, 6}};
// displayFlags, textJustification; bgColor; defaultTextBox; defaultStyle:
// scrpStartChar; scrpHeight, scrpAscent, scrpFont, scrpFace, scrpSize;
// scrpColor.
constexpr Layout kTextDescription = {{4, 2}, {2, 3}, {2, 4}, {4, 1}, {2, 5}, {2, 3}};
// flags; timeCodeDef: flags, fTimeScale, frameDuration; numFrames, padding.
constexpr Layout kTimeCodeDescription = {{4, 4}, {1, 2}};

void Reverse(uint8_t* field, size_t width) {
  for (size_t i = 0; i < width / 2; ++i) std::swap(field[i], field[width - 1 - i]);
}

// Converts the runs starting at `offset`; answers the offset after them.
size_t ConvertRuns(Layout layout, uint8_t* bytes, size_t size, size_t offset) {
  for (const FieldRun& run : layout) {
    for (int i = 0; i < run.count; ++i) {
      if (offset + run.width > size) return offset + run.width;
      if (run.width > 1) Reverse(bytes + offset, run.width);
      offset += run.width;
    }
  }
  return offset;
}

SInt16 SoundVersion(const uint8_t* bytes, size_t size, bool fromFile) {
  if (size < 18) return 0;
  if (fromFile) return static_cast<SInt16>(ReadBE16(bytes + 16));
  SInt16 version;
  std::memcpy(&version, bytes + 16, sizeof version);
  return version;
}

void ConvertSound(uint8_t* bytes, size_t size, bool fromFile) {
  SInt16 version = SoundVersion(bytes, size, fromFile);
  size_t offset = ConvertRuns(kSoundDescription, bytes, size, sizeof(SampleDescription));
  if (version == 1) ConvertRuns(kSoundVersion1, bytes, size, offset);
  if (version == 2) ConvertRuns(kSoundVersion2, bytes, size, offset);
}

// The number of bytes a handle's description occupies.
size_t DescriptionLength(Handle desc) {
  size_t handleSize = static_cast<size_t>(HandleSize(desc));
  if (handleSize < sizeof(SampleDescription)) return 0;
  SInt32 descSize;
  std::memcpy(&descSize, *desc, sizeof descSize);
  if (descSize < static_cast<SInt32>(sizeof(SampleDescription))) return handleSize;
  return std::min(handleSize, static_cast<size_t>(descSize));
}

}  // namespace

void ConvertDescriptionFields(OSType mediaType, uint8_t* bytes, size_t size, bool fromFile) {
  size_t offset = ConvertRuns(kSampleDescription, bytes, size, 0);
  switch (mediaType) {
    case FOUR_CHAR_CODE('vide'):
      ConvertRuns(kImageDescription, bytes, size, offset);
      break;
    case FOUR_CHAR_CODE('soun'):
      ConvertSound(bytes, size, fromFile);
      break;
    case FOUR_CHAR_CODE('text'):
      ConvertRuns(kTextDescription, bytes, size, offset);
      break;
    case FOUR_CHAR_CODE('tmcd'):
      ConvertRuns(kTimeCodeDescription, bytes, size, offset);
      break;
    default:
      break;
  }
}

std::vector<uint8_t> DescriptionToFileBytes(OSType mediaType, Handle desc) {
  return Guarded(std::vector<uint8_t>(), [&] {
    std::vector<uint8_t> bytes;
    if (!IsHandle(desc)) return bytes;
    size_t length = DescriptionLength(desc);
    if (length == 0) return bytes;
    const auto* start = reinterpret_cast<const uint8_t*>(*desc);
    bytes.assign(start, start + length);
    ConvertDescriptionFields(mediaType, bytes.data(), bytes.size(), false);
    WriteBE32(bytes.data(), static_cast<uint32_t>(length));
    return bytes;
  });
}

Handle DescriptionFromFileBytes(OSType mediaType, const std::vector<uint8_t>& bytes) {
  if (bytes.size() < sizeof(SampleDescription)) return nullptr;
  OSErr err = noErr;
  Handle desc = NewHandleBytes(static_cast<Size>(bytes.size()), false, &err);
  if (desc == nullptr) return nullptr;
  auto* start = reinterpret_cast<uint8_t*>(*desc);
  std::memcpy(start, bytes.data(), bytes.size());
  ConvertDescriptionFields(mediaType, start, bytes.size(), true);
  return desc;
}

namespace {

// Bytes a frame of one channel takes in the uncompressed formats of
// version 0 descriptions; 0 for other formats.
uint32_t UncompressedBytes(OSType format, uint16_t sampleSize) {
  switch (format) {
    case 'raw ':
    case 'twos':
    case 'sowt':
    case 'NONE':
      return (sampleSize + 7u) / 8u;
    case 'in24':
      return 3;
    case 'in32':
    case 'fl32':
      return 4;
    case 'fl64':
      return 8;
    case 'ulaw':
    case 'alaw':
      return 1;
    default:
      return 0;
  }
}

// Compressed formats that version 0 descriptions name without saying
// how they pack: frames a packet, and bytes a packet for each channel.
struct KnownPacking {
  OSType format;
  uint32_t frames;
  uint32_t bytesPerChannel;
};
constexpr KnownPacking kKnownPackings[] = {
    {'ima4', 64, 34}, {'MAC3', 6, 2}, {'MAC6', 6, 1}, {'agsm', 160, 33}};

}  // namespace

bool SoundPackingOf(const std::vector<uint8_t>& description, SamplePacking* packing) {
  // Sound descriptions: the general header (16 bytes), version at 16,
  // channels at 24, sample size at 26, then version 1's four packing
  // fields at 36 or version 2's at 72.
  const uint8_t* d = description.data();
  size_t size = description.size();
  if (size < 36) return false;
  uint16_t version = ReadBE16(d + 16);
  if (version == 1 && size >= 52) {
    *packing = {ReadBE32(d + 36), ReadBE32(d + 44)};
  } else if (version == 2 && size >= 72) {
    *packing = {ReadBE32(d + 68), ReadBE32(d + 64)};
  } else if (version == 0) {
    OSType format = ReadBE32(d + 4);
    uint16_t channels = ReadBE16(d + 24);
    *packing = {1, UncompressedBytes(format, ReadBE16(d + 26)) * channels};
    for (const KnownPacking& known : kKnownPackings) {
      if (known.format == format) *packing = {known.frames, known.bytesPerChannel * channels};
    }
  } else {
    return false;
  }
  return packing->frames > 0 && packing->bytes > 0;
}

}  // namespace qtml
