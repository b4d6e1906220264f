// FluidSynth's own ALSA and JACK drivers, calling our render function. They
// say nothing of when their buffers are heard, so the time of a frame is
// estimated from when its callback runs plus the driver's buffer, smoothed
// over many callbacks (the frames themselves are evenly spaced).
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <fluidsynth.h>

#include <cstring>

#include "midi/audio_output.h"
#include "midi/fluid_instance.h"
#include "midi/message_time.h"
#include "midi/playback_clock.h"
#include "midi/synth_engine.h"

namespace {

constexpr int kPeriodFrames = 256;
constexpr int kPeriods = 2;
// Callbacks wake with a jitter of a millisecond or more, so readings are taken
// in slowly and only a large, lasting jump counts as the stream moving.
constexpr double kSmoothing = 1.0 / 256;
constexpr std::int64_t kStepNs = 10'000'000;
constexpr int kStepConfirmations = 3;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class FluidDriverOutput final : public AudioOutput {
 public:
  explicit FluidDriverOutput(SynthEngine& engine)
      : engine_(engine), clock_(engine.SampleRate(), kSmoothing, kStepNs, kStepConfirmations) {}

  ~FluidDriverOutput() override {
    if (driver_ != nullptr) delete_fluid_audio_driver(driver_);  // joins its thread
    if (settings_ != nullptr) delete_fluid_settings(settings_);
  }

  bool Start(const char* driver) {
    SilenceFluidSynthLog();
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) return false;
    fluid_settings_setstr(settings_, "audio.driver", driver);
    fluid_settings_setnum(settings_, "synth.sample-rate", engine_.SampleRate());
    fluid_settings_setint(settings_, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings_, "audio.periods", kPeriods);
    fluid_settings_setstr(settings_, "audio.sample-format", "float");
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(settings_, "audio.jack.id", "Mossgate BPM Checker");
    // JACK hands over each period as it starts to play; ALSA's callback runs
    // when a period is free, behind the rest of the buffer.
    bufferedPeriods_ = std::strcmp(driver, "jack") == 0 ? 1 : kPeriods;
    driver_ = new_fluid_audio_driver2(settings_, &FluidDriverOutput::Callback, this);
    return driver_ != nullptr;
  }

 private:
  // Real-time: the driver's audio thread.
  static int Callback(void* self, int frames, int, float*[], int outputs, float* out[]) {
    auto* output = static_cast<FluidDriverOutput*>(self);
    if (outputs < 2) return FLUID_FAILED;
    const double rate = output->engine_.SampleRate();
    const auto bufferNs = static_cast<std::int64_t>(output->bufferedPeriods_ * frames * 1e9 / rate);
    output->clock_.Observe(output->written_, MonotonicNowNs() + bufferNs);
    output->engine_.Render(out[0], out[1], frames, output->clock_.TimeOf(output->written_));
    output->written_ += frames;
    return FLUID_OK;
  }

  SynthEngine& engine_;
  fluid_settings_t* settings_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
  int bufferedPeriods_ = kPeriods;
  // The driver's thread alone uses these once it runs.
  PlaybackClock clock_;
  std::int64_t written_ = 0;
};

using JackClientOpen = void* (*)(const char*, int, int*, ...);
using JackClientClose = int (*)(void*);
using JackGetSampleRate = std::uint32_t (*)(void*);
using JackSetMessageFunction = void (*)(void (*)(const char*));

void IgnoreJackMessage(const char*) {}

}  // namespace

std::unique_ptr<AudioOutput> StartFluidDriverOutput(SynthEngine& engine, const char* driver) {
  if (std::strcmp(driver, "alsa") == 0) {
    // libasound reports a missing card on stderr; the program has no log.
    snd_lib_error_set_handler(&IgnoreAlsaError);
  }
  auto output = std::make_unique<FluidDriverOutput>(engine);
  if (!output->Start(driver)) return nullptr;
  return output;
}

double JackServerSampleRate() {
  // libjack is FluidSynth's to load; borrowing it at run time keeps it out of
  // the program's own dependencies.
  void* jack = dlopen("libjack.so.0", RTLD_NOW | RTLD_LOCAL);
  if (jack == nullptr) return 0;
  auto open = reinterpret_cast<JackClientOpen>(dlsym(jack, "jack_client_open"));
  auto close = reinterpret_cast<JackClientClose>(dlsym(jack, "jack_client_close"));
  auto sampleRate = reinterpret_cast<JackGetSampleRate>(dlsym(jack, "jack_get_sample_rate"));
  double rate = 0;
  if (open != nullptr && close != nullptr && sampleRate != nullptr) {
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
      if (auto set = reinterpret_cast<JackSetMessageFunction>(dlsym(jack, name))) {
        set(&IgnoreJackMessage);
      }
    }
    constexpr int kNoStartServer = 0x01;
    int status = 0;
    if (void* client = open("Mossgate BPM Checker", kNoStartServer, &status)) {
      rate = sampleRate(client);
      close(client);
    }
  }
  dlclose(jack);
  return rate;
}
