// What the music player plays, as plain data that is handed the time: a playlist, the current
// song, playing or paused, and how far into the song. Time runs only while playing; at the end
// of a song the next one starts (after the last the first), still playing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/programs/songs.h"

namespace host::programs {

// A read-only copy of the player's state at one moment, for renderers and timelines.
struct NowPlaying {
  std::shared_ptr<const std::vector<Song>> playlist;  // shared, never changed
  std::size_t index = 0;  // the current song's position in playlist
  bool playing = false;
  std::int64_t elapsedMs = 0;  // into the current song, below its length

  const Song& song() const { return (*playlist)[index]; }
  const std::u16string& title() const { return song().title; }
  // "3/8 Paper Boats (playing)", with the song's number counted from 1.
  std::string Describe() const;
};

class PlayerState {
 public:
  // Paused at the start of the first song.
  // REQUIRES: playlist is not empty and every length is above 0.
  explicit PlayerState(std::vector<Song> playlist);

  // Moves on to now: the songs that have ended meanwhile are left behind.
  // REQUIRES: now is not before the time of the previous call.
  void Sync(std::int64_t now);

  // Each applies the time up to now first (Sync). Previous and Next go to the start of the song
  // before or after, wrapping around the list, and keep playing or paused as it was.
  void Previous(std::int64_t now);
  void TogglePlay(std::int64_t now);
  void Next(std::int64_t now);

  // The state at now, leaving this one as it is. REQUIRES: as for Sync.
  NowPlaying At(std::int64_t now) const;

  std::size_t index() const { return m_index; }
  bool playing() const { return m_playing; }
  // How long the current song has still to play, as of the last Sync; meaningful while playing.
  std::int64_t RemainingMs() const { return (*m_playlist)[m_index].lengthMs - m_elapsedMs; }

 private:
  void Restart(std::size_t index);

  std::shared_ptr<const std::vector<Song>> m_playlist;
  std::int64_t m_roundMs;  // the whole list's length
  std::size_t m_index = 0;
  bool m_playing = false;
  std::int64_t m_elapsedMs = 0;  // as of m_syncedAt
  std::int64_t m_syncedAt = 0;
};

}  // namespace host::programs
