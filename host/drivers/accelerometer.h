// The accelerometer behind the device name "ACC0:": the driver speaks the device protocol that
// applications use, and a sensor back-end supplies the samples (simulated values here; a
// replayed recording or keyboard tilt plug in the same way).
//
// Protocol: open with any access and share mode; DeviceIoControl
//   kIoctlAccSetMessage: input the 4-byte window message id to notify with, no output;
//   kIoctlAccReadXyz: no input, output at least 3 bytes, filled with x, y, z (signed bytes),
//     and 3 in the byte count.
// Other codes fail with ERROR_NOT_SUPPORTED, wrong buffers with ERROR_INVALID_PARAMETER, a read
// the sensor cannot serve with ERROR_READ_FAULT (the output is then left alone).
#pragma once

#include <cstdint>
#include <optional>

#include "host/kernel/handset.h"

namespace host {

// What a streaming back-end's motion stage makes of its samples (motion_stage.h).
enum class MotionMode : std::uint8_t;

inline constexpr char16_t kAccelerometerName[] = u"ACC0:";
inline constexpr DWORD kIoctlAccSetMessage = 0x40020;  // CTL_CODE(4, 8, METHOD_BUFFERED, ANY)
inline constexpr DWORD kIoctlAccReadXyz = 0x4000C;     // CTL_CODE(4, 3, METHOD_BUFFERED, ANY)

struct AccSample {
  std::int8_t x = 0;
  std::int8_t y = 0;
  std::int8_t z = 0;
  bool operator==(const AccSample&) const = default;
};

// What a sensor measured, in counts of 64 per g like the driver's bytes but wider: recordings,
// replays and real accelerometers keep values beyond -128..127, up to +-kMaxAccCounts (32 g).
// The driver clamps to the byte only when it answers a read.
inline constexpr int kAccCountsPerG = 64;
inline constexpr int kMaxAccCounts = 32 * kAccCountsPerG;

struct AccCounts {
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t z = 0;
  bool operator==(const AccCounts&) const = default;
};

// Each axis clamped to -128..127: what a read of the driver answers.
AccSample ClampedToBytes(AccCounts counts);
// The bytes as counts.
AccCounts Widened(AccSample sample);

// Where a read of a sensor is taken: what the application reads (after the motion stage,
// host/drivers/motion_stage.h), or what the source measured (before it), as recorders write it.
enum class AccTap { kStaged, kSource };

// Where the samples come from.
class AccelerometerSensor {
 public:
  virtual ~AccelerometerSensor() = default;
  // An absent sensor makes the open fail with ERROR_DEV_NOT_EXIST.
  virtual bool Present() const = 0;
  // The sample for one read request; nullopt when the read fails.
  virtual std::optional<AccSample> Read() = 0;
  // The same read before the driver's clamp to bytes; the driver answers its reads with it. A
  // back-end that keeps wide values (a replay, IIO) overrides it; by default Read() widened,
  // whatever the tap.
  virtual std::optional<AccCounts> ReadCounts(AccTap tap = AccTap::kStaged);
  // Streaming back-ends (a replay, IIO) pass their samples through a motion stage of this mode
  // (motion_stage.h) and answer true; the others (the hand tilt, scripts) stay raw and answer
  // false.
  virtual bool SetMotionMode(MotionMode) { return false; }
  // The stage's mode; nullopt for a back-end without one.
  virtual std::optional<MotionMode> motion_mode() const { return std::nullopt; }
  // The driver's first handle was opened / its last one closed: a streaming back-end samples
  // only in between. Called on the handset's thread.
  virtual void Opened() {}
  virtual void Closed() {}
};

class AccelerometerDriver final : public DeviceDriver {
 public:
  // REQUIRES: sensor outlives the driver.
  explicit AccelerometerDriver(AccelerometerSensor& sensor) : m_sensor(sensor) {}
  AccelerometerDriver(const AccelerometerDriver&) = delete;
  AccelerometerDriver& operator=(const AccelerometerDriver&) = delete;

  DWORD Open(DWORD access, DWORD share) override;
  BOOL IoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
  void Close() override;

  // Handles open now.
  int open_count() const { return m_openCount; }
  // The message id last handed over; 0 before any.
  UINT message_id() const { return m_messageId; }

 private:
  AccelerometerSensor& m_sensor;
  int m_openCount = 0;
  UINT m_messageId = 0;
};

// A sensor whose state tests and scripts set: present or absent, reads that succeed or fail,
// and the sample every successful read returns.
class SimulatedAccelerometer final : public AccelerometerSensor {
 public:
  bool Present() const override { return m_present; }
  std::optional<AccSample> Read() override;

  void set_present(bool present) { m_present = present; }
  void set_reads_fail(bool fail) { m_readsFail = fail; }
  void set_sample(AccSample sample) { m_sample = sample; }
  // Read requests served or refused so far.
  int reads() const { return m_reads; }

 private:
  bool m_present = true;
  bool m_readsFail = false;
  AccSample m_sample;
  int m_reads = 0;
};

}  // namespace host
