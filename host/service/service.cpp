#include "host/service/service.h"

#include <signal.h>

#include "host/kernel/clock.h"
#include "host/service/signal_input.h"
#include "host/service/status_log.h"

namespace host::service {

int RunService(const launch::Application& app, std::ostream& out, std::ostream& err) {
  StatusLog log(out, err, app.trace);
  RealClock clock;
  Handset handset(clock, app.root);
  auto input = SignalInput::Open(handset);
  if (auto* error = std::get_if<std::string>(&input)) {
    err << "quorvane: " << *error << '\n';
    return kServiceFailed;
  }
  SignalInput& signals = *std::get<std::unique_ptr<SignalInput>>(input);
  handset.set_input(&signals);

  SimulatedAccelerometer atRest;
  launch::Application run = app;
  run.trace = &log;
  if (run.sensor == nullptr) run.sensor = &atRest;
  int code;
  {
    launch::Launcher launcher(handset, run);
    code = launcher.Run();
  }
  log.Finish();
  if (signals.stopped_by() != 0) {
    err << LocalTimeStamp() << "  stopped by "
        << (signals.stopped_by() == SIGTERM ? "SIGTERM" : "SIGINT") << '\n';
  }
  handset.set_input(nullptr);
  return code;
}

}  // namespace host::service
