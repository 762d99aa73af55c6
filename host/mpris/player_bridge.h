// A real music player on the session bus (MPRIS) as the handset's "\Windows\MzMusic.exe", so
// that the application finds, commands, starts and closes it as it does the handset's own.
//
// While the chosen player (player_choice.h) is on the bus, the handset has a process
// "MzMusic.exe" with one visible top-level window "正在播放"; when no player that counts is left,
// both are gone. The window turns the handset's messages into MPRIS calls:
//   kPlayerControlMessage wParam 1, 2, 3  -> Previous, PlayPause, Next (a Previous or Next the
//                                            player says it cannot do is dropped); Previous
//                                            and Next also give the gesture's feedback
//                                            (host/feedback/feedback_client.h);
//   WM_CLOSE                             -> Quit, when CanQuit is true (else ignored);
//   WM_SHOWWINDOW TRUE (ShowWindow SW_SHOW) -> Raise, when CanRaise is true; hiding: nothing.
// Each call goes to the player chosen at that moment. What is dropped, and every call that fails
// or times out, becomes a debug line "[MPRIS] ..." in the handset's debug output, at most
// kNotesPerMinute of each kind a minute (note_limiter.h).
//
// Launching "\Windows\MzMusic.exe" (CreateProcessW) starts the player command detached
// (player_command.h) and succeeds when it starts; the player's process appears once the player
// is on the bus. Without a command, or with one that is refused, the launch fails.
//
// Nothing here waits for D-Bus: calls are handed to the bus thread (player_bus.h), and what it
// hears comes back through Handset::PostFromThread and is handled on the loop's thread. Only
// Start waits, for the connection, at most until its deadline.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/crt/result.h"
#include "host/dbus/bus_thread.h"
#include "host/kernel/handset.h"
#include "host/mpris/player_choice.h"

namespace host::mpris {

inline constexpr char16_t kPlayerWindowClass[] = u"MprisPlayerWnd";

struct BridgeOptions {
  PlayerFilter filter;       // which players count
  std::string command;       // starts a player (--player-command); empty: launching fails
  dbus::ConnectOptions bus;  // the bus address (empty: the session's), deadline, stop descriptor
};

// What the bridge tells as it happens, on the handset's thread (in the message loop's posted
// tasks). Either may be empty.
struct BridgeEvents {
  // The chosen player changed: another one, or none that counts any more (null). Told first
  // once the players on the bus at start are known (null when there are none), then at each
  // change. chosen is valid during the call. ChoiceLine makes the service's log line of it.
  std::function<void(const PlayerInfo* chosen)> chosenChanged;
  // Whether the chosen player plays (PlaybackStatus Playing) changed. Not playing at start;
  // paused, stopped, unknown and no player are all not playing.
  std::function<void(bool playing)> playingChanged;
};

class MprisBridge {
 public:
  // Connects to the session bus and installs the launcher at "\Windows\MzMusic.exe" (replacing
  // what was registered there). The error says why there is no bus (dbus::BusThread::Connect):
  // none, one that does not answer within the deadline, or a stop on the stop descriptor.
  // REQUIRES: handset outlives the bridge; called on the thread that runs its message loop.
  static Result<std::unique_ptr<MprisBridge>> Start(Handset& handset, BridgeOptions options);
  // Stops the bus thread and ends the player's process (the real player runs on).
  ~MprisBridge();
  MprisBridge(const MprisBridge&) = delete;
  MprisBridge& operator=(const MprisBridge&) = delete;

  // Replaces the events told from now on. Set before the loop runs to hear the first choice.
  // REQUIRES: on the handset's thread.
  void set_events(BridgeEvents events);

  // The chosen player as last heard; nullopt when none counts (or the bus is gone).
  std::optional<PlayerInfo> Chosen() const;
  // Whether the chosen player plays, as last heard; false with none.
  bool playing() const;
  // The player's process and window on the handset; 0 and null while there is none.
  DWORD pid() const;
  HWND window() const;
  // Every MPRIS player on the bus as last heard, chosen or not.
  const std::vector<PlayerInfo>& players() const;
  // False once the bus connection has broken.
  bool connected() const;

  class Core;  // the handset side

 private:
  MprisBridge() = default;
  std::shared_ptr<Core> m_core;
  std::unique_ptr<class PlayerBus> m_bus;
};

// What the player's window and the footer show: identity (or the bus name), the title ("" when
// unknown) and the playback status.
std::vector<std::u16string> PlayerLines(const PlayerInfo& player);
// "mpv Media Player: Title (Playing)".
std::u16string DescribePlayer(const PlayerInfo& player);
// The log line about the choice: "player: mpv (org.mpris.MediaPlayer2.mpv)" (the first word of
// the bus name after the MPRIS prefix, then the bus name); with none "waiting for
// org.mpris.MediaPlayer2.NAME", or "waiting for a player (org.mpris.MediaPlayer2.*)" when every
// player counts.
std::string ChoiceLine(const PlayerInfo* chosen, const PlayerFilter& filter);

}  // namespace host::mpris
