#include "midi/fluid_instance.h"

#include <mutex>

void SilenceFluidSynthLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
  });
}

std::unique_ptr<FluidInstance> FluidInstance::Load(const std::string& soundFont, double sampleRate) {
  SilenceFluidSynthLog();
  // Only SoundFont 2 files go to the loader: its helper library for other
  // formats complains on stderr about files it does not know.
  if (fluid_is_soundfont(soundFont.c_str()) == 0) return nullptr;
  std::unique_ptr<FluidInstance> instance(new FluidInstance);
  instance->settings_ = new_fluid_settings();
  if (instance->settings_ == nullptr) return nullptr;
  fluid_settings_t* s = instance->settings_;
  fluid_settings_setnum(s, "synth.sample-rate", sampleRate);
  // A click is a dry percussion hit: reverb and chorus would smear its onset.
  fluid_settings_setint(s, "synth.reverb.active", 0);
  fluid_settings_setint(s, "synth.chorus.active", 0);
  // Each instance is driven by one thread at a time, so FluidSynth's own
  // mutex would only cost time on the audio thread.
  fluid_settings_setint(s, "synth.threadsafe-api", 0);
  // FluidSynth's default of 0.2 leaves a lone drum hit some 20 dB below full
  // scale, too quiet to click over music.
  fluid_settings_setnum(s, "synth.gain", 1.0);
  instance->synth_ = new_fluid_synth(s);
  if (instance->synth_ == nullptr) return nullptr;
  if (fluid_synth_sfload(instance->synth_, soundFont.c_str(), 1) == FLUID_FAILED) return nullptr;
  return instance;
}

FluidInstance::~FluidInstance() {
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}
