// Gestures only while music plays, as the launcher arranges it: ACC0: behind the gate, which
// the built-in player opens while it plays; the pause and each change traced as "gestures".
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/launch/launcher.h"
#include "tests/support/temp_folder.h"

namespace host::launch {
namespace {

// Keeps "paused" of each "gestures" event, as "paused" or "playing".
class GesturesTrace final : public Trace {
 public:
  bool Wants(std::string_view ev) const override { return ev == "gestures"; }
  void Record(std::int64_t, std::string_view, TraceFields fields) override {
    events.push_back(fields["paused"].get<bool>() ? "paused" : "playing");
  }
  std::vector<std::string> events;
};

// A back-end that logs what it is told.
class LoggingSensor final : public AccelerometerSensor {
 public:
  bool Present() const override { return true; }
  std::optional<AccSample> Read() override { return AccSample{}; }
  void Opened() override { log += "opened "; }
  void Closed() override { log += "closed "; }
  std::string log;
};

void ToPlayer(UINT msg, WPARAM wParam) {
  PostMessageW(FindWindowW(nullptr, programs::kNowPlayingTitle), msg, wParam, 0);
}

// Opens ACC0:, then at each tick of a 100 ms timer does the next of steps; quits after the last.
Executable Stepper(std::vector<std::function<void()>> steps) {
  return {u"\\Apps\\Stepper\\Stepper.exe", [steps] {
            return std::make_unique<EntryProgram>([steps](DWORD) {
              HANDLE acc = CreateFileW(kAccelerometerName, GENERIC_READ | GENERIC_WRITE, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
              SetTimer(nullptr, 1, 100, nullptr);
              MSG msg;
              std::size_t next = 0;
              while (GetMessageW(&msg, nullptr, 0, 0)) {
                if (msg.message != WM_TIMER) {
                  DispatchMessageW(&msg);
                  continue;
                }
                if (next == steps.size()) break;
                steps[next++]();
              }
              CloseHandle(acc);
              return 0;
            });
          }};
}

class LauncherGesturesTest : public ::testing::Test {
 protected:
  // Runs the steps (Stepper) with gestures of mode; m_gate is the launcher's gate while it runs.
  int Run(GestureMode mode, std::vector<std::function<void()>> steps) {
    VirtualClock clock;
    Handset handset(clock, m_root.string());
    Application app;
    app.root = m_root.string();
    app.sensor = &m_sensor;
    app.trace = &m_trace;
    app.gestures = mode;
    app.executable = Stepper(std::move(steps));
    Launcher launcher(handset, app);
    m_gate = launcher.gate();
    int status = launcher.Run();
    m_hadGate = m_gate != nullptr;
    m_gate = nullptr;
    return status;
  }
  // "open" or "shut": the gate now.
  std::string Gate() const { return m_gate->playing() ? "open" : "shut"; }

  test_support::TempFolder m_root{"quorvane-launcher-gestures"};
  LoggingSensor m_sensor;
  GesturesTrace m_trace;
  const GestureGate* m_gate = nullptr;
  bool m_hadGate = false;
};

TEST_F(LauncherGesturesTest, TheBuiltInPlayerOpensTheGateWhilePlaying) {
  std::vector<std::string> seen;  // the gate after each step
  auto look = [&] { seen.push_back(Gate()); };
  EXPECT_EQ(0, Run(GestureMode::kWhenPlaying, {
      [&] {
        CreateProcessW(programs::kMusicPlayerPath, nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, nullptr, nullptr);
      },
      [&] { look(); ToPlayer(programs::kPlayerControlMessage, programs::kPlayerPlayPause); },
      [&] { look(); ToPlayer(programs::kPlayerControlMessage, programs::kPlayerNext); },
      [&] { look(); ToPlayer(programs::kPlayerControlMessage, programs::kPlayerPlayPause); },
      [&] { look(); ToPlayer(programs::kPlayerControlMessage, programs::kPlayerPlayPause); },
      [&] { look(); ToPlayer(WM_CLOSE, 0); },  // closed while it plays
      [&] { look(); },
  }));
  // Started paused; play, next (still playing), pause, play, closed.
  EXPECT_EQ((std::vector<std::string>{"shut", "open", "open", "shut", "open", "shut"}), seen);
  EXPECT_EQ((std::vector<std::string>{"paused", "playing", "paused", "playing", "paused"}),
            m_trace.events);
  EXPECT_EQ("opened closed opened closed ", m_sensor.log);
}

TEST_F(LauncherGesturesTest, AlwaysHasNoGate) {
  EXPECT_EQ(0, Run(GestureMode::kAlways, {}));
  EXPECT_FALSE(m_hadGate);
  EXPECT_EQ("opened closed ", m_sensor.log);
  EXPECT_TRUE(m_trace.events.empty());
}

}  // namespace
}  // namespace host::launch
