#pragma once
// Percussion notes rendered ahead of time, one per key and velocity, so the
// audio thread can start each at an exact sample instead of at FluidSynth's
// next internal block. A click is rendered the first time its key and velocity
// are played, on the sending thread, by a synthesizer of its own that follows
// the percussion channel's program and controllers; a change of those renders
// the clicks afresh.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "midi/win_types.h"

class FluidInstance;

// One rendered note. Immutable once published; `users` counts the queued
// messages and playing voices that hold it.
struct ClickBuffer {
  std::vector<float> left;
  std::vector<float> right;
  int key = 0;
  std::atomic<int> users{0};

  int frames() const { return static_cast<int>(left.size()); }
  // Audio thread. Release: the reader's last use of the samples comes before
  // the cache may free them.
  void Release() noexcept { users.fetch_sub(1, std::memory_order_release); }
};

class ClickCache {
 public:
  static constexpr int kPercussionChannel = 9;  // channel 10, counted from 0

  // Takes the renderer: its SoundFont and sample rate make the clicks.
  explicit ClickCache(std::unique_ptr<FluidInstance> renderer, double sampleRate);
  ~ClickCache();  // frees every click; no user may remain
  ClickCache(const ClickCache&) = delete;
  ClickCache& operator=(const ClickCache&) = delete;

  // Any thread. The click of `key` at `velocity` (1..127) with one user counted
  // for the caller; rendered first when missing (about 2 ms for a 2 s cymbal).
  // nullptr when it cannot be made.
  ClickBuffer* Acquire(int key, int velocity);

  // Any thread. A program, controller or pitch-bend message of the percussion
  // channel: later clicks sound as that channel now would.
  void ChannelMessage(DWORD msg);

  // Longest click; a note still sounding then fades out. Longer than the
  // slowest beat (1.2 s), so a click is cut only by the next one.
  static constexpr double kMaxSeconds = 2.0;

 private:
  std::unique_ptr<ClickBuffer> Render(int key, int velocity);
  void FreeUnusedRetired();  // requires mutex_

  std::mutex mutex_;  // guards everything below; never taken by the audio thread
  std::unique_ptr<FluidInstance> renderer_;
  double sampleRate_;
  std::array<std::unique_ptr<ClickBuffer>, 128 * 128> clicks_;  // [key * 128 + velocity]
  // Clicks made before the channel last changed, kept while a message or
  // voice may still hold them.
  std::vector<std::unique_ptr<ClickBuffer>> retired_;
  std::vector<float> scratchLeft_, scratchRight_;
};
