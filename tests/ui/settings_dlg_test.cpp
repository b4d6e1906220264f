#include "ui/settings_dlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "framework/dialog_window.h"
#include "framework/win_app.h"
#include "metronome/click.h"
#include "metronome/click_scheduler.h"
#include "metronome/percussion.h"
#include "support/child_process.h"
#include "support/fake_multimedia.h"
#include "support/forwarding_multimedia.h"
#include "support/message_recorder.h"
#include "support/temp_config_home.h"
#include "support/x_display.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

constexpr const char* kTitle = "About Mossgate BPM Checker";
constexpr const char* kShowFlag = "--show-settings-dialog";

// Forwards every call to the fake and keeps which handle each volume went to,
// which the fake's log does not say.
class VolumeTap final : public ForwardingMultimedia {
 public:
  struct Sent {
    HMIDIOUT handle;
    DWORD volume;
  };

  using ForwardingMultimedia::ForwardingMultimedia;

  std::vector<Sent> sent;

  MMRESULT SetVolume(HMIDIOUT handle, DWORD volume) override {
    sent.push_back({handle, volume});
    return fake_.SetVolume(handle, volume);
  }
};

FakeMidiDevice Device(const char* name, MMRESULT capsResult = MMSYSERR_NOERROR) {
  return FakeMidiDevice{name, MOD_SYNTH, capsResult, MMSYSERR_NOERROR};
}

const std::vector<FakeMidiDevice> kTwoDevices = {Device("Mossgate Synth"), Device("USB MIDI Out")};
// Device 1 cannot report its capabilities.
const std::vector<FakeMidiDevice> kMiddleUnreadable = {
    Device("Synth A"), Device("Broken B", MMSYSERR_NODRIVER), Device("Port C")};

// The running dialog, as the test sees it while it is up.
struct OpenDialog {
  CSettingsDlg& dlg;
  DialogWindow& window;

  QComboBox* Devices() const { return qobject_cast<QComboBox*>(window.control(IDC_MIDI_DEVICE)); }
  QComboBox* Voices() const {
    return qobject_cast<QComboBox*>(window.control(IDC_MIDI_INSTRUMENT));
  }
  TrackbarSlider* Slider() const {
    return dynamic_cast<TrackbarSlider*>(window.control(IDC_VOLUME));
  }
  QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(window.control(id)); }
  void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
  std::vector<std::string> Items(const QComboBox* list) const {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
    return items;
  }
};

using Write = std::pair<std::string, int>;

class SettingsDialogTest : public testing::Test {
 protected:
  SettingsDialogTest() {
    app.SetRegistryKey("Nodrek");
    mm.devices = kTwoDevices;
  }

  void TearDown() override {
    EXPECT_THAT(boxes.Boxes(), IsEmpty()) << "the dialog shows no message";
  }

  // As start-up leaves it: device 0 open, or no port when there is no device.
  void OpenPort() {
    if (!mm.devices.empty()) {
      ASSERT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    }
    mm.ClearLog();
    tap.sent.clear();
  }

  // Opens the dialog as the main window's Settings command does; `act` runs
  // once the dialog is up and is expected to end it.
  INT_PTR Run(const std::function<void(const OpenDialog&)>& act) {
    bool acted = false;
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
      const auto& stack = CDialog::ModalStack();
      auto* dlg = stack.empty() ? nullptr : dynamic_cast<CSettingsDlg*>(stack.back());
      auto* window = dlg ? dynamic_cast<DialogWindow*>(dlg->GetSafeHwnd()) : nullptr;
      if (window == nullptr) {
        ADD_FAILURE() << "the settings dialog is not running";
        return;
      }
      acted = true;
      act(OpenDialog{*dlg, *window});
    });
    start.start(0);
    // A failed step may leave the dialog open; it must not hang the run.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      ADD_FAILURE() << "the dialog did not end";
      if (!CDialog::ModalStack().empty()) CDialog::ModalStack().back()->EndDialog(IDCANCEL);
    });
    watchdog.start(5000);

    const INT_PTR result = RunSettingsDialog({device, instrument, volume, handle},
                                             [this](const char* entry, int value) {
                                               writes.emplace_back(entry, value);
                                               WriteSettingToProfile(entry, value);
                                             });
    EXPECT_TRUE(acted);
    return result;
  }

  // What reached the devices other than the device-list queries.
  std::vector<std::string> DeviceCalls() const {
    std::vector<std::string> calls;
    for (const std::string& entry : mm.Log()) {
      if (entry != "count" && entry.rfind("caps ", 0) != 0) calls.push_back(entry);
    }
    return calls;
  }

  UINT Stored(const char* entry) {
    return app.GetProfileInt(PROFILE_SECTION, entry, static_cast<int>(kNotStored));
  }

  static constexpr UINT kNotStored = 0xDEADBEEF;

  TempConfigHome home;
  CWinApp app;
  FakeMultimedia mm;
  VolumeTap tap{mm};
  MessageRecorder boxes;

  // The main window's settings.
  UINT device = 0;
  BYTE instrument = DEFAULT_PERCUSSION_NOTE;
  DWORD volume = 0xFFFFFFFF;
  HMIDIOUT handle = nullptr;

  std::vector<Write> writes;
};

// ---------------------------------------------------------------------------
// Opening

struct OpenCase {
  const char* name;
  std::vector<FakeMidiDevice> devices;
  UINT device;
  BYTE instrument;
  DWORD volume;
  std::vector<std::string> deviceItems;
  int deviceSel;
  int voiceSel;
  int sliderPos;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class OpeningTest : public SettingsDialogTest, public testing::WithParamInterface<OpenCase> {};

TEST_P(OpeningTest, ShowsTheCurrentDeviceVoiceAndVolume) {
  const OpenCase& c = GetParam();
  mm.devices = c.devices;
  device = c.device;
  instrument = c.instrument;
  volume = c.volume;
  OpenPort();

  const INT_PTR result = Run([&](const OpenDialog& d) {
    EXPECT_EQ(d.window.windowTitle().toStdString(), kTitle);
    EXPECT_EQ(d.Items(d.Devices()), c.deviceItems);
    EXPECT_EQ(d.Devices()->currentIndex(), c.deviceSel);
    ASSERT_EQ(d.Voices()->count(), 47);
    EXPECT_EQ(d.Voices()->itemText(0).toStdString(), "Acoustic Bass Drum [35]");
    EXPECT_EQ(d.Voices()->itemText(2).toStdString(), "Side Stick [37]");
    EXPECT_EQ(d.Voices()->itemText(46).toStdString(), "Open Triangle [81]");
    EXPECT_EQ(d.Voices()->currentIndex(), c.voiceSel);
    EXPECT_EQ(d.Slider()->minimum(), 0);
    EXPECT_EQ(d.Slider()->maximum(), 255);
    EXPECT_EQ(d.Slider()->value(), c.sliderPos);
    EXPECT_EQ(d.Slider()->tickInterval(), 16);
    EXPECT_EQ(d.dlg.m_dwVolume, c.volume) << "opening changes no volume";
    d.Click(IDCANCEL);
  });

  EXPECT_EQ(result, IDCANCEL);
  std::vector<std::string> queries = {"count"};
  for (std::size_t i = 0; i < c.devices.size(); ++i) queries.push_back("caps " + std::to_string(i));
  EXPECT_EQ(mm.Log(), queries) << "the list asks the devices, and nothing is sent";
  EXPECT_THAT(tap.sent, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpeningTest,
    testing::Values(OpenCase{"FirstRun",
                             kTwoDevices,
                             0,
                             37,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             2,
                             255},
                    OpenCase{"SecondDeviceLastVoiceHalfVolume",
                             kTwoDevices,
                             1,
                             81,
                             0x80008000,
                             {"Mossgate Synth", "USB MIDI Out"},
                             1,
                             46,
                             128},
                    OpenCase{"FirstVoiceSilent",
                             kTwoDevices,
                             0,
                             35,
                             0x00000000,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             0,
                             0},
                    OpenCase{"LeftChannelOnlyShowsLeftLevel",
                             kTwoDevices,
                             0,
                             37,
                             0x0000FFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             2,
                             255},
                    OpenCase{"RightChannelOnlyShowsLeftLevel",
                             kTwoDevices,
                             0,
                             37,
                             0xFFFF0000,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             2,
                             0},
                    OpenCase{"DeviceNamingNoEntry",
                             kTwoDevices,
                             2,
                             37,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             -1,
                             2,
                             255},
                    OpenCase{"NoDeviceStoredYet",
                             kTwoDevices,
                             NO_MIDI_DEVICE,
                             37,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             -1,
                             2,
                             255},
                    OpenCase{"VoiceBelowTheFirst",
                             kTwoDevices,
                             0,
                             34,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             -1,
                             255},
                    OpenCase{"VoiceFarBelow",
                             kTwoDevices,
                             0,
                             20,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             -1,
                             255},
                    OpenCase{"VoiceAboveTheLast",
                             kTwoDevices,
                             0,
                             82,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             -1,
                             255},
                    OpenCase{"VoiceFarAbove",
                             kTwoDevices,
                             0,
                             100,
                             0xFFFFFFFF,
                             {"Mossgate Synth", "USB MIDI Out"},
                             0,
                             -1,
                             255},
                    OpenCase{"UnreadableDeviceLeftOut",
                             kMiddleUnreadable,
                             2,
                             37,
                             0xFFFFFFFF,
                             {"Synth A", "Port C"},
                             1,
                             2,
                             255},
                    OpenCase{"CurrentDeviceUnreadable",
                             kMiddleUnreadable,
                             1,
                             37,
                             0xFFFFFFFF,
                             {"Synth A", "Port C"},
                             -1,
                             2,
                             255},
                    OpenCase{"NoDevices", {}, 0, 37, 0xFFFFFFFF, {}, -1, 2, 255}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsDialogTest, DeviceListIsBuiltAfreshAtEachOpening) {
  Run([](const OpenDialog& d) { d.Click(IDCANCEL); });
  mm.devices.push_back(Device("Plugged In Later"));
  Run([](const OpenDialog& d) {
    EXPECT_THAT(d.Items(d.Devices()),
                ElementsAre("Mossgate Synth", "USB MIDI Out", "Plugged In Later"));
    d.Click(IDCANCEL);
  });
}

// ---------------------------------------------------------------------------
// The volume slider

struct SlideCase {
  const char* name;
  DWORD startVolume;
  std::function<void(TrackbarSlider*)> move;
  int pos;
  std::vector<DWORD> levels;  // the distinct levels the device gets, in order
};

void PrintTo(const SlideCase& c, std::ostream* os) { *os << c.name; }

class SliderTest : public SettingsDialogTest, public testing::WithParamInterface<SlideCase> {};

std::function<void(TrackbarSlider*)> Key(Qt::Key key) {
  return [key](TrackbarSlider* slider) {
    slider->setFocus();
    QTest::keyClick(slider, key);
  };
}

// A drag: the thumb held down and moved through `positions`.
std::function<void(TrackbarSlider*)> Drag(std::vector<int> positions) {
  return [positions](TrackbarSlider* slider) {
    slider->setSliderDown(true);
    for (int p : positions) slider->setSliderPosition(p);
    slider->setSliderDown(false);
  };
}

std::vector<DWORD> DistinctLevels(const std::vector<VolumeTap::Sent>& sent) {
  std::vector<DWORD> levels;
  for (const auto& s : sent) {
    if (levels.empty() || levels.back() != s.volume) levels.push_back(s.volume);
  }
  return levels;
}

TEST_P(SliderTest, SendsEachPositionLiveAndOkStoresTheLast) {
  const SlideCase& c = GetParam();
  volume = c.startVolume;
  OpenPort();

  const INT_PTR result = Run([&](const OpenDialog& d) {
    c.move(d.Slider());
    EXPECT_EQ(d.Slider()->value(), c.pos);
    EXPECT_THAT(DistinctLevels(tap.sent), ElementsAreArray(c.levels))
        << "each movement reaches the device while the dialog is open";
    EXPECT_EQ(d.dlg.m_dwVolume, c.levels.back());
    d.Click(IDOK);
  });

  EXPECT_EQ(result, IDOK);
  for (const auto& s : tap.sent) EXPECT_EQ(s.handle, handle) << "the main window's port";
  EXPECT_EQ(volume, c.levels.back());
  EXPECT_EQ(Stored(PROFILE_MIDI_VOLUME), c.levels.back());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SliderTest,
    testing::Values(
        SlideCase{"HomeGivesSilence", 0x80008000, Key(Qt::Key_Home), 0, {0x00000000}},
        SlideCase{"OneStepUpFromSilence", 0x00000000, Key(Qt::Key_Right), 1, {0x01000100}},
        SlideCase{"OneStepUpToHalf", 0x7F007F00, Key(Qt::Key_Right), 128, {0x80008000}},
        SlideCase{
            "EndFromFirstRunGivesFF00NotFFFF", 0xFFFFFFFF, Key(Qt::Key_End), 255, {0xFF00FF00}},
        SlideCase{"OneStepDown", 0x80008000, Key(Qt::Key_Left), 127, {0x7F007F00}},
        SlideCase{"DragFollowsTheThumb",
                  0xFFFFFFFF,
                  Drag({200, 150, 128}),
                  128,
                  {0xC800C800, 0x96009600, 0x80008000}}),
    [](const testing::TestParamInfo<SlideCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsDialogTest, EveryScrollCodeFromTheSliderSendsItsPositionOthersAreIgnored) {
  OpenPort();
  volume = 0x40004000;
  Run([&](const OpenDialog& d) {
    d.dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(TB_THUMBTRACK), 200),
                      reinterpret_cast<LPARAM>(&d.dlg.m_cbDevice));
    EXPECT_THAT(tap.sent, IsEmpty()) << "not the volume slider";
    EXPECT_EQ(d.dlg.m_dwVolume, 0x40004000u);

    for (UINT code : {TB_LINEUP, TB_THUMBPOSITION, TB_ENDTRACK, 99u}) {
      d.dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(code), 0),
                        reinterpret_cast<LPARAM>(&d.dlg.m_sldVolume));
    }
    ASSERT_EQ(tap.sent.size(), 4u);
    for (const auto& s : tap.sent) EXPECT_EQ(s.volume, 0x40004000u) << "the thumb's position";
    d.Click(IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, WithoutAnOpenPortTheSliderStillSetsTheVolume) {
  // The open failed at start-up: the handle names no port.
  handle = FakeMultimedia::HandleFor(7);
  volume = 0x80008000;
  Run([&](const OpenDialog& d) {
    QTest::keyClick(d.Slider(), Qt::Key_Home);
    EXPECT_EQ(d.dlg.m_dwVolume, 0u);
    d.Click(IDOK);
  });
  EXPECT_EQ(volume, 0u);
  EXPECT_EQ(Stored(PROFILE_MIDI_VOLUME), 0u);
}

// ---------------------------------------------------------------------------
// OK

constexpr int kLeave = -2;  // the selection the dialog opened with
constexpr BYTE kSentinelKey = 127;

struct OkCase {
  const char* name;
  std::vector<FakeMidiDevice> devices;
  UINT device;
  BYTE instrument;
  DWORD volume;
  int pickDevice;  // list position, or kLeave
  int pickVoice;   // list position, or kLeave
  std::vector<Write> writes;
};

void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }

class OkTest : public SettingsDialogTest, public testing::WithParamInterface<OkCase> {};

TEST_P(OkTest, StoresInOrderAndAppliesOnlyWhatWasSelected) {
  const OkCase& c = GetParam();
  mm.devices = c.devices;
  device = c.device;
  instrument = c.instrument;
  volume = c.volume;
  OpenPort();
  // Shows whether the click words were rebuilt, whatever the key.
  SetClickNote(kSentinelKey);

  const INT_PTR result = Run([&](const OpenDialog& d) {
    if (c.pickDevice != kLeave) d.Devices()->setCurrentIndex(c.pickDevice);
    if (c.pickVoice != kLeave) d.Voices()->setCurrentIndex(c.pickVoice);
    d.Click(IDOK);
  });

  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(writes, c.writes);

  UINT wantDevice = c.device;
  BYTE wantInstrument = c.instrument;
  UINT storedDevice = kNotStored;
  UINT storedInstrument = kNotStored;
  for (const auto& [entry, value] : c.writes) {
    if (entry == PROFILE_MIDI_DEVICE) wantDevice = storedDevice = static_cast<UINT>(value);
    if (entry == PROFILE_MIDI_INSTRUMENT) {
      wantInstrument = static_cast<BYTE>(value);
      storedInstrument = static_cast<UINT>(value);
    }
  }
  EXPECT_EQ(device, wantDevice);
  EXPECT_EQ(instrument, wantInstrument);
  EXPECT_EQ(volume, c.volume);
  EXPECT_EQ(Stored(PROFILE_MIDI_DEVICE), storedDevice);
  EXPECT_EQ(Stored(PROFILE_MIDI_INSTRUMENT), storedInstrument);
  EXPECT_EQ(Stored(PROFILE_MIDI_VOLUME), c.volume) << "stored even when unchanged";

  const BYTE clickKey = storedInstrument == kNotStored ? kSentinelKey : wantInstrument;
  EXPECT_EQ(s_msgNoteOn.load().Word(), (MidiShortMsg{0x99, clickKey, 0x7F, 0}.Word()));
  EXPECT_EQ(s_msgNoteOff.load().Word(), (MidiShortMsg{0x89, clickKey, 0x00, 0}.Word()));

  EXPECT_THAT(DeviceCalls(), IsEmpty()) << "nothing is sent to the device on OK";
  EXPECT_THAT(tap.sent, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OkTest,
    testing::Values(OkCase{"UntouchedFirstRunStoresAllThree",
                           kTwoDevices,
                           0,
                           37,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiDevice", 0}, {"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    OkCase{"OtherDeviceAndVoice",
                           kTwoDevices,
                           0,
                           37,
                           0x80008000,
                           1,
                           21,
                           {{"MidiDevice", 1},
                            {"MidiInstrument", 56},
                            {"MidiVolume", static_cast<int>(0x80008000)}}},
                    OkCase{"FirstVoice",
                           kTwoDevices,
                           1,
                           81,
                           0x10001000,
                           kLeave,
                           0,
                           {{"MidiDevice", 1}, {"MidiInstrument", 35}, {"MidiVolume", 0x10001000}}},
                    OkCase{"LastVoice",
                           kTwoDevices,
                           0,
                           35,
                           0,
                           kLeave,
                           46,
                           {{"MidiDevice", 0}, {"MidiInstrument", 81}, {"MidiVolume", 0}}},
                    OkCase{"DeviceNamingNoEntryIsNotStored",
                           kTwoDevices,
                           2,
                           37,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    OkCase{"DeviceChosenAfterNoneMatched",
                           kTwoDevices,
                           2,
                           37,
                           0xFFFFFFFF,
                           0,
                           kLeave,
                           {{"MidiDevice", 0}, {"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    OkCase{"VoiceBelowListIsKept",
                           kTwoDevices,
                           0,
                           20,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiDevice", 0}, {"MidiVolume", -1}}},
                    OkCase{"VoiceAboveListIsKept",
                           kTwoDevices,
                           1,
                           100,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiDevice", 1}, {"MidiVolume", -1}}},
                    OkCase{"VoiceChosenAfterNoneMatched",
                           kTwoDevices,
                           0,
                           100,
                           0xFFFFFFFF,
                           kLeave,
                           3,
                           {{"MidiDevice", 0}, {"MidiInstrument", 38}, {"MidiVolume", -1}}},
                    OkCase{"NothingSelectedStoresOnlyTheVolume",
                           kTwoDevices,
                           9,
                           82,
                           0x20002000,
                           kLeave,
                           kLeave,
                           {{"MidiVolume", 0x20002000}}},
                    OkCase{"NoDevicesAtAll",
                           {},
                           0,
                           37,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    // Each entry keeps its device's number: the second entry is device 2.
                    OkCase{"EntryAfterAnUnreadableDeviceStoresItsOwnNumber",
                           kMiddleUnreadable,
                           0,
                           37,
                           0xFFFFFFFF,
                           1,
                           kLeave,
                           {{"MidiDevice", 2}, {"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    OkCase{"EntryBeforeAnUnreadableDevice",
                           kMiddleUnreadable,
                           2,
                           37,
                           0xFFFFFFFF,
                           0,
                           kLeave,
                           {{"MidiDevice", 0}, {"MidiInstrument", 37}, {"MidiVolume", -1}}},
                    OkCase{"PreselectedEntryAfterAnUnreadableDevice",
                           kMiddleUnreadable,
                           2,
                           37,
                           0xFFFFFFFF,
                           kLeave,
                           kLeave,
                           {{"MidiDevice", 2}, {"MidiInstrument", 37}, {"MidiVolume", -1}}}),
    [](const testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsDialogTest, UnreadableDeviceListShowsTheOthersByName) {
  mm.devices = kMiddleUnreadable;
  Run([](const OpenDialog& d) {
    EXPECT_THAT(d.Items(d.Devices()), ElementsAre("Synth A", "Port C"));
    d.Click(IDCANCEL);
  });
}

// ---------------------------------------------------------------------------
// Cancel

enum class CancelBy { Button, Escape, CloseBox };

const char* NameOf(CancelBy way) {
  switch (way) {
    case CancelBy::Button:
      return "CancelButton";
    case CancelBy::Escape:
      return "Escape";
    case CancelBy::CloseBox:
      return "CloseBox";
  }
  return "";
}

void PrintTo(CancelBy way, std::ostream* os) { *os << NameOf(way); }

class CancelTest : public SettingsDialogTest, public testing::WithParamInterface<CancelBy> {};

TEST_P(CancelTest, KeepsTheLiveVolumeOnTheDeviceAndStoresNothing) {
  const std::string store =
      "[Recorder]\nMidiDevice=0\nMidiInstrument=37\nMidiVolume=2147516416\n";  // 0x80008000
  home.WriteStore(store);
  volume = 0x80008000;
  OpenPort();
  SetClickNote(37);

  const INT_PTR result = Run([&](const OpenDialog& d) {
    d.Devices()->setCurrentIndex(1);
    d.Voices()->setCurrentIndex(10);
    QTest::keyClick(d.Slider(), Qt::Key_End);
    switch (GetParam()) {
      case CancelBy::Button:
        d.Click(IDCANCEL);
        break;
      case CancelBy::Escape:
        QTest::keyClick(d.Devices(), Qt::Key_Escape);
        break;
      case CancelBy::CloseBox:
        d.window.close();
        break;
    }
  });

  EXPECT_EQ(result, IDCANCEL);
  ASSERT_FALSE(tap.sent.empty());
  EXPECT_EQ(tap.sent.back().volume, 0xFF00FF00u) << "the device keeps the last slider level";
  EXPECT_EQ(tap.sent.back().handle, handle);
  EXPECT_THAT(writes, IsEmpty());
  EXPECT_EQ(home.ReadStore(), store);
  EXPECT_EQ(device, 0u);
  EXPECT_EQ(instrument, 37);
  EXPECT_EQ(volume, 0x80008000u);
  EXPECT_EQ(s_msgNoteOn.load().Word(), 0x007F2599u);

  Run([](const OpenDialog& d) {
    EXPECT_EQ(d.Slider()->value(), 128) << "the next opening shows the old level";
    EXPECT_EQ(d.Devices()->currentIndex(), 0);
    EXPECT_EQ(d.Voices()->currentIndex(), 2);
    d.Click(IDCANCEL);
  });
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelTest,
                         testing::Values(CancelBy::Button, CancelBy::Escape, CancelBy::CloseBox),
                         [](const testing::TestParamInfo<CancelBy>& info) {
                           return std::string(NameOf(info.param));
                         });

// ---------------------------------------------------------------------------
// Keyboard

TEST_F(SettingsDialogTest, MnemonicsFocusTheirControlsAndEnterIsOk) {
  volume = 0x80008000;
  const INT_PTR result = Run([&](const OpenDialog& d) {
    EXPECT_TRUE(d.Button(IDOK)->isDefault());
    EXPECT_FALSE(d.Button(IDCANCEL)->isDefault());
    // Mnemonics act in the active window only.
    d.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.window.isActiveWindow(); }, 2000));

    const std::pair<Qt::Key, QWidget*> steps[] = {
        {Qt::Key_V, d.Slider()}, {Qt::Key_D, d.Devices()}, {Qt::Key_I, d.Voices()}};
    for (const auto& [key, control] : steps) {
      QTest::keyClick(&d.window, key, Qt::AltModifier);
      EXPECT_EQ(QApplication::focusWidget(), control)
          << "Alt+" << QKeySequence(key).toString().toStdString();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(writes.back(), (Write{"MidiVolume", static_cast<int>(0x80008000)}));
}

// ---------------------------------------------------------------------------
// The click while the dialog is open

class RunningClick : public CClickScheduler {
 public:
  explicit RunningClick(HMIDIOUT port) {
    m_hMidiOut = port;
    m_nPeriod = TempoToPeriod(m_nTempo);
    StartClick();
  }
  UINT Event() const { return m_nTimerEvent; }

 protected:
  void OnClickTimerUnavailable() override {}
};

TEST_F(SettingsDialogTest, NewVoiceSoundsFromTheNextTickWithoutRestartingTheClick) {
  OpenPort();
  SetClickNote(37);
  RunningClick click(handle);
  const UINT event = click.Event();
  ASSERT_NE(event, 0u);
  const auto before = mm.Events();
  mm.ClearLog();

  const INT_PTR result = Run([&](const OpenDialog& d) {
    mm.Tick(event);
    EXPECT_THAT(mm.Sent(), ElementsAre("short 0x00002589", "short 0x007F2599"))
        << "the click keeps its voice while the dialog is open";
    d.Voices()->setCurrentIndex(56 - 35);
    d.Click(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(instrument, 56);

  for (const std::string& call : mm.Log()) {
    EXPECT_TRUE(call.rfind("kill", 0) != 0 && call.rfind("set", 0) != 0 &&
                call.rfind("begin", 0) != 0)
        << call << ": the click was rescheduled";
  }
  const auto after = mm.Events();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(after.back().alive);
  EXPECT_EQ(after.back().period.numeratorNs, before.back().period.numeratorNs);
  EXPECT_EQ(after.back().period.denominator, before.back().period.denominator);

  mm.ClearLog();
  mm.Tick(event);
  EXPECT_THAT(mm.Sent(), ElementsAre("short 0x00003889", "short 0x007F3899"));
}

// ---------------------------------------------------------------------------
// A picture of the dialog on a real X server

std::string ArtifactPath() { return std::string(MOSSGATE_ARTIFACT_DIR) + "/settings-dialog.png"; }

TEST(SettingsDialogPicture, IsSavedAsABuildArtefact) {
  XDisplay display;
  if (!display.Ok()) GTEST_SKIP() << "Xvfb did not start";
  TempDir temp;
  const std::string ready = temp.Path() + "/ready";
  ChildProcess child({fs::read_symlink("/proc/self/exe").string(), kShowFlag, ready},
                     {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display.Name()}},
                     temp.Path() + "/child.log");
  ASSERT_TRUE(WaitFor([&] { return fs::exists(ready); }, 20s))
      << "the dialog did not come up: " << RunCommand("cat " + temp.Path() + "/child.log");
  const std::string window = display.FindWindow(kTitle, 5000);
  ASSERT_FALSE(window.empty()) << "no window titled \"" << kTitle << "\"";

  fs::create_directories(MOSSGATE_ARTIFACT_DIR);
  fs::remove(ArtifactPath());
  ASSERT_TRUE(display.Screenshot(window, ArtifactPath()));
  child.Stop();

  const QImage image(QString::fromStdString(ArtifactPath()));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), 300);
  EXPECT_GT(image.height(), 150);
  const double aspect = static_cast<double>(image.width()) / image.height();
  EXPECT_TRUE(aspect > 1.4 && aspect < 3.0) << aspect << ": not the shape of 237 x 121 units";
  // A blank capture has one colour.
  std::vector<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < 3; y += 3) {
    for (int x = 0; x < image.width() && colours.size() < 3; x += 3) {
      const QRgb px = image.pixel(x, y);
      if (std::find(colours.begin(), colours.end(), px) == colours.end()) colours.push_back(px);
    }
  }
  EXPECT_GE(colours.size(), 3u);
}

// The child of the picture test: the dialog as a first run shows it, with two
// devices; `ready` is created once it has been painted.
int ShowDialogForPicture(int argc, char** argv) {
  QApplication application(argc, argv);
  TempConfigHome home;
  CWinApp app;
  app.SetRegistryKey("Nodrek");
  FakeMultimedia mm;
  mm.devices = {{"Built-in Synthesizer", MOD_SYNTH}, {"Midi Through Port-0", MOD_MIDIPORT}};
  HMIDIOUT port = nullptr;
  midiOutOpen(&port, 0, 0, 0, CALLBACK_NULL);
  UINT device = 0;
  BYTE instrument = DEFAULT_PERCUSSION_NOTE;
  DWORD volume = 0xC000C000;

  const std::string ready = argc > 2 ? argv[2] : "";
  QTimer::singleShot(500, [&] { std::ofstream(ready).put('\n'); });
  // Never outlives a parent that failed to stop it.
  QTimer::singleShot(60000, [] {
    if (!CDialog::ModalStack().empty()) CDialog::ModalStack().back()->EndDialog(IDCANCEL);
  });
  RunSettingsDialog({device, instrument, volume, port}, [](const char*, int) {});
  return 0;
}

}  // namespace

// One application object for the whole binary, on the offscreen platform
// unless told otherwise.
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == kShowFlag) return ShowDialogForPicture(argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
