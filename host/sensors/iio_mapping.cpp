#include "host/sensors/iio_mapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "host/crt/text_lines.h"

namespace host::sensors {
namespace {



std::optional<double> Number(std::string_view field) {
  field = Trimmed(field);
  if (!field.empty() && field[0] == '+') field.remove_prefix(1);
  if (field.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<MountMatrix> ParseMountMatrix(std::string_view text) {
  MountMatrix matrix{};
  text = Trimmed(text);
  for (int row = 0; row < 3; ++row) {
    std::size_t semicolon = text.find(';');
    if ((row < 2) != (semicolon != std::string_view::npos)) return std::nullopt;
    std::string_view rowText = text.substr(0, semicolon);
    bool allZero = true;
    for (int column = 0; column < 3; ++column) {
      std::size_t comma = rowText.find(',');
      if ((column < 2) != (comma != std::string_view::npos)) return std::nullopt;
      std::optional<double> value = Number(rowText.substr(0, comma));
      if (!value) return std::nullopt;
      matrix[row][column] = *value;
      allZero = allZero && *value == 0;
      rowText.remove_prefix(comma == std::string_view::npos ? rowText.size() : comma + 1);
    }
    if (allZero) return std::nullopt;
    text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
  }
  return matrix;
}

std::int16_t HandsetCounts(double metresPerSecond2) {
  double counts = std::round(kBytesPerG * metresPerSecond2 / kStandardGravity);
  if (std::isnan(counts)) return 0;
  constexpr double kLimit = kMaxAccCounts;
  return static_cast<std::int16_t>(std::clamp(counts, -kLimit, kLimit));
}

AccCounts MapRawSample(const IioCalibration& c, const std::array<long, 3>& raw) {
  double v[3];
  for (int axis = 0; axis < 3; ++axis) {
    v[axis] = (static_cast<double>(raw[axis]) + c.offset[axis]) * c.scale[axis];
  }
  std::int16_t counts[3];
  for (int row = 0; row < 3; ++row) {
    const std::array<double, 3>& m = c.matrix[row];
    counts[row] = HandsetCounts(m[0] * v[0] + m[1] * v[1] + m[2] * v[2]);
  }
  return AccCounts{counts[0], counts[1], counts[2]};
}

}  // namespace host::sensors
