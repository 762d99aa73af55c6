#include "host/sensors/peak_window.h"

#include <algorithm>

namespace host::sensors {
namespace {

AccCounts Highest(AccCounts a, AccCounts b) {
  return AccCounts{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

}  // namespace

void PeakWindow::Add(std::int64_t atMs, AccCounts sample) {
  Slot& slot = m_slots[static_cast<std::size_t>(((atMs % kPeakSpanMs) + kPeakSpanMs) % kPeakSpanMs)];
  if (slot.atMs == atMs) {
    slot.high = Highest(slot.high, sample);
  } else if (slot.atMs < atMs) {
    slot = Slot{atMs, sample};
  }
  if (atMs >= m_latestMs) {
    m_latestMs = atMs;
    m_latest = sample;
  }
}

std::optional<AccCounts> PeakWindow::Peak(std::int64_t nowMs) const {
  if (m_latestMs == kNever) return std::nullopt;
  std::optional<AccCounts> high;
  for (const Slot& slot : m_slots) {
    if (slot.atMs <= nowMs - kPeakSpanMs || slot.atMs > nowMs) continue;
    high = high ? Highest(*high, slot.high) : slot.high;
  }
  return high ? *high : m_latest;
}

void PeakWindow::Clear() { *this = PeakWindow(); }

}  // namespace host::sensors
