#include "support/onsets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 48000;

// A percussive hit: a sharp attack and a decaying 1.2 kHz tone with some noise.
void AddClick(std::vector<float>& x, std::size_t at, float amplitude, double decaySeconds = 0.03) {
  std::mt19937 noise(static_cast<unsigned>(at));
  std::uniform_real_distribution<float> spread(-0.3f, 0.3f);
  for (std::size_t i = 0; at + i < x.size() && i < static_cast<std::size_t>(kRate * 8 * decaySeconds); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double envelope = std::exp(-t / decaySeconds);
    x[at + i] += static_cast<float>(amplitude * envelope * (std::cos(2 * M_PI * 1200 * t) + spread(noise)));
  }
}

void AddNoise(std::vector<float>& x, float rms, unsigned seed) {
  std::mt19937 generator(seed);
  std::normal_distribution<float> gauss(0, rms);
  for (float& v : x) v += gauss(generator);
}

struct Recording {
  const char* name;
  float noiseRms;
  std::vector<float> amplitudes;  // one click every 0.4 s
};

TEST(OnsetsTest, FindsEachClickToTheSample) {
  const Recording cases[] = {
      {"clean", 0, {0.5f, 0.5f, 0.5f, 0.5f}},
      {"loud and soft", 0, {0.9f, 0.02f, 0.3f, 0.005f, 0.6f}},
      {"in noise", 0.001f, {0.5f, 0.05f, 0.2f, 0.8f, 0.03f}},
  };
  for (const Recording& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> x(static_cast<std::size_t>(kRate * 0.4 * static_cast<double>(c.amplitudes.size() + 1)));
    std::vector<std::size_t> truth;
    for (std::size_t k = 0; k < c.amplitudes.size(); ++k) {
      truth.push_back(static_cast<std::size_t>(kRate * 0.4 * static_cast<double>(k) + 1000 + 37 * k));
      AddClick(x, truth.back(), c.amplitudes[k]);
    }
    AddNoise(x, c.noiseRms, 1);
    const std::vector<double> onsets = FindOnsets(x, OnsetOptions{});
    ASSERT_EQ(onsets.size(), truth.size());
    for (std::size_t k = 0; k < truth.size(); ++k) {
      EXPECT_NEAR(onsets[k], static_cast<double>(truth[k]), 1.0) << "click " << k;
    }
  }
}

// A ringing tail and a second bounce of the same hit are not new clicks.
TEST(OnsetsTest, IgnoresTailsAndEchoes) {
  std::vector<float> x(static_cast<std::size_t>(kRate * 2));
  AddClick(x, 1000, 0.5f, 0.5);                   // rings far past the refractory time
  AddClick(x, 1000 + 2400, 0.05f);                // a bounce 50 ms later
  AddClick(x, 1000 + 48000, 0.5f);                // the next beat
  AddNoise(x, 0.0005f, 2);
  const std::vector<double> onsets = FindOnsets(x, OnsetOptions{});
  ASSERT_EQ(onsets.size(), 2u);
  EXPECT_NEAR(onsets[1], 1000 + 48000, 1.0);
}

TEST(OnsetsTest, SilenceAndNoiseHaveNoClicks) {
  std::vector<float> x(static_cast<std::size_t>(kRate));
  EXPECT_TRUE(FindOnsets(x, OnsetOptions{}).empty());
  AddNoise(x, 0.01f, 3);
  EXPECT_TRUE(FindOnsets(x, OnsetOptions{}).empty());
}

TEST(OnsetsTest, PeakOfChannelsKeepsTheLouderSide) {
  const std::vector<float> stereo = {0.1f, -0.5f, 0.3f, 0.2f, 0, 0};
  EXPECT_EQ(PeakOfChannels(stereo, 2), (std::vector<float>{-0.5f, 0.3f, 0}));
}

// Onsets at a known tempo error, with known jitter and one beat missing.
TEST(OnsetsTest, MeasuresTempoJitterAndGaps) {
  constexpr double kPeriod = 26181.818;  // 110 BPM at 48 kHz
  constexpr double kPpm = 50;            // clicks 50 ppm fast
  std::vector<double> onsets;
  for (int k = 0; k < 200; ++k) {
    if (k == 100) continue;
    const double jitter = (k % 2 == 0 ? 0.5 : -0.5);
    onsets.push_back(1234.5 + k * kPeriod / (1 + kPpm * 1e-6) + jitter);
  }
  const ClickTiming timing = MeasureClickTiming(onsets, kPeriod);
  EXPECT_EQ(timing.clicks, 199);
  EXPECT_EQ(timing.missing, 1);
  EXPECT_NEAR(timing.tempoErrorPpm, kPpm, 0.5);
  EXPECT_NEAR(timing.meanInterval, kPeriod / (1 + kPpm * 1e-6), 0.01);
  EXPECT_NEAR(timing.intervalStdDev, 1.0, 0.05);
  // The drift of 50 ppm over 199 beats is +-130 frames about the middle.
  EXPECT_NEAR(timing.maxDeviation, 199 * kPeriod * kPpm * 1e-6 / 2 + 0.5, 1.0);
  EXPECT_LE(timing.p99Deviation, timing.maxDeviation);
}

}  // namespace
