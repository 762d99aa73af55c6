#include "host/scenario/script_mode.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <variant>

#include "host/crt/escaped.h"
#include "host/crt/text_file.h"
#include "host/kernel/clock.h"
#include "host/kernel/trace.h"

namespace host::scenario {
namespace {

namespace fs = std::filesystem;

// Scripts are short; this keeps a huge file or a device from exhausting memory.
constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;

// A folder that exists for the lifetime of the object: the given one (made when missing and
// kept), or a new temporary one (removed at the end).
class RootFolder {
 public:
  RootFolder(const RootFolder&) = delete;
  RootFolder& operator=(const RootFolder&) = delete;
  ~RootFolder() {
    std::error_code ignored;
    if (m_temporary) fs::remove_all(m_path, ignored);
  }

  // Null with a message in error when the folder cannot be made.
  static std::unique_ptr<RootFolder> Make(const std::optional<std::string>& given,
                                          std::string& error) {
    std::error_code code;
    if (given) {
      fs::create_directories(*given, code);
      if (code || !fs::is_directory(*given)) {
        error = "cannot use " + *given + " as the handset's root folder";
        return nullptr;
      }
      return std::unique_ptr<RootFolder>(new RootFolder(*given, false));
    }
    std::string pattern = (fs::temp_directory_path(code) / "quorvane-XXXXXX").string();
    if (code || mkdtemp(pattern.data()) == nullptr) {
      error = "cannot make a temporary folder for the handset's root";
      return nullptr;
    }
    return std::unique_ptr<RootFolder>(new RootFolder(pattern, true));
  }

  const std::string& path() const { return m_path; }

 private:
  RootFolder(std::string path, bool temporary) : m_path(std::move(path)), m_temporary(temporary) {}

  std::string m_path;
  bool m_temporary;
};

}  // namespace

int RunScriptMode(const ScriptModeOptions& options, const Application& application,
                  std::ostream& out, std::ostream& err) {
  const std::string& name = options.scriptPath;
  std::variant<std::string, TextFileError> text = ReadTextFile(name, kMaxScriptBytes);
  if (auto* error = std::get_if<TextFileError>(&text)) {
    err << Escaped(name) << ": the script " << error->message << '\n';
    return kExitScriptError;
  }
  ParseResult script = ParseScript(std::get<std::string>(text));
  if (script.error) {
    err << Escaped(name) << ':' << script.error->line << ": " << Escaped(script.error->message)
        << '\n';
    return kExitScriptError;
  }

  std::string problem;
  std::unique_ptr<RootFolder> root = RootFolder::Make(options.root, problem);
  if (root == nullptr) {
    err << "quorvane: " << problem << '\n';
    return kExitScriptError;
  }
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
