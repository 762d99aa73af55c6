// Tilting the handset by hand: an accelerometer back-end whose x and z follow the arrow keys or
// a tilt pad of the desktop window and fall back to rest (0) when released. y stays 0. No
// threads: the window's event loop sets it, the driver reads it, both on the handset's thread.
//
// The keys lean the handset all the way (kFullTilt), the way the window's tilt pad shows it (x
// grows to the right, z downwards):
//   Right: x = +127, which the application takes for "next song";
//   Down:  z = +127 (the handset's top tilted towards the user), "previous song";
//   Left:  x = -127 and Up: z = -127, leaning the other way, which gives no command.
// Two keys on one axis cancel out; a key's axis goes back to rest when it is released. The pad
// sets x and z directly and, while held, wins over the keys; released, the keys count again.
//
// A read returns the peak window (peak_window.h) over the changes of the last 100 ms, so a tap
// shorter than the application's poll still counts once.
#pragma once

#include <optional>

#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/sensors/peak_window.h"

namespace host::sensors {

inline constexpr int kFullTilt = 127;

enum class TiltKey { kRight, kLeft, kDown, kUp };

class ManualTiltSensor final : public AccelerometerSensor {
 public:
  // Changes are timed on clock (the handset's). REQUIRES: clock outlives the sensor.
  explicit ManualTiltSensor(const Clock& clock) : m_clock(clock) {}

  bool Present() const override { return true; }
  // The peak of the last 100 ms.
  std::optional<AccSample> Read() override;

  // Where the handset leans now (the pad's knob).
  AccSample Sample() const;

  void Press(TiltKey key);
  void Release(TiltKey key);

  // The pad held at x, z (each clamped to -128..127).
  void SetPad(int x, int z);
  void ReleasePad();
  // Everything back to rest: the pad and every key (the window lost the focus).
  void ReleaseAll();

 private:
  static constexpr int kKeys = 4;

  // Puts the state after a change into the window.
  void Changed();

  const host::Clock& m_clock;
  PeakWindow m_window;

  bool m_keys[kKeys] = {};
  bool m_padHeld = false;
  std::int8_t m_padX = 0;
  std::int8_t m_padZ = 0;
};

}  // namespace host::sensors
