#include "host/service/service.h"

#include <signal.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include <nlohmann/json.hpp>

#include "host/kernel/clock.h"
#include "host/kernel/trace_output.h"
#include "host/programs/music_player.h"
#include "host/scenario/entry_program.h"
#include "host/service/signal_input.h"
#include "host/service/status_log.h"

namespace host::service {

int RunService(const ServiceOptions& options, const scenario::Application& application,
               std::ostream& out, std::ostream& err) {
  std::unique_ptr<TraceOutput> trace;
  if (!OpenTraceOutput(options.tracePath, out, err, OnEndingSignal::kLeave, trace)) {
    return kServiceFailed;
  }
  StatusLog log(out, err, trace != nullptr ? &trace->trace() : nullptr);

  RealClock clock;
  int code = 0;
  {
    Handset handset(clock, options.root);
    handset.set_work_area(options.workArea);
    auto input = SignalInput::Open(handset);
    if (auto* error = std::get_if<std::string>(&input)) {
      err << "quorvane: " << *error << '\n';
      return kServiceFailed;
    }
    SignalInput& signals = *std::get<std::unique_ptr<SignalInput>>(input);
    handset.set_input(&signals);
    handset.set_trace(&log);

    SimulatedAccelerometer atRest;
    AccelerometerDriver driver(options.sensor != nullptr ? *options.sensor : atRest);
    handset.RegisterDevice(kAccelerometerName, &driver);
    programs::MusicPlayerService player(handset, options.songs);
    if (options.installPlayer) options.installPlayer(handset);

    std::error_code ignored;
    std::filesystem::create_directories(
        std::filesystem::path(handset.HostPath(application.defaultExe)).parent_path(), ignored);
    std::unique_ptr<scenario::EntryProgram> program = application.make();
    scenario::EntryProgram* entry = program.get();
    DWORD pid = handset.StartProcess(application.defaultExe, std::move(program));
    // The entry has returned: the process's code, exit processing included, has ended.
    code = entry->exit_code().value_or(0);
    handset.Emit("exit", [&] { return TraceFields{{"code", code}}; });
    handset.EndProcess(pid);
    log.Finish();
    if (signals.stopped_by() != 0) {
      err << LocalTimeStamp() << "  stopped by " << (signals.stopped_by() == SIGTERM ? "SIGTERM" : "SIGINT")
          << '\n';
    }
    handset.set_input(nullptr);
    handset.set_trace(nullptr);
    handset.RegisterDevice(kAccelerometerName, nullptr);
  }
  if (!FinishTraceOutput(trace.get(), err)) return kServiceFailed;
  return code;
}

}  // namespace host::service
