// Which bus names count, which player is chosen, and how a player command is split: plain
// data, no bus.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "host/mpris/player_choice.h"
#include "host/mpris/player_command.h"

namespace host::mpris {
namespace {

TEST(PlayerFilter, NamesMatchAsPlayerctlDoes) {
  struct Case {
    const char* option;
    const char* busName;
    bool matches;
  };
  for (const Case& c : std::vector<Case>{
           {"mpris", "org.mpris.MediaPlayer2.mpv", true},
           {"mpris", "org.mpris.MediaPlayer2.vlc.instance42", true},
           {"mpris", "org.mpris.MediaPlayer2", false},
           {"mpris", "org.mpris.MediaPlayer2.", false},
           {"mpris", "org.gnome.Shell", false},
           {"mpris:vlc", "org.mpris.MediaPlayer2.vlc", true},
           {"mpris:vlc", "org.mpris.MediaPlayer2.vlc.instance42", true},
           {"mpris:vlc", "org.mpris.MediaPlayer2.vlcx", false},
           {"mpris:vlc", "org.mpris.MediaPlayer2.mpv", false},
           {"mpris:vlc.instance42", "org.mpris.MediaPlayer2.vlc.instance42", true},
           {"mpris:vlc.instance42", "org.mpris.MediaPlayer2.vlc", false},
       }) {
    std::optional<PlayerFilter> filter = PlayerFilter::Parse(c.option);
    ASSERT_TRUE(filter.has_value()) << c.option;
    EXPECT_EQ(c.matches, filter->Matches(c.busName)) << c.option << " " << c.busName;
  }
  for (const char* bad : {"", "mpris:", "mpris:.vlc", "mpris:vlc.", "mpris:a..b", "mpris:a b",
                          "mpris:a/b", "builtin", "mprisx", "MPRIS"}) {
    EXPECT_FALSE(PlayerFilter::Parse(bad).has_value()) << bad;
  }
}

PlayerInfo Player(const std::string& name, std::uint64_t appeared, PlaybackStatus status) {
  PlayerInfo info;
  info.busName = "org.mpris.MediaPlayer2." + name;
  info.appeared = appeared;
  info.status = status;
  return info;
}

TEST(ChoosePlayer, PlayingThenPausedThenStoppedThenUnknownThenTheLatest) {
  using S = PlaybackStatus;
  struct Case {
    std::vector<PlayerInfo> players;
    const char* chosen;  // bus name suffix; "" for none
  };
  PlayerInfo cannot = Player("cannot", 9, S::kPlaying);
  cannot.canControl = false;
  PlayerInfo can = Player("can", 1, S::kStopped);
  can.canControl = true;
  for (const Case& c : std::vector<Case>{
           {{}, ""},
           {{Player("a", 1, S::kPaused), Player("b", 2, S::kPlaying)}, "b"},
           {{Player("a", 3, S::kPlaying), Player("b", 2, S::kPaused)}, "a"},
           {{Player("a", 1, S::kStopped), Player("b", 2, S::kPaused)}, "b"},
           {{Player("a", 1, S::kStopped), Player("b", 2, S::kStopped)}, "b"},
           {{Player("a", 2, S::kStopped), Player("b", 1, S::kStopped)}, "a"},
           // A status that could not be read ranks last.
           {{Player("a", 1, S::kStopped), Player("b", 2, S::kUnknown)}, "a"},
           {{Player("b", 2, S::kUnknown)}, "b"},
           // CanControl false never counts; unknown counts.
           {{cannot}, ""},
           {{cannot, can}, "can"},
       }) {
    const PlayerInfo* chosen = ChoosePlayer(c.players, PlayerFilter());
    std::string expected = *c.chosen == '\0' ? "" : std::string("org.mpris.MediaPlayer2.") + c.chosen;
    EXPECT_EQ(expected, chosen != nullptr ? chosen->busName : "") << "expected " << c.chosen;
  }
}

TEST(ChoosePlayer, TheFilterComesFirst) {
  std::vector<PlayerInfo> players = {Player("vlc", 1, PlaybackStatus::kPaused),
                                     Player("mpv", 2, PlaybackStatus::kPlaying)};
  const PlayerInfo* chosen = ChoosePlayer(players, *PlayerFilter::Parse("mpris:vlc"));
  ASSERT_NE(nullptr, chosen);
  EXPECT_EQ("org.mpris.MediaPlayer2.vlc", chosen->busName);
  EXPECT_EQ(nullptr, ChoosePlayer(players, *PlayerFilter::Parse("mpris:rhythmbox")));
}

TEST(SplitCommandLine, SplitsAsAShellWouldWithoutRunningOne) {
  setenv("QV_TEST_MUSIC", "/music dir", 1);
  struct Case {
    const char* line;
    std::vector<std::string> words;
  };
  for (const Case& c : std::vector<Case>{
           {"mpv --pause --idle=once", {"mpv", "--pause", "--idle=once"}},
           {"  mpv   a  ", {"mpv", "a"}},
           {"mpv 'my songs' \"x y\" z\\ w", {"mpv", "my songs", "x y", "z w"}},
           {"mpv \"$QV_TEST_MUSIC\"", {"mpv", "/music dir"}},
           {"mpv $QV_TEST_MUSIC", {"mpv", "/music", "dir"}},
           {"mpv '$(touch /tmp/x)' '|'", {"mpv", "$(touch /tmp/x)", "|"}},
           {"mpv '${NOPE:?boom}' '$((1/0))' \\$[1]", {"mpv", "${NOPE:?boom}", "$((1/0))", "$[1]"}},
           {"mpv \"it's\" '\"$(x)\"'", {"mpv", "it's", "\"$(x)\""}},
       }) {
    Result<std::vector<std::string>> words = SplitCommandLine(c.line);
    ASSERT_TRUE(words.ok()) << c.line << ": " << words.error().message();
    EXPECT_EQ(c.words, *words) << c.line;
  }
}

TEST(SplitCommandLine, RefusesWhatWouldRunSomethingOrFailAndSaysWhat) {
  unsetenv("QV_TEST_UNSET");
  struct Case {
    const char* line;
    const char* message;  // part of the message
  };
  for (const Case& c : std::vector<Case>{
           {"", "is empty"},
           {"   ", "is empty"},
           {"touch ${NOPE:?boom}", "parameter expansion ${...}"},
           {"mpv ${QV_TEST_UNSET?}", "parameter expansion ${...}"},
           {"mpv ${HOME}", "parameter expansion ${...}"},
           {"mpv \"${QV_TEST_UNSET=set}\"", "parameter expansion ${...}"},
           {"mpv $((1/0))", "arithmetic expansion $((...))"},
           {"mpv $((1%0))", "arithmetic expansion $((...))"},
           {"mpv $[1/0]", "arithmetic expansion $[...]"},
           {"mpv $(rm -rf /tmp/nothing)", "command substitution $(...)"},
           {"mpv \"$(id)\"", "command substitution $(...)"},
           {"mpv `id`", "command substitution `...`"},
           {"mpv $QV_TEST_UNSET", "variable that is not set"},
           {"mpv a | cat", "unquoted"},
           {"mpv a; rm b", "unquoted"},
           {"mpv a > out", "unquoted"},
           {"mpv a &", "unquoted"},
           {"mpv 'open", "unbalanced quotes"},
       }) {
    ::testing::internal::CaptureStderr();
    Result<std::vector<std::string>> words = SplitCommandLine(c.line);
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr()) << c.line;
    ASSERT_FALSE(words.ok()) << c.line;
    EXPECT_NE(std::string::npos, words.error().message().find(c.message))
        << c.line << ": " << words.error().message();
  }
  EXPECT_EQ(nullptr, getenv("QV_TEST_UNSET")) << "an expansion set a variable";
}

TEST(StartDetached, StartsAProgramInANewSessionOrSaysWhyNot) {
  Result<pid_t> started = StartDetached({"true"});
  ASSERT_TRUE(started.ok());
  EXPECT_GT(*started, 0);
  Result<pid_t> sleeper = StartDetached({"sleep", "30"});
  ASSERT_TRUE(sleeper.ok());
  pid_t pid = *sleeper;
  EXPECT_EQ(pid, getsid(pid)) << "the player leads a session of its own";
  kill(pid, SIGTERM);
  Result<pid_t> missing = StartDetached({"/nonexistent/quorvane-no-such-player"});
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(std::string::npos, missing.error().message().find("quorvane-no-such-player"));
  EXPECT_EQ(ENOENT, missing.error().errnum());
}

}  // namespace
}  // namespace host::mpris
