// The application object, WinMain and the work area.
#include "host/kernel/handset.h"
#include "host/ui/ui_registry.h"
#include "platform/mzfc.h"

CMzApp::CMzApp() { host::ui::RegisterApp(this); }

CMzApp::~CMzApp() { host::ui::UnregisterApp(this); }

BOOL CMzApp::Init() { return TRUE; }

int CMzApp::Run() {
  MSG msg{};
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 0;
    if (PreTranslateMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

BOOL CMzApp::Done() { return TRUE; }

BOOL CMzApp::PreTranslateMessage(MSG*) { return FALSE; }

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CMzApp* app = host::ui::CurrentApp();
  if (app == nullptr || !app->Init()) return 0;
  int code = app->Run();
  app->Done();
  return code;
}

RECT MzGetWorkArea() { return host::Handset::Current().work_area(); }
