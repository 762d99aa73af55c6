#include "host/mpris/player_bus.h"

#include <algorithm>
#include <map>

#include <sdbus-c++/sdbus-c++.h>

namespace host::mpris {
namespace {

using dbus::Describe;

using Properties = std::map<std::string, sdbus::Variant>;

constexpr char kDaemonName[] = "org.freedesktop.DBus";
constexpr char kDaemonPath[] = "/org/freedesktop/DBus";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

bool IsMprisName(const std::string& name) { return name.rfind(kMprisBusPrefix, 0) == 0; }

std::optional<bool> BoolOf(const sdbus::Variant& value) {
  if (!value.containsValueOfType<bool>()) return std::nullopt;
  return value.get<bool>();
}

std::string StringOf(const sdbus::Variant& value) {
  return value.containsValueOfType<std::string>() ? value.get<std::string>() : std::string();
}

// Takes the properties of either MPRIS interface (their names do not overlap).
void Apply(PlayerInfo& info, const Properties& properties) {
  for (const auto& [name, value] : properties) {
    if (name == "Identity") info.identity = StringOf(value);
    if (name == "CanQuit") info.canQuit = BoolOf(value);
    if (name == "CanRaise") info.canRaise = BoolOf(value);
    if (name == "CanControl") info.canControl = BoolOf(value);
    if (name == "CanGoNext") info.canGoNext = BoolOf(value);
    if (name == "CanGoPrevious") info.canGoPrevious = BoolOf(value);
    if (name == "PlaybackStatus") info.status = ParsePlaybackStatus(StringOf(value));
    if (name == "Metadata") {
      info.title.clear();
      if (value.containsValueOfType<Properties>()) {
        Properties metadata = value.get<Properties>();
        auto title = metadata.find("xesam:title");
        if (title != metadata.end()) info.title = StringOf(title->second);
      }
    }
  }
}

// Forgets what a PropertiesChanged says is no longer valid.
void Invalidate(PlayerInfo& info, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name == "Identity") info.identity.clear();
    if (name == "CanQuit") info.canQuit.reset();
    if (name == "CanRaise") info.canRaise.reset();
    if (name == "CanControl") info.canControl.reset();
    if (name == "CanGoNext") info.canGoNext.reset();
    if (name == "CanGoPrevious") info.canGoPrevious.reset();
    if (name == "PlaybackStatus") info.status = PlaybackStatus::kUnknown;
    if (name == "Metadata") info.title.clear();
  }
}

}  // namespace

class PlayerBus::Worker {
 public:
  Worker(PlayerFilter filter, NewsSink sink)
      : m_filter(std::move(filter)), m_sink(std::move(sink)) {}
  ~Worker() { Stop(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  Status Start(const dbus::ConnectOptions& options) {
    dbus::BusHooks hooks;
    hooks.lost = [this](const std::string& why) {
      Note(NoteKind::kBus, "the session bus is gone: " + why);
      m_sink({BusNews::Kind::kBusLost, {}, "", NoteKind::kBus});
    };
    hooks.closing = [this] { Close(); };
    Result<std::unique_ptr<dbus::BusThread>> bus = dbus::BusThread::Connect(options, hooks);
    if (!bus) return bus.error();
    m_bus = std::move(*bus);
    m_bus->Post([this](sdbus::IConnection& connection) { SetUp(connection); });
    return Ok();
  }

  // Ends the bus thread; what uses the connection is released on it (Close).
  void Stop() { m_bus.reset(); }

  void Call(const std::string& busName, const std::string& interface, const std::string& method) {
    if (m_bus == nullptr) return;
    m_bus->Post([this, request = Request{busName, interface, method}](sdbus::IConnection&) {
      Send(request);
    });
  }

 private:
  struct Request {
    std::string busName;
    std::string interface;
    std::string method;
  };
  struct Tracked {
    PlayerInfo info;
    std::string owner;  // the unique name behind busName, once known
    std::unique_ptr<sdbus::IProxy> proxy;
    int readsPending = 0;
  };

  // The first task on the bus thread: follow the players' names and properties, then list them.
  void SetUp(sdbus::IConnection& connection) {
    m_connection = &connection;
    m_daemon = sdbus::createProxy(connection, kDaemonName, kDaemonPath);
    m_matches.push_back(connection.addMatch(
        std::string("type='signal',sender='") + kDaemonName + "',interface='" + kDaemonName +
            "',member='NameOwnerChanged',arg0namespace='org.mpris.MediaPlayer2'",
        [this](sdbus::Message& message) { Guarded([&] { OnNameOwnerChanged(message); }); }));
    m_matches.push_back(connection.addMatch(
        std::string("type='signal',interface='") + kPropertiesInterface +
            "',member='PropertiesChanged',path='" + kObjectPath + "'",
        [this](sdbus::Message& message) { Guarded([&] { OnPropertiesChanged(message); }); }));
    ListNames();
  }

  void Close() {
    m_players.clear();
    m_matches.clear();
    m_daemon.reset();
    m_connection = nullptr;
  }

  // A reply or signal handler must not throw into sd-bus: what went wrong becomes a note.
  template <class F>
  void Guarded(F&& handle) {
    try {
      handle();
    } catch (const std::exception& error) {
      Note(NoteKind::kMalformed, std::string("a malformed message from the bus: ") + error.what());
    }
  }

  void Note(NoteKind kind, std::string text) {
    m_sink({BusNews::Kind::kNote, {}, std::move(text), kind});
  }

  void Publish() {
    // The first news waits for the listing at start and the players it found, so that a player
    // already on the bus is not first told as missing.
    if (!m_started) {
      if (!m_listed) return;
      for (const auto& [name, tracked] : m_players) {
        if (tracked.readsPending > 0) return;
      }
      m_started = true;
    }
    BusNews news;
    for (const auto& [name, tracked] : m_players) {
      if (tracked.readsPending == 0) news.players.push_back(tracked.info);
    }
    std::sort(news.players.begin(), news.players.end(),
              [](const PlayerInfo& a, const PlayerInfo& b) { return a.appeared < b.appeared; });
    m_sink(std::move(news));
  }

  void ListNames() {
    sdbus::MethodCall call = m_daemon->createMethodCall(kDaemonName, "ListNames");
    m_daemon->callMethod(
        call,
        [this](sdbus::MethodReply& reply, const sdbus::Error* error) {
          m_listed = true;
          Guarded([&] {
            if (error != nullptr) {
              Note(NoteKind::kCallFailed, "listing the players failed: " + Describe(*error));
            } else {
              std::vector<std::string> names;
              reply >> names;
              for (const std::string& name : names) {
                if (IsMprisName(name) && m_players.count(name) == 0) Add(name, "");
              }
            }
            Publish();
          });
        },
        kCallTimeout);
  }

  void OnNameOwnerChanged(sdbus::Message& message) {
    std::string name, oldOwner, newOwner;
    message >> name >> oldOwner >> newOwner;
    if (!IsMprisName(name)) return;
    bool changed = m_players.erase(name) != 0;
    if (!newOwner.empty()) Add(name, newOwner);
    if (changed) Publish();
  }

  // Follows a new player: its properties are read, then it is published.
  void Add(const std::string& name, const std::string& owner) {
    Tracked& tracked = m_players[name];
    tracked.info.busName = name;
    tracked.info.appeared = ++m_appeared;
    tracked.owner = owner;
    tracked.proxy = sdbus::createProxy(*m_connection, name, kObjectPath);
    tracked.readsPending = 2;
    for (const char* interface : {kRootInterface, kPlayerInterface}) {
      sdbus::MethodCall call = tracked.proxy->createMethodCall(kPropertiesInterface, "GetAll");
      call << std::string(interface);
      std::uint64_t appeared = tracked.info.appeared;
      tracked.proxy->callMethod(
          call,
          [this, name, appeared](sdbus::MethodReply& reply, const sdbus::Error* error) {
            Guarded([&] { PropertiesRead(name, appeared, reply, error); });
          },
          kCallTimeout);
    }
  }

  void PropertiesRead(const std::string& name, std::uint64_t appeared, sdbus::MethodReply& reply,
                      const sdbus::Error* error) {
    auto it = m_players.find(name);
    if (it == m_players.end() || it->second.info.appeared != appeared) return;  // gone meanwhile
    Tracked& tracked = it->second;
    --tracked.readsPending;
    if (error != nullptr) {
      Note(NoteKind::kCallFailed, "reading the properties of " + name + " failed: " +
                                      Describe(*error));
    } else {
      if (tracked.owner.empty()) tracked.owner = reply.getSender();
      Properties properties;
      reply >> properties;
      Apply(tracked.info, properties);
    }
    if (tracked.readsPending == 0) Publish();
  }

  void OnPropertiesChanged(sdbus::Message& message) {
    // The sender first: a peer that owns no name of a player that counts is not heard at all,
    // however much it sends and whatever it holds.
    std::string sender = message.getSender();
    std::vector<Tracked*> from;
    for (auto& [name, tracked] : m_players) {
      if (!tracked.owner.empty() && tracked.owner == sender && m_filter.Matches(name)) {
        from.push_back(&tracked);
      }
    }
    if (from.empty()) return;
    std::string interface;
    Properties changed;
    std::vector<std::string> invalidated;
    message >> interface >> changed >> invalidated;
    if (interface != kRootInterface && interface != kPlayerInterface) return;
    bool any = false;
    for (Tracked* tracked : from) {
      Apply(tracked->info, changed);
      Invalidate(tracked->info, invalidated);
      any = any || tracked->readsPending == 0;
    }
    if (any) Publish();
  }

  void Send(const Request& request) {
    auto it = m_players.find(request.busName);
    if (it == m_players.end()) {
      Note(NoteKind::kDropped,
           request.method + " to " + request.busName + " dropped: the player is not on the bus");
      return;
    }
    sdbus::MethodCall call = it->second.proxy->createMethodCall(request.interface, request.method);
    it->second.proxy->callMethod(
        call,
        [this, request](sdbus::MethodReply&, const sdbus::Error* error) {
          if (error != nullptr) {
            Note(NoteKind::kCallFailed,
                 request.method + " to " + request.busName + " failed: " + Describe(*error));
          }
        },
        kCallTimeout);
  }

  const PlayerFilter m_filter;
  NewsSink m_sink;

  // The bus thread's own.
  sdbus::IConnection* m_connection = nullptr;
  std::unique_ptr<sdbus::IProxy> m_daemon;
  std::vector<sdbus::Slot> m_matches;
  std::map<std::string, Tracked> m_players;
  std::uint64_t m_appeared = 0;
  bool m_listed = false;   // ListNames has answered (or failed)
  bool m_started = false;  // the first kPlayers news has gone out

  // Last, so that it goes first: the thread ends before the state it uses.
  std::unique_ptr<dbus::BusThread> m_bus;
};

Result<std::unique_ptr<PlayerBus>> PlayerBus::Connect(const dbus::ConnectOptions& options,
                                                      PlayerFilter filter, NewsSink sink) {
  auto worker = std::make_unique<Worker>(std::move(filter), std::move(sink));
  Status started = worker->Start(options);
  if (!started) return started.error();
  return std::unique_ptr<PlayerBus>(new PlayerBus(std::move(worker)));
}

PlayerBus::PlayerBus(std::unique_ptr<Worker> worker) : m_worker(std::move(worker)) {}

PlayerBus::~PlayerBus() { m_worker->Stop(); }

void PlayerBus::Call(const std::string& busName, const std::string& interface,
                     const std::string& method) {
  m_worker->Call(busName, interface, method);
}

}  // namespace host::mpris
