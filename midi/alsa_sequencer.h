#pragma once
// Devices 1..n: the ALSA sequencer ports that accept writes and subscriptions,
// in client:port order. Empty where there is no sequencer.
#include <memory>
#include <vector>

#include "midi/midi_device.h"

std::vector<std::unique_ptr<MidiOutDevice>> ListAlsaSequencerDevices();
