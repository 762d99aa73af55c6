// quorvane: the Quorvane application on an emulated handset.
//
// Modes, chosen by the options:
//   --script FILE   run a scenario headless in virtual time and write its trace.
// Every mode's options are added by a function of its own below, and main picks the mode.
#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <string>

#include "host/scenario/commands.h"
#include "host/scenario/script_mode.h"
#include "tools/quorvane_program.h"

namespace {

constexpr int kUsageError = 2;

// Options that apply to the handset whatever the mode.
struct HandsetOptions {
  std::optional<std::string> root;
  std::optional<std::string> trace;
};

struct ScriptOptions {
  std::optional<std::string> script;
};

void AddHandsetOptions(CLI::App& app, HandsetOptions& options) {
  app.add_option("--root", options.root,
                 "Host folder that is the handset's \"\\\" (made when missing). Default: a new "
                 "temporary folder, removed at the end.")
      ->type_name("DIR");
  app.add_option("--trace", options.trace,
                 "Write the trace (JSON Lines, one event per line) to FILE. Default: standard "
                 "output.")
      ->type_name("FILE");
}

void AddScriptOptions(CLI::App& app, ScriptOptions& options) {
  app.add_option("--script", options.script,
                 "Run the scenario script FILE headless in virtual time (see SCRIPTS below). "
                 "Exit status 0 when it ran to its end, 2 on a script error.")
      ->type_name("FILE");
}

int RunScript(const ScriptOptions& script, const HandsetOptions& handset) {
  host::scenario::ScriptModeOptions options;
  options.scriptPath = *script.script;
  options.root = handset.root;
  options.tracePath = handset.trace;
  return host::scenario::RunScriptMode(options, QuorvaneApplication(), std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Quorvane: change songs in the handset's music player by tilting the handset. Runs the "
      "application on an emulated handset.",
      "quorvane"};
  app.get_formatter()->column_width(24);
  HandsetOptions handset;
  ScriptOptions script;
  AddScriptOptions(app, script);
  AddHandsetOptions(app, handset);
  app.footer("\n" + host::scenario::ScriptLanguageHelp());

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;
  }

  if (script.script) return RunScript(script, handset);
  std::cerr << "quorvane: nothing to do: give --script FILE (see quorvane --help)\n";
  return kUsageError;
}
