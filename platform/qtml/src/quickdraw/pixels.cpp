#include "quickdraw/pixels.h"

#include <algorithm>

#include "base/byte_order.h"
#include "memory/memory.h"

namespace qtml {
namespace {

uint8_t* RowOf(const PixMap& map, int y) {
  long rowBytes = map.rowBytes & 0x3FFF;
  return reinterpret_cast<uint8_t*>(map.baseAddr) + (y - map.bounds.top) * rowBytes;
}

Argb Channel8(unsigned short channel16) {
  return channel16 >> 8;
}

Argb ArgbOfEntry(const ColorSpec& spec) {
  return 0xFF000000u | Channel8(spec.rgb.red) << 16 | Channel8(spec.rgb.green) << 8 |
         Channel8(spec.rgb.blue);
}

Argb TableColor(const PixMap& map, unsigned index) {
  if (map.pmTable == nullptr || !IsHandle(reinterpret_cast<Handle>(map.pmTable))) {
    return index == 0 ? kWhite : 0xFF000000u;
  }
  const ColorTable& table = **map.pmTable;
  return index <= static_cast<unsigned>(table.ctSize) ? ArgbOfEntry(table.ctTable[index])
                                                      : 0xFF000000u;
}

long Distance(Argb a, Argb b) {
  long dr = static_cast<long>((a >> 16) & 0xFF) - static_cast<long>((b >> 16) & 0xFF);
  long dg = static_cast<long>((a >> 8) & 0xFF) - static_cast<long>((b >> 8) & 0xFF);
  long db = static_cast<long>(a & 0xFF) - static_cast<long>(b & 0xFF);
  return dr * dr + dg * dg + db * db;
}

// The last colour lookup: runs of one colour are common.
CTabHandle lastTable = nullptr;
Argb lastColor = 0;
unsigned lastIndex = 0;

// The table entry nearest to `color`.
unsigned NearestIndex(const PixMap& map, Argb color) {
  if (map.pmTable == lastTable && color == lastColor && lastTable != nullptr) return lastIndex;
  if (map.pmTable == nullptr || !IsHandle(reinterpret_cast<Handle>(map.pmTable))) {
    // Without a table, as TableColor reads it: 0 white, anything else black.
    return Distance(color, 0xFF000000u) < Distance(color, kWhite) ? 1 : 0;
  }
  const ColorTable& table = **map.pmTable;
  unsigned best = 0;
  long bestDistance = -1;
  for (int i = 0; i <= table.ctSize; ++i) {
    long d = Distance(color, ArgbOfEntry(table.ctTable[i]));
    if (bestDistance < 0 || d < bestDistance) {
      best = static_cast<unsigned>(i);
      bestDistance = d;
    }
  }
  lastTable = map.pmTable;
  lastColor = color;
  lastIndex = best;
  return best;
}

Argb Expand5(unsigned value) {
  return (value << 3) | (value >> 2);
}

}  // namespace

void ForgetColorLookups() {
  lastTable = nullptr;
}

Argb GetPixel(const PixMap& map, int x, int y) {
  if (map.baseAddr == nullptr) return kWhite;
  const uint8_t* row = RowOf(map, y);
  int column = x - map.bounds.left;
  switch (map.pixelSize) {
    case 1:
      return TableColor(map, (row[column / 8] >> (7 - column % 8)) & 1);
    case 8:
      return TableColor(map, row[column]);
    case 16: {
      unsigned v = ReadBE16(row + column * 2);
      return 0xFF000000u | Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 |
             Expand5(v & 31);
    }
    case 24: {
      const uint8_t* p = row + column * 3;
      return 0xFF000000u | static_cast<Argb>(p[0]) << 16 | static_cast<Argb>(p[1]) << 8 | p[2];
    }
    case 32:
      return ReadBE32(row + column * 4);
    default:
      return kWhite;
  }
}

void SetPixel(const PixMap& map, int x, int y, Argb color) {
  if (map.baseAddr == nullptr) return;
  uint8_t* row = RowOf(map, y);
  int column = x - map.bounds.left;
  switch (map.pixelSize) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (column % 8));
      if (NearestIndex(map, color) != 0) {
        row[column / 8] |= bit;
      } else {
        row[column / 8] &= static_cast<uint8_t>(~bit);
      }
      break;
    }
    case 8:
      row[column] = static_cast<uint8_t>(NearestIndex(map, color));
      break;
    case 16:
      WriteBE16(row + column * 2,
                static_cast<uint16_t>(((color >> 19) & 31) << 10 | ((color >> 11) & 31) << 5 |
                                      ((color >> 3) & 31)));
      break;
    case 24:
      row[column * 3] = static_cast<uint8_t>(color >> 16);
      row[column * 3 + 1] = static_cast<uint8_t>(color >> 8);
      row[column * 3 + 2] = static_cast<uint8_t>(color);
      break;
    case 32:
      WriteBE32(row + column * 4, color);
      break;
    default:
      break;
  }
}

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r;
  r.top = std::max(a.top, b.top);
  r.left = std::max(a.left, b.left);
  r.bottom = std::min(a.bottom, b.bottom);
  r.right = std::min(a.right, b.right);
  return r;
}

void FillPixels(const PixMap& map, const Rect& r, Argb color) {
  Rect area = Intersect(r, map.bounds);
  if (IsEmpty(area) || map.baseAddr == nullptr) return;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) SetPixel(map, x, y, color);
  }
}

CTabHandle NewStandardColorTable(int depth) {
  int entries = depth == 1 ? 2 : 256;
  OSErr err = noErr;
  Size size = static_cast<Size>(sizeof(ColorTable) + (entries - 1) * sizeof(ColorSpec));
  Handle h = NewHandleBytes(size, true, &err);
  if (h == nullptr) return nullptr;
  auto table = reinterpret_cast<CTabHandle>(h);
  ColorTable& t = **table;
  t.ctSeed = depth;
  t.ctSize = static_cast<short>(entries - 1);
  auto set = [&](int index, unsigned r, unsigned g, unsigned b) {
    t.ctTable[index].value = static_cast<short>(index);
    t.ctTable[index].rgb =
        RGBColor{static_cast<unsigned short>(r * 257), static_cast<unsigned short>(g * 257),
                 static_cast<unsigned short>(b * 257)};
  };
  if (depth == 1) {
    set(0, 255, 255, 255);
    set(1, 0, 0, 0);
    return table;
  }
  // The 6x6x6 cube from white down (black comes last), then ramps of red,
  // green, blue and grey in the steps the cube leaves out, then black.
  static constexpr unsigned kCube[] = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
  static constexpr unsigned kRamp[] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
  int index = 0;
  for (unsigned r : kCube) {
    for (unsigned g : kCube) {
      for (unsigned b : kCube) {
        if (r != 0 || g != 0 || b != 0) set(index++, r, g, b);
      }
    }
  }
  for (unsigned v : kRamp) set(index++, v, 0, 0);
  for (unsigned v : kRamp) set(index++, 0, v, 0);
  for (unsigned v : kRamp) set(index++, 0, 0, v);
  for (unsigned v : kRamp) set(index++, v, v, v);
  set(index, 0, 0, 0);
  return table;
}

}  // namespace qtml
