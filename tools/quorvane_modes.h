// Carrying out a Mode (tools/mode.h): what it names is made or opened (the root, the songs, the
// devices, the trace file), then the mode runs: the script runner, the demo in the terminal, the
// service, or the window.
#pragma once

#include <ostream>

#include "host/kernel/ending_signals.h"
#include "tools/mode.h"

namespace tools {

inline constexpr int kUsageError = 2;

// Runs mode; what it prints goes to out, problems to err as one line "quorvane: ...". Returns
// the exit status: the mode's own, or kUsageError when what the mode names cannot be used (a
// root already in use, a recording with a mistake, a trace file that cannot be written). An
// ending signal of signals ends the run as a shutdown does, with status 0 (told on err as
// "quorvane: stopped by SIGTERM"); one that comes before the application starts ends it with
// nothing run.
// REQUIRES: mode.kind is not Mode::Kind::kPrint; no handset is current.
int RunMode(const Mode& mode, host::EndingSignals& signals, std::ostream& out, std::ostream& err);

}  // namespace tools
