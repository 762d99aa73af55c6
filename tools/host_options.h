// The devices of a run with real hardware behind the handset (the window, the demo and the
// service): what is behind the handset's accelerometer "ACC0:" and which program is the
// handset's music player "\Windows\MzMusic.exe".
//
//   --acc sim|replay:FILE|iio[:NAME]   the accelerometer (tools/acc_source.h parses it)
//   --player builtin|mpris[:NAME]      the music player (ParsePlayer)
//   --player-command CMD               how a real player is started when the handset launches it
//   --feedback on|off                  feedbackd's buzz for each gesture command (default on)
//   --motion raw|gravity|flick         the driver's motion stage for replay and iio (docs/motion.md)
//
// HostDevices::Open is the one place that turns them into devices: a new back-end fills in its
// branch there and nowhere else.
//
//   host::Result<PlayerChoice> player = ParsePlayer("mpris:mpv", std::nullopt);
//   host::Result<std::unique_ptr<HostDevices>> devices = HostDevices::Open(AccSource{}, *player);
//   if (!devices) { /* "quorvane: " + devices.error().message(), exit 2 */ }
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"
#include "host/drivers/accelerometer.h"
#include "host/drivers/motion_stage.h"
#include "host/kernel/ending_signals.h"
#include "host/kernel/handset.h"
#include "host/launch/launcher.h"
#include "host/mpris/player_bridge.h"
#include "tools/acc_source.h"

namespace tools {

enum class PlayerKind {
  kBuiltin,  // the built-in player (host/programs/music_player.h), which each mode installs
  kMpris,    // a real player over MPRIS
};

// What --player and --player-command name.
struct PlayerChoice {
  PlayerKind kind = PlayerKind::kBuiltin;
  host::mpris::PlayerFilter filter;    // kMpris: the players that count
  std::optional<std::string> command;  // kMpris: how to start the player
  // feedbackd's buzz for each gesture command, whatever the player (--feedback).
  bool feedback = true;

  bool operator==(const PlayerChoice& other) const {
    return kind == other.kind && filter.name() == other.filter.name() &&
           command == other.command && feedback == other.feedback;
  }
};

// "builtin", "mpris" or "mpris:NAME", with the command for a real player. Otherwise a one-line
// error that names the option: "--player vlc: give builtin or mpris[:NAME]", or
// "--player-command applies to --player mpris, not to the built-in player".
host::Result<PlayerChoice> ParsePlayer(std::string_view player,
                                       const std::optional<std::string>& command);

// How long the session bus may take to answer at start-up (a bus that accepts connections but
// never answers would hold the start for minutes).
inline constexpr int kBusAnswerMs = 5000;

// How a service meets the devices that are not there yet at its start (at login the session bus
// or the accelerometer's driver may come after it): it waits for them, and note tells each wait
// in one line ("waiting for an accelerometer") and its end ("accelerometer: iio:device0").
struct LateDevices {
  std::function<void(const std::string&)> note;
};

// The pauses between two looks for a session bus that is not there: the first, doubled after
// each look up to the longest.
inline constexpr int kBusRetryFirstMs = 500;
inline constexpr int kBusRetryLongestMs = 30'000;

// Looks for the session bus with check until it answers (true), or pause(ms) returns false (a
// stop signal came during the pause: false). After the first failed look, note tells "waiting
// for the session bus (REASON)" once.
bool WaitForSessionBus(const std::function<host::Status()>& check,
                       const std::function<bool(int ms)>& pause,
                       const std::function<void(const std::string&)>& note);

// The devices the options chose, ready for one run. Owns the sensor.
class HostDevices {
 public:
  // Opens what acc and player name: the recording read, the IIO device found, the session bus
  // there for a real player. On failure the one-line reason, without the program's name, for a
  // usage error (exit status 2), beginning with the option ("--player mpris: ...", "--acc
  // iio: ...") or the recording's file. A replay's or a real accelerometer's samples go through
  // the motion stage of mode motion (the simulated tilt stays raw). The session bus must answer
  // within busAnswerMs; an ending signal of signals (null: none) ends that wait (then
  // signals->Take() tells it). With late (the service), a session bus that is not there and an
  // IIO accelerometer that does not exist yet are waited for instead (LateDevices), until an
  // ending signal; then the error is "stopped by SIGNAL".
  static host::Result<std::unique_ptr<HostDevices>> Open(
      const AccSource& acc, const PlayerChoice& player,
      host::MotionMode motion = host::kDefaultMotionMode, host::EndingSignals* signals = nullptr,
      int busAnswerMs = kBusAnswerMs, const LateDevices* late = nullptr);

  HostDevices(const HostDevices&) = delete;
  HostDevices& operator=(const HostDevices&) = delete;
  ~HostDevices();

  AccSource::Kind acc_kind() const { return m_accKind; }
  // The back-end of "ACC0:"; null for AccSource::Kind::kSim, where the mode uses its own
  // simulated one.
  host::AccelerometerSensor* sensor() { return m_sensor.get(); }

  PlayerKind player_kind() const { return m_player.kind; }
  // For PlayerKind::kMpris, once installed: the footer's line about the chosen player ("" when
  // none counts) and the lines of the player's window (empty for other windows). Usable only
  // while the handset it was installed on exists.
  std::u16string PlayerFooter() const;
  std::vector<std::u16string> PlayerWindowLines(HWND hwnd) const;
  // What the bridge of a real player tells (host/mpris/player_bridge.h); set before
  // InstallPlayer. Nothing for the built-in player.
  void set_player_events(host::mpris::BridgeEvents events) { m_events = std::move(events); }
  // The players that count for a real player (--player mpris[:NAME]).
  const host::mpris::PlayerFilter& player_filter() const { return m_player.filter; }
  // Puts the chosen player at "\Windows\MzMusic.exe" on the handset, replacing what is
  // registered there. Does nothing for PlayerKind::kBuiltin: the modes install the built-in
  // player themselves, since they show it. Called after the mode's own set-up, before the
  // application starts. For kMpris the bridge (host/mpris/player_bridge.h) belongs to the
  // handset and goes with it; when the session bus has gone since Open, the handset has no
  // player and the reason goes to stderr. With feedback on, also installs the gesture's feedback
  // (host/feedback/feedback_client.h) for every player; without a session bus there is none,
  // with a debug line. playing, when given, is told whenever the chosen player starts or stops
  // playing (the bridge's PlaybackStatus). REQUIRES: called on the handset's thread.
  void InstallPlayer(host::Handset& handset, host::launch::PlayingListener playing = nullptr);

 private:
  HostDevices() = default;

  AccSource::Kind m_accKind = AccSource::Kind::kSim;
  std::unique_ptr<host::AccelerometerSensor> m_sensor;
  PlayerChoice m_player;
  host::mpris::BridgeEvents m_events;
  std::weak_ptr<host::mpris::MprisBridge> m_bridge;  // owned by the handset
};

}  // namespace tools
