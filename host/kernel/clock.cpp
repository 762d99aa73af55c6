#include "host/kernel/clock.h"

#include <chrono>
#include <thread>

namespace host {
namespace {

std::int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void Clock::WaitUntil(std::int64_t t) {
  std::int64_t now = NowMs();
  if (t > now) std::this_thread::sleep_for(std::chrono::milliseconds(t - now));
}

RealClock::RealClock() : m_startNs(MonotonicNs()) {}

std::int64_t RealClock::NowMs() const { return (MonotonicNs() - m_startNs) / 1'000'000; }

void RealClock::WaitUntil(std::int64_t t) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(m_startNs)) +
                  std::chrono::milliseconds(t);
  m_woken.wait_until(lock, deadline, [this] { return m_wake; });
  m_wake = false;
}

void RealClock::Wake() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = true;
  }
  m_woken.notify_all();
}

}  // namespace host
