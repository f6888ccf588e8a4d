#include "core/picture_files.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "core/image_codecs.h"
#include "core/pixel_world.h"

namespace fenra::host {
namespace {

// Larger pictures are refused rather than allocated.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

bool SizeAcceptable(int64_t width, int64_t height) {
  return width > 0 && height > 0 && static_cast<uint64_t>(width) * height <= kMaxPixels;
}

uint32_t Argb(unsigned alpha, unsigned red, unsigned green, unsigned blue) {
  return alpha << 24 | red << 16 | green << 8 | blue;
}

uint32_t LE32(const uint8_t* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}
uint16_t LE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[1] << 8 | p[0]);
}

// --- DIB ---

Picture* DecodeDIB(const uint8_t* dib, size_t size) {
  if (size < 40) return nullptr;
  uint32_t headerSize = LE32(dib);
  auto width = static_cast<int32_t>(LE32(dib + 4));
  auto height = static_cast<int32_t>(LE32(dib + 8));
  int bits = LE16(dib + 14);
  uint32_t compression = LE32(dib + 16);
  uint32_t coloursUsed = LE32(dib + 32);
  bool bottomUp = height > 0;
  int64_t rows = bottomUp ? height : -int64_t{height};
  if (headerSize < 40 || compression != 0 || (bits != 8 && bits != 24 && bits != 32) ||
      !SizeAcceptable(width, rows)) {
    return nullptr;
  }
  size_t paletteCount = bits == 8 ? (coloursUsed == 0 ? 256 : coloursUsed) : 0;
  if (paletteCount > 256) return nullptr;
  const uint8_t* palette = dib + headerSize;
  size_t pixelOffset = headerSize + paletteCount * 4;
  size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  if (pixelOffset > size || rowBytes * static_cast<size_t>(rows) > size - pixelOffset) {
    return nullptr;
  }
  auto* picture = new Picture(width, static_cast<int>(rows), 32);
  for (int64_t y = 0; y < rows; ++y) {
    const uint8_t* row =
        dib + pixelOffset + rowBytes * static_cast<size_t>(bottomUp ? rows - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* px = bits == 8 ? palette + 4 * std::min<size_t>(row[x], paletteCount - 1)
                                    : row + x * (bits / 8);
      picture->Pixel(x, static_cast<int>(y)) = Argb(255, px[2], px[1], px[0]);
    }
  }
  return picture;
}

// --- PICT, through the engine ---

// Records the picture's pixels as a QuickDraw picture; the bytes of its
// handle, empty on failure.
std::vector<uint8_t> RecordPict(const Picture& picture) {
  std::unique_ptr<PixelWorld> world = WorldOfPicture(picture, 0, picture.Width());
  if (world == nullptr) return {};
  HostDrawing scope(world->World());
  Rect frame = world->Bounds();
  PicHandle recorded = OpenPicture(&frame);
  if (recorded == nullptr) return {};
  ClosePicture();
  const auto* data = reinterpret_cast<const uint8_t*>(*recorded);
  std::vector<uint8_t> bytes(data, data + GetHandleSize(reinterpret_cast<Handle>(recorded)));
  KillPicture(recorded);
  return bytes;
}

// Draws the picture data into a world of its frame's size.
Picture* DrawPict(const uint8_t* data, size_t size) {
  HostDrawing quiet;
  Handle handle = nullptr;
  if (size > 0x7FFFFFFF || PtrToHand(data, &handle, static_cast<long>(size)) != noErr) {
    return nullptr;
  }
  auto pict = reinterpret_cast<PicHandle>(handle);
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pict, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  Picture* picture = nullptr;
  if (SizeAcceptable(width, height)) {
    Rect target{0, 0, static_cast<short>(height), static_cast<short>(width)};
    PixelWorld world(target);
    if (world.Usable()) {
      {
        HostDrawing scope(world.World());
        DrawPicture(pict, &target);
      }
      picture = PictureOfWorld(world);
    }
  }
  DisposeHandle(handle);
  return picture;
}

// A PICT's picture data begins with its size word, its frame and the
// version 2 opcodes 0x0011 0x02FF; files put 512 bytes before it.
bool IsPictAt(const std::vector<uint8_t>& bytes, size_t start) {
  static constexpr uint8_t kVersion2[4] = {0x00, 0x11, 0x02, 0xFF};
  return bytes.size() >= start + 14 && std::memcmp(bytes.data() + start + 10, kVersion2, 4) == 0;
}

// --- files ---

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string FormatOf(const std::string& path) {
  std::string ext = Lowercase(std::filesystem::path(path).extension().string());
  if (ext == ".png") return "png";
  if (ext == ".bmp") return "bmp";
  if (ext == ".pct" || ext == ".pict") return "pict";
  if (ext == ".jpg" || ext == ".jpeg") return "jpeg";
  return "";
}

// The format FFmpeg encodes for a format name; none for PICT and unknown
// names.
std::optional<ImageFormat> ImageFormatNamed(const std::string& name) {
  if (name == "png") return ImageFormat::kPng;
  if (name == "bmp") return ImageFormat::kBmp;
  if (name == "jpeg" || name == "jpg") return ImageFormat::kJpeg;
  return std::nullopt;
}

// The image format of a file's bytes, by signature.
std::optional<ImageFormat> ImageFormatOf(const std::vector<uint8_t>& bytes) {
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static constexpr uint8_t kJpeg[3] = {0xFF, 0xD8, 0xFF};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0) return ImageFormat::kPng;
  if (bytes.size() >= 54 && bytes[0] == 'B' && bytes[1] == 'M') return ImageFormat::kBmp;
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), kJpeg, 3) == 0) return ImageFormat::kJpeg;
  return std::nullopt;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

Picture* PictureFromDIB(const uint8_t* bitmap, size_t size) {
  return bitmap != nullptr ? DecodeDIB(bitmap, size) : nullptr;
}

bool SavePicture(const Picture& picture, const std::string& path, std::string_view format,
                 std::string& error) {
  if (picture.Width() == 0 || picture.Height() == 0) {
    error = "an empty picture cannot be saved";
    return false;
  }
  std::string chosen = Lowercase(format.empty() ? FormatOf(path) : std::string(format));
  std::optional<ImageFormat> image = ImageFormatNamed(chosen);
  if (!image && chosen != "pict") {
    error = format.empty() ? "cannot tell a picture format from the name " + path
                           : "unknown picture format " + std::string(format);
    return false;
  }
  std::vector<uint8_t> bytes;
  if (image) {
    bytes = EncodeImage(picture, *image);
  } else {
    bytes = RecordPict(picture);
    if (!bytes.empty()) bytes.insert(bytes.begin(), 512, 0);
  }
  if (bytes.empty()) {
    error = "cannot encode the picture as " + chosen;
    return false;
  }
  if (!WriteFile(path, bytes)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

Picture* LoadPicture(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return nullptr;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  Picture* picture = nullptr;
  if (std::optional<ImageFormat> image = ImageFormatOf(bytes)) {
    picture = DecodeImage(bytes, *image);
  } else if (IsPictAt(bytes, 512)) {
    picture = DrawPict(bytes.data() + 512, bytes.size() - 512);
  } else if (IsPictAt(bytes, 0)) {
    picture = DrawPict(bytes.data(), bytes.size());
  }
  if (picture == nullptr) error = path + " is not a picture this host reads";
  return picture;
}

}  // namespace fenra::host
