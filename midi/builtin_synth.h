#pragma once
// Device 0: the built-in General MIDI synthesizer (FluidSynth with a SoundFont
// found on the system), playing through the desktop's audio server.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_device.h"

std::unique_ptr<MidiOutDevice> MakeBuiltinSynthDevice();

// What the device is built from; the defaults are the production ones.
enum class SynthAudioBackend { kPulseAudio, kAlsa, kJack };

struct BuiltinSynthOptions {
  // Tried in order; the first that loads is used.
  std::vector<std::string> soundFonts;
  // Tried in order when the port opens; the first that starts plays.
  std::vector<SynthAudioBackend> backends;
  // How long to wait for an audio server that does not answer.
  std::int64_t connectTimeoutMs = 1500;
  // Stamp to sound. About 16 ms of it is the audio server's buffer; the rest
  // lets a tick that wakes up to ~14 ms late still click on time.
  std::int64_t fixedLatencyNs = 30'000'000;
};

// Debian's default General MIDI SoundFont and the usual places of the common ones.
std::vector<std::string> WellKnownSoundFonts();
BuiltinSynthOptions DefaultBuiltinSynthOptions();
std::unique_ptr<MidiOutDevice> MakeBuiltinSynthDevice(BuiltinSynthOptions options);

// Opening fails with these when no SoundFont loads, or no audio output starts.
inline constexpr MMRESULT kBuiltinSynthNoSoundFont = MMSYSERR_NODRIVER;
inline constexpr MMRESULT kBuiltinSynthNoAudio = MMSYSERR_NOTENABLED;
