// Clicks at 300.00 BPM for a long time along the program's own path — the real
// provider, the click words, MetronomeTimeProc on the exact-beat periodic
// event — through the built-in synthesizer into a private PulseAudio server,
// records what the server played and checks it: not one click missed or
// added, no drift, memory and threads flat.
//
//   soak [SECONDS=1800] [KEEP.raw]
//
// KEEP.raw keeps the recording (float32, interleaved stereo, 50 kHz).
// Goal: no missed or extra click, drift under 0.1 ms, resident memory and
// thread count the same at the end as at the start. Exit code 0 when met.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "metronome/click.h"
#include "metronome/click_scheduler.h"
#include "metronome/tempo.h"
#include "midi/message_time.h"
#include "midi/real_provider.h"
#include "support/onsets.h"
#include "support/process_threads.h"
#include "support/pulse_session.h"

namespace {

constexpr UINT kTempo = TEMPO_MAX;  // 300.00 BPM
constexpr double kPeriodSeconds = 60.0 * 100.0 / kTempo;
constexpr double kRate = PulseSession::kSampleRate;
constexpr double kPeriodFrames = kPeriodSeconds * kRate;  // exactly 10,000 at 50 kHz
constexpr double kMsPerFrame = 1000.0 / kRate;

// Incremented by the tick thread, read by the main thread (relaxed: a count).
std::atomic<long> g_ticks{0};

void CountingTimeProc(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2) {
  MetronomeTimeProc(id, msg, user, dw1, dw2);
  g_ticks.fetch_add(1, std::memory_order_relaxed);
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Key 37 at full volume peaks near 0.45; only the start of a click reaches
// this, never its tail, even where the tail resumes after a dropout.
constexpr double kClickLevel = 0.2;

struct Dropout {
  double frame;
  double frames;
};

struct Analysis {
  std::vector<double> onsets;
  // Exact silence inside a sounding click: the stream ran dry (an underrun),
  // the server played nothing, and the sound went on afterwards.
  std::vector<Dropout> dropouts;
};

// Zero runs of at least a millisecond in `mono` that start in [begin, end)
// and after which sound goes on without a new click starting.
void FindDropouts(const std::vector<float>& mono, std::size_t begin, std::size_t end,
                  double offset, std::vector<Dropout>& dropouts) {
  constexpr auto kShortest = static_cast<std::size_t>(0.001 * kRate);
  constexpr auto kLookAhead = static_cast<std::size_t>(0.005 * kRate);
  for (std::size_t i = std::max<std::size_t>(begin, 1); i < end; ++i) {
    if (mono[i] != 0 || mono[i - 1] == 0) continue;
    std::size_t j = i;
    while (j < mono.size() && mono[j] == 0) ++j;
    if (j - i >= kShortest && j < mono.size()) {
      float after = 0;
      for (std::size_t k = j; k < std::min(mono.size(), j + kLookAhead); ++k) {
        after = std::max(after, std::fabs(mono[k]));
      }
      if (after < kClickLevel) dropouts.push_back({offset + static_cast<double>(i), static_cast<double>(j - i)});
    }
    i = j;
  }
}

// A long recording, a minute at a time; each piece reaches a second beyond
// its minute on both sides, so what lies on an edge is seen whole.
Analysis Analyse(const std::string& path) {
  constexpr auto kFrameBytes = sizeof(float) * PulseSession::kChannels;
  constexpr auto kPiece = static_cast<std::size_t>(60 * kRate);
  constexpr auto kMargin = static_cast<std::size_t>(1 * kRate);
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::size_t frames = static_cast<std::size_t>(in.tellg()) / kFrameBytes;
  OnsetOptions options;
  options.sampleRate = kRate;
  options.minimumLevel = kClickLevel;
  Analysis analysis;
  std::vector<float> stereo;
  for (std::size_t start = 0; start < frames; start += kPiece) {
    const std::size_t from = start > kMargin ? start - kMargin : 0;
    const std::size_t end = std::min(frames, start + kPiece);
    const std::size_t to = std::min(frames, end + kMargin);
    stereo.resize((to - from) * PulseSession::kChannels);
    in.seekg(static_cast<std::streamoff>(from * kFrameBytes));
    in.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(stereo.size() * sizeof(float)));
    const std::vector<float> mono = PeakOfChannels(stereo, PulseSession::kChannels);
    for (double onset : FindOnsets(mono, options)) {
      const double frame = onset + static_cast<double>(from);
      if (frame >= static_cast<double>(start) && frame < static_cast<double>(end)) {
        analysis.onsets.push_back(frame);
      }
    }
    FindDropouts(mono, start - from, end - from, static_cast<double>(from), analysis.dropouts);
  }
  return analysis;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1800;
  const std::string keep = argc > 2 ? argv[2] : "";
  if (seconds < 5) {
    std::fprintf(stderr, "usage: soak [SECONDS >= 5, default 1800] [KEEP.raw]\n");
    return 2;
  }

  PulseSession pulse;
  if (!pulse.Ok()) {
    std::fprintf(stderr, "soak: %s\n", pulse.Error().c_str());
    return 1;
  }
  pulse.UseForThisProcess();
  const std::string recording = pulse.Folder() + "/soak.raw";
  if (!pulse.StartRecording(recording)) {
    std::fprintf(stderr, "soak: cannot record\n");
    return 1;
  }

  RealMultimediaProvider provider;
  InstallMultimediaProvider(&provider);
  HMIDIOUT port = nullptr;
  if (midiOutGetNumDevs() == 0 || midiOutOpen(&port, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    std::fprintf(stderr, "soak: the built-in synthesizer does not open\n");
    return 1;
  }
  midiOutSetVolume(port, 0xFFFFFFFF);
  SetClickNote(37);

  const UINT event = timeSetEventExact(TempoToBeatLength(kTempo), CLICK_TIMER_RESOLUTION,
                                       CountingTimeProc, reinterpret_cast<DWORD_PTR>(port),
                                       TIME_PERIODIC);
  if (event == 0) {
    std::fprintf(stderr, "soak: no timer event\n");
    return 1;
  }
  const std::int64_t startNs = MonotonicNowNs();
  const double cpuStart = CpuSeconds();
  // Settled: the stream runs and the first clicks have been rendered.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long rssStart = ResidentKiB();
  const int threadsStart = ThreadsOfThisProcess();

  for (int minute = 1;; ++minute) {
    const double left = seconds - static_cast<double>(MonotonicNowNs() - startNs) * 1e-9;
    if (left <= 0) break;
    std::this_thread::sleep_for(std::chrono::duration<double>(std::min(60.0, left)));
    if (left > 60) {
      std::fprintf(stderr, "soak: %d min, %ld ticks, %ld KiB resident, %d threads\n", minute,
                   g_ticks.load(std::memory_order_relaxed), ResidentKiB(), ThreadsOfThisProcess());
    }
  }
  const long rssEnd = ResidentKiB();
  const int threadsEnd = ThreadsOfThisProcess();
  const double cpu = CpuSeconds() - cpuStart;
  const double wall = static_cast<double>(MonotonicNowNs() - startNs) * 1e-9;
  timeKillEvent(event);
  const long ticks = g_ticks.load(std::memory_order_relaxed);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the last click plays out
  midiOutClose(port);
  InstallMultimediaProvider(nullptr);
  pulse.StopRecording();

  if (!keep.empty()) {
    std::error_code error;
    std::filesystem::copy_file(recording, keep, std::filesystem::copy_options::overwrite_existing, error);
  }
  const Analysis analysis = Analyse(recording);
  const std::vector<double>& onsets = analysis.onsets;
  // Each onset belongs to the beat nearest its distance from the first; a
  // second onset on a beat, or one far off every beat, is an extra click.
  constexpr long kShown = 10;  // anomalies listed, of each kind
  long matched = 0, extra = 0, lastBeat = -1, gapsShown = 0;
  double drift = 0;
  std::vector<double> deviation;  // from the grid of the first click
  for (double onset : onsets) {
    const long beat = std::lround((onset - onsets[0]) / kPeriodFrames);
    const double off = (onset - onsets[0]) - static_cast<double>(beat) * kPeriodFrames;
    if (beat == lastBeat || std::fabs(off) > kPeriodFrames / 4) {
      if (++extra <= kShown) {
        std::printf("extra click at %.3f s, %+.3f ms from beat %ld\n", onset / kRate,
                    off * kMsPerFrame, beat);
      }
      continue;
    }
    if (beat > lastBeat + 1 && ++gapsShown <= kShown) {
      std::printf("no click on beats %ld to %ld (%.3f s)\n", lastBeat + 1, beat - 1,
                  (onsets[0] + static_cast<double>(lastBeat + 1) * kPeriodFrames) / kRate);
    }
    ++matched;
    lastBeat = beat;
    deviation.push_back(std::fabs(off));
    drift = off;
  }
  const long missed = std::max(0L, ticks - matched);
  extra += std::max(0L, matched - ticks);
  std::sort(deviation.begin(), deviation.end());
  const auto at = [&](double share) {
    if (deviation.empty()) return 0.0;
    const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(deviation.size())));
    return deviation[std::min(deviation.size(), std::max<std::size_t>(rank, 1)) - 1];
  };
  const ClickTiming fit = MeasureClickTiming(onsets, kPeriodFrames);

  std::printf("soak at %.2f BPM for %.0f s\n", kTempo / 100.0, wall);
  std::printf("clicks expected       %ld (ticks sent)\n", ticks);
  std::printf("clicks found          %zu: %ld missed, %ld extra\n", onsets.size(), missed, extra);
  std::printf("drift at the end      %+.4f ms (last click against the grid of the first)\n",
              drift * kMsPerFrame);
  std::printf("deviation p99 / max   %.4f / %.4f ms (from the grid of the first click)\n",
              at(0.99) * kMsPerFrame, at(1.0) * kMsPerFrame);
  std::printf("best-fit grid         p99 %.4f / max %.4f ms, tempo error %+.3f ppm\n",
              fit.p99Deviation * kMsPerFrame, fit.maxDeviation * kMsPerFrame, fit.tempoErrorPpm);
  double longest = 0;
  for (const Dropout& d : analysis.dropouts) longest = std::max(longest, d.frames);
  std::printf("dropouts              %zu (longest %.1f ms): silence inside a click's sound\n",
              analysis.dropouts.size(), longest * kMsPerFrame);
  for (std::size_t i = 0; i < analysis.dropouts.size() && i < static_cast<std::size_t>(kShown); ++i) {
    std::printf("  at %.3f s, %.1f ms\n", analysis.dropouts[i].frame / kRate,
                analysis.dropouts[i].frames * kMsPerFrame);
  }
  // Whether they cluster (start-up, a busy spell) or come steadily.
  if (!analysis.dropouts.empty()) {
    std::vector<int> perMinute;
    for (const Dropout& d : analysis.dropouts) {
      const auto minute = static_cast<std::size_t>(d.frame / kRate / 60.0);
      if (perMinute.size() <= minute) perMinute.resize(minute + 1, 0);
      ++perMinute[minute];
    }
    std::printf("  per minute:");
    for (int n : perMinute) std::printf(" %d", n);
    std::printf("\n");
  }
  std::printf("resident memory       %ld KiB at start, %ld KiB at end\n", rssStart, rssEnd);
  std::printf("threads               %d at start, %d at end\n", threadsStart, threadsEnd);
  std::printf("CPU                   %.3f %% of one core\n", 100.0 * cpu / wall);
  // Flat: what the allocator and the audio server's buffers may settle into.
  constexpr long kFlatKiB = 1024;
  const bool met = missed == 0 && extra == 0 && std::fabs(drift * kMsPerFrame) < 0.1 &&
                   rssEnd - rssStart < kFlatKiB && threadsEnd == threadsStart;
  std::printf("goal                  %s\n", met ? "met" : "NOT met");
  return met ? 0 : 1;
}
