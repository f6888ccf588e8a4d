// Decoding on a thread of its own, a packet ahead of the caller: while the
// caller draws one frame, the next is being decoded. For codecs that
// cannot decode frames on threads themselves (Motion JPEG, say), fed one
// frame after another.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "MacTypes.h"
#include "components/ffmpeg_ptr.h"

namespace qtml {

class DecodeAhead {
 public:
  // Decodes with `context` (opened; borrowed, and left to the thread
  // while packets are on their way).
  explicit DecodeAhead(AVCodecContext* context) : context_(context) {}
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Starts the thread; false when it cannot be.
  bool Start() noexcept;

  // Hands `packet` (nullptr: the end of the packets, so that the codec
  // gives what it holds back) to the thread; returns once at most `ahead`
  // packets are still to be decoded. memFullErr when it cannot be kept.
  OSErr Send(PacketPtr packet, size_t ahead) noexcept;

  // Moves the frames decoded so far, in the order the codec gave them,
  // onto the end of `frames`; answers the first error the codec met since
  // the last Take (codecErr, memFullErr), or noErr.
  OSErr Take(std::vector<FramePtr>* frames) noexcept;

  // Drops the packets not yet decoded and the frames not yet taken, and
  // returns once the thread is idle: the context is the caller's again
  // until the next Send.
  void Forget() noexcept;

 private:
  void Loop();

  AVCodecContext* context_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<PacketPtr> packets_;  // nullptr: drain
  std::vector<FramePtr> frames_;
  OSErr error_ = noErr;
  bool busy_ = false;  // the thread is decoding a packet
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace qtml
