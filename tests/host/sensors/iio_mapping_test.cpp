// From raw IIO readings to the handset's bytes: the mount matrix texts, the byte at 64 per g
// with its rounding and clamping, and scale, offset and matrix together.
#include <gtest/gtest.h>

#include <string>

#include "host/sensors/iio_mapping.h"
#include "tests/support/text_cases.h"

namespace host::sensors {
namespace {

std::string Text(const std::optional<MountMatrix>& m) {
  if (!m) return "unusable";
  std::string out;
  for (const auto& row : *m) {
    if (!out.empty()) out += "; ";
    for (int c = 0; c < 3; ++c) {
      char number[32];
      std::snprintf(number, sizeof number, "%g", row[c] == 0 ? 0.0 : row[c]);
      out += (c > 0 ? " " : "") + std::string(number);
    }
  }
  return out;
}

TEST(MountMatrix, TextsOfRealDevicesAndMistakes) {
  const test_support::TextCase cases[] = {
      // systemd hwdb (60-sensor.hwdb) shapes
      {"0, 1, 0; -1, 0, 0; 0, 0, 1", "0 1 0; -1 0 0; 0 0 1"},
      {"-1, 0, 0; 0, -1, 0; 0, 0, 1", "-1 0 0; 0 -1 0; 0 0 1"},
      {"0,-1,0;1,0,0;0,0,1", "0 -1 0; 1 0 0; 0 0 1"},
      {"1, 0, 0; 0, -1, 0; 0, 0, -1 ", "1 0 0; 0 -1 0; 0 0 -1"},
      // the kernel's in_accel_mount_matrix, with its line end; "-0" and decimals
      {"0, -1, 0; -1, 0, 0; 0, 0, -1\n", "0 -1 0; -1 0 0; 0 0 -1"},
      {"-0, 1, 0; 1, -0, 0; 0, 0, 1\n", "0 1 0; 1 0 0; 0 0 1"},
      {"0.7071, 0.7071, 0; -0.7071, 0.7071, 0; 0, 0, 1", "0.7071 0.7071 0; -0.7071 0.7071 0; 0 0 1"},
      {"  1 ,0,0 ;0, 1,0;0,0, 1\t", "1 0 0; 0 1 0; 0 0 1"},
      // unusable
      {"", "unusable"},
      {"1, 0, 0; 0, 1, 0", "unusable"},
      {"1, 0, 0; 0, 1, 0; 0, 0, 1; 1, 0, 0", "unusable"},
      {"1, 0; 0, 1, 0; 0, 0, 1", "unusable"},
      {"1, 0, 0, 0; 0, 1, 0; 0, 0, 1", "unusable"},
      {"1, 0, 0; 0, x, 0; 0, 0, 1", "unusable"},
      {"1, 0, 0; 0, 1, 0; 0, 0, ", "unusable"},
      {"1, 0, 0; 0, 0, 0; 0, 0, 1", "unusable"},
      {"1, 0, 0; 0, 1, 0; 0, 0, nan", "unusable"},
      {"1 0 0; 0 1 0; 0 0 1", "unusable"},
  };
  test_support::ExpectTexts(cases, [](const char* text) { return Text(ParseMountMatrix(text)); });
}

TEST(HandsetCounts, SixtyFourPerGRoundedHalfAwayFromZeroAndKeptWithin32G) {
  const double g = kStandardGravity;
  struct Case {
    double g;
    int byte;
  };
  const Case cases[] = {
      {0, 0},          {1, 64},          {-1, -64},        {1.25, 80},        {0.5 / 64, 1},
      {-0.5 / 64, -1}, {0.49 / 64, 0},   {1.5 / 64, 2},    {-2.5 / 64, -3},   {127.0 / 64, 127},
      {2, 128},        {-2, -128},       {-3, -192},       {32, 2048},        {-32, -2048},
      {1e9, 2048},     {-1e9, -2048},
  };
  for (const Case& c : cases) EXPECT_EQ(c.byte, HandsetCounts(c.g * g)) << c.g << " g";
}

TEST(MapRawSample, ScaleOffsetThenMatrix) {
  // A phone lying face up, raw counts of 1/1024 g: z reads 1 g.
  const double count = kStandardGravity / 1024;
  IioCalibration c;
  c.scale = {count, count, count};
  EXPECT_EQ((AccCounts{0, 0, 64}), MapRawSample(c, {0, 0, 1024}));
  EXPECT_EQ((AccCounts{80, 0, 64}), MapRawSample(c, {1280, 0, 1024}));
  // Offsets in raw units, per axis.
  c.offset = {-24, 0, 1024};
  EXPECT_EQ((AccCounts{64, 0, 128}), MapRawSample(c, {1048, 0, 1024}));
  // The matrix turns the sensor's axes into the device's: rotated by 90 degrees.
  c.offset = {0, 0, 0};
  c.matrix = {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
  EXPECT_EQ((AccCounts{32, -64, 0}), MapRawSample(c, {1024, 512, 0}));
  // Far beyond the range: kept within 32 g.
  EXPECT_EQ((AccCounts{2048, -2048, -2048}), MapRawSample(c, {100000, 100000, -100000}));
}

}  // namespace
}  // namespace host::sensors
