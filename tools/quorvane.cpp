// quorvane: the Quorvane application on an emulated handset.
//
// Modes, chosen by the options (docs/running.md):
//   (none)          the desktop window when there is a display, else the demo in the terminal;
//   --demo          the built-in demo, in the window when there is a display;
//   --headless      no window: the demo in the terminal;
//   --fast          the demo in virtual time, in the terminal, over at once;
//   --script FILE   run a scenario headless in virtual time and write its trace;
//   --service       no window, in real time, until SIGTERM or SIGINT (host/service/service.h).
// main parses and checks the options (the host options also from the user's quorvane.conf),
// prepares what they name (root folder, songs, devices, trace file) and picks the mode.
#include <CLI/CLI.hpp>

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "host/demo/demo.h"
#include "host/files/root_folder.h"
#include "host/kernel/trace_output.h"
#include "host/programs/songs.h"
#include "host/scenario/commands.h"
#include "host/scenario/script_mode.h"
#include "host/service/service.h"
#include "host/service/signal_input.h"
#include "tools/host_options.h"
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
    "  quorvane --service      no window, in real time, until SIGTERM or SIGINT; the status\n"
    "                          line's changes on standard output (defaults: --acc iio\n"
    "                          --player mpris)\n"
    "  Options also come from $XDG_CONFIG_HOME/quorvane/quorvane.conf (~/.config/...),\n"
    "  lines such as  player = \"builtin\"  with the long options' names (root, music,\n"
    "  workarea, acc, player, player-command); the command line wins.\n"
    "  The settings are ROOT/Program Files/Quorvane/config.ini (quorvane-ini reads and\n"
    "  changes them). One quorvane at a time on a root. Exit status: the application's own\n"
    "  in the window and the service (3 when no window can be opened); 0 when the demo or a\n"
    "  script ran to its end; 2 on a usage error, a script error, a demo that went wrong or\n"
    "  output that could not be written. docs/running.md tells more.\n";

struct Options {
  std::optional<std::string> root;
  std::optional<std::string> workarea;
  std::optional<std::string> music;
  HostOptions host;
  bool service = false;
  bool headless = false;
  bool demo = false;
  bool fast = false;
  std::optional<std::string> script;
  std::optional<std::string> trace;
  std::optional<std::string> screenshot;
  std::optional<std::string> record;
  std::optional<std::string> lang;
};

// A mistake in the options, told as "quorvane: MESSAGE" with exit status 2.
struct UsageError {
  explicit UsageError(std::string text) : message(std::move(text)) {}
  std::string message;
};

void AddOptions(CLI::App& app, Options& o) {
  app.add_option("--root", o.root,
                 "Host folder that is the handset's \"\\\" (made when missing). Default: "
                 "$XDG_DATA_HOME/quorvane or ~/.local/share/quorvane; for --script and the "
                 "demo a new temporary folder, removed at the end.")
      ->type_name("DIR");
  app.add_option("--workarea", o.workarea,
                 "Size of the handset's work area in pixels, e.g. 480x720 (the default).")
      ->type_name("WxH");
  app.add_option("--music", o.music,
                 "The built-in music player's songs: the audio files in DIR and its subfolders. "
                 "Default: a built-in list.")
      ->type_name("DIR");
  AddHostOptions(app, o.host);
  app.add_flag("--service", o.service,
               "No window, in real time, until SIGTERM or SIGINT (a user service).")
      ->configurable(false);
  app.add_flag("--headless", o.headless,
               "No window, also with a display: the demo in the terminal.")
      ->configurable(false);
  app.add_flag("--demo", o.demo, "Run the built-in demo (in the window when there is a display).")
      ->configurable(false);
  app.add_flag("--fast", o.fast, "The demo in virtual time, in the terminal: over at once.")
      ->configurable(false);
  app.add_option("--script", o.script,
                 "Run the scenario script FILE headless in virtual time (see SCRIPTS below). "
                 "Exit status 0 when it ran to its end, 2 on a script error.")
      ->type_name("FILE")
      ->configurable(false);
  app.add_option("--trace", o.trace,
                 "Write the trace (JSON Lines, one event per line) to FILE; - is standard "
                 "output. Without it no trace is written.")
      ->type_name("FILE")
      ->configurable(false);
  app.add_option("--screenshot", o.screenshot,
                 "With --script: save the handset's screen as a PNG image at the end.")
      ->type_name("OUT.png")
      ->configurable(false);
  app.add_option("--record", o.record,
                 "In the window: record what the accelerometer's driver reads into FILE (100 rows "
                 "a second, ms,x,y,z); the keys N and P label the current row next and previous "
                 "(docs/motion.md).")
      ->type_name("FILE")
      ->configurable(false);
  app.add_option("--lang", o.lang,
                 "The language the window draws in: zh (Chinese) or en (English). Default: en "
                 "when the locale (LC_ALL, LC_MESSAGES, LANG) starts with \"en\", else zh; "
                 "screenshots of --script: zh.")
      ->type_name("en|zh")
      ->check(CLI::IsMember({"en", "zh"}));
}

#ifdef QV_HAS_DESKTOP
// The language of --lang; without it, with fromLocale the locale's, else Chinese.
host::screen::Language WindowLanguage(const Options& o, bool fromLocale) {
  host::screen::Language language = host::screen::Language::kChinese;
  if (o.lang) {
    host::screen::ParseLanguage(*o.lang, language);
  } else if (fromLocale) {
    language = host::screen::LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                              std::getenv("LANG"));
  }
  return language;
}
#endif

// The long options given on the command line itself (not from the configuration file).
std::set<std::string> GivenOptions(int argc, char** argv) {
  std::set<std::string> given;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg.substr(0, 2) == "--") given.insert(std::string(arg.substr(0, arg.find('='))));
  }
  return given;
}

// A standard stream that is closed gets a stand-in, so that no file the run opens takes its
// number: standard input reads nothing (/dev/null), output fails (/dev/full) and is reported.
void OccupyStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int stand = open(fd == 0 ? "/dev/null" : "/dev/full", fd == 0 ? O_RDONLY : O_WRONLY);
    if (stand >= 0 && stand != fd) {
      dup2(stand, fd);
      close(stand);
    }
  }
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The user's home folder, or empty.
std::string HomeFolder() {
  const char* home = getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return home != nullptr ? home : "";
}

// $XDG_DATA_HOME/quorvane, or ~/.local/share/quorvane.
std::string UserDataFolder() {
  const char* xdg = getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/quorvane";
  std::string home = HomeFolder();
  if (home.empty()) throw UsageError("no home folder to keep the settings in: give --root DIR");
  return home + "/.local/share/quorvane";
}

// $XDG_CONFIG_HOME/quorvane/quorvane.conf, or ~/.config/quorvane/quorvane.conf; empty when
// there is no home folder.
std::string UserConfigFile() {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/quorvane/quorvane.conf";
  std::string home = HomeFolder();
  return home.empty() ? "" : home + "/.config/quorvane/quorvane.conf";
}

// The root of the run: the given folder, else the user's data folder, or a temporary folder
// when temporaryByDefault. Locked against another quorvane while it lives.
std::unique_ptr<host::RootFolder> MakeRoot(const std::optional<std::string>& given,
                                           bool temporaryByDefault) {
  std::optional<std::string> path = given;
  if (!path && !temporaryByDefault) path = UserDataFolder();
  auto root = host::RootFolder::Make(path);
  if (auto* error = std::get_if<std::string>(&root)) throw UsageError(*error);
  return std::get<std::unique_ptr<host::RootFolder>>(std::move(root));
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

// The devices of the host options, or a usage error.
std::unique_ptr<HostDevices> Devices(const HostOptions& options, const HostDefaults& defaults) {
  auto devices = HostDevices::Open(options, defaults);
  if (auto* error = std::get_if<std::string>(&devices)) throw UsageError(*error);
  return std::get<std::unique_ptr<HostDevices>>(std::move(devices));
}

void Refuse(bool given, const char* option, const char* reason) {
  if (given) throw UsageError(std::string(option) + " " + reason);
}

// The same file, when both exist.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

// Options from the configuration file that a script does not use are left alone; given on the
// command line they are refused.
int RunScript(const Options& o, const std::set<std::string>& given) {
  Refuse(given.count("--music") > 0, "--music", "does not apply to --script (it has its own player)");
  Refuse(given.count("--acc") > 0, "--acc", "does not apply to --script (use its sample command)");
  Refuse(given.count("--player") + given.count("--player-command") > 0, "--player",
         "does not apply to --script (it has its own player)");
  Refuse(given.count("--workarea") > 0, "--workarea",
         "does not apply to --script (use its workarea command)");
  Refuse(o.demo, "--demo", "and --script exclude each other");
  Refuse(o.service, "--service", "and --script exclude each other");
  Refuse(o.trace && SameFile(*o.trace, *o.script), "--trace",
         "names the script itself: the trace would overwrite it");
  Refuse(o.fast, "--fast", "applies to the demo, not to --script (scripts always run in virtual time)");
  host::scenario::ScriptModeOptions options;
  options.scriptPath = *o.script;
  options.root = given.count("--root") > 0 ? o.root : std::nullopt;
  options.tracePath = o.trace;
  options.screenshotPath = o.screenshot;
#ifdef QV_HAS_DESKTOP
  // Screenshots stay Chinese unless --lang is given, so they do not depend on the locale.
  host::screen::ScreenRendererOptions screen;
  screen.language = WindowLanguage(o, false);
  options.screenshooter = [screen](const std::string& path) {
    return host::screen::SaveScreenshot(host::CaptureScreen(), path, screen);
  };
#endif
  return host::scenario::RunScriptMode(options, QuorvaneExecutable(), std::cout, std::cerr);
}

// The run of the window, the demo and the service: the application on the root, with the
// songs and devices of the options.
host::launch::Application ApplicationOf(const Options& o, const host::RootFolder& root,
                                        HostDevices& devices, host::TraceOutput* trace) {
  host::launch::Application app;
  app.executable = QuorvaneExecutable();
  app.root = root.path();
  app.workArea = WorkArea(o.workarea);
  app.songs = Songs(o.music);
  app.sensor = devices.sensor();
  app.installPlayer = [&devices](host::Handset& handset) { devices.InstallPlayer(handset); };
  app.trace = trace != nullptr ? &trace->trace() : nullptr;
  return app;
}

std::unique_ptr<host::TraceOutput> Trace(const Options& o, host::OnEndingSignal onSignal) {
  std::unique_ptr<host::TraceOutput> trace;
  if (o.trace) {
    trace = host::TraceOutput::Open(*o.trace, std::cout, onSignal);
    if (trace == nullptr) throw UsageError("cannot write the trace to " + *o.trace);
  }
  return trace;
}

// The demo runs on a temporary root unless --root is given on the command line, so it leaves
// the user's settings alone.
int RunTerminalDemo(const Options& o, const std::set<std::string>& given) {
  Refuse(o.record.has_value(), "--record", "records in the window, and there is no display");
  std::unique_ptr<HostDevices> devices = Devices(o.host, HostDefaults{});
  std::unique_ptr<host::RootFolder> root =
      MakeRoot(given.count("--root") > 0 ? o.root : std::nullopt, true);
  std::unique_ptr<host::TraceOutput> trace = Trace(o, host::OnEndingSignal::kWrite);
  int status = host::demo::RunTerminalDemo(ApplicationOf(o, *root, *devices, trace.get()),
                                           o.fast ? host::demo::Pace::kFast
                                                  : host::demo::Pace::kRealTime,
                                           std::cout, std::cerr);
  if (!host::FinishTraceOutput(trace.get(), std::cerr)) status = kUsageError;
  return status;
}

int RunServiceMode(const Options& o) {
  // Before any device starts a thread of its own: a stop signal must reach the service's loop,
  // never end the process in another thread without the exit processing.
  host::service::SignalInput::BlockStopSignals();
  Refuse(o.demo || o.fast || o.headless, "--service", "excludes --demo, --fast and --headless");
  Refuse(o.screenshot.has_value(), "--screenshot", "needs --script");
  std::unique_ptr<HostDevices> devices = Devices(o.host, HostDefaults{"iio", "mpris"});
  std::unique_ptr<host::RootFolder> root = MakeRoot(o.root, false);
  std::unique_ptr<host::TraceOutput> trace = Trace(o, host::OnEndingSignal::kLeave);
  int status = host::service::RunService(ApplicationOf(o, *root, *devices, trace.get()),
                                         std::cout, std::cerr);
  if (!host::FinishTraceOutput(trace.get(), std::cerr)) status = host::service::kServiceFailed;
  return status;
}

#ifdef QV_HAS_DESKTOP
int RunWindow(const Options& o, const std::set<std::string>& given) {
  std::unique_ptr<HostDevices> devices = Devices(o.host, HostDefaults{});
  std::unique_ptr<host::RootFolder> root =
      MakeRoot(o.demo && given.count("--root") == 0 ? std::nullopt : o.root, o.demo);
  std::ofstream recordFile;
  if (o.record) {
    recordFile.open(*o.record, std::ios::binary | std::ios::trunc);
    if (!recordFile) throw UsageError("cannot write the recording to " + *o.record);
  }
  // The window ends on SIGINT and SIGTERM itself (SDL's quit event), unless a temporary root
  // waits for them already (the demo): then the signal's thread writes the trace out.
  std::unique_ptr<host::TraceOutput> trace = Trace(
      o, root->temporary() ? host::OnEndingSignal::kWrite : host::OnEndingSignal::kLeave);
  host::desktop::DesktopOptions options;
  options.app = ApplicationOf(o, *root, *devices, trace.get());
  if (devices->player_kind() == PlayerKind::kMpris) {
    options.playerFooter = [&devices] { return devices->PlayerFooter(); };
    options.playerWindowLines = [&devices](HWND hwnd) { return devices->PlayerWindowLines(hwnd); };
  }
  options.demo = o.demo;
  options.demoTimeline = &std::cout;
  if (o.record) options.record = &recordFile;
  options.language = WindowLanguage(o, true);
  int status = host::desktop::RunDesktop(options, std::cerr);
  if (!host::FinishTraceOutput(trace.get(), std::cerr) && status == 0) status = kUsageError;
  if (o.record && !recordFile) {
    std::cerr << "quorvane: the recording " << *o.record << " could not be written whole\n";
    status = kUsageError;
  }
  if (status == host::desktop::kExitNoWindow) {
    std::cerr << "quorvane: --headless runs the demo in the terminal instead\n";
  }
  return status;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // Output to a closed pipe fails (EPIPE) and is reported, rather than ending the process.
  signal(SIGPIPE, SIG_IGN);
  OccupyStandardStreams();
  CLI::App app{
      "Quorvane: change songs in the handset's music player by tilting the handset. Runs the "
      "application on an emulated handset: in a window on a desktop, else a demo in the "
      "terminal, or as a service in the background (docs/running.md).",
      "quorvane"};
  app.get_formatter()->column_width(30);
  app.set_version_flag("--version", std::string("quorvane ") + QV_VERSION);
  Options options;
  AddOptions(app, options);
  app.set_config("--config", UserConfigFile(),
                 "Read options from FILE (lines such as  acc = \"replay:/path/tilt.csv\"). "
                 "Default: $XDG_CONFIG_HOME/quorvane/quorvane.conf when it exists.")
      ->type_name("FILE");
  app.footer(std::string("\n") + kModes + "\n" + host::scenario::ScriptLanguageHelp());

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;
  }
  std::set<std::string> given = GivenOptions(argc, argv);

  int status;
  try {
    Refuse(options.record && (options.script || options.service || options.demo ||
                              options.headless || options.fast),
           "--record", "records in the window only (not with --script, --service, --demo, "
           "--headless or --fast)");
    if (options.script) {
      status = RunScript(options, given);
    } else if (options.service) {
      status = RunServiceMode(options);
    } else {
      Refuse(options.screenshot.has_value(), "--screenshot", "needs --script");
#ifdef QV_HAS_DESKTOP
      if (HasDisplay() && !options.headless && !options.fast) return RunWindow(options, given);
#endif
      status = RunTerminalDemo(options, given);
    }
  } catch (const UsageError& error) {
    std::cerr << "quorvane: " << error.message << '\n';
    return kUsageError;
  }
  if (!std::cout.flush()) {
    std::cerr << "quorvane: cannot write to standard output\n";
    return kUsageError;
  }
  return status;
}
