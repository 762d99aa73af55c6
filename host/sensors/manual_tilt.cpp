#include "host/sensors/manual_tilt.h"

#include <algorithm>


namespace host::sensors {
namespace {

std::int8_t Clamped(int value) { return static_cast<std::int8_t>(std::clamp(value, -128, 127)); }

}  // namespace

AccSample ManualTiltSensor::Sample() const {
  if (m_padHeld) return AccSample{m_padX, 0, m_padZ};
  auto held = [this](TiltKey key) { return m_keys[static_cast<int>(key)] ? kFullTilt : 0; };
  return AccSample{Clamped(held(TiltKey::kRight) - held(TiltKey::kLeft)), 0,
                   Clamped(held(TiltKey::kDown) - held(TiltKey::kUp))};
}

void ManualTiltSensor::Changed() { m_window.Add(m_clock.NowMs(), Widened(Sample())); }

std::optional<AccSample> ManualTiltSensor::Read() {
  return ClampedToBytes(m_window.Peak(m_clock.NowMs()).value_or(Widened(Sample())));
}

void ManualTiltSensor::Press(TiltKey key) {
  m_keys[static_cast<int>(key)] = true;
  Changed();
}

void ManualTiltSensor::Release(TiltKey key) {
  m_keys[static_cast<int>(key)] = false;
  Changed();
}

void ManualTiltSensor::SetPad(int x, int z) {
  m_padHeld = true;
  m_padX = Clamped(x);
  m_padZ = Clamped(z);
  Changed();
}

void ManualTiltSensor::ReleasePad() {
  m_padHeld = false;
  m_padX = 0;
  m_padZ = 0;
  Changed();
}

void ManualTiltSensor::ReleaseAll() {
  std::fill(std::begin(m_keys), std::end(m_keys), false);
  ReleasePad();
}

}  // namespace host::sensors
