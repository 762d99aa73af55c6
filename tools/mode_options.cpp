#include "tools/mode_options.h"

#include <CLI/CLI.hpp>


namespace tools {
namespace {

constexpr const char* kModes =
    "MODES\n"
    "  quorvane                the window when there is a display (DISPLAY or\n"
    "                          WAYLAND_DISPLAY), else the demo in the terminal\n"
    "  quorvane --demo         the built-in demo, in the window when there is a display\n"
    "  quorvane --headless     the demo in the terminal in real time; --fast: at once\n"
    "  quorvane --script FILE  a scenario script, headless, in virtual time; the script\n"
    "                          language and the trace: docs/scenarios.md\n"
    "  quorvane --service      no window, in real time, until SIGTERM, SIGINT or SIGHUP; the\n"
    "                          status line's changes on standard output (defaults: --acc\n"
    "                          iio --player mpris)\n"
    "  quorvane settings [get | set NAME VALUE]\n"
    "                          show or change the settings: sensitivity 80..128 (the\n"
    "                          three thresholds), gestures, autohide, autorun, autoplay\n"
    "                          on|off; a running service takes a change at once\n"
    "  Options also come from $XDG_CONFIG_HOME/quorvane/quorvane.conf (~/.config/...),\n"
    "  lines such as  player = \"builtin\"  with the long options' names (root, music,\n"
    "  workarea, acc, motion, player, player-command, feedback, gestures, lang); the\n"
    "  command line wins. The demo takes only music, workarea, gestures and lang from\n"
    "  there, a script only lang.\n"
    "  The settings are ROOT/Program Files/Quorvane/config.ini (quorvane settings and\n"
    "  quorvane-ini read and change them). One quorvane at a time on a root; the window and\n"
    "  quorvane settings take it over from a running service and start the service again\n"
    "  afterwards. Exit status: the application's own\n"
    "  in the window and the service (1 when its exit save failed, 3 when no window can be\n"
    "  opened); 0 when the demo or a script ran to its end; 2 on a usage error, a script\n"
    "  error, a demo that went wrong or output that could not be written. SIGTERM, SIGINT and\n"
    "  SIGHUP end every mode as a shutdown does (the settings saved, status 0).\n"
    "  docs/running.md tells more.\n";

enum class Where {
  kAnywhere,     // on the command line or in the options file
  kCommandLine,  // it chooses the mode or names its output
};

// One option: with a value (value set) or a flag (flag set).
struct Declared {
  const char* name;
  std::optional<std::string> RawOptions::*value;
  bool RawOptions::*flag;
  const char* type;  // the value's name in the help
  Where where;
  const char* help;
};

// In the order of the help.
const Declared kOptions[] = {
    {"--root", &RawOptions::root, nullptr, "DIR", Where::kAnywhere,
     "Host folder that is the handset's \"\\\" (made when missing). Default: "
     "$XDG_DATA_HOME/quorvane or ~/.local/share/quorvane; for --script and the demo a new "
     "temporary folder, removed at the end."},
    {"--workarea", &RawOptions::workarea, nullptr, "WxH", Where::kAnywhere,
     "Size of the handset's work area in pixels, e.g. 480x720 (the default)."},
    {"--music", &RawOptions::music, nullptr, "DIR", Where::kAnywhere,
     "The built-in music player's songs: the audio files in DIR and its subfolders. Default: a "
     "built-in list."},
    {"--acc", &RawOptions::acc, nullptr, "SOURCE", Where::kAnywhere,
     "The accelerometer: sim (arrow keys and tilt pad in the window; the demo's own tilts; at "
     "rest in the service), replay:FILE (a CSV recording \"ms,x,y,z\", played in a loop) or "
     "iio[:NAME] (a Linux IIO accelerometer: the first, or the one with that name attribute or "
     "sysfs name; docs/sensors.md). Default: sim; iio for --service."},
    {"--motion", &RawOptions::motion, nullptr, "MODE", Where::kAnywhere,
     "The accelerometer driver's motion stage for replay:FILE and iio: flick (a flick's "
     "strength, gravity and steady shocks held back; the default), gravity (gravity taken out) "
     "or raw (the values as measured; docs/motion.md). The window's tilt and scripts stay raw."},
    {"--player", &RawOptions::player, nullptr, "builtin|mpris[:NAME]", Where::kAnywhere,
     "The music player behind \"\\Windows\\MzMusic.exe\": builtin (a player that makes no "
     "sound) or mpris[:NAME] (a real player over MPRIS). Default: builtin; mpris for "
     "--service."},
    {"--player-command", &RawOptions::playerCommand, nullptr, "CMD", Where::kAnywhere,
     "With --player mpris: the command that starts the player when the handset launches it (the "
     "start button, or \"start the player automatically\" on: in the service only the latter)."},
    {"--feedback", &RawOptions::feedback, nullptr, "on|off", Where::kAnywhere,
     "on: each flick that skips a song gives feedbackd's \"button-pressed\" feedback (a buzz, "
     "as the phone's profile says); off: none. Default: on."},
    {"--gestures", &RawOptions::gestures, nullptr, "when-playing|always", Where::kAnywhere,
     "when-playing: gestures count only while the player plays; otherwise ACC0: reads at rest "
     "and the accelerometer is not sampled at all (a paused, stopped or missing player). "
     "always: as the handset does. Default: when-playing for --service, else always; scripts "
     "always behave as the handset does."},
    {"--service", nullptr, &RawOptions::service, "", Where::kCommandLine,
     "No window, in real time, until SIGTERM, SIGINT or SIGHUP (a user service); waits for an "
     "accelerometer or session bus that is not there yet."},
    {"--headless", nullptr, &RawOptions::headless, "", Where::kCommandLine,
     "No window, also with a display: the demo in the terminal."},
    {"--demo", nullptr, &RawOptions::demo, "", Where::kCommandLine,
     "Run the built-in demo (in the window when there is a display)."},
    {"--fast", nullptr, &RawOptions::fast, "", Where::kCommandLine,
     "The demo in virtual time, in the terminal: over at once."},
    {"--script", &RawOptions::script, nullptr, "FILE", Where::kCommandLine,
     "Run the scenario script FILE headless in virtual time (docs/scenarios.md). Exit status 0 "
     "when it ran to its end, 2 on a script error."},
    {"--trace", &RawOptions::trace, nullptr, "FILE", Where::kCommandLine,
     "Write the trace (JSON Lines, one event per line) to FILE; - is standard output. Without "
     "it no trace is written."},
    {"--screenshot", &RawOptions::screenshot, nullptr, "OUT.png", Where::kCommandLine,
     "With --script: save the handset's screen as a PNG image at the end."},
    {"--record", &RawOptions::record, nullptr, "FILE", Where::kCommandLine,
     "In the window: record what the accelerometer's driver reads into FILE (100 rows a "
     "second, ms,x,y,z); the keys N and P label the current row next and previous "
     "(docs/motion.md)."},
    {"--lang", &RawOptions::lang, nullptr, "en|zh", Where::kAnywhere,
     "The language the window draws in, and the service's log: zh (Chinese) or en (English). "
     "Default: en when the locale (LC_ALL, LC_MESSAGES, LANG) starts with \"en\", else zh; "
     "screenshots of --script: zh."},
    {"--config", &RawOptions::config, nullptr, "FILE", Where::kCommandLine,
     "Read options from FILE (lines such as  acc = \"replay:/path/tilt.csv\"). Default: "
     "$XDG_CONFIG_HOME/quorvane/quorvane.conf when it exists."},
};

}  // namespace

void AddOptions(CLI::App& app, RawOptions& o) {
  for (const Declared& declared : kOptions) {
    CLI::Option* option = declared.flag != nullptr
                              ? app.add_flag(declared.name, o.*declared.flag, declared.help)
                              : app.add_option(declared.name, o.*declared.value, declared.help)
                                    ->type_name(declared.type);
    option->configurable(declared.where == Where::kAnywhere);
  }
  app.get_option("--lang")->check(CLI::IsMember({"en", "zh"}));
  CLI::App* settings = app.add_subcommand(
      "settings", "Show the settings (get, the default) or change one (set NAME VALUE); takes "
                  "--root. A running service on the root is stopped and started again with it.");
  // Options before and after the word are quorvane's own (--root).
  settings->fallthrough();
  settings->require_subcommand(0, 1);
  settings->callback([&o] { o.settings = true; });
  settings->add_subcommand("get", "Print each setting with its value.");
  CLI::App* set = settings->add_subcommand(
      "set", "Set NAME: sensitivity (80 to 128), gestures, autohide, autorun or autoplay (on or "
             "off).");
  set->add_option("NAME", o.settingName, "The setting")->required();
  set->add_option("VALUE", o.settingValue, "Its new value")->required();
  app.footer(std::string("\n") + kModes);
}

}  // namespace tools
