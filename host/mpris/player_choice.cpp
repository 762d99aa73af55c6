#include "host/mpris/player_choice.h"

namespace host::mpris {
namespace {

// Higher ranks first.
int Rank(PlaybackStatus status) {
  switch (status) {
    case PlaybackStatus::kPlaying:
      return 3;
    case PlaybackStatus::kPaused:
      return 2;
    case PlaybackStatus::kStopped:
      return 1;
    case PlaybackStatus::kUnknown:
      return 0;
  }
  return 0;
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

}  // namespace

const char* PlaybackStatusName(PlaybackStatus status) {
  switch (status) {
    case PlaybackStatus::kPlaying:
      return "Playing";
    case PlaybackStatus::kPaused:
      return "Paused";
    case PlaybackStatus::kStopped:
      return "Stopped";
    case PlaybackStatus::kUnknown:
      return "Unknown";
  }
  return "Unknown";
}

PlaybackStatus ParsePlaybackStatus(std::string_view value) {
  if (value == "Playing") return PlaybackStatus::kPlaying;
  if (value == "Paused") return PlaybackStatus::kPaused;
  if (value == "Stopped") return PlaybackStatus::kStopped;
  return PlaybackStatus::kUnknown;
}

std::optional<PlayerFilter> PlayerFilter::Parse(std::string_view option) {
  constexpr std::string_view kAll = "mpris";
  if (option == kAll) return PlayerFilter();
  if (option.substr(0, kAll.size() + 1) != "mpris:") return std::nullopt;
  std::string_view name = option.substr(kAll.size() + 1);
  if (name.empty() || name.front() == '.' || name.back() == '.' ||
      name.find("..") != std::string_view::npos) {
    return std::nullopt;
  }
  for (char c : name) {
    if (!IsNameCharacter(c)) return std::nullopt;
  }
  PlayerFilter filter;
  filter.m_name = std::string(name);
  return filter;
}

bool PlayerFilter::Matches(std::string_view busName) const {
  if (busName.substr(0, kMprisBusPrefix.size()) != kMprisBusPrefix) return false;
  std::string_view rest = busName.substr(kMprisBusPrefix.size());
  if (m_name.empty()) return !rest.empty();
  if (rest.substr(0, m_name.size()) != m_name) return false;
  return rest.size() == m_name.size() || rest[m_name.size()] == '.';
}

const PlayerInfo* ChoosePlayer(const std::vector<PlayerInfo>& players, const PlayerFilter& filter) {
  const PlayerInfo* best = nullptr;
  for (const PlayerInfo& player : players) {
    if (!filter.Matches(player.busName) || player.canControl == false) continue;
    if (best == nullptr || Rank(player.status) > Rank(best->status) ||
        (Rank(player.status) == Rank(best->status) && player.appeared > best->appeared)) {
      best = &player;
    }
  }
  return best;
}

}  // namespace host::mpris
