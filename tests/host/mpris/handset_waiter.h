// Waiting on the handset's thread for what other threads (the bridge's bus thread) hand to the
// handset with PostFromThread, without polling: the waiter is the handset's input source, so a
// post wakes it at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "tests/support/runs_in_start.h"

namespace host::mpris::testing_support {

class HandsetWaiter final : public InputSource {
 public:
  // Becomes handset's input source until destroyed. REQUIRES: handset outlives the waiter.
  explicit HandsetWaiter(Handset& handset);
  ~HandsetWaiter() override;
  HandsetWaiter(const HandsetWaiter&) = delete;
  HandsetWaiter& operator=(const HandsetWaiter&) = delete;

  // Runs the handset's posted tasks until condition holds or the deadline passes, sleeping
  // until the next post (or `between` time) in between; calls between() before each look.
  // Returns the last answer.
  bool Until(const std::function<bool()>& condition,
             std::chrono::milliseconds deadline = std::chrono::seconds(10),
             const std::function<void()>& between = [] {});

  // A loop that finds nothing to do ends (GetMessage returns as at a quit).
  bool Idle(std::int64_t) override { return false; }
  void Wake() override;

 private:
  Handset& m_handset;
  std::mutex m_mutex;
  std::condition_variable m_woken;
  bool m_wake = false;  // guarded by m_mutex
};

// The handset's debug output lines that hold part, in UTF-8.
std::vector<std::string> DebugLinesWith(const Handset& handset, const std::string& part);

// The application's program, for the tests and benchmarks that name it from here.
using test_support::RunsInStart;

}  // namespace host::mpris::testing_support
