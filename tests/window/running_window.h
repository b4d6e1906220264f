#pragma once
// The real main window on the fake multimedia services, with its messages
// recorded, a private settings store and web addresses recorded instead of opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "framework/shell.h"
#include "framework/strings.h"
#include "framework/win_app.h"
#include "qt_environment.h"
#include "support/fake_multimedia.h"
#include "support/message_recorder.h"
#include "support/temp_config_home.h"
#include "ui/bpm_checker_dlg.h"

class TestMainWindow : public CBpmCheckerDlg {
 public:
  using CBpmCheckerDlg::m_bMidiError;
  using CBpmCheckerDlg::m_btnDown;
  using CBpmCheckerDlg::m_btnStart;
  using CBpmCheckerDlg::m_btnUp;
  using CBpmCheckerDlg::m_dwVolume;
  using CBpmCheckerDlg::m_nInstrument;
  using CBpmCheckerDlg::m_nMidiDevice;
  using CBpmCheckerDlg::m_nPeriod;
  using CBpmCheckerDlg::m_nTempo;
  using CBpmCheckerDlg::m_nTimerEvent;
  using CBpmCheckerDlg::m_pBkBrush;
  using CBpmCheckerDlg::m_pDisplayFont;
  using CBpmCheckerDlg::m_wndDisplay;
  using CBpmCheckerDlg::m_wndHint;
  using CBpmCheckerDlg::m_wndStatus;
  using CBpmCheckerDlg::OnTimer;
};

class RunningWindowTest : public testing::Test {
 protected:
  RunningWindowTest() {
    app.SetRegistryKey("Nodrek");
    mm.devices = {{"Built-in Synth", MOD_SYNTH}};
    previousOpener = SetUrlOpener([this](const char* url) {
      opened.push_back(url);
      return true;
    });
  }
  ~RunningWindowTest() override { SetUrlOpener(previousOpener); }

  static std::string Text(UINT id) { return LoadStringResource(id); }
  static QWidget* Control(DialogWindow& w, int id) { return w.control(id); }

  FakeMultimedia mm;
  MessageRecorder boxes;
  TempConfigHome home;
  CWinApp app;
  std::vector<std::string> opened;
  UrlOpener previousOpener;
};
