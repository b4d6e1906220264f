#pragma once
// Device 0: the built-in General MIDI synthesizer (FluidSynth with a SoundFont
// found on the system), playing through the desktop's audio server.
#include <memory>

#include "midi/midi_device.h"

std::unique_ptr<MidiOutDevice> MakeBuiltinSynthDevice();
