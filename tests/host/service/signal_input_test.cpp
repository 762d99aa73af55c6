// The service's input source: it sleeps until the next timer, wakes for work from other threads
// and readable descriptors, and an ending signal, taken in its wait, ends the application's
// message loop as the handset's shutdown does.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <thread>

#include "host/kernel/ending_signals.h"
#include "host/service/signal_input.h"

namespace host::service {
namespace {

class SignalInputTest : public ::testing::Test {
 protected:
  SignalInputTest() {
    auto signals = EndingSignals::Open();
    EXPECT_TRUE(signals.ok());
    if (signals) m_signals = std::move(*signals);
    auto input = SignalInput::Open(m_handset, m_signals.get());
    EXPECT_TRUE(input.ok());
    if (input) m_input = std::move(*input);
    m_handset.set_input(m_input.get());
  }
  ~SignalInputTest() override { m_handset.set_input(nullptr); }

  std::unique_ptr<EndingSignals> m_signals;
  SignalClock m_clock{nullptr};
  Handset m_handset{m_clock};
  std::unique_ptr<SignalInput> m_input;
};

TEST_F(SignalInputTest, WaitsForTheNextTimerOnTheRealClock) {
  m_handset.SetTimer(nullptr, 7, 30);
  MSG msg{};
  ASSERT_TRUE(m_handset.GetMessage(&msg));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_GE(m_clock.NowMs(), 30);
  EXPECT_EQ(m_signals->received(), 0);
}

TEST_F(SignalInputTest, AnEndingSignalEndsTheLoopWithCodeZero) {
  SignalStop stop(m_handset, *m_signals, *m_input);
  // A timer far away: only the signal can end the wait.
  m_handset.SetTimer(nullptr, 7, 60'000);
  ASSERT_EQ(kill(getpid(), SIGHUP), 0);
  MSG msg{};
  EXPECT_FALSE(m_handset.GetMessage(&msg));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(m_signals->received(), SIGHUP);
  EXPECT_LT(m_clock.NowMs(), 10'000);
}

TEST_F(SignalInputTest, WorkPostedFromAnotherThreadRunsAtOnce) {
  m_handset.SetTimer(nullptr, 7, 60'000);
  std::thread poster([this] { m_handset.PostFromThread([this] { m_handset.PostQuit(3); }); });
  MSG msg{};
  EXPECT_FALSE(m_handset.GetMessage(&msg));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_LT(m_clock.NowMs(), 10'000);
  poster.join();
}

TEST_F(SignalInputTest, CallsTheWatchOfAReadableDescriptor) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  int calls = 0;
  m_input->Watch(pipeFds[0], [&] {
    char byte;
    ASSERT_EQ(read(pipeFds[0], &byte, 1), 1);
    ++calls;
  });
  ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
  EXPECT_TRUE(m_input->Idle(-1));
  EXPECT_EQ(calls, 1);
  close(pipeFds[0]);
  close(pipeFds[1]);
}

}  // namespace
}  // namespace host::service
