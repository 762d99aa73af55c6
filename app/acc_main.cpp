#include "app/acc_main.h"

#include "app/acc_app.h"
#include "platform/mzfc.h"

int AccProgramMain(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow) {
  // Static initialisation of a new process.
  CAccApp theApp;
  // The result is taken before exit processing destroys theApp.
  return WinMain(hInstance, nullptr, lpCmdLine, nCmdShow);
}
