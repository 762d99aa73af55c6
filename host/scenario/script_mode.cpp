#include "host/scenario/script_mode.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <variant>

#include "host/crt/escaped.h"
#include "host/crt/text_file.h"
#include "host/files/root_folder.h"
#include "host/kernel/clock.h"
#include "host/kernel/trace_output.h"

namespace host::scenario {
namespace {

namespace fs = std::filesystem;

// Scripts are short; this keeps a huge file or a device from exhausting memory.
constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;

}  // namespace

int RunScriptMode(const ScriptModeOptions& options, const launch::Executable& executable,
                  std::ostream& out, std::ostream& err) {
  const std::string& name = options.scriptPath;
  std::error_code code;
  if (fs::is_directory(name, code)) {
    err << Escaped(name) << ": a folder, not a script\n";
    return kExitScriptError;
  }
  Result<std::string> text = ReadTextFile(name, kMaxScriptBytes);
  if (!text) {
    err << Escaped(name) << ": the script " << text.error().message() << '\n';
    return kExitScriptError;
  }
  Result<std::vector<Command>> script = ParseScript(*text);
  if (!script) {
    err << Escaped(name) << ':' << script.error().line() << ": "
        << Escaped(script.error().message()) << '\n';
    return kExitScriptError;
  }

  Result<std::unique_ptr<RootFolder>> made = RootFolder::Make(options.root);
  if (!made) {
    err << "quorvane: " << made.error().message() << '\n';
    return kExitScriptError;
  }
  std::unique_ptr<RootFolder> root = std::move(*made);
  std::unique_ptr<TraceOutput> trace;
  EndingSignals* signals = options.signals;
  if (!OpenTraceOutput(options.tracePath, out, err, signals, trace)) {
    return signals != nullptr && signals->received() != 0 ? kExitOk : kExitScriptError;
  }
  // A signal before the start: nothing to run, nothing to save.
  if (signals != nullptr && signals->Take() != 0) return kExitOk;

  RunStatus status;
  {
    VirtualClock clock;
    Handset handset(clock, root->path());
    if (trace != nullptr) handset.set_trace(&trace->trace());
    Runner runner(handset, *std::move(script), name, executable, err);
    runner.set_screenshooter(options.screenshooter);
    if (options.screenshotPath) runner.set_final_screenshot(*options.screenshotPath);
    std::optional<SignalStop> stop;
    if (signals != nullptr) stop.emplace(handset, *signals, runner);
    status = runner.Run();
  }
  if (!FinishTraceOutput(trace.get(), err)) return kExitScriptError;
  return status == RunStatus::kCompleted ? kExitOk : kExitScriptError;
}

}  // namespace host::scenario
