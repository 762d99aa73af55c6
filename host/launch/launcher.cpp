#include "host/launch/launcher.h"

namespace host::launch {

Launcher::Launcher(Handset& handset, const Application& app)
    : m_handset(handset),
      m_executable(app.executable),
      m_signals(app.signals),
      m_previousTrace(handset.trace()),
      m_player(handset, app.songs) {
  m_handset.set_work_area(app.workArea);
  // The watch hands every event on to app.trace.
  m_handset.set_trace(app.trace);
  m_saves.emplace(m_handset, SettingsPathOf(app.executable.path), app.report);
  if (app.sensor != nullptr) UseSensor(*app.sensor);
  if (app.installPlayer) app.installPlayer(m_handset);
}

Launcher::~Launcher() {
  if (m_driver) m_handset.RegisterDevice(kAccelerometerName, nullptr);
  m_saves.reset();
  m_handset.set_trace(m_previousTrace);
}

void Launcher::UseSensor(AccelerometerSensor& sensor) {
  m_driver.emplace(sensor);
  m_handset.RegisterDevice(kAccelerometerName, &*m_driver);
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
