#include "host/sensors/iio_sensor.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <system_error>
#include <utility>
#include <variant>

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
  SampleNow();
  if (m_pacing == IioPacing::kReaderThread && !m_reader.joinable()) {
    m_reader = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
  }
}

void IioSensor::Closed() {
  if (m_reader.joinable()) {
    m_reader.request_stop();
    m_reader.join();
    m_reader = std::jthread();
  }
  std::lock_guard lock(m_windowMutex);
  m_window.Clear();
}

void IioSensor::SampleNow() {
  std::lock_guard lock(m_sampling);
  std::int64_t now = m_clock.NowMs();
  if (m_gone) {
    if (now >= m_nextProbeMs) Reprobe(now);
    return;
  }
  std::array<long, 3> raw;
  IioReadFailure failure;
  if (m_device.raw.Read(raw, failure)) {
    AccCounts sample = MapRawSample(m_device.calibration, raw);
    std::lock_guard windowLock(m_windowMutex);
    m_window.Add(now, sample);
    return;
  }
  m_gone = true;
  m_nextProbeMs = now + kIioReprobePeriodMs;
  {
    std::lock_guard windowLock(m_windowMutex);
    m_readable = false;
    m_window.Clear();
  }
  if (m_debug) {
    m_debug("iio: " + m_device.Describe() + " went away (" +
            (failure.error == EINVAL ? *failure.path + " holds no whole number"
                                     : UnreadableMessage(*failure.path, failure.error)) +
            "); reads fail until it is back");
  }
}

bool IioSensor::Reprobe(std::int64_t nowMs) {
  m_nextProbeMs = nowMs + kIioReprobePeriodMs;
  // Quietly: the device may stay away for long.
  auto found = FindIioAccelerometer(m_selector, IioDebugSink());
  auto* device = std::get_if<IioAccelerometer>(&found);
  if (device == nullptr) return false;
  std::array<long, 3> raw;
  IioReadFailure failure;
  if (!device->raw.Read(raw, failure)) return false;
  m_device = std::move(*device);
  m_gone = false;
  {
    std::lock_guard windowLock(m_windowMutex);
    m_readable = true;
    m_window.Clear();
    m_window.Add(nowMs, MapRawSample(m_device.calibration, raw));
  }
  if (m_debug) m_debug("iio: " + m_device.Describe() + " is back");
  return true;
}

std::string IioSensor::Describe() const {
  std::lock_guard lock(m_sampling);
  return m_device.Describe();
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
