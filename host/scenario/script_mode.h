// The script mode of the quorvane executable: read a script, run it on a fresh headless handset
// in virtual time, write the trace. The command-line front end (tools/quorvane.cpp) parses the
// options; the demo reuses the same pieces.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "host/kernel/ending_signals.h"
#include "host/scenario/runner.h"

namespace host::scenario {

struct ScriptModeOptions {
  std::string scriptPath;
  // The host folder that is the handset's "\"; a new temporary folder (removed afterwards)
  // when not given. It is created when missing, and locked against another quorvane for the
  // run (host/files/root_folder.h).
  std::optional<std::string> root;
  // Where the trace goes: a file, or out for "-"; none when not given.
  std::optional<std::string> tracePath;
  // Draws the screen into a PNG file for the screenshot command and screenshotPath.
  Runner::Screenshooter screenshooter;
  // Where to save the screen when the script has run to its end (before the application is
  // ended); none when not given.
  std::optional<std::string> screenshotPath;
  // The ending signals: one ends the script's run as a shutdown does, one before the start ends
  // it with kExitOk and nothing run (host/kernel/ending_signals.h). Null: none.
  EndingSignals* signals = nullptr;
};

// Exit statuses of the script mode.
inline constexpr int kExitOk = 0;
inline constexpr int kExitScriptError = 2;

// Runs the script. Errors and warnings go to err as "FILE:LINE: message". Returns kExitOk when
// the script ran to its end (or the application exited before it, also by an ending signal),
// kExitScriptError when the script is wrong or cannot be read, or the trace or root cannot be
// written.
int RunScriptMode(const ScriptModeOptions& options, const launch::Executable& executable,
                  std::ostream& out, std::ostream& err);

}  // namespace host::scenario
