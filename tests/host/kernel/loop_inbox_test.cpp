// Work posted from other threads reaches the message loop's thread, wakes the loop out of its
// waits (the clock's and the input source's), and runs in order before posted messages.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/kernel/handset.h"

namespace host {
namespace {

using std::chrono::steady_clock;

// Far enough that a loop that is not woken fails the test by its deadline, not by hanging.
constexpr UINT kFarTimerMs = 60'000;
constexpr auto kDeadline = std::chrono::seconds(20);

class LoopInboxTest : public ::testing::Test {
 protected:
  HWND Window() {
    return m_handset.CreateWindow(u"TestWnd", u"W", RECT{}, 0,
                                  [this](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
                                    m_log.push_back("msg " + std::to_string(msg - WM_USER) +
                                                    "/" + std::to_string(w));
                                    return 0;
                                  });
  }
  // Runs the loop to its end; false when it took longer than the deadline.
  bool RunToQuit() {
    auto start = steady_clock::now();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return steady_clock::now() - start < kDeadline;
  }

  RealClock m_clock;
  Handset m_handset{m_clock};
  std::vector<std::string> m_log;  // written on the loop's thread only
};

TEST_F(LoopInboxTest, TasksFromAnotherThreadRunOnTheLoopThreadInOrderBeforePostedMessages) {
  HWND hwnd = Window();
  m_handset.SetTimer(hwnd, 1, kFarTimerMs);
  std::thread::id loopThread = std::this_thread::get_id();
  std::vector<std::thread::id> ranOn;
  std::thread poster([&] {
    for (int i = 1; i <= 3; ++i) {
      m_handset.PostFromThread([&, i] {
        ranOn.push_back(std::this_thread::get_id());
        m_log.push_back("task " + std::to_string(i));
        // A task may post; the message comes after the tasks already queued.
        m_handset.PostMessage(hwnd, WM_USER + 1, i, 0);
        if (i == 3) m_handset.PostQuit(0);
      });
    }
  });
  // All three are queued before the loop turns, so that their order against the messages they
  // post does not depend on when the other thread runs (waking is tested below).
  poster.join();
  ASSERT_TRUE(RunToQuit()) << "the loop slept through the posts";
  EXPECT_EQ((std::vector<std::string>{"task 1", "task 2", "task 3", "msg 1/1", "msg 1/2",
                                      "msg 1/3"}),
            m_log);
  EXPECT_EQ(std::vector<std::thread::id>(3, loopThread), ranOn);
}

TEST_F(LoopInboxTest, AWakeBeforeTheWaitIsKept) {
  m_clock.Wake();
  auto start = steady_clock::now();
  m_clock.WaitUntil(m_clock.NowMs() + kFarTimerMs);
  EXPECT_LT(steady_clock::now() - start, kDeadline);
  // Taken by that wait: the next one waits its time.
  start = steady_clock::now();
  m_clock.WaitUntil(m_clock.NowMs() + 20);
  EXPECT_GE(steady_clock::now() - start, std::chrono::milliseconds(19));
}

// An input source that waits on its own, as the desktop window waits for SDL's events.
class BlockingInput final : public InputSource {
 public:
  bool Idle(std::int64_t) override {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_woken.wait_for(lock, std::chrono::milliseconds(kFarTimerMs), [this] { return m_wake; });
    m_wake = false;
    ++idles;
    return true;
  }
  void Wake() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = true;
    m_woken.notify_all();
  }
  int idles = 0;

 private:
  std::mutex m_mutex;
  std::condition_variable m_woken;
  bool m_wake = false;
};

TEST_F(LoopInboxTest, AnInputSourceThatWaitsOnItsOwnIsWoken) {
  BlockingInput input;
  m_handset.set_input(&input);
  std::thread poster([&] { m_handset.PostFromThread([&] { m_handset.PostQuit(7); }); });
  ASSERT_TRUE(RunToQuit());
  poster.join();
  m_handset.set_input(nullptr);
  EXPECT_LE(input.idles, 1);
}

}  // namespace
}  // namespace host
