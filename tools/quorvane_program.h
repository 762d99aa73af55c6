// The Quorvane application as a program of the emulated handset: the glue between the host and
// the application's entry (app/acc_main.h). Starting it runs one whole process: static
// initialisation (the application object, its window and settings), WinMain with its message
// loop, and exit processing, which saves the settings a last time.
#pragma once

#include "host/launch/executable.h"

// Where the application is installed on the handset; config.ini lies beside it.
inline constexpr char16_t kQuorvaneExe[] = u"\\Program Files\\Quorvane\\Quorvane.exe";

class QuorvaneProgram final : public host::launch::EntryProgram {
 public:
  // The entry gets the process's instance handle, an empty command line and SW_SHOW.
  QuorvaneProgram();
};

// What a run starts: QuorvaneProgram at kQuorvaneExe (a script may name another path).
host::launch::Executable QuorvaneExecutable();
