// An ALSA port unplugged while it is the open device: from then on every send
// fails. The ticks and the sync click fail without a word, the window keeps
// working, and closing reports only what the close itself returns.
#include <gmock/gmock.h>

#include <QPushButton>
#include <atomic>

#include "framework/strings.h"
#include "running_window.h"
#include "support/forwarding_multimedia.h"

namespace {

using testing::IsEmpty;

// Forwards to the fake; once the port has vanished, what reaches it fails as
// the ALSA port fails when its subscriber is gone.
class VanishingPort final : public ForwardingMultimedia {
 public:
  using ForwardingMultimedia::ForwardingMultimedia;

  void Vanish(MMRESULT closeResult) {
    closeResult_ = closeResult;
    vanished_ = true;
  }
  int Delivered() const { return delivered_; }
  int Failed() const { return failed_; }

  MMRESULT SetVolume(HMIDIOUT handle, DWORD volume) override {
    const MMRESULT rc = fake_.SetVolume(handle, volume);
    return vanished_ ? MMSYSERR_ERROR : rc;
  }
  MMRESULT ShortMsg(HMIDIOUT handle, DWORD msg) override {
    const MMRESULT rc = fake_.ShortMsg(handle, msg);
    if (vanished_) {
      ++failed_;
      return MMSYSERR_ERROR;
    }
    if (rc == MMSYSERR_NOERROR) ++delivered_;
    return rc;
  }
  MMRESULT Close(HMIDIOUT handle) override {
    const MMRESULT rc = fake_.Close(handle);
    return vanished_ && rc == MMSYSERR_NOERROR ? closeResult_ : rc;
  }

 private:
  // Ticks are fired by the test on the UI thread here; atomics all the same,
  // as a real tick thread would count too (relaxed: counters only).
  std::atomic<bool> vanished_{false};
  std::atomic<int> delivered_{0};
  std::atomic<int> failed_{0};
  MMRESULT closeResult_ = MMSYSERR_NOERROR;
};

struct VanishCase {
  const char* name;
  // What closing the vanished port returns: the ALSA port closes its own end
  // cleanly; a driver may also fail.
  MMRESULT closeResult;
};

void PrintTo(const VanishCase& c, std::ostream* os) { *os << c.name; }

class VanishedPortTest : public RunningWindowTest, public testing::WithParamInterface<VanishCase> {
 protected:
  VanishingPort port{mm};
};

TEST_P(VanishedPortTest, SendsFailSilentlyAndTheWindowKeepsWorking) {
  mm.devices = {{"Built-in Synth", MOD_SYNTH}, {"USB MIDI Cable", MOD_MIDIPORT}};
  home.WriteStore("[Recorder]\nMidiDevice=1\n");
  WindowUnderTest dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) {
    ASSERT_EQ(dlg.m_hMidiOut, FakeMultimedia::HandleFor(1));
    ASSERT_EQ(mm.LiveEvents().size(), 1u);
    mm.Tick(mm.LiveEvents()[0]);
    EXPECT_EQ(port.Delivered(), 2);

    port.Vanish(GetParam().closeResult);
    for (int i = 0; i < 50; ++i) mm.Tick(mm.LiveEvents()[0]);
    KeyPress(w, Qt::Key_PageUp);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), "111.00");
    KeyPress(w, Qt::Key_Return);  // the sync click fails too
    ASSERT_EQ(mm.LiveEvents().size(), 1u);
    for (int i = 0; i < 10; ++i) mm.Tick(mm.LiveEvents()[0]);
    KeyPress(w, Qt::Key_0, Qt::KeypadModifier);
    EXPECT_THAT(mm.LiveEvents(), IsEmpty());
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), LoadStringResource(IDS_PAUSED));
    KeyPress(w, Qt::Key_Return);
    EXPECT_EQ(mm.LiveEvents().size(), 1u);
    QTest::mouseClick(w.control(IDC_TEMPO_DOWN), Qt::LeftButton);
    EXPECT_EQ(dlg.m_nTempo, 11000u);

    EXPECT_EQ(port.Delivered(), 2) << "nothing reaches a vanished port";
    EXPECT_EQ(port.Failed(), 2 * 50 + 1 + 2 * 10 + 1);
    EXPECT_THAT(boxes.Boxes(), IsEmpty()) << "a failed send is not reported";
    EXPECT_TRUE(IsRunning(dlg));
    QTest::mouseClick(w.control(IDOK), Qt::LeftButton);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(mm.IsOpen(FakeMultimedia::HandleFor(1)));
  EXPECT_THAT(mm.LiveEvents(), IsEmpty());
  if (GetParam().closeResult == MMSYSERR_NOERROR) {
    EXPECT_THAT(boxes.Boxes(), IsEmpty());
  } else {
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              FormatText(LoadStringResource(IDS_ERR_CLOSE).c_str(), GetParam().closeResult));
  }
  EXPECT_EQ(home.ReadStore(), "[Recorder]\nMidiDevice=1\n");
}

INSTANTIATE_TEST_SUITE_P(Closes, VanishedPortTest,
                         testing::Values(VanishCase{"Cleanly", MMSYSERR_NOERROR},
                                         VanishCase{"WithAnError", MIDIERR_NODEVICE}),
                         [](const testing::TestParamInfo<VanishCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
