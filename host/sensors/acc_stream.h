// What the samples of a streaming accelerometer (a replay, IIO) go through before a read of
// ACC0: answers: the motion stage (host/drivers/motion_stage.h) sees every sample at the
// source's own rate, then the peak window (peak_window.h) keeps the last 100 ms of its output;
// the driver clamps a read to bytes.
//
// The one entry point for a source is Add: a reader that gets its samples in batches (a
// buffered IIO scan) adds each with its own time.
//
// Plain data handed the time: no clock, no allocation, no locking (the owner locks).
#pragma once

#include <cstdint>
#include <optional>

#include "host/drivers/accelerometer.h"
#include "host/drivers/motion_stage.h"
#include "host/sensors/peak_window.h"

namespace host::sensors {

class AccStream {
 public:
  explicit AccStream(MotionMode mode = MotionMode::kRaw) : m_stage(mode) {}

  // A sample the source measured at atMs (times not going back), in counts of 64 per g.
  void Add(std::int64_t atMs, AccCounts counts);
  // The read at nowMs: the peak window over the stage's output (kStaged), or over the samples
  // as measured (kSource); nullopt before the first Add (or after Clear).
  std::optional<AccCounts> Read(std::int64_t nowMs, AccTap tap = AccTap::kStaged) const;
  // Forgets everything, the stage's memory too.
  void Clear();

  MotionMode mode() const { return m_stage.mode(); }
  // Another mode, from nothing (Clear).
  void set_mode(MotionMode mode);

 private:
  MotionStage m_stage;
  PeakWindow m_staged;
  PeakWindow m_source;  // not kept in raw mode, where it is m_staged
};

}  // namespace host::sensors
