// The ending signals: each ends the handset's loop as a shutdown does, whether the loop waits on
// the clock, in a wait that cannot poll the signalfd, or never waits; a SIGPIPE the process
// raised itself ends nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "host/kernel/ending_signals.h"

namespace host {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<EndingSignals> Opened() {
  auto signals = EndingSignals::Open();
  EXPECT_TRUE(signals.ok());
  return signals ? std::move(*signals) : nullptr;
}

// The script runner's way: each Idle lets the virtual clock jump to the next timer.
class NeverWaits final : public InputSource {
 public:
  explicit NeverWaits(VirtualClock& clock) : m_clock(clock) {}
  bool Idle(std::int64_t wakeAtMs) override {
    if (wakeAtMs >= 0) m_clock.AdvanceTo(wakeAtMs);
    return true;
  }

 private:
  VirtualClock& m_clock;
};

// SDL's way: a wait that only Wake ends (or a minute).
class WaitsForWake final : public InputSource {
 public:
  bool Idle(std::int64_t) override {
    std::unique_lock hold(m_mutex);
    m_woken.wait_for(hold, 60s, [this] { return m_wake; });
    m_wake = false;
    return true;
  }
  void Wake() override {
    std::lock_guard hold(m_mutex);
    m_wake = true;
    m_woken.notify_one();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_woken;
  bool m_wake = false;
};

// Runs the loop to its end; its quit code, or -1 when it takes more than a minute.
int LoopEnds(Handset& handset) {
  auto deadline = std::chrono::steady_clock::now() + 60s;
  MSG msg{};
  while (handset.GetMessage(&msg)) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    handset.DispatchMessage(msg);
  }
  return static_cast<int>(msg.wParam);
}

TEST(EndingSignals, EachEndsALoopThatNeverWaits) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    std::unique_ptr<EndingSignals> signals = Opened();
    VirtualClock clock;
    NeverWaits input(clock);
    Handset handset(clock);
    handset.set_input(&input);
    SignalStop stop(handset, *signals, input);
    handset.SetTimer(nullptr, 7, 100);
    ASSERT_EQ(kill(getpid(), signal), 0);
    EXPECT_EQ(LoopEnds(handset), 0) << EndingSignals::Name(signal);
    EXPECT_EQ(signals->received(), signal);
  }
}

TEST(EndingSignals, ASignalWakesAWaitOnTheClock) {
  std::unique_ptr<EndingSignals> signals = Opened();
  SignalClock clock(signals.get());
  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  clock.WaitUntil(60'000);
  EXPECT_LT(clock.NowMs(), 10'000);
  EXPECT_EQ(signals->received(), SIGTERM);
}

TEST(EndingSignals, AWakerEndsAWaitThatCannotPollTheSignal) {
  std::unique_ptr<EndingSignals> signals = Opened();
  VirtualClock clock;
  WaitsForWake input;
  Handset handset(clock);
  handset.set_input(&input);
  SignalStop stop(handset, *signals, input);
  EndingSignals* taken = signals.get();
  SignalWaker waker(*signals, [&handset, taken] {
    handset.PostFromThread([taken] { taken->Take(); });
  });
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(kill(getpid(), SIGINT), 0);
  EXPECT_EQ(LoopEnds(handset), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_EQ(signals->received(), SIGINT);
}

TEST(EndingSignals, OnlyASigpipeFromAnotherProcessEnds) {
  std::unique_ptr<EndingSignals> signals = Opened();
  // Raised by the process itself, as a write to a closed pipe does.
  ASSERT_EQ(kill(getpid(), SIGPIPE), 0);
  EXPECT_EQ(signals->Take(), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(kill(getppid(), SIGPIPE) == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(signals->Wait(10'000), SIGPIPE);
}

}  // namespace
}  // namespace host
