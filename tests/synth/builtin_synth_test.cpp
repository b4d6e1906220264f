#include "midi/builtin_synth.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "midi/message_time.h"
#include "support/onsets.h"
#include "support/pulse_session.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr DWORD kClickOff = 0x00002589;  // key 37 on channel 10
constexpr DWORD kClickOn = 0x007F2599;

BuiltinSynthOptions Options(std::vector<std::string> soundFonts,
                            std::vector<SynthAudioBackend> backends) {
  BuiltinSynthOptions options = DefaultBuiltinSynthOptions();
  options.soundFonts = std::move(soundFonts);
  options.backends = std::move(backends);
  return options;
}

TEST(BuiltinSynthDeviceTest, CapabilitiesNeedNoSoundFontNorAudio) {
  auto device = MakeBuiltinSynthDevice(Options({}, {}));
  MIDIOUTCAPSA caps;
  std::memset(&caps, 0xAB, sizeof caps);
  ASSERT_EQ(device->GetCaps(caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Built-in GM Synth (FluidSynth)");
  EXPECT_LT(std::strlen(caps.szPname), MAXPNAMELEN);
  EXPECT_EQ(caps.wTechnology, MOD_SYNTH);
  EXPECT_EQ(caps.wChannelMask, 0xFFFF);
  EXPECT_GT(caps.wVoices, 0);
}

TEST(BuiltinSynthDeviceTest, OpenFailsWithoutALoadableSoundFont) {
  auto device = MakeBuiltinSynthDevice(
      Options({"/nonexistent/gm.sf2", "/etc/hostname"}, {SynthAudioBackend::kPulseAudio}));
  std::unique_ptr<MidiOutPort> port;
  EXPECT_EQ(device->Open(port), kBuiltinSynthNoSoundFont);
  EXPECT_EQ(port, nullptr);
}

// No audio server anywhere: every backend fails, soon.
TEST(BuiltinSynthDeviceTest, OpenFailsSoonWithoutAudio) {
  setenv("PULSE_SERVER", "unix:/nonexistent/pulse/native", 1);
  auto device = MakeBuiltinSynthDevice();
  std::unique_ptr<MidiOutPort> port;
  const auto start = steady_clock::now();
  const MMRESULT rc = device->Open(port);
  if (rc == MMSYSERR_NOERROR) GTEST_SKIP() << "an ALSA or JACK output exists on this machine";
  EXPECT_EQ(rc, kBuiltinSynthNoAudio);
  EXPECT_LT(steady_clock::now() - start, milliseconds(2500));
}

class BuiltinSynthPulseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pulse_.Ok()) GTEST_SKIP() << pulse_.Error();
    pulse_.UseForThisProcess();
    device_ = MakeBuiltinSynthDevice(
        Options(WellKnownSoundFonts(), {SynthAudioBackend::kPulseAudio}));
    const MMRESULT rc = device_->Open(port_);
    if (rc == kBuiltinSynthNoSoundFont) GTEST_SKIP() << "no General MIDI SoundFont is installed";
    ASSERT_EQ(rc, MMSYSERR_NOERROR);
  }

  // `count` clicks every `periodMs`, stamped as the timer stamps its ticks.
  void Click(int count, int periodMs) {
    const std::int64_t start = MonotonicNowNs();
    for (int k = 1; k <= count; ++k) {
      const std::int64_t ideal = start + std::int64_t{k} * periodMs * 1'000'000;
      std::this_thread::sleep_for(std::chrono::nanoseconds(ideal - MonotonicNowNs()));
      EXPECT_EQ(port_->Send(kClickOff, ideal), MMSYSERR_NOERROR);
      EXPECT_EQ(port_->Send(kClickOn, ideal), MMSYSERR_NOERROR);
    }
  }

  std::vector<double> Onsets(const std::string& path) {
    OnsetOptions options;
    options.sampleRate = PulseSession::kSampleRate;
    return FindOnsets(PeakOfChannels(ReadRecording(path), PulseSession::kChannels), options);
  }

  PulseSession pulse_;
  std::unique_ptr<MidiOutDevice> device_;
  std::unique_ptr<MidiOutPort> port_;
};

// What the server plays: one click per tick, evenly spaced. (The benchmark
// measures how evenly; this only checks the path end to end.)
TEST_F(BuiltinSynthPulseTest, ServerPlaysTheClicksInTime) {
  const std::string path = pulse_.Folder() + "/clicks.raw";
  ASSERT_TRUE(pulse_.StartRecording(path));
  Click(8, 250);
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_EQ(port_->Close(), MMSYSERR_NOERROR);
  pulse_.StopRecording();
  const std::vector<double> onsets = Onsets(path);
  ASSERT_EQ(onsets.size(), 8u);
  for (std::size_t k = 1; k < onsets.size(); ++k) {
    EXPECT_NEAR((onsets[k] - onsets[k - 1]) / PulseSession::kSampleRate, 0.25, 0.002) << k;
  }
}

// The server dies while clicking: sends keep returning, and once a server is
// back the stream finds it again.
TEST_F(BuiltinSynthPulseTest, SurvivesTheServerDyingAndComingBack) {
  Click(2, 100);
  pulse_.StopServer();
  Click(10, 50);
  ASSERT_TRUE(pulse_.StartServer());
  std::this_thread::sleep_for(milliseconds(2500));  // the stream retries every second
  const std::string path = pulse_.Folder() + "/after.raw";
  ASSERT_TRUE(pulse_.StartRecording(path));
  Click(4, 250);
  std::this_thread::sleep_for(milliseconds(300));
  pulse_.StopRecording();
  EXPECT_EQ(Onsets(path).size(), 4u);
  EXPECT_EQ(port_->Close(), MMSYSERR_NOERROR);
}

TEST_F(BuiltinSynthPulseTest, ClosedPortRefusesEverything) {
  ASSERT_EQ(port_->Close(), MMSYSERR_NOERROR);
  EXPECT_EQ(port_->Send(kClickOn, MonotonicNowNs()), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(port_->SetVolume(0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(port_->Close(), MMSYSERR_INVALHANDLE);
}

}  // namespace
