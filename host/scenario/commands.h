// The scenario language's commands: what each is called, when it may stand, what arguments it
// takes. ParseScript turns a script into checked commands, so that a script with a mistake
// fails before anything runs; the runner (runner.h) carries them out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"
#include "host/scenario/script.h"

namespace host::scenario {

enum class Op {
  // Set-up, before start.
  kWorkarea,
  kExe,
  // The world around the application, any time.
  kAccelerometer,
  kReads,
  kSample,
  kPlayer,
  kProcess,
  kWindow,
  kLaunch,
  kFile,
  kWatch,
  kWrite,
  // Running.
  kStart,
  kWait,
  kTap,
  kToolbar,
  kChoose,
  kMove,
  kPoint,
  kSlider,
  kCommand,
  kTimer,
  kSnapshot,
  kScreenshot,
};

// When a command may stand in a script.
enum class Phase {
  kSetup,        // before start only
  kAny,          // before or after start
  kApplication,  // after start only: it needs the application
};

struct CommandSpec {
  Op op;
  std::string_view name;
  Phase phase;
  std::string_view usage;  // e.g. "sample X Y Z"
  std::string_view help;   // one line
};

// Every command, in the order the help lists them.
const std::vector<CommandSpec>& CommandTable();

// A checked command. Its numbers are parsed already: numbers[i] belongs to args[i] (0 for a
// word that is not a number); 64-bit words (command, timer) are kept as their bit pattern.
struct Command {
  int line = 0;
  Op op = Op::kSnapshot;
  std::string_view name;
  std::vector<std::string> args;
  std::vector<std::int64_t> numbers;
};

// Splits and checks a script: known commands, the right number and kind of arguments, set-up
// commands only before start, application commands only after it, start at most once. The
// error is the first mistake, at its line.
Result<std::vector<Command>> ParseScript(std::string_view text);

// The language summary for --help: quoting, numbers, every command with its usage.
std::string ScriptLanguageHelp();

}  // namespace host::scenario
