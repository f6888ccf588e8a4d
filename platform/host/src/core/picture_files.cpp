#include "core/picture_files.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "core/port_pixels.h"

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

// --- byte helpers ---

void PutBE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void PutLE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void PutLE16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
uint32_t BE32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t LE32(const uint8_t* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}
uint16_t LE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[1] << 8 | p[0]);
}

// --- PNG ---

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBE32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBE32(out, static_cast<uint32_t>(crc));
}

uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the filter of each row in place; false for an unknown filter.
bool Unfilter(std::vector<uint8_t>& data, size_t rows, size_t stride, size_t bpp) {
  const uint8_t* previous = nullptr;
  for (size_t y = 0; y < rows; ++y) {
    uint8_t* line = data.data() + y * (stride + 1);
    uint8_t filter = line[0];
    uint8_t* row = line + 1;
    for (size_t x = 0; x < stride; ++x) {
      int left = x >= bpp ? row[x - bpp] : 0;
      int up = previous != nullptr ? previous[x] : 0;
      int upLeft = previous != nullptr && x >= bpp ? previous[x - bpp] : 0;
      int add;
      switch (filter) {
        case 0:
          add = 0;
          break;
        case 1:
          add = left;
          break;
        case 2:
          add = up;
          break;
        case 3:
          add = (left + up) / 2;
          break;
        case 4:
          add = Paeth(left, up, upLeft);
          break;
        default:
          return false;
      }
      row[x] = static_cast<uint8_t>(row[x] + add);
    }
    previous = row;
  }
  return true;
}

struct PngHeader {
  uint32_t width = 0, height = 0;
  int depth = 0, colourType = -1, interlace = 0;
};

size_t Channels(int colourType) {
  switch (colourType) {
    case 0:
      return 1;
    case 2:
      return 3;
    case 3:
      return 1;
    case 4:
      return 2;
    case 6:
      return 4;
  }
  return 0;
}

// --- BMP and DIB ---

Picture* DecodeDIB(const uint8_t* dib, size_t size, size_t pixelOffset) {
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
  if (headerSize + paletteCount * 4 > size) return nullptr;
  if (pixelOffset == 0) pixelOffset = headerSize + paletteCount * 4;
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

// A 32-bit GWorld of the given size, pixels locked; null when the engine
// cannot make one.
GWorldPtr NewWorld(int width, int height) {
  Rect bounds{0, 0, static_cast<short>(height), static_cast<short>(width)};
  GWorldPtr world = nullptr;
  if (NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0) != noErr) return nullptr;
  LockPixels(GetGWorldPixMap(world));
  return world;
}

// Records the picture's pixels as a QuickDraw picture; the bytes of its
// handle, empty on failure.
std::vector<uint8_t> RecordPict(const Picture& picture) {
  if (picture.Width() > 32767 || picture.Height() > 32767) return {};
  GWorldPtr world = NewWorld(picture.Width(), picture.Height());
  if (world == nullptr) return {};
  PortPixels port(world);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) port.Set(x, y, picture.Pixel(x, y));
  }
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(world, nullptr);
  Rect frame = port.Bounds();
  PicHandle recorded = OpenPicture(&frame);
  if (recorded != nullptr) ClosePicture();
  SetGWorld(savedPort, savedDevice);
  std::vector<uint8_t> bytes;
  if (recorded != nullptr) {
    const auto* data = reinterpret_cast<const uint8_t*>(*recorded);
    bytes.assign(data, data + GetHandleSize(reinterpret_cast<Handle>(recorded)));
    KillPicture(recorded);
  }
  DisposeGWorld(world);
  return bytes;
}

Picture* DrawPict(const uint8_t* data, size_t size) {
  Handle handle = nullptr;
  if (size > 0x7FFFFFFF || PtrToHand(data, &handle, static_cast<long>(size)) != noErr) {
    return nullptr;
  }
  auto pict = reinterpret_cast<PicHandle>(handle);
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pict, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  Picture* picture = nullptr;
  GWorldPtr world = SizeAcceptable(width, height) ? NewWorld(width, height) : nullptr;
  if (world != nullptr) {
    CGrafPtr savedPort = nullptr;
    GDHandle savedDevice = nullptr;
    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(world, nullptr);
    Rect target{0, 0, static_cast<short>(height), static_cast<short>(width)};
    DrawPicture(pict, &target);
    SetGWorld(savedPort, savedDevice);
    PortPixels port(world);
    picture = new Picture(width, height, 32);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) picture->Pixel(x, y) = port.Get(x, y);
    }
    DisposeGWorld(world);
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

std::string FormatOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return "png";
  if (ext == ".bmp") return "bmp";
  if (ext == ".pct" || ext == ".pict") return "pict";
  if (ext == ".jpg" || ext == ".jpeg") return "jpeg";
  return "";
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

std::vector<uint8_t> EncodePNG(const Picture& picture) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(picture.Height()) * (picture.Width() * 4 + 1));
  for (int y = 0; y < picture.Height(); ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < picture.Width(); ++x) {
      uint32_t p = picture.Pixel(x, y);
      raw.insert(raw.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                             static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)});
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK) {
    return {};
  }
  packed.resize(packedSize);
  std::vector<uint8_t> header;
  PutBE32(header, static_cast<uint32_t>(picture.Width()));
  PutBE32(header, static_cast<uint32_t>(picture.Height()));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filters, no interlace
  std::vector<uint8_t> out(std::begin(kPngSignature), std::end(kPngSignature));
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

Picture* DecodePNG(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kPngSignature, 8) != 0) return nullptr;
  PngHeader header;
  std::vector<uint8_t> packed;
  std::array<uint32_t, 256> palette{};
  size_t paletteCount = 0;
  for (size_t at = 8; at + 12 <= bytes.size();) {
    uint32_t length = BE32(&bytes[at]);
    if (length > bytes.size() - at - 12) return nullptr;
    const uint8_t* type = &bytes[at + 4];
    const uint8_t* data = &bytes[at + 8];
    if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
      header.width = BE32(data);
      header.height = BE32(data + 4);
      header.depth = data[8];
      header.colourType = data[9];
      header.interlace = data[12];
    } else if (std::memcmp(type, "PLTE", 4) == 0) {
      paletteCount = std::min<size_t>(length / 3, 256);
      for (size_t i = 0; i < paletteCount; ++i) {
        palette[i] = Argb(255, data[3 * i], data[3 * i + 1], data[3 * i + 2]);
      }
    } else if (std::memcmp(type, "tRNS", 4) == 0 && header.colourType == 3) {
      for (size_t i = 0; i < std::min<size_t>(length, paletteCount); ++i) {
        palette[i] = (palette[i] & 0xFFFFFF) | uint32_t{data[i]} << 24;
      }
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      packed.insert(packed.end(), data, data + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      break;
    }
    at += 12 + length;
  }
  size_t channels = Channels(header.colourType);
  if (header.depth != 8 || channels == 0 || header.interlace != 0 ||
      !SizeAcceptable(header.width, header.height) ||
      (header.colourType == 3 && paletteCount == 0)) {
    return nullptr;
  }
  size_t stride = header.width * channels;
  uLongf rawSize = static_cast<uLongf>((stride + 1) * header.height);
  std::vector<uint8_t> raw(rawSize);
  uLongf produced = rawSize;
  if (uncompress(raw.data(), &produced, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      produced != rawSize || !Unfilter(raw, header.height, stride, channels)) {
    return nullptr;
  }
  auto* picture = new Picture(static_cast<int>(header.width), static_cast<int>(header.height), 32);
  for (uint32_t y = 0; y < header.height; ++y) {
    const uint8_t* row = raw.data() + y * (stride + 1) + 1;
    for (uint32_t x = 0; x < header.width; ++x) {
      const uint8_t* p = row + x * channels;
      uint32_t argb = 0;
      switch (header.colourType) {
        case 0:
          argb = Argb(255, p[0], p[0], p[0]);
          break;
        case 2:
          argb = Argb(255, p[0], p[1], p[2]);
          break;
        case 3:
          argb = p[0] < paletteCount ? palette[p[0]] : Argb(255, 0, 0, 0);
          break;
        case 4:
          argb = Argb(p[1], p[0], p[0], p[0]);
          break;
        case 6:
          argb = Argb(p[3], p[0], p[1], p[2]);
          break;
      }
      picture->Pixel(static_cast<int>(x), static_cast<int>(y)) = argb;
    }
  }
  return picture;
}

std::vector<uint8_t> EncodeBMP(const Picture& picture) {
  size_t rowBytes = (static_cast<size_t>(picture.Width()) * 3 + 3) & ~size_t{3};
  size_t imageSize = rowBytes * picture.Height();
  std::vector<uint8_t> out = {'B', 'M'};
  PutLE32(out, static_cast<uint32_t>(54 + imageSize));
  PutLE32(out, 0);
  PutLE32(out, 54);
  PutLE32(out, 40);
  PutLE32(out, static_cast<uint32_t>(picture.Width()));
  PutLE32(out, static_cast<uint32_t>(picture.Height()));  // rows bottom-up
  PutLE16(out, 1);
  PutLE16(out, 24);
  PutLE32(out, 0);
  PutLE32(out, static_cast<uint32_t>(imageSize));
  PutLE32(out, 2835);  // 72 dots per inch
  PutLE32(out, 2835);
  PutLE32(out, 0);
  PutLE32(out, 0);
  for (int y = picture.Height() - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < picture.Width(); ++x) {
      uint32_t p = picture.Pixel(x, y);
      out.insert(out.end(), {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8),
                             static_cast<uint8_t>(p >> 16)});
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

Picture* PictureFromPort(CGrafPtr port) {
  PortPixels pixels(port);
  if (!pixels.Usable()) return nullptr;
  const Rect& bounds = pixels.Bounds();
  auto* picture = new Picture(bounds.right - bounds.left, bounds.bottom - bounds.top, 32);
  for (int y = 0; y < picture->Height(); ++y) {
    for (int x = 0; x < picture->Width(); ++x) {
      picture->Pixel(x, y) = pixels.Get(bounds.left + x, bounds.top + y);
    }
  }
  return picture;
}

Picture* PictureFromDIB(const uint8_t* bitmap, size_t size) {
  return bitmap != nullptr ? DecodeDIB(bitmap, size, 0) : nullptr;
}

bool SavePicture(const Picture& picture, const std::string& path, std::string_view format,
                 std::string& error) {
  std::string chosen = format.empty() ? FormatOf(path) : std::string(format);
  for (char& c : chosen) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::vector<uint8_t> bytes;
  if (picture.Width() == 0 || picture.Height() == 0) {
    error = "an empty picture cannot be saved";
    return false;
  }
  if (chosen == "png") {
    bytes = EncodePNG(picture);
  } else if (chosen == "bmp") {
    bytes = EncodeBMP(picture);
  } else if (chosen == "pict") {
    bytes = RecordPict(picture);
    if (!bytes.empty()) bytes.insert(bytes.begin(), 512, 0);
  } else if (chosen == "jpeg" || chosen == "jpg") {
    error = "JPEG pictures cannot be written by this host";
    return false;
  } else {
    error = format.empty() ? "cannot tell a picture format from the name " + path
                           : "unknown picture format " + std::string(format);
    return false;
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
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) {
    picture = DecodePNG(bytes);
  } else if (bytes.size() >= 54 && bytes[0] == 'B' && bytes[1] == 'M') {
    uint32_t pixelOffset = LE32(&bytes[10]);
    if (pixelOffset >= 14)
      picture = DecodeDIB(bytes.data() + 14, bytes.size() - 14, pixelOffset - 14);
  } else if (IsPictAt(bytes, 512)) {
    picture = DrawPict(bytes.data() + 512, bytes.size() - 512);
  } else if (IsPictAt(bytes, 0)) {
    picture = DrawPict(bytes.data(), bytes.size());
  }
  if (picture == nullptr) error = path + " is not a picture this host reads";
  return picture;
}

}  // namespace fenra::host
