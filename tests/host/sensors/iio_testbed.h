// The testbed of the IIO tests: devices described in umockdev's format, their attributes
// changed as sysfs changes them, a FIFO in place of a file, scripts fed to device nodes, and
// the debug lines the back-end wrote. The binaries run themselves under umockdev-wrapper; each
// test builds its own testbed, removed with it.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>
// GLib's, which the handset's own headers define again.
#undef TRUE
#undef FALSE

#include <chrono>
#include <cstdint>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/kernel/clock.h"
#include "host/sensors/iio_device.h"
#include "host/sensors/iio_sensor.h"

namespace host::sensors::testing_iio {


inline constexpr const char* kAls = "/sys/devices/platform/als/iio:device0";
inline constexpr const char* kAccel = "/sys/devices/platform/accel/iio:device1";

// A device description in umockdev's format: P: path, E: udev property, A: attribute.
inline std::string Device(const std::string& path, const std::vector<std::string>& lines) {
  std::string text = "P: " + path.substr(4) + "\nE: SUBSYSTEM=iio\nE: DEVTYPE=iio_device\n";
  for (const std::string& line : lines) text += line + "\n";
  return text + "\n";
}

inline std::string Accelerometer(const std::string& path, const std::string& name,
                          const std::vector<std::string>& more = {}) {
  std::vector<std::string> lines = {"A: name=" + name, "A: in_accel_x_raw=0",
                                    "A: in_accel_y_raw=0", "A: in_accel_z_raw=1024"};
  lines.insert(lines.end(), more.begin(), more.end());
  return Device(path, lines);
}

inline std::string Text(std::optional<AccSample> s) {
  if (!s) return "none";
  return std::to_string(s->x) + "," + std::to_string(s->y) + "," + std::to_string(s->z);
}

// The driver's clamp of the mapped counts, as a read would give them.
inline std::string Text(AccCounts counts) { return Text(ClampedToBytes(counts)); }

class IioTest : public ::testing::Test {
 protected:
  void SetUp() override { m_testbed = umockdev_testbed_new(); }
  void TearDown() override { g_object_unref(m_testbed); }
  // A new, empty testbed; forgets the lines. (A cleared one keeps its device nodes.)
  void Renew() {
    g_object_unref(m_testbed);
    m_testbed = umockdev_testbed_new();
    std::lock_guard lock(m_linesMutex);
    m_lines.clear();
  }

  void Add(const std::string& description) {
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(m_testbed, description.c_str(), &error))
        << (error != nullptr ? error->message : "") << "\n" << description;
  }
  void Set(const char* path, const char* attribute, const std::string& value) {
    umockdev_testbed_set_attribute(m_testbed, path, attribute, value.c_str());
  }
  void Remove(const char* path) { umockdev_testbed_remove_device(m_testbed, path); }
  // An attribute's text as the program left it.
  std::string Get(const char* path, const char* attribute) {
    std::ifstream file(File(path, attribute));
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return text;
  }
  // The testbed's folder.
  std::string Root() {
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    std::string folder(root);
    g_free(root);
    return folder;
  }
  // The attribute's file in the testbed, as the program sees it under path.
  std::string File(const char* path, const char* attribute) {
    return Root() + path + "/" + attribute;
  }
  // Puts a FIFO in place of the attribute's file.
  void MakeFifo(const char* path, const char* attribute) {
    std::string file = File(path, attribute);
    ASSERT_EQ(0, unlink(file.c_str())) << file;
    ASSERT_EQ(0, mkfifo(file.c_str(), 0644)) << file;
  }
  // Runs step, which must not block on the FIFO at path/attribute: after 5 s a writer opens and
  // closes it, so that a blocked read returns, and the test fails.
  template <class Step>
  auto WithoutBlocking(const char* path, const char* attribute, Step step) {
    auto done = std::async(std::launch::async, step);
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "blocked on the FIFO " << attribute;
      // Past umockdev's preload library, whose lock the blocked open holds.
      long fd = syscall(SYS_openat, AT_FDCWD, File(path, attribute).c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) syscall(SYS_close, fd);
    }
    return done.get();
  }

  // "SYSNAME NAME MATRIXSOURCE => x,y,z" of the raw values now, or "error: MESSAGE".
  std::string Found(const std::string& selector) {
    auto found = FindIioAccelerometer(selector, [this](std::string_view line) {
      std::lock_guard lock(m_linesMutex);
      m_lines.emplace_back(line);
    });
    if (!found) return "error: " + found.error().message();
    const IioAccelerometer& device = *found;
    std::array<long, 3> raw;
    IioReadFailure failure;
    if (!device.raw.Read(raw, failure)) return "unreadable";
    return device.sysName + " " + device.name + " " + device.matrixSource + " => " +
           Text(MapRawSample(device.calibration, raw));
  }

  std::unique_ptr<IioSensor> Sensor(const Clock& clock, IioPacing pacing) {
    auto found = FindIioAccelerometer("", {});
    if (!found) return nullptr;
    return std::make_unique<IioSensor>(
        std::move(*found), "", clock,
        [this](std::string_view line) {
          std::lock_guard lock(m_linesMutex);
          m_lines.emplace_back(line);
        },
        pacing);
  }

  // Feeds the device node (e.g. /dev/iio:device1) from a script of umockdev's format: one read
  // of bytes after each wait, bytes below 32 written as ^ and the byte plus 64, ^ as ^`.
  struct Record {
    int waitMs = 0;
    std::vector<std::uint8_t> bytes;
  };
  void Feed(const char* node, const std::vector<Record>& records) {
    std::string script;
    for (const Record& record : records) {
      // umockdev skips the blanks before a record's bytes.
      EXPECT_TRUE(record.bytes.empty() || record.bytes[0] != ' ') << "a read that starts with 32";
      script += "r " + std::to_string(record.waitMs) + " ";
      for (std::uint8_t byte : record.bytes) {
        if (byte == '^') {
          script += "^`";
        } else if (byte < 32) {
          script += '^';
          script += static_cast<char>(byte + 64);
        } else {
          script += static_cast<char>(byte);
        }
      }
      script += "\n";
    }
    std::string path = Root() + "/script" +
                       std::to_string(++m_scripts);
    std::ofstream(path, std::ios::binary) << script;
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_load_script(m_testbed, node, path.c_str(), &error))
        << (error != nullptr ? error->message : "");
  }

  // Reads until the sensor gives expected (the scans come from umockdev's thread), within 5 s.
  std::string ReadUntil(IioSensor& sensor, const std::string& expected) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string read = Text(sensor.Read());
    while (read != expected && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      read = Text(sensor.Read());
    }
    return read;
  }

  std::vector<std::string> Lines() {
    std::lock_guard lock(m_linesMutex);
    return m_lines;
  }

  UMockdevTestbed* m_testbed = nullptr;
  int m_scripts = 0;
  std::mutex m_linesMutex;
  std::vector<std::string> m_lines;
};

}  // namespace host::sensors::testing_iio
