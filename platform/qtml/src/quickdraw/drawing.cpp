// Drawing shapes in the current port, clipping, the pen, the op and
// highlight colours, and recording regions with OpenRgn and CloseRgn.
#include "quickdraw/drawing.h"

#include <memory>

#include "base/api_call.h"
#include "memory/memory.h"

namespace qtml {
namespace {

constexpr Rect kWideOpen = {-32768, -32768, 32767, 32767};
constexpr RGBColor kDefaultHilite = {0xCCCC, 0xCCCC, 0xFFFF};

enum class Verb { kFrame, kPaint, kErase, kInvert, kFill };
enum class Figure { kRect, kOval, kRoundRect };

Shape MakeFigure(Figure figure, const Rect& r, int ovalWidth, int ovalHeight) {
  switch (figure) {
    case Figure::kRect:
      return Shape::FromRect(r);
    case Figure::kOval:
      return OvalShape(r);
    default:
      return RoundRectShape(r, ovalWidth, ovalHeight);
  }
}

// The rect moved in by the pen's size on every side; not made empty as
// InsetRect would, the caller only needs its pixels.
Rect InsideThePen(const Rect& r, const Point& pen) {
  return Rect{static_cast<short>(r.top + pen.v), static_cast<short>(r.left + pen.h),
              static_cast<short>(r.bottom - pen.v), static_cast<short>(r.right - pen.h)};
}

bool PatternBit(const Pattern& pat, const PixMap& map, int x, int y) {
  return ((pat.pat[(y - map.bounds.top) & 7] >> (7 - ((x - map.bounds.left) & 7))) & 1) != 0;
}

// Changes the pixels of `shape` that drawing may reach.
void Render(Port& port, Verb verb, const Shape& shape, const Pattern* pat) {
  Shape area = Shape::Combine(shape, DrawableShape(port), Shape::Op::kIntersect);
  const PixMap& map = port.pixMap;
  if (map.baseAddr == nullptr) return;
  Argb fore = ArgbFromRGB(port.foreColor);
  Argb back = ArgbFromRGB(port.backColor);
  switch (verb) {
    case Verb::kErase:
      return ForEachPixel(area, [&](int x, int y) { SetPixel(map, x, y, back); });
    case Verb::kInvert:
      return ForEachPixel(
          area, [&](int x, int y) { SetPixel(map, x, y, GetPixel(map, x, y) ^ 0xFFFFFF); });
    case Verb::kFill:
      return ForEachPixel(area, [&](int x, int y) {
        SetPixel(map, x, y, PatternBit(*pat, map, x, y) ? fore : back);
      });
    default:  // frame outlines and paint
      return ForEachPixel(area, [&](int x, int y) { SetPixel(map, x, y, fore); });
  }
}

// Draws a shape; `inner` is what framing leaves undrawn inside it.
OSErr DrawShape(Verb verb, const Shape& shape, const Shape& inner, const Pattern* pat) {
  Port& port = *CurrentPort();
  if (verb == Verb::kFill && pat == nullptr) return paramErr;
  if (verb != Verb::kFrame) {
    Render(port, verb, shape, pat);
  } else if (port.regionRecording != nullptr) {
    // A recorded outline inverts what it encloses.
    *port.regionRecording = Shape::Combine(*port.regionRecording, shape, Shape::Op::kXor);
  } else {
    Render(port, verb, Shape::Combine(shape, inner, Shape::Op::kDifference), nullptr);
  }
  return noErr;
}

OSErr DrawFigure(Verb verb, Figure figure, const Rect* r, int ovalWidth, int ovalHeight,
                 const Pattern* pat) {
  if (r == nullptr) return paramErr;
  return Guarded<OSErr>(memFullErr, [&] {
    Shape shape = MakeFigure(figure, *r, ovalWidth, ovalHeight);
    Shape inner;
    if (verb == Verb::kFrame) {
      Point pen = CurrentPort()->penSize;
      inner =
          MakeFigure(figure, InsideThePen(*r, pen), ovalWidth - 2 * pen.h, ovalHeight - 2 * pen.v);
    }
    return DrawShape(verb, shape, inner, pat);
  });
}

OSErr DrawRegion(Verb verb, RgnHandle rgn, const Pattern* pat) {
  return Guarded<OSErr>(memFullErr, [&] {
    Shape shape;
    if (!ShapeOfRegion(rgn, &shape)) return paramErr;
    Shape inner;
    if (verb == Verb::kFrame) {
      Point pen = CurrentPort()->penSize;
      inner = shape.Inset(pen.h, pen.v);
    }
    return DrawShape(verb, shape, inner, pat);
  });
}

OSErr SetPortClip(Port& port, const Shape& shape) {
  if (port.clipRgn == nullptr) {
    OSErr err = noErr;
    Handle h = NewHandleBytes(static_cast<Size>(kRegionHeaderSize), true, &err);
    if (h == nullptr) return memFullErr;
    port.clipRgn = reinterpret_cast<RgnHandle>(h);
  }
  return StoreShape(port.clipRgn, shape);
}

// Copies a region into a port's clip.
OSErr SetClipFrom(Port* port, RgnHandle rgn) {
  if (port == nullptr) return paramErr;
  return Guarded<OSErr>(memFullErr, [&] {
    Shape shape;
    if (!ShapeOfRegion(rgn, &shape)) return paramErr;
    return SetPortClip(*port, shape);
  });
}

// Copies a port's clip (or visible region) into a region.
OSErr GetClipInto(const Port* port, RgnHandle rgn, bool visible) {
  if (port == nullptr || !IsRegion(rgn)) return paramErr;
  return Guarded<OSErr>(memFullErr, [&] {
    Shape shape = visible ? Shape::FromRect(port->portRect) : ClipShape(*port);
    return StoreShape(rgn, shape);
  });
}

OSErr Open() {
  Port& port = *CurrentPort();
  if (port.regionRecording != nullptr) {
    *port.regionRecording = Shape();  // starting over
    return noErr;
  }
  port.regionRecording = NewObject<Shape>();
  return port.regionRecording != nullptr ? noErr : memFullErr;
}

OSErr Close(RgnHandle dstRgn) {
  Port& port = *CurrentPort();
  std::unique_ptr<Shape> recorded(port.regionRecording);
  if (recorded == nullptr) return paramErr;
  port.regionRecording = nullptr;
  return IsRegion(dstRgn) ? StoreShape(dstRgn, *recorded) : paramErr;
}

OSErr SetColor(RGBColor Port::*field, const RGBColor* color) {
  if (color == nullptr) return paramErr;
  CurrentPort()->*field = *color;
  return noErr;
}

}  // namespace

void InitDrawingState(Port& port) noexcept {
  port.clipRgn = nullptr;
  port.opColor = RGBColor{0, 0, 0};
  port.hiliteColor = kDefaultHilite;
  port.penSize = Point{1, 1};
  port.regionRecording = nullptr;
}

void ReleaseDrawingState(Port& port) noexcept {
  FreeHandle(reinterpret_cast<Handle>(port.clipRgn));
  port.clipRgn = nullptr;
  delete port.regionRecording;
  port.regionRecording = nullptr;
}

Shape ClipShape(const Port& port) {
  Shape clip;
  if (port.clipRgn == nullptr || !ShapeOfRegion(port.clipRgn, &clip)) {
    return Shape::FromRect(kWideOpen);
  }
  return clip;
}

Shape DrawableShape(const Port& port) {
  Shape area = Shape::FromRect(Intersect(port.portRect, port.pixMap.bounds));
  if (port.clipRgn == nullptr) return area;
  return Shape::Combine(area, ClipShape(port), Shape::Op::kIntersect);
}

TransferColors PortColors(const Port& port) {
  return TransferColors{port.opColor, port.foreColor, port.backColor, port.hiliteColor};
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::Figure;
using qtml::SetQDError;
using qtml::Verb;

// Entry points: each records its call, honours an injected fault, and
// leaves its result in QDError.
#define QTML_DRAW_FIGURE(Name, verb, figure)                      \
  void Name(const Rect* r) try {                                  \
    ApiCall call(#Name, r);                                       \
    if (OSErr fault = call.Fault()) return SetQDError(fault);     \
    SetQDError(qtml::DrawFigure(verb, figure, r, 0, 0, nullptr)); \
  } catch (...) {                                                 \
    return qtml::Escaped<void>();                                 \
  }
#define QTML_FILL_FIGURE(Name, figure)                               \
  void Name(const Rect* r, const Pattern* pat) try {                 \
    ApiCall call(#Name, r, pat);                                     \
    if (OSErr fault = call.Fault()) return SetQDError(fault);        \
    SetQDError(qtml::DrawFigure(Verb::kFill, figure, r, 0, 0, pat)); \
  } catch (...) {                                                    \
    return qtml::Escaped<void>();                                    \
  }
#define QTML_DRAW_ROUND_RECT(Name, verb)                                                       \
  void Name(const Rect* r, short ovalWidth, short ovalHeight) try {                            \
    ApiCall call(#Name, r, ovalWidth, ovalHeight);                                             \
    if (OSErr fault = call.Fault()) return SetQDError(fault);                                  \
    SetQDError(qtml::DrawFigure(verb, Figure::kRoundRect, r, ovalWidth, ovalHeight, nullptr)); \
  } catch (...) {                                                                              \
    return qtml::Escaped<void>();                                                              \
  }
#define QTML_DRAW_REGION(Name, verb)                          \
  void Name(RgnHandle rgn) try {                              \
    ApiCall call(#Name, rgn);                                 \
    if (OSErr fault = call.Fault()) return SetQDError(fault); \
    SetQDError(qtml::DrawRegion(verb, rgn, nullptr));         \
  } catch (...) {                                             \
    return qtml::Escaped<void>();                             \
  }
#define QTML_FILL_REGION(Name)                                \
  void Name(RgnHandle rgn, const Pattern* pat) try {          \
    ApiCall call(#Name, rgn, pat);                            \
    if (OSErr fault = call.Fault()) return SetQDError(fault); \
    SetQDError(qtml::DrawRegion(Verb::kFill, rgn, pat));      \
  } catch (...) {                                             \
    return qtml::Escaped<void>();                             \
  }

extern "C" {

QTML_DRAW_FIGURE(FrameRect, Verb::kFrame, Figure::kRect)
QTML_DRAW_FIGURE(MacFrameRect, Verb::kFrame, Figure::kRect)
QTML_DRAW_FIGURE(PaintRect, Verb::kPaint, Figure::kRect)
QTML_DRAW_FIGURE(EraseRect, Verb::kErase, Figure::kRect)
QTML_DRAW_FIGURE(InvertRect, Verb::kInvert, Figure::kRect)
QTML_DRAW_FIGURE(MacInvertRect, Verb::kInvert, Figure::kRect)
QTML_FILL_FIGURE(FillRect, Figure::kRect)
QTML_FILL_FIGURE(MacFillRect, Figure::kRect)
QTML_DRAW_FIGURE(FrameOval, Verb::kFrame, Figure::kOval)
QTML_DRAW_FIGURE(PaintOval, Verb::kPaint, Figure::kOval)
QTML_DRAW_FIGURE(EraseOval, Verb::kErase, Figure::kOval)
QTML_DRAW_FIGURE(InvertOval, Verb::kInvert, Figure::kOval)
QTML_FILL_FIGURE(FillOval, Figure::kOval)
QTML_DRAW_ROUND_RECT(FrameRoundRect, Verb::kFrame)
QTML_DRAW_ROUND_RECT(PaintRoundRect, Verb::kPaint)
QTML_DRAW_ROUND_RECT(EraseRoundRect, Verb::kErase)
QTML_DRAW_ROUND_RECT(InvertRoundRect, Verb::kInvert)
QTML_DRAW_REGION(FrameRgn, Verb::kFrame)
QTML_DRAW_REGION(MacFrameRgn, Verb::kFrame)
QTML_DRAW_REGION(PaintRgn, Verb::kPaint)
QTML_DRAW_REGION(MacPaintRgn, Verb::kPaint)
QTML_DRAW_REGION(EraseRgn, Verb::kErase)
QTML_DRAW_REGION(InvertRgn, Verb::kInvert)
QTML_DRAW_REGION(MacInvertRgn, Verb::kInvert)
QTML_FILL_REGION(FillRgn)
QTML_FILL_REGION(MacFillRgn)

void FillRoundRect(const Rect* r, short ovalWidth, short ovalHeight, const Pattern* pat) try {
  ApiCall call("FillRoundRect", r, ovalWidth, ovalHeight, pat);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::DrawFigure(Verb::kFill, Figure::kRoundRect, r, ovalWidth, ovalHeight, pat));
} catch (...) {
  return qtml::Escaped<void>();
}

void PenSize(short width, short height) try {
  ApiCall call("PenSize", width, height);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (width < 0 || height < 0) return SetQDError(paramErr);
  qtml::CurrentPort()->penSize = Point{height, width};
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void PenNormal(void) try {
  ApiCall call("PenNormal");
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::CurrentPort()->penSize = Point{1, 1};
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void OpColor(const RGBColor* color) try {
  ApiCall call("OpColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetColor(&qtml::Port::opColor, color));
} catch (...) {
  return qtml::Escaped<void>();
}

void HiliteColor(const RGBColor* color) try {
  ApiCall call("HiliteColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetColor(&qtml::Port::hiliteColor, color));
} catch (...) {
  return qtml::Escaped<void>();
}

void SetClip(RgnHandle rgn) try {
  ApiCall call("SetClip", rgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetClipFrom(qtml::CurrentPort(), rgn));
} catch (...) {
  return qtml::Escaped<void>();
}

void GetClip(RgnHandle rgn) try {
  ApiCall call("GetClip", rgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::GetClipInto(qtml::CurrentPort(), rgn, false));
} catch (...) {
  return qtml::Escaped<void>();
}

void ClipRect(const Rect* r) try {
  ApiCall call("ClipRect", r);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (r == nullptr) return SetQDError(paramErr);
  SetQDError(qtml::Guarded<OSErr>(memFullErr, [&] {
    return qtml::SetPortClip(*qtml::CurrentPort(), qtml::Shape::FromRect(*r));
  }));
} catch (...) {
  return qtml::Escaped<void>();
}

RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle clipRgn) try {
  ApiCall call("GetPortClipRegion", port, clipRgn);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::GetClipInto(qtml::PortFromGrafPtr(port), clipRgn, false);
  SetQDError(err);
  return call.Return(clipRgn);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

void SetPortClipRegion(CGrafPtr port, RgnHandle clipRgn) try {
  ApiCall call("SetPortClipRegion", port, clipRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetClipFrom(qtml::PortFromGrafPtr(port), clipRgn));
} catch (...) {
  return qtml::Escaped<void>();
}

RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle visRgn) try {
  ApiCall call("GetPortVisibleRegion", port, visRgn);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::GetClipInto(qtml::PortFromGrafPtr(port), visRgn, true);
  SetQDError(err);
  return call.Return(visRgn);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

void OpenRgn(void) try {
  ApiCall call("OpenRgn");
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Open());
} catch (...) {
  return qtml::Escaped<void>();
}

void CloseRgn(RgnHandle dstRgn) try {
  ApiCall call("CloseRgn", dstRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::Close(dstRgn); }));
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
