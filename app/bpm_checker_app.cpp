#include "app/bpm_checker_app.h"

#include "ui/bpm_checker_dlg.h"

CBpmCheckerApp theApp;

BOOL CBpmCheckerApp::InitInstance() {
  // Qt draws the three-dimensional control look itself: nothing to enable.
  SetRegistryKey("Nodrek");
  CBpmCheckerDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  // No message loop of our own: the program ends with the window.
  return FALSE;
}
