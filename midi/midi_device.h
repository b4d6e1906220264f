#pragma once
// What a real output device offers the provider: its capabilities and an open
// port. One implementation per backend (built-in synthesizer, ALSA sequencer).
#include <cstdint>
#include <memory>

#include "midi/multimedia.h"

// One open output. Send and SetVolume may run on the tick thread and the UI
// thread at the same time; Close runs once, after every call in flight returned.
class MidiOutPort {
 public:
  virtual ~MidiOutPort() = default;
  // `whenNs`: CLOCK_MONOTONIC time the message is meant for (message_time.h);
  // the port plays it at that time plus its fixed latency.
  virtual MMRESULT Send(DWORD msg, std::int64_t whenNs) = 0;
  // Low 16 bits left, high 16 bits right; 0 silent, 0xFFFF full.
  virtual MMRESULT SetVolume(DWORD volume) = 0;
  virtual MMRESULT Close() = 0;
};

class MidiOutDevice {
 public:
  virtual ~MidiOutDevice() = default;
  virtual MMRESULT GetCaps(MIDIOUTCAPSA& caps) = 0;
  virtual MMRESULT Open(std::unique_ptr<MidiOutPort>& port) = 0;
};
