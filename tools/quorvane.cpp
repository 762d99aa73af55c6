// quorvane: the Quorvane application on an emulated handset.
//
// Modes, chosen by the options (docs/running.md):
//   (none)          the desktop window when there is a display, else the demo in the terminal;
//   --demo          the built-in demo, in the window when there is a display;
//   --headless      no window: the demo in the terminal;
//   --fast          the demo in virtual time, in the terminal, over at once;
//   --script FILE   run a scenario headless in virtual time and write its trace;
//   --service       no window, in real time, until a stop signal (host/service/service.h).
// The options (with the user's quorvane.conf) are parsed and checked into a Mode
// (tools/mode.h), which tools/quorvane_modes.h carries out.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "host/kernel/ending_signals.h"
#include "tools/mode.h"
#include "tools/quorvane_modes.h"

namespace {

// A standard stream that is closed gets a stand-in, so that no file the run opens takes its
// number: standard input reads nothing (/dev/null), output fails (/dev/full) and is reported.
void OccupyStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int stand = open(fd == 0 ? "/dev/null" : "/dev/full", fd == 0 ? O_RDONLY : O_WRONLY);
    if (stand >= 0 && stand != fd) {
      dup2(stand, fd);
      close(stand);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // First, before any thread: the ending signals come through the handset's loop, and end the
  // run as a shutdown does (host/kernel/ending_signals.h). Output to a closed pipe fails with
  // EPIPE and is reported.
  host::BlockEndingSignals();
  signal(SIGPIPE, SIG_IGN);
  OccupyStandardStreams();
  tools::Environment env = tools::Environment::OfProcess();
#ifndef QV_HAS_DESKTOP
  env.display = false;  // this build opens no window: the demo runs in the terminal
#endif
  host::Result<tools::Mode> mode =
      tools::ParseMode(std::vector<std::string>(argv + 1, argv + argc), env);
  if (!mode) {
    std::cerr << "quorvane: " << mode.error().message() << '\n';
    return tools::kUsageError;
  }
  if (mode->kind == tools::Mode::Kind::kPrint) {
    // As any program's help: a reader that stops early (grep -q) is no failure.
    std::cout << mode->text;
    return 0;
  }
  host::Result<std::unique_ptr<host::EndingSignals>> signals = host::EndingSignals::Open();
  if (!signals) {
    std::cerr << "quorvane: " << signals.error().message() << '\n';
    return tools::kUsageError;
  }
  int status = tools::RunMode(*mode, **signals, std::cout, std::cerr);
  if (!std::cout.flush()) {
    std::cerr << "quorvane: cannot write to standard output\n";
    return tools::kUsageError;
  }
  return status;
}
