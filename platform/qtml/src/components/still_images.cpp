// Decoding still images: image files through FFmpeg's decoders (the whole
// file is one packet to them), PICT files and pictures through QuickDraw's
// own reader, and pixel maps read pixel by pixel.
#include "components/still_images.h"

#include <climits>
#include <cstring>

#include "components/ffmpeg_ptr.h"
#include "components/importers.h"
#include "components/yuv_pixels.h"
#include "quickdraw/picture.h"
#include "quickdraw/pict_codec.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace qtml {
namespace {

constexpr size_t kPictFileHeader = 512;

bool Holdable(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxStillWidth && height <= kMaxStillHeight;
}

OSErr Allocate(int width, int height, StillImage* image) {
  if (!Holdable(width, height)) return codecImageBufErr;
  image->width = width;
  image->height = height;
  image->hasAlpha = false;
  image->pixels.assign(static_cast<size_t>(width) * 4 * static_cast<size_t>(height), 0);
  return noErr;
}

bool FormatHasAlpha(int format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
  return d != nullptr && ((d->flags & AV_PIX_FMT_FLAG_ALPHA) != 0 || format == AV_PIX_FMT_PAL8);
}

// Whether any pixel is less than opaque (a palette with transparency
// says nothing until a pixel uses it).
bool AnyTranslucent(const StillImage& image) {
  for (size_t i = 0; i < image.pixels.size(); i += 4) {
    if (image.pixels[i] != 0xFF) return true;
  }
  return false;
}

OSErr ConvertFrame(const AVFrame& frame, StillImage* image) {
  if (OSErr err = Allocate(frame.width, frame.height, image)) return err;
  uint8_t* base = image->pixels.data();
  if (ConvertsYuv(frame.format)) {
    YuvToArgb(frame, base, image->RowBytes());
    return noErr;
  }
  ScalePtr scale(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                frame.width, frame.height, AV_PIX_FMT_ARGB,
                                SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                                nullptr));
  if (scale == nullptr) return codecErr;
  uint8_t* planes[4] = {base, nullptr, nullptr, nullptr};
  int lines[4] = {static_cast<int>(image->RowBytes()), 0, 0, 0};
  if (sws_scale(scale.get(), frame.data, frame.linesize, 0, frame.height, planes, lines) <= 0) {
    return codecErr;
  }
  image->hasAlpha = FormatHasAlpha(frame.format) && AnyTranslucent(*image);
  return noErr;
}

// One packet of the whole file; the decoder may want a second call (or
// the end of the stream) before it gives the image.
OSErr DecodeWithFFmpeg(int codecId, const std::string& file, StillImage* image) {
  const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(codecId));
  if (codec == nullptr) return noCodecErr;
  if (file.empty() || file.size() > static_cast<size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) {
    return codecErr;
  }
  CodecContextPtr context(avcodec_alloc_context3(codec));
  PacketPtr packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  if (context == nullptr || packet == nullptr || frame == nullptr) return memFullErr;
  context->thread_count = 1;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return codecErr;
  if (av_new_packet(packet.get(), static_cast<int>(file.size())) < 0) return memFullErr;
  std::memcpy(packet->data, file.data(), file.size());
  packet->flags |= AV_PKT_FLAG_KEY;
  if (avcodec_send_packet(context.get(), packet.get()) < 0) return codecErr;
  int got = avcodec_receive_frame(context.get(), frame.get());
  if (got == AVERROR(EAGAIN)) {
    avcodec_send_packet(context.get(), nullptr);
    got = avcodec_receive_frame(context.get(), frame.get());
  }
  if (got == AVERROR(ENOMEM)) return memFullErr;
  if (got < 0) return codecErr;
  return ConvertFrame(*frame, image);
}

}  // namespace

PixMap StillImage::Map() {
  PixMap map{};
  map.baseAddr = reinterpret_cast<Ptr>(pixels.data());
  map.rowBytes = static_cast<short>(0x8000 | RowBytes());
  map.bounds = Bounds();
  map.hRes = map.vRes = 72 << 16;
  map.pixelType = RGBDirect;
  map.pixelSize = 32;
  map.cmpCount = 3;
  map.cmpSize = 8;
  map.pixelFormat = k32ARGBPixelFormat;
  return map;
}

size_t PictureOffsetInFile(const uint8_t* bytes, size_t size) {
  Rect frame;
  // A picture's version opcode follows its 10-byte header: 0x0011 (version
  // 2) or 0x11 (version 1).
  auto versionAt = [&](size_t at) {
    size_t op = at + pict::kPictureHeaderSize;
    return size >= op + 2 && ((bytes[op] == 0x00 && bytes[op + 1] == 0x11) || bytes[op] == 0x11);
  };
  if (versionAt(kPictFileHeader)) return kPictFileHeader;
  if (versionAt(0) && pict::ReadFrame(bytes, size, &frame)) return 0;
  return kPictFileHeader;
}

OSErr DecodeImageFile(OSType format, const std::string& file, StillImage* image) {
  if (format == 'PICT') {
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    size_t offset = PictureOffsetInFile(bytes, file.size());
    if (file.size() < offset + pict::kPictureHeaderSize) return codecErr;
    OSErr err = ImageOfPicture(bytes + offset, file.size() - offset, image);
    return err == paramErr ? codecErr : err;
  }
  int codec = ImageCodecOfFormat(format);
  if (codec == 0) return noCodecErr;
  return DecodeWithFFmpeg(codec, file, image);
}

OSErr ImageOfPicture(const uint8_t* bytes, size_t size, StillImage* image) {
  Rect frame;
  if (!pict::ReadFrame(bytes, size, &frame) || IsEmpty(frame)) return paramErr;
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (!Holdable(width, height)) return codecImageBufErr;
  Rect bounds{0, 0, static_cast<short>(height), static_cast<short>(width)};
  GWorldPtr world = nullptr;
  if (OSErr err = NewWorld(&world, 32, &bounds, nullptr)) return err;
  // The world goes on every path, also when drawing throws.
  WorldOwner owner{world};
  Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
  FillPixels(port->pixMap, bounds, kWhite);
  if (OSErr err = PlayPicture(*port, bytes, size, bounds)) return err;
  return ImageOfPixMap(port->pixMap, bounds, image);
}

OSErr ImageOfPixMap(const PixMap& map, const Rect& part, StillImage* image) {
  if (map.baseAddr == nullptr || IsEmpty(part)) return paramErr;
  const Rect& b = map.bounds;
  if (part.left < b.left || part.top < b.top || part.right > b.right || part.bottom > b.bottom) {
    return paramErr;
  }
  if (OSErr err = Allocate(part.right - part.left, part.bottom - part.top, image)) return err;
  uint8_t* out = image->pixels.data();
  for (int y = part.top; y < part.bottom; ++y) {
    for (int x = part.left; x < part.right; ++x, out += 4) {
      Argb c = map.pixelSize == 32 ? GetPixel(map, x, y) : GetPixel(map, x, y) | 0xFF000000u;
      out[0] = static_cast<uint8_t>(c >> 24);
      out[1] = static_cast<uint8_t>(c >> 16);
      out[2] = static_cast<uint8_t>(c >> 8);
      out[3] = static_cast<uint8_t>(c);
    }
  }
  return noErr;
}

}  // namespace qtml
