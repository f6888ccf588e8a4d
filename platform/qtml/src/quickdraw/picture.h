// Pictures recorded on ports, and PICT files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "MacTypes.h"
#include "Quickdraw.h"

namespace qtml {

struct Port;

// A recording in progress: OpenPicture made `picture` on the port; the
// port's pixels within `frame` become its image when the recording ends.
struct PictureRecording {
  PicHandle picture;
  Rect frame;
};

// Plays a picture's bytes (its Picture record and opcodes) into the port,
// its frame mapped onto `target` (port coordinates), inside the port's
// clip. The bytes must not be the port's pixels. paramErr for bytes that
// are no picture; may throw std::bad_alloc.
OSErr PlayPicture(Port& port, const uint8_t* bytes, size_t size, const Rect& target);

// Stops a port's recording without finishing it (its port is going away);
// the picture handle stays with its owner.
void DiscardRecording(Port& port) noexcept;

// A new picture (owned by the caller) of what the port shows within
// `frame`, as ClosePicture records it.
OSErr PictureOfPort(const Port& port, const Rect& frame, PicHandle* picture);

// A PICT file is 512 zero bytes followed by a picture's bytes. These are
// for the engine's tools and tests; clients write pictures as files of
// their own.
OSErr WritePictFile(const char* path, PicHandle picture);
// A new picture handle (owned by the caller) from a PICT file: fnfErr for
// a missing file, paramErr for one too short to hold a picture.
OSErr ReadPictFile(const char* path, PicHandle* picture);

}  // namespace qtml
