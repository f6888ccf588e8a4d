#include "quickdraw/pict_codec.h"

#include <algorithm>
#include <cstring>

#include "MacErrors.h"
#include "base/byte_order.h"

namespace qtml::pict {
namespace {

constexpr uint16_t kOpNop = 0x0000;
constexpr uint16_t kOpClip = 0x0001;
constexpr uint16_t kOpVersion = 0x0011;
constexpr uint16_t kOpRGBForeColor = 0x001A;
constexpr uint16_t kOpRGBBackColor = 0x001B;
constexpr uint16_t kOpPaintRect = 0x0031;
constexpr uint16_t kOpEraseRect = 0x0032;
constexpr uint16_t kOpPaintSameRect = 0x0039;
constexpr uint16_t kOpEraseSameRect = 0x003A;
constexpr uint16_t kOpBitsRect = 0x0090;
constexpr uint16_t kOpBitsRgn = 0x0091;
constexpr uint16_t kOpPackBitsRect = 0x0098;
constexpr uint16_t kOpPackBitsRgn = 0x0099;
constexpr uint16_t kOpDirectBitsRect = 0x009A;
constexpr uint16_t kOpDirectBitsRgn = 0x009B;
constexpr uint16_t kOpEnd = 0x00FF;
constexpr uint16_t kOpHeader = 0x0C00;
constexpr uint16_t kVersion2 = 0x02FF;

constexpr uint32_t kSeventyTwoDpi = 0x00480000;
constexpr long kMaxRowBytes = 0x3FFE;
constexpr long kMaxPixels = 64L * 1024 * 1024;

// ---- Writing ----

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>* out) : out_(out) {}
  void U8(uint8_t v) { out_->push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v >> 16));
    U16(static_cast<uint16_t>(v));
  }
  void R(const Rect& r) {
    U16(static_cast<uint16_t>(r.top));
    U16(static_cast<uint16_t>(r.left));
    U16(static_cast<uint16_t>(r.bottom));
    U16(static_cast<uint16_t>(r.right));
  }
  void Bytes(const std::vector<uint8_t>& bytes) {
    out_->insert(out_->end(), bytes.begin(), bytes.end());
  }
  void Align() {
    if (out_->size() % 2 != 0) U8(0);
  }
  size_t Size() const { return out_->size(); }

 private:
  std::vector<uint8_t>* out_;
};

void WriteHeader(Writer& w, const Rect& frame, const std::vector<uint8_t>* clip) {
  w.U16(0);  // picSize, filled in at the end
  w.R(frame);
  w.U16(kOpVersion);
  w.U16(kVersion2);
  w.U16(kOpHeader);
  w.U16(0xFFFE);  // extended version 2 header
  w.U16(0);
  w.U32(kSeventyTwoDpi);
  w.U32(kSeventyTwoDpi);
  w.R(frame);
  w.U32(0);
  w.U16(kOpClip);
  w.U16(10);  // a rectangular region: its size word and its bounds
  w.R(frame);
  if (clip != nullptr && clip->size() >= kPictureHeaderSize) {
    w.U16(kOpClip);
    w.Bytes(*clip);
    w.Align();
  }
}

// The width an image is stored at. Readers disagree on which row length
// decides that rows go unpacked (under 8 bytes) and that byte counts take
// two bytes (over 250): the pixel map's rowBytes (4 bytes a pixel) or the
// packed planes' length (3 bytes a pixel). Widths where the two answers
// differ are padded on the right with white until they agree; srcRect
// still names only the image.
int StoredWidth(int width) {
  if (width < 3) return 3;
  if (width * 4 > 250 && width * 3 <= 250) return 84;
  return width;
}

// One row as QuickDraw packs 32-bit pixels: the red, green and blue planes
// one after another, PackBits-packed, after their byte count.
void WriteRow(Writer& w, const Image& image, int y, int storedWidth, long rowBytes,
              std::vector<uint8_t>* planes, std::vector<uint8_t>* packed) {
  planes->resize(static_cast<size_t>(storedWidth) * 3);
  for (int x = 0; x < storedWidth; ++x) {
    Argb c = x < image.width ? image.At(x, y) : kWhite;
    (*planes)[static_cast<size_t>(x)] = static_cast<uint8_t>(c >> 16);
    (*planes)[static_cast<size_t>(storedWidth + x)] = static_cast<uint8_t>(c >> 8);
    (*planes)[static_cast<size_t>(2 * storedWidth + x)] = static_cast<uint8_t>(c);
  }
  packed->clear();
  PackBits(planes->data(), planes->size(), packed);
  if (rowBytes > 250) {
    w.U16(static_cast<uint16_t>(packed->size()));
  } else {
    w.U8(static_cast<uint8_t>(packed->size()));
  }
  w.Bytes(*packed);
}

// The image as one DirectBitsRect covering the frame.
void WriteImage(Writer& w, const Rect& frame, const Image& image) {
  int storedWidth = StoredWidth(image.width);
  long rowBytes = static_cast<long>(storedWidth) * 4;
  Rect bounds = frame;
  bounds.right = static_cast<short>(frame.left + storedWidth);
  w.U16(kOpDirectBitsRect);
  w.U32(0x000000FF);  // baseAddr, as pictures carry it
  w.U16(static_cast<uint16_t>(0x8000 | rowBytes));
  w.R(bounds);
  w.U16(0);  // pmVersion
  w.U16(4);  // packType: by component
  w.U32(0);  // packSize
  w.U32(kSeventyTwoDpi);
  w.U32(kSeventyTwoDpi);
  w.U16(16);   // RGBDirect
  w.U16(32);   // pixelSize
  w.U16(3);    // cmpCount
  w.U16(8);    // cmpSize
  w.U32(0);    // planeBytes
  w.U32(0);    // pmTable
  w.U32(0);    // pmReserved
  w.R(frame);  // srcRect
  w.R(frame);  // dstRect
  w.U16(0);    // srcCopy
  std::vector<uint8_t> planes;
  std::vector<uint8_t> packed;
  for (int y = 0; y < image.height; ++y) {
    WriteRow(w, image, y, storedWidth, rowBytes, &planes, &packed);
  }
  w.Align();
}

// The image as one PackBitsRect of 8-bit indices covering the frame.
// Rows are padded to an even length with the index of the first colour.
void WriteIndexedImage(Writer& w, const Rect& frame, const Image& image) {
  long rowBytes = (image.width + 1) & ~1L;
  w.U16(kOpPackBitsRect);
  w.U16(static_cast<uint16_t>(0x8000 | rowBytes));
  w.R(frame);  // bounds
  w.U16(0);    // pmVersion
  w.U16(0);    // packType: PackBits rows
  w.U32(0);    // packSize
  w.U32(kSeventyTwoDpi);
  w.U32(kSeventyTwoDpi);
  w.U16(0);  // pixelType: indexed
  w.U16(8);  // pixelSize
  w.U16(1);  // cmpCount
  w.U16(8);  // cmpSize
  w.U32(0);  // planeBytes
  w.U32(0);  // pmTable
  w.U32(0);  // pmReserved
  w.U32(0);  // ctSeed
  w.U16(0);  // ctFlags: entries carry their index
  w.U16(static_cast<uint16_t>(image.palette.size() - 1));
  for (size_t i = 0; i < image.palette.size(); ++i) {
    Argb c = image.palette[i];
    w.U16(static_cast<uint16_t>(i));
    w.U16(static_cast<uint16_t>(((c >> 16) & 0xFF) * 257));
    w.U16(static_cast<uint16_t>(((c >> 8) & 0xFF) * 257));
    w.U16(static_cast<uint16_t>((c & 0xFF) * 257));
  }
  w.R(frame);  // srcRect
  w.R(frame);  // dstRect
  w.U16(0);    // srcCopy
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
  std::vector<uint8_t> packed;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* indices = &image.indices[static_cast<size_t>(y) * image.width];
    std::copy(indices, indices + image.width, row.begin());
    if (rowBytes < 8) {
      w.Bytes(row);
      continue;
    }
    packed.clear();
    PackBits(row.data(), row.size(), &packed);
    if (rowBytes > 250) {
      w.U16(static_cast<uint16_t>(packed.size()));
    } else {
      w.U8(static_cast<uint8_t>(packed.size()));
    }
    w.Bytes(packed);
  }
  w.Align();
}

// ---- Reading ----

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool Has(size_t n) const { return ok_ && n <= size_ - pos_; }
  const uint8_t* Take(size_t n) {
    if (!Has(n)) {
      ok_ = false;
      return nullptr;
    }
    const uint8_t* at = bytes_ + pos_;
    pos_ += n;
    return at;
  }
  uint8_t U8() {
    const uint8_t* at = Take(1);
    return at ? *at : 0;
  }
  uint16_t U16() {
    const uint8_t* at = Take(2);
    return at ? ReadBE16(at) : 0;
  }
  uint32_t U32() {
    const uint8_t* at = Take(4);
    return at ? ReadBE32(at) : 0;
  }
  Rect R() {
    Rect r;
    r.top = static_cast<short>(U16());
    r.left = static_cast<short>(U16());
    r.bottom = static_cast<short>(U16());
    r.right = static_cast<short>(U16());
    return r;
  }
  void Skip(size_t n) { Take(n); }
  // The next n bytes without taking them, or nullptr.
  const uint8_t* Peek(size_t n) const { return Has(n) ? bytes_ + pos_ : nullptr; }
  // Opcodes of a version 2 picture start on even offsets.
  void Align() {
    if (pos_ % 2 != 0) Skip(1);
  }
  bool ok() const { return ok_; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

struct Bits {
  uint16_t opcode;
  bool direct;
  bool pixMap;
  long rowBytes;
  Rect bounds;
  int packType;
  int pixelSize;
  int cmpCount;
  std::vector<Argb> table;
  Rect srcRect;
  Rect dstRect;
};

void SkipRegion(Reader& r) {
  uint16_t size = r.U16();
  if (size >= 2) r.Skip(size - 2u);
}

void SkipLengthWord(Reader& r) {
  r.Skip(r.U16());
}

// The data length of opcodes 0x00 to 0x2F with fixed data.
constexpr uint8_t kLowOpcodeSizes[0x30] = {
    0, 0, 8, 2, 1, 2, 4, 4, 2, 8, 8, 4, 4, 2, 4, 4,  // 0x00-0x0F
    8, 2, 0, 0, 0, 2, 2, 0, 0, 0, 6, 6, 0, 6, 0, 6,  // 0x10-0x1F
    8, 4, 6, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x20-0x2F
};

// Rectangles, rounded rectangles, ovals and arcs (0x30 to 0x6F), by eights:
// each shape with its rectangle, then "same shape" without.
constexpr uint8_t kShapeOpcodeSizes[8] = {8, 0, 8, 0, 8, 0, 12, 4};

// Text opcodes 0x28 to 0x2B: what comes before the counted text.
bool SkipText(uint16_t op, Reader& r) {
  static constexpr uint8_t kBeforeCount[4] = {4, 1, 1, 2};
  r.Skip(kBeforeCount[op - 0x28]);
  r.Skip(r.U8());
  return true;
}

bool SkipLowOpcode(uint16_t op, Reader& r) {
  if (op == kOpClip) {
    SkipRegion(r);
  } else if (op >= 0x12 && op <= 0x14) {
    return false;  // pixel patterns
  } else if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F)) {
    SkipLengthWord(r);
  } else if (op >= 0x28 && op <= 0x2B) {
    return SkipText(op, r);
  } else {
    r.Skip(kLowOpcodeSizes[op]);
  }
  return true;
}

// Skips the data of an opcode that draws nothing the reader keeps; false
// for an opcode whose length cannot be known.
bool SkipOpcode(uint16_t op, Reader& r) {
  if (op < 0x30) return SkipLowOpcode(op, r);
  if (op < 0x70) {
    r.Skip(kShapeOpcodeSizes[(op - 0x30) >> 3]);
  } else if (op < 0x90) {
    if ((op & 0x08) == 0) SkipRegion(r);  // polygons and regions carry their size
  } else if ((op >= 0x92 && op <= 0x97) || (op >= 0x9C && op <= 0x9F) ||
             (op >= 0xA2 && op <= 0xAF)) {
    SkipLengthWord(r);
  } else if (op == 0xA0) {
    r.Skip(2);  // short comment
  } else if (op == 0xA1) {
    r.Skip(2);  // long comment: kind, then counted data
    SkipLengthWord(r);
  } else if (op >= 0xB0 && op <= 0xCF) {
    // no data
  } else if (op >= 0xD0 && op <= 0xFE) {
    r.Skip(r.U32());
  } else if (op >= 0x0100 && op <= 0x7FFF) {
    r.Skip((op >> 8) * 2u);
  } else if (op >= 0x8100) {
    r.Skip(r.U32());
  }
  return true;  // 0x8000 to 0x80FF carry no data
}

void ReadColorTable(Reader& r, std::vector<Argb>* table) {
  r.Skip(4);  // seed
  bool device = (r.U16() & 0x8000) != 0;
  int count = r.U16() + 1;
  table->assign(256, 0xFF000000u);
  for (int i = 0; i < count && r.ok(); ++i) {
    int value = r.U16();
    Argb c = 0xFF000000u | static_cast<Argb>(r.U16() >> 8) << 16 |
             static_cast<Argb>(r.U16() >> 8) << 8 | static_cast<Argb>(r.U16() >> 8);
    int index = device ? i : value;
    if (index >= 0 && index < 256) (*table)[static_cast<size_t>(index)] = c;
  }
}

bool ReadBitsHeader(uint16_t op, Reader& r, Bits* b) {
  b->opcode = op;
  b->direct = op == kOpDirectBitsRect || op == kOpDirectBitsRgn;
  if (b->direct) r.Skip(4);  // baseAddr
  uint16_t rowBytes = r.U16();
  b->pixMap = b->direct || (rowBytes & 0x8000) != 0;
  b->rowBytes = rowBytes & (b->pixMap ? 0x3FFF : 0x7FFF);
  b->bounds = r.R();
  b->packType = 0;
  b->pixelSize = 1;
  b->cmpCount = 1;
  if (b->pixMap) {
    r.Skip(2);  // pmVersion
    b->packType = r.U16();
    r.Skip(4 + 4 + 4 + 2);  // packSize, hRes, vRes, pixelType
    b->pixelSize = r.U16();
    b->cmpCount = r.U16();
    r.Skip(2 + 4 + 4 + 4);  // cmpSize, planeBytes, pmTable, pmReserved
  }
  if (!b->direct) {
    if (b->pixMap) {
      ReadColorTable(r, &b->table);
    } else {
      b->table = {kWhite, 0xFF000000u};
    }
  }
  b->srcRect = r.R();
  b->dstRect = r.R();
  r.Skip(2);  // transfer mode: the reader always copies
  if (op == kOpBitsRgn || op == kOpPackBitsRgn || op == kOpDirectBitsRgn) SkipRegion(r);
  return r.ok();
}

bool Packed(const Bits& b) {
  if (b.rowBytes < 8 || b.opcode == kOpBitsRect || b.opcode == kOpBitsRgn) return false;
  return !(b.direct && (b.packType == 1 || (b.pixelSize == 32 && b.packType == 2)));
}

// The bytes of one row once unpacked.
size_t UnpackedRowSize(const Bits& b, int width) {
  if (b.direct && b.pixelSize == 32 && b.rowBytes >= 8) {
    if (b.packType == 2) return static_cast<size_t>(width) * 3;
    if (b.packType != 1) return static_cast<size_t>(width) * static_cast<size_t>(b.cmpCount);
  }
  return static_cast<size_t>(b.rowBytes);
}

void ConvertRow(const Bits& b, const uint8_t* row, int width, Argb* out) {
  if (b.pixelSize == 32) {
    bool planar = b.rowBytes >= 8 && b.packType != 1 && b.packType != 2;
    bool chunky24 = b.packType == 2 && b.rowBytes >= 8;
    for (int x = 0; x < width; ++x) {
      // Where red is; green and blue follow it, a plane or a byte apart.
      size_t at = planar ? static_cast<size_t>((b.cmpCount - 3) * width + x)
                         : static_cast<size_t>(chunky24 ? 3 * x : 4 * x + 1);
      size_t step = planar ? static_cast<size_t>(width) : 1;
      uint8_t red = row[at];
      uint8_t green = row[at + step];
      uint8_t blue = row[at + 2 * step];
      out[x] = 0xFF000000u | static_cast<Argb>(red) << 16 | static_cast<Argb>(green) << 8 | blue;
    }
    return;
  }
  if (b.pixelSize == 16) {
    for (int x = 0; x < width; ++x) {
      unsigned v = ReadBE16(row + 2 * x);
      auto expand = [](unsigned c) { return static_cast<Argb>((c << 3) | (c >> 2)); };
      out[x] =
          0xFF000000u | expand((v >> 10) & 31) << 16 | expand((v >> 5) & 31) << 8 | expand(v & 31);
    }
    return;
  }
  int bits = b.pixelSize;
  unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x) {
    long bit = static_cast<long>(x) * bits;
    unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & mask;
    out[x] = index < b.table.size() ? b.table[index] : 0xFF000000u;
  }
}

bool SupportedBits(const Bits& b) {
  if (b.direct) return b.pixelSize == 16 || b.pixelSize == 32;
  return b.pixelSize == 1 || b.pixelSize == 2 || b.pixelSize == 4 || b.pixelSize == 8;
}

// Reads the pixel data after a bits header into an image.
OSErr ReadPixels(Reader& r, const Bits& b, Image* image) {
  int width = b.bounds.right - b.bounds.left;
  int height = b.bounds.bottom - b.bounds.top;
  if (width <= 0 || height <= 0 || !SupportedBits(b)) return paramErr;
  if (static_cast<long>(width) * height > kMaxPixels) return memFullErr;
  bool chunky24 = b.direct && b.pixelSize == 32 && b.packType == 2 && b.rowBytes >= 8;
  if (!chunky24 && b.rowBytes < (static_cast<long>(width) * b.pixelSize + 7) / 8) return paramErr;
  if (b.pixelSize == 32 && b.direct && b.rowBytes >= 8 && b.packType != 1 && !chunky24 &&
      b.cmpCount != 3 && b.cmpCount != 4) {
    return paramErr;
  }
  image->bounds = b.bounds;
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<size_t>(width) * height, kWhite);
  std::vector<uint8_t> row(UnpackedRowSize(b, width));
  for (int y = 0; y < height; ++y) {
    if (Packed(b)) {
      size_t count = b.rowBytes > 250 ? r.U16() : r.U8();
      const uint8_t* data = r.Take(count);
      int unit = b.pixelSize == 16 && b.packType != 1 ? 2 : 1;
      if (data == nullptr || !UnpackBits(data, data + count, row.data(), row.size(), unit)) {
        return paramErr;
      }
    } else {
      const uint8_t* data = r.Take(row.size());
      if (data == nullptr) return paramErr;
      std::memcpy(row.data(), data, row.size());
    }
    ConvertRow(b, row.data(), width, &image->pixels[static_cast<size_t>(y) * width]);
  }
  return noErr;
}

Rect ReadRectOrSame(Reader& r, uint16_t op, const Rect& last) {
  return op < 0x38 ? r.R() : last;
}

}  // namespace

void PackBits(const uint8_t* in, size_t count, std::vector<uint8_t>* out) {
  size_t i = 0;
  while (i < count) {
    size_t run = 1;
    while (i + run < count && run < 128 && in[i + run] == in[i]) ++run;
    if (run >= 2) {
      out->push_back(static_cast<uint8_t>(257 - run));
      out->push_back(in[i]);
      i += run;
      continue;
    }
    size_t start = i;
    while (i < count && i - start < 128 && !(i + 1 < count && in[i] == in[i + 1])) ++i;
    out->push_back(static_cast<uint8_t>(i - start - 1));
    out->insert(out->end(), in + start, in + i);
  }
}

bool UnpackBits(const uint8_t* in, const uint8_t* end, uint8_t* out, size_t count, int unit) {
  size_t produced = 0;
  size_t step = static_cast<size_t>(unit);
  while (produced < count) {
    if (in >= end) return false;
    auto flag = static_cast<int8_t>(*in++);
    if (flag >= 0) {
      size_t n = (static_cast<size_t>(flag) + 1) * step;
      if (n > static_cast<size_t>(end - in) || n > count - produced) return false;
      std::memcpy(out + produced, in, n);
      in += n;
      produced += n;
    } else if (flag != -128) {
      size_t repeats = static_cast<size_t>(1 - flag);
      if (step > static_cast<size_t>(end - in) || repeats * step > count - produced) return false;
      for (size_t k = 0; k < repeats; ++k, produced += step) std::memcpy(out + produced, in, step);
      in += step;
    }
  }
  return true;
}

OSErr Encode(const Rect& frame, const Image& image, std::vector<uint8_t>* bytes,
             const std::vector<uint8_t>* clip) {
  bytes->clear();
  Writer w(bytes);
  WriteHeader(w, frame, clip);
  bool empty = frame.right <= frame.left || frame.bottom <= frame.top;
  if (!empty && image.Indexed()) {
    if (image.width > kMaxRowBytes || image.palette.size() > 256) return paramErr;
    WriteIndexedImage(w, frame, image);
  } else if (!empty) {
    if (static_cast<long>(image.width) * 4 > kMaxRowBytes) return paramErr;
    WriteImage(w, frame, image);
  }
  w.U16(kOpEnd);
  WriteBE16(bytes->data(), static_cast<uint16_t>(bytes->size()));
  return noErr;
}

bool ReadFrame(const uint8_t* bytes, size_t size, Rect* frame) {
  if (size < kPictureHeaderSize) return false;
  Reader r(bytes, size);
  r.Skip(2);
  *frame = r.R();
  return true;
}

OSErr Decode(const uint8_t* bytes, size_t size, Canvas& canvas) {
  Reader r(bytes, size);
  r.Skip(kPictureHeaderSize);
  if (r.U16() != kOpVersion || r.U16() != kVersion2) return paramErr;
  Argb fore = 0xFF000000u;
  Argb back = kWhite;
  Rect lastRect{0, 0, 0, 0};
  while (r.ok()) {
    r.Align();
    uint16_t op = r.U16();
    if (!r.ok()) break;
    if (op == kOpEnd) return noErr;
    if (op == kOpNop) continue;
    if (op == kOpClip) {
      const uint8_t* region = r.Peek(2);
      size_t size = region != nullptr ? ReadBE16(region) : 0;
      region = r.Take(size);
      if (region == nullptr || size < kPictureHeaderSize) return paramErr;
      canvas.SetClip(region, size);
    } else if (op == kOpRGBForeColor || op == kOpRGBBackColor) {
      Argb c = 0xFF000000u | static_cast<Argb>(r.U16() >> 8) << 16 |
               static_cast<Argb>(r.U16() >> 8) << 8 | static_cast<Argb>(r.U16() >> 8);
      (op == kOpRGBForeColor ? fore : back) = c;
    } else if (op == kOpPaintRect || op == kOpEraseRect || op == kOpPaintSameRect ||
               op == kOpEraseSameRect) {
      lastRect = ReadRectOrSame(r, op, lastRect);
      bool paint = op == kOpPaintRect || op == kOpPaintSameRect;
      if (r.ok()) canvas.FillRect(lastRect, paint ? fore : back);
    } else if ((op >= kOpBitsRect && op <= kOpBitsRgn) ||
               (op >= kOpPackBitsRect && op <= kOpDirectBitsRgn)) {
      Bits b;
      if (!ReadBitsHeader(op, r, &b)) break;
      Image image;
      OSErr err = ReadPixels(r, b, &image);
      if (err != noErr) return err;
      canvas.DrawImage(image, b.srcRect, b.dstRect);
    } else if (op >= 0x30 && op < 0x40) {
      lastRect = ReadRectOrSame(r, op, lastRect);  // other rectangle shapes draw nothing here
    } else if (!SkipOpcode(op, r)) {
      return paramErr;
    }
  }
  return paramErr;  // the bytes ended before the end opcode
}

}  // namespace qtml::pict
