// quorvane: the Quorvane application on an emulated handset.
//
// Modes, chosen by the options (docs/running.md):
//   (none)          the desktop window when there is a display, else the demo in the terminal;
//   --demo          the built-in demo, in the window when there is a display;
//   --headless      no window: the demo in the terminal;
//   --fast          the demo in virtual time, in the terminal, over at once;
//   --script FILE   run a scenario headless in virtual time and write its trace.
// main parses and checks the options, prepares what they name (root folder, songs, recording,
// trace file) and picks the mode.
#include <CLI/CLI.hpp>

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "host/demo/demo.h"
#include "host/programs/songs.h"
#include "host/scenario/commands.h"
#include "host/scenario/script_mode.h"
#include "host/sensors/replay.h"
#include "tools/acc_source.h"
#include "tools/quorvane_program.h"
#ifdef QV_HAS_DESKTOP
#include "host/desktop/desktop.h"
#include "host/render/control_view.h"
#include "host/screen/screen_renderer.h"
#endif

namespace {

constexpr int kUsageError = 2;

constexpr const char* kModes =
    "MODES\n"
    "  quorvane                the window when there is a display (DISPLAY or\n"
    "                          WAYLAND_DISPLAY), else the demo in the terminal\n"
    "  quorvane --demo         the built-in demo, in the window when there is a display\n"
    "  quorvane --headless     the demo in the terminal in real time; --fast: at once\n"
    "  quorvane --script FILE  a scenario script, headless, in virtual time (below)\n"
    "  The settings are ROOT/Program Files/Quorvane/config.ini (quorvane-ini reads and\n"
    "  changes them). Exit status: the application's own in the window (3 when no window\n"
    "  can be opened); 0 when the demo or a script ran to its end; 2 on a usage error, a\n"
    "  script error or a demo that went wrong. docs/running.md tells more.\n";

struct Options {
  std::optional<std::string> root;
  std::optional<std::string> workarea;
  std::optional<std::string> music;
  std::optional<std::string> acc;
  bool headless = false;
  bool demo = false;
  bool fast = false;
  std::optional<std::string> script;
  std::optional<std::string> trace;
  std::optional<std::string> screenshot;
};

// A mistake in the options, told as "quorvane: MESSAGE" with exit status 2.
struct UsageError {
  explicit UsageError(std::string text) : message(std::move(text)) {}
  std::string message;
};

void AddOptions(CLI::App& app, Options& o) {
  app.add_option("--root", o.root,
                 "Host folder that is the handset's \"\\\" (made when missing). Default: "
                 "$XDG_DATA_HOME/quorvane or ~/.local/share/quorvane; for --script a new "
                 "temporary folder, removed at the end.")
      ->type_name("DIR");
  app.add_option("--workarea", o.workarea,
                 "Size of the handset's work area in pixels, e.g. 480x720 (the default).")
      ->type_name("WxH");
  app.add_option("--music", o.music,
                 "The music player's songs: the audio files in DIR and its subfolders. Default: "
                 "a built-in list.")
      ->type_name("DIR");
  app.add_option("--acc", o.acc,
                 "The accelerometer: sim (arrow keys and tilt pad; the demo's own tilts), "
                 "replay:FILE (a CSV recording \"ms,x,y,z\", played in a loop), or iio / "
                 "iio:NAME (a real accelerometer of the kernel's IIO subsystem, the first or "
                 "the one of that name; docs/sensors.md). Default: sim.")
      ->type_name("sim|replay:FILE|iio[:NAME]");
  app.add_flag("--headless", o.headless,
               "No window, also with a display: the demo in the terminal.");
  app.add_flag("--demo", o.demo, "Run the built-in demo (in the window when there is a display).");
  app.add_flag("--fast", o.fast, "The demo in virtual time, in the terminal: over at once.");
  app.add_option("--script", o.script,
                 "Run the scenario script FILE headless in virtual time (see SCRIPTS below). "
                 "Exit status 0 when it ran to its end, 2 on a script error.")
      ->type_name("FILE");
  app.add_option("--trace", o.trace,
                 "Write the trace (JSON Lines, one event per line) to FILE. For --script the "
                 "default is standard output.")
      ->type_name("FILE");
  app.add_option("--screenshot", o.screenshot,
                 "With --script: save the handset's screen as a PNG image at the end.")
      ->type_name("OUT.png");
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// $XDG_DATA_HOME/quorvane, or ~/.local/share/quorvane.
std::string UserDataFolder() {
  const char* xdg = getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/quorvane";
  const char* home = getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home == nullptr || *home == '\0') {
    throw UsageError("no home folder to keep the settings in: give --root DIR");
  }
  return std::string(home) + "/.local/share/quorvane";
}

std::string MakeRoot(const std::optional<std::string>& given) {
  std::string root = given ? *given : UserDataFolder();
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error || !std::filesystem::is_directory(root, error)) {
    throw UsageError("cannot use " + root + " as the handset's root folder");
  }
  return root;
}

RECT WorkArea(const std::optional<std::string>& text) {
  RECT area{0, 0, 480, 720};
  if (!text) return area;
  std::size_t x = text->find('x');
  auto number = [&](std::string part) -> long {
    if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos) {
      return -1;
    }
    return std::stol(part);
  };
  long width = x == std::string::npos ? -1 : number(text->substr(0, x));
  long height = x == std::string::npos ? -1 : number(text->substr(x + 1));
  if (width < 1 || height < 1 || width > 4096 || height > 4096) {
    throw UsageError("--workarea " + *text + ": give WIDTHxHEIGHT, each 1 to 4096, e.g. 480x720");
  }
  area.right = static_cast<LONG>(width);
  area.bottom = static_cast<LONG>(height);
  return area;
}

std::vector<host::programs::Song> Songs(const std::optional<std::string>& music) {
  if (!music) return host::programs::BuiltInSongs();
  auto songs = host::programs::SongsInFolder(*music);
  if (auto* error = std::get_if<host::programs::SongListError>(&songs)) {
    throw UsageError("--music " + error->message);
  }
  return std::get<std::vector<host::programs::Song>>(std::move(songs));
}

// The recording of --acc replay:FILE, or nothing for sim and iio.
std::optional<host::sensors::Recording> Recording(const std::optional<std::string>& acc) {
  if (!acc || *acc == "sim" || tools::IioSelector(*acc)) return std::nullopt;
  std::optional<std::string> file = tools::ReplayFile(*acc);
  if (!file) throw UsageError("--acc " + *acc + ": give sim, replay:FILE, iio or iio:NAME");
  auto recording = tools::LoadReplay(*file);
  if (auto* error = std::get_if<std::string>(&recording)) throw UsageError(*error);
  return std::get<host::sensors::Recording>(std::move(recording));
}

// The real accelerometer of --acc iio[:NAME], or nothing for the other sources.
std::unique_ptr<host::sensors::IioSensor> Iio(const std::optional<std::string>& acc) {
  std::optional<std::string> selector = acc ? tools::IioSelector(*acc) : std::nullopt;
  if (!selector) return nullptr;
  auto opened = tools::OpenIioSensor(*selector, "quorvane", std::cerr);
  if (auto* error = std::get_if<std::string>(&opened)) throw UsageError(*error);
  return std::get<std::unique_ptr<host::sensors::IioSensor>>(std::move(opened));
}

void Refuse(bool given, const char* option, const char* reason) {
  if (given) throw UsageError(std::string(option) + " " + reason);
}

int RunScript(const Options& o) {
  Refuse(o.music.has_value(), "--music", "does not apply to --script (it has its own player)");
  Refuse(o.acc.has_value(), "--acc", "does not apply to --script (use its sample command)");
  Refuse(o.workarea.has_value(), "--workarea", "does not apply to --script (use its workarea command)");
  Refuse(o.demo, "--demo", "and --script exclude each other");
  Refuse(o.fast, "--fast", "applies to the demo, not to --script (scripts always run in virtual time)");
  host::scenario::ScriptModeOptions options;
  options.scriptPath = *o.script;
  options.root = o.root;
  options.tracePath = o.trace;
  options.screenshotPath = o.screenshot;
#ifdef QV_HAS_DESKTOP
  options.screenshooter = [](const std::string& path) {
    return host::screen::SaveScreenshot(host::CaptureScreen(), path);
  };
#endif
  return host::scenario::RunScriptMode(options, QuorvaneApplication(), std::cout, std::cerr);
}

int RunTerminalDemo(const Options& o) {
  host::demo::TerminalDemoOptions options;
  options.pace = o.fast ? host::demo::Pace::kFast : host::demo::Pace::kRealTime;
  options.songs = Songs(o.music);
  options.workArea = WorkArea(o.workarea);
  options.tracePath = o.trace;
  options.replay = Recording(o.acc);
  std::unique_ptr<host::sensors::IioSensor> iio = Iio(o.acc);
  options.sensor = iio.get();
  options.root = MakeRoot(o.root);
  return host::demo::RunTerminalDemo(options, QuorvaneApplication(), std::cout, std::cerr);
}

#ifdef QV_HAS_DESKTOP
int RunWindow(const Options& o) {
  host::desktop::DesktopOptions options;
  options.application = QuorvaneApplication();
  options.playlist = Songs(o.music);
  RECT area = WorkArea(o.workarea);
  options.prepare = [area](host::Handset& handset) { handset.set_work_area(area); };
  std::optional<host::sensors::ReplaySensor> replay;
  if (std::optional<host::sensors::Recording> recording = Recording(o.acc)) {
    replay.emplace(std::move(*recording));
    options.sensor = &*replay;
  }
  std::unique_ptr<host::sensors::IioSensor> iio = Iio(o.acc);
  if (iio) options.sensor = iio.get();
  options.root = MakeRoot(o.root);
  options.demo = o.demo;
  options.demoTimeline = &std::cout;
  std::ofstream traceFile;
  std::optional<host::JsonLinesTrace> trace;
  if (o.trace) {
    traceFile.open(*o.trace, std::ios::binary | std::ios::trunc);
    if (!traceFile) throw UsageError("cannot write the trace to " + *o.trace);
    trace.emplace(traceFile);
    options.trace = &*trace;
  }
  int status = host::desktop::RunDesktop(options, std::cerr);
  if (status == host::desktop::kExitNoWindow) {
    std::cerr << "quorvane: --headless runs the demo in the terminal instead\n";
  }
  return status;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Quorvane: change songs in the handset's music player by tilting the handset. Runs the "
      "application on an emulated handset: in a window on a desktop, else a demo in the "
      "terminal (docs/running.md).",
      "quorvane"};
  app.get_formatter()->column_width(30);
  Options options;
  AddOptions(app, options);
  app.footer(std::string("\n") + kModes + "\n" + host::scenario::ScriptLanguageHelp());

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;
  }

  try {
    if (options.script) return RunScript(options);
    Refuse(options.screenshot.has_value(), "--screenshot", "needs --script");
#ifdef QV_HAS_DESKTOP
    if (HasDisplay() && !options.headless && !options.fast) return RunWindow(options);
#endif
    return RunTerminalDemo(options);
  } catch (const UsageError& error) {
    std::cerr << "quorvane: " << error.message << '\n';
    return kUsageError;
  }
}
