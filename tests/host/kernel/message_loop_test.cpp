// The message loop's order and timer rules, one sequence per test: what the windows received,
// compared with a table.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "host/kernel/windowed_program.h"
#include "tests/support/sequence.h"

namespace host {
namespace {

using test_support::SameSequence;

constexpr UINT kU1 = WM_USER + 1;
constexpr UINT kU2 = WM_USER + 2;
constexpr UINT kU3 = WM_USER + 3;

class MessageLoopTest : public ::testing::Test {
 protected:
  // A window that writes "NAME what @t" for every message, then runs the action given for it.
  HWND Window(const std::string& name) {
    std::u16string title(name.begin(), name.end());
    HWND hwnd = m_handset.CreateWindow(
        u"TestWnd", title, RECT{0, 0, 10, 10}, 0,
        [this, name](HWND h, UINT msg, WPARAM w, LPARAM) -> LRESULT {
          Log(name + " " + Describe(msg, w));
          auto it = m_actions.find({h, msg});
          if (it != m_actions.end()) it->second();
          return 0;
        });
    return hwnd;
  }
  void On(HWND hwnd, UINT msg, std::function<void()> action) {
    m_actions[{hwnd, msg}] = std::move(action);
  }
  void Log(const std::string& what) { m_log.push_back(what + " @" + std::to_string(m_clock.NowMs())); }

  // Runs GetMessageW/DispatchMessageW until the loop ends or count messages went by.
  void Run(int count = 100) {
    MSG msg;
    for (int i = 0; i < count; ++i) {
      BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == FALSE) {
        Log("quit " + std::to_string(msg.wParam));
        return;
      }
      DispatchMessageW(&msg);
    }
  }

  static std::string Describe(UINT msg, WPARAM w) {
    if (msg == WM_TIMER) return "timer " + std::to_string(w);
    if (msg >= WM_USER && msg < WM_USER + 100) return "u" + std::to_string(msg - WM_USER);
    return "msg " + std::to_string(msg);
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::vector<std::string> m_log;
  std::map<std::pair<HWND, UINT>, std::function<void()>> m_actions;
};

TEST_F(MessageLoopTest, PostedMessagesComeFirstInFirstOutThenTheLoopEndsWhenNothingCanCome) {
  HWND a = Window("A");
  HWND b = Window("B");
  PostMessageW(a, kU1, 0, 0);
  PostMessageW(b, kU2, 0, 0);
  PostMessageW(a, kU3, 0, 0);
  Run();
  EXPECT_TRUE(SameSequence({"A u1 @0", "B u2 @0", "A u3 @0", "quit 0 @0"}, m_log));
}

TEST_F(MessageLoopTest, QuitIsSeenAfterEveryPostedMessage) {
  HWND a = Window("A");
  On(a, kU1, [&] { PostMessageW(a, kU3, 0, 0); });
  PostMessageW(a, kU1, 0, 0);
  PostQuitMessage(7);
  PostMessageW(a, kU2, 0, 0);
  Run();
  EXPECT_TRUE(SameSequence({"A u1 @0", "A u2 @0", "A u3 @0", "quit 7 @0"}, m_log));
}

TEST_F(MessageLoopTest, QuitComesBeforeADueTimerAndIsSeenOnce) {
  HWND a = Window("A");
  SetTimer(a, 1, 100, nullptr);
  m_clock.Advance(100);
  PostQuitMessage(3);
  Run();
  On(a, WM_TIMER, [&] { KillTimer(a, 1); });
  Run();
  EXPECT_TRUE(SameSequence({"quit 3 @100", "A timer 1 @100", "quit 0 @100"}, m_log));
}

TEST_F(MessageLoopTest, TimerWaitsUntilNoPostedMessageIsLeft) {
  HWND a = Window("A");
  SetTimer(a, 1, 100, nullptr);
  m_clock.Advance(100);
  PostMessageW(a, kU1, 0, 0);
  On(a, kU1, [&] { PostMessageW(a, kU2, 0, 0); });
  Run(3);
  EXPECT_TRUE(SameSequence({"A u1 @100", "A u2 @100", "A timer 1 @100"}, m_log));
}

TEST_F(MessageLoopTest, TimerKeepsItsGridAndSkipsMissedPeriods) {
  HWND a = Window("A");
  int ticks = 0;
  // The first tick takes 250 ms: the periods due at 200 and 300 are missed and come once.
  On(a, WM_TIMER, [&] {
    if (++ticks == 1) m_clock.Advance(250);
  });
  SetTimer(a, 1, 100, nullptr);
  Run(4);
  EXPECT_TRUE(SameSequence(
      {"A timer 1 @100", "A timer 1 @350", "A timer 1 @400", "A timer 1 @500"}, m_log));
}

TEST_F(MessageLoopTest, ArmingARunningTimerRestartsItsPeriodFromNow) {
  HWND a = Window("A");
  SetTimer(a, 1, 100, nullptr);
  On(a, kU1, [&] {
    m_clock.Advance(60);
    SetTimer(a, 1, 100, nullptr);
  });
  PostMessageW(a, kU1, 0, 0);
  Run(3);
  EXPECT_TRUE(SameSequence({"A u1 @0", "A timer 1 @160", "A timer 1 @260"}, m_log));
}

TEST_F(MessageLoopTest, PostedTimerMessageArrivesLikeAnyOther) {
  HWND a = Window("A");
  PostMessageW(a, WM_TIMER, 4, 0);
  Run();
  EXPECT_TRUE(SameSequence({"A timer 4 @0", "quit 0 @0"}, m_log));
}

TEST_F(MessageLoopTest, KilledTimerSendsNothingEvenWhenItsMessageWasAlreadyMade) {
  HWND a = Window("A");
  SetTimer(a, 1, 100, nullptr);
  MSG msg;
  ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
  ASSERT_EQ(WM_TIMER, msg.message);
  KillTimer(a, 1);
  DispatchMessageW(&msg);
  Run();
  EXPECT_TRUE(SameSequence({"quit 0 @100"}, m_log));
}

TEST_F(MessageLoopTest, TimersDueTogetherFireInTheOrderTheyWereArmed) {
  HWND a = Window("A");
  HWND b = Window("B");
  SetTimer(a, 2, 200, nullptr);
  SetTimer(a, 1, 100, nullptr);
  SetTimer(b, 1, 100, nullptr);
  Run(5);
  EXPECT_TRUE(SameSequence(
      {"A timer 1 @100", "B timer 1 @100", "A timer 2 @200", "A timer 1 @200", "B timer 1 @200"},
      m_log));
}

TEST_F(MessageLoopTest, PeriodsBelowTenMillisecondsAreTenMilliseconds) {
  HWND a = Window("A");
  SetTimer(a, 1, 0, nullptr);
  Run(2);
  EXPECT_TRUE(SameSequence({"A timer 1 @10", "A timer 1 @20"}, m_log));
}

TEST_F(MessageLoopTest, DestroyedWindowLosesItsWaitingMessagesAndTimers) {
  HWND a = Window("A");
  HWND b = Window("B");
  On(a, kU1, [&] { m_handset.DestroyWindow(b); });
  SetTimer(b, 1, 100, nullptr);
  PostMessageW(a, kU1, 0, 0);
  PostMessageW(b, kU2, 0, 0);
  Run();
  EXPECT_TRUE(SameSequence({"A u1 @0", "quit 0 @0"}, m_log));
}

TEST_F(MessageLoopTest, MessageTakenBeforeItsWindowWasDestroyedIsDropped) {
  HWND a = Window("A");
  PostMessageW(a, kU1, 0, 0);
  MSG msg;
  ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
  m_handset.DestroyWindow(a);
  EXPECT_EQ(0, DispatchMessageW(&msg));
  EXPECT_TRUE(SameSequence({}, m_log));
}

TEST_F(MessageLoopTest, NestedLoopKeepsTimersAndPostedMessagesFlowing) {
  HWND a = Window("A");
  HWND b = Window("B");
  bool done = false;
  On(a, kU1, [&] {
    PostMessageW(b, kU2, 0, 0);
    SetTimer(b, 1, 100, nullptr);
    MSG msg;
    while (!done && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    Log("A modal end");
  });
  On(b, WM_TIMER, [&] {
    KillTimer(b, 1);
    done = true;
  });
  PostMessageW(a, kU1, 0, 0);
  Run();
  EXPECT_TRUE(SameSequence(
      {"A u1 @0", "B u2 @0", "B timer 1 @100", "A modal end @100", "quit 0 @100"}, m_log));
}

// Idle sees when the next timer is due, may deliver input and move time, and ends the loop.
class ScriptedInput final : public InputSource {
 public:
  explicit ScriptedInput(std::vector<std::function<bool(std::int64_t)>> steps)
      : m_steps(std::move(steps)) {}
  bool Idle(std::int64_t wakeAtMs) override {
    if (m_next == m_steps.size()) return false;
    return m_steps[m_next++](wakeAtMs);
  }

 private:
  std::vector<std::function<bool(std::int64_t)>> m_steps;
  std::size_t m_next = 0;
};

TEST_F(MessageLoopTest, InputSourceIsAskedWhenNothingIsReady) {
  HWND a = Window("A");
  On(a, WM_TIMER, [&] { KillTimer(a, 1); });
  SetTimer(a, 1, 100, nullptr);
  auto idle = [&](std::int64_t wake) { Log("idle " + std::to_string(wake)); };
  ScriptedInput input({
      [&](std::int64_t wake) { idle(wake); return PostMessageW(a, kU1, 0, 0) == TRUE; },
      [&](std::int64_t wake) { idle(wake); m_clock.AdvanceTo(wake); return true; },
      [&](std::int64_t wake) { idle(wake); return false; },
  });
  m_handset.set_input(&input);
  Run();
  EXPECT_TRUE(SameSequence({"idle 100 @0", "A u1 @0", "idle 100 @0", "A timer 1 @100",
                            "idle -1 @100", "quit 0 @100"},
                           m_log));
}

TEST_F(MessageLoopTest, OtherProcessesGetTheirMessagesInsideTheLoop) {
  HWND a = Window("A");
  auto log = std::make_shared<MessageLog>();
  m_handset.StartProcess(u"\\Windows\\MzMusic.exe",
                         std::make_unique<WindowedProgram>(std::vector<std::u16string>{u"P"}, log));
  HWND player = FindWindowW(nullptr, u"P");
  PostMessageW(player, kU1, 5, 6);
  PostMessageW(a, kU2, 0, 0);
  SetTimer(player, 9, 50, nullptr);
  On(a, kU2, [&] { PostMessageW(player, WM_CLOSE, 0, 0); });
  Run();
  EXPECT_TRUE(SameSequence({"A u2 @0", "quit 0 @0"}, m_log));
  EXPECT_EQ((MessageLog{{u"P", kU1, 5, 6}}), *log);
  EXPECT_TRUE(m_handset.Processes().empty());
  EXPECT_EQ(FALSE, IsWindow(player));
}

}  // namespace
}  // namespace host
