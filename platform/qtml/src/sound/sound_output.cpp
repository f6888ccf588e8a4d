#include "sound/sound_output.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "QTMLTestControls.h"
#include "base/api_call.h"
#include "memory/memory.h"
#include "sound/movie_sound.h"

namespace qtml {
namespace {

// ALSA's library writes its own complaints to standard error when SDL
// tries it on a machine without a sound card; a program here says what it
// has to say itself. The library is the one SDL loads, found as SDL finds
// it; nothing happens when it is not installed.
void Silently(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  static const bool quieted = [] {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa == nullptr) return false;
    auto setHandler =
        reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    return setHandler != nullptr && setHandler(&Silently) == 0;
  }();
  (void)quieted;
}

// What the engine asks of the device; SDL may give another rate or other
// channels, which the mixer then makes.
constexpr int kDeviceRate = 48000;
constexpr int kDeviceChannels = 2;
// Frames a device period. Following the manual clock, periods are short,
// so that the device's start (SDL plays silence until it is unpaused)
// takes little of the sound's time.
constexpr int kPeriodFrames = 1024;
constexpr int kManualPeriodFrames = 256;
// How far ahead of its movie's time sound is handed to the device; how
// far the sound may drift from that time before it is moved to it, and
// before it starts again from it (dropping what the device was given).
constexpr double kLeadSeconds = 0.2;
constexpr double kNudgeSeconds = 0.03;
constexpr double kDriftSeconds = 0.1;
// Frames mixed at a time.
constexpr size_t kMixFrames = 4096;
// How long closing waits for the device to play what it was given.
constexpr auto kDrainLimit = std::chrono::seconds(5);

// One movie's sound on its way to the device: frames of the device's
// format, handed on by the movie and taken by the device.
struct Queue {
  std::vector<float> samples;
  size_t head = 0;      // samples taken
  bool active = false;  // its movie plays
  bool gone = false;    // its movie went: dropped once empty
  size_t Frames(int channels) const { return (samples.size() - head) / channels; }
};

// A movie that plays sound, and where its sound stands: the frames handed
// on since `anchor` (a movie time), in the device's format.
struct Player {
  uintptr_t movie = 0;  // the movie's reference, which names no other
  MovieRecord* record = nullptr;
  MovieSoundMixer mixer;
  double anchor = 0;
  TimeScale scale = 0;
  int64_t handed = 0;
  std::shared_ptr<Queue> queue;
};

class SoundOutput {
 public:
  static SoundOutput& Get() {
    static SoundOutput output;
    return output;
  }
  ~SoundOutput() {
    Close(false);
    if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void Restart(MovieRecord& movie, bool manual);
  void Follow(MovieRecord& movie, bool manual);
  void ShutDown();
  void AllowManual(bool on) {
    ShutDown();
    manualAllowed_ = on;
  }

 private:
  SoundOutput() = default;
  bool Wanted(const MovieRecord& movie, bool manual) const {
    return !movie.standalone && movie.reference.registered() && (!manual || manualAllowed_);
  }
  bool Open(bool manual);
  void Close(bool drain);
  Player* Find(const MovieRecord& movie);
  Player& Start(MovieRecord& movie);
  void Hand(Player& player, MovieRecord& movie);
  void Append(Queue& queue, const float* samples, size_t count);
  void Clear(Queue& queue);

  static void SDLCALL Callback(void* self, Uint8* stream, int length);
  void Fill(float* out, size_t count);
  bool Ready(size_t frames) const;

  // Main thread only.
  bool manualAllowed_ = false;
  bool sdlStarted_ = false;
  bool failed_ = false;  // SDL or the device would not start: silent
  SDL_AudioDeviceID device_ = 0;
  std::vector<std::unique_ptr<Player>> players_;
  std::vector<float> mixed_;

  // Set while the device is closed or paused, read by its thread.
  SoundOutputFormat format_;
  int period_ = 0;       // frames
  bool manual_ = false;  // the device follows the manual clock

  // Shared with the device's thread.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<Queue>> queues_;
  bool draining_ = false;  // closing: what is left is played out
  bool closing_ = false;
  bool waiting_ = false;  // the device waits for sound
};

bool SoundOutput::Open(bool manual) {
  if (device_ != 0 && manual_ == manual) return true;
  if (device_ != 0) Close(true);
  if (failed_) return false;
  if (!sdlStarted_) {
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      failed_ = true;
      return false;
    }
    sdlStarted_ = true;
  }
  SDL_AudioSpec want{};
  want.freq = kDeviceRate;
  want.format = AUDIO_F32SYS;
  want.channels = kDeviceChannels;
  want.samples = manual ? kManualPeriodFrames : kPeriodFrames;
  want.callback = &SoundOutput::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device_ != 0 && (have.freq <= 0 || have.channels == 0)) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (device_ == 0) {
    failed_ = true;
    return false;
  }
  format_ = {have.freq, have.channels};
  period_ = have.samples;
  manual_ = manual;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SoundOutput::Close(bool drain) {
  players_.clear();
  if (device_ == 0) return;
  {
    std::unique_lock lock(mutex_);
    for (auto& queue : queues_) queue->gone = true;
    if (drain && manual_) {
      draining_ = true;
      changed_.notify_all();
      changed_.wait_for(lock, kDrainLimit, [this] { return queues_.empty() && waiting_; });
    }
    closing_ = true;
    changed_.notify_all();
  }
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  std::lock_guard lock(mutex_);
  queues_.clear();
  draining_ = closing_ = waiting_ = false;
}

void SoundOutput::ShutDown() {
  Close(true);
  if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  sdlStarted_ = false;
  failed_ = false;
}

Player* SoundOutput::Find(const MovieRecord& movie) {
  // Players of movies that went are let go; their sound stops.
  for (auto it = players_.begin(); it != players_.end();) {
    Player& player = **it;
    if (Identity<MovieRecord, HandleKind::kMovie>::Find(
            reinterpret_cast<const void*>(player.movie)) == player.record) {
      ++it;
      continue;
    }
    std::lock_guard lock(mutex_);
    player.queue->gone = true;
    player.queue->active = false;
    if (!manual_) Clear(*player.queue);
    it = players_.erase(it);
  }
  for (auto& player : players_) {
    if (player->record == &movie && player->movie == movie.reference.value()) return player.get();
  }
  return nullptr;
}

Player& SoundOutput::Start(MovieRecord& movie) {
  auto player = std::make_unique<Player>();
  player->movie = movie.reference.value();
  player->record = &movie;
  player->queue = std::make_shared<Queue>();
  {
    std::lock_guard lock(mutex_);
    queues_.push_back(player->queue);
  }
  players_.push_back(std::move(player));
  return *players_.back();
}

void SoundOutput::Restart(MovieRecord& movie, bool manual) {
  if (!Wanted(movie, manual)) return;
  bool plays = movie.rate == 0x10000 && HasSoundToPlay(movie);
  auto opening = std::chrono::steady_clock::now();
  if (plays && !Open(manual)) return;
  // The movie's time ran on while SDL started.
  std::chrono::duration<double> late = std::chrono::steady_clock::now() - opening;
  Player* player = Find(movie);
  if (player == nullptr && !plays) return;
  if (player == nullptr) player = &Start(movie);
  {
    std::lock_guard lock(mutex_);
    // Following the manual clock, the sound handed on so far is played
    // through; otherwise it stops at once.
    if (!manual_) Clear(*player->queue);
    player->queue->active = plays;
  }
  player->anchor = movie.currentTime + (manual_ ? 0 : late.count() * movie.timeScale);
  player->scale = movie.timeScale;
  player->handed = 0;
  if (plays) Hand(*player, movie);
}

void SoundOutput::Follow(MovieRecord& movie, bool manual) {
  if (!Wanted(movie, manual)) return;
  Player* player = device_ != 0 && manual_ == manual ? Find(movie) : nullptr;
  bool active = player != nullptr && player->queue->active;
  if (!active) {
    // A movie that plays without sound yet (started while no sound was
    // wanted) starts it here.
    if (movie.rate == 0x10000 && HasSoundToPlay(movie)) Restart(movie, manual);
    return;
  }
  if (movie.timeScale != player->scale) return Restart(movie, manual);
  Hand(*player, movie);
}

void SoundOutput::Hand(Player& player, MovieRecord& movie) {
  double perFrame = static_cast<double>(movie.timeScale) / format_.rate;
  double now = movie.currentTime;
  double cursor = player.anchor + static_cast<double>(player.handed) * perFrame;
  double target = now;
  if (manual_) {
    // Back in time without being set: a loop. The sound goes on from there.
    if (now < cursor - 1) {
      player.anchor = movie.currentTime;
      player.handed = 0;
    }
  } else {
    size_t queued;
    {
      std::lock_guard lock(mutex_);
      queued = player.queue->Frames(format_.channels);
    }
    // The device plays the period it took last while the main thread
    // looks: half of one on average, the queue says no more.
    double sounding = cursor - (static_cast<double>(queued) + period_ / 2.0) * perFrame;
    double drift = now - sounding;
    if (std::abs(drift) > kDriftSeconds * movie.timeScale) {
      std::lock_guard lock(mutex_);
      Clear(*player.queue);
      player.anchor = movie.currentTime;
      player.handed = 0;
    } else if (std::abs(drift) > kNudgeSeconds * movie.timeScale) {
      player.anchor += drift;  // what is handed on next skips or repeats the drift
    }
    if (movie.rate == 0x10000) target = now + kLeadSeconds * movie.timeScale;
  }
  auto wanted = static_cast<int64_t>(std::floor((target - player.anchor) / perFrame + 1e-9));
  while (player.handed < wanted) {
    size_t frames = static_cast<size_t>(std::min<int64_t>(wanted - player.handed, kMixFrames));
    mixed_.assign(frames * format_.channels, 0.0f);
    double from = player.anchor + static_cast<double>(player.handed) * perFrame;
    player.mixer.Mix(movie, from, frames, format_, mixed_.data());
    Append(*player.queue, mixed_.data(), mixed_.size());
    player.handed += static_cast<int64_t>(frames);
  }
  if (movie.rate != 0x10000) {
    // Stopped by its end: what was handed on plays out.
    std::lock_guard lock(mutex_);
    player.queue->active = false;
  }
}

void SoundOutput::Append(Queue& queue, const float* samples, size_t count) {
  std::lock_guard lock(mutex_);
  if (queue.head > 0 && queue.head * 2 >= queue.samples.size()) {
    queue.samples.erase(queue.samples.begin(),
                        queue.samples.begin() + static_cast<std::ptrdiff_t>(queue.head));
    queue.head = 0;
  }
  queue.samples.insert(queue.samples.end(), samples, samples + count);
  changed_.notify_all();
}

void SoundOutput::Clear(Queue& queue) {
  queue.samples.clear();
  queue.head = 0;
}

void SDLCALL SoundOutput::Callback(void* self, Uint8* stream, int length) {
  static_cast<SoundOutput*>(self)->Fill(reinterpret_cast<float*>(stream),
                                        static_cast<size_t>(length) / sizeof(float));
}

bool SoundOutput::Ready(size_t frames) const {
  if (closing_) return true;
  int channels = format_.channels;
  bool any = false, all = true;
  for (const auto& queue : queues_) {
    size_t held = queue->Frames(channels);
    any = any || held >= frames || (draining_ && held > 0);
    all = all && (!queue->active || held >= frames);
  }
  return any && (all || draining_);
}

// The device's thread. It never allocates: queues are grown by the main
// thread, and only let go here.
void SoundOutput::Fill(float* out, size_t count) {
  std::fill(out, out + count, 0.0f);
  int channels = format_.channels;
  size_t frames = count / channels;
  std::unique_lock lock(mutex_);
  if (manual_) {
    waiting_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return Ready(frames); });
    waiting_ = false;
  }
  for (auto& queue : queues_) {
    size_t take = std::min(frames, queue->Frames(channels)) * channels;
    if (take == 0) continue;
    const float* from = queue->samples.data() + queue->head;
    for (size_t i = 0; i < take; ++i) out[i] += from[i];
    queue->head += take;
  }
  std::erase_if(queues_,
                [&](const auto& queue) { return queue->gone && queue->Frames(channels) == 0; });
  lock.unlock();
  changed_.notify_all();
  for (size_t i = 0; i < count; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

}  // namespace

void MovieSoundRestart(MovieRecord& movie, bool manualClock) noexcept {
  GuardedVoid([&] { SoundOutput::Get().Restart(movie, manualClock); });
}

void MovieSoundFollow(MovieRecord& movie, bool manualClock) noexcept {
  GuardedVoid([&] { SoundOutput::Get().Follow(movie, manualClock); });
}

void ShutDownSound() noexcept {
  GuardedVoid([] { SoundOutput::Get().ShutDown(); });
}

}  // namespace qtml

extern "C" {

QTML_API void QTMLTest_UseSoundOutput(Boolean on) try {
  qtml::SoundOutput::Get().AllowManual(on != 0);
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
