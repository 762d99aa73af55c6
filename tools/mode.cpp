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

#include "tools/config_file.h"
#include "tools/mode_options.h"
#include "tools/setting_names.h"

namespace tools {
namespace {

using host::Error;
using Kind = Mode::Kind;

// The options (long names without "--") that a mode takes from the options file. The demos
// and scripts bring their own world: their root, player and accelerometer come only from the
// command line.
std::set<std::string> FileOptionsOf(Kind kind) {
  switch (kind) {
    case Kind::kWindow:
    case Kind::kService:
      return {"root",   "music",          "workarea", "acc",      "motion",
              "player", "player-command", "feedback", "gestures", "lang"};
    case Kind::kWindowDemo:
    case Kind::kTerminalDemo:
      return {"music", "workarea", "gestures", "lang"};
    case Kind::kScript:
      return {"lang"};
    case Kind::kSettings:
      return {"root"};
    case Kind::kPrint:
      break;
  }
  return {};
}

// The mode the flags choose, before any check.
Kind KindOf(const RawOptions& o, const Environment& env) {
  if (o.settings) return Kind::kSettings;
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
  ModeChecks(const RawOptions& given, const RawOptions& o, const Environment& env, Mode& mode)
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
      case Kind::kSettings:
        return Settings();
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
    if (m_given.gestures) {
      return Error("--gestures does not apply to --script (scripts behave as the handset does)");
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

  // quorvane settings takes the root alone; the options file's other options are left alone.
  host::Status Settings() {
    const std::optional<std::string>* values[] = {
        &m_given.workarea, &m_given.music,  &m_given.acc,    &m_given.motion,
        &m_given.player,   &m_given.playerCommand, &m_given.feedback, &m_given.script,
        &m_given.trace,    &m_given.screenshot,    &m_given.record,   &m_given.lang};
    bool flags = m_given.service || m_given.headless || m_given.demo || m_given.fast;
    for (const std::optional<std::string>* value : values) flags = flags || value->has_value();
    if (flags) return Error("quorvane settings takes no option but --root and --config");
    if (host::Status root = Root(); !root) return root;
    if (!m_o.settingName) return host::Ok();
    host::Result<const SettingName*> setting = FindSetting(*m_o.settingName);
    if (!setting) return setting.error();
    host::Result<int> value = SettingValue(**setting, *m_o.settingValue);
    if (!value) return value.error();
    m_mode.setting = *m_o.settingName;
    m_mode.settingValue = *m_o.settingValue;
    return host::Ok();
  }

  // The root of the window, the service and the settings: --root, else the user's data folder.
  host::Status Root() {
    if (m_o.root) {
      m_mode.root = m_o.root;
      return host::Ok();
    }
    host::Result<std::string> folder = UserDataFolder(m_env);
    if (!folder) return folder.error();
    m_mode.root = *folder;
    return host::Ok();
  }

  host::Status Service() {
    if (m_o.demo || m_o.fast || m_o.headless) {
      return Error("--service excludes --demo, --fast and --headless");
    }
    if (m_o.screenshot) return Error("--screenshot needs --script");
    if (host::Status gestures = Gestures(host::GestureMode::kWhenPlaying); !gestures) {
      return gestures;
    }
    return Devices("iio", "mpris");
  }

  host::Status WindowOrDemo() {
    if (m_o.screenshot) return Error("--screenshot needs --script");
    if (host::Status gestures = Gestures(host::GestureMode::kAlways); !gestures) return gestures;
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
    if (host::Status motion = Motion(); !motion) return motion;
    return Feedback();
  }

  // The root, work area, songs and devices of the window and the service, with the mode's
  // defaults for the devices.
  host::Status Devices(const char* acc, const char* player) {
    if (host::Status root = Root(); !root) return root;
    if (host::Status area = WorkArea(); !area) return area;
    m_mode.music = m_o.music;
    host::Result<PlayerChoice> choice = ParsePlayer(m_o.player.value_or(player), m_o.playerCommand);
    if (!choice) {
      bool command = m_o.playerCommand && (!m_o.player || *m_o.player == "builtin");
      return FromFile(command ? "player-command" : "player", choice.error());
    }
    m_mode.player = *choice;
    if (host::Status feedback = Feedback(); !feedback) return feedback;
    host::Result<AccSource> source = ParseAccSource(m_o.acc.value_or(acc));
    if (!source) return FromFile("acc", source.error());
    m_mode.acc = *source;
    return Motion();
  }

  host::Status Feedback() {
    std::string feedback = m_o.feedback.value_or("on");
    if (feedback != "on" && feedback != "off") {
      return FromFile("feedback", Error("--feedback " + feedback + ": give on or off"));
    }
    m_mode.player.feedback = feedback == "on";
    return host::Ok();
  }

  // --gestures, or the mode's default.
  host::Status Gestures(host::GestureMode byDefault) {
    m_mode.gestures = byDefault;
    if (!m_o.gestures) return host::Ok();
    std::optional<host::GestureMode> gestures = host::GestureModeNamed(*m_o.gestures);
    if (!gestures) {
      return FromFile("gestures", Error("--gestures " + *m_o.gestures + ": give " +
                                         host::GestureModeNames()));
    }
    m_mode.gestures = *gestures;
    return host::Ok();
  }

  host::Status Motion() {
    if (!m_o.motion) return host::Ok();
    std::optional<host::MotionMode> motion = host::MotionModeNamed(*m_o.motion);
    if (!motion) {
      return FromFile("motion",
                      Error("--motion " + *m_o.motion + ": give " + host::MotionModeNames()));
    }
    m_mode.motion = *motion;
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

  const RawOptions& m_given;
  const RawOptions& m_o;
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
  RawOptions o;
  AddOptions(app, o);

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
  const RawOptions given = o;
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
