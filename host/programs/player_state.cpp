#include "host/programs/player_state.h"

#include <numeric>

#include "host/crt/utf.h"

namespace host::programs {

std::string NowPlaying::Describe() const {
  return std::to_string(index + 1) + "/" + std::to_string(playlist->size()) + " " +
         ToUtf8(song().title) + (playing ? " (playing)" : " (paused)");
}

PlayerState::PlayerState(std::vector<Song> playlist)
    : m_playlist(std::make_shared<const std::vector<Song>>(std::move(playlist))),
      m_roundMs(std::accumulate(m_playlist->begin(), m_playlist->end(), std::int64_t{0},
                                [](std::int64_t sum, const Song& s) { return sum + s.lengthMs; })) {}

void PlayerState::Sync(std::int64_t now) {
  if (m_playing) {
    m_elapsedMs += now - m_syncedAt;
    // Whole rounds of the list end on the same song: skip them at once.
    if (m_elapsedMs >= m_roundMs) m_elapsedMs %= m_roundMs;
    while (m_elapsedMs >= (*m_playlist)[m_index].lengthMs) {
      m_elapsedMs -= (*m_playlist)[m_index].lengthMs;
      m_index = (m_index + 1) % m_playlist->size();
    }
  }
  m_syncedAt = now;
}

void PlayerState::Previous(std::int64_t now) {
  Sync(now);
  Restart((m_index + m_playlist->size() - 1) % m_playlist->size());
}

void PlayerState::TogglePlay(std::int64_t now) {
  Sync(now);
  m_playing = !m_playing;
}

void PlayerState::Next(std::int64_t now) {
  Sync(now);
  Restart((m_index + 1) % m_playlist->size());
}

NowPlaying PlayerState::At(std::int64_t now) const {
  PlayerState then = *this;
  then.Sync(now);
  return NowPlaying{m_playlist, then.m_index, then.m_playing, then.m_elapsedMs};
}

void PlayerState::Restart(std::size_t index) {
  m_index = index;
  m_elapsedMs = 0;
}

}  // namespace host::programs
