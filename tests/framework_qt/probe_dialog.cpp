#include "probe_dialog.h"

BEGIN_MESSAGE_MAP(ProbeDialog, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_DESTROY()
  ON_WM_TIMER()
  ON_WM_LBUTTONDOWN()
  ON_WM_HSCROLL()
  ON_BN_CLICKED(IDC_START_BEAT, &ProbeDialog::OnStartBeat)
  ON_BN_CLICKED(IDC_SETTINGS, &ProbeDialog::OnSettings)
  ON_BN_CLICKED(IDC_MORE_SOFTWARE, &ProbeDialog::OnMoreSoftwareClicked)
  ON_BN_DOUBLECLICKED(IDC_MORE_SOFTWARE, &ProbeDialog::OnMoreSoftwareDoubleClicked)
END_MESSAGE_MAP()
