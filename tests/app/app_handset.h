// A handset for tests of the application: the program's own process and folder, the simulated
// accelerometer, the music player ready to be launched (or already running), a settings file to
// start from, and a message loop driven by a virtual clock and a script of timed actions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/acc_wnd.h"
#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/kernel/windowed_program.h"
#include "tests/player/event_log.h"
#include "tests/support/temp_folder.h"

// Input for the message loop: runs each action when the clock reaches its time, lets the clock
// run on to the timers in between, and ends the loop (as the handset's shutdown does) at the end
// time.
class ScriptedInput final : public host::InputSource {
 public:
  explicit ScriptedInput(host::VirtualClock& clock) : m_clock(clock) {}

  // Runs action at handset time t (actions at the same time run in the order given).
  void At(std::int64_t t, std::function<void()> action) {
    m_actions.emplace(std::make_pair(t, m_sequence++), std::move(action));
  }
  void set_end(std::int64_t t) { m_end = t; }

  bool Idle(std::int64_t wakeAtMs) override;

 private:
  host::VirtualClock& m_clock;
  std::map<std::pair<std::int64_t, int>, std::function<void()>> m_actions;
  int m_sequence = 0;
  std::int64_t m_end = 0;
};

class AppHandset : public testing::Test {
 protected:
  static constexpr char16_t kExePath[] = u"\\Program Files\\Quorvane\\Quorvane.exe";
  static constexpr char16_t kSettingsPath[] = u"\\Program Files\\Quorvane\\config.ini";
  static constexpr char16_t kSection[] = u"Powered By Zelbin";

  AppHandset();
  ~AppHandset() override;

  // ---- Settings file. Key lines as stored, e.g. {u"minacc_x=95", u"autoacc=0"}. Closes the
  // window opened before, which saves the settings as it goes.
  void WriteSettings(const std::vector<std::u16string>& keyLines);
  // The stored value of key, or nullopt when the file has none.
  std::optional<int> Stored(const char16_t* key);

  // ---- The player: launched by the program, or already running.
  void StartPlayer();
  bool PlayerRunning();
  // What the player's windows received, as "title msg wParam lParam".
  std::vector<std::string> PlayerReceived();
  bool PlayerVisible();

  // ---- The main window on its own, without WinMain: created over the work area and shown,
  // after the one opened before is closed.
  CAccWnd& OpenWindow();
  // Runs the message loop until handset time t, or until the quit message.
  void RunUntil(std::int64_t t);

  // ---- The whole program from process start to exit, with the script's actions, ending at
  // handset time end. Returns the program's exit code.
  int RunProgram(std::int64_t end);
  // The main window of the running program (for the script's actions).
  static CAccWnd& ProgramWindow();

  static std::string Text(const UiWin& control);
  std::int64_t Now() const { return m_clock.NowMs(); }

  test_support::TempFolder m_temp{"quorvane-app"};
  std::string m_root = m_temp.string();
  host::VirtualClock m_clock;
  host::Handset m_handset;
  EventLog m_log;
  ScriptedInput m_input{m_clock};
  host::SimulatedAccelerometer m_sensor;
  host::AccelerometerDriver m_driver{m_sensor};
  std::shared_ptr<host::MessageLog> m_playerLog = std::make_shared<host::MessageLog>();
  DWORD m_pid = 0;
  std::unique_ptr<CAccWnd> m_wnd;
};
