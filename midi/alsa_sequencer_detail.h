#pragma once
// The parts of the ALSA sequencer devices that need no sequencer: which ports
// are listed, what they are called and what kind they report, and how a short
// message or a volume word becomes a sequencer event.
#include <alsa/asoundlib.h>

#include <array>
#include <cstdint>
#include <string>

#include "midi/multimedia.h"

namespace alsa_detail {

// A port is offered when others may write to it and subscribe to it, it is
// neither the system client's nor ours, and it did not ask to stay hidden.
bool IsListedPort(int client, unsigned int capability, int ownClient);

// Synthesizer port types become synthesizer kinds: software synthesizers
// MOD_SWSYNTH, sample players MOD_WAVETABLE, other synthesizers MOD_SYNTH;
// every other port is a MOD_MIDIPORT.
WORD TechnologyFromPortType(unsigned int type);

// The port name as `aconnect -o` shows it, cut to fit the 32-byte name field
// (never inside a UTF-8 character); "client:port" when the port has no name.
std::string PortDisplayName(const char* portName, int client, int port);

// A short message word: status in the low byte, then the two data bytes.
struct ShortMessage {
  enum class Kind : std::uint8_t {
    kInvalid,  // no status byte (running status is not used) or not a channel message
    kNoteOff,
    kNoteOn,
    kKeyPressure,
    kController,
    kProgram,
    kChannelPressure,
    kPitchBend,
  };
  Kind kind = Kind::kInvalid;
  std::uint8_t channel = 0;
  std::uint8_t data1 = 0;  // key, controller, program or pressure; pitch bend LSB
  std::uint8_t data2 = 0;  // velocity or value; pitch bend MSB; 0 for two-byte messages

  bool operator==(const ShortMessage&) const = default;
};

ShortMessage DecodeShortMessage(DWORD msg);

// Fills the type and data of `event`; false (event untouched) for kInvalid.
bool FillSeqEvent(const ShortMessage& message, snd_seq_event_t& event);

// The GM Master Volume universal SysEx for the louder channel of a volume word
// (low 16 bits left, high 16 bits right), its 16-bit level cut to 14 bits.
std::array<std::uint8_t, 8> MasterVolumeSysEx(DWORD volume);

}  // namespace alsa_detail
