// The built-in music player on a handset with a virtual clock: its window and process, its
// reaction to the three commands and to WM_CLOSE, and songs that end while it plays.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/programs/music_player.h"
#include "tests/support/sequence.h"

namespace host::programs {
namespace {

using test_support::SameSequence;

// Lets the message loop run until a time, then makes GetMessage report the end.
class RunUntil final : public InputSource {
 public:
  RunUntil(VirtualClock& clock, std::int64_t until) : m_clock(clock), m_until(until) {}
  bool Idle(std::int64_t wakeAtMs) override {
    if (wakeAtMs >= 0 && wakeAtMs <= m_until) {
      m_clock.WaitUntil(wakeAtMs);
      return true;
    }
    m_clock.WaitUntil(m_until);
    return false;
  }

 private:
  VirtualClock& m_clock;
  std::int64_t m_until;
};

class MusicPlayerTest : public ::testing::Test {
 protected:
  MusicPlayerTest() {
    m_service.AddListener([this](const PlayerChange& change) {
      m_heard.push_back(std::to_string(m_clock.NowMs()) + " " + PlayerEventName(change.event) +
                        " " + change.now.Describe());
    });
  }

  // Songs of 10, 20 and 5 seconds.
  static std::vector<Song> Songs() { return {{u"Alpha", 10'000}, {u"Beta", 20'000}, {u"Gamma", 5'000}}; }

  void Launch() { ASSERT_TRUE(m_handset.Launch(kMusicPlayerPath)); }
  HWND Window() { return m_service.Running().empty() ? nullptr : m_service.Running().back()->window(); }
  void Post(UINT msg, WPARAM wParam, LPARAM lParam = 0) {
    m_handset.PostMessage(Window(), msg, wParam, lParam);
  }
  void RunFor(std::int64_t ms) {
    RunUntil input(m_clock, m_clock.NowMs() + ms);
    m_handset.set_input(&input);
    MSG msg;
    while (m_handset.GetMessage(&msg) > 0) m_handset.DispatchMessage(msg);
    m_handset.set_input(nullptr);
  }
  std::string Now() {
    std::optional<NowPlaying> now = m_service.NowPlayingState();
    if (!now) return "none";
    return now->Describe() + " at " + std::to_string(now->elapsedMs);
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  MusicPlayerService m_service{m_handset, Songs()};
  std::vector<std::string> m_heard;
};

TEST_F(MusicPlayerTest, StartsPausedOnTheFirstSongInAListedProcessWithANowPlayingWindow) {
  Launch();
  EXPECT_EQ("1/3 Alpha (paused) at 0", Now());
  std::vector<ProcessInfo> processes = m_handset.Processes();
  ASSERT_EQ(1u, processes.size());
  EXPECT_EQ(u"MzMusic.exe", processes[0].exeName);
  const WindowInfo* window = m_handset.FindWindowInfo(Window());
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(u"正在播放", window->title);
  EXPECT_TRUE(window->visible);
  EXPECT_EQ(processes[0].pid, window->pid);
  EXPECT_EQ(m_service.Running().back(), m_service.PlayerOfWindow(Window()));
  EXPECT_TRUE(SameSequence({"0 started 1/3 Alpha (paused)"}, m_heard));
}

TEST_F(MusicPlayerTest, CommandsStepThroughTheListAndWrapAround) {
  Launch();
  struct Step {
    WPARAM code;
    const char* heard;  // nullptr: the code is ignored
  };
  const Step steps[] = {
      {kPlayerNext, "next 2/3 Beta (paused)"},
      {kPlayerPlayPause, "play-pause 2/3 Beta (playing)"},
      {kPlayerPrevious, "previous 1/3 Alpha (playing)"},
      {kPlayerPrevious, "previous 3/3 Gamma (playing)"},
      {kPlayerNext, "next 1/3 Alpha (playing)"},
      {kPlayerPlayPause, "play-pause 1/3 Alpha (paused)"},
      {0, nullptr},
      {4, nullptr},
  };
  std::vector<std::string> expected = {"0 started 1/3 Alpha (paused)"};
  for (const Step& step : steps) {
    Post(kPlayerControlMessage, step.code);
    RunFor(0);
    if (step.heard != nullptr) expected.push_back(std::string("0 ") + step.heard);
  }
  EXPECT_TRUE(SameSequence(expected, m_heard));
}

TEST_F(MusicPlayerTest, TimeRunsOnlyWhilePlayingAndASkipStartsTheSongAfresh) {
  Launch();
  RunFor(3'000);
  EXPECT_EQ("1/3 Alpha (paused) at 0", Now());
  Post(kPlayerControlMessage, kPlayerPlayPause);
  RunFor(4'000);
  EXPECT_EQ("1/3 Alpha (playing) at 4000", Now());
  Post(kPlayerControlMessage, kPlayerPlayPause);
  RunFor(60'000);
  EXPECT_EQ("1/3 Alpha (paused) at 4000", Now());
  Post(kPlayerControlMessage, kPlayerNext);
  RunFor(0);
  EXPECT_EQ("2/3 Beta (paused) at 0", Now());
}

TEST_F(MusicPlayerTest, EndOfASongStartsTheNextAndTheLastLeadsBackToTheFirst) {
  Launch();
  RunFor(1'000);
  Post(kPlayerControlMessage, kPlayerPlayPause);
  RunFor(35'000);  // Alpha ends at 11 s, Beta at 31 s, Gamma at 36 s
  EXPECT_TRUE(SameSequence({"0 started 1/3 Alpha (paused)",
                            "1000 play-pause 1/3 Alpha (playing)",
                            "11000 song-ended 2/3 Beta (playing)",
                            "31000 song-ended 3/3 Gamma (playing)",
                            "36000 song-ended 1/3 Alpha (playing)"},
                           m_heard));
  // A skip in the middle of a song moves the end with it.
  RunFor(2'000);
  Post(kPlayerControlMessage, kPlayerNext);
  RunFor(20'000);
  EXPECT_EQ("58000 song-ended 3/3 Gamma (playing)", m_heard.back());
}

TEST_F(MusicPlayerTest, TheWindowsButtonsPostTheApplicationsCommands) {
  Launch();
  RECT area = m_handset.work_area();
  std::vector<RECT> buttons = PlayerButtonRects(area.right - area.left, area.bottom - area.top);
  ASSERT_EQ(3u, buttons.size());
  const char* heard[] = {"0 previous 3/3 Gamma (paused)", "0 play-pause 3/3 Gamma (playing)",
                         "0 next 1/3 Alpha (playing)"};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    int x = (buttons[i].left + buttons[i].right) / 2;
    int y = (buttons[i].top + buttons[i].bottom) / 2;
    Post(WM_LBUTTONUP, 0, static_cast<LPARAM>((y << 16) | x));
    RunFor(0);
    EXPECT_EQ(heard[i], m_heard.back()) << i;
  }
  Post(WM_LBUTTONUP, 0, static_cast<LPARAM>((5 << 16) | 5));  // beside the buttons
  RunFor(0);
  EXPECT_EQ(heard[2], m_heard.back());
}

// The window's footer asks while the application's own process runs, which keeps an ended
// player's object alive until it ends: the closed player must not count as playing.
TEST_F(MusicPlayerTest, AClosedPlayerIsGoneAlsoWhileAnotherProgramRuns) {
  struct Caller final : Program {
    std::function<void()> body;
    void Start(Handset&, DWORD) override { body(); }
  };
  auto caller = std::make_unique<Caller>();
  std::string afterClose;
  caller->body = [&] {
    Launch();
    Post(WM_CLOSE, 0);
    RunFor(0);
    afterClose = Now();
  };
  m_handset.StartProcess(u"\\Windows\\Caller.exe", std::move(caller));
  EXPECT_EQ("none", afterClose);
}

TEST_F(MusicPlayerTest, CloseEndsTheProcessAndItsWindow) {
  Launch();
  HWND window = Window();
  Post(WM_CLOSE, 0);
  RunFor(0);
  EXPECT_TRUE(m_handset.Processes().empty());
  EXPECT_EQ(nullptr, m_handset.FindWindowInfo(window));
  EXPECT_TRUE(m_service.Running().empty());
  EXPECT_EQ("none", Now());
  EXPECT_EQ("0 closed 1/3 Alpha (paused)", m_heard.back());
  // Launched again, it starts afresh.
  Launch();
  EXPECT_EQ("1/3 Alpha (paused) at 0", Now());
}

class Recorder final : public Trace {
 public:
  void Record(std::int64_t t, std::string_view ev, nlohmann::ordered_json fields) override {
    if (ev == "player") events.push_back(std::to_string(t) + " " + fields.dump());
  }
  std::vector<std::string> events;
};

TEST_F(MusicPlayerTest, ChangesAreTraced) {
  Recorder trace;
  m_handset.set_trace(&trace);
  Launch();
  Post(kPlayerControlMessage, kPlayerPlayPause);
  RunFor(12'000);
  m_handset.set_trace(nullptr);
  DWORD pid = m_handset.Processes()[0].pid;
  auto event = [pid](const char* ev, int index, const char* title, bool playing) {
    return nlohmann::ordered_json{{"event", ev}, {"pid", pid}, {"index", index}, {"count", 3},
                                  {"title", title}, {"playing", playing}, {"elapsed", 0}}
        .dump();
  };
  EXPECT_TRUE(SameSequence({"0 " + event("started", 1, "Alpha", false),
                            "0 " + event("play-pause", 1, "Alpha", true),
                            "10000 " + event("song-ended", 2, "Beta", true)},
                           trace.events));
}

TEST(PlayerState, LongGapsPassWholeRoundsOfTheList) {
  PlayerState state({{u"A", 1'000}, {u"B", 2'000}});
  state.TogglePlay(0);
  struct Case {
    std::int64_t at;
    std::size_t index;
    std::int64_t elapsed;
  };
  const Case cases[] = {{999, 0, 999}, {1'000, 1, 0}, {2'999, 1, 1'999}, {3'000, 0, 0},
                        {3'000'000'500, 0, 500}, {3'000'001'500, 1, 500}};
  for (const Case& c : cases) {
    NowPlaying seen = state.At(c.at);  // leaves state as it is
    state.Sync(c.at);
    EXPECT_EQ(c.index, state.index()) << c.at;
    EXPECT_EQ(c.index, seen.index) << c.at;
    EXPECT_EQ(c.elapsed, seen.elapsedMs) << c.at;
  }
}

}  // namespace
}  // namespace host::programs
