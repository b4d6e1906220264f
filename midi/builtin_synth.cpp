#include "midi/builtin_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "midi/audio_output.h"
#include "midi/synth_engine.h"

namespace {

constexpr char kName[] = "Built-in GM Synth (FluidSynth)";
static_assert(sizeof kName <= MAXPNAMELEN);
constexpr double kSampleRate = 48000;
constexpr WORD kVoices = 256;  // FluidSynth's default polyphony
// The classic capability bits: the device has a volume, with left and right apart.
constexpr DWORD kSupportsVolume = 0x0001;
constexpr DWORD kSupportsLeftRightVolume = 0x0002;
constexpr WORD kUnknownManufacturer = 0xFFFF;

class BuiltinSynthPort final : public MidiOutPort {
 public:
  BuiltinSynthPort(std::unique_ptr<SynthEngine> engine, std::unique_ptr<AudioOutput> output)
      : engine_(std::move(engine)), output_(std::move(output)) {}

  ~BuiltinSynthPort() override { Close(); }

  MMRESULT Send(DWORD msg, std::int64_t whenNs) override {
    return engine_ ? engine_->Post(msg, whenNs) : MMSYSERR_INVALHANDLE;
  }

  MMRESULT SetVolume(DWORD volume) override {
    if (!engine_) return MMSYSERR_INVALHANDLE;
    engine_->SetVolume(volume);
    return MMSYSERR_NOERROR;
  }

  MMRESULT Close() override {
    if (!engine_) return MMSYSERR_INVALHANDLE;
    output_.reset();  // rendering stops before the engine goes
    engine_.reset();
    return MMSYSERR_NOERROR;
  }

 private:
  std::unique_ptr<SynthEngine> engine_;
  std::unique_ptr<AudioOutput> output_;
};

class BuiltinSynthDevice final : public MidiOutDevice {
 public:
  explicit BuiltinSynthDevice(BuiltinSynthOptions options) : options_(std::move(options)) {}

  MMRESULT GetCaps(MIDIOUTCAPSA& caps) override {
    caps = MIDIOUTCAPSA{};
    caps.wMid = kUnknownManufacturer;
    caps.wPid = kUnknownManufacturer;
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    caps.vDriverVersion = static_cast<MMVERSION>((major << 8) | minor);
    std::memcpy(caps.szPname, kName, sizeof kName);
    caps.wTechnology = MOD_SYNTH;
    caps.wVoices = kVoices;
    caps.wNotes = kVoices;
    caps.wChannelMask = 0xFFFF;
    caps.dwSupport = kSupportsVolume | kSupportsLeftRightVolume;
    return MMSYSERR_NOERROR;
  }

  MMRESULT Open(std::unique_ptr<MidiOutPort>& port) override {
    SynthEngine::Config config;
    config.sampleRate = kSampleRate;
    config.fixedLatencyNs = options_.fixedLatencyNs;
    auto engine = SynthEngine::Create(options_.soundFonts, config);
    if (!engine) return kBuiltinSynthNoSoundFont;
    for (const SynthAudioBackend backend : options_.backends) {
      std::unique_ptr<AudioOutput> output;
      switch (backend) {
        case SynthAudioBackend::kPulseAudio:
          output = StartPulseOutput(*engine, std::chrono::milliseconds(options_.connectTimeoutMs));
          break;
        case SynthAudioBackend::kAlsa: output = StartFluidDriverOutput(*engine, "alsa"); break;
        case SynthAudioBackend::kJack: {
          // JACK runs at its own rate; the engine is made again for it.
          const double rate = JackServerSampleRate();
          if (rate <= 0) break;
          if (rate != engine->SampleRate()) {
            config.sampleRate = rate;
            auto resampled = SynthEngine::Create({engine->SoundFont()}, config);
            if (!resampled) break;
            engine = std::move(resampled);
          }
          output = StartFluidDriverOutput(*engine, "jack");
          break;
        }
      }
      if (output) {
        port = std::make_unique<BuiltinSynthPort>(std::move(engine), std::move(output));
        return MMSYSERR_NOERROR;
      }
    }
    return kBuiltinSynthNoAudio;
  }

 private:
  const BuiltinSynthOptions options_;
};

}  // namespace

std::vector<std::string> WellKnownSoundFonts() {
  return {
      "/usr/share/sounds/sf2/default-GM.sf2",  // Debian's choice, through alternatives
      "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/soundfonts/default.sf2",     // Fedora, Arch
      "/usr/share/soundfonts/FluidR3_GM.sf2",
      "/usr/share/soundfonts/TimGM6mb.sf2",
  };
}

BuiltinSynthOptions DefaultBuiltinSynthOptions() {
  BuiltinSynthOptions options;
  options.soundFonts = WellKnownSoundFonts();
  options.backends = {SynthAudioBackend::kPulseAudio, SynthAudioBackend::kAlsa,
                      SynthAudioBackend::kJack};
  return options;
}

std::unique_ptr<MidiOutDevice> MakeBuiltinSynthDevice(BuiltinSynthOptions options) {
  return std::make_unique<BuiltinSynthDevice>(std::move(options));
}

std::unique_ptr<MidiOutDevice> MakeBuiltinSynthDevice() {
  return MakeBuiltinSynthDevice(DefaultBuiltinSynthOptions());
}
