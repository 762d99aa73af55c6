// The bridge against players written for the tests, on a bus of the test's own: the player's
// process and window follow the chosen player, messages become MPRIS calls, and players that
// misbehave (never answer, leave during a call, refuse control) cost nothing but a debug line.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "host/crt/utf.h"
#include "host/feedback/feedback_client.h"
#include "host/mpris/player_bridge.h"
#include "host/programs/music_player.h"
#include "tests/host/mpris/fake_feedback.h"
#include "tests/host/mpris/fake_player.h"
#include "tests/host/mpris/private_bus.h"

namespace host::mpris {
namespace {

using testing_support::Behaviour;
using testing_support::Eventually;
using testing_support::FakeOptions;
using testing_support::FakePlayer;
using testing_support::PrivateBus;

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_bus.ok()) << m_bus.error(); }
  void TearDown() override { m_bridge.reset(); }

  void StartBridge(const std::string& filter = "mpris", const std::string& command = "") {
    BridgeOptions options;
    options.filter = *PlayerFilter::Parse(filter);
    options.command = command;
    options.bus.address = m_bus.address();
    auto bridge = MprisBridge::Start(m_handset, options);
    ASSERT_TRUE(bridge.ok()) << bridge.error().message();
    m_bridge = std::move(*bridge);
  }
  std::unique_ptr<FakePlayer> Fake(FakeOptions options) {
    return std::make_unique<FakePlayer>(m_bus.address(), std::move(options));
  }

  // Runs the handset's posted tasks until condition holds (or the deadline passes).
  bool Until(const std::function<bool()>& condition) {
    return Eventually(condition, [this] { m_handset.RunPostedTasks(); });
  }
  // The chosen player's bus name, "" for none.
  std::string Chosen() {
    std::optional<PlayerInfo> chosen = m_bridge->Chosen();
    return chosen ? chosen->busName : "";
  }
  // "MzMusic.exe 正在播放" while the player's process and window exist, else what there is.
  std::string PlayerOnHandset() {
    std::string text;
    for (const ProcessInfo& process : m_handset.Processes()) text += ToUtf8(process.exeName);
    HWND window = FindWindowW(nullptr, programs::kNowPlayingTitle);
    if (window != nullptr) text += " " + ToUtf8(m_handset.FindWindowInfo(window)->title);
    return text;
  }
  void Send(UINT msg, WPARAM wParam) {
    m_handset.SendToWindow(m_bridge->window(), msg, wParam, 0);
  }
  bool DebugSaid(const std::string& part) {
    for (const std::u16string& line : m_handset.debug_output()) {
      if (ToUtf8(line).find(part) != std::string::npos) return true;
    }
    return false;
  }

  PrivateBus m_bus;
  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::unique_ptr<MprisBridge> m_bridge;
};

TEST_F(BridgeTest, ThePlayersProcessAndWindowExistExactlyWhileThePlayerIsOnTheBus) {
  StartBridge();
  EXPECT_EQ("", PlayerOnHandset());
  auto player = Fake({});
  ASSERT_TRUE(Until([&] { return PlayerOnHandset() == "MzMusic.exe 正在播放"; }))
      << PlayerOnHandset();
  EXPECT_TRUE(m_handset.FindWindowInfo(m_bridge->window())->visible);
  std::optional<PlayerInfo> chosen = m_bridge->Chosen();
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ("Fake Player", chosen->identity);
  EXPECT_EQ("Song A", chosen->title);
  EXPECT_EQ(PlaybackStatus::kPaused, chosen->status);
  EXPECT_EQ(u"Fake Player: Song A (Paused)", DescribePlayer(*chosen));
  player->Leave();
  ASSERT_TRUE(Until([&] { return PlayerOnHandset().empty(); })) << PlayerOnHandset();
}

TEST_F(BridgeTest, APlayerAlreadyOnTheBusIsFoundAtStart) {
  auto player = Fake({});
  StartBridge();
  ASSERT_TRUE(Until([&] { return PlayerOnHandset() == "MzMusic.exe 正在播放"; }));
}

TEST_F(BridgeTest, MessagesBecomeMprisCalls) {
  StartBridge();
  auto player = Fake({});
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  Send(programs::kPlayerControlMessage, programs::kPlayerPrevious);
  Send(programs::kPlayerControlMessage, programs::kPlayerPlayPause);
  Send(programs::kPlayerControlMessage, 7);  // no command: nothing
  ShowWindow(m_bridge->window(), SW_HIDE);     // nothing
  ShowWindow(m_bridge->window(), SW_SHOW);     // Raise
  Send(WM_CLOSE, 0);                           // Quit
  std::vector<std::string> expected = {"Next", "Previous", "PlayPause", "Raise", "Quit"};
  EXPECT_TRUE(Until([&] { return player->Calls().size() >= expected.size(); }));
  EXPECT_EQ(expected, player->Calls());
}

TEST_F(BridgeTest, NextAndPreviousGiveTheGesturesFeedback) {
  testing_support::FakeFeedback daemon(m_bus.address());
  feedback::FeedbackOptions options;
  options.bus.address = m_bus.address();
  auto client = feedback::FeedbackClient::Start(m_handset, options);
  ASSERT_TRUE(client.ok()) << client.error().message();
  StartBridge();
  auto player = Fake({});
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  Send(programs::kPlayerControlMessage, programs::kPlayerPlayPause);  // no gesture: no feedback
  Send(programs::kPlayerControlMessage, programs::kPlayerPrevious);
  (*client)->Trigger("barrier");  // after the calls of the three commands, in order
  EXPECT_TRUE(daemon.WaitForCalls(3, std::chrono::seconds(10)));
  client->reset();
  std::string buzz = "io.github.quorvane.Quorvane button-pressed 0 -1";
  EXPECT_EQ((std::vector<std::string>{buzz, buzz, "io.github.quorvane.Quorvane barrier 0 -1"}),
            daemon.Calls());
}

TEST_F(BridgeTest, WhatThePlayerCannotDoIsDroppedWithADebugLine) {
  StartBridge();
  FakeOptions options;
  options.canGoNext = false;
  options.canGoPrevious = false;
  options.canQuit = false;
  options.canRaise = false;
  auto player = Fake(options);
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  Send(programs::kPlayerControlMessage, programs::kPlayerPrevious);
  Send(WM_CLOSE, 0);
  ShowWindow(m_bridge->window(), SW_HIDE);
  ShowWindow(m_bridge->window(), SW_SHOW);
  Send(programs::kPlayerControlMessage, programs::kPlayerPlayPause);  // this one it can do
  EXPECT_TRUE(Until([&] { return !player->Calls().empty(); }));
  EXPECT_EQ(std::vector<std::string>{"PlayPause"}, player->Calls());
  for (const char* line : {"Next to org.mpris.MediaPlayer2.fake dropped: its CanGoNext",
                           "Previous to org.mpris.MediaPlayer2.fake dropped: its CanGoPrevious",
                           "Quit to org.mpris.MediaPlayer2.fake dropped: its CanQuit",
                           "Raise to org.mpris.MediaPlayer2.fake dropped: its CanRaise"}) {
    EXPECT_TRUE(DebugSaid(line)) << line;
  }
}

TEST_F(BridgeTest, APlayerThatCannotBeControlledDoesNotCount) {
  StartBridge();
  FakeOptions options;
  options.canControl = false;
  auto player = Fake(options);
  ASSERT_TRUE(Until([&] { return m_bridge->players().size() == 1; }));
  EXPECT_EQ("", Chosen());
  EXPECT_EQ("", PlayerOnHandset());
}

TEST_F(BridgeTest, ThePlayingPlayerWinsOverThePausedOneWhicheverCameLast) {
  StartBridge();
  auto first = Fake({.name = "playing", .status = "Playing"});
  auto second = Fake({.name = "paused"});
  ASSERT_TRUE(Until([&] { return m_bridge->players().size() == 2; }));
  EXPECT_EQ("org.mpris.MediaPlayer2.playing", Chosen());
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  EXPECT_TRUE(Until([&] { return first->Calls().size() == 1; }));
  // The playing one leaves: the handset's player is still there, and commands reach the other.
  first->Leave();
  ASSERT_TRUE(Until([&] { return m_bridge->players().size() == 1; }));
  EXPECT_EQ("MzMusic.exe 正在播放", PlayerOnHandset());
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  EXPECT_TRUE(Until([&] { return second->Calls().size() == 1; }));
  EXPECT_EQ(std::vector<std::string>{"Next"}, first->Calls());
}

TEST_F(BridgeTest, OnlyTheNamedPlayerCounts) {
  StartBridge("mpris:vlc");
  auto wrong = Fake({.name = "vlcx", .status = "Playing"});
  auto right = Fake({.name = "vlc.instance7"});
  ASSERT_TRUE(Until([&] { return m_bridge->players().size() == 2; }));
  EXPECT_EQ("org.mpris.MediaPlayer2.vlc.instance7", Chosen());
}

TEST_F(BridgeTest, APlayerThatNeverAnswersCountsButItsCallsTimeOut) {
  StartBridge();
  FakeOptions options;
  options.name = "hung";
  options.behaviour = Behaviour::kNeverAnswers;
  auto player = Fake(options);
  // Its properties cannot be read in time: it counts, with nothing known.
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  EXPECT_EQ(PlaybackStatus::kUnknown, m_bridge->Chosen()->status);
  EXPECT_TRUE(DebugSaid("reading the properties of org.mpris.MediaPlayer2.hung failed"));
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  EXPECT_TRUE(Until([&] { return DebugSaid("Next to org.mpris.MediaPlayer2.hung failed"); }));
}

TEST_F(BridgeTest, APlayerThatLeavesDuringACallIsGoneWithoutHarm) {
  StartBridge();
  FakeOptions options;
  options.behaviour = Behaviour::kLeavesOnNext;
  auto player = Fake(options);
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  Send(programs::kPlayerControlMessage, programs::kPlayerNext);
  ASSERT_TRUE(Until([&] { return PlayerOnHandset().empty(); })) << PlayerOnHandset();
  EXPECT_EQ(std::vector<std::string>{"Next"}, player->Calls());
}

TEST_F(BridgeTest, TheBusGoingAwayLeavesNoPlayerAndNoCrash) {
  StartBridge();
  FakeOptions options;
  options.behaviour = Behaviour::kNeverAnswers;  // runs no loop that the lost bus would end
  auto player = Fake(options);
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  m_bus.Stop();
  ASSERT_TRUE(Until([&] { return !m_bridge->connected(); }));
  EXPECT_EQ("", PlayerOnHandset());
  EXPECT_EQ(std::nullopt, m_bridge->Chosen());
  EXPECT_TRUE(DebugSaid("the session bus is gone"));
}

TEST_F(BridgeTest, TheBridgeTellsWhenAPlayerIsChosenOrLostAndWhenItPlays) {
  struct Case {
    const char* name;
    bool playerBeforeStart;
    std::vector<std::string> told;  // up to the player's playing
  };
  const std::string chosen = "player: fake (org.mpris.MediaPlayer2.fake)";
  const std::string waiting = "waiting for org.mpris.MediaPlayer2.fake";
  for (const Case& c : std::vector<Case>{
           {"a player comes later", false, {waiting, chosen, "playing"}},
           {"a player is there at start", true, {chosen, "playing"}},
       }) {
    std::vector<std::string> told;
    std::unique_ptr<FakePlayer> player;
    if (c.playerBeforeStart) player = Fake({});
    StartBridge("mpris:fake");
    PlayerFilter filter = *PlayerFilter::Parse("mpris:fake");
    m_bridge->set_events({[&](const PlayerInfo* player) { told.push_back(ChoiceLine(player, filter)); },
                          [&](bool playing) { told.push_back(playing ? "playing" : "not playing"); }});
    if (!c.playerBeforeStart) {
      ASSERT_TRUE(Until([&] { return !told.empty(); })) << c.name;
      player = Fake({});
    }
    ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; })) << c.name;
    EXPECT_FALSE(m_bridge->playing()) << c.name << ": the fake starts paused";
    player->EmitMalformedThenPlaying(0);
    ASSERT_TRUE(Until([&] { return m_bridge->playing(); })) << c.name;
    EXPECT_EQ(c.told, told) << c.name;
    player->Leave();
    ASSERT_TRUE(Until([&] { return told.size() == c.told.size() + 2; })) << c.name;
    EXPECT_EQ((std::vector<std::string>{waiting, "not playing"}),
              std::vector<std::string>(told.end() - 2, told.end()))
        << c.name;
    m_bridge.reset();
  }
  EXPECT_EQ("waiting for a player (org.mpris.MediaPlayer2.*)", ChoiceLine(nullptr, PlayerFilter()));
  PlayerInfo instance;
  instance.busName = "org.mpris.MediaPlayer2.vlc.instance7";
  EXPECT_EQ("player: vlc (org.mpris.MediaPlayer2.vlc.instance7)",
            ChoiceLine(&instance, PlayerFilter()));
}

TEST_F(BridgeTest, NoSessionBusIsAClearError) {
  // The session bus of the environment, as Quorvane uses it.
  std::string nobody = "unix:path=" + m_bus.folder() + "/no-such-socket";
  setenv("DBUS_SESSION_BUS_ADDRESS", nobody.c_str(), 1);
  BridgeOptions options;
  auto bridge = MprisBridge::Start(m_handset, options);
  ASSERT_FALSE(bridge.ok());
  EXPECT_EQ(0u, bridge.error().message().rfind("no session bus", 0)) << bridge.error().message();
}

TEST_F(BridgeTest, LaunchingRunsThePlayerCommandAndFailsWithoutOne) {
  struct Case {
    const char* command;
    BOOL launched;
    const char* debug;  // part of the debug line, when the launch fails
  };
  for (const Case& c : std::vector<Case>{
           {"", FALSE, "no player command"},
           {"/nonexistent/player --pause", FALSE, "cannot start /nonexistent/player"},
           {"true 'unbalanced", FALSE, "unbalanced quotes"},
           {"true --pause", TRUE, ""},
       }) {
    StartBridge("mpris", c.command);
    EXPECT_EQ(c.launched, CreateProcessW(programs::kMusicPlayerPath, nullptr, nullptr, nullptr,
                                         FALSE, 0, nullptr, nullptr, nullptr, nullptr))
        << c.command;
    if (*c.debug != '\0') {
      EXPECT_TRUE(DebugSaid(c.debug)) << c.command;
    }
    // The launcher's process has ended at once; the player's appears with it on the bus.
    EXPECT_EQ("", PlayerOnHandset()) << c.command;
    m_bridge.reset();
  }
  // An expansion that fails, or would run something, starts nothing and says so, and the
  // launch fails: the application shows that starting the music failed.
  for (const char* command : {"touch started ${NOPE:?boom}", "touch started $((1/0))"}) {
    StartBridge("mpris", command);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FALSE, CreateProcessW(programs::kMusicPlayerPath, nullptr, nullptr, nullptr, FALSE,
                                    0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr()) << command;
    EXPECT_TRUE(DebugSaid("which is not allowed")) << command;
    m_bridge.reset();
  }
}

}  // namespace
}  // namespace host::mpris
