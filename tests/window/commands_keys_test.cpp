// What the real main window does with each input: buttons, keys, mouse, menu.
#include <QTimer>
#include <functional>

#include "framework/dialog.h"
#include "running_window.h"
#include "res/web_address.h"

namespace {

using testing::ElementsAre;

const char kMark[] = "(before)";

// Starts the window and ends the splash, so inputs meet the running state.
class CommandsTest : public RunningWindowTest {
 protected:
  template <class Body>
  void Run(Body body) {
    TestMainWindow dlg;
    RunModal(dlg, [&](DialogWindow& w) {
      dlg.OnTimer(IDT_SPLASH);
      mm.ClearLog();
      body(dlg, w);
    });
  }

  static void MarkTexts(TestMainWindow& dlg) {
    dlg.m_wndHint.SetWindowText(kMark);
    dlg.m_wndStatus.SetWindowText(kMark);
    dlg.m_wndDisplay.SetWindowText(kMark);
  }
};

enum class Shown { Mark, Empty, Tempo, Prompt, Paused, HintTempo, HintClick, HintWeb };

std::string Expected(Shown what, const TestMainWindow& dlg) {
  switch (what) {
    case Shown::Mark: return kMark;
    case Shown::Empty: return "";
    case Shown::Tempo: return TempoToText(dlg.m_nTempo);
    case Shown::Prompt: return LoadStringResource(IDS_SYNC_PROMPT);
    case Shown::Paused: return LoadStringResource(IDS_PAUSED);
    case Shown::HintTempo: return LoadStringResource(IDS_HINT_TEMPO);
    case Shown::HintClick: return LoadStringResource(IDS_HINT_CLICK);
    case Shown::HintWeb: return LoadStringResource(IDS_HINT_WEBSITE);
  }
  return {};
}

struct InputCase {
  const char* name;
  UINT startTempo;
  bool stopped;  // the click is stopped before the input
  std::function<void(DialogWindow&)> input;
  UINT tempo;  // after the input
  Shown hint, status, display;
  bool running;  // a click runs after the input
};

void Key(DialogWindow& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, key, mods);
}
void Press(DialogWindow& w, int id, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::mouseClick(w.control(id), Qt::LeftButton, mods);
}
void PressAt(DialogWindow& w, int id) {
  QWidget* c = w.control(id);
  QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, c->mapTo(&w, QPoint(3, 3)));
}

const auto kShift = Qt::ShiftModifier;

const InputCase kInputs[] = {
    {"PageUp", 11000, false, [](auto& w) { Key(w, Qt::Key_PageUp); }, 11100, Shown::Mark,
     Shown::Prompt, Shown::Tempo, true},
    {"ShiftPageUp", 11000, false, [](auto& w) { Key(w, Qt::Key_PageUp, kShift); }, 11001,
     Shown::Mark, Shown::Prompt, Shown::Tempo, true},
    {"PageDown", 11000, false, [](auto& w) { Key(w, Qt::Key_PageDown); }, 10900, Shown::Mark,
     Shown::Prompt, Shown::Tempo, true},
    {"ShiftPageDown", 11000, false, [](auto& w) { Key(w, Qt::Key_PageDown, kShift); }, 10999,
     Shown::Mark, Shown::Prompt, Shown::Tempo, true},
    {"UpButton", 11000, false, [](auto& w) { Press(w, IDC_TEMPO_UP); }, 11100, Shown::HintTempo,
     Shown::Prompt, Shown::Tempo, true},
    {"ShiftUpButton", 11000, false, [](auto& w) { Press(w, IDC_TEMPO_UP, kShift); }, 11001,
     Shown::HintTempo, Shown::Prompt, Shown::Tempo, true},
    {"DownButton", 11000, false, [](auto& w) { Press(w, IDC_TEMPO_DOWN); }, 10900,
     Shown::HintTempo, Shown::Prompt, Shown::Tempo, true},
    {"ShiftDownButton", 11000, false, [](auto& w) { Press(w, IDC_TEMPO_DOWN, kShift); }, 10999,
     Shown::HintTempo, Shown::Prompt, Shown::Tempo, true},
    {"PageUpAtTop", 30000, false, [](auto& w) { Key(w, Qt::Key_PageUp); }, 30000, Shown::Mark,
     Shown::Prompt, Shown::Tempo, true},
    {"ShiftPageUpAtTop", 30000, false, [](auto& w) { Key(w, Qt::Key_PageUp, kShift); }, 30000,
     Shown::Mark, Shown::Prompt, Shown::Tempo, true},
    {"UpButtonAtTop", 30000, false, [](auto& w) { Press(w, IDC_TEMPO_UP); }, 30000,
     Shown::HintTempo, Shown::Prompt, Shown::Tempo, true},
    {"PageDownAtBottom", 5000, false, [](auto& w) { Key(w, Qt::Key_PageDown); }, 5000,
     Shown::Mark, Shown::Prompt, Shown::Tempo, true},
    {"ShiftDownButtonAtBottom", 5000, false,
     [](auto& w) { Press(w, IDC_TEMPO_DOWN, kShift); }, 5000, Shown::HintTempo, Shown::Prompt,
     Shown::Tempo, true},
    {"Enter", 11000, false, [](auto& w) { Key(w, Qt::Key_Return); }, 11000, Shown::HintClick,
     Shown::Empty, Shown::Mark, true},
    {"KeypadEnter", 11000, false, [](auto& w) { Key(w, Qt::Key_Enter, Qt::KeypadModifier); },
     11000, Shown::HintClick, Shown::Empty, Shown::Mark, true},
    {"EnterWhileStopped", 11000, true, [](auto& w) { Key(w, Qt::Key_Return); }, 11000,
     Shown::HintClick, Shown::Empty, Shown::Mark, true},
    {"StartBeat", 11000, false, [](auto& w) { Press(w, IDC_START_BEAT); }, 11000,
     Shown::HintClick, Shown::Empty, Shown::Mark, true},
    {"Keypad0", 11000, false, [](auto& w) { Key(w, Qt::Key_0, Qt::KeypadModifier); }, 11000,
     Shown::HintClick, Shown::Paused, Shown::Mark, false},
    {"Keypad0WhileStopped", 11000, true,
     [](auto& w) { Key(w, Qt::Key_0, Qt::KeypadModifier); }, 11000, Shown::Mark, Shown::Mark,
     Shown::Mark, false},
    {"PlainDigit0", 11000, false, [](auto& w) { Key(w, Qt::Key_0); }, 11000, Shown::Mark,
     Shown::Mark, Shown::Mark, true},
    {"PressOnBackground", 11000, false,
     [](auto& w) {
       QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                         QPoint(w.width() - 2, w.height() - 2));
     },
     11000, Shown::HintWeb, Shown::Mark, Shown::Mark, true},
    {"PressOnDisplay", 11000, false, [](auto& w) { PressAt(w, IDC_DISPLAY); }, 11000,
     Shown::HintWeb, Shown::Mark, Shown::Mark, true},
    {"PressOnHint", 11000, false, [](auto& w) { PressAt(w, IDC_HINT); }, 11000, Shown::HintWeb,
     Shown::Mark, Shown::Mark, true},
    {"PressOnFrame", 11000, false, [](auto& w) { PressAt(w, IDC_HINT_FRAME); }, 11000,
     Shown::HintWeb, Shown::Mark, Shown::Mark, true},
    {"PressOnButtonWithoutClick", 11000, false,
     [](auto& w) {
       QTest::mousePress(w.control(IDC_SETTINGS), Qt::LeftButton);
       QTest::mouseRelease(w.control(IDC_SETTINGS), Qt::LeftButton, {}, QPoint(-50, -50));
     },
     11000, Shown::Mark, Shown::Mark, Shown::Mark, true},
};

class InputTableTest : public CommandsTest, public testing::WithParamInterface<InputCase> {};

TEST_P(InputTableTest, ChangesWhatTheInputTableSays) {
  const InputCase& c = GetParam();
  Run([&](TestMainWindow& dlg, DialogWindow& w) {
    dlg.m_nTempo = c.startTempo;
    if (c.stopped) {
      Key(w, Qt::Key_0, Qt::KeypadModifier);
      ASSERT_EQ(dlg.m_nTimerEvent, 0u);
    }
    MarkTexts(dlg);
    c.input(w);
    EXPECT_EQ(dlg.m_nTempo, c.tempo);
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), Expected(c.hint, dlg));
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), Expected(c.status, dlg));
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), Expected(c.display, dlg));
    EXPECT_EQ(mm.LiveEvents().size(), c.running ? 1u : 0u);
    EXPECT_EQ(dlg.m_nTimerEvent != 0, c.running);
  });
}

INSTANTIATE_TEST_SUITE_P(Inputs, InputTableTest, testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

// The four keys act whichever control has the focus, and never press a button.
TEST_F(CommandsTest, KeysActWithTheFocusOnEveryButton) {
  for (int id : {IDC_TEMPO_UP, IDC_TEMPO_DOWN, IDC_START_BEAT, IDC_SETTINGS, IDOK,
                 IDC_MORE_SOFTWARE}) {
    SCOPED_TRACE(id);
    Run([&](TestMainWindow& dlg, DialogWindow& w) {
      w.control(id)->setFocus();
      ASSERT_TRUE(WaitFor([&] { return w.control(id)->hasFocus(); }));
      Key(w, Qt::Key_PageUp);
      Key(w, Qt::Key_PageDown, kShift);
      EXPECT_EQ(dlg.m_nTempo, 11099u);
      MarkTexts(dlg);
      Key(w, Qt::Key_Return);
      EXPECT_EQ(dlg.m_wndHint.GetWindowText(), Expected(Shown::HintClick, dlg));
      EXPECT_THAT(mm.Sent(), ElementsAre("short 0x007F2599"));
      Key(w, Qt::Key_0, Qt::KeypadModifier);
      EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), Expected(Shown::Paused, dlg));
      EXPECT_TRUE(IsRunning(dlg)) << "Enter must not close the window";
      EXPECT_TRUE(opened.empty());
    });
  }
}

TEST_F(CommandsTest, EscapeClosesTheWindow) {
  TestMainWindow dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) { Key(w, Qt::Key_Escape); });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(CommandsTest, CloseButtonEndsWithOk) {
  TestMainWindow dlg;
  EXPECT_EQ(RunModal(dlg, [&](DialogWindow& w) { Press(w, IDOK); }), IDOK);
}

TEST_F(CommandsTest, EveryAutoRepeatIsOneMoreStep) {
  Run([&](TestMainWindow& dlg, DialogWindow&) {
    MarkTexts(dlg);
    for (int i = 0; i < 5; ++i) {
      QTest::sendKeyEvent(QTest::KeyAction::Press, QApplication::focusWidget(), Qt::Key_PageUp,
                          QString(), Qt::NoModifier);
    }
    EXPECT_EQ(dlg.m_nTempo, 11500u);
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), kMark);
  });
}

TEST_F(CommandsTest, StopThenStepIsSilentUntilEnterStartsTheNewTempo) {
  Run([&](TestMainWindow& dlg, DialogWindow& w) {
    Key(w, Qt::Key_0, Qt::KeypadModifier);
    Key(w, Qt::Key_0, Qt::KeypadModifier);  // the second press changes nothing
    EXPECT_THAT(mm.Log(), ElementsAre("kill 1"));
    Key(w, Qt::Key_PageUp);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), "111.00");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), Expected(Shown::Prompt, dlg));
    EXPECT_THAT(mm.Log(), ElementsAre("kill 1"));  // silent: nothing sent or scheduled
    Key(w, Qt::Key_Return);
    EXPECT_THAT(mm.Log(), ElementsAre("kill 1", "short 0x007F2599",
                                      "set 6000000000000/11100 res 10 periodic"));
    EXPECT_EQ(dlg.m_nPeriod, 540u);
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), Expected(Shown::HintClick, dlg));
  });
}

TEST_F(CommandsTest, TempoStepsKeepTheRunningClick) {
  Run([&](TestMainWindow& dlg, DialogWindow& w) {
    for (int i = 0; i < 10; ++i) Key(w, Qt::Key_PageUp);
    EXPECT_EQ(dlg.m_nTempo, 12000u);
    EXPECT_EQ(dlg.m_nPeriod, 545u);
    EXPECT_TRUE(mm.Log().empty());
  });
}

// During the splash: steps show at once, Enter and keypad 0 leave the display.
TEST_F(RunningWindowTest, InputsDuringTheSplash) {
  TestMainWindow dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    Key(w, Qt::Key_Return);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), " MOSS ");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");
    Key(w, Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), LoadStringResource(IDS_PAUSED));
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), LoadStringResource(IDS_HINT_CLICK));
    dlg.OnTimer(IDT_SPLASH);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), "110.00");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");
    EXPECT_TRUE(mm.LiveEvents().empty()) << "the click stays stopped";
  });
  TestMainWindow second;
  RunModal(second, [&](DialogWindow& w) {
    Key(w, Qt::Key_PageDown, kShift);
    EXPECT_EQ(second.m_wndDisplay.GetWindowText(), "109.99");
    EXPECT_EQ(second.m_wndStatus.GetWindowText(), LoadStringResource(IDS_SYNC_PROMPT));
    second.OnTimer(IDT_SPLASH);
    EXPECT_EQ(second.m_wndDisplay.GetWindowText(), "109.99");
    EXPECT_EQ(second.m_wndStatus.GetWindowText(), "");
  });
}

TEST_F(RunningWindowTest, UnavailableModeIgnoresTheFourKeysButNotTheRest) {
  mm.devices[0].openResult = MMSYSERR_ALLOCATED;
  TestMainWindow dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) {
    dlg.OnTimer(IDT_SPLASH);
    mm.ClearLog();
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown}) Key(w, key);
    Key(w, Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(dlg.m_nTempo, 11000u);
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), "110.00");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "");
    // Enter is the dialog's own again: it presses the focused button (Settings,
    // the first one still enabled) instead of syncing.
    UINT settingsTemplate = 0;
    QTimer::singleShot(50, [&] {
      CDialog* top = CDialog::ModalStack().back();
      settingsTemplate = top->GetTemplateId();
      top->EndDialog(IDCANCEL);
    });
    Key(w, Qt::Key_Return);
    EXPECT_EQ(settingsTemplate, IDD_SETTINGS);
    EXPECT_TRUE(mm.Sent().empty());
    EXPECT_EQ(mm.LiveEvents(), std::vector<UINT>{1});
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), LoadStringResource(IDS_HINT_INTRO));
    Press(w, IDC_MORE_SOFTWARE);
    EXPECT_EQ(opened.size(), 1u);
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, QPoint(w.width() - 2, 2));
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), LoadStringResource(IDS_HINT_WEBSITE));
    Key(w, Qt::Key_Escape);
  });
  EXPECT_EQ(result, IDCANCEL);
}

// The Settings button and the About item open the same dialog.
TEST_F(CommandsTest, SettingsButtonAndAboutItemOpenTheSameDialog) {
  std::vector<UINT> opened_templates;
  auto closeNextDialog = [&] {
    QTimer::singleShot(50, [&] {
      CDialog* top = CDialog::ModalStack().back();
      opened_templates.push_back(top->GetTemplateId());
      top->EndDialog(IDCANCEL);
    });
  };
  Run([&](TestMainWindow& dlg, DialogWindow& w) {
    closeNextDialog();
    Press(w, IDC_SETTINGS);
    closeNextDialog();
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    closeNextDialog();
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX | 0x000F, 0);  // the low four bits are ignored
    EXPECT_TRUE(IsRunning(dlg));
  });
  EXPECT_THAT(opened_templates, ElementsAre(IDD_SETTINGS, IDD_SETTINGS, IDD_SETTINGS));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CommandsTest, SystemMenuHasTheAboutItemAfterASeparatorAndCloseStillWorks) {
  TestMainWindow dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow&) {
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    const int n = menu->GetMenuItemCount();
    ASSERT_GE(n, 3);
    EXPECT_EQ(menu->GetMenuItemID(n - 2), 0u);
    EXPECT_EQ(menu->GetMenuItemID(n - 1), IDM_ABOUTBOX);
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(CommandsTest, MoreSoftwareOpensTheAddressOnEveryNotification) {
  Run([&](TestMainWindow& dlg, DialogWindow& w) {
    MarkTexts(dlg);
    Press(w, IDC_MORE_SOFTWARE);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_SOFTWARE, BN_DOUBLECLICKED), 0);
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), kMark);
  });
  EXPECT_THAT(opened, ElementsAre(kMakerWebAddress, kMakerWebAddress));
}

TEST_F(CommandsTest, FailingBrowserIsNotReported) {
  SetUrlOpener([](const char*) { return false; });
  Run([&](TestMainWindow&, DialogWindow& w) { Press(w, IDC_MORE_SOFTWARE); });
  EXPECT_TRUE(boxes.Boxes().empty());
}

}  // namespace
