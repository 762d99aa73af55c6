// The motion stage of the accelerometer driver: what becomes of each sample of a streaming
// source (a replay, an IIO accelerometer) before the peak window and a read of ACC0: see it.
// The application's detector stays as it is, comparing a read's x and z with its thresholds;
// the stage decides what those values mean. docs/motion.md tells how the modes were chosen.
//
//   raw      the samples as measured: gravity's 1 g adds to whichever axis points down.
//   gravity  gravity taken out: a low-pass estimate per axis (time constant 1 s) subtracted.
//   flick    reads a flick's strength: gravity taken out with an estimate that moves at most
//            kGravitySlewCounts per time constant, so that a flick or a step barely drags it;
//            an axis then reads 2/3 of the fall from its highest value of the last 150 ms to
//            now, when that value is at least 1 g (a push that swings back, as a flick does:
//            push and swing back together are 1.5 times the push when it swings back half as
//            hard); and every axis reads less by what the strongest movement of the last two
//            seconds (before the last 0.3 s) went beyond 1.5 g, so that the steady shocks of
//            running or stairs must beat their own height: a flick comes alone.
//
// Times are the samples' own (ms), at any rate (26 Hz recordings, 100 Hz IIO); each sample
// costs O(1) with no allocation (bench/motion_stage_bench.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "host/drivers/accelerometer.h"

namespace host {

enum class MotionMode : std::uint8_t { kRaw, kGravity, kFlick };

// The mode that a real accelerometer and quorvane-motion eval use unless told otherwise.
inline constexpr MotionMode kDefaultMotionMode = MotionMode::kFlick;

// "raw", "gravity", "flick".
const char* MotionModeName(MotionMode mode);
// The mode of that name; nullopt for others.
std::optional<MotionMode> MotionModeNamed(std::string_view name);
// "raw, gravity or flick", for messages.
std::string MotionModeNames();

class MotionStage {
 public:
  explicit MotionStage(MotionMode mode = MotionMode::kRaw) : m_mode(mode) {}

  MotionMode mode() const { return m_mode; }

  // The stage's output for the sample measured at atMs. Times are expected not to go back; a
  // time before the last one starts afresh, as after Reset. A sample holds until the next one
  // (a recording's rows may be far apart).
  AccCounts Apply(std::int64_t atMs, AccCounts counts);
  // Forgets everything (the source was closed, or went away).
  void Reset();

 private:
  static constexpr int kAxes = 3;
  // The flick mode's memory of the last 150 ms and two seconds, in slots of time.
  static constexpr std::int64_t kFineSlotMs = 10;
  static constexpr int kFineSlots = 16;
  static constexpr std::int64_t kCoarseSlotMs = 100;
  static constexpr int kCoarseSlots = 21;

  static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min();
  struct FineSlot {
    std::int64_t index = kNone;  // atMs / kFineSlotMs of its samples
    std::array<float, kAxes> high{};
  };
  struct CoarseSlot {
    std::int64_t index = kNone;
    float strongest = 0;  // the largest movement (length of the vector without gravity)
  };

  AccCounts Gravity(std::int64_t atMs, AccCounts counts);
  AccCounts Flick(std::int64_t atMs, AccCounts counts);
  // REQUIRES: m_started. The gravity estimate moved towards counts; returns counts - estimate
  // as it was before.
  std::array<float, kAxes> WithoutGravity(std::int64_t atMs, AccCounts counts, float slew);

  MotionMode m_mode;
  bool m_started = false;
  std::int64_t m_lastMs = 0;
  std::int64_t m_lastDtMs = -1;
  float m_alpha = 0;  // of m_lastDtMs
  std::array<float, kAxes> m_gravity{};
  std::array<FineSlot, kFineSlots> m_fine{};
  std::array<CoarseSlot, kCoarseSlots> m_coarse{};

 public:
  static constexpr float kGravityTauMs = 1000;
  static constexpr float kGravitySlewCounts = 16;  // 0.25 g
};

}  // namespace host
