// Waiting for an accelerometer that appears late, against umockdev's emulated sysfs and udev:
// the wait ends with the device once udev tells it was added, other IIO devices do not end it,
// a stop ends it at once, and a device found but unusable is an error, not a wait.
#include <sys/eventfd.h>
#include <unistd.h>

#include <future>

#include "host/sensors/iio_wait.h"
#include "tests/host/sensors/iio_testbed.h"

namespace host::sensors {
namespace {

using namespace testing_iio;

class IioWaitTest : public IioTest {
 protected:
  void SetUp() override {
    IioTest::SetUp();
    m_stop = eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(m_stop, 0);
  }
  void TearDown() override {
    close(m_stop);
    IioTest::TearDown();
  }

  // The wait for selector, on a thread of its own: "found SYSNAME", "stopped" or "error: ...".
  std::future<std::string> Wait(const std::string& selector) {
    return std::async(std::launch::async, [this, selector] {
      auto found = WaitForIioAccelerometer(selector, {}, m_stop);
      if (!found) return "error: " + found.error().message();
      return *found ? "found " + (*found)->sysName : std::string("stopped");
    });
  }
  // Adds the device and tells the monitors (umockdev tells "add" already; udev tells "change"
// too), as udev does once its rules have run.
  void Plug(const std::string& description, const char* path) {
    Add(description);
    umockdev_testbed_uevent(m_testbed, path, "change");
  }
  void Stop() {
    std::uint64_t one = 1;
    ASSERT_EQ(sizeof one, static_cast<std::size_t>(write(m_stop, &one, sizeof one)));
  }
  // Whether the wait is still waiting after a while (it looks only when udev tells).
  static bool StillWaiting(std::future<std::string>& wait) {
    return wait.wait_for(std::chrono::milliseconds(300)) == std::future_status::timeout;
  }
  static std::string Within5s(std::future<std::string>& wait) {
    if (wait.wait_for(std::chrono::seconds(5)) != std::future_status::ready) return "still waiting";
    return wait.get();
  }

  int m_stop = -1;
};

TEST_F(IioWaitTest, EndsWhenTheAccelerometerNamedIsAdded) {
  struct Case {
    const char* selector;
    const char* found;
  };
  const Case cases[] = {
      {"", "found iio:device1"},
      {"mma8452", "found iio:device1"},
      {"iio:device1", "found iio:device1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    Renew();
    auto wait = Wait(c.selector);
    ASSERT_TRUE(StillWaiting(wait));
    Plug(Device(kAls, {"A: name=als", "A: in_illuminance_raw=80"}), kAls);  // no accelerometer
    ASSERT_TRUE(StillWaiting(wait));
    Plug(Accelerometer(kAccel, "mma8452"), kAccel);
    EXPECT_EQ(c.found, Within5s(wait));
  }
}

TEST_F(IioWaitTest, AnotherAccelerometerThanTheOneNamedDoesNotEndIt) {
  auto wait = Wait("lis3dh");
  Plug(Accelerometer(kAccel, "mma8452"), kAccel);
  ASSERT_TRUE(StillWaiting(wait));
  Stop();
  EXPECT_EQ("stopped", Within5s(wait));
}

TEST_F(IioWaitTest, AStopEndsItAtOnceAndADevicePresentEndsItBeforeAnyEvent) {
  auto stopped = Wait("");
  ASSERT_TRUE(StillWaiting(stopped));
  Stop();
  EXPECT_EQ("stopped", Within5s(stopped));

  Renew();
  Add(Accelerometer(kAccel, "mma8452"));  // there already: no event needed
  auto present = Wait("");
  EXPECT_EQ("found iio:device1", Within5s(present));
}

TEST_F(IioWaitTest, AnAccelerometerThatCannotBeReadIsAnError) {
  auto wait = Wait("");
  ASSERT_TRUE(StillWaiting(wait));
  Plug(Device(kAccel, {"A: name=mma8452", "A: in_accel_x_raw=0", "A: in_accel_y_raw=tilted",
                       "A: in_accel_z_raw=1024"}),
       kAccel);
  EXPECT_EQ("error: " + std::string(kAccel) + "/in_accel_y_raw holds no whole number",
            Within5s(wait));
}

}  // namespace
}  // namespace host::sensors
