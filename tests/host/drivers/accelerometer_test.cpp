// The accelerometer device as applications reach it: CreateFileW "ACC0:", the two control
// codes, and CloseHandle, over the simulated sensor.
#include "host/drivers/accelerometer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace host {
namespace {

class AccelerometerTest : public ::testing::Test {
 protected:
  AccelerometerTest() { m_handset.RegisterDevice(kAccelerometerName, &m_driver); }

  // Opens the device the way the application does.
  static HANDLE Open() {
    return CreateFileW(u"ACC0:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  }
  // "x y z" of a read, or "fail ERROR" (the output bytes are then shown as they were left).
  static std::string Read(HANDLE device, DWORD outSize = 3) {
    std::int8_t xyz[4] = {11, 22, 33, 44};
    DWORD got = 99;
    BOOL ok = DeviceIoControl(device, kIoctlAccReadXyz, nullptr, 0, xyz, outSize, &got, nullptr);
    std::string bytes = std::to_string(xyz[0]) + " " + std::to_string(xyz[1]) + " " +
                        std::to_string(xyz[2]);
    if (!ok) return "fail " + std::to_string(GetLastError()) + " (" + bytes + ")";
    return bytes + " (" + std::to_string(got) + " bytes)";
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  SimulatedAccelerometer m_sensor;
  AccelerometerDriver m_driver{m_sensor};
};

TEST_F(AccelerometerTest, ReadsReturnTheCurrentSampleAsSignedBytes) {
  HANDLE device = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  EXPECT_EQ(1, m_driver.open_count());
  struct Case {
    AccSample sample;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {{0, 0, 0}, "0 0 0 (3 bytes)"},
           {{127, -128, -1}, "127 -128 -1 (3 bytes)"},
           {{90, 5, -90}, "90 5 -90 (3 bytes)"},
       }) {
    m_sensor.set_sample(c.sample);
    EXPECT_EQ(c.expected, Read(device));
  }
  EXPECT_EQ(3, m_sensor.reads());
  EXPECT_EQ(TRUE, CloseHandle(device));
  EXPECT_EQ(0, m_driver.open_count());
  EXPECT_EQ(FALSE, DeviceIoControl(device, kIoctlAccReadXyz, nullptr, 0, nullptr, 0, nullptr,
                                   nullptr));
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(AccelerometerTest, FailingReadsLeaveTheOutputAlone) {
  HANDLE device = Open();
  m_sensor.set_sample({1, 2, 3});
  m_sensor.set_reads_fail(true);
  EXPECT_EQ("fail 30 (11 22 33)", Read(device));
  m_sensor.set_reads_fail(false);
  EXPECT_EQ("1 2 3 (3 bytes)", Read(device));
  m_sensor.set_present(false);  // pulled out while open
  EXPECT_EQ("fail 30 (11 22 33)", Read(device));
  CloseHandle(device);
}

TEST_F(AccelerometerTest, AbsentSensorFailsTheOpen) {
  m_sensor.set_present(false);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open());
  EXPECT_EQ(ERROR_DEV_NOT_EXIST, GetLastError());
  EXPECT_EQ(0, m_driver.open_count());
  m_sensor.set_present(true);
  HANDLE device = Open();
  EXPECT_NE(INVALID_HANDLE_VALUE, device);
  CloseHandle(device);
}

TEST_F(AccelerometerTest, UnknownDeviceNameIsNotThere) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(u"ACC1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                              0, nullptr));
  EXPECT_EQ(ERROR_DEV_NOT_EXIST, GetLastError());
}

TEST_F(AccelerometerTest, SetMessageHandsTheIdOver) {
  HANDLE device = Open();
  std::uint32_t id = RegisterWindowMessageW(u"AccMessage");
  EXPECT_EQ(TRUE, DeviceIoControl(device, kIoctlAccSetMessage, &id, sizeof id, nullptr, 0, nullptr,
                                  nullptr));
  EXPECT_EQ(0xC000u, m_driver.message_id());
  CloseHandle(device);
}

TEST_F(AccelerometerTest, WrongRequestsAreRefused) {
  HANDLE device = Open();
  std::uint32_t id = 0xC000;
  std::uint8_t small[2];
  std::uint8_t roomy[8];
  DWORD got = 0;
  struct Case {
    const char* what;
    DWORD code;
    void* in;
    DWORD inSize;
    void* out;
    DWORD outSize;
    DWORD error;
  };
  for (const Case& c : std::vector<Case>{
           {"unknown code", 0x40010, nullptr, 0, roomy, 3, ERROR_NOT_SUPPORTED},
           {"message without input", kIoctlAccSetMessage, nullptr, 4, nullptr, 0,
            ERROR_INVALID_PARAMETER},
           {"message of 2 bytes", kIoctlAccSetMessage, &id, 2, nullptr, 0, ERROR_INVALID_PARAMETER},
           {"message of 8 bytes", kIoctlAccSetMessage, roomy, 8, nullptr, 0,
            ERROR_INVALID_PARAMETER},
           {"read into 2 bytes", kIoctlAccReadXyz, nullptr, 0, small, 2, ERROR_INVALID_PARAMETER},
           {"read into nothing", kIoctlAccReadXyz, nullptr, 0, nullptr, 3, ERROR_INVALID_PARAMETER},
       }) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FALSE, DeviceIoControl(device, c.code, c.in, c.inSize, c.out, c.outSize, &got,
                                     nullptr))
        << c.what;
    EXPECT_EQ(c.error, GetLastError()) << c.what;
  }
  EXPECT_EQ(0u, m_driver.message_id());
  EXPECT_EQ("7 8 9 (3 bytes)", (m_sensor.set_sample({7, 8, 9}), Read(device, 4)));
  CloseHandle(device);
}

TEST_F(AccelerometerTest, EveryHandleCountsUntilClosed) {
  HANDLE first = Open();
  HANDLE second = Open();
  EXPECT_NE(first, second);
  EXPECT_EQ(2, m_driver.open_count());
  CloseHandle(first);
  EXPECT_EQ(1, m_driver.open_count());
  EXPECT_EQ(FALSE, CloseHandle(first));
  EXPECT_EQ(1, m_driver.open_count());
  CloseHandle(second);
  EXPECT_EQ(0, m_driver.open_count());
}

}  // namespace
}  // namespace host
