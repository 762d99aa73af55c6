// The service mode: the application on the emulated handset in real time, with no window, until
// SIGTERM or SIGINT ends it as the handset's shutdown does (WM_QUIT, exit processing, the
// settings saved). Made to run in the background from login (a systemd user unit): the
// status line's changes and the flicks go to the log's out and the system debug output to its
// err, one line each (host/service/status_log.h).
//
//   launch::Application app;
//   app.executable = QuorvaneExecutable();
//   app.root = "/home/me/.local/share/quorvane";
//   StatusLog log(std::cout, std::cerr, nullptr, StatusLog::ServiceStamp());
//   return host::service::RunService(app, log, std::cerr);
#pragma once

#include <ostream>

#include "host/launch/launcher.h"
#include "host/service/status_log.h"

namespace host::service {

inline constexpr int kServiceFailed = 2;

// Runs the application (host/launch/launcher.h; app.sensor null: an accelerometer at rest)
// until its process ends: after a stop signal, or by itself. Returns its exit code (0 after a
// signal), 1 when its exit save failed, or kServiceFailed when the loop cannot wait (told on
// err as "quorvane: ..."). A failed save is told in the log, as is the signal that stopped
// it. The log gets the handset's trace; app.trace, when given, gets the whole trace behind it
// (log.set_next), "t" the real milliseconds since the start.
// REQUIRES: no handset is current; no other thread runs yet; log outlives the call.
int RunService(const launch::Application& app, StatusLog& log, std::ostream& err);

}  // namespace host::service
