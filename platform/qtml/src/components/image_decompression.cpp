// Decompression: DecompressImage and FDecompressImage for single images,
// decompression sequences for the frames of one description, and the
// off-screen worlds images are decompressed into. Frames are decoded by
// the image decoder and drawn through the matrix copy.
#include <cstring>
#include <memory>
#include <vector>

#include "ImageCompression.h"
#include "base/api_call.h"
#include "components/effects.h"
#include "components/image_decoder.h"
#include "components/image_sequences.h"
#include "memory/memory.h"
#include "movies/movie_regions.h"
#include "quickdraw/matrix.h"
#include "quickdraw/matrix_copy.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

// The port owning dst, or nullptr when any argument is missing.
Port* CheckArguments(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst) {
  if (data == nullptr || desc == nullptr || *desc == nullptr) return nullptr;
  return PortFromPixMap(dst);
}

// The size of one image's data: the description's, or what a raw image
// of its size and depth takes.
long ImageDataSize(const ImageDescription& desc) {
  if (desc.dataSize > 0) return desc.dataSize;
  if (desc.cType != kRawCodecType) return 0;  // compressed data must say its size
  return RawRowBytes(desc.width, desc.depth) * desc.height;
}

OSErr Decompress(Ptr data, ImageDescriptionHandle desc, Port& port, const Rect* srcRect,
                 const MatrixRecord& toPort, short mode, RgnHandle mask) {
  std::unique_ptr<ImageDecoder> decoder;
  OSErr err = ImageDecoder::Open(desc, &decoder);
  if (err == noCodecErr && (**desc).cType == kRawCodecType) err = badImageDescription;
  if (err != noErr) return err;
  long size = ImageDataSize(**desc);
  if (size <= 0) return badImageDescription;
  if ((err = decoder->Decode(data, size)) != noErr) return err;
  if (!decoder->Decoded()) return codecErr;
  const PixMap* picture = decoder->Picture(&err);
  if (picture == nullptr) return err;
  return DrawPixMapThroughMatrix(*picture, srcRect != nullptr ? *srcRect : picture->bounds, port,
                                 &toPort, mode, port.opColor, mask);
}

// A copy of a mask region, or nullptr for none; *err memFullErr or
// paramErr (not a region) when the copy could not be made.
RgnHandle CopyMask(RgnHandle mask, OSErr* err) {
  *err = noErr;
  if (mask == nullptr) return nullptr;
  Shape shape;
  if (!ShapeOfRegion(mask, &shape)) {
    *err = paramErr;
    return nullptr;
  }
  RgnHandle copy = NewRegionHolding(shape);
  if (copy == nullptr) *err = memFullErr;
  return copy;
}

class DecompressionSequence;

// An input of a sequence fed from an image (an effect's source).
struct DataSourceRecord {
  DecompressionSequence* sequence = nullptr;  // the owner
  OSType type = 0;
  short input = 0;                        // from 1
  std::unique_ptr<ImageDecoder> decoder;  // reads the source's image
  Ptr data = nullptr;                     // borrowed
  long size = 0;
  Identity<DataSourceRecord, HandleKind::kDataSource> reference;
};

// A decompression sequence: a decoder kept from frame to frame (or, for
// an effect, its sources), and how its frames are drawn.
class DecompressionSequence final : public SequenceRecord {
 public:
  ~DecompressionSequence() override { FreeHandle(reinterpret_cast<Handle>(mask)); }

  // Decodes one frame (an effect: applies its description to the sources)
  // and draws it.
  OSErr Frame(Ptr data, long size) {
    Port* target = PortFromGrafPtr(port);
    if (target == nullptr) return paramErr;
    const PixMap* picture = nullptr;
    if (effect) {
      if (OSErr err = RenderEffectFrame(data, size)) return err;
      picture = &effectPicture;
    } else {
      if (OSErr err = decoder->Decode(data, size)) return err;
      if (!decoder->Decoded()) return noErr;  // held back by the codec
      OSErr err = noErr;
      if ((picture = decoder->Picture(&err)) == nullptr) return err;
    }
    const Rect& from = hasSrcRect ? srcRect : picture->bounds;
    return DrawPixMapThroughMatrix(*picture, from, *target, &matrix, mode, opColor, mask);
  }

  std::unique_ptr<ImageDecoder> decoder;  // nullptr for an effect
  CodecType type = 0;
  bool effect = false;
  short width = 0;
  short height = 0;
  CGrafPtr port = nullptr;
  bool hasSrcRect = false;
  Rect srcRect{};
  MatrixRecord matrix = IdentityMatrix();
  short mode = ditherCopy;
  RGBColor opColor{0x8000, 0x8000, 0x8000};
  RgnHandle mask = nullptr;  // owned copy
  long flags = 0;
  TimeBase timeBase = nullptr;  // borrowed
  std::vector<std::unique_ptr<DataSourceRecord>> sources;

 private:
  OSErr RenderEffectFrame(Ptr description, long size) {
    const PixMap* inputs[2] = {nullptr, nullptr};
    for (const auto& source : sources) {
      if (source->input < 1 || source->input > 2 || source->data == nullptr) continue;
      if (OSErr err = source->decoder->Decode(source->data, source->size)) return err;
      if (!source->decoder->Decoded()) continue;
      OSErr err = noErr;
      inputs[source->input - 1] = source->decoder->Picture(&err);
      if (err != noErr) return err;
    }
    long rowBytes = static_cast<long>(width) * 4;
    effectPixels.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
    effectPicture = PixMap{};
    effectPicture.baseAddr = reinterpret_cast<Ptr>(effectPixels.data());
    effectPicture.rowBytes = static_cast<short>(0x8000 | rowBytes);
    effectPicture.bounds = Rect{0, 0, height, width};
    effectPicture.pixelSize = 32;
    effectPicture.pixelFormat = 32;
    return RenderEffect(type, description, size, inputs, effectPicture);
  }

  std::vector<uint8_t> effectPixels;
  PixMap effectPicture{};
};

DecompressionSequence* FindDecompression(ImageSequence id) {
  return SequenceOf<DecompressionSequence>(id);
}

// Whether a codec argument may decompress the type: any codec, the best
// of some kind, or a decompressor of that type.
bool CodecAccepted(DecompressorComponent codec, CodecType type) {
  auto value = reinterpret_cast<intptr_t>(codec);
  if (value >= -3 && value <= 0) return true;
  DecompressorComponent found = nullptr;
  if (FindCodec(type, codec, nullptr, &found) != noErr) return false;
  return found == codec;
}

OSErr BeginDecompression(ImageSequence* seqID, ImageDescriptionHandle desc, Ptr data, long dataSize,
                         CGrafPtr port, const Rect* srcRect, MatrixRecordPtr matrix, short mode,
                         RgnHandle mask, DecompressorComponent codec) {
  if (seqID == nullptr) return paramErr;
  *seqID = 0;
  if (desc == nullptr || *desc == nullptr) return paramErr;
  if (port == nullptr) port = reinterpret_cast<CGrafPtr>(GrafPtrOf(CurrentPort()));
  if (PortFromGrafPtr(port) == nullptr) return paramErr;
  if (!CodecAccepted(codec, (**desc).cType)) return paramErr;
  auto sequence = std::make_unique<DecompressionSequence>();
  const ImageDescription& image = **desc;
  if (IsEffectType(image.cType)) {
    if (image.width <= 0 || image.height <= 0 || image.width > 0x0FFF) return badImageDescription;
    sequence->effect = true;
  } else if (OSErr err = ImageDecoder::Open(desc, &sequence->decoder)) {
    return err;
  }
  sequence->type = image.cType;
  sequence->width = image.width;
  sequence->height = image.height;
  sequence->port = port;
  sequence->hasSrcRect = srcRect != nullptr;
  if (srcRect != nullptr) sequence->srcRect = *srcRect;
  if (matrix != nullptr) sequence->matrix = *matrix;
  sequence->mode = mode;
  OSErr err = noErr;
  sequence->mask = CopyMask(mask, &err);
  if (err != noErr) return err;
  if (data != nullptr && (err = sequence->Frame(data, dataSize)) != noErr) return err;
  ImageSequence id = AdoptSequence(std::move(sequence));
  if (id == 0) return memFullErr;
  *seqID = id;
  return noErr;
}

// The depth an image of the description is best decompressed to.
short ImageWorldDepth(const ImageDescription& desc) {
  if (desc.cType != kRawCodecType) return 32;
  switch (desc.depth) {
    case 1:
    case 8:
    case 16:
    case 24:
    case 32:
      return desc.depth;
    default:
      return 32;
  }
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;

extern "C" {

OSErr DecompressImage(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst, const Rect* srcRect,
                      const Rect* dstRect, short mode, RgnHandle mask) try {
  ApiCall call("DecompressImage", static_cast<const void*>(data), desc, dst, srcRect, dstRect, mode,
               mask);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::Port* port = qtml::CheckArguments(data, desc, dst);
  if (port == nullptr || dstRect == nullptr) return call.Return(paramErr);
  const Rect whole{0, 0, (**desc).height, (**desc).width};
  MatrixRecord toPort = qtml::RectMapping(srcRect != nullptr ? *srcRect : whole, *dstRect);
  return call.Return(qtml::Decompress(data, desc, *port, srcRect, toPort, mode, mask));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FDecompressImage(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst, const Rect* srcRect,
                       MatrixRecordPtr matrix, short mode, RgnHandle mask, PixMapHandle matte,
                       const Rect* matteRect, CodecQ accuracy, DecompressorComponent codec,
                       long bufferSize, ICMDataProcRecordPtr dataProc,
                       ICMProgressProcRecordPtr progressProc) try {
  ApiCall call("FDecompressImage", static_cast<const void*>(data), desc, dst, srcRect, matrix, mode,
               mask, matte, matteRect, accuracy, codec, bufferSize, dataProc, progressProc);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::Port* port = qtml::CheckArguments(data, desc, dst);
  if (port == nullptr) return call.Return(paramErr);
  MatrixRecord toPort = matrix != nullptr ? *matrix : qtml::IdentityMatrix();
  return call.Return(qtml::Decompress(data, desc, *port, srcRect, toPort, mode, mask));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr DecompressSequenceBeginS(ImageSequence* seqID, ImageDescriptionHandle desc, Ptr data,
                               long dataSize, CGrafPtr port, GDHandle gdh, const Rect* srcRect,
                               MatrixRecordPtr matrix, short mode, RgnHandle mask, CodecFlags flags,
                               CodecQ accuracy, DecompressorComponent codec) try {
  ApiCall call("DecompressSequenceBeginS", seqID, desc, static_cast<const void*>(data), dataSize,
               port, gdh, srcRect, matrix, mode, mask, flags, accuracy, codec);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::BeginDecompression(seqID, desc, data, dataSize, port, srcRect, matrix,
                                              mode, mask, codec));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr DecompressSequenceFrameS(ImageSequence seqID, Ptr data, long dataSize, CodecFlags inFlags,
                               CodecFlags* outFlags,
                               ICMCompletionProcRecordPtr asyncCompletionProc) try {
  ApiCall call("DecompressSequenceFrameS", seqID, static_cast<const void*>(data), dataSize, inFlags,
               outFlags, asyncCompletionProc);
  if (outFlags != nullptr) *outFlags = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr || data == nullptr || dataSize <= 0) return call.Return(paramErr);
  OSErr err = sequence->Frame(data, dataSize);
  if (qtml::HasCompletionProc(asyncCompletionProc)) {
    asyncCompletionProc->completionProc(err, 0, asyncCompletionProc->completionRefCon);
  }
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetDSequenceFlags(ImageSequence seqID, long flags, long flagsMask) try {
  ApiCall call("SetDSequenceFlags", seqID, flags, flagsMask);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  sequence->flags = (sequence->flags & ~flagsMask) | (flags & flagsMask);
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetDSequenceSrcRect(ImageSequence seqID, const Rect* srcRect) try {
  ApiCall call("SetDSequenceSrcRect", seqID, srcRect);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  sequence->hasSrcRect = srcRect != nullptr;
  if (srcRect != nullptr) sequence->srcRect = *srcRect;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetDSequenceMatrix(ImageSequence seqID, MatrixRecordPtr matrix) try {
  ApiCall call("SetDSequenceMatrix", seqID, matrix);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  sequence->matrix = matrix != nullptr ? *matrix : qtml::IdentityMatrix();
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetDSequenceMatrix(ImageSequence seqID, MatrixRecordPtr matrix) try {
  ApiCall call("GetDSequenceMatrix", seqID, matrix);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr || matrix == nullptr) return call.Return(paramErr);
  *matrix = sequence->matrix;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetDSequenceMask(ImageSequence seqID, RgnHandle mask) try {
  ApiCall call("SetDSequenceMask", seqID, mask);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  OSErr err = noErr;
  RgnHandle copy = qtml::CopyMask(mask, &err);
  if (err != noErr) return call.Return(err);
  qtml::FreeHandle(reinterpret_cast<Handle>(sequence->mask));
  sequence->mask = copy;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetDSequenceTransferMode(ImageSequence seqID, short mode, const RGBColor* opColor) try {
  ApiCall call("SetDSequenceTransferMode", seqID, mode, opColor);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  sequence->mode = mode;
  if (opColor != nullptr) sequence->opColor = *opColor;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CDSequenceNewDataSource(ImageSequence seqID, ImageSequenceDataSource* sourceID,
                              OSType sourceType, short sourceInputNumber, Handle dataDescription,
                              ICMConvertDataFormatUPP transferProc, void* refCon) try {
  ApiCall call("CDSequenceNewDataSource", seqID, sourceID, qtml::FourCC{sourceType},
               sourceInputNumber, dataDescription, reinterpret_cast<void*>(transferProc), refCon);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr || sourceID == nullptr || dataDescription == nullptr) {
    return call.Return(paramErr);
  }
  *sourceID = 0;
  auto source = std::make_unique<qtml::DataSourceRecord>();
  source->sequence = sequence;
  source->type = sourceType;
  source->input = sourceInputNumber;
  if (OSErr err = qtml::ImageDecoder::Open(
          reinterpret_cast<ImageDescriptionHandle>(dataDescription), &source->decoder)) {
    return call.Return(err);
  }
  if (!source->reference.Register(source.get())) return call.Return(memFullErr);
  *sourceID = static_cast<ImageSequenceDataSource>(source->reference.value());
  sequence->sources.push_back(std::move(source));
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CDSequenceSetSourceData(ImageSequenceDataSource sourceID, void* data, long dataSize) try {
  ApiCall call("CDSequenceSetSourceData", sourceID, data, dataSize);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  auto* source = qtml::Identity<qtml::DataSourceRecord, qtml::HandleKind::kDataSource>::Find(
      reinterpret_cast<const void*>(sourceID));
  if (source == nullptr || dataSize < 0) return call.Return(paramErr);
  source->data = static_cast<Ptr>(data);
  source->size = dataSize;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CDSequenceSetTimeBase(ImageSequence seqID, void* base) try {
  ApiCall call("CDSequenceSetTimeBase", seqID, base);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::DecompressionSequence* sequence = qtml::FindDecompression(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  sequence->timeBase = static_cast<TimeBase>(base);
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr NewImageGWorld(GWorldPtr* gworld, ImageDescriptionHandle idh, GWorldFlags flags) try {
  ApiCall call("NewImageGWorld", gworld, idh, flags);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (gworld == nullptr) return call.Return(paramErr);
  *gworld = nullptr;
  if (idh == nullptr || *idh == nullptr ||
      qtml::HandleSize(reinterpret_cast<Handle>(idh)) <
          static_cast<long>(sizeof(ImageDescription))) {
    return call.Return(paramErr);
  }
  const ImageDescription& desc = **idh;
  if (desc.width <= 0 || desc.height <= 0) return call.Return(paramErr);
  const Rect bounds{0, 0, desc.height, desc.width};
  return call.Return(qtml::NewWorld(gworld, qtml::ImageWorldDepth(desc), &bounds, nullptr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
