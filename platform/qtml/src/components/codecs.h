// The engine's image and sound codecs: what each compression type can do,
// and which of them this build's FFmpeg backs. Only a type that FFmpeg can
// decode gets a decompressor component, and only one it can encode gets a
// compressor, so that the component table says what really works.
#pragma once

#include <vector>

#include "ImageCompression.h"
#include "components/component_registry.h"

struct AVCodec;

namespace qtml {

// One image compression type.
struct CodecSpec {
  CodecType type;
  const char* name;  // the type's name, and its components' name
  int ffmpegId;      // the AVCodecID that does the work
  SInt32 decompressFlags;
  SInt32 compressFlags;
  SInt32 formatFlags;
  UInt8 compressionAccuracy;
  UInt8 decompressionAccuracy;
  UInt16 compressionSpeed;
  UInt16 decompressionSpeed;
  UInt8 compressionLevel;
  SInt16 minimumHeight;
  SInt16 minimumWidth;
};

// The type's spec, or nullptr when the engine knows no such type.
const CodecSpec* FindCodecSpec(CodecType type) noexcept;

// Whether FFmpeg has a software decoder (encoder) for the AVCodecID;
// hardware wrappers, which may not work on this machine, do not count.
bool FFmpegDecodes(int ffmpegId) noexcept;
bool FFmpegEncodes(int ffmpegId) noexcept;

// The software encoder FFmpegEncodes finds for the AVCodecID (the first
// FFmpeg lists), or nullptr.
const AVCodec* SoftwareEncoder(int ffmpegId) noexcept;

// Appends the codec components FFmpeg backs: image decompressors ('imdc')
// and compressors ('imco'), then sound decompressors ('sdec') and
// compressors ('scom'). The entries' strings are static.
void AppendCodecComponents(std::vector<ComponentEntry>* entries);

}  // namespace qtml
