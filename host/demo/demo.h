// The built-in demo: Quorvane on the handset with the built-in music player, while a script
// plays the user's part: start the player with the start button, tilt the handset to the right
// twice (next) and once towards the user (previous), a gentle tilt that the sensitivity 120
// ignores, the slider down to 100 so that the same tilt counts, the slider back to 120, Exit.
// A timeline (timeline.h) tells what happens.
//
// The script runs on the scenario runner (host/scenario/runner.h), so the demo keeps the
// runner's contract: the runner is the handset's input source and its simulated sensor is ACC0:.
// The handset's clock sets the pace: a real clock plays the demo in real time (about 22 s), a
// virtual one at once. A window that shows the demo installs its own input source around the
// runner's (handset.input() after construction) to draw between the steps.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "host/demo/timeline.h"
#include "host/kernel/handset.h"
#include "host/launch/launcher.h"
#include "host/programs/music_player.h"
#include "host/scenario/runner.h"

namespace host::demo {

// The demo's script in the scenario language, for the application at exePath and the work area.
std::string DemoScript(std::u16string_view exePath, RECT workArea);

class Demo {
 public:
  // Installs the runner (the input source, and "ACC0:" over its simulated sensor unless
  // app.sensor is given: then the script's samples do not count), readies the handset for app
  // (host/launch/launcher.h; never with app.installPlayer: the demo shows the built-in player)
  // and puts the timeline in front of the handset's trace. Errors go to diagnostics as
  // "demo:LINE: message".
  // REQUIRES: handset (made on app.root), out, diagnostics and what app refers to outlive the
  // demo; the handset is current and has no input source or accelerometer yet; app.songs is
  // not empty.
  Demo(Handset& handset, const launch::Application& app, std::ostream& out,
       std::ostream& diagnostics);
  // Gives the handset its trace back.
  ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  // "ACC0:" reads sensor from now on. REQUIRES: sensor outlives the demo; called before Run.
  void UseSensor(AccelerometerSensor& sensor) { m_launcher->UseSensor(sensor); }
  // The gate of --gestures when-playing; null without one.
  const GestureGate* gate() const { return m_launcher->gate(); }

  // Runs the demo once, to the application's end.
  scenario::RunStatus Run();

  programs::MusicPlayerService& player() { return m_launcher->player(); }
  // The runner: the input source, and its simulated sensor.
  scenario::Runner& runner() { return *m_runner; }
  Timeline& timeline() { return *m_timeline; }
  // Saves of the settings that failed so far (each told through app.report).
  int failed_saves() const { return m_launcher->saves().failed_saves(); }

 private:
  Handset& m_handset;
  Trace* m_previousTrace;
  std::ostream& m_diagnostics;
  std::optional<std::string> m_scriptError;
  std::unique_ptr<scenario::Runner> m_runner;
  std::optional<launch::Launcher> m_launcher;
  std::optional<Timeline> m_timeline;
};

enum class Pace {
  kRealTime,  // a real clock
  kFast,      // a virtual clock: the whole demo at once
};

inline constexpr int kDemoOk = 0;
inline constexpr int kDemoFailed = 2;

// The demo in a terminal: a new headless handset, the timeline on out, problems on err (a
// failed save as "quorvane: the settings could not be saved to ...", unless app.report is set).
// Returns kDemoOk when the demo ran to its end, kDemoFailed when the settings could not be
// saved or the demo went wrong.
int RunTerminalDemo(const launch::Application& app, Pace pace, std::ostream& out,
                    std::ostream& err);

}  // namespace host::demo
