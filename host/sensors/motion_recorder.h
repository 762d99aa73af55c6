// Recording what the accelerometer's driver reads, by hand: the window's --record FILE. Every
// period (10 ms, 100 reads a second) one read of the sensor becomes one row of a recording
// (replay.h): "ms,x,y,z", ms counted from the first poll, after the header "ms,x,y,z,label". A
// row holds what the source measured, before the motion stage and the driver's clamp to bytes
// (counts of 64 per g, beyond -128..127 too), so that a replay or an evaluation can put it
// through any stage.
// A label (the person began an intended gesture) goes on the next row written as its fifth
// field, so that quorvane-motion eval can score the recording (docs/motion.md).
//
// Plain data handed the time: the owner calls Poll from its loop, at least as often as
// next_due_ms() asks. A read that fails writes no row (a label waits for the next one).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "host/drivers/accelerometer.h"
#include "host/sensors/replay.h"

namespace host::sensors {

inline constexpr std::int64_t kRecordPeriodMs = 10;

class MotionRecorder {
 public:
  // Writes the header at once. REQUIRES: sensor and out outlive the recorder.
  MotionRecorder(AccelerometerSensor& sensor, std::ostream& out);
  MotionRecorder(const MotionRecorder&) = delete;
  MotionRecorder& operator=(const MotionRecorder&) = delete;

  // Reads and writes a row when one is due at nowMs; periods that passed unused are skipped.
  void Poll(std::int64_t nowMs);
  // When the next row is due; nullopt before the first Poll (due at once).
  std::optional<std::int64_t> next_due_ms() const { return m_nextDueMs; }
  // Puts label on the next row written (a later label before it replaces this one).
  void Label(GestureLabel label) { m_pendingLabel = label; }
  // Rows written so far.
  std::int64_t rows() const { return m_rows; }
  // The output still takes the rows.
  bool ok() const { return static_cast<bool>(m_out); }

 private:
  AccelerometerSensor& m_sensor;
  std::ostream& m_out;
  std::optional<std::int64_t> m_startMs;
  std::optional<std::int64_t> m_nextDueMs;
  GestureLabel m_pendingLabel = GestureLabel::kNone;
  std::int64_t m_rows = 0;
};

}  // namespace host::sensors
