// The window timers of the handset: plain data that is handed the time and never reads a clock.
// Win32 rules: arming an id that runs restarts its period from now; a timer falls due at its arm
// time plus a whole number of periods, and periods missed while nobody asked are skipped; of
// timers due together, the one due earliest comes first, then the one armed first.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/windows.h"

namespace host {

struct TimerKey {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  bool operator==(const TimerKey&) const = default;
};

class TimerSet {
 public:
  // Arms key with the period counted from now, replacing a running timer of the same key.
  // REQUIRES: periodMs > 0.
  void Arm(TimerKey key, std::int64_t periodMs, std::int64_t now);
  // False when no such timer runs.
  bool Kill(TimerKey key);
  // Stops every timer of the window.
  void KillAllOf(HWND hwnd);
  bool Contains(TimerKey key) const;

  // The timer to deliver at now, if any is due; it moves on to its first due time after now.
  // The result points into the set: valid until the set changes. (A pointer, not an optional
  // copy: the message loop asks at every turn.)
  const TimerKey* NextExpired(std::int64_t now);
  // When the next timer falls due; nullopt when none is armed. Inline: the message loop asks
  // at every turn, and an optional returned from out of line costs more than the search.
  std::optional<std::int64_t> NextDue() const {
    if (m_timers.empty()) return std::nullopt;
    std::int64_t next = m_timers.front().due;
    for (const Timer& t : m_timers) next = t.due < next ? t.due : next;
    return next;
  }
  bool empty() const { return m_timers.empty(); }

  struct Running {
    TimerKey key;
    std::int64_t periodMs;
    std::int64_t due;
  };
  // The running timers, in the order they were armed.
  std::vector<Running> List() const;

 private:
  struct Timer {
    TimerKey key;
    std::int64_t armedAt;
    std::int64_t periodMs;
    std::int64_t due;
    std::uint64_t order;  // when it was armed, for timers due together
  };

  std::vector<Timer> m_timers;
  std::uint64_t m_nextOrder = 0;
};

}  // namespace host
