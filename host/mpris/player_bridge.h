// A real music player on the session bus (MPRIS) as the handset's "\Windows\MzMusic.exe", so
// that the application finds, commands, starts and closes it as it does the handset's own.
//
// While the chosen player (player_choice.h) is on the bus, the handset has a process
// "MzMusic.exe" with one visible top-level window "正在播放"; when no player that counts is left,
// both are gone. The window turns the handset's messages into MPRIS calls:
//   kPlayerControlMessage wParam 1, 2, 3  -> Previous, PlayPause, Next (a Previous or Next the
//                                            player says it cannot do is dropped);
//   WM_CLOSE                             -> Quit, when CanQuit is true (else ignored);
//   WM_SHOWWINDOW TRUE (ShowWindow SW_SHOW) -> Raise, when CanRaise is true; hiding: nothing.
// Each call goes to the player chosen at that moment. What is dropped, and every call that fails
// or times out, becomes a debug line "[MPRIS] ..." in the handset's debug output.
//
// Launching "\Windows\MzMusic.exe" (CreateProcessW) starts the player command detached
// (player_command.h) and succeeds when it starts; the player's process appears once the player
// is on the bus. Without a command the launch fails.
//
// Nothing here waits for D-Bus: calls are handed to the bus thread (player_bus.h), and what it
// hears comes back through Handset::PostFromThread and is handled on the loop's thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/kernel/handset.h"
#include "host/mpris/player_choice.h"

namespace host::mpris {

inline constexpr char16_t kPlayerWindowClass[] = u"MprisPlayerWnd";

struct BridgeOptions {
  PlayerFilter filter;      // which players count
  std::string command;      // starts a player (--player-command); empty: launching fails
  std::string busAddress;   // empty: the session bus of the environment
};

class MprisBridge {
 public:
  // Connects to the session bus and installs the launcher at "\Windows\MzMusic.exe" (replacing
  // what was registered there). Returns the reason when there is no session bus.
  // REQUIRES: handset outlives the bridge; called on the thread that runs its message loop.
  static std::variant<std::unique_ptr<MprisBridge>, std::string> Start(Handset& handset,
                                                                       BridgeOptions options);
  // Stops the bus thread and ends the player's process (the real player runs on).
  ~MprisBridge();
  MprisBridge(const MprisBridge&) = delete;
  MprisBridge& operator=(const MprisBridge&) = delete;

  // The chosen player as last heard; nullopt when none counts (or the bus is gone).
  std::optional<PlayerInfo> Chosen() const;
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

}  // namespace host::mpris
