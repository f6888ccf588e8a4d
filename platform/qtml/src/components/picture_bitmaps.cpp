// GetDIBFromPICT: a picture as the device-independent bitmap a Windows
// host builds pictures from.
#include <cstring>

#include "QTML.h"
#include "base/api_call.h"
#include "components/still_images.h"
#include "memory/memory.h"
#include "quickdraw/pict_codec.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi

void PutLE16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}
void PutLE32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Writes the header and the rows (bottom row first, B, G, R, 0) of the
// image into `out`, which holds kInfoHeaderSize + 4 × width × height bytes.
void WriteBitmap(const StillImage& image, uint8_t* out) {
  uint32_t imageSize = static_cast<uint32_t>(image.pixels.size());
  std::memset(out, 0, kInfoHeaderSize);
  PutLE32(out, kInfoHeaderSize);
  PutLE32(out + 4, static_cast<uint32_t>(image.width));
  PutLE32(out + 8, static_cast<uint32_t>(image.height));
  PutLE16(out + 12, 1);
  PutLE16(out + 14, 32);
  PutLE32(out + 20, imageSize);
  PutLE32(out + 24, kPixelsPerMetre);
  PutLE32(out + 28, kPixelsPerMetre);
  uint8_t* row = out + kInfoHeaderSize;
  for (int y = image.height - 1; y >= 0; --y) {
    const uint8_t* in = image.pixels.data() + static_cast<size_t>(y) * image.RowBytes();
    for (int x = 0; x < image.width; ++x, in += 4, row += 4) {
      row[0] = in[3];
      row[1] = in[2];
      row[2] = in[1];
      row[3] = 0;
    }
  }
}

Handle BitmapOfPicture(PicHandle picture, OSErr* err) {
  Handle h = reinterpret_cast<Handle>(picture);
  if (picture == nullptr || !IsHandle(h)) {
    *err = paramErr;
    return nullptr;
  }
  StillImage image;
  *err = ImageOfPicture(reinterpret_cast<const uint8_t*>(*h), static_cast<size_t>(HandleSize(h)),
                        &image);
  if (*err == codecImageBufErr) *err = memFullErr;
  if (*err != noErr) return nullptr;
  Handle bitmap =
      NewHandleBytes(static_cast<Size>(kInfoHeaderSize + image.pixels.size()), false, err);
  if (bitmap == nullptr) return nullptr;
  WriteBitmap(image, reinterpret_cast<uint8_t*>(*bitmap));
  return bitmap;
}

}  // namespace
}  // namespace qtml

extern "C" {

Handle GetDIBFromPICT(PicHandle hPict) try {
  qtml::ApiCall call("GetDIBFromPICT", hPict);
  OSErr err = call.Fault();
  Handle bitmap = nullptr;
  if (err == noErr) {
    bitmap = qtml::Guarded<Handle>(nullptr, [&] { return qtml::BitmapOfPicture(hPict, &err); });
    if (bitmap == nullptr && err == noErr) err = memFullErr;
  }
  qtml::SetQDError(err);
  return call.Return(bitmap);
} catch (...) {
  return qtml::Escaped<Handle>();
}

}  // extern "C"
