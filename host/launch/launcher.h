// One run of the application on a handset, the same in every mode with a person behind it: the
// window, the demo (in the window or the terminal) and the service. The mode makes the handset
// (its clock, its input source) and says in an Application what the run is made of; the
// Launcher readies the handset for it and starts it (host/launch/executable.h).
//
//   launch::Application app;
//   app.executable = QuorvaneExecutable();
//   app.root = root->path();
//   RealClock clock;
//   Handset handset(clock, app.root);
//   handset.set_input(&input);
//   launch::Launcher launcher(handset, app);
//   return launcher.Run();
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/drivers/gesture_gate.h"
#include "host/kernel/ending_signals.h"
#include "host/kernel/handset.h"
#include "host/launch/executable.h"
#include "host/launch/settings_saves.h"
#include "host/programs/music_player.h"
#include "host/programs/songs.h"

namespace host::launch {

// Told whether the player plays, each time that changes, on the handset's thread.
using PlayingListener = std::function<void(bool playing)>;

// What one run of the application is made of; the modes fill it from the options.
struct Application {
  Executable executable;
  // The host folder that is the handset's "\"; the mode makes the handset on it.
  std::string root;
  RECT workArea = kDefaultWorkArea;
  // The built-in music player's songs.
  std::vector<programs::Song> songs = programs::BuiltInSongs();
  // The back-end of "ACC0:"; null: the mode's own (a simulated one that it registers).
  AccelerometerSensor* sensor = nullptr;
  // Whether gestures count only while the player plays (host/drivers/gesture_gate.h).
  GestureMode gestures = GestureMode::kAlways;
  // Puts another player at "\Windows\MzMusic.exe" once the built-in one is installed (a real
  // player over MPRIS) and tells playing whenever that player starts or stops playing; unset:
  // the built-in player.
  std::function<void(Handset&, PlayingListener playing)> installPlayer;
  // Where the handset's trace goes; null: nowhere.
  Trace* trace = nullptr;
  // Where a failed save of the settings is told: one line, without the program's name.
  SettingsSaves::Report report;
  // The ending signals, which end the run as a shutdown does; null: none (tests).
  EndingSignals* signals = nullptr;
};

// The exit status of a run whose application ended well but could not save its settings at
// the end.
inline constexpr int kExitSaveFailed = 1;

class Launcher {
 public:
  // Readies the handset for app: its work area; its trace, app.trace behind the watch of the
  // settings saves (host/launch/settings_saves.h); "ACC0:" over app.sensor when one is given;
  // the built-in music player with app.songs at "\Windows\MzMusic.exe" (replacing what is
  // registered there), then app.installPlayer. With app.gestures kWhenPlaying, "ACC0:" reads
  // through a gate (host/drivers/gesture_gate.h) that the player opens while it plays: the
  // installed player's, else the newest built-in player's; each change, and the paused start,
  // is traced as "gestures" {"paused"}.
  // REQUIRES: the handset, made on app.root, and what app refers to outlive the launcher; the
  // handset's trace and file system stay as the launcher leaves them while it lives.
  Launcher(Handset& handset, const Application& app);
  // Gives the handset back its trace, its file system and what "ACC0:" was.
  ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // "ACC0:" reads sensor from now on (through the gate, with one). REQUIRES: sensor outlives
  // the launcher.
  void UseSensor(AccelerometerSensor& sensor);
  // The gate in front of the sensor; null with GestureMode::kAlways or while there is no sensor.
  const GestureGate* gate() const { return m_gate ? &*m_gate : nullptr; }

  programs::MusicPlayerService& player() { return m_player; }
  // The driver of "ACC0:" over app.sensor or the sensor of UseSensor; null while there is none.
  const AccelerometerDriver* driver() const { return m_driver ? &*m_driver : nullptr; }
  const SettingsSaves& saves() const { return *m_saves; }

  // Starts the application on the handset's input source and returns when its process has
  // ended, exit processing included: its exit code, or kExitSaveFailed when that is 0 but the
  // exit save failed (told through the report). An ending signal ends it as a shutdown
  // does (host/kernel/ending_signals.h); one that came before the start starts nothing, and
  // the result is 0. start, when given, starts it instead and gives the result (the demo's
  // script runner, whose start command starts the application).
  // REQUIRES: the handset has an input source.
  int Run(const std::function<int()>& start = nullptr);

 private:
  // The player plays, or not: the gate follows, and the change is traced.
  void SetPlaying(bool playing);

  Handset& m_handset;
  Executable m_executable;
  EndingSignals* m_signals;
  Trace* m_previousTrace;
  std::optional<SettingsSaves> m_saves;
  const GestureMode m_gestures;
  bool m_playing = false;
  std::optional<GestureGate> m_gate;
  std::optional<AccelerometerDriver> m_driver;
  programs::MusicPlayerService m_player;
  int m_playerListener = 0;
};

}  // namespace host::launch
