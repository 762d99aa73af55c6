// Buffered IIO against umockdev: the set-up of the kernel's buffer and its undo, scans fed to
// /dev/iio:deviceN by a script and drained at each read (a flick, the layouts, a partial scan),
// and the fall-backs to polling sysfs (busy, a scan format that cannot be used, silence), and a
// device that vanishes and comes back.
#include "host/crt/text_lines.h"
#include "tests/host/sensors/iio_testbed.h"

#include <filesystem>

namespace host::sensors {
namespace {

using namespace testing_iio;

constexpr const char* kNode = "/dev/iio:device1";
constexpr const char* kTrigger = "/sys/devices/platform/accel/trigger0";

struct Types {
  const char* axes = "le:s16/16>>0";
  const char* timestamp = "le:s64/64>>0";  // nullptr: no time stamp channel
};

// An accelerometer with a buffer (1024 counts a g, lying face up) and its trigger; more lines
// replace the default ones of the same attribute.
std::string BufferedAccelerometer(Types types = {}, const std::vector<std::string>& more = {}) {
  std::vector<std::string> lines = {
      "N: iio:device1",
      "A: in_accel_scale=0.009576806",
      "A: sampling_frequency=12.5\\n",
      "A: sampling_frequency_available=1.56 6.25 12.5 50 100 200 400 800\\n",
      "A: buffer/length=2\\n",
      "A: buffer/enable=0\\n",
      "A: trigger/current_trigger=\\n",
  };
  const char* axes[] = {"x", "y", "z"};
  for (int axis = 0; axis < 3; ++axis) {
    std::string prefix = std::string("A: scan_elements/in_accel_") + axes[axis];
    lines.push_back(prefix + "_en=0\\n");
    lines.push_back(prefix + "_index=" + std::to_string(axis) + "\\n");
    lines.push_back(prefix + "_type=" + types.axes + "\\n");
  }
  if (types.timestamp != nullptr) {
    lines.push_back("A: scan_elements/in_timestamp_en=0\\n");
    lines.push_back("A: scan_elements/in_timestamp_index=3\\n");
    lines.push_back(std::string("A: scan_elements/in_timestamp_type=") + types.timestamp + "\\n");
  }
  for (const std::string& line : more) {
    std::string key = line.substr(0, line.find('=') + 1);
    std::erase_if(lines, [&](const std::string& old) { return old.rfind(key, 0) == 0; });
    lines.push_back(line);
  }
  return Accelerometer(kAccel, "mma8452", lines) +
         Device(kTrigger, {"A: name=mma8452-dev1"});
}

void Put(std::vector<std::uint8_t>& scan, std::uint64_t value, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    scan.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// One scan of x, y, z of 16 bits (shifted left by shift) and, unless timestampNs < 0, the time
// stamp after two bytes of padding.
std::vector<std::uint8_t> Scan(long x, long y, long z, std::int64_t timestampNs,
                               bool bigEndian = false, int shift = 0) {
  std::vector<std::uint8_t> scan;
  for (long value : {x, y, z}) {
    Put(scan, static_cast<std::uint64_t>(value) << shift, 2, bigEndian);
  }
  if (timestampNs >= 0) {
    Put(scan, 0, 2, false);
    Put(scan, static_cast<std::uint64_t>(timestampNs), 8, false);
  }
  return scan;
}

std::vector<std::uint8_t> Joined(const std::vector<std::vector<std::uint8_t>>& parts) {
  std::vector<std::uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

constexpr std::int64_t kMs = 1000000;  // ns

class IioBufferTest : public IioTest {
 protected:
  // The first accelerometer's sensor, opened at atMs.
  std::unique_ptr<IioSensor> OpenedAt(VirtualClock& clock, std::int64_t atMs) {
    clock.AdvanceTo(atMs);
    std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
    if (sensor != nullptr) sensor->Opened();
    return sensor;
  }
  // The attributes the set-up changes: "x y z t | trigger | frequency | length | enable".
  std::string Changes() {
    std::string text;
    for (const char* channel : {"in_accel_x", "in_accel_y", "in_accel_z", "in_timestamp"}) {
      text += Trimmed(Get(kAccel, (std::string("scan_elements/") + channel + "_en").c_str()));
      text += " ";
    }
    for (const char* attribute : {"trigger/current_trigger", "sampling_frequency",
                                  "buffer/length", "buffer/enable"}) {
      text += std::string("| ") + std::string(Trimmed(Get(kAccel, attribute))) + " ";
    }
    return text;
  }
};

constexpr const char* kUntouched = "0 0 0 0 |  | 12.5 | 2 | 0 ";

TEST_F(IioBufferTest, SetsTheBufferUpOnOpenAndUndoesItOnClose) {
  struct Case {
    std::vector<std::string> lines;
    const char* setup;
    const char* line;
  };
  const Case cases[] = {
      {{}, "1 1 1 1 | mma8452-dev1 | 100 | 400 | 1 ", "100 Hz, trigger mma8452-dev1"},
      {{"A: sampling_frequency_available=50 200 400\\n"}, "1 1 1 1 | mma8452-dev1 | 200 | 800 | 1 ",
       "200 Hz, trigger mma8452-dev1"},
      {{"A: sampling_frequency_available=1 10 25\\n"}, "1 1 1 1 | mma8452-dev1 | 25 | 100 | 1 ",
       "25 Hz, trigger mma8452-dev1"},
      {{"A: sampling_frequency_available=[0.5 0.5 250]\\n"},
       "1 1 1 1 | mma8452-dev1 | 100 | 400 | 1 ", "100 Hz, trigger mma8452-dev1"},
      // A trigger already chosen is kept (and left on close).
      {{"A: trigger/current_trigger=other\\n"}, "1 1 1 1 | other | 100 | 400 | 1 ",
       "100 Hz, trigger other"},
  };
  for (const Case& c : cases) {
    Renew();
    Add(BufferedAccelerometer({}, c.lines));
    Feed(kNode, {});
    VirtualClock clock;
    std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
    ASSERT_NE(nullptr, sensor);
    std::string before = Changes();
    sensor->Opened();
    EXPECT_TRUE(sensor->Buffered()) << c.line;
    EXPECT_EQ(c.setup, Changes()) << c.line;
    sensor->Closed();
    EXPECT_EQ(before, Changes()) << c.line;
    EXPECT_EQ(std::vector<std::string>{std::string("iio: iio:device1 (mma8452): reading the "
                                                   "buffer (") + c.line + ")"},
              Lines());
  }
  // The other usual name of a trigger.
  Renew();
  Add(BufferedAccelerometer());
  Set(kTrigger, "name", "mma8452-trigger");
  Feed(kNode, {});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 0);
  EXPECT_EQ("1 1 1 1 | mma8452-trigger | 100 | 400 | 1 ", Changes());
  sensor->Closed();
  EXPECT_EQ(kUntouched, Changes());
}

// The scans of one record arrive at once; two records a while apart may arrive together on a
// busy machine, so each test's reads depend on one record only.
TEST_F(IioBufferTest, AFlickInTheScansIsCaughtAtTheNextRead) {
  Add(BufferedAccelerometer());
  // 200 ms at 100 Hz, read at once: flicked up (y 1.5 g) at 20-40 ms, more than 100 ms before
  // the newest scan, and to the right (x 1.5 g) at 140-160 ms.
  std::vector<std::vector<std::uint8_t>> scans;
  for (int i = 0; i < 20; ++i) {
    scans.push_back(Scan(i >= 14 && i < 17 ? 1536 : 0, i >= 2 && i < 5 ? 1536 : 0, 1024,
                         i * 10 * kMs));
  }
  Feed(kNode, {{0, Joined(scans)}});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 1000);
  clock.AdvanceTo(1100);
  EXPECT_EQ("96,0,64", ReadUntil(*sensor, "96,0,64")) << "the poll at 1100 ms";
  clock.AdvanceTo(1200);
  EXPECT_EQ("0,0,64", Text(sensor->Read())) << "nothing new: the latest scan";
  EXPECT_TRUE(sensor->Buffered());
  sensor->Closed();
}

TEST_F(IioBufferTest, DecodesTheLayoutsOfTheScan) {
  struct Case {
    Types types;
    std::vector<std::uint8_t> scan;
  };
  // x 0.75 g, y -0.5 g, z 1 g in each.
  const Case cases[] = {
      {{"le:s16/16>>0", "le:s64/64>>0"}, Scan(768, -512, 1024, 5 * kMs)},  // 2 bytes of padding
      {{"le:s16/16>>0", nullptr}, Scan(768, -512, 1024, -1)},
      {{"le:s12/16>>4", nullptr}, Scan(768, -512, 1024, -1, false, 4)},
      {{"be:s12/16>>4", "le:s64/64>>0"}, Scan(768, -512, 1024, 5 * kMs, true, 4)},
      {{"be:s16/16>>0", nullptr}, Scan(768, -512, 1024, -1, true)},
      {{"le:s32/32>>0", "le:s64/64>>0"},
       Joined({{0, 3, 0, 0}, {0, 0xFE, 0xFF, 0xFF}, {0, 4, 0, 0}, {0, 0, 0, 0},
               {0x40, 0x4B, 0x4C, 0, 0, 0, 0, 0}})},  // 24 bytes
  };
  for (const Case& c : cases) {
    Renew();
    Add(BufferedAccelerometer(c.types));
    Feed(kNode, {{0, c.scan}});
    VirtualClock clock;
    std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 0);
    clock.Advance(100);
    EXPECT_EQ("48,-32,64", ReadUntil(*sensor, "48,-32,64")) << c.types.axes;
    sensor->Closed();
  }
}

TEST_F(IioBufferTest, APartialScanWaitsForItsRest) {
  Add(BufferedAccelerometer());
  std::vector<std::uint8_t> a = Scan(-512, -512, 1024, 0), b = Scan(0, 512, 1024, 90 * kMs),
                            c = Scan(-512, -512, 1024, 100 * kMs);
  std::vector<std::uint8_t> bHead(b.begin(), b.begin() + 7), bTail(b.begin() + 7, b.end());
  Feed(kNode, {{0, Joined({a, bHead})}, {100, Joined({bTail, c})}});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 1000);
  clock.AdvanceTo(1100);
  EXPECT_EQ("0,32,64", ReadUntil(*sensor, "0,32,64")) << "b and c, neither shifted";
  clock.AdvanceTo(1200);
  EXPECT_EQ("-32,-32,64", Text(sensor->Read())) << "c, the latest";
  sensor->Closed();
}

TEST_F(IioBufferTest, AFullQueueIsDroppedAsOld) {
  // At 12.5 Hz the kernel queues 64 scans, the least, and then drops the newest: a drain that
  // finds it full reads scans that may be seconds old, here with a flick at their end. (64 scans
  // fit in what umockdev's pseudo-terminal passes on at once.)
  Add(BufferedAccelerometer({}, {"A: sampling_frequency_available=1.56 6.25 12.5\\n"}));
  std::vector<std::vector<std::uint8_t>> scans;
  for (int i = 0; i < 64; ++i) scans.push_back(Scan(i >= 62 ? 1536 : 0, 0, 1024, i * 80 * kMs));
  Feed(kNode, {{0, Joined(scans)}, {100, Scan(0, 512, 1024, 5000 * kMs)}});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 1000);
  clock.AdvanceTo(1100);
  EXPECT_EQ("0,32,64", ReadUntil(*sensor, "0,32,64")) << "the next scan, and no flick";
  sensor->Closed();
}

TEST_F(IioBufferTest, PollsSysfsWhenTheBufferCannotBeUsed) {
  struct Case {
    Types types;
    std::vector<std::string> lines;
    const char* why;
  };
  const Case cases[] = {
      {{}, {"A: buffer/enable=1\\n"}, "another program holds the buffer (buffer/enable is 1)"},
      {{"le:s12/0>>4"}, {},
       "scan_elements/in_accel_x_type \"le:s12/0>>4\" cannot be used: a storage size of 0 bits"},
      {{"le:q12/16>>4"}, {},
       "scan_elements/in_accel_x_type \"le:q12/16>>4\" cannot be used: not of the form "
       "[be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {{}, {"A: scan_elements/in_timestamp_index=5\\n"},
       "scan_elements/ has an index gap: no channel of index 3"},
      {{}, {"A: scan_elements/in_accel_z_index=1\\n"},
       "scan_elements/ gives in_accel_y and in_accel_z the index 1"},
  };
  for (const Case& c : cases) {
    Renew();
    Add(BufferedAccelerometer(c.types, c.lines));
    Feed(kNode, {{0, Scan(1536, 0, 1024, 0)}});
    VirtualClock clock;
    std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
    std::string before = Changes();
    sensor->Opened();
    EXPECT_FALSE(sensor->Buffered()) << c.why;
    EXPECT_EQ(before, Changes()) << c.why;
    Set(kAccel, "in_accel_y_raw", "512");
    clock.Advance(10);
    sensor->SampleNow();
    EXPECT_EQ("0,32,64", Text(sensor->Read())) << c.why;
    sensor->Closed();
    EXPECT_EQ(std::vector<std::string>{std::string("iio: iio:device1 (mma8452): no buffered "
                                                   "reading: ") + c.why + "; polling sysfs"},
              Lines());
  }
}

TEST_F(IioBufferTest, ABufferSilentFor500MsIsLeftForPolling) {
  Add(BufferedAccelerometer());
  Feed(kNode, {});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = OpenedAt(clock, 0);
  for (int tick = 1; tick < 5; ++tick) {
    clock.Advance(100);
    EXPECT_EQ("0,0,64", Text(sensor->Read())) << "the first sample, from sysfs";
    EXPECT_TRUE(sensor->Buffered()) << tick;
  }
  clock.Advance(100);
  sensor->Read();
  EXPECT_FALSE(sensor->Buffered());
  EXPECT_EQ(kUntouched, Changes());
  Set(kAccel, "in_accel_x_raw", "512");
  sensor->SampleNow();
  EXPECT_EQ("32,0,64", Text(sensor->Read()));
  sensor->Closed();
  ASSERT_EQ(2u, Lines().size());
  EXPECT_EQ("iio: iio:device1 (mma8452): no data from the buffer within 500 ms; polling sysfs",
            Lines()[1]);
}

TEST_F(IioBufferTest, AVanishedDeviceFailsReadsAndIsReadThroughItsBufferAgain) {
  Add(BufferedAccelerometer());
  Feed(kNode, {{0, Scan(0, 0, 1024, 0)}, {300, Scan(0, 512, 1024, 0)}});
  VirtualClock clock;
  std::unique_ptr<IioSensor> sensor = Sensor(clock, IioPacing::kManual);
  // As the device comes back when bound again.
  std::string folder = Root() + kAccel;
  using std::filesystem::copy_options;
  std::filesystem::copy(folder, folder + ".fresh",
                        copy_options::recursive | copy_options::copy_symlinks);
  sensor->Opened();
  clock.Advance(100);
  EXPECT_EQ("0,0,64", ReadUntil(*sensor, "0,0,64"));
  // Unbound: sysfs removes the device's folder.
  std::filesystem::remove_all(folder);
  for (int tick = 0; tick < 10; ++tick) {  // a second: one line, not ten
    clock.Advance(100);
    sensor->Read();
  }
  EXPECT_EQ("none", Text(sensor->Read()));
  EXPECT_FALSE(sensor->Present());
  std::filesystem::rename(folder + ".fresh", folder);
  clock.Advance(1000);
  EXPECT_EQ("0,32,64", ReadUntil(*sensor, "0,32,64"));
  EXPECT_TRUE(sensor->Buffered());
  sensor->Closed();
  EXPECT_EQ(kUntouched, Changes());
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("iio: iio:device1 (mma8452) went away (" + std::string(kAccel) +
                " is gone); reads fail until it is back",
            lines[1]);
  EXPECT_EQ("iio: iio:device1 (mma8452) is back", lines[2]);
  EXPECT_EQ(lines[0], lines[3]) << "reading the buffer again";
}

}  // namespace
}  // namespace host::sensors
