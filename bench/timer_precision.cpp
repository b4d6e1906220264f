// How exactly the real click timer keeps time at three tempos: the mean period
// against 60/BPM, the spread of the intervals, and how late each tick wakes
// after its ideal time. Usage: timer_precision [ticks per tempo, default 200]
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "metronome/tempo.h"
#include "midi/message_time.h"
#include "midi/precise_timer.h"

namespace {

// Filled by the tick thread only; `count` published with release after each slot.
struct Run {
  std::vector<std::int64_t> wokeNs;
  std::vector<std::int64_t> idealNs;
  std::atomic<std::size_t> count{0};
  std::atomic<int> policy{-1};

  static void Tick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    const std::int64_t now = MonotonicNowNs();
    auto& run = *reinterpret_cast<Run*>(user);
    const std::size_t i = run.count.load(std::memory_order_relaxed);
    if (i >= run.wokeNs.size()) return;
    if (i == 0) {
      int policy = 0;
      sched_param param{};
      pthread_getschedparam(pthread_self(), &policy, &param);
      run.policy.store(policy, std::memory_order_relaxed);
    }
    run.wokeNs[i] = now;
    run.idealNs[i] = MessageTimeNs();
    run.count.store(i + 1, std::memory_order_release);
  }
};

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const std::size_t rank = static_cast<std::size_t>(std::ceil(p * values.size()));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void Measure(UINT tempo, std::size_t ticks) {
  Run run;
  run.wokeNs.resize(ticks);
  run.idealNs.resize(ticks);
  const TimerPeriod beat = TempoToBeatLength(tempo);
  const double beatNs = double(beat.numeratorNs) / beat.denominator;

  PreciseTimer timer;
  const UINT id =
      timer.SetEvent(beat, &Run::Tick, reinterpret_cast<DWORD_PTR>(&run), TIME_PERIODIC);
  if (id == 0) {
    std::printf("%s BPM: the timer could not start\n", TempoToText(tempo).c_str());
    return;
  }
  while (run.count.load(std::memory_order_acquire) < ticks) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  timer.KillEvent(id);

  std::vector<double> intervalsMs;
  for (std::size_t i = 1; i < ticks; ++i) {
    intervalsMs.push_back((run.wokeNs[i] - run.wokeNs[i - 1]) / 1e6);
  }
  double mean = 0;
  for (double v : intervalsMs) mean += v;
  mean /= intervalsMs.size();
  double variance = 0;
  for (double v : intervalsMs) variance += (v - mean) * (v - mean);
  const double stddevMs = std::sqrt(variance / intervalsMs.size());
  // The mean of the intervals is the span over the count; taken in integers.
  const double meanNs = double(run.wokeNs[ticks - 1] - run.wokeNs[0]) / (ticks - 1);
  const double errorPpm = (meanNs - beatNs) / beatNs * 1e6;
  // The least-squares slope of wake time over tick number: the period without
  // the weight the mean puts on the first and last wake-ups.
  double sumK = 0, sumT = 0, sumKK = 0, sumKT = 0;
  for (std::size_t i = 0; i < ticks; ++i) {
    const double k = double(i);
    const double t = double(run.wokeNs[i] - run.wokeNs[0]);
    sumK += k;
    sumT += t;
    sumKK += k * k;
    sumKT += k * t;
  }
  const double n = double(ticks);
  const double slopeNs = (n * sumKT - sumK * sumT) / (n * sumKK - sumK * sumK);
  const double fitPpm = (slopeNs - beatNs) / beatNs * 1e6;

  std::vector<double> lateMs;
  for (std::size_t i = 0; i < ticks; ++i) lateMs.push_back((run.wokeNs[i] - run.idealNs[i]) / 1e6);

  std::printf("%7s BPM  beat %.6f ms  ticks %zu  %s\n", TempoToText(tempo).c_str(), beatNs / 1e6,
              ticks, run.policy.load() == SCHED_FIFO ? "SCHED_FIFO" : "SCHED_OTHER");
  std::printf("    mean period error %+.3f ppm (fitted %+.3f ppm)   interval stddev %.4f ms\n",
              errorPpm, fitPpm, stddevMs);
  std::printf("    wake after ideal: median %.4f ms  p99 %.4f ms  max %.4f ms\n",
              Percentile(lateMs, 0.5), Percentile(lateMs, 0.99),
              *std::max_element(lateMs.begin(), lateMs.end()));
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t ticks = 200;
  if (argc > 1) ticks = std::strtoul(argv[1], nullptr, 10);
  if (ticks < 2) {
    std::fprintf(stderr, "usage: %s [ticks per tempo, at least 2]\n", argv[0]);
    return 2;
  }
  for (UINT tempo : {11000u, 17500u, 30000u}) Measure(tempo, ticks);
  return 0;
}
