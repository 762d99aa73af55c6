#include "host/launch/launcher.h"

#include <nlohmann/json.hpp>

namespace host::launch {
namespace {

// Whether the newest built-in player that runs after change plays.
bool BuiltInPlays(const programs::MusicPlayerService& service,
                  const programs::PlayerChange& change) {
  bool playing = false;
  for (const programs::MusicPlayer* player : service.Running()) {
    // A player that closes is still listed while it tells so.
    if (change.event == programs::PlayerEvent::kClosed && player->pid() == change.pid) continue;
    playing = player->State().playing;
  }
  return playing;
}

}  // namespace

Launcher::Launcher(Handset& handset, const Application& app)
    : m_handset(handset),
      m_executable(app.executable),
      m_signals(app.signals),
      m_previousTrace(handset.trace()),
      m_gestures(app.gestures),
      m_player(handset, app.songs) {
  m_handset.set_work_area(app.workArea);
  // The watch hands every event on to app.trace.
  m_handset.set_trace(app.trace);
  m_saves.emplace(m_handset, SettingsPathOf(app.executable.path), app.report);
  if (app.sensor != nullptr) UseSensor(*app.sensor);
  if (m_gestures == GestureMode::kWhenPlaying) {
    m_handset.Emit("gestures", [] { return TraceFields{{"paused", true}}; });
    if (!app.installPlayer) {
      m_playerListener = m_player.AddListener([this](const programs::PlayerChange& change) {
        SetPlaying(BuiltInPlays(m_player, change));
      });
    }
  }
  if (app.installPlayer) {
    app.installPlayer(m_handset, [this](bool playing) { SetPlaying(playing); });
  }
}

Launcher::~Launcher() {
  if (m_playerListener != 0) m_player.RemoveListener(m_playerListener);
  if (m_driver) m_handset.RegisterDevice(kAccelerometerName, nullptr);
  m_saves.reset();
  m_handset.set_trace(m_previousTrace);
}

void Launcher::UseSensor(AccelerometerSensor& sensor) {
  AccelerometerSensor* read = &sensor;
  if (m_gestures == GestureMode::kWhenPlaying) {
    m_driver.reset();
    m_gate.emplace(sensor);
    m_gate->SetPlaying(m_playing);
    read = &*m_gate;
  }
  m_driver.emplace(*read);
  m_handset.RegisterDevice(kAccelerometerName, &*m_driver);
}

void Launcher::SetPlaying(bool playing) {
  if (playing == m_playing || m_gestures != GestureMode::kWhenPlaying) return;
  m_playing = playing;
  if (m_gate) m_gate->SetPlaying(playing);
  m_handset.Emit("gestures", [playing] { return TraceFields{{"paused", !playing}}; });
}

int Launcher::Run(const std::function<int()>& start) {
  std::optional<SignalStop> stop;
  if (m_signals != nullptr) {
    if (m_signals->Take() != 0) return 0;
    stop.emplace(m_handset, *m_signals, *m_handset.input());
  }
  int code = start ? start() : RunToExit(m_handset, m_executable.make(), m_executable.path);
  m_saves->EndTurn();
  return code == 0 && m_saves->last_save_failed() ? kExitSaveFailed : code;
}

}  // namespace host::launch
