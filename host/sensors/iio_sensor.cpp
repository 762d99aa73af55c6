#include "host/sensors/iio_sensor.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <system_error>
#include <utility>

namespace host::sensors {

IioSensor::IioSensor(IioAccelerometer device, std::string selector, const Clock& clock,
                     IioDebugSink debug, IioPacing pacing)
    : m_selector(std::move(selector)),
      m_clock(clock),
      m_debug(std::move(debug)),
      m_pacing(pacing),
      m_device(std::move(device)) {}

IioSensor::~IioSensor() { Closed(); }

bool IioSensor::Present() const {
  std::lock_guard lock(m_sampling);
  if (!m_gone) return true;
  // A look now: ACC0: is being opened, and the reader thread does not run while it is closed.
  return const_cast<IioSensor*>(this)->Reprobe(m_clock.NowMs());
}

std::optional<AccSample> IioSensor::Read() {
  std::optional<AccCounts> counts = ReadCounts(AccTap::kStaged);
  if (!counts) return std::nullopt;
  return ClampedToBytes(*counts);
}

std::optional<AccCounts> IioSensor::ReadCounts(AccTap tap) {
  {
    std::lock_guard lock(m_sampling);
    if (m_mode == Mode::kBuffered) DrainLocked(m_clock.NowMs());
  }
  std::lock_guard lock(m_windowMutex);
  if (!m_readable) return std::nullopt;
  return m_window.Read(m_clock.NowMs(), tap);
}

bool IioSensor::SetMotionMode(MotionMode mode) {
  std::lock_guard lock(m_windowMutex);
  m_window.set_mode(mode);
  return true;
}

std::optional<MotionMode> IioSensor::motion_mode() const {
  std::lock_guard lock(m_windowMutex);
  return m_window.mode();
}

void IioSensor::Opened() {
  {
    std::lock_guard lock(m_windowMutex);
    m_window.Clear();
  }
  std::lock_guard lock(m_sampling);
  std::int64_t now = m_clock.NowMs();
  // A first sample from sysfs: the buffer's first scans may come later, and once it is enabled
  // many drivers refuse the raw files.
  m_mode = Mode::kPolling;
  PollLocked(now);
  if (m_gone) {
    StartReaderThread();
  } else {
    BufferOrPoll(now);
  }
}

void IioSensor::Closed() {
  if (m_reader.joinable()) {
    m_reader.request_stop();
    m_reader.join();
    m_reader = std::jthread();
  }
  {
    std::lock_guard lock(m_sampling);
    m_buffer.reset();
    m_mode = Mode::kClosed;
  }
  std::lock_guard lock(m_windowMutex);
  m_window.Clear();
}

void IioSensor::SampleNow() {
  std::lock_guard lock(m_sampling);
  if (m_mode != Mode::kBuffered) PollLocked(m_clock.NowMs());
}

void IioSensor::Feed(std::int64_t atMs, const std::array<long, 3>& raw) {
  AccCounts sample = MapRawSample(m_device.calibration, raw);
  std::lock_guard windowLock(m_windowMutex);
  m_window.Add(atMs, sample);
}

void IioSensor::PollLocked(std::int64_t now) {
  if (m_gone) {
    if (now >= m_nextProbeMs) Reprobe(now);
    return;
  }
  std::array<long, 3> raw;
  IioReadFailure failure;
  if (m_device.raw.Read(raw, failure)) {
    Feed(now, raw);
    return;
  }
  GoneAway(now, failure.Describe());
}

void IioSensor::DrainLocked(std::int64_t now) {
  if (m_gone) {
    if (now >= m_nextProbeMs) Reprobe(now);
    return;
  }
  Result<std::span<const IioScan>> scans = m_buffer->Drain(now);
  if (!scans) {
    m_buffer.reset();
    GoneAway(now, scans.error().message());
    return;
  }
  for (const IioScan& scan : *scans) Feed(scan.atMs, scan.raw);
  if (!scans->empty()) {
    m_lastDataMs = now;
  } else if (now - m_lastDataMs >= kIioBufferSilenceMs) {
    m_buffer.reset();
    // Unbound, the kernel fails the node's reads; a node that only falls silent tells nothing.
    if (access(m_device.sysPath.c_str(), F_OK) != 0) {
      GoneAway(now, m_device.sysPath + " is gone");
      return;
    }
    if (m_debug) {
      m_debug("iio: " + m_device.Describe() + ": no data from the buffer within " +
              std::to_string(kIioBufferSilenceMs) + " ms; polling sysfs");
    }
    m_mode = Mode::kPolling;
    StartReaderThread();
  }
}

void IioSensor::BufferOrPoll(std::int64_t now) {
  if (IioBuffer::Offered(m_device.sysPath)) {
    auto buffer = IioBuffer::Open(m_device.sysPath, m_device.sysName, m_device.name);
    if (buffer) {
      m_buffer = std::move(*buffer);
      m_lastDataMs = now;
      m_mode = Mode::kBuffered;
      if (m_debug) m_debug("iio: " + m_device.Describe() + ": reading the buffer (" +
                           m_buffer->Describe() + ")");
      return;
    }
    if (m_debug) {
      m_debug("iio: " + m_device.Describe() + ": no buffered reading: " +
              buffer.error().message() + "; polling sysfs");
    }
  }
  m_mode = Mode::kPolling;
  StartReaderThread();
}

void IioSensor::GoneAway(std::int64_t now, const std::string& reason) {
  m_gone = true;
  m_nextProbeMs = now + kIioReprobePeriodMs;
  {
    std::lock_guard windowLock(m_windowMutex);
    m_readable = false;
    m_window.Clear();
  }
  if (m_debug) {
    m_debug("iio: " + m_device.Describe() + " went away (" + reason +
            "); reads fail until it is back");
  }
}

bool IioSensor::Reprobe(std::int64_t nowMs) {
  m_nextProbeMs = nowMs + kIioReprobePeriodMs;
  // Quietly: the device may stay away for long.
  Result<IioAccelerometer> device = FindIioAccelerometer(m_selector, IioDebugSink());
  if (!device) return false;
  std::array<long, 3> raw;
  IioReadFailure failure;
  if (!device->raw.Read(raw, failure)) return false;
  m_device = std::move(*device);
  m_gone = false;
  {
    std::lock_guard windowLock(m_windowMutex);
    m_readable = true;
    m_window.Clear();
  }
  Feed(nowMs, raw);
  if (m_debug) m_debug("iio: " + m_device.Describe() + " is back");
  // Read as before: only the handset's thread drains a buffer.
  if (m_mode == Mode::kBuffered) BufferOrPoll(nowMs);
  return true;
}

std::string IioSensor::Describe() const {
  std::lock_guard lock(m_sampling);
  return m_device.Describe();
}

bool IioSensor::Buffered() const {
  std::lock_guard lock(m_sampling);
  return m_buffer != nullptr;
}

void IioSensor::StartReaderThread() {
  if (m_pacing == IioPacing::kReaderThread && !m_reader.joinable()) {
    m_reader = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
  }
}

void IioSensor::Run(std::stop_token stop) {
  using std::chrono::steady_clock;
  constexpr auto kPeriod = std::chrono::milliseconds(kIioSamplePeriodMs);
  // A plain sleep: the cheapest wake-up there is, and a stop waits at most one period.
  auto next = steady_clock::now() + kPeriod;
  for (;;) {
    std::this_thread::sleep_until(next);
    if (stop.stop_requested()) return;
    SampleNow();
    next += kPeriod;
    // Behind (a suspend, a busy machine): missed periods are skipped, not caught up.
    auto now = steady_clock::now();
    if (next < now) next = now + kPeriod;
  }
}

}  // namespace host::sensors
