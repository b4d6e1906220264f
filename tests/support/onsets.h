#pragma once
// Finding the clicks in a recording, and how evenly they fall. Used by tests
// and benchmarks to measure what the program really played.
#include <cstddef>
#include <vector>

struct OnsetOptions {
  double sampleRate = 48000;
  // No second onset this soon after one; also the shortest gap between clicks.
  double refractorySeconds = 0.1;
  // A click reaches its peak within this time of its start.
  double riseSeconds = 0.005;
  // An onset is where the signal first reaches this share of its click's peak;
  // as a share, it is the same point of the waveform at any loudness.
  double peakFraction = 0.2;
  // Detection level in multiples of the noise floor's RMS, and never below
  // `minimumLevel` (full scale is 1).
  double overNoise = 8;
  double minimumLevel = 1e-3;
  // A new click must be this many times louder than the signal just before
  // it, so a ringing tail is not taken for one.
  double riseRatio = 3;
};

// Onset positions in frames, with the fraction of a frame where the onset
// level is crossed between two samples; ascending.
std::vector<double> FindOnsets(const std::vector<float>& mono, const OnsetOptions& options = {});

// Per frame, the sample of largest magnitude among the channels.
std::vector<float> PeakOfChannels(const std::vector<float>& interleaved, int channels);

// How a run of clicks meant to fall every `nominalPeriod` frames fell.
struct ClickTiming {
  int clicks = 0;
  int missing = 0;            // beats within the run with no click found
  double meanInterval = 0;    // frames, least-squares slope over the beats
  double tempoErrorPpm = 0;   // positive: faster than nominal
  double intervalStdDev = 0;  // frames, between neighbouring clicks
  double p99Deviation = 0;    // frames, |onset - ideal|, ideal at the nominal
  double maxDeviation = 0;    // period with the best-fitting offset
};

// Each onset is given the beat nearest to its distance from the first.
ClickTiming MeasureClickTiming(const std::vector<double>& onsets, double nominalPeriod);
