// A feedback daemon on the bus written with sdbus-c++ for the tests: org.sigxcpu.Feedback with
// TriggerFeedback, recording each call as "APP_ID EVENT HINTS TIMEOUT" (HINTS: the number of
// hints), and answering at once or never.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

namespace host::mpris::testing_support {

class FakeFeedback {
 public:
  enum class Answers { kAtOnce, kNever };

  // Connects to the bus at address and takes the name org.sigxcpu.Feedback.
  FakeFeedback(const std::string& address, Answers answers = Answers::kAtOnce);
  ~FakeFeedback();
  FakeFeedback(const FakeFeedback&) = delete;
  FakeFeedback& operator=(const FakeFeedback&) = delete;

  std::vector<std::string> Calls() const;
  // Waits (without spinning) until count calls have arrived; false at the deadline.
  bool WaitForCalls(std::size_t count, std::chrono::milliseconds deadline) const;

 private:
  std::unique_ptr<sdbus::IConnection> m_connection;
  std::unique_ptr<sdbus::IObject> m_object;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_called;
  std::vector<std::string> m_calls;
  std::vector<sdbus::Result<std::uint32_t>> m_held;  // replies never given
};

}  // namespace host::mpris::testing_support
