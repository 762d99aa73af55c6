// Which MPRIS player is the handset's music player: what the bridge knows of each player on the
// session bus, which bus names count ("mpris" or "mpris:NAME"), and the ranking among them.
// Plain data, no bus: the bridge's thread fills PlayerInfo, the handset's thread chooses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host::mpris {

// Every MPRIS player owns a bus name that begins with this.
inline constexpr std::string_view kMprisBusPrefix = "org.mpris.MediaPlayer2.";

enum class PlaybackStatus { kPlaying, kPaused, kStopped, kUnknown };

// "Playing", "Paused", "Stopped", "Unknown".
const char* PlaybackStatusName(PlaybackStatus status);
// The MPRIS PlaybackStatus value; anything else is kUnknown.
PlaybackStatus ParsePlaybackStatus(std::string_view value);

// One player on the bus as last heard. A property that could not be read (in time) is nullopt,
// or empty for the texts.
struct PlayerInfo {
  std::string busName;    // e.g. "org.mpris.MediaPlayer2.mpv"
  std::uint64_t appeared = 0;  // order of appearance on the bus: higher is later
  std::string identity;   // the player's Identity, e.g. "mpv Media Player"
  std::string title;      // xesam:title of the current track
  PlaybackStatus status = PlaybackStatus::kUnknown;
  std::optional<bool> canControl;
  std::optional<bool> canQuit;
  std::optional<bool> canRaise;
  std::optional<bool> canGoNext;
  std::optional<bool> canGoPrevious;

  bool operator==(const PlayerInfo&) const = default;
};

// Which bus names count: every MPRIS player, or with a NAME only "org.mpris.MediaPlayer2.NAME"
// and "org.mpris.MediaPlayer2.NAME.*" (as playerctl's --player).
class PlayerFilter {
 public:
  // Every player.
  PlayerFilter() = default;
  // "mpris" or "mpris:NAME"; NAME is letters, digits, '_', '-' and inner dots. nullopt otherwise.
  static std::optional<PlayerFilter> Parse(std::string_view option);

  bool Matches(std::string_view busName) const;
  const std::string& name() const { return m_name; }

 private:
  std::string m_name;  // empty: every player
};

// The player the handset's commands go to: among those the filter lets through and whose
// CanControl is not false, one that is Playing, else one that is Paused, else a Stopped one,
// else one whose status is unknown; among equals the one that appeared last. Null when none.
const PlayerInfo* ChoosePlayer(const std::vector<PlayerInfo>& players, const PlayerFilter& filter);

}  // namespace host::mpris
