#include "ui/midi_port_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "framework/win_app.h"
#include "support/fake_multimedia.h"
#include "support/message_recorder.h"
#include "support/temp_config_home.h"

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;

const std::string kNoDevicesText =
    "There does not appear to be any MIDI devices installed on your system. Check for the "
    "proper installation of MIDI devices and then re-start the application.";

std::string OpenFailedText(const std::string& device, const std::string& rc) {
  return "MIDI ERROR Opening device: " + device + " rc=" + rc +
         "\r\nClick on the Settings button to make sure you have chosen a valid MIDI device for "
         "your system.";
}

class TestPortManager : public CMidiPortManager {
 public:
  using CMidiPortManager::ChooseDefaultDevice;
  using CMidiPortManager::CloseMidiPort;
  using CMidiPortManager::m_bMidiError;
  using CMidiPortManager::m_dwVolume;
  using CMidiPortManager::m_hMidiOut;
  using CMidiPortManager::m_nMidiDevice;
  using CMidiPortManager::OpenMidiPort;
  using CMidiPortManager::SelectMidiDevice;

 protected:
  void OnClickTimerUnavailable() override {}
};

FakeMidiDevice Device(WORD technology, MMRESULT capsResult = MMSYSERR_NOERROR) {
  return FakeMidiDevice{"Device", technology, capsResult, MMSYSERR_NOERROR};
}

class PortTest : public testing::Test {
 protected:
  PortTest() { app.SetRegistryKey("Nodrek"); }

  void ExpectOneExclamationBox(const std::string& text) {
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, text);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Mossgate");
    EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONEXCLAMATION);
  }

  TempConfigHome home;
  CWinApp app;
  FakeMultimedia mm;
  MessageRecorder boxes;
  TestPortManager port;
};

TEST_F(PortTest, NoDeviceShowsMessage106AndLeavesTheStoreUntouched) {
  EXPECT_FALSE(port.SelectMidiDevice());
  ExpectOneExclamationBox(kNoDevicesText);
  EXPECT_THAT(mm.Log(), ElementsAre("count"));
  EXPECT_TRUE(fs::is_empty(home.Root())) << "the store's folder was created";
}

// One device: device 0, whatever is stored, and nothing read or written.
class OneDeviceTest : public PortTest, public testing::WithParamInterface<const char*> {};

TEST_P(OneDeviceTest, IsDeviceZero) {
  const std::string stored = GetParam();
  if (!stored.empty()) home.WriteStore(stored);
  mm.devices = {Device(MOD_MIDIPORT)};
  EXPECT_TRUE(port.SelectMidiDevice());
  EXPECT_EQ(port.m_nMidiDevice, 0u);
  EXPECT_THAT(mm.Log(), ElementsAre("count"));
  EXPECT_TRUE(boxes.Boxes().empty());
  if (stored.empty()) {
    EXPECT_TRUE(fs::is_empty(home.Root())) << "the store was read";
  } else {
    EXPECT_EQ(home.ReadStore(), stored);
  }
}

INSTANTIATE_TEST_SUITE_P(Stored, OneDeviceTest,
                         testing::Values("", "[Recorder]\nMidiDevice=5\n",
                                         "[Recorder]\nMidiDevice=4294967295\n",
                                         "[Recorder]\nMidiDevice=-1\n"));

struct DefaultCase {
  const char* name;
  const char* stored;  // file contents; "" for no file
  std::vector<FakeMidiDevice> devices;
  UINT chosen;
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << c.name; }

class DefaultDeviceTest : public PortTest, public testing::WithParamInterface<DefaultCase> {};

TEST_P(DefaultDeviceTest, LowestSynthesizerIsChosenAndStored) {
  if (*GetParam().stored != '\0') home.WriteStore(GetParam().stored);
  mm.devices = GetParam().devices;
  EXPECT_TRUE(port.SelectMidiDevice());
  EXPECT_EQ(port.m_nMidiDevice, GetParam().chosen);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiDevice", 999), GetParam().chosen);
  EXPECT_TRUE(boxes.Boxes().empty());
}

const std::string kNoneStoredUnsigned = "[Recorder]\nMidiDevice=4294967295\n";

INSTANTIATE_TEST_SUITE_P(
    Devices, DefaultDeviceTest,
    testing::Values(
        DefaultCase{"PortThenFm", "", {Device(MOD_MIDIPORT), Device(MOD_FMSYNTH)}, 1},
        DefaultCase{"SynthBeforeFm", "", {Device(MOD_SYNTH), Device(MOD_FMSYNTH)}, 0},
        DefaultCase{"SquareAfterPortAndMapper",
                    "",
                    {Device(MOD_MIDIPORT), Device(MOD_MAPPER), Device(MOD_SQSYNTH)},
                    2},
        DefaultCase{"UnreadableSynthPassedOver",
                    "",
                    {Device(MOD_FMSYNTH, MMSYSERR_NODRIVER), Device(MOD_SYNTH)},
                    1},
        DefaultCase{"NoSynthGivesCount",
                    "",
                    {Device(MOD_WAVETABLE), Device(MOD_SWSYNTH), Device(MOD_MIDIPORT)},
                    3},
        DefaultCase{"NoneReadableGivesCount",
                    "",
                    {Device(MOD_SYNTH, MMSYSERR_ERROR), Device(MOD_SYNTH, MMSYSERR_ERROR)},
                    2},
        DefaultCase{"StoredAllOnesIsNoneChosen",
                    "[Recorder]\nMidiDevice=4294967295\nMidiVolume=7\n",
                    {Device(MOD_MIDIPORT), Device(MOD_SYNTH)},
                    1},
        DefaultCase{"StoredMinusOneIsNoneChosen",
                    "[Recorder]\nMidiDevice=-1\n",
                    {Device(MOD_MIDIPORT), Device(MOD_SYNTH)},
                    1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, DefaultRuleAsksTheCountAfreshAndQueriesInOrder) {
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_MAPPER), Device(MOD_SYNTH), Device(MOD_SYNTH)};
  EXPECT_EQ(port.ChooseDefaultDevice(), 2u);
  EXPECT_THAT(mm.Log(), ElementsAre("count", "caps 0", "caps 1", "caps 2"));
}

TEST_F(PortTest, DefaultRuleKeepsOtherEntriesOfTheStore) {
  home.WriteStore("[Recorder]\nMidiInstrument=40\nMidiVolume=5\n");
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_SYNTH)};
  ASSERT_TRUE(port.SelectMidiDevice());
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiInstrument", 0), 40u);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiVolume", 0), 5u);
}

TEST_F(PortTest, WithoutSynthesizerTheCountIsStoredAndEveryStartFailsToOpenIt) {
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_MAPPER), Device(MOD_WAVETABLE)};
  ASSERT_TRUE(port.SelectMidiDevice());
  port.OpenMidiPort();
  ExpectOneExclamationBox(OpenFailedText("3", "2"));
  EXPECT_TRUE(port.m_bMidiError);

  // The next start reads 3 and does not run the default rule again.
  MessageRecorder nextBoxes;
  TestPortManager next;
  mm.ClearLog();
  ASSERT_TRUE(next.SelectMidiDevice());
  EXPECT_EQ(next.m_nMidiDevice, 3u);
  next.OpenMidiPort();
  EXPECT_THAT(mm.Log(), ElementsAre("count", "open 3"));
  ASSERT_EQ(nextBoxes.Boxes().size(), 1u);
  EXPECT_EQ(nextBoxes.Boxes()[0].text, OpenFailedText("3", "2"));
}

struct StoredDeviceCase {
  const char* stored;
  UINT device;
};

void PrintTo(const StoredDeviceCase& c, std::ostream* os) { *os << c.device; }

class StoredDeviceTest : public PortTest, public testing::WithParamInterface<StoredDeviceCase> {};

TEST_P(StoredDeviceTest, IsUsedUnchangedAndNotRewritten) {
  home.WriteStore(GetParam().stored);
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_MIDIPORT)};
  ASSERT_TRUE(port.SelectMidiDevice());
  EXPECT_EQ(port.m_nMidiDevice, GetParam().device);
  EXPECT_THAT(mm.Log(), ElementsAre("count"));
  EXPECT_EQ(home.ReadStore(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Numbers, StoredDeviceTest,
                         testing::Values(StoredDeviceCase{"[Recorder]\nMidiDevice=0\n", 0},
                                         StoredDeviceCase{"[Recorder]\nMidiDevice=1\n", 1},
                                         StoredDeviceCase{"[Recorder]\nMidiDevice=5\n", 5},
                                         StoredDeviceCase{"[Recorder]\nMidiDevice=-2\n",
                                                          0xFFFFFFFEu}));

TEST_F(PortTest, StoredNumberNamingNoDeviceFailsToOpenWithMessage107) {
  home.WriteStore("[Recorder]\nMidiDevice=5\n");
  mm.devices = {Device(MOD_SYNTH), Device(MOD_SYNTH)};
  ASSERT_TRUE(port.SelectMidiDevice());
  port.OpenMidiPort();
  ExpectOneExclamationBox(OpenFailedText("5", "2"));
  EXPECT_TRUE(port.m_bMidiError);
}

TEST_F(PortTest, OpenGivesTheStoredDefaultVolumeRightAfterOpening) {
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_SYNTH)};
  ASSERT_TRUE(port.SelectMidiDevice());
  port.m_dwVolume = app.GetProfileInt("Recorder", "MidiVolume", -1);
  mm.ClearLog();
  port.OpenMidiPort();
  EXPECT_THAT(mm.Log(), ElementsAre("open 1", "volume 0xFFFFFFFF"));
  EXPECT_EQ(port.m_hMidiOut, FakeMultimedia::HandleFor(1));
  EXPECT_TRUE(mm.IsOpen(port.m_hMidiOut));
  EXPECT_FALSE(port.m_bMidiError);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PortTest, OpenGivesTheVolumeWordUnchanged) {
  mm.devices = {Device(MOD_SYNTH)};
  port.m_dwVolume = 0x0000FFFF;
  port.OpenMidiPort();
  EXPECT_THAT(mm.Log(), ElementsAre("open 0", "volume 0x0000FFFF"));
}

TEST_F(PortTest, CloseClosesTheOpenedPortOnceWithoutSendingAnything) {
  mm.devices = {Device(MOD_SYNTH)};
  port.OpenMidiPort();
  mm.ClearLog();
  port.CloseMidiPort();
  port.CloseMidiPort();
  EXPECT_THAT(mm.Log(), ElementsAre("close"));
  EXPECT_FALSE(mm.IsOpen(FakeMultimedia::HandleFor(0)));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PortTest, CloseWithoutOpenDoesNothing) {
  mm.devices = {Device(MOD_SYNTH)};
  port.CloseMidiPort();
  EXPECT_TRUE(mm.Log().empty());
}

struct OpenFailure {
  MMRESULT rc;
  const char* text;
};

void PrintTo(const OpenFailure& c, std::ostream* os) { *os << c.rc; }

class OpenFailureTest : public PortTest, public testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ShowsMessage107SetsTheErrorAndIsNeverClosed) {
  mm.devices = {Device(MOD_MIDIPORT), Device(MOD_SYNTH)};
  mm.devices[1].openResult = GetParam().rc;
  port.m_nMidiDevice = 1;
  port.OpenMidiPort();
  ExpectOneExclamationBox(OpenFailedText("1", GetParam().text));
  EXPECT_TRUE(port.m_bMidiError);
  port.CloseMidiPort();
  EXPECT_THAT(mm.Log(), ElementsAre("open 1"));
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Codes, OpenFailureTest,
                         testing::Values(OpenFailure{MMSYSERR_ALLOCATED, "4"},
                                         OpenFailure{MIDIERR_NODEVICE, "68"},
                                         OpenFailure{0xFFFFFFFFu, "4294967295"}));

TEST_F(PortTest, CloseFailureShowsMessage108WithTheCode) {
  mm.devices = {Device(MOD_SYNTH)};
  mm.closeResult = MMSYSERR_INVALHANDLE;
  port.OpenMidiPort();
  port.CloseMidiPort();
  ExpectOneExclamationBox("MIDI ERROR Closing device: rc=5");
}

struct SliderVolume {
  int position;
  DWORD volume;
};

void PrintTo(const SliderVolume& c, std::ostream* os) { *os << c.position << " " << Hex32(c.volume); }

class VolumeFromSliderTest : public testing::TestWithParam<SliderVolume> {};

TEST_P(VolumeFromSliderTest, PositionOnBothChannels) {
  EXPECT_EQ(VolumeFromSliderPos(GetParam().position), GetParam().volume);
}

INSTANTIATE_TEST_SUITE_P(Positions, VolumeFromSliderTest,
                         testing::Values(SliderVolume{0, 0x00000000}, SliderVolume{1, 0x01000100},
                                         SliderVolume{16, 0x10001000},
                                         SliderVolume{128, 0x80008000},
                                         SliderVolume{255, 0xFF00FF00}));

class SliderFromVolumeTest : public testing::TestWithParam<SliderVolume> {};

TEST_P(SliderFromVolumeTest, HighByteOfTheLeftChannel) {
  EXPECT_EQ(SliderPosFromVolume(GetParam().volume), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Words, SliderFromVolumeTest,
                         testing::Values(SliderVolume{255, 0xFFFFFFFF},
                                         SliderVolume{128, 0x80008000},
                                         SliderVolume{255, 0x0000FFFF},
                                         SliderVolume{0, 0xFFFF0000},
                                         SliderVolume{0x12, 0xABCD1234}));

TEST(VolumeConversionTest, EveryPositionRoundTrips) {
  for (int p = 0; p <= 255; ++p) EXPECT_EQ(SliderPosFromVolume(VolumeFromSliderPos(p)), p);
}

TEST(DeviceListTest, UnreadableDeviceIsLeftOutAndTheOthersKeepTheirNumbers) {
  FakeMultimedia mm;
  mm.devices = {{"Synth A"}, {"Broken", MOD_SYNTH, MMSYSERR_NODRIVER}, {"Port C", MOD_MIDIPORT}};
  const std::vector<MidiDeviceEntry> list = ListMidiOutputDevices();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Synth A");
  EXPECT_EQ(list[0].device, 0u);
  EXPECT_EQ(list[1].name, "Port C");
  EXPECT_EQ(list[1].device, 2u);
  EXPECT_THAT(mm.Log(), ElementsAre("count", "caps 0", "caps 1", "caps 2"));

  // Preselection by device number, and none for a device without an entry.
  EXPECT_EQ(FindDeviceEntry(list, 0), 0);
  EXPECT_EQ(FindDeviceEntry(list, 2), 1);
  EXPECT_EQ(FindDeviceEntry(list, 1), -1);
  EXPECT_EQ(FindDeviceEntry(list, 3), -1);
  EXPECT_EQ(FindDeviceEntry(list, NO_MIDI_DEVICE), -1);
  EXPECT_EQ(FindDeviceEntry({}, 0), -1);
}

TEST(DeviceListTest, CountIsAskedAfreshAndLongNamesKeptWhole) {
  FakeMultimedia mm;
  mm.devices = {{"One"}};
  EXPECT_EQ(ListMidiOutputDevices().size(), 1u);
  const std::string longest(MAXPNAMELEN - 1, 'n');
  mm.devices = {{"One"}, {longest}};
  const std::vector<MidiDeviceEntry> list = ListMidiOutputDevices();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, longest);
}

}  // namespace
