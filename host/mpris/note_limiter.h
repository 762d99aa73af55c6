// How many debug lines of one kind go out: at most kNotesPerMinute in any minute counted from
// the first of them, the last of those marked, and the number left out told before the next
// one that goes out. Plain data, handed the time: a peer that floods the bus costs a few lines
// a minute, not one line per message.
#pragma once

#include <array>
#include <cstdint>

namespace host::mpris {

inline constexpr int kNotesPerMinute = 10;
inline constexpr std::int64_t kNoteMinuteMs = 60'000;

class NoteLimiter {
 public:
  struct Verdict {
    bool show = false;   // the line goes out
    bool last = false;   // and it is the last of its kind this minute
    int leftOut = 0;     // lines of this kind left out in the minute before, to tell first
  };

  // REQUIRES: 0 <= kind < kKinds; nowMs does not go back.
  Verdict Admit(int kind, std::int64_t nowMs);

  static constexpr int kKinds = 8;

 private:
  struct Minute {
    bool started = false;
    std::int64_t startMs = 0;
    int shown = 0;
    int leftOut = 0;
  };
  std::array<Minute, kKinds> m_minutes{};
};

}  // namespace host::mpris
