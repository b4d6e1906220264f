// Key pre-translation: what the dialog's PreTranslateMessage answers decides
// whether Qt's own dialog keyboard handling sees the key.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "framework/keys.h"
#include "probe_dialog.h"
#include "qt_environment.h"

namespace {

using KeyPolicy = ProbeDialog::KeyPolicy;

TEST(VirtualKeys, FromQtKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    int vk;
  };
  for (const Case& c : {
           Case{Qt::Key_Return, {}, VK_RETURN},
           Case{Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN},
           Case{Qt::Key_PageUp, {}, VK_PRIOR},
           Case{Qt::Key_PageDown, Qt::ShiftModifier, VK_NEXT},
           Case{Qt::Key_0, Qt::KeypadModifier, VK_NUMPAD0},
           Case{Qt::Key_7, Qt::KeypadModifier, VK_NUMPAD0 + 7},
           Case{Qt::Key_0, {}, '0'},
           Case{Qt::Key_Insert, Qt::KeypadModifier, VK_INSERT},
           Case{Qt::Key_Escape, {}, VK_ESCAPE},
           Case{Qt::Key_Tab, {}, VK_TAB},
           Case{Qt::Key_Backtab, Qt::ShiftModifier, VK_TAB},
           Case{Qt::Key_Space, {}, VK_SPACE},
           Case{Qt::Key_B, Qt::AltModifier, 'B'},
           Case{Qt::Key_Shift, Qt::ShiftModifier, VK_SHIFT},
           Case{Qt::Key_F4, {}, VK_F1 + 3},
           Case{Qt::Key_Plus, Qt::KeypadModifier, VK_ADD},
           Case{Qt::Key_Plus, {}, 0},
       }) {
    EXPECT_EQ(VirtualKeyFromQt(c.key, c.mods), c.vk) << "Qt key " << c.key;
  }
}

QPushButton* Button(DialogWindow& w, int id) { return dynamic_cast<QPushButton*>(w.control(id)); }

struct EnterCase {
  const char* name;
  KeyPolicy policy;
  bool closes;  // Enter on the focused Close button presses it
};

class EnterOnFocusedButton : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterOnFocusedButton, PressesItOnlyWhenTheBaseWasAsked) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  dlg.keyPolicy[VK_RETURN] = GetParam().policy;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) {
    Button(w, IDOK)->setFocus();
    QTest::keyClick(Button(w, IDOK), Qt::Key_Return);
    QTest::keyClick(Button(w, IDOK), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(20);
  });
  EXPECT_EQ(result, GetParam().closes ? IDOK : kEndedByTest);
  ASSERT_FALSE(dlg.keyMessages.empty());
  EXPECT_EQ(dlg.keyMessages[0].message, WM_KEYDOWN);
  EXPECT_EQ(dlg.keyMessages[0].wParam, static_cast<WPARAM>(VK_RETURN));
}

INSTANTIATE_TEST_SUITE_P(Policies, EnterOnFocusedButton,
                         ::testing::Values(EnterCase{"True", KeyPolicy::ReturnTrue, false},
                                           EnterCase{"FalseWithoutBase",
                                                     KeyPolicy::ReturnFalseWithoutBase, false},
                                           EnterCase{"FalseAfterBase", KeyPolicy::CallBase, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct KeyCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers mods;
  int vk;
  KeyPolicy policy;
  bool ordinaryEffect;  // the dialog's own keyboard handling acted
};

class OrdinaryKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(OrdinaryKeys, ActOnlyAfterTheBase) {
  const KeyCase& c = GetParam();
  ProbeDialog dlg(IDD_BPM_DIALOG);
  dlg.keyPolicy[c.vk] = c.policy;
  bool acted = false;
  RunModal(dlg, [&](DialogWindow& w) {
    QWidget* start = Button(w, IDC_START_BEAT);
    start->setFocus();
    QTest::keyClick(start, c.key, c.mods);
    QTest::qWait(250);  // mnemonics click after a short animation
    switch (c.key) {
      case Qt::Key_Escape:
        acted = !IsRunning(dlg);
        break;
      case Qt::Key_Tab:
        acted = w.focusWidget() != start;
        break;
      case Qt::Key_Space:
        acted = dlg.Count("click:1001") == 1;
        break;
      default:  // a mnemonic: Alt+S presses Settings
        acted = dlg.Count("click:1009") == 1;
        break;
    }
  });
  EXPECT_EQ(acted, c.ordinaryEffect);
  ASSERT_FALSE(dlg.keyMessages.empty());
  EXPECT_EQ(dlg.keyMessages.back().wParam, static_cast<WPARAM>(c.vk));
}

INSTANTIATE_TEST_SUITE_P(
    Policies, OrdinaryKeys,
    ::testing::Values(
        KeyCase{"EscapeBase", Qt::Key_Escape, {}, VK_ESCAPE, KeyPolicy::CallBase, true},
        KeyCase{"EscapeTrue", Qt::Key_Escape, {}, VK_ESCAPE, KeyPolicy::ReturnTrue, false},
        KeyCase{"EscapeFalse", Qt::Key_Escape, {}, VK_ESCAPE, KeyPolicy::ReturnFalseWithoutBase,
                false},
        KeyCase{"TabBase", Qt::Key_Tab, {}, VK_TAB, KeyPolicy::CallBase, true},
        KeyCase{"TabFalse", Qt::Key_Tab, {}, VK_TAB, KeyPolicy::ReturnFalseWithoutBase, false},
        KeyCase{"SpaceBase", Qt::Key_Space, {}, VK_SPACE, KeyPolicy::CallBase, true},
        KeyCase{"SpaceTrue", Qt::Key_Space, {}, VK_SPACE, KeyPolicy::ReturnTrue, false},
        KeyCase{"MnemonicBase", Qt::Key_S, Qt::AltModifier, 'S', KeyPolicy::CallBase, true},
        KeyCase{"MnemonicTrue", Qt::Key_S, Qt::AltModifier, 'S', KeyPolicy::ReturnTrue, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PreTranslate, MessagesCarryCodesAndRepeats) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  dlg.keyPolicy[VK_PRIOR] = KeyPolicy::ReturnFalseWithoutBase;
  dlg.keyPolicy[VK_NUMPAD0] = KeyPolicy::ReturnFalseWithoutBase;
  RunModal(dlg, [&](DialogWindow& w) {
    QWidget* focus = Button(w, IDC_SETTINGS);
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_0, Qt::KeypadModifier);
    // A held key: one press and two automatic repeats.
    QTest::simulateEvent(focus, true, Qt::Key_PageUp, {}, QString(), false, -1);
    QTest::simulateEvent(focus, true, Qt::Key_PageUp, {}, QString(), true, -1);
    QTest::simulateEvent(focus, true, Qt::Key_PageUp, {}, QString(), true, -1);
    QTest::simulateEvent(focus, false, Qt::Key_PageUp, {}, QString(), false, -1);
    QTest::keyClick(focus, Qt::Key_S, Qt::AltModifier);
    QTest::qWait(250);
    EXPECT_EQ(dlg.keyMessages.back().hwnd, focus);
  });
  ASSERT_EQ(dlg.keyMessages.size(), 6u);  // keypad 0, three Page Up, Alt, Alt+S
  EXPECT_EQ(dlg.keyMessages[0].message, WM_KEYDOWN);
  EXPECT_EQ(dlg.keyMessages[0].wParam, static_cast<WPARAM>(VK_NUMPAD0));
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(dlg.keyMessages[i].message, WM_KEYDOWN);
    EXPECT_EQ(dlg.keyMessages[i].wParam, static_cast<WPARAM>(VK_PRIOR));
    EXPECT_EQ((dlg.keyMessages[i].lParam >> 30) & 1, i == 1 ? 0 : 1) << "press " << i;
  }
  EXPECT_EQ(dlg.keyMessages[5].message, WM_SYSKEYDOWN);
  EXPECT_EQ(dlg.keyMessages[5].wParam, static_cast<WPARAM>('S'));
  EXPECT_EQ(dlg.Count("click:1009"), 1);
}

TEST(KeyState, ShiftAsOfTheKeyBeingHandled) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  dlg.keyPolicy[VK_PRIOR] = KeyPolicy::ReturnTrue;
  RunModal(dlg, [&](DialogWindow& w) {
    QWidget* focus = Button(w, IDC_SETTINGS);
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_PageUp, Qt::ShiftModifier);
    QTest::keyClick(focus, Qt::Key_PageUp);
  });
  std::vector<SHORT> atPageUp;
  for (std::size_t i = 0; i < dlg.keyMessages.size(); ++i) {
    if (dlg.keyMessages[i].wParam == static_cast<WPARAM>(VK_PRIOR)) atPageUp.push_back(dlg.shiftStates[i]);
  }
  ASSERT_EQ(atPageUp.size(), 2u);
  EXPECT_LT(atPageUp[0], 0);
  EXPECT_GE(atPageUp[1], 0);
}

TEST(KeyState, ShiftAsOfTheButtonClickBeingHandled) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow& w) {
    const QPoint at = Button(w, IDC_START_BEAT)->geometry().center();
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::ShiftModifier, at);
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at + QPoint(1, 0));
  });
  ASSERT_EQ(dlg.shiftStates.size(), 2u);
  EXPECT_LT(dlg.shiftStates[0], 0);
  EXPECT_GE(dlg.shiftStates[1], 0);
}

}  // namespace
