// Recording what the accelerometer's driver reads, by hand: the window's --record FILE. Every
// period (10 ms, 100 reads a second) one read of the sensor becomes one row of a recording
// (replay.h): "ms,x,y,z", ms counted from the first poll, after the header "ms,x,y,z,label". A
// row holds what the source measured, before the motion stage and the driver's clamp to bytes
// (counts of 64 per g, beyond -128..127 too), so that a replay or an evaluation can put it
// through any stage. A label (the person began an intended gesture) goes on the next row
// written as its fifth field, so that quorvane-motion eval can score the recording
// (docs/motion.md).
//
// The file holds whole rows only: each row goes out in one piece and is on disk once written;
// the first write that fails (a full disk) cuts the file back to its last whole row, is kept as
// the recording's failure, and ends the recording.
//
// Plain data handed the time: the owner calls Poll from its loop, at least as often as
// next_due_ms() asks. A read that fails writes no row (a label waits for the next one).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/crt/result.h"
#include "host/drivers/accelerometer.h"
#include "host/sensors/replay.h"

namespace host::sensors {

inline constexpr std::int64_t kRecordPeriodMs = 10;

// A file that takes whole pieces or none.
class RecordFile {
 public:
  // Creates path (or empties it). An error names the path and the reason.
  static host::Result<std::unique_ptr<RecordFile>> Create(const std::string& path);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Writes text whole; on failure cuts the file back to what was whole before, keeps the
  // failure and takes nothing more. False once failed.
  bool Write(std::string_view text);

  const std::string& path() const { return m_path; }
  // The first failed write ("PATH: No space left on device"); nullopt while all went well.
  const std::optional<host::Error>& failure() const { return m_failure; }

 private:
  RecordFile(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

  std::string m_path;
  int m_fd;
  std::int64_t m_whole = 0;  // bytes written whole
  std::optional<host::Error> m_failure;
};

class MotionRecorder {
 public:
  // Writes the header at once. REQUIRES: sensor and file outlive the recorder.
  MotionRecorder(AccelerometerSensor& sensor, RecordFile& file);
  MotionRecorder(const MotionRecorder&) = delete;
  MotionRecorder& operator=(const MotionRecorder&) = delete;

  // Reads and writes a row when one is due at nowMs; periods that passed unused are skipped.
  // Nothing once the file has failed.
  void Poll(std::int64_t nowMs);
  // When the next row is due; nullopt before the first Poll (due at once).
  std::optional<std::int64_t> next_due_ms() const { return m_nextDueMs; }
  // Puts label on the next row written (a later label before it replaces this one).
  void Label(GestureLabel label) { m_pendingLabel = label; }
  // Rows written so far.
  std::int64_t rows() const { return m_rows; }
  // The file still takes the rows.
  bool ok() const { return !m_file.failure().has_value(); }

 private:
  AccelerometerSensor& m_sensor;
  RecordFile& m_file;
  std::optional<std::int64_t> m_startMs;
  std::optional<std::int64_t> m_nextDueMs;
  GestureLabel m_pendingLabel = GestureLabel::kNone;
  std::int64_t m_rows = 0;
};

}  // namespace host::sensors
