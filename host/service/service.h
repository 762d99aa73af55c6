// The service mode: the application on the emulated handset in real time, with no window, until
// SIGTERM or SIGINT ends it as the handset's shutdown does (WM_QUIT, exit processing, the
// settings saved). Made to run in the background from login (a systemd user unit): the
// status line's changes go to out and the system debug output to err, one line each with a
// time stamp (host/service/status_log.h).
//
//   host::service::ServiceOptions options;
//   options.root = "/home/me/.local/share/quorvane";
//   return host::service::RunService(options, QuorvaneApplication(), std::cout, std::cerr);
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/kernel/handset.h"
#include "host/programs/songs.h"
#include "host/scenario/runner.h"

namespace host::service {

struct ServiceOptions {
  // The host folder that is the handset's "\". REQUIRES: it exists.
  std::string root;
  // The back-end of "ACC0:"; null: a simulated accelerometer at rest.
  AccelerometerSensor* sensor = nullptr;
  // The built-in player's songs.
  std::vector<programs::Song> songs = programs::BuiltInSongs();
  // Called after the built-in player is installed, to put another player in its place.
  std::function<void(Handset&)> installPlayer;
  // The whole trace as JSON Lines, "t" the real milliseconds since the start; none when not
  // given.
  std::optional<std::string> tracePath;
  RECT workArea{0, 0, 480, 720};
};

inline constexpr int kServiceFailed = 2;

// Runs the application until its process ends: after a stop signal, or by itself. Returns its
// exit code (0 after a signal), or kServiceFailed when the trace file cannot be written or the
// signals cannot be waited for (told on err as "quorvane: ...").
// REQUIRES: no handset is current; no other thread runs yet.
int RunService(const ServiceOptions& options, const scenario::Application& application,
               std::ostream& out, std::ostream& err);

}  // namespace host::service
