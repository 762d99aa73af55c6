// The program's entry on the emulated handset: one call is one run of the program, from
// process start to process exit, on the current handset (its current process is the program's).
//
// A process of the handset runs in three stages, in this order:
//   1. static initialisation: the one application object CAccApp is constructed, hence the main
//      window and, last, its settings record, which finds and loads config.ini beside the
//      executable (the accelerometer layer's state is the process's own and starts fresh);
//   2. the UI library's WinMain with the entry's arguments, which calls CAccApp::Init and runs
//      the message loop until the quit message;
//   3. exit processing: the application object is destroyed, the settings record first, which
//      saves the settings once more; then the controls.
// The application object lives exactly as long as this call, so the program can be started
// again (one run after another, never two at once) in the same host process.
#pragma once

#include "platform/windows.h"

// Runs the program; returns WinMain's result, the process's exit code.
// REQUIRES: a current handset; no other run of the program is in progress.
int AccProgramMain(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow);
