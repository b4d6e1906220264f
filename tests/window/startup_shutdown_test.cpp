// Start-up, splash and shut-down of the real main window.
#include "metronome/click.h"
#include "running_window.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

const char kClick110[] = "set 6000000000000/11000 res 10 periodic";

TEST_F(RunningWindowTest, StartUpRunsInOrderAndShutDownKillsTheClickBeforeClosing) {
  mm.devices = {{"Port", MOD_MIDIPORT}, {"FM", MOD_FMSYNTH}};
  TestMainWindow dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow&) {
    EXPECT_THAT(mm.Log(), ElementsAre("count", "count", "caps 0", "caps 1", "open 1",
                                      "volume 0xFFFFFFFF", "begin 10", kClick110));
    EXPECT_EQ(dlg.m_nPeriod, 545u);
    EXPECT_EQ(dlg.m_nTempo, 11000u);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), " MOSS ");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "GATE");
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), Text(IDS_HINT_INTRO));
    EXPECT_TRUE(dlg.m_btnStart.IsWindowEnabled());
    EXPECT_EQ(s_msgNoteOn.load().Word(), 0x007F2599u);
    mm.ClearLog();
  });
  EXPECT_EQ(result, kEndedByTest);
  EXPECT_THAT(mm.Log(), ElementsAre("kill 1", "close"));
  EXPECT_THAT(boxes.Boxes(), IsEmpty());
  EXPECT_EQ(dlg.m_pBkBrush, nullptr);
  EXPECT_EQ(dlg.m_pDisplayFont, nullptr);
  // Only the device chosen by the default rule is written at start-up.
  EXPECT_EQ(home.ReadStore(), "[Recorder]\nMidiDevice=1\n");
}

TEST_F(RunningWindowTest, OneDeviceWritesNothingYetLeavesTheStoreFolder) {
  home.WriteStore("[Recorder]\nMidiDevice=7\n");
  TestMainWindow dlg;
  RunModal(dlg, [&](DialogWindow&) {
    EXPECT_EQ(dlg.m_nMidiDevice, 0u);
    EXPECT_TRUE(mm.IsOpen(FakeMultimedia::HandleFor(0)));
  });
  EXPECT_EQ(home.ReadStore(), "[Recorder]\nMidiDevice=7\n");
}

TEST_F(RunningWindowTest, StoredVoiceAndVolumeAreUsedAsTheyStand) {
  home.WriteStore("[Recorder]\nMidiInstrument=291\nMidiVolume=2147516416\n");
  TestMainWindow dlg;
  RunModal(dlg, [&](DialogWindow&) {
    EXPECT_EQ(dlg.m_nInstrument, 35);  // the low byte of 291
    EXPECT_EQ(s_msgNoteOn.load().Word(), 0x007F2399u);
    EXPECT_EQ(s_msgNoteOff.load().Word(), 0x00002389u);
    EXPECT_THAT(mm.Log(), testing::Contains("volume 0x80008000"));
  });
}

TEST_F(RunningWindowTest, NoDeviceShowsMessage106AndEndsBeforeAnythingElse) {
  mm.devices.clear();
  TestMainWindow dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, Text(IDS_ERR_NO_DEVICES));
  EXPECT_EQ(boxes.Boxes()[0].caption, "Mossgate");
  EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONEXCLAMATION);
  EXPECT_THAT(mm.Log(), ElementsAre("count"));
  EXPECT_FALSE(std::filesystem::exists(home.StoreFolder()));
}

TEST_F(RunningWindowTest, PortThatDoesNotOpenGivesTheUnavailableMode) {
  mm.devices[0].openResult = MMSYSERR_ALLOCATED;
  TestMainWindow dlg;
  RunModal(dlg, [&](DialogWindow&) {
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, FormatText(Text(IDS_ERR_OPEN).c_str(), 0u, 4u));
    EXPECT_TRUE(dlg.m_bMidiError);
    EXPECT_FALSE(dlg.m_btnDown.IsWindowEnabled());
    EXPECT_FALSE(dlg.m_btnUp.IsWindowEnabled());
    EXPECT_FALSE(dlg.m_btnStart.IsWindowEnabled());
    // The click is scheduled all the same; its sends reach no port.
    EXPECT_EQ(mm.LiveEvents().size(), 1u);
    mm.ClearLog();
  });
  EXPECT_THAT(mm.Log(), ElementsAre("kill 1"));
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

struct TimerFailure {
  const char* name;
  bool refuseResolution;
  bool failEvent;
};

class TimerFailureTest : public RunningWindowTest,
                         public testing::WithParamInterface<TimerFailure> {};

TEST_P(TimerFailureTest, ShowsMessage111OnceEndsTheWindowAndClosesThePort) {
  mm.beginPeriodResult = GetParam().refuseResolution ? TIMERR_NOCANDO : TIMERR_NOERROR;
  mm.failSetEvent = GetParam().failEvent;
  TestMainWindow dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, Text(IDS_ERR_NO_TIMER));
  EXPECT_TRUE(mm.LiveEvents().empty());
  const auto log = mm.Log();
  if (GetParam().refuseResolution) {
    EXPECT_THAT(log, testing::Not(testing::Contains(kClick110)));
  } else {
    EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
                ElementsAre(kClick110, "end 10", "close"));
  }
  EXPECT_EQ(log.back(), "close");
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerFailureTest,
                         testing::Values(TimerFailure{"ResolutionRefused", true, false},
                                         TimerFailure{"NoEvent", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunningWindowTest, CloseFailureShowsMessage108WithTheCode) {
  mm.closeResult = MMSYSERR_INVALHANDLE;
  TestMainWindow dlg;
  RunModal(dlg, [](DialogWindow&) {});
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "MIDI ERROR Closing device: rc=5");
}

TEST_F(RunningWindowTest, SplashEndsAfterFourSecondsWithTheTempoAndAnEmptyStatus) {
  TestMainWindow dlg;
  RunModal(dlg, [&](DialogWindow&) {
    dlg.m_wndHint.SetWindowText("hint");
    EXPECT_TRUE(WaitFor([&] { return dlg.m_wndDisplay.GetWindowText() == "110.00"; }, 6000));
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), "hint");
    // Once only: a later refresh of the status line stays.
    dlg.m_wndStatus.SetWindowText("kept");
    QTest::qWait(100);
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "kept");
    EXPECT_EQ(mm.LiveEvents().size(), 1u);  // the click runs on through the splash
  });
}

}  // namespace
