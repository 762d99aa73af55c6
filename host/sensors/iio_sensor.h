// A real accelerometer over the kernel's IIO subsystem as the back-end of "ACC0:".
//
// While the driver has ACC0: open, a reader thread samples the device at 100 Hz (each sample
// opens, reads and closes the three raw files: nothing is allocated; closing waits for the
// sample under way, at most one period) and keeps the peak window
// (peak_window.h); a read returns that window's peak. Not open, nothing runs.
//
// When the device goes away (unbound, module unloaded, a read error), reads fail, and the
// application takes its failed-read path; the sensor tells it once on the debug sink. It then
// looks for the device again once a second (and when ACC0: is opened), with the selector it
// was found by, and tells once when it is back; reads resume.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/sensors/iio_device.h"
#include "host/sensors/acc_stream.h"

namespace host::sensors {

inline constexpr std::int64_t kIioSamplePeriodMs = 10;
inline constexpr std::int64_t kIioReprobePeriodMs = 1000;

enum class IioPacing {
  kReaderThread,  // a thread samples every kIioSamplePeriodMs while ACC0: is open
  kManual,        // only SampleNow samples (tests, on a virtual clock)
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
  // The stream's read now (clamped to bytes); nullopt while the device is gone.
  std::optional<AccSample> Read() override;
  std::optional<AccCounts> ReadCounts(AccTap tap) override;
  // The stage's mode (raw until set); forgets the samples so far.
  bool SetMotionMode(MotionMode mode) override;
  std::optional<MotionMode> motion_mode() const override;
  // Takes a first sample at once, then starts the reader thread (kReaderThread).
  void Opened() override;
  // Stops the reader thread and forgets the window.
  void Closed() override;

  // One step of the reader: a sample into the window, or, with the device gone, a new look for
  // it when one is due.
  void SampleNow();

  // The device as last found.
  std::string Describe() const;

 private:
  void Run(std::stop_token stop);
  // With m_sampling held: looks for the device again; true when it is back.
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

  // Guards the stream and m_readable, which the handset's thread reads.
  mutable std::mutex m_windowMutex;
  AccStream m_window;
  bool m_readable = true;

  std::jthread m_reader;
};

}  // namespace host::sensors
