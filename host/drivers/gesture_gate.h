// Gestures only while music plays: a gate in front of the accelerometer's back-end.
//
// While the gate is shut (the player does not play), a read of "ACC0:" answers at rest and the
// back-end is closed: a streaming one samples nothing (the IIO reader thread stopped, the
// kernel's buffer disabled), whatever the application does with ACC0:. Opened, the back-end is
// open exactly while the driver holds ACC0: open, as without the gate. Opening it again starts
// the back-end afresh (Opened), so a flick from before the pause is not read after it.
//
//   GestureGate gate(sensor);            // shut: nothing plays yet
//   AccelerometerDriver driver(gate);
//   gate.SetPlaying(true);               // the player plays: sampling starts at once
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/drivers/accelerometer.h"

namespace host {

// --gestures: whether gestures count always (as on the handset) or only while the player plays.
enum class GestureMode : std::uint8_t { kAlways, kWhenPlaying };

// "always", "when-playing".
const char* GestureModeName(GestureMode mode);
// The mode of that name; nullopt for others.
std::optional<GestureMode> GestureModeNamed(std::string_view name);
// "when-playing or always", for messages.
std::string GestureModeNames();

// What a still handset reads after a stage of mode (nullopt: a back-end without a stage, which
// rests at 0): 0 on every axis once gravity is taken out; raw, gravity's 1 g on z, the handset
// lying face up. Neither reaches a threshold (80 and up), so no command can come of it.
AccCounts AtRest(std::optional<MotionMode> mode);

class GestureGate final : public AccelerometerSensor {
 public:
  // Shut. REQUIRES: sensor outlives the gate.
  explicit GestureGate(AccelerometerSensor& sensor) : m_sensor(sensor) {}
  // Closes the back-end when the gate had it open.
  ~GestureGate() override;
  GestureGate(const GestureGate&) = delete;
  GestureGate& operator=(const GestureGate&) = delete;

  bool Present() const override { return m_sensor.Present(); }
  // The back-end's read while open, else at rest.
  std::optional<AccSample> Read() override;
  std::optional<AccCounts> ReadCounts(AccTap tap = AccTap::kStaged) override;
  bool SetMotionMode(MotionMode mode) override { return m_sensor.SetMotionMode(mode); }
  std::optional<MotionMode> motion_mode() const override { return m_sensor.motion_mode(); }
  void Opened() override;
  void Closed() override;

  // Opens the gate (the player plays) or shuts it; nothing when it is so already. Opens or
  // closes the back-end at once while the driver holds ACC0: open. Called on the handset's
  // thread.
  void SetPlaying(bool playing);
  bool playing() const { return m_playing; }
  // Whether the back-end is open now: the driver holds ACC0: open and the gate is open.
  bool sampling() const { return m_sampling; }

 private:
  // Opens or closes the back-end as the driver and the gate say.
  void Follow();

  AccelerometerSensor& m_sensor;
  bool m_driverOpen = false;
  bool m_playing = false;
  bool m_sampling = false;
};

}  // namespace host
