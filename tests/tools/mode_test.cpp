// quorvane's options: command lines and options files against the Mode they give, or the usage
// error that names what is wrong.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tools/config_file.h"
#include "tools/mode.h"

namespace tools {
namespace {

namespace fs = std::filesystem;
using Kind = Mode::Kind;

// The Mode in one line, "H" for the home folder: the kind, then what differs from its defaults.
std::string Describe(const Mode& mode, const std::string& home) {
  static const char* kKinds[] = {"print", "window", "window-demo", "terminal-demo", "script",
                                 "service", "settings"};
  std::string text = kKinds[static_cast<int>(mode.kind)];
  if (mode.kind == Kind::kPrint) return text;
  auto add = [&](const std::string& part) { text += " " + part; };
  std::string root = mode.root.value_or("temporary");
  if (root.rfind(home, 0) == 0) root = "H" + root.substr(home.size());
  add("root=" + root);
  if (mode.kind == Kind::kScript) {
    add(mode.script);
  } else if (mode.kind == Kind::kSettings) {
    add(mode.setting.empty() ? "get" : "set " + mode.setting + " " + mode.settingValue);
    return text;
  } else {
    static const char* kAcc[] = {"sim", "replay:", "iio:"};
    add("acc=" + std::string(kAcc[static_cast<int>(mode.acc.kind)]) + mode.acc.detail);
    add(mode.player.kind == PlayerKind::kBuiltin ? "player=builtin"
                                                 : "player=mpris:" + mode.player.filter.name());
  }
  if (mode.player.command) add("command=" + *mode.player.command);
  if (mode.workArea.right != 480 || mode.workArea.bottom != 720) {
    add("workarea=" + std::to_string(mode.workArea.right) + "x" +
        std::to_string(mode.workArea.bottom));
  }
  if (mode.music) add("music=" + *mode.music);
  if (mode.fast) add("fast");
  if (mode.trace) add("trace=" + *mode.trace);
  if (mode.screenshot) add("screenshot=" + *mode.screenshot);
  if (mode.record) add("record=" + *mode.record);
  if (mode.lang) add("lang=" + *mode.lang);
  if (mode.motion != host::kDefaultMotionMode) add(std::string("motion=") + host::MotionModeName(mode.motion));
  if (!mode.player.feedback) add("feedback=off");
  // The service's default is when-playing, the others' always.
  host::GestureMode gestures =
      mode.kind == Kind::kService ? host::GestureMode::kWhenPlaying : host::GestureMode::kAlways;
  if (mode.gestures != gestures) {
    add(std::string("gestures=") + host::GestureModeName(mode.gestures));
  }
  return text;
}

struct Case {
  std::vector<std::string> args;
  std::string file;  // the user's options file; empty: none
  std::string expected;  // Describe's line, or "error: " and the usage error ("F": the file)
  bool display = true;
};

class ModeTest : public ::testing::Test {
 protected:
  std::string Outcome(const Case& c) {
    fs::remove_all(m_temp.path() / ".config");
    if (!c.file.empty()) {
      fs::create_directories(fs::path(m_file).parent_path());
      std::ofstream(m_file) << c.file;
    }
    Environment env;
    env.display = c.display;
    env.home = m_home;
    host::Result<Mode> mode = ParseMode(c.args, env);
    if (mode) return Describe(*mode, m_home);
    std::string error = mode.error().message();
    for (std::size_t at; (at = error.find(m_file)) != std::string::npos;) {
      error.replace(at, m_file.size(), "F");
    }
    return "error: " + error;
  }

  test_support::TempFolder m_temp{"quorvane-mode"};
  std::string m_home = m_temp.string();
  std::string m_file = m_home + "/.config/quorvane/quorvane.conf";
};

TEST_F(ModeTest, TheOptionsChooseTheModeAndItsDefaults) {
  const std::vector<Case> cases = {
      {{}, "", "window root=H/.local/share/quorvane acc=sim player=builtin"},
      {{}, "", "terminal-demo root=temporary acc=sim player=builtin", false},
      {{"--demo"}, "", "window-demo root=temporary acc=sim player=builtin"},
      {{"--fast"}, "", "terminal-demo root=temporary acc=sim player=builtin fast"},
      {{"--headless", "--root", "/r"}, "", "terminal-demo root=/r acc=sim player=builtin"},
      {{"--service"}, "", "service root=H/.local/share/quorvane acc=iio: player=mpris:"},
      {{"--service", "--acc", "iio:accel_3d", "--player", "mpris:mpv", "--player-command",
        "mpv --idle"},
       "",
       "service root=H/.local/share/quorvane acc=iio:accel_3d player=mpris:mpv "
       "command=mpv --idle"},
      {{"--script", "s.qvs", "--trace", "-", "--screenshot", "out.png", "--lang", "en"},
       "",
       "script root=temporary s.qvs trace=- screenshot=out.png lang=en"},
      {{"--workarea", "320x480", "--music", "/m", "--record", "r.csv"},
       "",
       "window root=H/.local/share/quorvane acc=sim player=builtin workarea=320x480 music=/m "
       "record=r.csv"},
      {{"--acc", "replay:/t.csv", "--motion", "raw", "--feedback", "off"},
       "",
       "window root=H/.local/share/quorvane acc=replay:/t.csv player=builtin motion=raw "
       "feedback=off"},
      {{"--fast", "--motion", "gravity"}, "",
       "terminal-demo root=temporary acc=sim player=builtin fast motion=gravity"},
      {{"--motion", "smooth"}, "", "error: --motion smooth: give raw, gravity or flick"},
      {{}, "motion = smooth\n", "error: F:1: --motion smooth: give raw, gravity or flick"},
      {{"--service", "--gestures", "always"}, "",
       "service root=H/.local/share/quorvane acc=iio: player=mpris: gestures=always"},
      {{"--gestures", "when-playing"}, "",
       "window root=H/.local/share/quorvane acc=sim player=builtin gestures=when-playing"},
      {{"--fast", "--gestures", "when-playing"}, "",
       "terminal-demo root=temporary acc=sim player=builtin fast gestures=when-playing"},
      {{"--service"}, "gestures = always\n",
       "service root=H/.local/share/quorvane acc=iio: player=mpris: gestures=always"},
      {{"--demo"}, "gestures = when-playing\n",
       "window-demo root=temporary acc=sim player=builtin gestures=when-playing"},
      // Scripts behave as the handset does: the options file's line is left alone.
      {{"--script", "s.qvs"}, "gestures = when-playing\n", "script root=temporary s.qvs"},
      {{"--help"}, "", "print"},
      {{"--version"}, "", "print"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << ::testing::PrintToString(c.args);
}

TEST_F(ModeTest, AValueOutsideItsListNamesTheChoices) {
  const std::vector<Case> cases = {
      {{"--gestures", "sometimes"}, "", "error: --gestures sometimes: give when-playing or always"},
      {{"--service", "--gestures", "Always"}, "",
       "error: --gestures Always: give when-playing or always"},
      {{"--fast", "--gestures", ""}, "", "error: --gestures : give when-playing or always"},
      {{"--feedback", "maybe"}, "", "error: --feedback maybe: give on or off"},
      {{"--service", "--feedback", "1"}, "", "error: --feedback 1: give on or off"},
      {{"--demo", "--feedback", "On"}, "", "error: --feedback On: give on or off"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << ::testing::PrintToString(c.args);
}

TEST_F(ModeTest, TheOptionsFileCountsWhereTheModeTakesItAndTheCommandLineWins) {
  const std::string file = "# mine\n\nroot = \"/c\"\nacc = \"replay:/t.csv\"\n"
                           "player = \"mpris:mpv\"\nplayer-command = \"mpv --pause ~/Music\"\n"
                           "workarea = \"320x480\"\nlang = en\n";
  const std::vector<Case> cases = {
      {{}, file,
       "window root=/c acc=replay:/t.csv player=mpris:mpv command=mpv --pause ~/Music "
       "workarea=320x480 lang=en"},
      {{"--root", "/r", "--acc", "sim", "--player", "mpris"}, file,
       "window root=/r acc=sim player=mpris: command=mpv --pause ~/Music workarea=320x480 "
       "lang=en"},
      {{"--service"}, file,
       "service root=/c acc=replay:/t.csv player=mpris:mpv command=mpv --pause ~/Music "
       "workarea=320x480 lang=en"},
      // The demo brings its own root, player and tilts; the script its whole world.
      {{"--fast"}, file, "terminal-demo root=temporary acc=sim player=builtin workarea=320x480 "
                         "fast lang=en"},
      {{"--demo", "--acc", "replay:/d.csv"}, file,
       "window-demo root=temporary acc=replay:/d.csv player=builtin workarea=320x480 lang=en"},
      {{"--script", "s.qvs"}, file, "script root=temporary s.qvs lang=en"},
      {{"--config", "/nonexistent/q.conf"}, file,
       "error: /nonexistent/q.conf: cannot be read: No such file or directory"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << ::testing::PrintToString(c.args);
}

TEST_F(ModeTest, TheSettingsSubcommandTakesTheRootAndCheckedValues) {
  const std::string file = "root = \"/c\"\nacc = \"replay:/t.csv\"\nlang = en\n";
  const std::vector<Case> cases = {
      {{"settings"}, "", "settings root=H/.local/share/quorvane get"},
      {{"settings", "get"}, file, "settings root=/c get"},
      {{"--root", "/r", "settings", "get"}, file, "settings root=/r get"},
      {{"settings", "--root", "/r", "set", "sensitivity", "80"}, "",
       "settings root=/r set sensitivity 80"},
      {{"settings", "set", "autoplay", "off"}, "", "settings root=H/.local/share/quorvane set "
                                                    "autoplay off"},
      {{"settings", "set", "sensitivity", "129"}, "",
       "error: sensitivity '129': give a whole number from 80 to 128"},
      {{"settings", "set", "sensitivity", " 90"}, "",
       "error: sensitivity ' 90': give a whole number from 80 to 128"},
      {{"settings", "set", "gestures", "true"}, "", "error: gestures 'true': give on or off"},
      {{"settings", "set", "minacc_x", "90"}, "",
       "error: unknown setting 'minacc_x': give sensitivity, gestures, autohide, autorun or "
       "autoplay"},
      {{"settings", "set", "gestures"}, "", "error: VALUE is required"},
      {{"settings", "--lang", "en"}, "",
       "error: quorvane settings takes no option but --root and --config"},
      {{"--service", "settings"}, "",
       "error: quorvane settings takes no option but --root and --config"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << ::testing::PrintToString(c.args);
}

TEST_F(ModeTest, AMistakeInTheOptionsFileNamesTheFileAndTheLine) {
  const std::vector<Case> cases = {
      {{}, "plyer = \"mpris:mpv\"\n", "error: F:1: unknown option plyer"},
      {{}, "acc = sim\nplayer mpris\n", "error: F:2: player mpris: not name = value"},
      {{}, "[quorvane]\nacc = sim\n",
       "error: F:1: [quorvane]: sections are not read; write each option as name = value"},
      {{}, "acc = sim\nroot = /r\nacc = iio\n", "error: F:3: acc is given twice (lines 1 and 3)"},
      {{}, "acc = sim\nacc = iio\n", "error: F:2: acc is given twice (lines 1 and 2)"},
      {{}, "service = true\n", "error: F:1: service is an option of the command line only"},
      {{}, "lang = fr\n", "error: F:1: --lang: fr not in {en,zh}"},
      {{}, "gestures = never\n", "error: F:1: --gestures never: give when-playing or always"},
      {{}, "feedback = loud\n", "error: F:1: --feedback loud: give on or off"},
      {{}, "workarea = 10\n",
       "error: F:1: --workarea 10: give WIDTHxHEIGHT, each 1 to 4096, e.g. 480x720"},
      {{"--service"}, "player = vlc\n", "error: F:1: --player vlc: give builtin or mpris[:NAME]"},
      {{}, "acc = tilt\n", "error: F:1: --acc tilt: give sim, replay:FILE or iio[:NAME]"},
      // Also in the modes that do not take the option from the file.
      {{"--script", "s.qvs"}, "plyer = x\n", "error: F:1: unknown option plyer"},
      // Help and version come before the file is read.
      {{"--help"}, "acc = sim\nacc = iio\n", "print"},
      {{"--version"}, "acc = sim\nacc = iio\n", "print"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << c.file;
}

TEST_F(ModeTest, OnlyASmallRegularFileIsReadAsTheOptionsFile) {
  fs::create_directories(fs::path(m_file).parent_path());
  const std::string fifo = m_home + "/fifo.conf";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", m_home + "/zero.conf");
  std::ofstream(m_home + "/large.conf") << std::string(kMaxConfigBytes + 1, '#');
  std::ofstream(m_home + "/limit.conf") << "acc = sim\n" << std::string(kMaxConfigBytes - 10, '#');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"fifo.conf", "error: H/fifo.conf: not a regular file"},
      {"zero.conf", "error: H/zero.conf: not a regular file"},
      {"large.conf", "error: H/large.conf: larger than 64 kB"},
      {"limit.conf", "window root=H/.local/share/quorvane acc=sim player=builtin"},
  };
  for (const auto& [name, expected] : cases) {
    Case c{{"--config", m_home + "/" + name}, "", ""};
    std::string outcome = Outcome(c);
    if (outcome.rfind("error: ", 0) == 0) {
      outcome.replace(outcome.find(m_home), m_home.size(), "H");
    }
    EXPECT_EQ(outcome, expected) << name;
  }
}

TEST_F(ModeTest, OptionsThatDoNotFitTheModeAreRefused) {
  const std::vector<Case> cases = {
      {{"--script", "s.qvs", "--record", "r.csv"}, "",
       "error: --record records in the window only (not with --script, --service, --demo, "
       "--headless or --fast)"},
      {{"--record", "r.csv"}, "", "error: --record records in the window, and there is no display",
       false},
      {{"--screenshot", "o.png"}, "", "error: --screenshot needs --script"},
      {{"--service", "--screenshot", "o.png"}, "", "error: --screenshot needs --script"},
      {{"--service", "--fast"}, "", "error: --service excludes --demo, --fast and --headless"},
      {{"--script", "s.qvs", "--music", "/m"}, "",
       "error: --music does not apply to --script (it has its own player)"},
      {{"--script", "s.qvs", "--acc", "sim"}, "",
       "error: --acc does not apply to --script (use its sample command)"},
      {{"--script", "s.qvs", "--workarea", "320x480"}, "",
       "error: --workarea does not apply to --script (use its workarea command)"},
      {{"--script", "s.qvs", "--service"}, "", "error: --service and --script exclude each other"},
      {{"--script", "s.qvs", "--fast"}, "",
       "error: --fast applies to the demo, not to --script (scripts always run in virtual time)"},
      {{"--fast", "--player", "mpris"}, "",
       "error: --player does not apply to the demo (it shows the built-in player)"},
      {{"--workarea", "0x720"}, "",
       "error: --workarea 0x720: give WIDTHxHEIGHT, each 1 to 4096, e.g. 480x720"},
      {{"--script", "s.qvs", "--gestures", "always"}, "",
       "error: --gestures does not apply to --script (scripts behave as the handset does)"},
      {{"--player", "builtin", "--player-command", "mpv"}, "",
       "error: --player-command applies to --player mpris, not to the built-in player"},
      {{"--bogus"}, "", "error: The following argument was not expected: --bogus"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c), c.expected) << ::testing::PrintToString(c.args);
}

TEST_F(ModeTest, TheRootFollowsTheUsersDataFolderOrNeedsAHome) {
  Environment env;
  env.display = true;
  env.dataHome = "/x";
  host::Result<Mode> mode = ParseMode({}, env);
  ASSERT_TRUE(mode.ok());
  EXPECT_EQ(mode->root, "/x/quorvane");
  env.dataHome.clear();
  mode = ParseMode({"--service"}, env);
  ASSERT_FALSE(mode.ok());
  EXPECT_EQ(mode.error().message(), "no home folder to keep the settings in: give --root DIR");
  EXPECT_TRUE(ParseMode({"--fast"}, env).ok()) << "the demo needs no home";
}

TEST_F(ModeTest, HelpAndVersionPrintWhatTheyAreAskedFor) {
  host::Result<Mode> help = ParseMode({"--help"}, Environment{});
  ASSERT_TRUE(help.ok());
  EXPECT_NE(help->text.find("--service"), std::string::npos);
  EXPECT_NE(help->text.find("MODES"), std::string::npos);
  host::Result<Mode> version = ParseMode({"--version"}, Environment{});
  ASSERT_TRUE(version.ok());
  EXPECT_EQ(version->text, std::string("quorvane ") + QV_VERSION + "\n");
}

}  // namespace
}  // namespace tools
