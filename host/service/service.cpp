#include "host/service/service.h"

#include "host/kernel/ending_signals.h"
#include "host/service/signal_input.h"

namespace host::service {

int RunService(const launch::Application& app, StatusLog& log, std::ostream& err) {
  log.set_next(app.trace);
  SignalClock clock(app.signals);
  Handset handset(clock, app.root);
  Result<std::unique_ptr<SignalInput>> input = SignalInput::Open(handset, app.signals);
  if (!input) {
    err << "quorvane: " << input.error().message() << '\n';
    return kServiceFailed;
  }
  handset.set_input(input->get());

  SimulatedAccelerometer atRest;
  launch::Application run = app;
  run.trace = &log;
  if (run.sensor == nullptr) run.sensor = &atRest;
  run.report = [&log](const std::string& line) { log.Problem(line); };
  int code;
  {
    launch::Launcher launcher(handset, run);
    code = launcher.Run();
  }
  log.Finish();
  if (app.signals != nullptr && app.signals->received() != 0) {
    log.Problem(std::string("stopped by ") + EndingSignals::Name(app.signals->received()));
  }
  handset.set_input(nullptr);
  return code;
}

}  // namespace host::service
