#pragma once
// The application object: runs the main window modally; the program ends with it.
#include "framework/win_app.h"

class CBpmCheckerApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};

extern CBpmCheckerApp theApp;
