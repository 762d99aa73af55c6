#include "host/scenario/commands.h"

#include <limits>

#include "host/crt/utf.h"

namespace host::scenario {
namespace {

constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
// Pointer coordinates travel in 16 signed bits of the message's lParam.
constexpr std::int64_t kCoordMin = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kCoordMax = std::numeric_limits<std::int16_t>::max();
// The work area's limits: each side up to 4096 pixels, as for --workarea, and the origin within
// 4096 pixels of 0. A script may also make it empty (0 wide or high), which a handset can report.
constexpr std::int64_t kMaxSide = 4096;
constexpr std::int64_t kMaxOffset = 4096;

// What an argument must be.
enum class Kind {
  kInt,      // a 32-bit signed number
  kCoord,    // a 16-bit signed number
  kCount,    // 0 to 2^31 - 1
  kByte,     // a signed byte, also written as its unsigned value (0x80 to 0xFF)
  kWord,     // a 64-bit word
  kText,     // any word
  kChoice,   // one of the words in choices, separated by '|'
};

struct Param {
  Kind kind;
  std::string_view name;
  std::string_view choices = {};
};

// The arguments a command takes: fixed ones, then optional ones, then (rest) any number of
// further words of the last kind.
struct Signature {
  std::vector<Param> params;
  std::size_t required;
  bool rest = false;
};

struct Entry {
  CommandSpec desc;
  Signature signature;
};

const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
      {{Op::kWorkarea, "workarea", Phase::kSetup, "workarea L T R B",
        "the work area the window is created over (default 0 0 480 720)"},
       {{{Kind::kInt, "L"}, {Kind::kInt, "T"}, {Kind::kInt, "R"}, {Kind::kInt, "B"}}, 4}},
      {{Op::kExe, "exe", Phase::kSetup, "exe PATH",
        "the application's handset path (default \"\\Program Files\\Quorvane\\Quorvane.exe\")"},
       {{{Kind::kText, "PATH"}}, 1}},
      {{Op::kAccelerometer, "accelerometer", Phase::kAny, "accelerometer present|absent",
        "whether ACC0: opens (default present)"},
       {{{Kind::kChoice, "STATE", "present|absent"}}, 1}},
      {{Op::kReads, "reads", Phase::kAny, "reads ok|fail",
        "whether accelerometer reads succeed (default ok)"},
       {{{Kind::kChoice, "RESULT", "ok|fail"}}, 1}},
      {{Op::kSample, "sample", Phase::kAny, "sample X Y Z",
        "the signed bytes every read returns from now on (default 0 0 0)"},
       {{{Kind::kByte, "X"}, {Kind::kByte, "Y"}, {Kind::kByte, "Z"}}, 3}},
      {{Op::kPlayer, "player", Phase::kAny, "player running [TITLE...] | player stopped",
        "start MzMusic.exe with windows of these titles (default \"正在播放\"), or end it"},
       {{{Kind::kChoice, "STATE", "running|stopped"}, {Kind::kText, "TITLE"}}, 1, true}},
      {{Op::kProcess, "process", Phase::kAny, "process NAME [TITLE...]",
        "start another listed process with windows of these titles"},
       {{{Kind::kText, "NAME"}, {Kind::kText, "TITLE"}}, 1, true}},
      {{Op::kWindow, "window", Phase::kAny, "window TITLE",
        "a visible top-level window of no listed process"},
       {{{Kind::kText, "TITLE"}}, 1}},
      {{Op::kLaunch, "launch", Phase::kAny, "launch ok|fail",
        "whether starting \"\\Windows\\MzMusic.exe\" succeeds (default ok)"},
       {{{Kind::kChoice, "RESULT", "ok|fail"}}, 1}},
      {{Op::kFile, "file", Phase::kAny, "file PATH",
        "record the handset file's content now (a \"file\" event)"},
       {{{Kind::kText, "PATH"}}, 1}},
      {{Op::kWatch, "watch", Phase::kAny, "watch PATH",
        "record the handset file after every change, and every open of it, from now on"},
       {{{Kind::kText, "PATH"}}, 1}},
      {{Op::kWrite, "write", Phase::kAny, "write PATH [LINE...]",
        "write a UTF-16LE handset file: the mark FF FE, then the lines joined by CR LF"},
       {{{Kind::kText, "PATH"}, {Kind::kText, "LINE"}}, 1, true}},
      {{Op::kStart, "start", Phase::kSetup, "start",
        "start the application; the rest of the script runs inside its message loop"},
       {{}, 0}},
      {{Op::kWait, "wait", Phase::kAny, "wait MS",
        "let MS milliseconds pass, delivering every timer at its due time"},
       {{{Kind::kCount, "MS"}}, 1}},
      {{Op::kTap, "tap", Phase::kApplication, "tap ID",
        "tap the control with this id at its centre"},
       {{{Kind::kInt, "ID"}}, 1}},
      {{Op::kToolbar, "toolbar", Phase::kApplication, "toolbar INDEX",
        "tap the toolbar button with this index"},
       {{{Kind::kCount, "INDEX"}}, 1}},
      {{Op::kChoose, "choose", Phase::kApplication, "choose ID",
        "tap the item with this id in the open pop-up menu"},
       {{{Kind::kInt, "ID"}}, 1}},
      {{Op::kMove, "move", Phase::kApplication, "move X Y",
        "move the pointer to X Y (window coordinates)"},
       {{{Kind::kCoord, "X"}, {Kind::kCoord, "Y"}}, 2}},
      {{Op::kPoint, "point", Phase::kApplication, "point ID",
        "move the pointer to the centre of the control with this id"},
       {{{Kind::kInt, "ID"}}, 1}},
      {{Op::kSlider, "slider", Phase::kApplication, "slider POS",
        "set the slider's pad as a drag would, without a pointer move"},
       {{{Kind::kInt, "POS"}}, 1}},
      {{Op::kCommand, "command", Phase::kApplication, "command WPARAM [LPARAM]",
        "call the window's OnUiCommand directly (LPARAM default 0)"},
       {{{Kind::kWord, "WPARAM"}, {Kind::kWord, "LPARAM"}}, 1}},
      {{Op::kTimer, "timer", Phase::kApplication, "timer ID",
        "deliver one WM_TIMER with this id to the window, armed or not"},
       {{{Kind::kWord, "ID"}}, 1}},
      {{Op::kSnapshot, "snapshot", Phase::kAny, "snapshot",
        "record the window, its controls, timers, menu, device, processes and windows"},
       {{}, 0}},
      {{Op::kScreenshot, "screenshot", Phase::kAny, "screenshot FILE",
        "save the screen as a PNG image (a host path)"},
       {{{Kind::kText, "FILE"}}, 1}},
  };
  return entries;
}

bool IsChoice(std::string_view word, std::string_view choices) {
  while (true) {
    std::size_t bar = choices.find('|');
    if (choices.substr(0, bar) == word) return true;
    if (bar == std::string_view::npos) return false;
    choices.remove_prefix(bar + 1);
  }
}

// Built by appending: g++ 12 warns falsely (-Wrestrict) about "'" + std::string at -O3.
std::string Quoted(std::string_view word) {
  std::string quoted = "'";
  quoted += word;
  quoted += '\'';
  return quoted;
}

// The argument's number (0 for a word that is not a number), or what is wrong with it.
Result<std::int64_t> ParseArgument(const Param& param, const std::string& word) {
  std::optional<std::int64_t> value;
  std::string_view expected;
  switch (param.kind) {
    case Kind::kInt:
      value = ParseInteger(word, kIntMin, kIntMax);
      expected = "a number";
      break;
    case Kind::kCoord:
      value = ParseInteger(word, kCoordMin, kCoordMax);
      expected = "a number from -32768 to 32767";
      break;
    case Kind::kCount:
      value = ParseInteger(word, 0, kIntMax);
      expected = "a number from 0 to 2147483647";
      break;
    case Kind::kByte:
      value = ParseInteger(word, -128, 255);
      // 128 to 255 only as unsigned bytes in hex (0x80 to 0xFF); decimal ones are signed.
      if (value && *value > 127 && word.find_first_of("xX") == std::string::npos) {
        value.reset();
      }
      if (value) value = static_cast<std::int8_t>(static_cast<std::uint8_t>(*value & 0xFF));
      expected = "a byte: -128 to 127, or 0x80 to 0xFF";
      break;
    case Kind::kWord:
      if (std::optional<std::uint64_t> bits = ParseWord(word)) {
        value = static_cast<std::int64_t>(*bits);
      }
      expected = "a 64-bit number";
      break;
    case Kind::kText:
      if (FromUtf8(word)) return 0;
      return Error(std::string(param.name) + " must be UTF-8 text");
    case Kind::kChoice:
      value = IsChoice(word, param.choices) ? std::optional<std::int64_t>(0) : std::nullopt;
      expected = param.choices;
      break;
  }
  if (!value) {
    return Error(std::string(param.name) + " must be " + std::string(expected) + ", not " +
                 Quoted(word));
  }
  return *value;
}

// Rules beyond the signature.
Status CheckMeaning(const Command& command) {
  const std::vector<std::int64_t>& n = command.numbers;
  switch (command.op) {
    case Op::kWorkarea:
      if (n[0] < -kMaxOffset || n[0] > kMaxOffset || n[1] < -kMaxOffset || n[1] > kMaxOffset) {
        return Error("L and T must lie from -4096 to 4096");
      }
      if (n[2] - n[0] < 0 || n[2] - n[0] > kMaxSide || n[3] - n[1] < 0 ||
          n[3] - n[1] > kMaxSide) {
        return Error(
            "the work area must be 0 to 4096 pixels wide (R - L) and high (B - T), not " +
            std::to_string(n[2] - n[0]) + "x" + std::to_string(n[3] - n[1]));
      }
      return Ok();
    case Op::kExe:
      if (command.args[0].empty() || command.args[0][0] != '\\' ||
          command.args[0].back() == '\\') {
        return Error(
            "PATH must be a full handset path such as \"\\Program Files\\App\\App.exe\", not " +
            Quoted(command.args[0]));
      }
      return Ok();
    case Op::kFile:
    case Op::kWatch:
    case Op::kWrite:
      if (command.args[0].empty() || command.args[0][0] != '\\') {
        return Error("PATH must be a full handset path such as \"\\config.ini\", not " +
                     Quoted(command.args[0]));
      }
      return Ok();
    case Op::kPlayer:
      if (command.args[0] == "stopped" && command.args.size() > 1) {
        return Error("'player stopped' takes no titles");
      }
      return Ok();
    case Op::kProcess:
      if (command.args[0].empty()) return Error("NAME must not be empty");
      return Ok();
    default:
      return Ok();
  }
}

Status Check(const Entry& entry, Command& command) {
  const Signature& signature = entry.signature;
  std::size_t count = command.args.size();
  if (count < signature.required ||
      (!signature.rest && count > signature.params.size())) {
    return Error("usage: " + std::string(entry.desc.usage));
  }
  command.numbers.assign(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const Param& param = signature.params[std::min(i, signature.params.size() - 1)];
    Result<std::int64_t> number = ParseArgument(param, command.args[i]);
    if (!number) return number.error();
    command.numbers[i] = *number;
  }
  return CheckMeaning(command);
}

}  // namespace

const std::vector<CommandSpec>& CommandTable() {
  static const std::vector<CommandSpec> table = [] {
    std::vector<CommandSpec> descs;
    for (const Entry& entry : Entries()) descs.push_back(entry.desc);
    return descs;
  }();
  return table;
}

Result<std::vector<Command>> ParseScript(std::string_view text) {
  std::vector<Command> commands;
  SplitResult split = SplitScript(text);
  bool started = false;
  auto fail = [](int line, std::string message) { return Error::AtLine(line, std::move(message)); };
  for (ScriptLine& line : split.lines) {
    const std::string& name = line.words[0];
    const Entry* entry = nullptr;
    for (const Entry& candidate : Entries()) {
      if (candidate.desc.name == name) entry = &candidate;
    }
    if (entry == nullptr) return fail(line.line, "unknown command " + Quoted(name));

    Command command;
    command.line = line.line;
    command.op = entry->desc.op;
    command.name = entry->desc.name;
    command.args.assign(line.words.begin() + 1, line.words.end());
    if (Status checked = Check(*entry, command); !checked) {
      return fail(line.line, std::string(name) + ": " + checked.error().message());
    }
    if (command.op == Op::kStart && started) {
      return fail(line.line, "start: the application has been started already");
    }
    if (entry->desc.phase == Phase::kSetup && started) {
      return fail(line.line, std::string(name) + ": a set-up command must come before start");
    }
    if (entry->desc.phase == Phase::kApplication && !started) {
      return fail(line.line, std::string(name) + ": needs the application; put it after start");
    }
    if (command.op == Op::kStart) started = true;
    commands.push_back(std::move(command));
  }
  // A mistake the splitting found comes after the lines before it.
  if (split.error) return *std::move(split.error);
  return commands;
}

std::string ScriptLanguageHelp() {
  std::string help =
      "SCRIPTS\n"
      "  A script drives the handset in virtual time, headless, and the trace (JSON Lines)\n"
      "  records what the system did. One command per line; a line whose first non-blank\n"
      "  character is '#' is a comment. Arguments are separated by spaces; one with spaces\n"
      "  is written in double quotes, where only \\\" and \\\\ are escapes, so\n"
      "  \"\\Windows\\MzMusic.exe\" stands as written. Numbers are decimal or 0x hex.\n"
      "  Set-up commands come before start; the rest of the script runs inside the\n"
      "  application's message loop, modal loops included. When the application exits,\n"
      "  the remaining lines are skipped; at the end of the script a running application is\n"
      "  ended as at shutdown.\n"
      "\n"
      "COMMANDS\n";
  for (const CommandSpec& desc : CommandTable()) {
    help += "  ";
    help += desc.usage;
    help += "\n      ";
    help += desc.help;
    help += '\n';
  }
  help +=
      "\n"
      "TRACE\n"
      "  One JSON object per line with \"t\" (virtual ms since start) and \"ev\": post, show,\n"
      "  timer, kill, fire, launch, debug, open, ioctl, close, quit, menu, menu-end, text,\n"
      "  title, invalidate, exit, snapshot, file. Written only with --trace FILE (- for\n"
      "  standard output).\n"
      "\n"
      "EXIT STATUS\n"
      "  0 when the script ran to its end (or the application exited), 2 on a script error,\n"
      "  reported on standard error as FILE:LINE: message.\n"
      "\n"
      "See docs/scenarios.md for every command and trace event, with examples.\n";
  return help;
}

}  // namespace host::scenario
