#pragma once
// The real main window on the fake multimedia services (Qt's offscreen
// platform), with its message boxes recorded and a private settings store;
// keys reach it the way the window system delivers them.
#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include "framework/dialog_window.h"
#include "framework/win_app.h"
#include "qt_environment.h"
#include "support/fake_multimedia.h"
#include "support/message_recorder.h"
#include "support/temp_config_home.h"
#include "ui/bpm_checker_dlg.h"

class WindowUnderTest : public CBpmCheckerDlg {
 public:
  using CBpmCheckerDlg::m_bMidiError;
  using CBpmCheckerDlg::m_hMidiOut;
  using CBpmCheckerDlg::m_nTempo;
  using CBpmCheckerDlg::m_nTimerEvent;
  using CBpmCheckerDlg::m_wndDisplay;
  using CBpmCheckerDlg::m_wndHint;
  using CBpmCheckerDlg::m_wndStatus;
};

class RunningWindowTest : public testing::Test {
 protected:
  RunningWindowTest() {
    app.SetRegistryKey("Nodrek");
    mm.devices = {{"Built-in Synth", MOD_SYNTH}};
  }

  FakeMultimedia mm;
  MessageRecorder boxes;
  TempConfigHome home;
  CWinApp app;
};

// One key-down through the window system's path (shortcut override, then the
// key press), as the X server delivers a press or an auto-repeat.
inline void KeyDown(DialogWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                    bool autoRepeat = false) {
  qt_handleKeyEvent(w.windowHandle(), QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
}

inline void KeyUp(DialogWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  qt_handleKeyEvent(w.windowHandle(), QEvent::KeyRelease, key, modifiers);
}

inline void KeyPress(DialogWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  KeyDown(w, key, modifiers);
  KeyUp(w, key, modifiers);
}

// A key held down for `count` key-downs: one press, then auto-repeats.
inline void HoldKey(DialogWindow& w, Qt::Key key, int count, Qt::KeyboardModifiers modifiers = {}) {
  for (int i = 0; i < count; ++i) KeyDown(w, key, modifiers, i > 0);
  KeyUp(w, key, modifiers);
}
