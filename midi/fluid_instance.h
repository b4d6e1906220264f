#pragma once
// One FluidSynth synthesizer with a SoundFont loaded, owning its settings and
// synth together (created in order, released in reverse). Used by one thread
// at a time: the API lock is off.
#include <fluidsynth.h>

#include <memory>
#include <string>

class FluidInstance {
 public:
  // nullptr when the SoundFont does not load.
  static std::unique_ptr<FluidInstance> Load(const std::string& soundFont, double sampleRate);
  ~FluidInstance();
  FluidInstance(const FluidInstance&) = delete;
  FluidInstance& operator=(const FluidInstance&) = delete;

  fluid_synth_t* synth() const { return synth_; }

 private:
  FluidInstance() = default;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
};

// FluidSynth writes its messages to stderr unless told otherwise; the program
// has no log, so every level is silenced. Idempotent.
void SilenceFluidSynthLog();
