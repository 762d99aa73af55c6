#include "app/acc_app.h"

CAccApp::CAccApp() = default;
CAccApp::~CAccApp() = default;

BOOL CAccApp::Init() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  RECT area = MzGetWorkArea();
  m_mainWnd.Create(area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr,
                   0, 0, 0);
  m_mainWnd.Show(true, true);
  m_mainWnd.SetShellHomekeyReturnValue(3);
  return 1;
}
