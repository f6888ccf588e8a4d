// Decoding the frames of one image description into 32-bit pixels: the
// work behind the engine's decompressors. Uncompressed 'raw ' frames are
// read in place; every other type goes through FFmpeg's decoder for it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ImageCompression.h"

struct AVFrame;

namespace qtml {

// Uncompressed 'raw ' images: the depths they come in, and the bytes of a
// row (padded to whole 16-bit words). Rows are at most kMaxRawRowBytes,
// QuickDraw's 14 bits kept even.
constexpr long kMaxRawRowBytes = 0x3FFE;
inline bool RawDepth(int depth) {
  return depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}
inline long RawRowBytes(long width, long depth) {
  return (width * depth + 15) / 16 * 2;
}

// The AVCodecID that decodes images of `type` (a QuickTime compression
// type, as movie files name them), or 0 (AV_CODEC_ID_NONE) when FFmpeg
// has no software decoder for it.
int DecoderIdFor(CodecType type) noexcept;

class ImageDecoder {
 public:
  // A decoder for images of `desc` (fields in the machine's order);
  // `extensions` are the bytes that follow the record in a description
  // (atoms such as 'avcC', 'hvcC', 'esds' or 'glbl', as stored).
  // noErr, noCodecErr for a type nothing decodes, badImageDescription for
  // sizes or depths that make no image, memFullErr.
  // A decoder made `pipelined` decodes on a thread of its own (on a
  // machine of several processors), a frame ahead of the one it gives:
  // for frames fed one after another (a movie played or stepped through),
  // where the frame wanted comes out after the next one is fed or at
  // Drain.
  static OSErr Open(const ImageDescription& desc, const uint8_t* extensions, size_t extensionSize,
                    std::unique_ptr<ImageDecoder>* decoder, bool pipelined = false);
  // As Open, from a description handle (its record and what follows it).
  static OSErr Open(ImageDescriptionHandle desc, std::unique_ptr<ImageDecoder>* decoder);
  virtual ~ImageDecoder() = default;

  // Decodes one frame's bytes, stamped with its display time `time` (any
  // numbers that order the frames as shown); `key` says whether it stands
  // on its own (a sync sample). The picture then holds the
  // frame wanted (see Want), or the last frame the codec gave. A temporal
  // codec that holds frames back (reordered frames) may answer noErr with
  // no new picture: Decoded() says. codecErr for data the codec refuses,
  // memFullErr.
  virtual OSErr Decode(const void* data, long size, int64_t time = 0, bool key = true) = 0;
  // Gives up the frames the codec holds back (the end of the frames to
  // decode); Reset must come before the next Decode.
  virtual OSErr Drain() { return noErr; }
  // Forgets earlier frames, as before a key frame out of order.
  virtual void Reset() { lastTime_ = INT64_MIN; }
  // From now on only the frame stamped `time` becomes the picture; other
  // frames are decoded but not converted.
  void Want(int64_t time) {
    wanted_ = time;
    wanting_ = true;
  }
  void WantAny() { wanting_ = false; }

  // Makes the picture the frame stamped `time` when the codec gave it
  // already, before it was wanted; false otherwise.
  virtual bool TakeWaiting(int64_t time) {
    (void)time;
    return false;
  }

  // Whether frames are decoded on a thread of the decoder's while the
  // caller goes on: keeping a frame fed ahead of the one wanted keeps it
  // busy.
  virtual bool WorksAhead() const { return false; }

  // The display time of the last frame the codec gave (wanted or not);
  // INT64_MIN before any since the last Reset.
  int64_t LastTime() const { return lastTime_; }

  // Whether the last Decode gave a picture.
  bool Decoded() const { return decoded_; }
  // The picture: a pixel map of the image's size whose bounds start at
  // (0, 0), made from the frame when first asked for. Valid until the
  // next call; for 'raw ' frames its pixels are the data given to Decode.
  // nullptr when it cannot be made (*err: codecErr, memFullErr).
  virtual const PixMap* Picture(OSErr* err) {
    *err = noErr;
    return &picture_;
  }
  virtual bool HasPicture() const { return picture_.baseAddr != nullptr; }
  // The bounds the picture has (or will have, when made).
  virtual Rect PictureBounds() const { return picture_.bounds; }
  // Whether the picture is made by converting the frame's own pixels, so
  // that converting them straight into their destination (PictureInto)
  // saves a copy.
  virtual bool Converts() const { return false; }
  // Converts the frame into the 32-bit pixels of `target`, its top left
  // at (left, top) of target's bounds, which must hold the whole image;
  // the pixels Picture would give. paramErr when it does not fit.
  virtual OSErr PictureInto(const PixMap& target, int left, int top) {
    (void)target, (void)left, (void)top;
    return paramErr;
  }
  // The codec's frame the picture is made from, for a caller that converts
  // it itself; nullptr when the picture is not made from one. Once it is
  // asked for, frames decoded ahead are left as the codec gave them until
  // the picture is asked for again.
  virtual const AVFrame* Frame() { return nullptr; }

 protected:
  ImageDecoder() = default;
  PixMap picture_{};
  bool decoded_ = false;
  bool wanting_ = false;
  int64_t wanted_ = 0;
  int64_t lastTime_ = INT64_MIN;
};

}  // namespace qtml
