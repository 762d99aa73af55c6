// quorvane's options as CLI11 fills them, before they are checked: the one place where an option
// is declared (its name, the member it fills, where it may be given and its help). tools/mode.h
// checks them and makes the Mode.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;  // <CLI/CLI.hpp>: heavy, included where the options are parsed
}  // namespace CLI

namespace tools {

struct RawOptions {
  // The options with a value, unset when not given.
  std::optional<std::string> root, workarea, music, acc, motion, player, playerCommand, feedback;
  std::optional<std::string> gestures;
  std::optional<std::string> script, trace, screenshot, record, lang, config;
  // The flags that choose the mode.
  bool service = false, headless = false, demo = false, fast = false;
  // The subcommand `quorvane settings [get | set NAME VALUE]`.
  bool settings = false;
  std::optional<std::string> settingName, settingValue;
};

// Adds every option of quorvane and the subcommand settings to app, filling o, and the help's
// text on the modes and the script language. The options that choose the mode or name its output are not configurable:
// the options file may not set them.
void AddOptions(CLI::App& app, RawOptions& o);

}  // namespace tools
