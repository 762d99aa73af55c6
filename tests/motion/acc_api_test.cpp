#include "motion/acc_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "tests/motion/fake_accelerometer.h"

namespace {

using Lines = std::vector<std::string>;
using Texts = std::vector<std::u16string>;

const char16_t kOpenFailedErr5[] = u"[Acc Api] Open ACC0 failed err 5..........\n";
const char16_t kCloseText[] = u"[Acc Api] Close ACC0..........\n";
const char16_t kNotOpenedText[] = u"[Acc Api] ACC0 not opened..........\n";

class AccApiTest : public testing::Test {
 protected:
  AccApiTest() : m_handset(m_clock) {
    AccApiResetForNewProcess();
    m_handset.RegisterDevice(u"ACC0:", &m_driver);
  }

  // The message id the driver should be handed, as the handset registers it.
  std::string MessageLine() {
    return "message " + std::to_string(RegisterWindowMessageW(u"AccMessage")) + " in=4 out=0";
  }
  const Texts& Debug() { return m_handset.debug_output(); }

  host::VirtualClock m_clock;
  host::Handset m_handset;
  FakeAccelerometer m_driver;
};

TEST_F(AccApiTest, ReferencesAreCountedAndTheLastCloseClosesTheDevice) {
  ASSERT_EQ(1, AccApiOpen());
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  EXPECT_EQ((Lines{"open", MessageLine()}), m_driver.calls);
  EXPECT_EQ(Texts{}, Debug()) << "a close that leaves a reference prints nothing";

  AccApiClose();
  EXPECT_EQ((Lines{"open", MessageLine(), "close"}), m_driver.calls);
  EXPECT_EQ(Texts{kCloseText}, Debug());

  std::int8_t x = 7, y = 7, z = 7;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ((Texts{kCloseText, kNotOpenedText}), Debug());
}

TEST_F(AccApiTest, MessageIsHandedOverOncePerOpenPeriod) {
  ASSERT_EQ(1, AccApiOpen());
  ASSERT_EQ(1, AccApiOpen());
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  AccApiClose();
  AccApiClose();
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  EXPECT_EQ((Lines{"open", MessageLine(), "close", "open", MessageLine(), "close"}),
            m_driver.calls);
}

TEST_F(AccApiTest, CloseWithoutOpenReportsTheLastErrorAndChangesNothing) {
  SetLastError(ERROR_ACCESS_DENIED);
  AccApiClose();
  EXPECT_EQ(Texts{kOpenFailedErr5}, Debug());

  // Still closed with no reference: one open and one close balance.
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  SetLastError(ERROR_ACCESS_DENIED);
  AccApiClose();
  EXPECT_EQ((Texts{kOpenFailedErr5, kCloseText, kOpenFailedErr5}), Debug());
  EXPECT_EQ((Lines{"open", MessageLine(), "close"}), m_driver.calls);
}

TEST_F(AccApiTest, RefusedOpenReportsTheErrorAndTakesNoReference) {
  m_driver.openError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(0, AccApiOpen());
  EXPECT_EQ(Texts{kOpenFailedErr5}, Debug());

  std::int8_t x = 7, y = 8, z = 9;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ((Texts{kOpenFailedErr5, kNotOpenedText}), Debug());
  EXPECT_EQ(7, x);
  EXPECT_EQ(8, y);
  EXPECT_EQ(9, z);

  // The next open tries again and is the first of its period.
  m_driver.openError = ERROR_SUCCESS;
  ASSERT_EQ(1, AccApiOpen());
  AccApiClose();
  EXPECT_EQ((Lines{"open", "open", MessageLine(), "close"}), m_driver.calls);
}

TEST_F(AccApiTest, MissingDeviceCannotBeOpened) {
  m_handset.RegisterDevice(u"ACC0:", nullptr);
  EXPECT_EQ(0, AccApiOpen());
  ASSERT_EQ(1u, Debug().size());
  EXPECT_EQ(0u, Debug()[0].find(u"[Acc Api] Open ACC0 failed err "));
}

TEST_F(AccApiTest, SampleBytesAreReadAsSignedValues) {
  struct Case {
    std::uint8_t byte;
    int value;
  };
  const Case cases[] = {{0x00, 0}, {0x7F, 127}, {0x80, -128}, {0xFF, -1}, {0xC8, -56}, {0x78, 120}};
  ASSERT_EQ(1, AccApiOpen());
  for (const Case& c : cases) {
    m_driver.SetSample(c.byte, 0x01, static_cast<std::uint8_t>(~c.byte));
    std::int8_t x = 0, y = 0, z = 0;
    ASSERT_NE(0, AccApiReadXYZ(&x, &y, &z)) << "byte " << int(c.byte);
    EXPECT_EQ(c.value, x) << "byte " << int(c.byte);
    EXPECT_EQ(1, y);
    EXPECT_EQ(static_cast<std::int8_t>(~c.byte), z);
  }
  EXPECT_EQ("read in=0 out=3", m_driver.calls.back());
  AccApiClose();
}

TEST_F(AccApiTest, RejectedReadClearsTheSample) {
  ASSERT_EQ(1, AccApiOpen());
  m_driver.rejectReads = true;
  std::int8_t x = 5, y = 6, z = 7;
  EXPECT_EQ(0, AccApiReadXYZ(&x, &y, &z));
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  EXPECT_EQ(0, z);
  EXPECT_EQ(Texts{}, Debug()) << "a rejected read is not reported";
  AccApiClose();
}

}  // namespace
