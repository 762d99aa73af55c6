#include "host/mpris/note_limiter.h"

namespace host::mpris {

NoteLimiter::Verdict NoteLimiter::Admit(int kind, std::int64_t nowMs) {
  Minute& minute = m_minutes[static_cast<std::size_t>(kind)];
  Verdict verdict;
  if (!minute.started || nowMs - minute.startMs >= kNoteMinuteMs) {
    verdict.leftOut = minute.started ? minute.leftOut : 0;
    minute = Minute{true, nowMs, 0, 0};
  }
  if (minute.shown < kNotesPerMinute) {
    ++minute.shown;
    verdict.show = true;
    verdict.last = minute.shown == kNotesPerMinute;
  } else {
    ++minute.leftOut;
  }
  return verdict;
}

}  // namespace host::mpris
