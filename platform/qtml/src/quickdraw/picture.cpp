// OpenPicture, ClosePicture, DrawPicture and friends, over pict_codec.
#include "quickdraw/picture.h"

#include <memory>
#include <string>
#include <vector>

#include "base/api_call.h"
#include "base/byte_order.h"
#include "quickdraw/drawing.h"
#include "memory/memory.h"
#include "files/os.h"
#include "quickdraw/pict_codec.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"
#include "quickdraw/regions.h"

namespace qtml {
namespace {

constexpr size_t kPictFilePreamble = 512;

// Draws a picture's operations into a port, mapping the picture's frame
// onto `target` (port coordinates), inside the port's clip and the
// picture's own.
class PortCanvas : public pict::Canvas {
 public:
  PortCanvas(Port& port, const Rect& frame, const Rect& target)
      : port_(port), frame_(frame), target_(target), drawable_(DrawableShape(port)) {}

  void DrawImage(const pict::Image& image, const Rect& srcRect, const Rect& dstRect) override {
    Rect to = Map(dstRect);
    Rect area = Intersect(Intersect(to, port_.portRect), port_.pixMap.bounds);
    long toWidth = to.right - to.left;
    long toHeight = to.bottom - to.top;
    long fromWidth = srcRect.right - srcRect.left;
    long fromHeight = srcRect.bottom - srcRect.top;
    if (IsEmpty(area) || fromWidth <= 0 || fromHeight <= 0) return;
    for (int y = area.top; y < area.bottom; ++y) {
      // Nearest neighbour: the source pixel under the centre of this one.
      long sy = srcRect.top + ((2L * (y - to.top) + 1) * fromHeight) / (2 * toHeight);
      if (sy < image.bounds.top || sy >= image.bounds.bottom) continue;
      for (int x = area.left; x < area.right; ++x) {
        long sx = srcRect.left + ((2L * (x - to.left) + 1) * fromWidth) / (2 * toWidth);
        if (sx < image.bounds.left || sx >= image.bounds.right || !Visible(x, y)) continue;
        SetPixel(port_.pixMap, x, y,
                 image.At(static_cast<int>(sx - image.bounds.left),
                          static_cast<int>(sy - image.bounds.top)));
      }
    }
  }

  void FillRect(const Rect& rect, Argb color) override {
    Rect area = Intersect(Intersect(Map(rect), port_.portRect), port_.pixMap.bounds);
    if (port_.pixMap.baseAddr == nullptr) return;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (Visible(x, y)) SetPixel(port_.pixMap, x, y, color);
      }
    }
  }

  void SetClip(const uint8_t* region, size_t size) override {
    hasClip_ = ShapeOfBigEndianRegion(region, size, &clip_);
  }

 private:
  // Whether port pixel (x, y) may change: inside the port's clip, and
  // inside the picture's clip at the picture point under its centre.
  bool Visible(int x, int y) const {
    if (!drawable_.Contains(x, y)) return false;
    if (!hasClip_) return true;
    return clip_.Contains(Unmap(x, target_.left, target_.right, frame_.left, frame_.right),
                          Unmap(y, target_.top, target_.bottom, frame_.top, frame_.bottom));
  }
  static int Unmap(int v, int toStart, int toEnd, int fromStart, int fromEnd) {
    long span = toEnd - toStart;
    return fromStart +
           static_cast<int>(((2L * (v - toStart) + 1) * (fromEnd - fromStart)) / (2 * span));
  }
  short MapX(long x) const {
    long span = frame_.right - frame_.left;
    return static_cast<short>(target_.left +
                              (x - frame_.left) * (target_.right - target_.left) / span);
  }
  short MapY(long y) const {
    long span = frame_.bottom - frame_.top;
    return static_cast<short>(target_.top +
                              (y - frame_.top) * (target_.bottom - target_.top) / span);
  }
  Rect Map(const Rect& r) const {
    Rect m;
    m.left = MapX(r.left);
    m.right = MapX(r.right);
    m.top = MapY(r.top);
    m.bottom = MapY(r.bottom);
    return m;
  }

  Port& port_;
  Rect frame_;
  Rect target_;
  Shape drawable_;
  Shape clip_;
  bool hasClip_ = false;
};

bool IsPicture(PicHandle picture) {
  Handle h = reinterpret_cast<Handle>(picture);
  return IsHandle(h) && HandleSize(h) >= static_cast<Size>(pict::kPictureHeaderSize);
}

// The colour table of an 8-bit port as a palette, or nothing.
std::vector<Argb> PaletteOf(const PixMap& map) {
  std::vector<Argb> palette;
  Handle table = reinterpret_cast<Handle>(map.pmTable);
  if (map.pixelSize != 8 || map.baseAddr == nullptr || !IsHandle(table)) return palette;
  int entries = (**map.pmTable).ctSize + 1;
  for (int i = 0; i < entries && i < 256; ++i) {
    const RGBColor& c = (**map.pmTable).ctTable[i].rgb;
    palette.push_back(ArgbFromRGB(c));
  }
  return palette;
}

// The palette entry nearest white, for the parts of a frame outside the
// port's pixels.
uint8_t WhiteIndex(const std::vector<Argb>& palette) {
  size_t best = 0;
  for (size_t i = 0; i < palette.size(); ++i) {
    if ((palette[i] & 0xFFFFFF) > (palette[best] & 0xFFFFFF)) best = i;
    if ((palette[i] & 0xFFFFFF) == 0xFFFFFF) return static_cast<uint8_t>(i);
  }
  return static_cast<uint8_t>(best);
}

// What the port shows within the frame; white where the frame leaves the
// port's pixels. An 8-bit port's pixels are kept as indices too.
pict::Image Capture(const Port& port, const Rect& frame) {
  pict::Image image;
  image.bounds = frame;
  image.width = frame.right - frame.left;
  image.height = frame.bottom - frame.top;
  if (image.width <= 0 || image.height <= 0) return image;
  size_t count = static_cast<size_t>(image.width) * image.height;
  image.pixels.assign(count, kWhite);
  image.palette = PaletteOf(port.pixMap);
  if (!image.palette.empty()) image.indices.assign(count, WhiteIndex(image.palette));
  const PixMap& map = port.pixMap;
  Rect area = Intersect(frame, map.bounds);
  for (int y = area.top; y < area.bottom; ++y) {
    const auto* row = reinterpret_cast<const uint8_t*>(map.baseAddr) +
                      static_cast<long>(y - map.bounds.top) * (map.rowBytes & 0x3FFF);
    for (int x = area.left; x < area.right; ++x) {
      size_t at = static_cast<size_t>(y - frame.top) * image.width + (x - frame.left);
      image.pixels[at] = GetPixel(map, x, y);
      if (!image.indices.empty()) image.indices[at] = row[x - map.bounds.left];
    }
  }
  return image;
}

OSErr StoreEncoded(PicHandle picture, const Rect& frame, const pict::Image& image,
                   const std::vector<uint8_t>* clip) {
  std::vector<uint8_t> bytes;
  OSErr err = pict::Encode(frame, image, &bytes, clip);
  if (err != noErr) return err;
  return SetHandleBytes(reinterpret_cast<Handle>(picture), bytes.data(),
                        static_cast<Size>(bytes.size()));
}

// A picture of the frame with nothing in it yet.
PicHandle NewEmptyPicture(const Rect& frame, OSErr* err) {
  std::vector<uint8_t> bytes;
  pict::Encode(Rect{frame.top, frame.left, frame.top, frame.left}, pict::Image{}, &bytes);
  // The placeholder keeps the real frame so that QDGetPictureBounds answers it.
  Handle h = NewHandleBytes(static_cast<Size>(bytes.size()), false, err);
  if (h == nullptr) return nullptr;
  SetHandleBytes(h, bytes.data(), static_cast<Size>(bytes.size()));
  auto* header = reinterpret_cast<uint8_t*>(*h);
  WriteBE16(header + 2, static_cast<uint16_t>(frame.top));
  WriteBE16(header + 4, static_cast<uint16_t>(frame.left));
  WriteBE16(header + 6, static_cast<uint16_t>(frame.bottom));
  WriteBE16(header + 8, static_cast<uint16_t>(frame.right));
  return reinterpret_cast<PicHandle>(h);
}

PicHandle Open(const Rect* frame, OSErr* err) {
  Port* port = CurrentPort();
  *err = frame == nullptr ? paramErr : port->recording != nullptr ? paramErr : noErr;
  if (*err != noErr) return nullptr;
  std::unique_ptr<PictureRecording> recording(NewObject<PictureRecording>());
  PicHandle picture = recording != nullptr ? NewEmptyPicture(*frame, err) : nullptr;
  if (picture == nullptr) {
    *err = memFullErr;
    return nullptr;
  }
  *recording = PictureRecording{picture, *frame};
  port->recording = recording.release();
  return picture;
}

OSErr Close() {
  Port* port = CurrentPort();
  PictureRecording* recording = port->recording;
  if (recording == nullptr) return noErr;
  port->recording = nullptr;
  OSErr err = noErr;
  if (IsHandle(reinterpret_cast<Handle>(recording->picture))) {
    err = Guarded<OSErr>(memFullErr, [&] {
      // The port's clip within the frame limits the image, unless it
      // leaves the whole frame.
      Shape frame = Shape::FromRect(recording->frame);
      Shape clip = Shape::Combine(ClipShape(*port), frame, Shape::Op::kIntersect);
      std::vector<uint8_t> clipBytes = RegionBytesBigEndian(clip, true);
      bool clipped = !(clip == frame) && clipBytes.size() <= static_cast<size_t>(kMaxRegionBytes);
      return StoreEncoded(recording->picture, recording->frame, Capture(*port, recording->frame),
                          clipped ? &clipBytes : nullptr);
    });
  }
  delete recording;
  return err;
}

OSErr Draw(PicHandle picture, const Rect* dstRect) {
  if (dstRect == nullptr || !IsPicture(picture)) return paramErr;
  Handle h = reinterpret_cast<Handle>(picture);
  const auto* bytes = reinterpret_cast<const uint8_t*>(*h);
  Rect frame;
  pict::ReadFrame(bytes, static_cast<size_t>(HandleSize(h)), &frame);
  if (IsEmpty(frame) || IsEmpty(*dstRect)) return noErr;
  // Copied: a picture drawn into its own recording port must not move.
  std::vector<uint8_t> copy(bytes, bytes + HandleSize(h));
  return PlayPicture(*CurrentPort(), copy.data(), copy.size(), *dstRect);
}

OSErr WriteFile(const char* path, PicHandle picture) {
  if (path == nullptr || !IsPicture(picture)) return paramErr;
  Handle h = reinterpret_cast<Handle>(picture);
  std::string bytes(kPictFilePreamble, '\0');
  bytes.append(*h, static_cast<size_t>(HandleSize(h)));
  return os::WriteWholeFile(path, bytes);
}

OSErr ReadFile(const char* path, PicHandle* picture) {
  if (path == nullptr || picture == nullptr) return paramErr;
  *picture = nullptr;
  std::string bytes;
  OSErr err = os::ReadWholeFile(path, &bytes);
  if (err != noErr) return err;
  if (bytes.size() < kPictFilePreamble + pict::kPictureHeaderSize) return paramErr;
  Size size = static_cast<Size>(bytes.size() - kPictFilePreamble);
  Handle h = NewHandleBytes(size, false, &err);
  if (h == nullptr) return err;
  SetHandleBytes(h, bytes.data() + kPictFilePreamble, size);
  *picture = reinterpret_cast<PicHandle>(h);
  return noErr;
}

}  // namespace

OSErr PlayPicture(Port& port, const uint8_t* bytes, size_t size, const Rect& target) {
  Rect frame;
  if (!pict::ReadFrame(bytes, size, &frame)) return paramErr;
  if (IsEmpty(frame) || IsEmpty(target)) return noErr;
  PortCanvas canvas(port, frame, target);
  return pict::Decode(bytes, size, canvas);
}

void DiscardRecording(Port& port) noexcept {
  delete port.recording;
  port.recording = nullptr;
}

OSErr PictureOfPort(const Port& port, const Rect& frame, PicHandle* picture) {
  *picture = nullptr;
  OSErr err = memFullErr;
  PicHandle made = Guarded<PicHandle>(nullptr, [&] { return NewEmptyPicture(frame, &err); });
  if (made == nullptr) return err;
  // The capture and its encoding can run out of memory; the handle made
  // for them goes then too.
  err = Guarded<OSErr>(memFullErr,
                       [&] { return StoreEncoded(made, frame, Capture(port, frame), nullptr); });
  if (err != noErr) {
    FreeHandle(reinterpret_cast<Handle>(made));
    return err;
  }
  *picture = made;
  return noErr;
}

OSErr WritePictFile(const char* path, PicHandle picture) {
  return Guarded<OSErr>(memFullErr, [&] { return WriteFile(path, picture); });
}

OSErr ReadPictFile(const char* path, PicHandle* picture) {
  return Guarded<OSErr>(memFullErr, [&] { return ReadFile(path, picture); });
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::SetQDError;

extern "C" {

PicHandle OpenPicture(const Rect* picFrame) try {
  ApiCall call("OpenPicture", picFrame);
  OSErr err = call.Fault();
  PicHandle picture = err == noErr ? qtml::Open(picFrame, &err) : nullptr;
  SetQDError(err);
  return call.Return(picture);
} catch (...) {
  return qtml::Escaped<PicHandle>();
}

void ClosePicture(void) try {
  ApiCall call("ClosePicture");
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Close());
} catch (...) {
  return qtml::Escaped<void>();
}

void KillPicture(PicHandle myPicture) try {
  ApiCall call("KillPicture", myPicture);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  Handle h = reinterpret_cast<Handle>(myPicture);
  OSErr err = qtml::CheckHandle(h);
  // A picture killed while it records just stops recording.
  qtml::Port* port = qtml::CurrentPort();
  if (port->recording != nullptr && port->recording->picture == myPicture) {
    qtml::DiscardRecording(*port);
  }
  qtml::FreeHandle(h);
  SetQDError(err);
} catch (...) {
  return qtml::Escaped<void>();
}

void DrawPicture(PicHandle myPicture, const Rect* dstRect) try {
  ApiCall call("DrawPicture", myPicture, dstRect);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::Draw(myPicture, dstRect); }));
} catch (...) {
  return qtml::Escaped<void>();
}

Rect* QDGetPictureBounds(PicHandle picH, Rect* outRect) try {
  ApiCall call("QDGetPictureBounds", picH, outRect);
  if (outRect == nullptr) return call.Return(outRect);
  *outRect = Rect{0, 0, 0, 0};
  OSErr err = call.Fault();
  if (err == noErr && !qtml::IsPicture(picH)) err = paramErr;
  if (err == noErr) {
    Handle h = reinterpret_cast<Handle>(picH);
    qtml::pict::ReadFrame(reinterpret_cast<const uint8_t*>(*h),
                          static_cast<size_t>(qtml::HandleSize(h)), outRect);
  }
  SetQDError(err);
  return call.Return(outRect);
} catch (...) {
  return qtml::Escaped<Rect*>();
}

}  // extern "C"
