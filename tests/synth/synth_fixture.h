#pragma once
// An engine with the system's General MIDI SoundFont, rendered by the test in
// blocks as an output would, on an injected clock: frame f is heard at
// kStartNs + f / rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "midi/builtin_synth.h"
#include "midi/synth_engine.h"

class SynthRun {
 public:
  static constexpr double kRate = 48000;
  static constexpr std::int64_t kLatencyNs = 20'000'000;
  static constexpr std::int64_t kStartNs = 5'000'000'000'000;
  static constexpr int kBlock = 128;

  // nullptr where no SoundFont is installed.
  static std::unique_ptr<SynthRun> Make() {
    SynthEngine::Config config;
    config.sampleRate = kRate;
    config.fixedLatencyNs = kLatencyNs;
    auto engine = SynthEngine::Create(WellKnownSoundFonts(), config);
    if (!engine) return nullptr;
    auto run = std::make_unique<SynthRun>();
    run->engine = std::move(engine);
    return run;
  }

  static std::int64_t HeardNs(std::int64_t frame) {
    return kStartNs + std::llround(static_cast<double>(frame) * 1e9 / kRate);
  }
  // The stamp of a message meant to sound at `frame`.
  static std::int64_t StampFor(std::int64_t frame) { return HeardNs(frame) - kLatencyNs; }

  MMRESULT Post(DWORD msg, std::int64_t frame) { return engine->Post(msg, StampFor(frame)); }

  // Renders `frames` more frames, appending them to left and right.
  void Render(int frames, int block = kBlock) {
    std::vector<float> l(static_cast<std::size_t>(block)), r(static_cast<std::size_t>(block));
    for (int done = 0; done < frames; done += block) {
      const int n = std::min(block, frames - done);
      engine->Render(l.data(), r.data(), n, HeardNs(Frames()));
      left.insert(left.end(), l.begin(), l.begin() + n);
      right.insert(right.end(), r.begin(), r.begin() + n);
    }
  }
  std::int64_t Frames() const { return static_cast<std::int64_t>(left.size()); }

  std::unique_ptr<SynthEngine> engine;
  std::vector<float> left, right;
};

inline float Peak(const std::vector<float>& x, std::int64_t from = 0, std::int64_t to = INT64_MAX) {
  float peak = 0;
  for (auto i = static_cast<std::size_t>(from); i < std::min<std::size_t>(static_cast<std::size_t>(to), x.size()); ++i) {
    peak = std::max(peak, std::fabs(x[i]));
  }
  return peak;
}

// Index of the first sample that is not exactly zero; -1 when all are.
inline std::int64_t FirstSound(const std::vector<float>& x) {
  const auto it = std::find_if(x.begin(), x.end(), [](float v) { return v != 0.0f; });
  return it == x.end() ? -1 : it - x.begin();
}

inline DWORD NoteOn(int key, int velocity = 127, int channel = 9) {
  return static_cast<DWORD>(0x90 | channel) | static_cast<DWORD>(key) << 8 |
         static_cast<DWORD>(velocity) << 16;
}
inline DWORD NoteOff(int key, int channel = 9) {
  return static_cast<DWORD>(0x80 | channel) | static_cast<DWORD>(key) << 8;
}
inline constexpr DWORD kPercussionAllSoundOff = 0x0078B9;

class SynthEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run_ = SynthRun::Make();
    if (!run_) GTEST_SKIP() << "no General MIDI SoundFont is installed";
  }
  // A new engine, as for a separate case of a table.
  SynthRun& Fresh() {
    run_ = SynthRun::Make();
    return *run_;
  }

  std::unique_ptr<SynthRun> run_;
};
