// Picture and Graphics: pictures scripts make, draw on and save.
#include <algorithm>
#include <cmath>

#include "core/font.h"
#include "core/host_classes.h"
#include "core/picture_files.h"

namespace fenra::host {
namespace {

// Larger sides are refused: QuickDraw's coordinates are 16-bit.
constexpr int64_t kMaxSide = 32767;

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// --- Picture ---

bool MakePicture(Args& args, Value& out, HostError& error) {
  int64_t width = args[0].integer, height = args[1].integer, depth = args[2].integer;
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) {
    return Misuse(error, "Picture", "a picture's sides run from 0 to 32767");
  }
  if (depth != 1 && depth != 8 && depth != 16 && depth != 24 && depth != 32) {
    return Misuse(error, "Picture",
                  "depth " + std::to_string(depth) + " is not 1, 8, 16, 24 or 32");
  }
  out = Value::Obj(Runtime::Get().NewPicture(static_cast<int>(width), static_cast<int>(height),
                                             static_cast<int>(depth)));
  return true;
}

bool PictureWidth(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(As<Picture>(self).Width());
  return true;
}

bool PictureHeight(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(As<Picture>(self).Height());
  return true;
}

bool PictureDepth(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(As<Picture>(self).Depth());
  return true;
}

// A new Graphics each time; they share the picture's colour.
bool PictureGraphics(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Obj(Adopt(new Graphics(ObjectRef(&self))));
  return true;
}

bool Save(HostObject& self, Args& args, Value&, HostError& error) {
  auto* file = ObjectArg<FolderItem>(args[0]);
  if (file == nullptr) return Misuse(error, "Picture.Save", "the file is Nil");
  std::string reason;
  if (!SavePicture(As<Picture>(self), file->Path(), args[1].text, reason)) {
    return Misuse(error, "Picture.Save", reason);
  }
  return true;
}

constexpr HostMember kPictureMembers[] = {
    {HostMember::kProperty, "Width as integer", PictureWidth, nullptr},
    {HostMember::kProperty, "Height as integer", PictureHeight, nullptr},
    {HostMember::kProperty, "Depth as integer", PictureDepth, nullptr},
    {HostMember::kProperty, "Graphics as Graphics", PictureGraphics, nullptr},
    {HostMember::kMethod, "Save(f as FolderItem,format as string=\"\")", Save, nullptr},
};

// --- Graphics ---

Surface& SurfaceOf(HostObject& self) {
  return As<Graphics>(self).surface;
}

uint32_t Ink(HostObject& self) {
  return kOpaque | SurfaceOf(self).ForeColor();
}

int Coord(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, -kMaxSide * 4, kMaxSide * 4));
}

int Coord(const Value& value) {
  return Coord(value.integer);
}

// Calls plot(x, y) for every pixel of the rectangle args[0..3] that lies
// on the surface.
template <class Plot>
void EachPixel(Surface& surface, const Args& args, Plot plot) {
  int left = Coord(args[0]), top = Coord(args[1]);
  int right = left + std::max(Coord(args[2]), 0), bottom = top + std::max(Coord(args[3]), 0);
  for (int y = std::max(top, 0); y < std::min(bottom, surface.Height()); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, surface.Width()); ++x) plot(x, y);
  }
}

// Fills the rectangle args[0..3] (left, top, width, height) where it lies
// on the surface.
void FillArea(Surface& surface, const Args& args, uint32_t argb) {
  int left = Coord(args[0]), top = Coord(args[1]);
  surface.Fill(left, top, left + std::max(Coord(args[2]), 0), top + std::max(Coord(args[3]), 0),
               argb);
}

bool FillRect(HostObject& self, Args& args, Value&, HostError&) {
  FillArea(SurfaceOf(self), args, Ink(self));
  return true;
}

bool ClearRect(HostObject& self, Args& args, Value&, HostError&) {
  FillArea(SurfaceOf(self), args, kWhite);
  return true;
}

bool DrawRect(HostObject& self, Args& args, Value&, HostError&) {
  uint32_t ink = Ink(self);
  Surface& s = SurfaceOf(self);
  int left = Coord(args[0]), top = Coord(args[1]);
  int right = left + Coord(args[2]) - 1, bottom = top + Coord(args[3]) - 1;
  EachPixel(s, args, [&](int x, int y) {
    if (x == left || x == right || y == top || y == bottom) s.Set(x, y, ink);
  });
  return true;
}

// Whether pixel (x, y) lies in the oval inscribed in the rectangle.
bool InOval(const Args& args, int x, int y) {
  double rx = Coord(args[2]) / 2.0, ry = Coord(args[3]) / 2.0;
  if (rx <= 0 || ry <= 0) return false;
  double dx = (x + 0.5 - Coord(args[0]) - rx) / rx, dy = (y + 0.5 - Coord(args[1]) - ry) / ry;
  return dx * dx + dy * dy <= 1.0;
}

bool FillOval(HostObject& self, Args& args, Value&, HostError&) {
  uint32_t ink = Ink(self);
  Surface& s = SurfaceOf(self);
  EachPixel(s, args, [&](int x, int y) {
    if (InOval(args, x, y)) s.Set(x, y, ink);
  });
  return true;
}

// The oval's edge: its pixels with a neighbour outside it.
bool DrawOval(HostObject& self, Args& args, Value&, HostError&) {
  uint32_t ink = Ink(self);
  Surface& s = SurfaceOf(self);
  EachPixel(s, args, [&](int x, int y) {
    if (InOval(args, x, y) && !(InOval(args, x - 1, y) && InOval(args, x + 1, y) &&
                                InOval(args, x, y - 1) && InOval(args, x, y + 1))) {
      s.Set(x, y, ink);
    }
  });
  return true;
}

bool DrawLine(HostObject& self, Args& args, Value&, HostError&) {
  uint32_t ink = Ink(self);
  Surface& s = SurfaceOf(self);
  int x0 = Coord(args[0]), y0 = Coord(args[1]), x1 = Coord(args[2]), y1 = Coord(args[3]);
  int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    double t = steps == 0 ? 0 : static_cast<double>(i) / steps;
    s.Set(static_cast<int>(std::lround(x0 + t * (x1 - x0))),
          static_cast<int>(std::lround(y0 + t * (y1 - y0))), ink);
  }
  return true;
}

// y is the baseline: glyphs stand on the row above it.
bool DrawString(HostObject& self, Args& args, Value&, HostError&) {
  uint32_t ink = Ink(self);
  Surface& s = SurfaceOf(self);
  int x = Coord(args[1]), top = Coord(args[2]) - kGlyphHeight;
  for (char c : args[0].text) {
    const uint8_t* rows = GlyphRows(c);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (rows[row] & (0x10 >> column)) s.Set(x + column, top + row, ink);
      }
    }
    x += kGlyphAdvance;
  }
  return true;
}

bool StringWidth(HostObject&, Args& args, Value& out, HostError&) {
  size_t length = args[0].text.size();
  out = Value::Int(length == 0 ? 0 : static_cast<int64_t>(length) * kGlyphAdvance - 1);
  return true;
}

bool TextHeight(HostObject&, Args&, Value& out, HostError&) {
  out = Value::Int(kGlyphHeight);
  return true;
}

// Source over destination by the source's alpha.
uint32_t Over(uint32_t source, uint32_t destination) {
  unsigned alpha = source >> 24;
  if (alpha == 255) return source;
  uint32_t out = kOpaque;
  for (int shift = 0; shift < 24; shift += 8) {
    unsigned s = (source >> shift) & 0xFF, d = (destination >> shift) & 0xFF;
    out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

// Scaled by nearest pixel when a width or height is given (-1: the
// picture's own).
bool DrawPicture(HostObject& self, Args& args, Value&, HostError& error) {
  auto* picture = ObjectArg<Picture>(args[0]);
  if (picture == nullptr) return Misuse(error, "Graphics.DrawPicture", "the picture is Nil");
  Surface& s = SurfaceOf(self);
  int left = Coord(args[1]), top = Coord(args[2]);
  int width = args[3].integer < 0 ? picture->Width() : Coord(args[3]);
  int height = args[4].integer < 0 ? picture->Height() : Coord(args[4]);
  if (picture->Width() == 0 || picture->Height() == 0) return true;
  Args area = {Value::Int(left), Value::Int(top), Value::Int(width), Value::Int(height)};
  EachPixel(s, area, [&](int x, int y) {
    uint32_t source =
        picture->Pixel(static_cast<int>(int64_t{x - left} * picture->Width() / width),
                       static_cast<int>(int64_t{y - top} * picture->Height() / height));
    s.Set(x, y, Over(source, s.Get(x, y)));
  });
  return true;
}

bool GraphicsWidth(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(SurfaceOf(self).Width());
  return true;
}

bool GraphicsHeight(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(SurfaceOf(self).Height());
  return true;
}

bool GetForeColor(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Colour(SurfaceOf(self).ForeColor());
  return true;
}

bool SetForeColor(HostObject& self, Args&, const Value& value, HostError&) {
  SurfaceOf(self).ForeColor() = static_cast<uint32_t>(value.integer) & 0xFFFFFF;
  return true;
}

// Outside the surface a pixel reads as black and ignores writes.
bool GetPixel(HostObject& self, Args& args, Value& out, HostError&) {
  out = Value::Colour(SurfaceOf(self).Get(Coord(args[0]), Coord(args[1])) & 0xFFFFFF);
  return true;
}

bool PixelOf(HostObject& self, const Scalar* args, Scalar& out, HostError&) {
  out.kind = Value::Kind::Color;
  out.integer = SurfaceOf(self).Get(Coord(args[0].integer), Coord(args[1].integer)) & 0xFFFFFF;
  return true;
}

constexpr ScalarForm kGraphicsScalars[] = {{GetPixel, PixelOf}};

bool SetPixel(HostObject& self, Args& args, const Value& value, HostError&) {
  SurfaceOf(self).Set(Coord(args[0]), Coord(args[1]),
                      kOpaque | (static_cast<uint32_t>(value.integer) & 0xFFFFFF));
  return true;
}

constexpr HostMember kGraphicsMembers[] = {
    {HostMember::kProperty, "Width as integer", GraphicsWidth, nullptr},
    {HostMember::kProperty, "Height as integer", GraphicsHeight, nullptr},
    {HostMember::kProperty, "ForeColor as color", GetForeColor, SetForeColor},
    {HostMember::kProperty, "TextHeight as integer", TextHeight, nullptr},
    {HostMember::kMethod, "Pixel(x as integer,y as integer) as color", GetPixel, SetPixel},
    {HostMember::kMethod, "FillRect(x as integer,y as integer,width as integer,height as integer)",
     FillRect, nullptr},
    {HostMember::kMethod, "DrawRect(x as integer,y as integer,width as integer,height as integer)",
     DrawRect, nullptr},
    {HostMember::kMethod, "ClearRect(x as integer,y as integer,width as integer,height as integer)",
     ClearRect, nullptr},
    {HostMember::kMethod, "FillOval(x as integer,y as integer,width as integer,height as integer)",
     FillOval, nullptr},
    {HostMember::kMethod, "DrawOval(x as integer,y as integer,width as integer,height as integer)",
     DrawOval, nullptr},
    {HostMember::kMethod, "DrawLine(x1 as integer,y1 as integer,x2 as integer,y2 as integer)",
     DrawLine, nullptr},
    {HostMember::kMethod, "DrawString(text as string,x as integer,y as integer)", DrawString,
     nullptr},
    {HostMember::kMethod, "StringWidth(text as string) as integer", StringWidth, nullptr},
    {HostMember::kMethod,
     "DrawPicture(p as Picture,x as integer,y as integer,width as integer=-1,height as "
     "integer=-1)",
     DrawPicture, nullptr},
};

}  // namespace

const HostClassTable kPictureClass{
    "Picture",   nullptr,         "Picture(width as integer,height as integer,depth as integer=32)",
    MakePicture, kPictureMembers, {}};

const std::span<const ScalarForm> kGraphicsScalarForms = kGraphicsScalars;

const HostClassTable kGraphicsClass{"Graphics", nullptr, nullptr, nullptr, kGraphicsMembers, {}};

}  // namespace fenra::host
