// From an IIO accelerometer's raw readings to the handset driver's sample.
//
// Per axis, the acceleration in m/s^2 is (raw + offset) * scale; the mount matrix M turns the
// sensor's axes into the device's: a = M * v. The handset's driver counts 64 per g:
// counts = round(64 * a / 9.80665), rounding half away from zero, kept within +-kMaxAccCounts
// (32 g); a read of the driver clamps them to a signed byte (+-2 g). At rest gravity gives at
// most 64 on an axis, below the lowest threshold (80).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/drivers/accelerometer.h"

namespace host::sensors {

inline constexpr double kStandardGravity = 9.80665;  // m/s^2
inline constexpr double kBytesPerG = 64.0;

// Rows of the matrix, each the weights of the sensor's x, y and z.
using MountMatrix = std::array<std::array<double, 3>, 3>;

inline constexpr MountMatrix kIdentityMatrix = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// "x1, y1, z1; x2, y2, z2; x3, y3, z3" as udev's ACCEL_MOUNT_MATRIX and the kernel's
// mount_matrix attributes write it: spaces optional, "-0" and decimals allowed, blanks (and a
// line end) around it ignored. nullopt for an unusable matrix: not 3 rows of 3 numbers, or a
// row of zeros.
std::optional<MountMatrix> ParseMountMatrix(std::string_view text);

// How one device's raw readings become accelerations.
struct IioCalibration {
  std::array<double, 3> scale{1, 1, 1};   // per axis x, y, z
  std::array<double, 3> offset{0, 0, 0};  // in raw units
  MountMatrix matrix = kIdentityMatrix;
};

// One axis in m/s^2 as counts of 64 per g, within +-kMaxAccCounts.
std::int16_t HandsetCounts(double metresPerSecond2);

// The counts for one raw reading (x, y, z). Allocates nothing.
AccCounts MapRawSample(const IioCalibration& calibration, const std::array<long, 3>& raw);

}  // namespace host::sensors
