// The IIO back-end against umockdev's emulated sysfs and udev: finding the accelerometer among
// IIO devices, its scale, offset and mount matrix, a device that goes away and comes back, and
// a flick shorter than the application's poll, and a sensor parked behind the gestures'
// gate. The binary runs itself under umockdev-wrapper;
// each test builds its own testbed.
#include "host/drivers/gesture_gate.h"
#include "tests/host/sensors/iio_testbed.h"
#include "tests/support/text_cases.h"

namespace host::sensors {
namespace {

using namespace testing_iio;

TEST_F(IioTest, FindsTheAccelerometerAmongIioDevicesByOrderOrName) {
  Add(Device(kAls, {"A: name=als", "A: in_illuminance_raw=80"}));
  EXPECT_EQ("error: no IIO accelerometer found (looked for devices of subsystem iio with "
            "in_accel_x_raw; other IIO devices: iio:device0)",
            Found(""));
  Add(Accelerometer(kAccel, "mma8452"));
  Add(Accelerometer("/sys/devices/platform/lid/iio:device10", "lis3dh"));
  Add(Accelerometer("/sys/devices/platform/base/iio:device2", "bmi160"));
  const test_support::TextCase cases[] = {
      {"", "iio:device1 mma8452 identity => 0,0,127"},
      {"lis3dh", "iio:device10 lis3dh identity => 0,0,127"},
      {"iio:device2", "iio:device2 bmi160 identity => 0,0,127"},
      {"als", "error: no IIO accelerometer named als (looked for the name attribute or sysfs "
              "name among devices of subsystem iio with in_accel_x_raw: iio:device1 (mma8452), "
              "iio:device2 (bmi160), iio:device10 (lis3dh))"},
  };
  test_support::ExpectTexts(cases, [this](const char* selector) { return Found(selector); });
}

TEST_F(IioTest, ScaleAndOffsetPerAxisElseSharedElseOneAndZero) {
  // 1024 counts a g on z; 0.0095768 m/s^2 a count is 1/1024 g.
  struct Case {
    std::vector<std::string> attributes;
    const char* found;
  };
  const Case cases[] = {
      {{}, "=> 0,0,127"},  // scale 1: 1024 m/s^2, clamped
      {{"A: in_accel_scale=0.009576806"}, "=> 0,0,64"},
      {{"A: in_accel_scale=0.009576806", "A: in_accel_z_scale=0.004788403"}, "=> 0,0,32"},
      {{"A: in_accel_scale=0.009576806", "A: in_accel_offset=512"}, "=> 32,32,96"},
      {{"A: in_accel_scale=0.009576806", "A: in_accel_offset=512", "A: in_accel_x_offset=-512"},
       "=> -32,32,96"},
      {{"A: in_accel_scale=+0.009576806\n"}, "=> 0,0,64"},
  };
  for (const Case& c : cases) {
    umockdev_testbed_clear(m_testbed);
    Add(Accelerometer(kAccel, "mma8452", c.attributes));
    std::string found = Found("");
    EXPECT_EQ(c.found, found.substr(found.find("=>"))) << c.attributes.size();
  }
  // nan and inf are no scale or offset: taken as missing, with one line each.
  const Case unusable[] = {
      {{"A: in_accel_scale=0.009576806", "A: in_accel_z_scale=nan"}, "=> 0,0,64"},
      {{"A: in_accel_scale=inf", "A: in_accel_z_scale=0.009576806"}, "=> 0,0,64"},
      {{"A: in_accel_scale=0.009576806", "A: in_accel_offset=-inf"}, "=> 0,0,64"},
      {{"A: in_accel_scale=0.009576806", "A: in_accel_y_offset=NaN"}, "=> 0,0,64"},
  };
  for (const Case& c : unusable) {
    umockdev_testbed_clear(m_testbed);
    Add(Accelerometer(kAccel, "mma8452", c.attributes));
    std::string found = Found("");
    EXPECT_EQ(c.found, found.substr(found.find("=>"))) << c.attributes[1];
  }
  EXPECT_EQ((std::vector<std::string>{
                "iio: iio:device1: the scale \"nan\" of in_accel_z_scale is unusable; taking it as "
                "missing",
                "iio: iio:device1: the scale \"inf\" of in_accel_scale is unusable; taking it as "
                "missing",
                "iio: iio:device1: the offset \"-inf\" of in_accel_offset is unusable; taking it "
                "as missing",
                "iio: iio:device1: the offset \"NaN\" of in_accel_y_offset is unusable; taking it "
                "as missing"}),
            Lines());
  umockdev_testbed_clear(m_testbed);
  Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=fast"}));
  EXPECT_EQ("error: " + std::string(kAccel) + "/in_accel_scale holds \"fast\", not a number",
            Found(""));
}

TEST_F(IioTest, MountMatrixFromUdevElseAttributesElseIdentity) {
  const std::string scale = "A: in_accel_scale=0.009576806";
  const std::string rotated = "0, 1, 0; -1, 0, 0; 0, 0, 1";  // x = sensor y, y = -sensor x
  struct Case {
    std::vector<std::string> lines;
    const char* found;
  };
  const Case cases[] = {
      {{}, "identity => 64,0,64"},
      {{"A: mount_matrix=" + rotated}, "mount_matrix => 0,-64,64"},
      {{"A: in_accel_mount_matrix=-1, 0, 0; 0, -1, 0; 0, 0, -1", "A: mount_matrix=" + rotated},
       "in_accel_mount_matrix => -64,0,-64"},
      {{"E: ACCEL_MOUNT_MATRIX=" + rotated, "A: in_accel_mount_matrix=-1,0,0;0,-1,0;0,0,-1"},
       "ACCEL_MOUNT_MATRIX => 0,-64,64"},
      {{"E: ACCEL_MOUNT_MATRIX=0,-1,0;1,0,0;0,0,1 "}, "ACCEL_MOUNT_MATRIX => 0,64,64"},
      {{"E: ACCEL_MOUNT_MATRIX=1, 0, 0; 0, 0, 0; 0, 0, 1"}, "identity => 64,0,64"},
  };
  for (const Case& c : cases) {
    umockdev_testbed_clear(m_testbed);
    std::vector<std::string> lines = c.lines;
    lines.push_back(scale);
    Add(Accelerometer(kAccel, "mma8452", lines));
    Set(kAccel, "in_accel_x_raw", "1024");
    std::string found = Found("");
    EXPECT_EQ(c.found, found.substr(found.find(' ', found.find(' ') + 1) + 1)) << c.found;
  }
  EXPECT_EQ(std::vector<std::string>{"iio: iio:device1: the mount matrix \"1, 0, 0; 0, 0, 0; "
                                     "0, 0, 1\" of ACCEL_MOUNT_MATRIX is unusable; using the "
                                     "identity"},
            Lines());
}

TEST_F(IioTest, AFlickShorterThanThePollIsCaughtByThePeakWindow) {
  Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"}));
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
  ASSERT_NE(nullptr, sensor);
  sensor->Opened();
  // 100 Hz samples; the handset is flicked to the right (x 1.5 g) for 30 ms from t = 40.
  for (std::int64_t t = 10; t <= 300; t += 10) {
    clock.AdvanceTo(t);
    if (t == 40) Set(kAccel, "in_accel_x_raw", "1536");
    if (t == 70) Set(kAccel, "in_accel_x_raw", "0");
    sensor->SampleNow();
    if (t == 100) {
      EXPECT_EQ("96,0,64", Text(sensor->Read())) << "the poll at 100 ms";
    }
    if (t == 200) {
      EXPECT_EQ("0,0,64", Text(sensor->Read())) << "the poll at 200 ms";
    }
  }
  sensor->Closed();
}

TEST_F(IioTest, AVanishedDeviceFailsReadsAndIsFoundAgain) {
  const std::string description = Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"});
  Add(description);
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
  ASSERT_NE(nullptr, sensor);
  sensor->Opened();
  EXPECT_EQ("0,0,64", Text(sensor->Read()));
  Remove(kAccel);
  for (int tick = 0; tick < 50; ++tick) {  // half a second at 100 Hz: one line, not fifty
    clock.Advance(10);
    sensor->SampleNow();
    EXPECT_EQ("none", Text(sensor->Read()));
  }
  EXPECT_FALSE(sensor->Present());
  Add(description);
  Set(kAccel, "in_accel_y_raw", "512");
  clock.Advance(400);
  sensor->SampleNow();
  EXPECT_EQ("none", Text(sensor->Read())) << "looked again too soon";
  clock.Advance(600);  // a second after the last look
  sensor->SampleNow();
  EXPECT_EQ("0,32,64", Text(sensor->Read()));
  sensor->Closed();
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(0u, lines[0].find("iio: iio:device1 (mma8452) went away (cannot read " +
                              std::string(kAccel) + "/in_accel_x_raw: No such file or directory)"))
      << lines[0];
  EXPECT_EQ("iio: iio:device1 (mma8452) is back", lines[1]);
}

TEST_F(IioTest, AnAttributeThatIsNotARegularFileIsRefusedWithoutBlocking) {
  for (const char* attribute : {"in_accel_x_raw", "in_accel_scale", "name"}) {
    umockdev_testbed_clear(m_testbed);
    Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"}));
    MakeFifo(kAccel, attribute);
    EXPECT_EQ("error: cannot read " + std::string(kAccel) + "/" + attribute +
                  ": not a regular file",
              WithoutBlocking(kAccel, attribute, [&] { return Found(""); }));
  }
  // Replaced while sampling: the device is taken as gone.
  umockdev_testbed_clear(m_testbed);
  Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"}));
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
  ASSERT_NE(nullptr, sensor);
  sensor->Opened();
  MakeFifo(kAccel, "in_accel_y_raw");
  clock.Advance(10);
  EXPECT_EQ("none", WithoutBlocking(kAccel, "in_accel_y_raw", [&] {
              sensor->SampleNow();
              return Text(sensor->Read());
            }));
  sensor->Closed();
  ASSERT_EQ(1u, Lines().size());
  EXPECT_EQ("iio: iio:device1 (mma8452) went away (cannot read " + std::string(kAccel) +
                "/in_accel_y_raw: not a regular file); reads fail until it is back",
            Lines()[0]);
}

TEST_F(IioTest, ReaderThreadSamplesOnlyWhileOpen) {
  Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"}));
  RealClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kReaderThread);
  ASSERT_NE(nullptr, sensor);
  EXPECT_EQ("none", Text(sensor->Read())) << "not sampled before the open";
  sensor->Opened();
  EXPECT_EQ("0,0,64", Text(sensor->Read()));
  Set(kAccel, "in_accel_x_raw", "1280");
  // The thread sees the new file within a few periods; bounded by a deadline.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Text(sensor->Read()) != "80,0,64" && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ("80,0,64", Text(sensor->Read()));
  sensor->Closed();
  EXPECT_EQ("none", Text(sensor->Read()));
}

TEST_F(IioTest, PausedBehindTheGateNothingIsSampledAndTheOldFlickIsForgotten) {
  Add(Accelerometer(kAccel, "mma8452", {"A: in_accel_scale=0.009576806"}));
  RealClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kReaderThread);
  ASSERT_NE(nullptr, sensor);
  GestureGate gate(*sensor);
  gate.Opened();  // the application opened ACC0:, but nothing plays
  EXPECT_EQ("0,0,64", Text(gate.Read())) << "at rest, raw";
  EXPECT_EQ("none", Text(sensor->Read())) << "not sampled";
  gate.SetPlaying(true);
  Set(kAccel, "in_accel_x_raw", "1280");  // a flick to the right, held
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Text(gate.Read()) != "80,0,64" && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ("80,0,64", Text(gate.Read()));
  gate.SetPlaying(false);
  Set(kAccel, "in_accel_x_raw", "0");
  // Five sampling periods: a reader thread that still ran would have filled the window.
  std::this_thread::sleep_for(std::chrono::milliseconds(5 * kIioSamplePeriodMs));
  EXPECT_EQ("none", Text(sensor->Read())) << "parked: nothing sampled while paused";
  EXPECT_EQ("0,0,64", Text(gate.Read()));
  // Within 100 ms of the flick, which the peak window would still show had it been kept.
  gate.SetPlaying(true);
  EXPECT_EQ("0,0,64", Text(gate.Read())) << "sampled afresh at once";
  gate.Closed();
}

}  // namespace
}  // namespace host::sensors
