// The bridge's side on the session bus: a connection and thread of its own (host/dbus/
// bus_thread.h), which follows the MPRIS players (org.mpris.MediaPlayer2.*) as they come and go
// and change, and makes the calls the handset asks for without ever making the asker wait.
//
// Everything that touches D-Bus runs on the bus thread: it lists the players at start, hears
// NameOwnerChanged and each player's PropertiesChanged, reads a new player's properties
// (GetAll, at most kCallTimeout), and makes the asked calls asynchronously with the same
// timeout. A PropertiesChanged is looked at only when its sender owns the name of a player it
// follows and that counts: what other peers send is dropped before it is decoded. What it learns it hands to a
// sink, on the bus thread: the handset side passes it on with Handset::PostFromThread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/crt/result.h"
#include "host/dbus/bus_thread.h"
#include "host/mpris/player_choice.h"

namespace host::mpris {

inline constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
inline constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
inline constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
inline constexpr std::chrono::milliseconds kCallTimeout{500};

// What a debug line is about; the handset side limits each kind's lines per minute.
enum class NoteKind {
  kCallFailed,  // a call failed or timed out (Next, GetAll, ListNames)
  kMalformed,   // a message from a followed player could not be decoded
  kDropped,     // a command was not sent (the player cannot, is gone, no bus)
  kBus,         // the session bus went away
};
inline constexpr int kNoteKinds = 4;

// One message of the bus thread to the handset side.
struct BusNews {
  enum class Kind {
    kPlayers,  // players: every MPRIS player on the bus whose properties have been read (or
               // could not be, in time), in order of appearance
    kNote,     // note: a debug line of noteKind
    kBusLost,  // the connection broke: no player any more, the bus thread has ended
  };
  Kind kind = Kind::kPlayers;
  std::vector<PlayerInfo> players;
  std::string note;
  NoteKind noteKind = NoteKind::kCallFailed;
};
// Called on the bus thread, one message at a time, in order.
using NewsSink = std::function<void(BusNews)>;

class PlayerBus {
 public:
  // Connects to the session bus (options: the address, the deadline, a stop descriptor), starts
  // the bus thread and lists the players; the first kPlayers news follows. The error of
  // dbus::BusThread::Connect when there is no bus that answers.
  // The PropertiesChanged of players that filter does not let through are not decoded: they
  // never count, and their listing keeps what GetAll read.
  static Result<std::unique_ptr<PlayerBus>> Connect(const dbus::ConnectOptions& options,
                                                    PlayerFilter filter, NewsSink sink);
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
