#include "support/onsets.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kBlockSeconds = 0.001;        // envelope resolution
constexpr double kNoiseBlockSeconds = 0.01;
constexpr double kNoisePercentile = 0.2;       // clicks fill few of the noise blocks

double NoiseRms(const std::vector<float>& x, std::size_t block) {
  std::vector<double> rms;
  for (std::size_t start = 0; start + block <= x.size(); start += block) {
    double sum = 0;
    for (std::size_t i = start; i < start + block; ++i) sum += double{x[i]} * x[i];
    rms.push_back(std::sqrt(sum / static_cast<double>(block)));
  }
  if (rms.empty()) return 0;
  const auto nth = rms.begin() + static_cast<std::ptrdiff_t>(kNoisePercentile * static_cast<double>(rms.size() - 1));
  std::nth_element(rms.begin(), nth, rms.end());
  return *nth;
}

}  // namespace

std::vector<double> FindOnsets(const std::vector<float>& x, const OnsetOptions& options) {
  const auto block = std::max<std::size_t>(1, static_cast<std::size_t>(kBlockSeconds * options.sampleRate));
  const std::size_t blocks = x.size() / block;
  std::vector<float> envelope(blocks);
  for (std::size_t b = 0; b < blocks; ++b) {
    float peak = 0;
    for (std::size_t i = b * block; i < (b + 1) * block; ++i) peak = std::max(peak, std::fabs(x[i]));
    envelope[b] = peak;
  }
  const double detect = std::max(
      options.minimumLevel,
      options.overNoise * NoiseRms(x, static_cast<std::size_t>(kNoiseBlockSeconds * options.sampleRate)));
  const auto riseBlocks = std::max<std::size_t>(1, static_cast<std::size_t>(options.riseSeconds / kBlockSeconds));
  const double refractory = options.refractorySeconds * options.sampleRate;

  std::vector<double> onsets;
  double last = -refractory;
  for (std::size_t b = 0; b < blocks; ++b) {
    if (envelope[b] < detect || static_cast<double>(b * block) < last + refractory) continue;
    // The signal before the click: skip the block just before, which may
    // already hold its start.
    float before = 0;
    for (std::size_t k = b >= 4 ? b - 4 : 0; k + 1 < b; ++k) before = std::max(before, envelope[k]);
    float peak = 0;
    for (std::size_t k = b; k < std::min(blocks, b + riseBlocks); ++k) peak = std::max(peak, envelope[k]);
    if (peak < options.riseRatio * before) continue;

    const double level = std::max(detect, options.peakFraction * peak);
    std::size_t i = b > 0 ? (b - 1) * block : 0;
    const std::size_t end = std::min(x.size(), (b + riseBlocks) * block);
    while (i < end && std::fabs(x[i]) < level) ++i;
    if (i == end) continue;
    double onset = static_cast<double>(i);
    if (i > 0) {
      const double below = std::fabs(x[i - 1]), above = std::fabs(x[i]);
      onset -= (above - level) / (above - below);  // where the straight line crosses the level
    }
    if (onset < last + refractory) continue;
    onsets.push_back(onset);
    last = onset;
  }
  return onsets;
}

std::vector<float> PeakOfChannels(const std::vector<float>& interleaved, int channels) {
  std::vector<float> mono(interleaved.size() / static_cast<std::size_t>(channels));
  for (std::size_t f = 0; f < mono.size(); ++f) {
    float peak = 0;
    for (int c = 0; c < channels; ++c) {
      const float v = interleaved[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
      if (std::fabs(v) > std::fabs(peak)) peak = v;
    }
    mono[f] = peak;
  }
  return mono;
}

ClickTiming MeasureClickTiming(const std::vector<double>& onsets, double nominalPeriod) {
  ClickTiming timing;
  timing.clicks = static_cast<int>(onsets.size());
  if (onsets.size() < 2) return timing;
  std::vector<double> beat(onsets.size());
  for (std::size_t i = 0; i < onsets.size(); ++i) beat[i] = std::round((onsets[i] - onsets[0]) / nominalPeriod);
  timing.missing = static_cast<int>(beat.back()) + 1 - timing.clicks;

  // Least squares of onset against beat; the onsets are relative to the first
  // so the sums keep their precision over long recordings.
  const double n = static_cast<double>(onsets.size());
  const double meanBeat = std::accumulate(beat.begin(), beat.end(), 0.0) / n;
  double meanOnset = 0;
  for (double onset : onsets) meanOnset += onset - onsets[0];
  meanOnset /= n;
  double sxy = 0, sxx = 0;
  for (std::size_t i = 0; i < onsets.size(); ++i) {
    sxy += (beat[i] - meanBeat) * (onsets[i] - onsets[0] - meanOnset);
    sxx += (beat[i] - meanBeat) * (beat[i] - meanBeat);
  }
  timing.meanInterval = sxx > 0 ? sxy / sxx : 0;
  if (timing.meanInterval > 0) timing.tempoErrorPpm = (nominalPeriod / timing.meanInterval - 1) * 1e6;

  std::vector<double> intervals;
  for (std::size_t i = 1; i < onsets.size(); ++i) {
    if (beat[i] - beat[i - 1] == 1) intervals.push_back(onsets[i] - onsets[i - 1]);
  }
  if (!intervals.empty()) {
    const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / static_cast<double>(intervals.size());
    double sum = 0;
    for (double interval : intervals) sum += (interval - mean) * (interval - mean);
    timing.intervalStdDev = std::sqrt(sum / static_cast<double>(intervals.size()));
  }

  // The ideal grid runs at the nominal period; only its offset is fitted.
  std::vector<double> residual(onsets.size());
  for (std::size_t i = 0; i < onsets.size(); ++i) residual[i] = onsets[i] - onsets[0] - nominalPeriod * beat[i];
  const double offset = std::accumulate(residual.begin(), residual.end(), 0.0) / n;
  std::vector<double> deviation(onsets.size());
  for (std::size_t i = 0; i < onsets.size(); ++i) deviation[i] = std::fabs(residual[i] - offset);
  std::sort(deviation.begin(), deviation.end());
  timing.maxDeviation = deviation.back();
  const auto p99 = static_cast<std::size_t>(std::ceil(0.99 * n)) - 1;
  timing.p99Deviation = deviation[std::min(p99, deviation.size() - 1)];
  return timing;
}
