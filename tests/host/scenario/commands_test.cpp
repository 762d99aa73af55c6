// Checking scripts: every mistake is found before anything runs, and named with its line.
#include "host/scenario/commands.h"

#include <gtest/gtest.h>

namespace host::scenario {
namespace {

// "LINE: message" for a faulty script, "ok" for a good one.
std::string Check(std::string_view text) {
  Result<std::vector<Command>> result = ParseScript(text);
  if (result) return "ok";
  return std::to_string(result.error().line()) + ": " + result.error().message();
}

TEST(ParseScript, AcceptsEveryCommandWhereItMayStand) {
  EXPECT_EQ("ok", Check(R"(# every command once
workarea 0 0 480 720
exe "\Program Files\Quorvane\Quorvane.exe"
accelerometer absent
reads fail
sample 30 5 -70
sample 0xC8 0x80 127
player running
player running "正在播放" 艺术家
player stopped
process Other.exe "Some window"
window "A window"
launch fail
snapshot
wait 0
start
accelerometer present
reads ok
launch ok
wait 2100
tap 107
toolbar 1
choose 124
move 250 229
slider 90
command 0x1006B
command 101 2
timer 13
snapshot
)"));
  EXPECT_EQ("ok", Check(""));
  EXPECT_EQ("ok", Check("player running\nwait 100\nsnapshot\n"));
}

TEST(ParseScript, ReportsTheFirstMistakeWithItsLine) {
  struct Case {
    std::string_view text;
    std::string_view error;
  };
  const Case cases[] = {
      {"start\nfly 3", "2: unknown command 'fly'"},
      {"Start", "1: unknown command 'Start'"},
      {"start\nwait", "2: wait: usage: wait MS"},
      {"start\nwait 1 2", "2: wait: usage: wait MS"},
      {"start\nwait -1", "2: wait: MS must be a number from 0 to 2147483647, not '-1'"},
      {"start\nwait 1s", "2: wait: MS must be a number from 0 to 2147483647, not '1s'"},
      {"start\ntap x107", "2: tap: ID must be a number, not 'x107'"},
      {"start\ntap 0x100000000", "2: tap: ID must be a number, not '0x100000000'"},
      {"sample 1 2 256", "1: sample: Z must be a byte: -128 to 127, or 0x80 to 0xFF, not '256'"},
      {"sample 1 2 -129", "1: sample: Z must be a byte: -128 to 127, or 0x80 to 0xFF, not '-129'"},
      {"sample 128 0 0", "1: sample: X must be a byte: -128 to 127, or 0x80 to 0xFF, not '128'"},
      {"sample 0 255 0", "1: sample: Y must be a byte: -128 to 127, or 0x80 to 0xFF, not '255'"},
      {"workarea -2147483648 0 480 720", "1: workarea: L and T must lie from -4096 to 4096"},
      {"workarea 0 0 2147483647 720", "1: workarea: the work area must be 0 to 4096 pixels wide "
                                      "(R - L) and high (B - T), not 2147483647x720"},
      {"workarea 0 0 480 -1", "1: workarea: the work area must be 0 to 4096 pixels wide "
                              "(R - L) and high (B - T), not 480x-1"},
      {"workarea 0 0 0 0", "ok"},
      {"workarea 10 10 4106 20", "ok"},
      {"start\nmove 40000 1", "2: move: X must be a number from -32768 to 32767, not '40000'"},
      {"accelerometer on", "1: accelerometer: STATE must be present|absent, not 'on'"},
      {"reads", "1: reads: usage: reads ok|fail"},
      {"launch maybe", "1: launch: RESULT must be ok|fail, not 'maybe'"},
      {"player", "1: player: usage: player running [TITLE...] | player stopped"},
      {"player paused", "1: player: STATE must be running|stopped, not 'paused'"},
      {"player stopped now", "1: player: 'player stopped' takes no titles"},
      {"process", "1: process: usage: process NAME [TITLE...]"},
      {"window", "1: window: usage: window TITLE"},
      {"window a b", "1: window: usage: window TITLE"},
      {"window \"bad\xFF\"", "1: window: TITLE must be UTF-8 text"},
      {"exe Quorvane.exe", "1: exe: PATH must be a full handset path such as "
                           "\"\\Program Files\\App\\App.exe\", not 'Quorvane.exe'"},
      {"exe \\Apps\\", "1: exe: PATH must be a full handset path such as "
                       "\"\\Program Files\\App\\App.exe\", not '\\Apps\\'"},
      {"workarea 0 0 480", "1: workarea: usage: workarea L T R B"},
      {"start\ncommand", "2: command: usage: command WPARAM [LPARAM]"},
      {"start\ncommand 1 2 3", "2: command: usage: command WPARAM [LPARAM]"},
      // Where commands may stand.
      {"start\nworkarea 0 0 1 1", "2: workarea: a set-up command must come before start"},
      {"start\nexe \\A\\B.exe", "2: exe: a set-up command must come before start"},
      {"start\nstart", "2: start: the application has been started already"},
      {"tap 107\nstart", "1: tap: needs the application; put it after start"},
      {"timer 1", "1: timer: needs the application; put it after start"},
      {"choose 124", "1: choose: needs the application; put it after start"},
      // A quoting mistake after an earlier mistake: the earlier one is reported.
      {"fly\nwindow \"open", "1: unknown command 'fly'"},
      {"start\nwindow \"open", "2: missing closing quote"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.error, Check(c.text)) << c.text;
}

TEST(ParseScript, KeepsArgumentsAndTheirNumbers) {
  Result<std::vector<Command>> result = ParseScript(
      "sample 0xC8 0x80 -1\n"
      "player running \"正在播放\"\n"
      "start\n"
      "command -1 0xFFFFFFFF\n");
  ASSERT_TRUE(result) << result.error().message();
  ASSERT_EQ(4u, result->size());
  EXPECT_EQ(Op::kSample, (*result)[0].op);
  EXPECT_EQ((std::vector<std::int64_t>{-56, -128, -1}), (*result)[0].numbers);
  EXPECT_EQ((std::vector<std::string>{"running", "正在播放"}), (*result)[1].args);
  EXPECT_EQ(2, (*result)[1].line);
  EXPECT_EQ(-1, (*result)[3].numbers[0]);  // all 64 bits set
  EXPECT_EQ(0xFFFFFFFF, (*result)[3].numbers[1]);
}

TEST(ScriptLanguageHelp, ListsEveryCommand) {
  std::string help = ScriptLanguageHelp();
  for (const CommandSpec& desc : CommandTable()) {
    EXPECT_NE(std::string::npos, help.find(desc.usage)) << desc.name;
  }
}

}  // namespace
}  // namespace host::scenario
