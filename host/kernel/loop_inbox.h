// Work handed to the handset's message loop from other threads (a bus bridge's thread, a signal
// watcher): a thread-safe queue of tasks plus the wake-up of whatever the loop waits in.
//
// The loop's thread waits in one of two places when nothing is ready: the clock's WaitUntil (no
// input source, or one that waits on the clock, such as the script runner) or the input source's
// Idle (the desktop window waits for SDL events). Post wakes both: Clock::Wake and
// InputSource::Wake. Both wakes are sticky (a wake that comes before the wait makes the next wait
// return at once), so no task waits for a timer because it came a moment too early.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

namespace host {

class Clock;
class InputSource;

class LoopInbox {
 public:
  // REQUIRES: clock outlives the inbox.
  explicit LoopInbox(Clock& clock) : m_clock(clock) {}
  LoopInbox(const LoopInbox&) = delete;
  LoopInbox& operator=(const LoopInbox&) = delete;

  // Any thread: queues the task behind those waiting and wakes the loop.
  void Post(std::function<void()> task);
  // Loop thread: the input source that Post wakes as well (null: none).
  // REQUIRES: an input source is replaced here before it is destroyed.
  void SetInput(InputSource* input);
  // Loop thread: runs the tasks queued now, in order, outside the lock (a task may post more;
  // those run at the next call). Returns whether any ran.
  bool RunPending();

 private:
  Clock& m_clock;
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
  // Whether m_tasks holds any, readable without the lock: the loop looks at every turn, and
  // almost always finds none. Written under the lock.
  std::atomic<bool> m_pending{false};
  InputSource* m_input = nullptr;  // guarded by m_mutex
};

}  // namespace host
