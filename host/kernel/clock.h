// Time on the handset, in milliseconds since the handset started.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace host {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMs() const = 0;
  // Lets time pass until t (the message loop's wait when nothing is ready). A real clock
  // sleeps; a virtual one jumps. Does nothing when t is not in the future.
  virtual void WaitUntil(std::int64_t t);
  // Thread-safe: makes a WaitUntil in progress return at once, or else the next one (the wake
  // is kept until a wait takes it), so that work handed over from another thread is not left
  // waiting (host/kernel/loop_inbox.h). A clock whose waits do not block ignores it.
  virtual void Wake() {}
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
  // Sleeps until t or until Wake, whichever comes first.
  void WaitUntil(std::int64_t t) override;
  void Wake() override;

 private:
  std::int64_t m_startNs;
  std::mutex m_mutex;
  std::condition_variable m_woken;
  bool m_wake = false;  // guarded by m_mutex
};

}  // namespace host
