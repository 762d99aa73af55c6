// The scenario runner: carries out a checked script (commands.h) on a handset in virtual time.
//
// The commands before start run one after another. start starts the application's process, whose
// entry runs the message loop; from then on the runner is the handset's input source: each time
// the loop (or a nested modal loop) has nothing to do, Idle carries out script commands until one
// needs the loop to run again (input delivered, or a wait that reached a due timer). A wait lets
// the clock jump from one due timer to the next, so every WM_TIMER arrives at its due time.
//
// When the application exits before the script ends, the rest is skipped with a warning. When the
// script ends first, the application is ended as at shutdown: an open modal run (a menu) is left
// with 0, then the loop gets WM_QUIT with code 0 (no "quit" event). A script error while the
// application runs stops the script the same way, so exit processing still runs. The runner
// traces "exit" when the application's entry has returned, and "snapshot".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/kernel/handset.h"
#include "host/launch/executable.h"
#include "host/scenario/commands.h"
#include "host/scenario/file_watch.h"
#include "host/scenario/input_targets.h"

class CMzWnd;

namespace host::scenario {

enum class RunStatus {
  kCompleted,    // the script ran to its end, or the application exited before it
  kScriptError,  // reported on the diagnostics stream
};

class Runner final : public InputSource {
 public:
  // Registers the accelerometer "ACC0:" and the music player's executable on the handset and
  // becomes its input source. start starts executable, at executable.path unless the script
  // sets another with exe. Diagnostics (errors and warnings) are written as
  // "NAME:LINE: message" lines.
  // REQUIRES: handset, its clock and diagnostics outlive the runner; the handset is current and
  // has no other accelerometer or input source.
  Runner(Handset& handset, std::vector<Command> commands, std::string scriptName,
         launch::Executable executable, std::ostream& diagnostics);
  ~Runner() override;
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs the script once.
  RunStatus Run();

  bool Idle(std::int64_t wakeAtMs) override;

  SimulatedAccelerometer& accelerometer() { return m_sensor; }

  // Saves the handset's screen as a PNG file at a host path. The screenshot command needs one
  // (this library draws no pixels itself).
  using Screenshooter = std::function<Status(const Handset& handset, const std::string& path)>;
  void set_screenshooter(Screenshooter shoot) { m_screenshooter = std::move(shoot); }
  // Saves the screen at path once the script has run to its end, before the application is
  // ended (or at the end of a run whose application has already exited).
  void set_final_screenshot(std::string path) { m_finalScreenshot = std::move(path); }

 private:
  enum class Step {
    kNext,     // go on with the next command
    kRunLoop,  // let the message loop run first
  };
  struct Failure {
    std::string message;
  };

  // Carries out one command with its handler. Returns nullopt after reporting a script error.
  std::optional<Step> Execute(const Command& command);
  using Handler = std::optional<Step> (Runner::*)(const Command&);
  // The handler of each command; null for none.
  static const Handler* HandlerFor(Op op);
  Step Start();

  // Set-up and the world around the application (runner.cpp).
  std::optional<Step> Workarea(const Command& command);
  std::optional<Step> Exe(const Command& command);
  std::optional<Step> Accelerometer(const Command& command);
  std::optional<Step> Reads(const Command& command);
  std::optional<Step> Sample(const Command& command);
  std::optional<Step> Player(const Command& command);
  std::optional<Step> Process(const Command& command);
  std::optional<Step> Window(const Command& command);
  std::optional<Step> Launch(const Command& command);
  std::optional<Step> File(const Command& command);
  std::optional<Step> WatchFile(const Command& command);
  // The write command: a UTF-16LE file with the mark, its lines joined by CR LF, at a name that
  // the handset's own mapping keeps inside its root.
  std::optional<Step> WriteFile(const Command& command);
  std::optional<Step> Screenshot(const Command& command);
  std::optional<Step> StartCommand(const Command& command);
  std::optional<Step> Wait(const Command& command);
  std::optional<Step> SnapshotCommand(const Command& command);

  // Input: each finds its target (input_targets.h), reports a script error when there is
  // none, and only then delivers.
  std::optional<Step> Tap(const Command& command);
  std::optional<Step> Toolbar(const Command& command);
  std::optional<Step> Choose(const Command& command);
  std::optional<Step> Move(const Command& command);
  std::optional<Step> Point(const Command& command);
  std::optional<Step> Slider(const Command& command);
  std::optional<Step> CommandCall(const Command& command);
  std::optional<Step> Timer(const Command& command);
  // The main window for an input command; null after reporting that there is none.
  CMzWnd* InputWindow(const Command& command);
  // The main window and the centre of the control with the command's id; reported when none.
  std::optional<std::pair<CMzWnd*, POINT>> ControlCentre(const Command& command);
  // The target found, or nullopt after reporting "NAME ARGS: why".
  template <class Target>
  std::optional<Target> Found(const Command& command, Result<Target> found);
  // After the script or on an error: leaves modal runs, then asks the loop to quit.
  bool Finish();

  void Report(int line, const std::string& message);
  void Warn(int line, const std::string& message);
  // The application's main window: its first window that is ours and no pop-up menu.
  CMzWnd* MainWindow();
  void StartWindowedProcess(std::u16string path, std::vector<std::u16string> titles);
  void EndProcessesNamed(std::u16string_view exeName);

  Handset& m_handset;
  std::vector<Command> m_commands;
  std::string m_scriptName;
  launch::Executable m_executable;
  std::ostream& m_diagnostics;

  SimulatedAccelerometer m_sensor;
  AccelerometerDriver m_driver{m_sensor};
  FileWatch m_files{m_handset};

  std::size_t m_next = 0;          // the next command to carry out
  int m_currentLine = 0;           // the line of the command being carried out
  std::optional<std::int64_t> m_waitUntil;  // a wait in progress
  std::u16string m_exe;
  launch::EntryProgram* m_program = nullptr;  // the application's, while its process runs
  bool m_failed = false;
  Screenshooter m_screenshooter;
  std::optional<std::string> m_finalScreenshot;
  // Saves the final screenshot if one is asked for and not yet taken.
  void TakeFinalScreenshot();
  // The screenshooter's result, or an error when there is none.
  Status Shoot(const std::string& path);
  bool m_quitRequested = false;
  int m_modalsLeft = 0;
};

}  // namespace host::scenario
