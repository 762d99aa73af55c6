// A real accelerometer over the kernel's IIO subsystem as the back-end of "ACC0:".
//
// While the driver has ACC0: open, the samples come from one of two places:
// - the kernel's buffer (iio_buffer.h), when the device offers one for x, y and z: set up on
//   open, drained at each read, so that nothing wakes between the application's polls;
// - else polling sysfs: a reader thread samples the device at 100 Hz (each sample opens, reads
//   and closes the three raw files: nothing is allocated; closing waits for the sample under
//   way, at most one period).
// When the buffer cannot be set up (busy, a scan format that cannot be used), or gives no data
// for kIioBufferSilenceMs, the sensor says so on the debug sink and polls instead, until the
// next open. Either way the samples go into the stream (acc_stream.h: the motion stage, then the
// peak window) at one place, Feed; a read returns the stream's read. Not open, nothing runs.
//
// When the device goes away (unbound, module unloaded, a read error), reads fail, and the
// application takes its failed-read path; the sensor tells it once on the debug sink. It then
// looks for the device again once a second (and when ACC0: is opened), with the selector it
// was found by, and tells once when it is back; reads resume, through the buffer again when it
// was read that way.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/sensors/acc_stream.h"
#include "host/sensors/iio_buffer.h"
#include "host/sensors/iio_device.h"

namespace host::sensors {

inline constexpr std::int64_t kIioSamplePeriodMs = 10;
inline constexpr std::int64_t kIioReprobePeriodMs = 1000;
inline constexpr std::int64_t kIioBufferSilenceMs = 500;

enum class IioPacing {
  kReaderThread,  // when polling, a thread samples every kIioSamplePeriodMs while ACC0: is open
  kManual,        // only SampleNow polls (tests, on a virtual clock); reads drain the buffer
};

class IioSensor final : public AccelerometerSensor {
 public:
  // device as FindIioAccelerometer(selector) found it. The clock times the samples and reads;
  // with kReaderThread it is read from the reader thread too (RealClock may be).
  // REQUIRES: clock outlives the sensor.
  IioSensor(IioAccelerometer device, std::string selector, const Clock& clock, IioDebugSink debug,
            IioPacing pacing = IioPacing::kReaderThread);
  // Stops the reader thread.
  ~IioSensor() override;
  IioSensor(const IioSensor&) = delete;
  IioSensor& operator=(const IioSensor&) = delete;

  // False while the device is gone (looking for it once more first).
  bool Present() const override;
  // The stream's read now (clamped to bytes), after draining the buffer when it is read;
  // nullopt while the device is gone. Called on the handset's thread, as ReadCounts, Opened and
  // Closed are (a buffer that falls silent starts the reader thread there).
  std::optional<AccSample> Read() override;
  std::optional<AccCounts> ReadCounts(AccTap tap) override;
  // The stage's mode (raw until set); forgets the samples so far.
  bool SetMotionMode(MotionMode mode) override;
  std::optional<MotionMode> motion_mode() const override;
  // Takes a first sample from sysfs at once, then sets the buffer up, or starts the reader
  // thread (kReaderThread).
  void Opened() override;
  // Stops the reader thread, undoes the buffer's set-up and forgets the window.
  void Closed() override;

  // One step of the polling reader: a sample into the window, or, with the device gone, a new
  // look for it when one is due. Nothing while the buffer is read.
  void SampleNow();

  // The device as last found.
  std::string Describe() const;
  // Whether reads come from the kernel's buffer now.
  bool Buffered() const;

 private:
  enum class Mode { kClosed, kPolling, kBuffered };

  void Run(std::stop_token stop);
  void StartReaderThread();
  // The following with m_sampling held.
  // The raw values taken at atMs into the window: the one place samples enter it.
  void Feed(std::int64_t atMs, const std::array<long, 3>& raw);
  void PollLocked(std::int64_t nowMs);
  // Drains the buffer (on the handset's thread), or looks for the gone device.
  void DrainLocked(std::int64_t nowMs);
  // Reads through the buffer when it can be set up, else polls.
  void BufferOrPoll(std::int64_t nowMs);
  void GoneAway(std::int64_t nowMs, const std::string& reason);
  // Looks for the device again; true when it is back.
  bool Reprobe(std::int64_t nowMs);

  const std::string m_selector;
  const Clock& m_clock;
  const IioDebugSink m_debug;
  const IioPacing m_pacing;

  // Serialises sampling and looking for the device; guards the device and the gone state.
  mutable std::mutex m_sampling;
  IioAccelerometer m_device;
  bool m_gone = false;
  std::int64_t m_nextProbeMs = 0;
  // Written on the handset's thread only; m_sampling guards them.
  Mode m_mode = Mode::kClosed;
  std::unique_ptr<IioBuffer> m_buffer;
  std::int64_t m_lastDataMs = 0;  // the last drain that gave scans, or the buffer's set-up

  // Guards the stream and m_readable, which the handset's thread reads.
  mutable std::mutex m_windowMutex;
  AccStream m_window;
  bool m_readable = true;

  std::jthread m_reader;
};

}  // namespace host::sensors
