#include "tools/mode.h"

#include <CLI/CLI.hpp>

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>

#include "host/scenario/commands.h"
#include "tools/config_file.h"

namespace tools {
namespace {

using host::Error;
using Kind = Mode::Kind;

constexpr const char* kModes =
    "MODES\n"
    "  quorvane                the window when there is a display (DISPLAY or\n"
    "                          WAYLAND_DISPLAY), else the demo in the terminal\n"
    "  quorvane --demo         the built-in demo, in the window when there is a display\n"
    "  quorvane --headless     the demo in the terminal in real time; --fast: at once\n"
    "  quorvane --script FILE  a scenario script, headless, in virtual time (below)\n"
    "  quorvane --service      no window, in real time, until SIGTERM, SIGINT or SIGHUP; the\n"
    "                          status line's changes on standard output (defaults: --acc\n"
    "                          iio --player mpris)\n"
    "  Options also come from $XDG_CONFIG_HOME/quorvane/quorvane.conf (~/.config/...),\n"
    "  lines such as  player = \"builtin\"  with the long options' names (root, music,\n"
    "  workarea, acc, player, player-command, lang); the command line wins. The demo takes\n"
    "  only music, workarea and lang from there, a script only lang.\n"
    "  The settings are ROOT/Program Files/Quorvane/config.ini (quorvane-ini reads and\n"
    "  changes them). One quorvane at a time on a root. Exit status: the application's own\n"
    "  in the window and the service (3 when no window can be opened); 0 when the demo or a\n"
    "  script ran to its end; 2 on a usage error, a script error, a demo that went wrong or\n"
    "  output that could not be written. SIGTERM, SIGINT and SIGHUP end every mode as a\n"
    "  shutdown does (the settings saved, status 0). docs/running.md tells more.\n";

// The options as CLI11 fills them, before they are checked.
struct Raw {
  std::optional<std::string> root;
  std::optional<std::string> workarea;
  std::optional<std::string> music;
  std::optional<std::string> acc;
  std::optional<std::string> player;
  std::optional<std::string> playerCommand;
  bool service = false;
  bool headless = false;
  bool demo = false;
  bool fast = false;
  std::optional<std::string> script;
  std::optional<std::string> trace;
  std::optional<std::string> screenshot;
  std::optional<std::string> record;
  std::optional<std::string> lang;
  std::optional<std::string> config;
};

void AddOptions(CLI::App& app, Raw& o) {
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
  app.add_option("--acc", o.acc,
                 "The accelerometer: sim (arrow keys and tilt pad in the window; the demo's own "
                 "tilts; at rest in the service), replay:FILE (a CSV recording \"ms,x,y,z\", "
                 "played in a loop) or iio[:NAME] (a Linux IIO accelerometer: the first, or the "
                 "one with that name attribute or sysfs name; docs/sensors.md). Default: sim; "
                 "iio for --service.")
      ->type_name("SOURCE");
  app.add_option("--player", o.player,
                 "The music player behind \"\\Windows\\MzMusic.exe\": builtin (a player that "
                 "makes no sound) or mpris[:NAME] (a real player over MPRIS). Default: builtin; "
                 "mpris for --service.")
      ->type_name("builtin|mpris[:NAME]");
  app.add_option("--player-command", o.playerCommand,
                 "With --player mpris: the command that starts the player when the handset "
                 "launches it.")
      ->type_name("CMD");
  app.add_flag("--service", o.service,
               "No window, in real time, until SIGTERM, SIGINT or SIGHUP (a user service).")
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
  app.add_option("--config", o.config,
                 "Read options from FILE (lines such as  acc = \"replay:/path/tilt.csv\"). "
                 "Default: $XDG_CONFIG_HOME/quorvane/quorvane.conf when it exists.")
      ->type_name("FILE")
      ->configurable(false);
}

// The options (long names without "--") that a mode takes from the options file. The demos
// and scripts bring their own world: their root, player and accelerometer come only from the
// command line.
std::set<std::string> FileOptionsOf(Kind kind) {
  switch (kind) {
    case Kind::kWindow:
    case Kind::kService:
      return {"root", "music", "workarea", "acc", "player", "player-command", "lang"};
    case Kind::kWindowDemo:
    case Kind::kTerminalDemo:
      return {"music", "workarea", "lang"};
    case Kind::kScript:
      return {"lang"};
    case Kind::kPrint:
      break;
  }
  return {};
}

// The mode the flags choose, before any check.
Kind KindOf(const Raw& o, const Environment& env) {
  if (o.script) return Kind::kScript;
  if (o.service) return Kind::kService;
  if (env.display && !o.headless && !o.fast) return o.demo ? Kind::kWindowDemo : Kind::kWindow;
  return Kind::kTerminalDemo;
}

std::string UserConfigFile(const Environment& env) {
  if (!env.configHome.empty()) return env.configHome + "/quorvane/quorvane.conf";
  return env.home.empty() ? "" : env.home + "/.config/quorvane/quorvane.conf";
}

host::Result<std::string> UserDataFolder(const Environment& env) {
  if (!env.dataHome.empty()) return env.dataHome + "/quorvane";
  if (env.home.empty()) return Error("no home folder to keep the settings in: give --root DIR");
  return env.home + "/.local/share/quorvane";
}

host::Result<RECT> WorkAreaOf(const std::string& text) {
  auto number = [](const std::string& part) -> long {
    if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos) {
      return -1;
    }
    return std::stol(part);
  };
  std::size_t x = text.find('x');
  long width = x == std::string::npos ? -1 : number(text.substr(0, x));
  long height = x == std::string::npos ? -1 : number(text.substr(x + 1));
  if (width < 1 || height < 1 || width > 4096 || height > 4096) {
    return Error("--workarea " + text + ": give WIDTHxHEIGHT, each 1 to 4096, e.g. 480x720");
  }
  return RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

// The same file, when both exist.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

// Takes the options file's lines into app where the mode uses them and the command line did
// not give them; records where each came from.
host::Status ApplyOptionsFile(CLI::App& app, const std::string& path, Kind kind, Mode& mode) {
  host::Result<std::vector<ConfigLine>> lines = ReadConfigFile(path);
  if (!lines) return lines.error();
  std::set<std::string> used = FileOptionsOf(kind);
  for (const ConfigLine& line : *lines) {
    auto at = [&](const std::string& message) {
      return Error::AtLine(line.line, message).Prefixed(path);
    };
    CLI::Option* option = app.get_option_no_throw("--" + line.name);
    if (option == nullptr) return at("unknown option " + line.name);
    if (!option->get_configurable()) {
      return at(line.name + " is an option of the command line only");
    }
    if (used.count(line.name) == 0 || option->count() > 0) continue;
    option->add_result(line.values);
    try {
      option->run_callback();
    } catch (const CLI::Error& error) {
      return at(error.what());
    }
    mode.fromFile[line.name] = path + ":" + std::to_string(line.line);
  }
  return host::Ok();
}

// The checks of each mode, on the options of the command line (given) and those taken from the
// file (o).
class ModeChecks {
 public:
  ModeChecks(const Raw& given, const Raw& o, const Environment& env, Mode& mode)
      : m_given(given), m_o(o), m_env(env), m_mode(mode) {}

  host::Status Check() {
    if (m_o.record && (m_o.script || m_o.service || m_o.demo || m_o.headless || m_o.fast)) {
      return Error("--record records in the window only (not with --script, --service, --demo, "
                   "--headless or --fast)");
    }
    m_mode.trace = m_o.trace;
    m_mode.lang = m_o.lang;
    switch (m_mode.kind) {
      case Kind::kScript:
        return Script();
      case Kind::kService:
        return Service();
      case Kind::kWindow:
      case Kind::kWindowDemo:
      case Kind::kTerminalDemo:
        return WindowOrDemo();
      case Kind::kPrint:
        break;
    }
    return host::Ok();
  }

 private:
  // Options from the file that a script does not use are left alone; given on the command line
  // they are refused.
  host::Status Script() {
    if (m_given.music) return Error("--music does not apply to --script (it has its own player)");
    if (m_given.acc) return Error("--acc does not apply to --script (use its sample command)");
    if (m_given.player || m_given.playerCommand) {
      return Error("--player does not apply to --script (it has its own player)");
    }
    if (m_given.workarea) {
      return Error("--workarea does not apply to --script (use its workarea command)");
    }
    if (m_o.demo) return Error("--demo and --script exclude each other");
    if (m_o.service) return Error("--service and --script exclude each other");
    if (m_o.trace && SameFile(*m_o.trace, *m_o.script)) {
      return Error("--trace names the script itself: the trace would overwrite it");
    }
    if (m_o.fast) {
      return Error("--fast applies to the demo, not to --script (scripts always run in virtual "
                   "time)");
    }
    m_mode.script = *m_o.script;
    m_mode.screenshot = m_o.screenshot;
    m_mode.root = m_given.root;
    return host::Ok();
  }

  host::Status Service() {
    if (m_o.demo || m_o.fast || m_o.headless) {
      return Error("--service excludes --demo, --fast and --headless");
    }
    if (m_o.screenshot) return Error("--screenshot needs --script");
    return Devices("iio", "mpris");
  }

  host::Status WindowOrDemo() {
    if (m_o.screenshot) return Error("--screenshot needs --script");
    if (m_mode.kind == Kind::kWindow) {
      m_mode.record = m_o.record;
      return Devices("sim", "builtin");
    }
    if (m_mode.kind == Kind::kTerminalDemo && m_o.record) {
      return Error("--record records in the window, and there is no display");
    }
    // The demo shows the built-in player, on a root of its own unless one is given here.
    if (m_given.player || m_given.playerCommand) {
      return Error("--player does not apply to the demo (it shows the built-in player)");
    }
    m_mode.fast = m_o.fast;
    m_mode.root = m_given.root;
    if (host::Status area = WorkArea(); !area) return area;
    m_mode.music = m_o.music;
    host::Result<AccSource> acc = ParseAccSource(m_o.acc.value_or("sim"));
    if (!acc) return acc.error();
    m_mode.acc = *acc;
    return host::Ok();
  }

  // The root, work area, songs and devices of the window and the service, with the mode's
  // defaults for the devices.
  host::Status Devices(const char* acc, const char* player) {
    if (m_o.root) {
      m_mode.root = m_o.root;
    } else {
      host::Result<std::string> folder = UserDataFolder(m_env);
      if (!folder) return folder.error();
      m_mode.root = *folder;
    }
    if (host::Status area = WorkArea(); !area) return area;
    m_mode.music = m_o.music;
    host::Result<PlayerChoice> choice = ParsePlayer(m_o.player.value_or(player), m_o.playerCommand);
    if (!choice) {
      bool command = m_o.playerCommand && (!m_o.player || *m_o.player == "builtin");
      return FromFile(command ? "player-command" : "player", choice.error());
    }
    m_mode.player = *choice;
    host::Result<AccSource> source = ParseAccSource(m_o.acc.value_or(acc));
    if (!source) return FromFile("acc", source.error());
    m_mode.acc = *source;
    return host::Ok();
  }

  host::Status WorkArea() {
    if (!m_o.workarea) return host::Ok();
    host::Result<RECT> area = WorkAreaOf(*m_o.workarea);
    if (!area) return FromFile("workarea", area.error());
    m_mode.workArea = *area;
    return host::Ok();
  }

  // error, told with the options file's name and line when the option came from there.
  Error FromFile(const std::string& name, const Error& error) const {
    std::string origin = m_mode.Origin(name);
    return origin.empty() ? error : Error(origin + error.message());
  }

  const Raw& m_given;
  const Raw& m_o;
  const Environment& m_env;
  Mode& m_mode;
};

}  // namespace

Environment Environment::OfProcess() {
  Environment env;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') env.display = true;
  }
  const char* home = getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home != nullptr) env.home = home;
  const char* data = getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') env.dataHome = data;
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') env.configHome = config;
  return env;
}

std::string Mode::Origin(const std::string& name) const {
  auto it = fromFile.find(name);
  return it == fromFile.end() ? "" : it->second + ": ";
}

host::Result<Mode> ParseMode(const std::vector<std::string>& args, const Environment& env) {
  CLI::App app{
      "Quorvane: change songs in the handset's music player by tilting the handset. Runs the "
      "application on an emulated handset: in a window on a desktop, else a demo in the "
      "terminal, or as a service in the background (docs/running.md).",
      "quorvane"};
  app.get_formatter()->column_width(30);
  app.set_version_flag("--version", std::string("quorvane ") + QV_VERSION);
  Raw o;
  AddOptions(app, o);
  app.footer(std::string("\n") + kModes + "\n" + host::scenario::ScriptLanguageHelp());

  std::vector<const char*> argv = {"quorvane"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  Mode mode;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    std::ostringstream out;
    std::ostringstream err;
    if (app.exit(error, out, err) != 0) return Error(error.what());
    mode.kind = Kind::kPrint;
    mode.text = out.str();
    return mode;
  }
  const Raw given = o;
  mode.kind = KindOf(o, env);

  // The file named, or the user's when it exists.
  std::string file = o.config.value_or(UserConfigFile(env));
  struct stat st;
  if (o.config || (!file.empty() && stat(file.c_str(), &st) == 0)) {
    if (host::Status applied = ApplyOptionsFile(app, file, mode.kind, mode); !applied) {
      return applied.error();
    }
  }
  if (host::Status checked = ModeChecks(given, o, env, mode).Check(); !checked) {
    return checked.error();
  }
  return mode;
}

}  // namespace tools
