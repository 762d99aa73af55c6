// What quorvane is asked to do: the command line, the options file (tools/config_file.h) and the
// environment, parsed and checked once into one Mode value. Whatever is wrong with them is told
// here, before anything is opened or made: the rest of the program only carries the Mode out
// (tools/quorvane_modes.h).
//
//   host::Result<Mode> mode = ParseMode(args, Environment::OfProcess());
//   if (!mode) { std::cerr << "quorvane: " << mode.error().message() << '\n'; return 2; }
//
// Adding an option (--gestures MODE, say): a member of RawOptions and a row of kOptions
// (tools/mode_options.cpp: its name, help, and whether the options file may set it), a field
// in Mode, its check in ModeChecks (mode.cpp) for the modes it applies to, and its name in
// FileOptionsOf (mode.cpp) for the modes that take it from the options file. A subcommand
// (quorvane settings) is a Mode::Kind of its own.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/crt/result.h"
#include "host/drivers/gesture_gate.h"
#include "host/kernel/handset.h"
#include "tools/acc_source.h"
#include "tools/host_options.h"

namespace tools {

// What ParseMode needs of the process's environment.
struct Environment {
  bool display = false;     // DISPLAY or WAYLAND_DISPLAY is set
  std::string home;         // HOME, else the user's home folder in the password database
  std::string dataHome;     // XDG_DATA_HOME when it is an absolute path, else ""
  std::string configHome;   // XDG_CONFIG_HOME when it is an absolute path, else ""

  static Environment OfProcess();
};

struct Mode {
  enum class Kind {
    kPrint,         // --help or --version: print text, exit status 0
    kWindow,        // the desktop window (a display is there, no --headless or --fast)
    kWindowDemo,    // --demo in the window
    kTerminalDemo,  // the demo in the terminal: --headless, --fast, or no display
    kScript,        // --script FILE, headless in virtual time
    kService,       // --service, no window, in real time until a stop signal
    kSettings,      // quorvane settings [get | set NAME VALUE]
  };
  Kind kind = Kind::kWindow;
  std::string text;  // kPrint: what to print on standard output

  // The folder that is the handset's "\"; nullopt: a new temporary one (scripts and demos,
  // unless --root is given on the command line). The window and the service default to the
  // user's data folder ($XDG_DATA_HOME/quorvane or ~/.local/share/quorvane).
  std::optional<std::string> root;
  RECT workArea = host::kDefaultWorkArea;
  std::optional<std::string> music;  // the built-in player's songs: a folder
  // The accelerometer and the player, with the mode's defaults: sim and builtin, iio and mpris
  // for the service. The demos always have the built-in player.
  AccSource acc;
  // What the driver's motion stage makes of a replay's or a real accelerometer's samples.
  host::MotionMode motion = host::kDefaultMotionMode;
  // Whether gestures count only while the player plays: when-playing for the service, always
  // for the window and the demos; scripts behave as the handset does.
  host::GestureMode gestures = host::GestureMode::kAlways;
  PlayerChoice player;
  std::optional<std::string> trace;       // a file, or "-" for standard output
  bool fast = false;                      // kTerminalDemo: in virtual time
  std::string script;                     // kScript: the script's file
  std::optional<std::string> screenshot;  // kScript: the screen as PNG at the end
  std::optional<std::string> record;      // kWindow: where the driver's reads are recorded
  // kSettings: the setting to change (tools/setting_names.h) and its value, checked; an empty
  // name: print them all.
  std::string setting;
  std::string settingValue;
  // "en" or "zh"; nullopt: the window follows the locale, screenshots are Chinese.
  std::optional<std::string> lang;

  // "FILE:LINE: " when the option named name ("acc") came from the options file, else "": the
  // start of a message about its value that only using it shows (a recording that cannot be
  // read).
  std::string Origin(const std::string& name) const;
  // Where each option taken from the options file was set, "FILE:LINE", by name.
  std::map<std::string, std::string> fromFile;
};

// The Mode that args (the arguments after the program's name) ask for. A usage error is a
// one-line message without the program's name, naming what is wrong: the option, or the options
// file and its line.
host::Result<Mode> ParseMode(const std::vector<std::string>& args, const Environment& env);

}  // namespace tools
