#include "host/drivers/gesture_gate.h"

#include "host/drivers/motion_stage.h"

namespace host {

const char* GestureModeName(GestureMode mode) {
  return mode == GestureMode::kAlways ? "always" : "when-playing";
}

std::optional<GestureMode> GestureModeNamed(std::string_view name) {
  for (GestureMode mode : {GestureMode::kWhenPlaying, GestureMode::kAlways}) {
    if (name == GestureModeName(mode)) return mode;
  }
  return std::nullopt;
}

std::string GestureModeNames() { return "when-playing or always"; }

AccCounts AtRest(std::optional<MotionMode> mode) {
  if (mode == MotionMode::kRaw) return AccCounts{0, 0, kAccCountsPerG};
  return AccCounts{};
}

GestureGate::~GestureGate() {
  if (m_sampling) m_sensor.Closed();
}

std::optional<AccSample> GestureGate::Read() {
  if (!m_sampling) return ClampedToBytes(AtRest(m_sensor.motion_mode()));
  return m_sensor.Read();
}

std::optional<AccCounts> GestureGate::ReadCounts(AccTap tap) {
  if (m_sampling) return m_sensor.ReadCounts(tap);
  // Before the stage, a still handset reads as the raw stage would have it.
  std::optional<MotionMode> mode = m_sensor.motion_mode();
  return AtRest(tap == AccTap::kSource && mode ? MotionMode::kRaw : mode);
}

void GestureGate::Opened() {
  m_driverOpen = true;
  Follow();
}

void GestureGate::Closed() {
  m_driverOpen = false;
  Follow();
}

void GestureGate::SetPlaying(bool playing) {
  if (playing == m_playing) return;
  m_playing = playing;
  Follow();
}

void GestureGate::Follow() {
  bool wanted = m_driverOpen && m_playing;
  if (wanted == m_sampling) return;
  m_sampling = wanted;
  if (wanted) {
    m_sensor.Opened();
  } else {
    m_sensor.Closed();
  }
}

}  // namespace host
