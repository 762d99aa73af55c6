// The window on a root where the service runs: the service hands the root over
// (host/service/root_handover.h) and the window runs on the service's own devices, so that it
// shows the same settings and handset and gestures go on working while it is open; when the
// window has closed, the service is started again and goes on with the settings saved there.
#pragma once

#include <memory>

#include "host/crt/result.h"
#include "host/service/root_handover.h"
#include "tools/mode.h"

namespace tools {

// When a service holds window's root: stops it, and gives window the accelerometer, motion
// stage, player and songs of the service's command line (with the options file, as the service
// read them). Null when nobody holds the root. The error says why the root cannot be had.
// REQUIRES: window.root is set.
host::Result<std::unique_ptr<host::service::ServicePause>> HandOverToWindow(Mode& window);

}  // namespace tools
