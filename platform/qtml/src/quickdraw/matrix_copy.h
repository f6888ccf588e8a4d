// Drawing a pixel map into a port through a transformation matrix: the
// engine's one way of putting decompressed images and movie frames on a
// port, with rotation, scaling and skew.
#pragma once

#include "ImageCompression.h"
#include "quickdraw/port.h"

namespace qtml {

// Draws the part of `src` inside `srcRect` (the source's local
// coordinates) into `dst` through `matrix`, which maps source coordinates
// to the destination's local coordinates (nil: the identity).
//
// A destination pixel changes when its centre maps back inside srcRect,
// it lies inside the destination's port rectangle, pixels and clip region,
// and inside `mask` (destination coordinates; nil: no mask). Its new colour is the source sampled
// bilinearly at that point (edges extended, so an identity or an integer
// offset copies pixels exactly), combined with the old one by the transfer
// mode `mode` and `opColor`.
//
// `src` and `dst` must not share pixels. Perspective matrices are followed
// exactly; a singular matrix draws nothing. Answers noErr, paramErr when
// the source has no pixels or the mask is not a region, or memFullErr.
OSErr DrawPixMapThroughMatrix(const PixMap& src, const Rect& srcRect, Port& dst,
                              const MatrixRecord* matrix, short mode, const RGBColor& opColor,
                              RgnHandle mask) noexcept;

// Whether drawing an image whose pixels cover `image` (source
// coordinates) through `matrix` with `mode` would copy every one of its
// pixels unchanged into `dst`: the matrix moves by whole pixels only, the
// mode copies, both are 32-bit, and every pixel lands where the port, its
// clip and `mask` let drawing change. *at is then where the image's top
// left goes (dst's local coordinates), and writing the image's pixels
// there draws it as DrawPixMapThroughMatrix would.
bool DrawsAsPlainCopy(const Rect& image, const Port& dst, const MatrixRecord* matrix, short mode,
                      const RGBColor& opColor, RgnHandle mask, Point* at) noexcept;

}  // namespace qtml
