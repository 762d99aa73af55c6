// The peak window of a streaming accelerometer: what one read of the handset's driver returns
// when the sensor is sampled more often than the application polls.
//
// A read at time t returns, per axis, the highest value added within the last kPeakSpanMs,
// i.e. at a time in (t - kPeakSpanMs, t]; when nothing was added in that span, the latest
// sample. So a flick shorter than the application's 100 ms poll is not missed, and what
// happened during its two deaf seconds is not carried over.
//
// Values are counts of 64 per g, wide (host/drivers/accelerometer.h); the driver clamps a read.
//
// Plain data handed the time: no clock, no allocation, no locking (the owner locks).
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "host/drivers/accelerometer.h"

namespace host::sensors {

inline constexpr std::int64_t kPeakSpanMs = 100;

class PeakWindow {
 public:
  // Adds a sample taken at atMs. Samples at the same millisecond merge (highest per axis);
  // times are expected not to go back, and a sample older than the latest one does not
  // become the latest.
  void Add(std::int64_t atMs, AccCounts sample);
  // The read at nowMs, as above; nullopt before the first Add (or after Clear).
  std::optional<AccCounts> Peak(std::int64_t nowMs) const;
  // Forgets everything.
  void Clear();

 private:
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();

  // One slot per millisecond of the span: the highest values added at atMs.
  struct Slot {
    std::int64_t atMs = kNever;
    AccCounts high;
  };

  std::array<Slot, kPeakSpanMs> m_slots{};
  std::int64_t m_latestMs = kNever;
  AccCounts m_latest;
};

}  // namespace host::sensors
