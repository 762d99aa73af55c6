#include "host/drivers/accelerometer.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::int8_t Byte(std::int16_t counts) {
  return static_cast<std::int8_t>(std::clamp<int>(counts, -128, 127));
}

}  // namespace

AccSample ClampedToBytes(AccCounts counts) {
  return AccSample{Byte(counts.x), Byte(counts.y), Byte(counts.z)};
}

AccCounts Widened(AccSample sample) { return AccCounts{sample.x, sample.y, sample.z}; }

std::optional<AccCounts> AccelerometerSensor::ReadCounts(AccTap) {
  std::optional<AccSample> sample = Read();
  if (!sample) return std::nullopt;
  return Widened(*sample);
}

DWORD AccelerometerDriver::Open(DWORD, DWORD) {
  if (!m_sensor.Present()) return ERROR_DEV_NOT_EXIST;
  if (m_openCount++ == 0) m_sensor.Opened();
  return ERROR_SUCCESS;
}

BOOL AccelerometerDriver::IoControl(DWORD code, const void* in, DWORD inSize, void* out,
                                    DWORD outSize, DWORD* returned) {
  if (returned != nullptr) *returned = 0;
  switch (code) {
    case kIoctlAccSetMessage: {
      std::uint32_t id = 0;
      if (in == nullptr || inSize != sizeof id) return Fail(ERROR_INVALID_PARAMETER);
      std::memcpy(&id, in, sizeof id);
      m_messageId = id;
      return TRUE;
    }
    case kIoctlAccReadXyz: {
      if (out == nullptr || outSize < 3) return Fail(ERROR_INVALID_PARAMETER);
      std::optional<AccCounts> counts = m_sensor.ReadCounts();
      if (!counts) return Fail(ERROR_READ_FAULT);
      AccSample sample = ClampedToBytes(*counts);
      auto* bytes = static_cast<std::int8_t*>(out);
      bytes[0] = sample.x;
      bytes[1] = sample.y;
      bytes[2] = sample.z;
      if (returned != nullptr) *returned = 3;
      return TRUE;
    }
    default:
      return Fail(ERROR_NOT_SUPPORTED);
  }
}

void AccelerometerDriver::Close() {
  if (m_openCount > 0 && --m_openCount == 0) m_sensor.Closed();
}

std::optional<AccSample> SimulatedAccelerometer::Read() {
  ++m_reads;
  if (!m_present || m_readsFail) return std::nullopt;
  return m_sample;
}

}  // namespace host
