#include "host/scenario/script_mode.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "host/files/root_folder.h"
#include "host/kernel/clock.h"
#include "host/kernel/trace.h"

namespace host::scenario {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

}  // namespace

int RunScriptMode(const ScriptModeOptions& options, const Application& application,
                  std::ostream& out, std::ostream& err) {
  const std::string& name = options.scriptPath;
  std::error_code code;
  if (fs::is_directory(name, code)) {
    err << name << ": a folder, not a script\n";
    return kExitScriptError;
  }
  std::optional<std::string> text = ReadFile(name);
  if (!text) {
    err << name << ": cannot read the script\n";
    return kExitScriptError;
  }
  ParseResult script = ParseScript(*text);
  if (script.error) {
    err << name << ':' << script.error->line << ": " << script.error->message << '\n';
    return kExitScriptError;
  }

  auto made = RootFolder::Make(options.root);
  if (auto* problem = std::get_if<std::string>(&made)) {
    err << "quorvane: " << *problem << '\n';
    return kExitScriptError;
  }
  std::unique_ptr<RootFolder> root = std::get<std::unique_ptr<RootFolder>>(std::move(made));
  std::ofstream traceFile;
  if (options.tracePath) {
    traceFile.open(*options.tracePath, std::ios::binary | std::ios::trunc);
    if (!traceFile) {
      err << "quorvane: cannot write the trace to " << *options.tracePath << '\n';
      return kExitScriptError;
    }
  }
  JsonLinesTrace trace(options.tracePath ? static_cast<std::ostream&>(traceFile) : out);

  RunStatus status;
  {
    VirtualClock clock;
    Handset handset(clock, root->path());
    handset.set_trace(&trace);
    Runner runner(handset, std::move(script.commands), name, application, err);
    runner.set_screenshooter(options.screenshooter);
    if (options.screenshotPath) runner.set_final_screenshot(*options.screenshotPath);
    status = runner.Run();
  }
  if (options.tracePath && !traceFile.flush()) {
    err << "quorvane: cannot write the trace to " << *options.tracePath << '\n';
    return kExitScriptError;
  }
  return status == RunStatus::kCompleted ? kExitOk : kExitScriptError;
}

}  // namespace host::scenario
