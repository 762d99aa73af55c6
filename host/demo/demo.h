// The built-in demo: Quorvane on the handset with the built-in music player, while a script
// plays the user's part: start the player with the start button, tilt the handset to the right
// twice (next) and once towards the user (previous), a gentle tilt that the sensitivity 120
// ignores, the slider down to 100 so that the same tilt counts, the slider back to 120, Exit.
// A timeline (timeline.h) tells what happens.
//
// The script runs on the scenario runner (host/scenario/runner.h), so the demo keeps the
// runner's contract: the runner is the handset's input source and its simulated sensor is ACC0:.
// The handset's clock sets the pace: a real clock plays the demo in real time (about 30 s), a
// virtual one at once. A window that shows the demo installs its own input source around the
// runner's (handset.input() after construction) to draw between the steps.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/demo/timeline.h"
#include "host/kernel/handset.h"
#include "host/programs/music_player.h"
#include "host/scenario/runner.h"
#include "host/sensors/replay.h"

namespace host::demo {

// The demo's script in the scenario language, for the application at exePath and the work area.
std::string DemoScript(std::u16string_view exePath, RECT workArea);

class Demo {
 public:
  // Installs the runner (ACC0: and the input source), the built-in player with the songs for
  // "\Windows\MzMusic.exe", and the timeline as the handset's trace, which hands every event on
  // to the trace the handset had. Errors go to diagnostics as "demo:LINE: message".
  // REQUIRES: handset, out and diagnostics outlive the demo; the handset is current, its work
  // area set, and it has no input source or accelerometer yet; songs is not empty.
  Demo(Handset& handset, scenario::Application application, std::vector<programs::Song> songs,
       std::ostream& out, std::ostream& diagnostics);
  // Gives the handset its trace back.
  ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  // "ACC0:" reads the sensor instead of the runner's simulated one, so the script's samples do
  // not count. REQUIRES: sensor outlives the demo; called before Run.
  void UseSensor(AccelerometerSensor& sensor);

  // Runs the demo once, to the application's end.
  scenario::RunStatus Run();

  programs::MusicPlayerService& player() { return m_player; }
  // The runner: the input source, and its simulated sensor behind "ACC0:".
  scenario::Runner& runner() { return *m_runner; }
  Timeline& timeline() { return m_timeline; }

 private:
  Handset& m_handset;
  Trace* m_previousTrace;
  std::ostream& m_diagnostics;
  std::u16string m_exe;
  Timeline m_timeline;
  std::optional<std::string> m_scriptError;
  std::unique_ptr<scenario::Runner> m_runner;
  programs::MusicPlayerService m_player;
  std::optional<AccelerometerDriver> m_driver;  // over a sensor of UseSensor
};

enum class Pace {
  kRealTime,  // a real clock
  kFast,      // a virtual clock: the whole demo at once
};

struct TerminalDemoOptions {
  std::string root;  // the host folder that is the handset's "\"; made when missing
  Pace pace = Pace::kRealTime;
  std::vector<programs::Song> songs = programs::BuiltInSongs();
  RECT workArea{0, 0, 480, 720};
  std::optional<std::string> tracePath;  // the whole trace as JSON Lines, when given
  // Tilts the handset instead of the demo's tilts when not null. REQUIRES: outlives the run.
  AccelerometerSensor* sensor = nullptr;
  // Called after the built-in player is installed, to put another player in its place.
  std::function<void(Handset&)> installPlayer;
};

inline constexpr int kDemoOk = 0;
inline constexpr int kDemoFailed = 2;

// The demo in a terminal: a new headless handset, the timeline on out, problems on err.
// Returns kDemoOk when the demo ran to its end, kDemoFailed when the settings could not be
// saved, the root or the trace file cannot be used, or the demo went wrong.
int RunTerminalDemo(const TerminalDemoOptions& options, const scenario::Application& application,
                    std::ostream& out, std::ostream& err);

}  // namespace host::demo
