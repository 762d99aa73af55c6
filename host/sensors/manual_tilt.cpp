#include "host/sensors/manual_tilt.h"

#include <algorithm>

namespace host::sensors {
namespace {

std::int8_t Clamped(int value) { return static_cast<std::int8_t>(std::clamp(value, -128, 127)); }

}  // namespace

AccSample ManualTiltSensor::Sample() const {
  if (m_padHeld) return AccSample{m_padX, 0, m_padZ};
  auto held = [this](TiltKey key) { return m_keys[static_cast<int>(key)] ? kFullTilt : 0; };
  return AccSample{Clamped(held(TiltKey::kRight) - held(TiltKey::kDown)), 0,
                   Clamped(held(TiltKey::kLeft) - held(TiltKey::kUp))};
}

void ManualTiltSensor::Press(TiltKey key) { m_keys[static_cast<int>(key)] = true; }

void ManualTiltSensor::Release(TiltKey key) { m_keys[static_cast<int>(key)] = false; }

void ManualTiltSensor::SetPad(int x, int z) {
  m_padHeld = true;
  m_padX = Clamped(x);
  m_padZ = Clamped(z);
}

void ManualTiltSensor::ReleasePad() {
  m_padHeld = false;
  m_padX = 0;
  m_padZ = 0;
}

void ManualTiltSensor::ReleaseAll() {
  ReleasePad();
  std::fill(std::begin(m_keys), std::end(m_keys), false);
}

}  // namespace host::sensors
