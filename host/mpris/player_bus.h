// The bridge's side on the session bus: its own connection and thread, which follows the MPRIS
// players (org.mpris.MediaPlayer2.*) as they come and go and change, and makes the calls the
// handset asks for without ever making the asker wait.
//
// Everything that touches D-Bus runs on the bus thread: it lists the players at start, hears
// NameOwnerChanged and each player's PropertiesChanged, reads a new player's properties
// (GetAll, at most kCallTimeout), and makes the asked calls asynchronously with the same
// timeout. What it learns it hands to a sink, on the bus thread: the handset side passes it on
// with Handset::PostFromThread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/mpris/player_choice.h"

namespace host::mpris {

inline constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
inline constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
inline constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
inline constexpr std::chrono::milliseconds kCallTimeout{500};

// One message of the bus thread to the handset side.
struct BusNews {
  enum class Kind {
    kPlayers,  // players: every MPRIS player on the bus whose properties have been read (or
               // could not be, in time), in order of appearance
    kNote,     // note: a debug line (a call failed or timed out, a reply was malformed)
    kBusLost,  // the connection broke: no player any more, the bus thread has ended
  };
  Kind kind = Kind::kPlayers;
  std::vector<PlayerInfo> players;
  std::string note;
};
// Called on the bus thread, one message at a time, in order.
using NewsSink = std::function<void(BusNews)>;

// Whether a session bus answers at address (empty: the default): nullopt when it does, else
// why not ("no session bus: ..."). Connects and disconnects at once, on the calling thread.
std::optional<std::string> CheckSessionBus(const std::string& address);

class PlayerBus {
 public:
  // Connects to the session bus (address empty: the default, DBUS_SESSION_BUS_ADDRESS), starts
  // the bus thread and lists the players; the first kPlayers news follows. Returns the reason
  // when there is no session bus to connect to.
  static std::variant<std::unique_ptr<PlayerBus>, std::string> Connect(const std::string& address,
                                                                       NewsSink sink);
  // Stops the bus thread (pending calls are dropped); the sink is not called afterwards.
  ~PlayerBus();
  PlayerBus(const PlayerBus&) = delete;
  PlayerBus& operator=(const PlayerBus&) = delete;

  // Thread-safe and never waits for the bus: the bus thread calls method (no arguments) on
  // interface of the player that owns busName. A failure or a reply later than kCallTimeout
  // becomes a kNote; a player not on the bus, too.
  void Call(const std::string& busName, const std::string& interface, const std::string& method);

  class Worker;  // the bus thread's state

 private:
  explicit PlayerBus(std::unique_ptr<Worker> worker);
  std::unique_ptr<Worker> m_worker;
};

}  // namespace host::mpris
