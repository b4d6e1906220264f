// The built-in synthesizer's own PulseAudio stream. FluidSynth's PulseAudio
// driver writes blindly; here each block is rendered knowing, from the
// server's timing reports, when its first frame will be heard, so a click
// keeps its stamped time across underruns and scheduling delays.
//
// The reports are asked for every few tens of milliseconds and read raw: at
// the report's time the frame at the read index is the sink's latency away.
// libpulse's own interpolation was seen to wander by 0.2 ms between its
// (increasingly rare) automatic updates; raw reports scatter by some 20 us.
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>

#include <algorithm>
#include <vector>

#include "midi/audio_output.h"
#include "midi/message_time.h"
#include "midi/playback_clock.h"
#include "midi/synth_engine.h"

namespace {

constexpr int kChannels = 2;
constexpr std::size_t kFrameBytes = kChannels * sizeof(float);
// Buffered ahead, server and stream together (13.3 ms), asked for in blocks of
// 2.7 ms. The server keeps about half of the excess over one block in its
// sink, so a request leaves some 5 ms before the stream runs dry: 512 frames
// in blocks of 256 left 2.7 ms and underran about once a second on a loaded
// machine, these settings a few times a minute. A message waits at most one
// block for its render and is heard at most the whole buffer later, so 16 ms
// of the engine's 20 ms fixed latency go here; ticks may wake 4 ms late.
constexpr std::uint32_t kRequestFrames = 128;
constexpr std::uint32_t kTargetFrames = 640;
constexpr std::size_t kMaxChunkFrames = 1024;
constexpr pa_usec_t kRetryUsec = 1'000'000;
constexpr pa_usec_t kTimingUsec = 50'000;
// A stream that moved by more than a millisecond, three reports in a row, has
// really moved; a single one is a report delayed in the server.
constexpr double kSmoothing = 1.0 / 16;
constexpr std::int64_t kStepNs = 1'000'000;
constexpr int kStepConfirmations = 3;
// The priority PulseAudio gives its own device threads.
constexpr int kRealtimePriority = 5;

class PulseOutput final : public AudioOutput {
 public:
  explicit PulseOutput(SynthEngine& engine)
      : engine_(engine),
        clock_(engine.SampleRate(), kSmoothing, kStepNs, kStepConfirmations),
        left_(kMaxChunkFrames),
        right_(kMaxChunkFrames) {}

  ~PulseOutput() override {
    if (loop_ == nullptr) return;
    pa_threaded_mainloop_lock(loop_);
    stopping_ = true;
    Disconnect();
    if (timer_ != nullptr) Api()->time_free(timer_);
    if (timingTimer_ != nullptr) Api()->time_free(timingTimer_);
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
  }

  bool Start(std::chrono::milliseconds timeout) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) return false;
    pa_threaded_mainloop_lock(loop_);
    ArmTimer(static_cast<pa_usec_t>(timeout.count()) * 1000);
    Connect();
    while (state_ == State::kConnecting && !timedOut_) pa_threaded_mainloop_wait(loop_);
    const bool ready = state_ == State::kReady;
    if (!ready) {
      stopping_ = true;  // no retries for a server that was never there
      Disconnect();
    }
    pa_threaded_mainloop_unlock(loop_);
    return ready;
  }

 private:
  enum class State { kConnecting, kReady, kFailed };

  pa_mainloop_api* Api() const { return pa_threaded_mainloop_get_api(loop_); }

  void Arm(pa_time_event*& timer, pa_usec_t fromNow, pa_time_event_cb_t callback) {
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), fromNow);
    if (timer == nullptr) {
      timer = Api()->time_new(Api(), &when, callback, this);
    } else {
      Api()->time_restart(timer, &when);
    }
  }

  // One timer serves the first connection's deadline, then the retries.
  void ArmTimer(pa_usec_t fromNow) { Arm(timer_, fromNow, &PulseOutput::OnTimer); }

  void Connect() {
    state_ = State::kConnecting;
    context_ = pa_context_new(Api(), "Mossgate BPM Checker");
    if (context_ == nullptr) {
      Fail();
      return;
    }
    pa_context_set_state_callback(context_, &PulseOutput::OnContextState, this);
    // Never start a server of our own: the desktop's is the one that plays.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) Fail();
  }

  void OpenStream() {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(engine_.SampleRate()),
                              kChannels};
    stream_ = pa_stream_new(context_, "Metronome click", &format, nullptr);
    if (stream_ == nullptr) {
      Fail();
      return;
    }
    pa_stream_set_state_callback(stream_, &PulseOutput::OnStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::OnWrite, this);
    pa_stream_set_underflow_callback(stream_, &PulseOutput::OnUnderflow, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(kTargetFrames * kFrameBytes);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(kRequestFrames * kFrameBytes);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) Fail();
  }

  void Disconnect() {
    if (stream_ != nullptr) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }

  // The connection is lost or never came: wake Start, or try again later.
  // The objects are dropped from the timer, not inside their own callbacks.
  void Fail() {
    state_ = State::kFailed;
    pa_threaded_mainloop_signal(loop_, 0);
    if (!stopping_ && started_) ArmTimer(kRetryUsec);
  }

  static void OnTimer(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (!output->started_) {
      output->timedOut_ = true;
      pa_threaded_mainloop_signal(output->loop_, 0);
      return;
    }
    if (output->stopping_ || output->state_ != State::kFailed) return;
    output->Disconnect();
    output->timingPending_ = false;
    output->written_ = 0;  // a new stream counts its own frames
    output->clock_.Reset();
    output->Connect();
  }

  static void OnContextState(pa_context* context, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    switch (pa_context_get_state(context)) {
      case PA_CONTEXT_READY:
        output->RaisePriority();
        output->OpenStream();
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED: output->Fail(); break;
      default: break;
    }
  }

  static void OnStreamState(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    switch (pa_stream_get_state(stream)) {
      case PA_STREAM_READY:
        output->state_ = State::kReady;
        output->started_ = true;
        output->Arm(output->timingTimer_, kTimingUsec, &PulseOutput::OnTimingTimer);
        pa_threaded_mainloop_signal(output->loop_, 0);
        break;
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED: output->Fail(); break;
      default: break;
    }
  }

  // The stream ran dry: it stands until the server has its start-up fill
  // again, so what is written from now on plays later. The refill is asked
  // for before the report that tells by how much, so until then the next
  // frame is taken to be heard after that fill and the sink's latency (seen
  // within a few milliseconds); the report, asked for at once, is believed
  // however far it has moved.
  static void OnUnderflow(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream);
    const double prebufFrames = attr != nullptr ? attr->prebuf / static_cast<double>(kFrameBytes) : 0;
    const auto refillNs = static_cast<std::int64_t>(prebufFrames * 1e9 / output->engine_.SampleRate());
    output->clock_.Rebase(output->written_, MonotonicNowNs() + refillNs + output->sinkLatencyNs_);
    output->clock_.AcceptNextJump();
    output->RequestTiming();
  }

  void RequestTiming() {
    if (stream_ == nullptr || timingPending_) return;
    if (pa_operation* op = pa_stream_update_timing_info(stream_, &PulseOutput::OnTiming, this)) {
      pa_operation_unref(op);
      timingPending_ = true;
    }
  }

  static void OnTimingTimer(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    output->RequestTiming();
    output->Arm(output->timingTimer_, kTimingUsec, &PulseOutput::OnTimingTimer);
  }

  static void OnTiming(pa_stream* stream, int success, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    output->timingPending_ = false;
    const pa_timing_info* info = success ? pa_stream_get_timing_info(stream) : nullptr;
    if (info == nullptr || info->read_index_corrupt || !info->playing) return;
    // The report's time is the server's wall clock; the offset to the
    // monotonic clock is read now (the two tick at the same rate).
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    const std::int64_t wallToMonotonic =
        MonotonicNowNs() - (std::int64_t{wall.tv_sec} * 1'000'000'000 + wall.tv_nsec);
    const std::int64_t reportNs = std::int64_t{info->timestamp.tv_sec} * 1'000'000'000 +
                                  std::int64_t{info->timestamp.tv_usec} * 1000 + wallToMonotonic;
    const std::int64_t readFrame = info->read_index / static_cast<std::int64_t>(kFrameBytes);
    output->sinkLatencyNs_ = static_cast<std::int64_t>(info->sink_usec) * 1000;
    output->clock_.Observe(readFrame, reportNs + output->sinkLatencyNs_);
  }

  static void OnWrite(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseOutput*>(self)->Write(bytes);
  }

  // Real-time: the server waits for these frames.
  void Write(std::size_t bytes) noexcept {
    std::size_t frames = bytes / kFrameBytes;
    while (frames > 0) {
      std::size_t chunkBytes = std::min(frames, kMaxChunkFrames) * kFrameBytes;
      void* data = nullptr;
      if (pa_stream_begin_write(stream_, &data, &chunkBytes) < 0 || data == nullptr) return;
      const std::size_t chunk = std::min(chunkBytes / kFrameBytes, kMaxChunkFrames);
      if (chunk == 0) return;
      engine_.Render(left_.data(), right_.data(), static_cast<int>(chunk), HeardNs(written_));
      auto* out = static_cast<float*>(data);
      for (std::size_t i = 0; i < chunk; ++i) {
        out[2 * i] = left_[i];
        out[2 * i + 1] = right_[i];
      }
      if (pa_stream_write(stream_, data, chunk * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
      written_ += static_cast<std::int64_t>(chunk);
      frames -= chunk;
    }
  }

  // Until the first report, a guess: the frame plays once the buffer has.
  std::int64_t HeardNs(std::int64_t frame) const noexcept {
    if (clock_.Started()) return clock_.TimeOf(frame);
    return MonotonicNowNs() + static_cast<std::int64_t>(kTargetFrames * 1e9 / engine_.SampleRate());
  }

  // Where the system allows it (root, or an rtprio limit), the render thread
  // gets a real-time slot, so a busy desktop does not starve the stream.
  void RaisePriority() {
    if (priorityTried_) return;
    priorityTried_ = true;
    sched_param param{};
    param.sched_priority = kRealtimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
  }

  SynthEngine& engine_;
  pa_threaded_mainloop* loop_ = nullptr;
  // Everything below is used under the loop's lock (in its callbacks, or by
  // Start and the destructor holding it).
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* timer_ = nullptr;
  pa_time_event* timingTimer_ = nullptr;
  bool timingPending_ = false;
  State state_ = State::kConnecting;
  bool started_ = false;   // the first connection succeeded
  bool timedOut_ = false;  // the first connection's deadline passed
  bool stopping_ = false;
  bool priorityTried_ = false;
  PlaybackClock clock_;
  std::int64_t written_ = 0;  // frames written to the current stream
  std::int64_t sinkLatencyNs_ = 0;  // as last reported
  std::vector<float> left_, right_;
};

}  // namespace

std::unique_ptr<AudioOutput> StartPulseOutput(SynthEngine& engine,
                                              std::chrono::milliseconds timeout) {
  auto output = std::make_unique<PulseOutput>(engine);
  if (!output->Start(timeout)) return nullptr;
  return output;
}
