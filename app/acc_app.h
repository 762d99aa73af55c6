// The application object: holds the main window and creates it over the work area when the
// UI library's WinMain starts. Exactly one exists per process (see app/acc_main.h).
#pragma once

#include "app/acc_wnd.h"
#include "platform/mzfc.h"

class CAccApp : public CMzApp {
 public:
  CAccApp();
  // Destroys m_mainWnd (which saves the settings), then the base.
  ~CAccApp() override;

  // Creates the main window over the whole work area, shows it and returns 1, whatever the
  // creation gave.
  BOOL Init() override;

  CAccWnd m_mainWnd;
};
