// Thumbnails of pictures and pixel maps: the image resampled to fit the
// thumbnail square, each thumbnail pixel the average of the image area it
// covers, recorded as a picture.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ImageCompression.h"
#include "base/api_call.h"
#include "components/still_images.h"
#include "memory/memory.h"
#include "quickdraw/pict_codec.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr int kThumbnailSide = 80;

// The thumbnail's size: the image's proportions, the longer side 80.
void ThumbnailSize(int width, int height, int* outWidth, int* outHeight) {
  if (width >= height) {
    *outWidth = kThumbnailSide;
    *outHeight = std::max(1, static_cast<int>(std::lround(1.0 * height * kThumbnailSide / width)));
  } else {
    *outHeight = kThumbnailSide;
    *outWidth = std::max(1, static_cast<int>(std::lround(1.0 * width * kThumbnailSide / height)));
  }
}

// The source pixels one output pixel covers along one axis, and how much
// of each.
struct Coverage {
  int first = 0;
  std::vector<double> weights;  // summing to 1
};

std::vector<Coverage> Coverages(int from, int to) {
  std::vector<Coverage> all(static_cast<size_t>(to));
  double step = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    double start = i * step, end = (i + 1) * step;
    int first = std::min(static_cast<int>(start), from - 1);
    int last = std::min(static_cast<int>(std::ceil(end)) - 1, from - 1);
    Coverage& c = all[static_cast<size_t>(i)];
    c.first = first;
    for (int j = first; j <= last; ++j) {
      double overlap = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
      c.weights.push_back(std::max(overlap, 0.0) / step);
    }
  }
  return all;
}

// The image averaged down (or spread up) to width × height, channels as
// doubles A, R, G, B.
std::vector<double> Resample(const StillImage& image, int width, int height) {
  std::vector<Coverage> across = Coverages(image.width, width);
  std::vector<Coverage> down = Coverages(image.height, height);
  // Rows first: each source row resampled across.
  std::vector<double> rows(static_cast<size_t>(image.height) * width * 4, 0.0);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* in = image.pixels.data() + static_cast<size_t>(y) * image.RowBytes();
    double* out = rows.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      const Coverage& c = across[static_cast<size_t>(x)];
      for (size_t k = 0; k < c.weights.size(); ++k) {
        const uint8_t* p = in + (c.first + static_cast<int>(k)) * 4;
        for (int ch = 0; ch < 4; ++ch) out[x * 4 + ch] += c.weights[k] * p[ch];
      }
    }
  }
  std::vector<double> result(static_cast<size_t>(height) * width * 4, 0.0);
  for (int y = 0; y < height; ++y) {
    const Coverage& c = down[static_cast<size_t>(y)];
    double* out = result.data() + static_cast<size_t>(y) * width * 4;
    for (size_t k = 0; k < c.weights.size(); ++k) {
      const double* in =
          rows.data() + static_cast<size_t>(c.first + static_cast<int>(k)) * width * 4;
      for (int i = 0; i < width * 4; ++i) out[i] += c.weights[k] * in[i];
    }
  }
  return result;
}

// A channel kept to the bits a depth holds: 5 at 16 bits, spread back
// over 8 as QuickDraw reads them.
Argb Channel(double value, int depth) {
  auto c = static_cast<Argb>(std::clamp(std::lround(value), 0L, 255L));
  if (depth == 16) c = (c >> 3) << 3 | c >> 5;
  return c;
}

pict::Image ThumbnailImage(const StillImage& source, int depth) {
  pict::Image thumbnail;
  ThumbnailSize(source.width, source.height, &thumbnail.width, &thumbnail.height);
  thumbnail.bounds =
      Rect{0, 0, static_cast<short>(thumbnail.height), static_cast<short>(thumbnail.width)};
  std::vector<double> values = Resample(source, thumbnail.width, thumbnail.height);
  thumbnail.pixels.resize(static_cast<size_t>(thumbnail.width) * thumbnail.height);
  for (size_t i = 0; i < thumbnail.pixels.size(); ++i) {
    const double* v = values.data() + i * 4;
    thumbnail.pixels[i] =
        0xFF000000u | Channel(v[1], depth) << 16 | Channel(v[2], depth) << 8 | Channel(v[3], depth);
  }
  return thumbnail;
}

bool ThumbnailDepth(short depth) {
  return depth == 0 || depth == 16 || depth == 24 || depth == 32;
}

// Stores the thumbnail of `source` in the caller's handle.
OSErr StoreThumbnail(const StillImage& source, short depth, PicHandle thumbnail) {
  pict::Image image = ThumbnailImage(source, depth);
  std::vector<uint8_t> bytes;
  if (OSErr err = pict::Encode(image.bounds, image, &bytes)) return err;
  return SetHandleBytes(reinterpret_cast<Handle>(thumbnail), bytes.data(),
                        static_cast<Size>(bytes.size()));
}

OSErr CheckRequest(short depth, PicHandle thumbnail) {
  if (thumbnail == nullptr || !ThumbnailDepth(depth)) return paramErr;
  return CheckHandle(reinterpret_cast<Handle>(thumbnail));
}

OSErr ThumbnailOfPicture(PicHandle picture, short depth, PicHandle thumbnail) {
  if (OSErr err = CheckRequest(depth, thumbnail)) return err;
  Handle h = reinterpret_cast<Handle>(picture);
  if (picture == nullptr || !IsHandle(h)) return paramErr;
  StillImage image;
  OSErr err = ImageOfPicture(reinterpret_cast<const uint8_t*>(*h),
                             static_cast<size_t>(HandleSize(h)), &image);
  if (err != noErr) return err;
  return StoreThumbnail(image, depth, thumbnail);
}

// The pixel map a handle names: a port's, or a PixMap the Memory Manager
// holds.
const PixMap* PixMapOfHandle(PixMapHandle src) {
  if (Port* port = PortFromPixMap(src)) return &port->pixMap;
  Handle h = reinterpret_cast<Handle>(src);
  if (src == nullptr || !IsHandle(h) || HandleSize(h) < static_cast<Size>(sizeof(PixMap))) {
    return nullptr;
  }
  return *src;
}

OSErr ThumbnailOfPixMap(PixMapHandle src, const Rect* srcRect, short depth, PicHandle thumbnail) {
  if (OSErr err = CheckRequest(depth, thumbnail)) return err;
  const PixMap* map = PixMapOfHandle(src);
  if (map == nullptr) return paramErr;
  StillImage image;
  OSErr err = ImageOfPixMap(*map, srcRect != nullptr ? *srcRect : map->bounds, &image);
  if (err != noErr) return err;
  return StoreThumbnail(image, depth, thumbnail);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;

extern "C" {

OSErr MakeThumbnailFromPicture(PicHandle picture, short colorDepth, PicHandle thumbnail,
                               ICMProgressProcRecordPtr progressProc) try {
  ApiCall call("MakeThumbnailFromPicture", picture, colorDepth, thumbnail, progressProc);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::Guarded<OSErr>(
      memFullErr, [&] { return qtml::ThumbnailOfPicture(picture, colorDepth, thumbnail); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr MakeThumbnailFromPixMap(PixMapHandle src, const Rect* srcRect, short colorDepth,
                              PicHandle thumbnail, ICMProgressProcRecordPtr progressProc) try {
  ApiCall call("MakeThumbnailFromPixMap", src, srcRect, colorDepth, thumbnail, progressProc);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::Guarded<OSErr>(
      memFullErr, [&] { return qtml::ThumbnailOfPixMap(src, srcRect, colorDepth, thumbnail); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
