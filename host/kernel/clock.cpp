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

}  // namespace host
