// Plays a click through the built-in synthesizer into a private PulseAudio
// server, records what the server played, and measures how exactly the
// clicks fall: the instrument's promise is the tempo shown, with no drift and
// sub-millisecond jitter in the sound itself.
//
//   click_audio [BPM=110.00] [CLICKS=200] [KEY=37] [LATE_MS=0] [KEEP.raw]
//
// LATE_MS sends each tick's messages that much after its ideal time, as a
// tick thread woken late would, still stamped with the ideal time: clicks stay
// in place while the lateness fits in the synthesizer's fixed latency.
// KEEP.raw keeps the recording (float32, interleaved stereo, 50 kHz).
// The clicks are sent as the timer would: note-off then note-on, from a thread
// sleeping to absolute deadlines, stamped with the tick's ideal time.
#include <sys/resource.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "midi/builtin_synth.h"
#include "midi/message_time.h"
#include "support/onsets.h"
#include "support/pulse_session.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void SleepUntil(std::int64_t ns) {
  const timespec when{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) != 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double bpm = argc > 1 ? std::atof(argv[1]) : 110.0;
  const int clicks = argc > 2 ? std::atoi(argv[2]) : 200;
  const int key = argc > 3 ? std::atoi(argv[3]) : 37;
  const double lateMs = argc > 4 ? std::atof(argv[4]) : 0;
  const std::string keep = argc > 5 ? argv[5] : "";
  if (bpm < 50 || bpm > 300 || clicks < 2 || key < 35 || key > 81 || lateMs < 0 || lateMs > 100) {
    std::fprintf(stderr, "usage: click_audio [BPM 50..300] [CLICKS >= 2] [KEY 35..81] [LATE_MS] [KEEP.raw]\n");
    return 2;
  }
  // Exact beat: tick k at start + k * 6e12 / hundredths ns, as the timer does it.
  const auto hundredths = static_cast<std::int64_t>(std::llround(bpm * 100));
  const auto tickNs = [hundredths](std::int64_t k) { return k * 6'000'000'000'000 / hundredths; };

  PulseSession pulse;
  if (!pulse.Ok()) {
    std::fprintf(stderr, "click_audio: %s\n", pulse.Error().c_str());
    return 1;
  }
  pulse.UseForThisProcess();
  const std::string recording = pulse.Folder() + "/clicks.raw";
  if (!pulse.StartRecording(recording)) {
    std::fprintf(stderr, "click_audio: cannot record\n");
    return 1;
  }

  auto device = MakeBuiltinSynthDevice();
  std::unique_ptr<MidiOutPort> port;
  if (const MMRESULT rc = device->Open(port); rc != MMSYSERR_NOERROR) {
    std::fprintf(stderr, "click_audio: the built-in synthesizer does not open (%u)\n", rc);
    return 1;
  }
  port->SetVolume(0xFFFFFFFF);
  const DWORD noteOff = 0x89u | (static_cast<DWORD>(key) << 8);
  const DWORD noteOn = 0x7F0099u | (static_cast<DWORD>(key) << 8);

  const auto lateNs = static_cast<std::int64_t>(lateMs * 1e6);
  const std::int64_t start = MonotonicNowNs();
  const double cpuBefore = CpuSeconds();
  const std::int64_t wallBefore = MonotonicNowNs();
  std::int64_t worstWakeNs = 0;
  for (std::int64_t k = 1; k <= clicks; ++k) {
    const std::int64_t ideal = start + tickNs(k);
    SleepUntil(ideal + lateNs);
    worstWakeNs = std::max(worstWakeNs, MonotonicNowNs() - ideal - lateNs);
    ScopedTickTime tick(ideal);
    port->Send(noteOff, MessageTimeNs());
    port->Send(noteOn, MessageTimeNs());
  }
  SleepUntil(MonotonicNowNs() + 1'000'000'000);  // the last click plays out
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = static_cast<double>(MonotonicNowNs() - wallBefore) * 1e-9;
  port->Close();
  pulse.StopRecording();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);  // before the analysis holds the recording

  const std::vector<float> stereo = ReadRecording(recording);
  if (!keep.empty()) {
    std::filesystem::copy_file(recording, keep, std::filesystem::copy_options::overwrite_existing);
  }
  OnsetOptions options;
  options.sampleRate = PulseSession::kSampleRate;
  // Every GM percussion note peaks above this at full volume; the resumed
  // tail of a click after an underrun's gap stays below it.
  options.minimumLevel = 0.03;
  const auto onsets = FindOnsets(PeakOfChannels(stereo, PulseSession::kChannels), options);
  const double period = PulseSession::kSampleRate * 60.0 * 100.0 / static_cast<double>(hundredths);
  const ClickTiming timing = MeasureClickTiming(onsets, period);
  const double msPerFrame = 1000.0 / PulseSession::kSampleRate;

  std::printf("tempo %.2f BPM, key %d, %d clicks sent %.1f ms late, %.1f s recorded\n", bpm, key,
              clicks, lateMs,
              static_cast<double>(stereo.size()) / PulseSession::kChannels / PulseSession::kSampleRate);
  std::printf("clicks found          %d (%d missing inside the run)\n", timing.clicks, timing.missing);
  std::printf("mean interval         %.4f ms (nominal %.4f ms)\n", timing.meanInterval * msPerFrame,
              period * msPerFrame);
  std::printf("tempo error           %+.3f ppm\n", timing.tempoErrorPpm);
  std::printf("interval std dev      %.4f ms\n", timing.intervalStdDev * msPerFrame);
  std::printf("deviation p99 / max   %.4f / %.4f ms\n", timing.p99Deviation * msPerFrame,
              timing.maxDeviation * msPerFrame);
  std::printf("CPU                   %.3f %% of one core\n", 100.0 * cpu / wall);
  std::printf("peak RSS              %ld KiB\n", usage.ru_maxrss);
  std::printf("latest tick wake-up   %.3f ms\n", static_cast<double>(worstWakeNs) * 1e-6);
  return timing.clicks == clicks ? 0 : 1;
}
