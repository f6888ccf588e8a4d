// The controller's bar: its pieces (Movies.h, MCDraw), the slider's
// columns and times, and its drawing.
#include <algorithm>

#include "movies/movie_controller.h"
#include "quickdraw/drawing.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

constexpr short kButtonWidth = 16;
constexpr short kSliderLeft = 20;  // from the bar's left
constexpr short kSliderRight = 4;  // from the bar's right
constexpr short kSliderInset = 6;  // from the bar's top and bottom
constexpr short kThumbInset = 2;

constexpr Argb kBarColor = 0xFFC8C8C8u;
constexpr Argb kSliderColor = 0xFF808080u;
constexpr Argb kSelectionColor = 0xFF3060C0u;
constexpr Argb kGlyphColor = 0xFF000000u;

Rect MakeRect(int top, int left, int bottom, int right) {
  return Rect{static_cast<short>(top), static_cast<short>(left), static_cast<short>(bottom),
              static_cast<short>(right)};
}

// Fills what of r the port lets drawing change.
void Fill(Port& port, const Shape& drawable, const Rect& r, Argb color) {
  Shape area = Shape::Combine(drawable, Shape::FromRect(r), Shape::Op::kIntersect);
  ForEachPixel(area, [&](int x, int y) { SetPixel(port.pixMap, x, y, color); });
}

// A triangle pointing right, or two bars while playing, in the button.
void DrawGlyph(Port& port, const Shape& drawable, const Rect& button, bool playing) {
  int left = button.left + 5;
  int top = button.top + 4;
  if (playing) {
    Fill(port, drawable, MakeRect(top, left, top + 8, left + 2), kGlyphColor);
    Fill(port, drawable, MakeRect(top, left + 4, top + 8, left + 6), kGlyphColor);
    return;
  }
  for (int row = 0; row < 8; ++row) {
    int width = std::min(row, 7 - row) + 1;
    Fill(port, drawable, MakeRect(top + row, left, top + row + 1, left + width), kGlyphColor);
  }
}

}  // namespace

BarLayout LayoutOf(const Rect& bar) {
  BarLayout layout{bar, MakeRect(bar.top, bar.left, bar.bottom, bar.left + kButtonWidth), {}};
  layout.slider = MakeRect(bar.top + kSliderInset, bar.left + kSliderLeft,
                           bar.bottom - kSliderInset, bar.right - kSliderRight);
  if (IsEmpty(layout.slider)) layout.slider = Rect{0, 0, 0, 0};
  return layout;
}

int SliderColumn(const BarLayout& layout, TimeValue time, TimeValue duration) {
  int last = layout.slider.right - layout.slider.left - 1;
  if (duration <= 0 || last <= 0) return layout.slider.left;
  time = std::clamp(time, TimeValue{0}, duration);
  return layout.slider.left +
         static_cast<int>((static_cast<SInt64>(time) * last + duration / 2) / duration);
}

TimeValue SliderTime(const BarLayout& layout, int column, TimeValue duration) {
  int last = layout.slider.right - layout.slider.left - 1;
  if (duration <= 0 || last <= 0) return 0;
  int offset = std::clamp(column - layout.slider.left, 0, last);
  return static_cast<TimeValue>((static_cast<SInt64>(offset) * duration + last / 2) / last);
}

void DrawBar(Port& port, const BarLayout& layout, const BarState& state) {
  if (IsEmpty(layout.bar)) return;
  Shape drawable = DrawableShape(port);
  Fill(port, drawable, layout.bar, kBarColor);
  DrawGlyph(port, drawable, layout.button, state.playing);
  if (IsEmpty(layout.slider)) return;
  Fill(port, drawable, layout.slider, kSliderColor);
  if (state.selectionDuration > 0) {
    SInt64 end = SInt64{state.selectionTime} + state.selectionDuration;
    int from = SliderColumn(layout, state.selectionTime, state.duration);
    int to = SliderColumn(layout, static_cast<TimeValue>(std::min<SInt64>(end, state.duration)),
                          state.duration);
    Fill(port, drawable, MakeRect(layout.slider.top, from, layout.slider.bottom, to + 1),
         kSelectionColor);
  }
  int thumb = SliderColumn(layout, state.time, state.duration);
  Fill(
      port, drawable,
      MakeRect(layout.bar.top + kThumbInset, thumb - 1, layout.bar.bottom - kThumbInset, thumb + 2),
      kGlyphColor);
}

}  // namespace qtml
