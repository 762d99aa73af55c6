// The service's log: a trace that prints, time stamp first, one line per
//   - change of the text of the application's status line, on out, in the log's language
//     (host/screen/language.h: Chinese as the application's texts are, or their English):
//       2026-12-07 14:31:02.417  正在播放下一首
//       2026-12-07 14:31:02.417  Playing the next song
//   - next or previous that the application sends the music player (a flick), on out, named
//     as the tilt pad's directions name them (→ next, ↓ previous):
//       2026-12-07 14:31:02.417  flick right: next
//       2026-12-07 14:31:05.020  flick down: previous
//   - note of the host's own (Note), on out: the player chosen or lost, a device waited for:
//       2026-12-07 14:30:59.812  player: mpv (org.mpris.MediaPlayer2.mpv)
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
// Each line is flushed at once, so a journal shows it when it happens. Under systemd, whose
// journal stamps every line itself, the stamp is left out (ServiceStamp). Every event is also
// handed on to the next trace, when there is one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "host/kernel/trace.h"
#include "host/screen/language.h"

namespace host::service {

// The host's local time now, "YYYY-MM-DD HH:MM:SS.mmm".
std::string LocalTimeStamp();

// Whether journalStream, the value of JOURNAL_STREAM ("DEVICE:INODE", set by systemd for a
// service whose output goes to the journal), names the file open at fd. Null or malformed:
// false. (The variable is inherited by the service's children, whose output may go elsewhere:
// systemd.exec(5) says to compare it with the descriptor.)
bool IsJournalStream(const char* journalStream, int fd);

class StatusLog final : public Trace {
 public:
  // What goes before each line; a stamp that gives "" leaves the line bare.
  using Stamp = std::function<std::string()>;
  // REQUIRES: out, err and next outlive the log.
  StatusLog(std::ostream& out, std::ostream& err, Trace* next = nullptr,
            Stamp stamp = LocalTimeStamp);

  // The service's stamp: none when the standard output or error is the journal's stream
  // (JOURNAL_STREAM), else LocalTimeStamp.
  static Stamp ServiceStamp();

  // The trace the events are handed on to from now on (null: none).
  void set_next(Trace* next) { m_next = next; }
  // The language the status line is printed in (Chinese unless set).
  void set_language(screen::Language language) { m_language = language; }

  // The status line's texts, the flicks, gestures paused or resumed and the debug output,
  // and what the next trace wants.
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
  // Prints a note of the host's own on out, as one line (the player chosen).
  void Note(const std::string& text);

  // The status line's text as last printed, as the application set it.
  const std::string& status() const { return m_status; }

 private:
  void Line(std::ostream& to, const std::string& text);

  std::ostream& m_out;
  std::ostream& m_err;
  Trace* m_next;
  Stamp m_stamp;
  screen::Language m_language = screen::Language::kChinese;
  std::string m_status;
  std::string m_lastDebug;
  bool m_anyDebug = false;
  std::int64_t m_repeats = 0;
};

}  // namespace host::service
