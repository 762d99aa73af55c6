#include "host/sensors/motion_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace host::sensors {

host::Result<std::unique_ptr<RecordFile>> RecordFile::Create(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return host::Error::FromErrno(path, errno);
  return std::unique_ptr<RecordFile>(new RecordFile(path, fd));
}

RecordFile::~RecordFile() { ::close(m_fd); }

bool RecordFile::Write(std::string_view text) {
  if (m_failure) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t written = ::write(m_fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_failure = host::Error::FromErrno(m_path, written < 0 ? errno : ENOSPC);
      // Back to the last whole row (a device such as /dev/full cannot be cut: nothing to do).
      if (done > 0 && ::ftruncate(m_fd, m_whole) == 0) ::lseek(m_fd, m_whole, SEEK_SET);
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  m_whole += static_cast<std::int64_t>(text.size());
  return true;
}

MotionRecorder::MotionRecorder(AccelerometerSensor& sensor, RecordFile& file)
    : m_sensor(sensor), m_file(file) {
  m_file.Write("ms,x,y,z,label\n");
}

void MotionRecorder::Poll(std::int64_t nowMs) {
  if (!ok()) return;
  if (m_nextDueMs && nowMs < *m_nextDueMs) return;
  if (!m_startMs) m_startMs = nowMs;
  // Rows keep their rate: a wake-up a little late does not move the later rows back. After a
  // stall of a period or more, the rows go on from now instead of catching up in a burst.
  bool onTime = m_nextDueMs && nowMs - *m_nextDueMs < kRecordPeriodMs;
  m_nextDueMs = (onTime ? *m_nextDueMs : nowMs) + kRecordPeriodMs;
  std::optional<AccCounts> sample = m_sensor.ReadCounts(AccTap::kSource);
  if (!sample) return;
  char row[96];
  const char* label = m_pendingLabel == GestureLabel::kNext       ? ",next"
                      : m_pendingLabel == GestureLabel::kPrevious ? ",previous"
                                                                  : "";
  int length = std::snprintf(row, sizeof row, "%lld,%d,%d,%d%s\n",
                             static_cast<long long>(nowMs - *m_startMs), sample->x, sample->y,
                             sample->z, label);
  // A person stops a recording at any time: each row is on disk once written, whole.
  if (!m_file.Write(std::string_view(row, static_cast<std::size_t>(length)))) return;
  m_pendingLabel = GestureLabel::kNone;
  ++m_rows;
}

}  // namespace host::sensors
