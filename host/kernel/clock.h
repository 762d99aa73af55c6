// Time on the handset, in milliseconds since the handset started.
#pragma once

#include <cstdint>

namespace host {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMs() const = 0;
  // Lets time pass until t (the message loop's wait when nothing is ready). A real clock
  // sleeps; a virtual one jumps. Does nothing when t is not in the future.
  virtual void WaitUntil(std::int64_t t);
};

// Time moves only when told: tests and scripts.
class VirtualClock final : public Clock {
 public:
  std::int64_t NowMs() const override { return m_now; }
  void WaitUntil(std::int64_t t) override {
    if (t > m_now) m_now = t;
  }
  // REQUIRES: ms >= 0.
  void Advance(std::int64_t ms) { m_now += ms; }
  // REQUIRES: t >= NowMs().
  void AdvanceTo(std::int64_t t) { m_now = t; }

 private:
  std::int64_t m_now = 0;
};

// The host's monotonic clock, counted from the object's construction: interactive use.
class RealClock final : public Clock {
 public:
  RealClock();
  std::int64_t NowMs() const override;

 private:
  std::int64_t m_startNs;
};

}  // namespace host
