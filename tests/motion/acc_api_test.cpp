#include "motion/acc_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "tests/player/event_log.h"

namespace {

using Lines = std::vector<std::string>;
using Texts = std::vector<std::u16string>;

const char16_t kOpenFailedErr55[] = u"[Acc Api] Open ACC0 failed err 55..........\n";
const char16_t kOpenFailedErr5[] = u"[Acc Api] Open ACC0 failed err 5..........\n";
const char16_t kCloseText[] = u"[Acc Api] Close ACC0..........\n";
const char16_t kNotOpenedText[] = u"[Acc Api] ACC0 not opened..........\n";

// The device calls as the handset traces them: "ioctl code in out ok".
const char kOpen[] = "open ACC0: true";
const char kClose[] = "close ACC0:";
const char kHandOver[] = "ioctl 262176 00c00000  true";  // the id 0xC000, 4 bytes, no output

class AccApiTest : public testing::Test {
 protected:
  AccApiTest() : m_handset(m_clock) {
    m_handset.set_trace(&m_log);
    m_handset.RegisterDevice(host::kAccelerometerName, &m_driver);
    // The first message registered on a handset; the layer must hand over this number.
    EXPECT_EQ(0xC000u, RegisterWindowMessageW(u"AccMessage"));
  }

  Lines DeviceCalls() { return m_log.Of({"open", "ioctl", "close"}); }
  const Texts& Debug() { return m_handset.debug_output(); }

  host::VirtualClock m_clock;
  host::Handset m_handset;
  EventLog m_log;
  host::SimulatedAccelerometer m_sensor;
  host::AccelerometerDriver m_driver{m_sensor};
};

TEST_F(AccApiTest, ReferencesAreCountedAndTheLastCloseClosesTheDevice) {
  ASSERT_EQ(1, AccApiOpen());
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  EXPECT_EQ((Lines{kOpen, kHandOver}), DeviceCalls());
  EXPECT_EQ(Texts{}, Debug()) << "a close that leaves a reference prints nothing";

  AccApiClose();
  EXPECT_EQ((Lines{kOpen, kHandOver, kClose}), DeviceCalls());
  EXPECT_EQ(Texts{kCloseText}, Debug());
  EXPECT_EQ(0, m_driver.open_count());

  std::int8_t x = 7, y = 7, z = 7;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ((Texts{kCloseText, kNotOpenedText}), Debug());
  EXPECT_EQ(0, m_sensor.reads());
}

TEST_F(AccApiTest, EveryProcessHasStateOfItsOwn) {
  ASSERT_EQ(1, AccApiOpen());
  DWORD first = m_handset.current_pid();
  m_handset.set_current_pid(m_handset.StartProcess(u"\\Other.exe", nullptr));
  std::int8_t x = 7, y = 7, z = 7;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ(Texts{kNotOpenedText}, Debug());
  m_handset.set_current_pid(first);
  EXPECT_EQ(1, AccApiReadXYZ(&x, &y, &z));
}

TEST_F(AccApiTest, MessageIsHandedOverOncePerOpenPeriod) {
  for (int period = 0; period < 2; ++period) {
    ASSERT_EQ(1, AccApiOpen());
    ASSERT_EQ(1, AccApiOpen());
    ASSERT_EQ(1, AccApiOpen());
    AccApiClose();
    AccApiClose();
    AccApiClose();
  }
  EXPECT_EQ((Lines{kOpen, kHandOver, kClose, kOpen, kHandOver, kClose}), DeviceCalls());
  EXPECT_EQ(0xC000u, m_driver.message_id());
}

TEST_F(AccApiTest, CloseWithoutOpenReportsTheLastErrorAndChangesNothing) {
  SetLastError(ERROR_ACCESS_DENIED);
  AccApiClose();
  EXPECT_EQ(Texts{kOpenFailedErr5}, Debug());

  // Still closed with no reference: one open and one close balance again.
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  SetLastError(ERROR_ACCESS_DENIED);
  AccApiClose();
  EXPECT_EQ((Texts{kOpenFailedErr5, kCloseText, kOpenFailedErr5}), Debug());
  EXPECT_EQ((Lines{kOpen, kHandOver, kClose}), DeviceCalls());
}

TEST_F(AccApiTest, FailedOpenReportsTheErrorAndTakesNoReference) {
  m_sensor.set_present(false);
  EXPECT_EQ(0, AccApiOpen());
  EXPECT_EQ(Texts{kOpenFailedErr55}, Debug());

  std::int8_t x = 7, y = 8, z = 9;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ((Texts{kOpenFailedErr55, kNotOpenedText}), Debug());
  EXPECT_EQ(7, x);
  EXPECT_EQ(8, y);
  EXPECT_EQ(9, z);

  // The next open tries again and is the first of its period.
  m_sensor.set_present(true);
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  EXPECT_EQ((Lines{"open ACC0: false", kOpen, kHandOver, kClose}), DeviceCalls());
}

TEST_F(AccApiTest, SampleBytesAreReadAsSignedValues) {
  struct Case {
    std::int8_t byte;  // as the driver delivers it
    int value;
  };
  const Case cases[] = {{0x00, 0}, {0x7F, 127}, {-0x80, -128}, {-0x01, -1}, {-0x38, -56}};
  ASSERT_EQ(1, AccApiOpen());
  for (const Case& c : cases) {
    m_sensor.set_sample({c.byte, 1, static_cast<std::int8_t>(~c.byte)});
    std::int8_t x = 0, y = 0, z = 0;
    ASSERT_NE(0, AccApiReadXYZ(&x, &y, &z)) << c.value;
    EXPECT_EQ(c.value, x);
    EXPECT_EQ(1, y);
    EXPECT_EQ(~c.value, z);
  }
  // No input, three bytes of output.
  EXPECT_EQ("ioctl 262156  c80137 true", DeviceCalls().back());
  AccApiClose();
}

TEST_F(AccApiTest, RejectedReadClearsTheSample) {
  ASSERT_EQ(1, AccApiOpen());
  m_sensor.set_reads_fail(true);
  std::int8_t x = 5, y = 6, z = 7;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  EXPECT_EQ(0, z);
  EXPECT_EQ(Texts{}, Debug()) << "a rejected read is not reported";
  AccApiClose();
}

}  // namespace
