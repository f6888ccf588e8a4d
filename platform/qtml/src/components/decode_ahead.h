// Decoding on a thread of its own, a packet ahead of the caller: while the
// caller draws one frame, the next is being decoded. For frames fed one
// after another, as a movie's are when it plays or is stepped through.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "MacTypes.h"
#include "components/ffmpeg_ptr.h"

namespace qtml {

class DecodeAhead {
 public:
  // Decodes with `context` (opened; borrowed, and left to the thread
  // while packets are on their way). `prepare`, when given, is called on
  // the thread for each frame the codec gives, before the frame is handed
  // over (to convert it ahead, say).
  explicit DecodeAhead(AVCodecContext* context, std::function<void(AVFrame&)> prepare = nullptr)
      : context_(context), prepare_(std::move(prepare)) {}
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Starts the thread; false when it cannot be.
  bool Start() noexcept;

  // Hands `packet` (nullptr: the end of the packets, so that the codec
  // gives what it holds back) to the thread; returns once at most `ahead`
  // packets are still to be decoded. memFullErr when it cannot be kept.
  OSErr Send(PacketPtr packet, size_t ahead) noexcept;
  // How much longer (in nanoseconds) the thread waited for packets than
  // its caller waited in Send since the last call: more than 0 when the
  // thread has time to spare.
  int64_t TakeSlack() noexcept;

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
  std::function<void(AVFrame&)> prepare_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<PacketPtr> packets_;  // nullptr: drain
  std::vector<FramePtr> frames_;
  OSErr error_ = noErr;
  bool busy_ = false;  // the thread is decoding a packet
  int64_t slack_ = 0;  // time the thread waited, less the caller's
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace qtml
