#include "host/sensors/acc_stream.h"

namespace host::sensors {

void AccStream::Add(std::int64_t atMs, AccCounts counts) {
  if (mode() != MotionMode::kRaw) m_source.Add(atMs, counts);
  m_staged.Add(atMs, m_stage.Apply(atMs, counts));
}

std::optional<AccCounts> AccStream::Read(std::int64_t nowMs, AccTap tap) const {
  const PeakWindow& window = tap == AccTap::kSource && mode() != MotionMode::kRaw ? m_source
                                                                                 : m_staged;
  return window.Peak(nowMs);
}

void AccStream::Clear() {
  m_stage.Reset();
  m_staged.Clear();
  m_source.Clear();
}

void AccStream::set_mode(MotionMode mode) {
  m_stage = MotionStage(mode);
  Clear();
}

}  // namespace host::sensors
