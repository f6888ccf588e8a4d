#include "components/decode_ahead.h"

#include <chrono>
#include <utility>

#include "MacErrors.h"

namespace qtml {
namespace {

int64_t Nanoseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
}

}  // namespace

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool DecodeAhead::Start() noexcept {
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (...) {
    return false;
  }
  return true;
}

OSErr DecodeAhead::Send(PacketPtr packet, size_t ahead) noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    packets_.push_back(std::move(packet));
  } catch (...) {
    return memFullErr;
  }
  changed_.notify_all();
  auto done = [&] { return packets_.size() + (busy_ ? 1 : 0) <= ahead; };
  if (!done()) {
    const auto start = std::chrono::steady_clock::now();
    changed_.wait(lock, done);
    slack_ -= Nanoseconds(std::chrono::steady_clock::now() - start);
  }
  return noErr;
}

int64_t DecodeAhead::TakeSlack() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(slack_, 0);
}

OSErr DecodeAhead::Take(std::vector<FramePtr>* frames) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  OSErr err = error_;
  error_ = noErr;
  try {
    for (FramePtr& frame : frames_) frames->push_back(std::move(frame));
  } catch (...) {
    err = memFullErr;
  }
  frames_.clear();
  return err;
}

void DecodeAhead::Forget() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  packets_.clear();
  changed_.wait(lock, [&] { return !busy_; });
  frames_.clear();
  error_ = noErr;
}

void DecodeAhead::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!stopping_ && packets_.empty()) {
      const auto start = std::chrono::steady_clock::now();
      changed_.wait(lock, [&] { return stopping_ || !packets_.empty(); });
      slack_ += Nanoseconds(std::chrono::steady_clock::now() - start);
    }
    if (stopping_) return;
    PacketPtr packet = std::move(packets_.front());
    packets_.pop_front();
    busy_ = true;
    lock.unlock();

    // The codec's work, outside the lock.
    OSErr err = noErr;
    std::vector<FramePtr> made;
    int sent = avcodec_send_packet(context_, packet.get());
    if (sent == AVERROR(ENOMEM)) {
      err = memFullErr;
    } else if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF) {
      err = codecErr;
    }
    for (;;) {
      FramePtr frame(av_frame_alloc());
      if (frame == nullptr) {
        err = memFullErr;
        break;
      }
      int got = avcodec_receive_frame(context_, frame.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
      if (got < 0) {
        err = got == AVERROR(ENOMEM) ? memFullErr : codecErr;
        break;
      }
      if (prepare_) prepare_(*frame);
      try {
        made.push_back(std::move(frame));
      } catch (...) {
        err = memFullErr;
        break;
      }
    }
    packet.reset();

    lock.lock();
    busy_ = false;
    try {
      for (FramePtr& frame : made) frames_.push_back(std::move(frame));
    } catch (...) {
      err = memFullErr;
    }
    if (error_ == noErr) error_ = err;
    changed_.notify_all();
  }
}

}  // namespace qtml
