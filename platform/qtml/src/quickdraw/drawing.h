// A port's drawing state (clip region, pen, op and highlight colours, the
// region being recorded) and the pieces that drawing calls share.
#pragma once

#include "quickdraw/pixels.h"
#include "quickdraw/port.h"
#include "quickdraw/regions.h"
#include "quickdraw/transfer_modes.h"

namespace qtml {

// Gives a new port (its memory zeroed) the drawing state's defaults: a
// wide-open clip, a 1 by 1 pen, black op colour, light blue highlight.
void InitDrawingState(Port& port) noexcept;
// Frees what the drawing state owns; the port is going away.
void ReleaseDrawingState(Port& port) noexcept;

// The pixels drawing into the port may change: its port rectangle within
// its pixel map, inside its clip region. May throw std::bad_alloc.
Shape DrawableShape(const Port& port);
// The port's clip region (wide open when it has none of its own).
Shape ClipShape(const Port& port);

// The colours the port lends to transfer modes.
TransferColors PortColors(const Port& port);

// Calls f(x, y) for every pixel of the shape, row by row from the top,
// left to right.
template <typename F>
void ForEachPixel(const Shape& shape, F&& f) {
  for (const Shape::Band& band : shape.bands()) {
    for (int y = band.top; y < band.bottom; ++y) {
      for (size_t k = 0; k + 1 < band.xs.size(); k += 2) {
        for (int x = band.xs[k]; x < band.xs[k + 1]; ++x) f(x, y);
      }
    }
  }
}

}  // namespace qtml
