#pragma once
// The built-in synthesizer without its audio output: the live FluidSynth, the
// rendered clicks, the message queue and the volume. An output (or a test)
// calls Render for each block it plays, saying when the block will be heard;
// each message then sounds at its stamped time plus the fixed latency, at the
// exact sample for clicks.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/click_cache.h"
#include "midi/multimedia.h"
#include "midi/spsc_ring.h"

class SynthEngine {
 public:
  struct Config {
    double sampleRate = 48000;
    // Stamp to sound. Covers a late tick wake-up plus the output's buffer.
    std::int64_t fixedLatencyNs = 20'000'000;
  };

  // Loads the first SoundFont of `soundFonts` that FluidSynth accepts;
  // nullptr when none does.
  static std::unique_ptr<SynthEngine> Create(const std::vector<std::string>& soundFonts,
                                             const Config& config);
  ~SynthEngine();
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  // Any thread, several at once. Queues a short message meant for `whenNs`
  // (CLOCK_MONOTONIC). A percussion note-on may first render its click.
  MMRESULT Post(DWORD msg, std::int64_t whenNs);
  // Any thread. Low 16 bits left, high 16 bits right; 0 silent, 0xFFFF full.
  void SetVolume(DWORD volume) noexcept;

  // Real-time: the audio thread only, one at a time; never allocates, locks or
  // waits. Fills `frames` frames of each channel; the first is heard at
  // `firstFrameNs` (CLOCK_MONOTONIC), the others follow at the sample rate.
  void Render(float* left, float* right, int frames, std::int64_t firstFrameNs) noexcept;

  double SampleRate() const { return config_.sampleRate; }
  const std::string& SoundFont() const { return soundFont_; }

 private:
  struct Message {
    DWORD msg;
    std::int64_t whenNs;
    ClickBuffer* click;  // a counted user of the click, or nullptr: the live synth plays it
  };
  struct Voice {
    ClickBuffer* click = nullptr;  // nullptr: free
    int key = 0;
    std::int64_t position = 0;   // click frame at the start of this block; negative: starts later
    std::int64_t fadeStart = 0;  // block offset where its cut begins; kNever: uncut
  };
  static constexpr std::size_t kQueueSize = 1024;
  static constexpr int kMaxPending = 256;
  static constexpr int kMaxVoices = 32;
  static constexpr std::int64_t kNever = INT64_MAX / 2;

  SynthEngine(const Config& config, std::string soundFont, std::unique_ptr<FluidInstance> live,
              std::unique_ptr<FluidInstance> renderer);

  // Audio thread.
  void RenderLive(float* left, float* right, int from, int to) noexcept;
  void Apply(const Message& message, int offset) noexcept;
  void StartClick(ClickBuffer* click, int offset) noexcept;
  void CutClicks(int key, int offset) noexcept;  // key < 0: every click
  void MixClicks(float* left, float* right, int frames) noexcept;
  void ApplyVolume(float* left, float* right, int frames) noexcept;
  void DropMessage(const Message& message) noexcept;

  const Config config_;
  const std::string soundFont_;
  const std::int64_t maxLateFrames_;
  const int cutFadeFrames_;

  std::unique_ptr<FluidInstance> live_;  // the audio thread's alone once rendering starts
  ClickCache clicks_;

  std::mutex producers_;  // serialises pushes; the audio thread never takes it
  SpscRing<Message, kQueueSize> queue_;
  // Relaxed: only the value matters, and a change reaches the next block.
  std::atomic<DWORD> volume_{0xFFFFFFFF};

  // Audio thread state.
  Message pending_[kMaxPending];
  int pendingCount_ = 0;
  Voice voices_[kMaxVoices];
  float gainLeft_ = 1.0f, gainRight_ = 1.0f;
  bool gainsSet_ = false;
};
