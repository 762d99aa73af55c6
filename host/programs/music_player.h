// The handset's built-in music player, the program behind "\Windows\MzMusic.exe". It plays no
// sound: it keeps a playlist, the current song, playing or paused and the time into the song on
// the handset's clock, and moves on to the next song when one ends.
//
// Its one window, titled "正在播放" (now playing), takes the player's commands:
//   kPlayerControlMessage with wParam 1 previous, 2 play/pause, 3 next (others are ignored);
//   WM_CLOSE ends the process, which leaves the process list.
// A tap (WM_LBUTTONUP) on one of its three buttons (PlayerButtonRects) posts the window the
// same command as the application does.
// Newly started, it is paused at the start of the first song.
//
// Every change is traced as a "player" event {"event", "pid", "index" (from 1), "count",
// "title", "playing", "elapsed" (ms)} and told to the service's listeners. Events: "started",
// "previous", "play-pause", "next", "song-ended", "closed".
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "host/kernel/handset.h"
#include "host/programs/player_state.h"

namespace host::programs {

inline constexpr char16_t kMusicPlayerPath[] = u"\\Windows\\MzMusic.exe";
inline constexpr char16_t kMusicPlayerClass[] = u"MzMusicPlayerWnd";
inline constexpr char16_t kNowPlayingTitle[] = u"正在播放";
inline constexpr UINT kPlayerControlMessage = 0xFFF00003;
inline constexpr WPARAM kPlayerPrevious = 1;
inline constexpr WPARAM kPlayerPlayPause = 2;
inline constexpr WPARAM kPlayerNext = 3;
// The window timer that ends the current song.
inline constexpr UINT_PTR kSongEndTimer = 0x4D5A;

// The player window's buttons for previous, play/pause and next, in the window's coordinates,
// for a window of width x height; the command each one posts is kPlayerPrevious + its index.
std::vector<RECT> PlayerButtonRects(int width, int height);

enum class PlayerEvent { kStarted, kPrevious, kPlayPause, kNext, kSongEnded, kClosed };

// "started", "previous", "play-pause", "next", "song-ended", "closed".
const char* PlayerEventName(PlayerEvent event);

struct PlayerChange {
  PlayerEvent event = PlayerEvent::kStarted;
  DWORD pid = 0;
  NowPlaying now;  // after the change
};

class MusicPlayer final : public Program {
 public:
  // Hears of a player's changes; the player keeps it alive.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void Changed(MusicPlayer& player, const PlayerChange& change) = 0;
    // The program object goes away (its process has ended, by WM_CLOSE or from outside).
    // Called from the destructor, so it must not call the player.
    virtual void Gone(MusicPlayer& player) = 0;
  };

  // REQUIRES: playlist is not empty; every length is above 0.
  explicit MusicPlayer(std::vector<Song> playlist, std::shared_ptr<Observer> observer = nullptr);
  ~MusicPlayer() override;
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Creates the visible "正在播放" window over the work area. REQUIRES: the handset is current.
  void Start(Handset& handset, DWORD pid) override;

  DWORD pid() const { return m_pid; }
  // The "正在播放" window; null before Start and after the process has ended.
  HWND window() const { return m_window; }
  // What the player plays now, on the handset's clock. REQUIRES: started.
  NowPlaying State() const;

 private:
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Command(WPARAM code);
  // A tap at x, y of the window: a button posts its command.
  void Tapped(HWND hwnd, int x, int y);
  void SongEndDue();
  // Arms the song-end timer while playing, stops it while paused.
  void ArmSongEnd();
  void Tell(PlayerEvent event);

  Handset* m_handset = nullptr;
  PlayerState m_state;
  std::shared_ptr<Observer> m_observer;
  DWORD m_pid = 0;
  HWND m_window = nullptr;
  bool m_timerArmed = false;
};

using PlayerListener = std::function<void(const PlayerChange&)>;

// Installs the built-in player on a handset: every launch of kMusicPlayerPath starts a
// MusicPlayer with the playlist. Keeps track of the running players for renderers and tells
// listeners of every change.
class MusicPlayerService {
 public:
  // Registers the program for kMusicPlayerPath (replacing what was registered there).
  // REQUIRES: handset outlives the service; playlist as for MusicPlayer.
  MusicPlayerService(Handset& handset, std::vector<Song> playlist);
  // Listeners hear nothing more; players already running go on.
  ~MusicPlayerService();
  MusicPlayerService(const MusicPlayerService&) = delete;
  MusicPlayerService& operator=(const MusicPlayerService&) = delete;

  // Registers the program again (after something else took the path).
  void Register();

  // The listener is called after each change of any of the service's players, on the thread
  // that runs the handset. Returns an id for RemoveListener.
  int AddListener(PlayerListener listener);
  void RemoveListener(int id);

  // The running players, oldest first.
  std::vector<const MusicPlayer*> Running() const;
  // The player whose window this is, or null.
  const MusicPlayer* PlayerOfWindow(HWND hwnd) const;
  // The newest running player's state, or nothing when none runs.
  std::optional<NowPlaying> NowPlayingState() const;

  const std::vector<Song>& playlist() const { return m_playlist; }

 private:
  class Hub;

  Handset& m_handset;
  std::vector<Song> m_playlist;
  std::shared_ptr<Hub> m_hub;
};

}  // namespace host::programs
