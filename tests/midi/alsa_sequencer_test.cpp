// The ALSA sequencer devices without a sequencer: what is listed and how, and
// what each message becomes on the wire.
#include "midi/alsa_sequencer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "midi/alsa_sequencer_detail.h"

namespace {

using alsa_detail::ShortMessage;
using Kind = ShortMessage::Kind;

TEST(AlsaPorts, OnlyWritableSubscribableForeignVisiblePortsAreListed) {
  constexpr unsigned kWrite = SND_SEQ_PORT_CAP_WRITE;
  constexpr unsigned kSubsWrite = SND_SEQ_PORT_CAP_SUBS_WRITE;
  constexpr unsigned kOutput = kWrite | kSubsWrite;
  constexpr int kOwn = 130;
  const struct {
    int client;
    unsigned caps;
    bool listed;
  } cases[] = {
      {14, kOutput, true},  // Midi Through
      {128, kOutput | SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, true},
      {20, kWrite, false},  // no subscriptions
      {20, kSubsWrite, false},
      {20, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, false},  // an input
      {20, kOutput | SND_SEQ_PORT_CAP_NO_EXPORT, false},
      {SND_SEQ_CLIENT_SYSTEM, kOutput, false},
      {kOwn, kOutput, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(alsa_detail::IsListedPort(c.client, c.caps, kOwn), c.listed)
        << c.client << " caps " << c.caps;
  }
}

TEST(AlsaPorts, TechnologyFollowsThePortType) {
  const struct {
    const char* port;
    unsigned type;
    WORD technology;
  } cases[] = {
      {"nothing said", 0, MOD_MIDIPORT},
      {"USB MIDI",
       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT,
       MOD_MIDIPORT},
      {"Midi Through", SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SOFTWARE, MOD_MIDIPORT},
      {"OPL3 FM",
       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_MIDI_GM | SND_SEQ_PORT_TYPE_SYNTH |
           SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_SYNTHESIZER,
       MOD_SYNTH},
      {"bare synth", SND_SEQ_PORT_TYPE_SYNTH, MOD_SYNTH},
      {"FluidSynth",
       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_MIDI_GM | SND_SEQ_PORT_TYPE_SYNTHESIZER |
           SND_SEQ_PORT_TYPE_SOFTWARE | SND_SEQ_PORT_TYPE_APPLICATION,
       MOD_SWSYNTH},
      {"sampler", SND_SEQ_PORT_TYPE_SAMPLE | SND_SEQ_PORT_TYPE_HARDWARE, MOD_WAVETABLE},
      {"direct sampler", SND_SEQ_PORT_TYPE_DIRECT_SAMPLE, MOD_WAVETABLE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(alsa_detail::TechnologyFromPortType(c.type), c.technology) << c.port;
  }
}

TEST(AlsaPorts, NamesFitTheNameFieldWithoutSplittingACharacter) {
  const std::string a29(29, 'a');
  const std::string a30(30, 'a');
  const std::string a31(31, 'a');
  const std::string e = "\xC3\xA9";         // é, two bytes
  const std::string euro = "\xE2\x82\xAC";  // €, three bytes
  const struct {
    std::string name;
    std::string expected;
  } cases[] = {
      {"Midi Through Port-0", "Midi Through Port-0"},
      {a31, a31},
      {a31 + "b", a31},
      {std::string(64, 'x'), std::string(31, 'x')},
      {a29 + e, a29 + e},  // exactly 31 bytes
      {a30 + e, a30},      // é would straddle the end
      {a29 + euro, a29},   // € would straddle the end
      {a29 + e + "zz", a29 + e},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(alsa_detail::PortDisplayName(c.name.c_str(), 20, 0), c.expected) << c.name;
  }
  EXPECT_EQ(alsa_detail::PortDisplayName("", 128, 1), "128:1");
  EXPECT_EQ(alsa_detail::PortDisplayName(nullptr, 20, 0), "20:0");
}

TEST(AlsaMessages, ShortMessageWordsDecode) {
  const struct {
    DWORD word;
    ShortMessage expected;
  } cases[] = {
      {0x007F2599, {Kind::kNoteOn, 9, 0x25, 0x7F}},
      {0x00002589, {Kind::kNoteOff, 9, 0x25, 0x00}},
      {0x00404090, {Kind::kNoteOn, 0, 0x40, 0x40}},
      {0x001040A3, {Kind::kKeyPressure, 3, 0x40, 0x10}},
      {0x006407B0, {Kind::kController, 0, 7, 100}},
      {0x00000AC0, {Kind::kProgram, 0, 10, 0}},
      {0x00550AC9, {Kind::kProgram, 9, 10, 0}},  // a two-byte message ignores the third
      {0x00003CDF, {Kind::kChannelPressure, 15, 0x3C, 0}},
      {0x004000E0, {Kind::kPitchBend, 0, 0x00, 0x40}},
      {0xAB7F2599, {Kind::kNoteOn, 9, 0x25, 0x7F}},  // the top byte is not part of it
      {0x00FFFF90, {Kind::kNoteOn, 0, 0x7F, 0x7F}},  // data bytes keep 7 bits
      {0x00407F25, {}},                              // no status: running status is not used
      {0x00000000, {}},
      {0x000000F8, {}},  // system messages are not sent
      {0x000000FF, {}},
      {0x007F7FF0, {}},
  };
  for (const auto& c : cases) {
    const ShortMessage m = alsa_detail::DecodeShortMessage(c.word);
    EXPECT_EQ(m, c.expected) << std::hex << c.word << " decoded as kind "
                             << static_cast<int>(m.kind);
  }
}

TEST(AlsaMessages, EventsCarryTheMessage) {
  struct Expected {
    snd_seq_event_type_t type;
    int channel;
    int note;      // or controller parameter
    int velocity;  // or -1 when the event is a control event
    int value;
  };
  const struct {
    DWORD word;
    Expected e;
  } cases[] = {
      {0x007F2599, {SND_SEQ_EVENT_NOTEON, 9, 0x25, 0x7F, 0}},
      {0x00002589, {SND_SEQ_EVENT_NOTEOFF, 9, 0x25, 0, 0}},
      {0x001040A3, {SND_SEQ_EVENT_KEYPRESS, 3, 0x40, 0x10, 0}},
      {0x006407B0, {SND_SEQ_EVENT_CONTROLLER, 0, 7, -1, 100}},
      {0x00000AC9, {SND_SEQ_EVENT_PGMCHANGE, 9, 0, -1, 10}},
      {0x00003CDF, {SND_SEQ_EVENT_CHANPRESS, 15, 0, -1, 0x3C}},
      {0x004000E0, {SND_SEQ_EVENT_PITCHBEND, 0, 0, -1, 0}},
      {0x000000EE, {SND_SEQ_EVENT_PITCHBEND, 14, 0, -1, -8192}},
      {0x007F7FE1, {SND_SEQ_EVENT_PITCHBEND, 1, 0, -1, 8191}},
      {0x00400FE1, {SND_SEQ_EVENT_PITCHBEND, 1, 0, -1, 15}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.word);
    snd_seq_event_t ev{};
    ASSERT_TRUE(alsa_detail::FillSeqEvent(alsa_detail::DecodeShortMessage(c.word), ev));
    EXPECT_EQ(ev.type, c.e.type);
    EXPECT_EQ(ev.flags & SND_SEQ_EVENT_LENGTH_MASK, SND_SEQ_EVENT_LENGTH_FIXED);
    if (c.e.velocity >= 0) {
      EXPECT_EQ(ev.data.note.channel, c.e.channel);
      EXPECT_EQ(ev.data.note.note, c.e.note);
      EXPECT_EQ(ev.data.note.velocity, c.e.velocity);
    } else {
      EXPECT_EQ(ev.data.control.channel, c.e.channel);
      EXPECT_EQ(static_cast<int>(ev.data.control.param), c.e.note);
      EXPECT_EQ(ev.data.control.value, c.e.value);
    }
  }
  snd_seq_event_t untouched{};
  untouched.type = SND_SEQ_EVENT_ECHO;
  EXPECT_FALSE(alsa_detail::FillSeqEvent(alsa_detail::DecodeShortMessage(0xF8), untouched));
  EXPECT_EQ(untouched.type, SND_SEQ_EVENT_ECHO);
}

TEST(AlsaMessages, VolumeBecomesGmMasterVolumeOfTheLouderChannel) {
  const struct {
    DWORD volume;
    std::uint8_t lsb;
    std::uint8_t msb;
  } cases[] = {
      {0xFFFFFFFF, 0x7F, 0x7F}, {0x00000000, 0x00, 0x00}, {0x0000FFFF, 0x7F, 0x7F},  // left only
      {0xFFFF0000, 0x7F, 0x7F},                                                      // right only
      {0x80008000, 0x00, 0x40},                            // slider position 128
      {0x12345678, 0x1E, 0x2B},                            // 0x5678 >> 2 = 0x159E
      {0x00040000, 0x01, 0x00}, {0x00030003, 0x00, 0x00},  // below one 14-bit step
  };
  for (const auto& c : cases) {
    const std::array<std::uint8_t, 8> expected{0xF0, 0x7F, 0x7F, 0x04, 0x01, c.lsb, c.msb, 0xF7};
    EXPECT_EQ(alsa_detail::MasterVolumeSysEx(c.volume), expected) << std::hex << c.volume;
  }
}

TEST(AlsaDevices, NoSequencerMeansNoDevicesAndNoNoise) {
  if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has a sequencer";
  testing::internal::CaptureStderr();
  const auto devices = ListAlsaSequencerDevices();
  const std::string noise = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(devices.empty());
  EXPECT_EQ(noise, "");
}

}  // namespace
