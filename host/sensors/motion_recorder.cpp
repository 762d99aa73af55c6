#include "host/sensors/motion_recorder.h"

namespace host::sensors {

MotionRecorder::MotionRecorder(AccelerometerSensor& sensor, std::ostream& out)
    : m_sensor(sensor), m_out(out) {
  m_out << "ms,x,y,z,label\n";
}

void MotionRecorder::Poll(std::int64_t nowMs) {
  if (m_nextDueMs && nowMs < *m_nextDueMs) return;
  if (!m_startMs) m_startMs = nowMs;
  // Rows keep their rate: a wake-up a little late does not move the later rows back. After a
  // stall of a period or more, the rows go on from now instead of catching up in a burst.
  bool onTime = m_nextDueMs && nowMs - *m_nextDueMs < kRecordPeriodMs;
  m_nextDueMs = (onTime ? *m_nextDueMs : nowMs) + kRecordPeriodMs;
  std::optional<AccCounts> sample = m_sensor.ReadCounts(AccTap::kSource);
  if (!sample) return;
  m_out << (nowMs - *m_startMs) << ',' << int{sample->x} << ',' << int{sample->y} << ','
        << int{sample->z};
  if (m_pendingLabel == GestureLabel::kNext) m_out << ",next";
  if (m_pendingLabel == GestureLabel::kPrevious) m_out << ",previous";
  m_out << '\n';
  // A person stops a recording at any time: each row is on disk once written.
  m_out.flush();
  m_pendingLabel = GestureLabel::kNone;
  ++m_rows;
}

}  // namespace host::sensors
