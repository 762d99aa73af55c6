// The host options that every mode with real devices shares (the window, the demo and the
// service): what is behind the handset's accelerometer "ACC0:" and which program is the
// handset's music player "\Windows\MzMusic.exe".
//
//   --acc sim|replay:FILE|iio[:NAME]   the accelerometer
//   --player builtin|mpris[:NAME]      the music player
//   --player-command CMD               how a real player is started when the handset launches it
//   --feedback on|off                  feedbackd's buzz for each gesture command (default on)
//   --motion raw|gravity|flick         the driver's motion stage for replay and iio (docs/motion.md)
//
// HostDevices::Open is the one place that turns them into devices: a new back-end fills in its
// branch there and nowhere else.
//
//   HostOptions options;              // filled by AddHostOptions and CLI11
//   auto devices = HostDevices::Open(options, HostDefaults{});
//   if (auto* error = std::get_if<std::string>(&devices)) { /* "quorvane: " + *error, exit 2 */ }
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/kernel/handset.h"
#include "host/mpris/player_bridge.h"

namespace CLI {
class App;  // <CLI/CLI.hpp>: heavy, included where the options are parsed
}  // namespace CLI

struct HostOptions {
  std::optional<std::string> acc;
  std::optional<std::string> player;
  std::optional<std::string> playerCommand;
  std::optional<std::string> feedback;  // "on" or "off"
  std::optional<std::string> motion;
};

// What a mode takes when an option is not given.
struct HostDefaults {
  std::string acc = "sim";
  std::string player = "builtin";
};

// Adds --acc, --player, --player-command, --feedback and --motion to app, filling options.
void AddHostOptions(CLI::App& app, HostOptions& options);

enum class AccKind {
  kSim,     // the mode's own simulated tilt (arrow keys, the demo's tilts, at rest)
  kReplay,  // a recording (host/sensors/replay.h)
  kIio,     // a Linux IIO accelerometer (host/sensors/iio_sensor.h)
};

enum class PlayerKind {
  kBuiltin,  // the built-in player (host/programs/music_player.h), which each mode installs
  kMpris,    // a real player over MPRIS
};

// The devices the options chose, ready for one run. Owns the sensor.
class HostDevices {
 public:
  // Checks the options (defaults for those not given) and opens what they name. On failure
  // the one-line reason, without the program's name, for a usage error (exit status 2).
  static std::variant<std::unique_ptr<HostDevices>, std::string> Open(
      const HostOptions& options, const HostDefaults& defaults);

  HostDevices(const HostDevices&) = delete;
  HostDevices& operator=(const HostDevices&) = delete;
  ~HostDevices();

  AccKind acc_kind() const { return m_accKind; }
  // The back-end of "ACC0:"; null for AccKind::kSim, where the mode uses its own simulated one.
  host::AccelerometerSensor* sensor() { return m_sensor.get(); }

  PlayerKind player_kind() const { return m_playerKind; }
  // For PlayerKind::kMpris, once installed: the footer's line about the chosen player ("" when
  // none counts) and the lines of the player's window (empty for other windows). Usable only
  // while the handset it was installed on exists.
  std::u16string PlayerFooter() const;
  std::vector<std::u16string> PlayerWindowLines(HWND hwnd) const;
  // Puts the chosen player at "\Windows\MzMusic.exe" on the handset, replacing what is
  // registered there. Does nothing for PlayerKind::kBuiltin: the modes install the built-in
  // player themselves, since they show it. Called after the mode's own set-up, before the
  // application starts. For kMpris the bridge (host/mpris/player_bridge.h) belongs to the
  // handset and goes with it; when the session bus has gone since Open, the handset has no player and the
  // reason goes to stderr. With --feedback on, also installs the gesture's feedback
  // (host/feedback/feedback_client.h) for every player; without a session bus there is none,
  // with a debug line. REQUIRES: called on the handset's thread.
  void InstallPlayer(host::Handset& handset);

 private:
  HostDevices() = default;

  AccKind m_accKind = AccKind::kSim;
  std::unique_ptr<host::AccelerometerSensor> m_sensor;
  PlayerKind m_playerKind = PlayerKind::kBuiltin;
  std::optional<host::mpris::PlayerFilter> m_playerFilter;  // mpris[:NAME]
  std::optional<std::string> m_playerCommand;
  bool m_feedback = true;
  std::weak_ptr<host::mpris::MprisBridge> m_bridge;  // owned by the handset
};
