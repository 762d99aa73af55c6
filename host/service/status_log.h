// The service's log: a trace that prints, time stamp first, one line per
//   - change of the text of the application's status line, on out:
//       2026-12-07 14:31:02.417  正在播放下一首
//   - line of the system debug output (NKDbgPrintfW), on err, with the trailing line end
//     taken off; a line that repeats the one before is printed once, and how often it came is
//     told when another line follows (an absent sensor's "not opened" every 100 ms):
//       2026-12-07 14:31:00.001  debug: [Acc Api] Open ACC0 failed err 55..........
//   - pause or resume of gestures while the player does not play (--gestures when-playing), on
//     out:
//       2026-12-07 14:31:05.120  gestures paused: the player is not playing
//       2026-12-07 14:31:09.871  gestures resumed
//   - problem of the host's own (Problem), on err:
//       2026-12-07 14:35:10.220  the settings could not be saved to ... (Permission denied)
// Each line is flushed at once, so a journal shows it when it happens. Every event is also
// handed on to the next trace, when there is one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "host/kernel/trace.h"

namespace host::service {

// The host's local time now, "YYYY-MM-DD HH:MM:SS.mmm".
std::string LocalTimeStamp();

class StatusLog final : public Trace {
 public:
  using Stamp = std::function<std::string()>;
  // REQUIRES: out, err and next outlive the log.
  StatusLog(std::ostream& out, std::ostream& err, Trace* next = nullptr,
            Stamp stamp = LocalTimeStamp);

  // The status line's texts, gestures paused or resumed and the debug output, and what the next
  // trace wants.
  bool Wants(std::string_view ev) const override;
  // Of the status line's texts, only the changes; the next trace's wish otherwise.
  bool WantsRepeats(std::string_view ev) const override;
  void Record(std::int64_t t, std::string_view ev, TraceFields fields) override;
  void Waiting(std::optional<std::int64_t> waitMs) override {
    if (m_next != nullptr) m_next->Waiting(waitMs);
  }

  // Tells how often the last debug line repeated, when it did (call at the end).
  void Finish();
  // Prints a problem of the host's own on err, as one line (a failed save of the settings).
  void Problem(const std::string& text);

  // The status line's text as last printed.
  const std::string& status() const { return m_status; }

 private:
  void Line(std::ostream& to, const std::string& text);

  std::ostream& m_out;
  std::ostream& m_err;
  Trace* m_next;
  Stamp m_stamp;
  std::string m_status;
  std::string m_lastDebug;
  bool m_anyDebug = false;
  std::int64_t m_repeats = 0;
};

}  // namespace host::service
