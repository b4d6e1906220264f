#pragma once
// Where the built-in synthesizer's blocks are played. Each output renders its
// engine on its own real-time thread from the moment it starts until it is
// destroyed, telling the engine when each block will be heard.
#include <chrono>
#include <memory>

class SynthEngine;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // stops rendering; the engine may go after this
};

// The program's own stream on the PulseAudio server (or PipeWire's), whose
// timing reports tell when each frame is heard. nullptr when no server answers
// within `timeout`. A server that goes away later is sought again every second;
// meanwhile nothing plays.
std::unique_ptr<AudioOutput> StartPulseOutput(SynthEngine& engine,
                                              std::chrono::milliseconds timeout);

// FluidSynth's own driver ("alsa" or "jack") calling our render function; the
// time of a frame is counted from the callbacks. nullptr when it does not start.
std::unique_ptr<AudioOutput> StartFluidDriverOutput(SynthEngine& engine, const char* driver);

// The sample rate of the running JACK server, 0 when none runs. JACK plays at
// its own rate, so the engine must be made for it.
double JackServerSampleRate();
