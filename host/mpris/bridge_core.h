// The bridge's handset side (player_bridge.h): what the bus thread heard, the player's process
// and window that follow the chosen player, the window's messages turned into calls, and the
// debug lines, limited per kind. Everything here runs on the handset's thread.
#pragma once

#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "host/mpris/note_limiter.h"
#include "host/mpris/player_bridge.h"
#include "host/mpris/player_bus.h"

namespace host::mpris {

class MprisBridge::Core {
 public:
  Core(Handset& handset, PlayerFilter filter) : m_handset(handset), m_filter(std::move(filter)) {}
  ~Core() { EndPlayerProcess(); }
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // REQUIRES: bus outlives its use here (set_bus(nullptr) before it goes).
  void set_bus(PlayerBus* bus) { m_bus = bus; }
  void set_events(BridgeEvents events) { m_events = std::move(events); }

  void Receive(BusNews news);
  void EndPlayerProcess();
  // A debug line "[MPRIS] text", unless too many of its kind came this minute.
  void Debug(NoteKind kind, const std::string& text);

  const PlayerInfo* Chosen() const { return ChoosePlayer(m_players, m_filter); }
  bool playing() const;
  DWORD pid() const { return m_pid; }
  HWND window() const { return m_window; }
  const std::vector<PlayerInfo>& players() const { return m_players; }
  bool connected() const { return m_connected; }

 private:
  class PlayerProcess;

  // The player's process and window exist exactly while a player is chosen.
  void Follow();
  void Tell();
  void Opened(DWORD pid);
  LRESULT OnMessage(UINT msg, WPARAM wParam);
  void CallIf(const PlayerInfo& player, std::optional<bool> can, const char* property,
              const char* interface, const char* method);
  void Call(const PlayerInfo& player, const char* interface, const char* method);

  Handset& m_handset;
  PlayerFilter m_filter;
  PlayerBus* m_bus = nullptr;
  std::vector<PlayerInfo> m_players;
  bool m_connected = true;
  bool m_listed = false;  // the first news has come
  DWORD m_pid = 0;
  HWND m_window = nullptr;
  NoteLimiter m_limiter;
  BridgeEvents m_events;
  bool m_choiceTold = false;
  std::string m_toldChoice;  // the bus name told last, "" for none
  bool m_toldPlaying = false;
};

}  // namespace host::mpris
