// Input storms against the real main window: keys held down for 1,500
// auto-repeats (30 s at 50 a second, without the waiting), 2,000 Enter presses
// queued at once, keypad 0 and Enter alternating. Not one key-down is lost or
// counted twice, exactly one periodic event is alive after a sync and none
// after a stop, and the window still works.

#include <gmock/gmock.h>

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

#include "framework/strings.h"
#include "metronome/tempo.h"
#include "running_window.h"
#include "support/process_threads.h"

namespace {

using testing::IsEmpty;

constexpr int kRepeats = 1500;
constexpr char kNoteOn37[] = "short 0x007F2599";

long Count(const std::vector<std::string>& log, const std::string& prefix) {
  return std::count_if(log.begin(), log.end(),
                       [&](const std::string& entry) { return entry.rfind(prefix, 0) == 0; });
}

bool SamePeriod(TimerPeriod a, TimerPeriod b) {
  return a.numeratorNs == b.numeratorNs && a.denominator == b.denominator;
}

using InputStormTest = RunningWindowTest;

TEST_F(InputStormTest, HeldKeysStepOncePerAutoRepeatUpToTheLimits) {
  WindowUnderTest dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    const int threads = ThreadsOfThisProcess();
    ASSERT_EQ(mm.LiveEvents().size(), 1u);
    const UINT event = mm.LiveEvents()[0];
    const std::string hint = dlg.m_wndHint.GetWindowText();

    struct Step {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      UINT tempo;  // after kRepeats key-downs
    };
    const Step steps[] = {
        {Qt::Key_PageDown, Qt::NoModifier, TEMPO_MIN},          // 110.00 down to 50.00
        {Qt::Key_PageUp, Qt::ShiftModifier, TEMPO_MIN + kRepeats},  // 65.00: every step counted
        {Qt::Key_PageUp, Qt::NoModifier, TEMPO_MAX},            // stops at 300.00
        {Qt::Key_PageDown, Qt::ShiftModifier, TEMPO_MAX - kRepeats},  // 285.00
    };
    for (const Step& step : steps) {
      HoldKey(w, step.key, kRepeats, step.modifiers);
      EXPECT_EQ(dlg.m_nTempo, step.tempo);
      EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), TempoToText(step.tempo));
    }
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), LoadStringResource(IDS_SYNC_PROMPT));
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), hint) << "Page Up and Down leave the hint alone";
    // Steps do not touch the running click.
    EXPECT_THAT(mm.LiveEvents(), testing::ElementsAre(event));
    EXPECT_THAT(mm.Sent(), IsEmpty());
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
    EXPECT_TRUE(IsRunning(dlg));
  });
  EXPECT_THAT(boxes.Boxes(), IsEmpty());
}

TEST_F(InputStormTest, EnterFloodLeavesOneEventAtTheNewTempo) {
  WindowUnderTest dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    const int threads = ThreadsOfThisProcess();
    HoldKey(w, Qt::Key_PageUp, kRepeats);
    ASSERT_EQ(dlg.m_nTempo, TEMPO_MAX);
    mm.ClearLog();

    // Queued all at once, delivered as fast as the loop runs.
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    for (int i = 0; i < 2000; ++i) {
      QApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
      QApplication::postEvent(focus, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
    }
    QApplication::processEvents();
    const auto log = mm.Log();
    EXPECT_EQ(Count(log, kNoteOn37), 2000) << "one sync click per Enter";
    EXPECT_EQ(Count(log, "set "), 2000);
    EXPECT_EQ(Count(log, "kill "), 2000);
    ASSERT_EQ(mm.LiveEvents().size(), 1u);
    const auto events = mm.Events();
    EXPECT_TRUE(SamePeriod(events.back().period, TempoToBeatLength(TEMPO_MAX)));
    EXPECT_EQ(events.back().user, reinterpret_cast<DWORD_PTR>(dlg.m_hMidiOut));
    EXPECT_TRUE(events.back().alive);
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), LoadStringResource(IDS_HINT_CLICK));
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");

    // The one live event still clicks.
    mm.ClearLog();
    mm.Tick(mm.LiveEvents()[0]);
    EXPECT_THAT(mm.Sent(), testing::ElementsAre("short 0x00002589", kNoteOn37));
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
    EXPECT_TRUE(IsRunning(dlg)) << "Enter never presses a button";
  });
  EXPECT_THAT(boxes.Boxes(), IsEmpty());
}

TEST_F(InputStormTest, KeypadZeroAndEnterAlternating) {
  WindowUnderTest dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    int stops = 0, starts = 0;
    for (int i = 0; i < 1000; ++i) {
      KeyPress(w, Qt::Key_0, Qt::KeypadModifier);
      stops += mm.LiveEvents().empty();
      KeyPress(w, Qt::Key_Return);
      starts += mm.LiveEvents().size() == 1;
    }
    EXPECT_EQ(stops, 1000);
    EXPECT_EQ(starts, 1000);
    ASSERT_EQ(mm.LiveEvents().size(), 1u);
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");

    // Stopped twice: the second press changes nothing.
    KeyPress(w, Qt::Key_0, Qt::KeypadModifier);
    mm.ClearLog();
    dlg.m_wndStatus.SetWindowText("marker");
    KeyPress(w, Qt::Key_0, Qt::KeypadModifier);
    EXPECT_THAT(mm.Log(), IsEmpty());
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "marker");
    EXPECT_THAT(mm.LiveEvents(), IsEmpty());
    EXPECT_EQ(dlg.m_nTimerEvent, 0u);

    // Still a working window: a tempo step, then Escape closes it.
    KeyPress(w, Qt::Key_PageUp);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), "111.00");
    KeyPress(w, Qt::Key_Escape);
    EXPECT_FALSE(IsRunning(dlg));
  });
  EXPECT_EQ(mm.Log().back(), "close");
  EXPECT_THAT(mm.LiveEvents(), IsEmpty());
  EXPECT_THAT(boxes.Boxes(), IsEmpty());
}

}  // namespace
