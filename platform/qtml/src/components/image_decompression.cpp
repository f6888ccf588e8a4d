// DecompressImage and FDecompressImage for uncompressed 'raw ' images,
// drawn through the matrix copy.
#include "ImageCompression.h"
#include "base/api_call.h"
#include "quickdraw/matrix.h"
#include "quickdraw/matrix_copy.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr long kMaxRowBytes = 0x3FFE;

bool RawDepth(int depth) {
  return depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Rows are padded to whole 16-bit words.
long RawRowBytes(long width, long depth) {
  return (width * depth + 15) / 16 * 2;
}

// A pixel map over a raw image's data; owns the colour table of indexed
// depths.
class RawImage {
 public:
  RawImage() = default;
  ~RawImage() { FreeHandle(reinterpret_cast<Handle>(map_.pmTable)); }
  RawImage(const RawImage&) = delete;
  RawImage& operator=(const RawImage&) = delete;

  // noErr, badImageDescription for an image the engine cannot read, or
  // memFullErr.
  OSErr Describe(Ptr data, const ImageDescription& desc) {
    long rowBytes = RawRowBytes(desc.width, desc.depth);
    if (desc.cType != kRawCodecType || !RawDepth(desc.depth) || desc.width <= 0 ||
        desc.height <= 0 || rowBytes > kMaxRowBytes) {
      return badImageDescription;
    }
    if (desc.dataSize != 0 && desc.dataSize < rowBytes * desc.height) return badImageDescription;
    map_.baseAddr = data;
    map_.rowBytes = static_cast<short>(0x8000 | rowBytes);
    map_.bounds = Rect{0, 0, desc.height, desc.width};
    map_.pixelSize = desc.depth;
    if (desc.depth > 8) return noErr;
    map_.pmTable = NewStandardColorTable(desc.depth);
    return map_.pmTable != nullptr ? noErr : memFullErr;
  }
  const PixMap& Map() const { return map_; }

 private:
  PixMap map_{};
};

// The port owning dst, or nullptr when any argument is missing.
Port* CheckArguments(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst) {
  if (data == nullptr || desc == nullptr || *desc == nullptr) return nullptr;
  return PortFromPixMap(dst);
}

OSErr Decompress(Ptr data, ImageDescriptionHandle desc, Port& port, const Rect* srcRect,
                 const MatrixRecord& toPort, short mode, RgnHandle mask) {
  RawImage image;
  OSErr err = image.Describe(data, **desc);
  if (err != noErr) return err;
  const Rect& whole = image.Map().bounds;
  return DrawPixMapThroughMatrix(image.Map(), srcRect != nullptr ? *srcRect : whole, port, &toPort,
                                 mode, port.opColor, mask);
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

}  // extern "C"
