// The service's input source: it sleeps until the next timer, and a stop signal ends the
// application's message loop as the handset's shutdown does.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <thread>

#include "host/kernel/clock.h"
#include "host/service/signal_input.h"

namespace host::service {
namespace {

std::unique_ptr<SignalInput> Open(Handset& handset) {
  auto input = SignalInput::Open(handset);
  if (auto* error = std::get_if<std::string>(&input)) ADD_FAILURE() << *error;
  return std::get<std::unique_ptr<SignalInput>>(std::move(input));
}

TEST(SignalInput, WaitsForTheNextTimerOnTheRealClock) {
  RealClock clock;
  Handset handset(clock);
  std::unique_ptr<SignalInput> input = Open(handset);
  handset.set_input(input.get());
  handset.SetTimer(nullptr, 7, 30);
  MSG msg{};
  ASSERT_TRUE(handset.GetMessage(&msg));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_GE(clock.NowMs(), 30);
  EXPECT_EQ(input->stopped_by(), 0);
  handset.set_input(nullptr);
}

TEST(SignalInput, TermAndIntEndTheLoopWithCodeZero) {
  for (int signal : {SIGTERM, SIGINT}) {
    RealClock clock;
    Handset handset(clock);
    std::unique_ptr<SignalInput> input = Open(handset);
    handset.set_input(input.get());
    // A timer far away: only the signal can end the wait.
    handset.SetTimer(nullptr, 7, 60'000);
    ASSERT_EQ(kill(getpid(), signal), 0);
    MSG msg{};
    EXPECT_FALSE(handset.GetMessage(&msg)) << signal;
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(input->stopped_by(), signal);
    EXPECT_LT(clock.NowMs(), 10'000);
    handset.set_input(nullptr);
  }
}

TEST(SignalInput, WorkPostedFromAnotherThreadRunsAtOnce) {
  RealClock clock;
  Handset handset(clock);
  std::unique_ptr<SignalInput> input = Open(handset);
  handset.set_input(input.get());
  handset.SetTimer(nullptr, 7, 60'000);
  std::thread poster([&handset] {
    handset.PostFromThread([&handset] { handset.PostQuit(3); });
  });
  MSG msg{};
  EXPECT_FALSE(handset.GetMessage(&msg));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_LT(clock.NowMs(), 10'000);
  poster.join();
  handset.set_input(nullptr);
}

TEST(SignalInput, CallsTheWatchOfAReadableDescriptor) {
  RealClock clock;
  Handset handset(clock);
  std::unique_ptr<SignalInput> input = Open(handset);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  int calls = 0;
  input->Watch(pipeFds[0], [&] {
    char byte;
    ASSERT_EQ(read(pipeFds[0], &byte, 1), 1);
    ++calls;
  });
  ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
  EXPECT_TRUE(input->Idle(-1));
  EXPECT_EQ(calls, 1);
  close(pipeFds[0]);
  close(pipeFds[1]);
}

}  // namespace
}  // namespace host::service
