#include "host/drivers/motion_stage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace host {
namespace {

constexpr float kOneG = kAccCountsPerG;
// flick: the span of a push before it swings back, the least push, and the share of push and
// swing back together that an axis reads.
constexpr std::int64_t kPushSpanMs = 150;
constexpr float kLeastPush = kOneG;
constexpr float kPushShare = 2.0f / 3.0f;
// flick: the guard against steady shocks, over [t - 2000 ms, t - 300 ms].
constexpr std::int64_t kGuardSpanMs = 2000;
constexpr std::int64_t kGuardGapMs = 300;
constexpr float kGuardFloor = 1.5f * kOneG;

std::int16_t Counts(float value) {
  float limited = std::clamp(value, float{std::numeric_limits<std::int16_t>::min()},
                             float{std::numeric_limits<std::int16_t>::max()});
  return static_cast<std::int16_t>(std::lround(limited));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// The slot of index in a ring of n.
std::size_t Slot(std::int64_t index, std::int64_t n) {
  return static_cast<std::size_t>(((index % n) + n) % n);
}

std::array<float, 3> Axes(AccCounts c) { return {float(c.x), float(c.y), float(c.z)}; }

}  // namespace

const char* MotionModeName(MotionMode mode) {
  switch (mode) {
    case MotionMode::kRaw:
      return "raw";
    case MotionMode::kGravity:
      return "gravity";
    case MotionMode::kFlick:
      return "flick";
  }
  return "raw";
}

std::optional<MotionMode> MotionModeNamed(std::string_view name) {
  for (MotionMode mode : {MotionMode::kRaw, MotionMode::kGravity, MotionMode::kFlick}) {
    if (name == MotionModeName(mode)) return mode;
  }
  return std::nullopt;
}

std::string MotionModeNames() { return "raw, gravity or flick"; }

void MotionStage::Reset() { *this = MotionStage(m_mode); }

AccCounts MotionStage::Apply(std::int64_t atMs, AccCounts counts) {
  if (m_mode == MotionMode::kRaw) return counts;
  if (m_started && atMs < m_lastMs) Reset();
  if (!m_started) {
    m_started = true;
    m_lastMs = atMs;
    m_gravity = Axes(counts);
  }
  return m_mode == MotionMode::kGravity ? Gravity(atMs, counts) : Flick(atMs, counts);
}

std::array<float, 3> MotionStage::WithoutGravity(std::int64_t atMs, AccCounts counts,
                                                 float slew) {
  std::int64_t dt = atMs - m_lastMs;
  m_lastMs = atMs;
  if (dt != m_lastDtMs) {
    m_lastDtMs = dt;
    m_alpha = 1.0f - std::exp(-static_cast<float>(dt) / kGravityTauMs);
  }
  std::array<float, kAxes> value = Axes(counts);
  std::array<float, kAxes> moved;
  for (int axis = 0; axis < kAxes; ++axis) {
    moved[axis] = value[axis] - m_gravity[axis];
    m_gravity[axis] += m_alpha * std::clamp(moved[axis], -slew, slew);
  }
  return moved;
}

AccCounts MotionStage::Gravity(std::int64_t atMs, AccCounts counts) {
  std::array<float, kAxes> moved =
      WithoutGravity(atMs, counts, std::numeric_limits<float>::infinity());
  return AccCounts{Counts(moved[0]), Counts(moved[1]), Counts(moved[2])};
}

AccCounts MotionStage::Flick(std::int64_t atMs, AccCounts counts) {
  std::array<float, kAxes> moved = WithoutGravity(atMs, counts, kGravitySlewCounts);

  // The highest value of each axis over the last kPushSpanMs, before this sample.
  std::array<float, kAxes> push;
  push.fill(-std::numeric_limits<float>::infinity());
  const std::int64_t fineNow = FloorDiv(atMs, kFineSlotMs);
  for (const FineSlot& slot : m_fine) {
    if (slot.index == kNone || slot.index * kFineSlotMs < atMs - kPushSpanMs) continue;
    for (int axis = 0; axis < kAxes; ++axis) push[axis] = std::max(push[axis], slot.high[axis]);
  }
  // The strongest movement within the guard's span.
  float strongest = 0;
  const std::int64_t coarseNow = FloorDiv(atMs, kCoarseSlotMs);
  for (const CoarseSlot& slot : m_coarse) {
    if (slot.index == kNone) continue;
    std::int64_t from = slot.index * kCoarseSlotMs;
    if (slot.index == kNone || from < atMs - kGuardSpanMs || from + kCoarseSlotMs > atMs - kGuardGapMs) {
      continue;
    }
    strongest = std::max(strongest, slot.strongest);
  }
  const float guard = std::max(0.0f, strongest - kGuardFloor);

  std::array<float, kAxes> out;
  for (int axis = 0; axis < kAxes; ++axis) {
    float read = push[axis] >= kLeastPush ? kPushShare * (push[axis] - moved[axis]) : 0.0f;
    out[axis] = read - guard;
  }

  // This sample into the memory.
  FineSlot& fine = m_fine[Slot(fineNow, kFineSlots)];
  if (fine.index != fineNow) fine = FineSlot{fineNow, moved};
  for (int axis = 0; axis < kAxes; ++axis) fine.high[axis] = std::max(fine.high[axis], moved[axis]);
  CoarseSlot& coarse = m_coarse[Slot(coarseNow, kCoarseSlots)];
  if (coarse.index != coarseNow) coarse = CoarseSlot{coarseNow, 0};
  float length = std::sqrt(moved[0] * moved[0] + moved[1] * moved[1] + moved[2] * moved[2]);
  coarse.strongest = std::max(coarse.strongest, length);

  return AccCounts{Counts(out[0]), Counts(out[1]), Counts(out[2])};
}

}  // namespace host
