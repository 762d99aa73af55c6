#include "host/mpris/player_bus.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include <sdbus-c++/sdbus-c++.h>

namespace host::mpris {
namespace {

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

std::string Describe(const sdbus::Error& error) {
  return error.getName() + (error.getMessage().empty() ? "" : ": " + error.getMessage());
}

}  // namespace

class PlayerBus::Worker {
 public:
  explicit Worker(NewsSink sink)
      : m_sink(std::move(sink)), m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Worker() {
    Stop();
    if (m_wakeFd >= 0) close(m_wakeFd);
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts the thread; "" once it has connected, else why not (the thread has ended then).
  std::string Start(const std::string& address) {
    if (m_wakeFd < 0) return "cannot make the bridge's wake-up descriptor";
    std::promise<std::string> connected;
    std::future<std::string> result = connected.get_future();
    m_thread = std::thread(
        [this, address, promise = std::move(connected)]() mutable { Run(address, promise); });
    std::string error = result.get();
    if (!error.empty()) m_thread.join();
    return error;
  }

  void Stop() {
    m_stop = true;
    Wake();
    if (m_thread.joinable()) m_thread.join();
  }

  void Call(const std::string& busName, const std::string& interface, const std::string& method) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_requests.push_back({busName, interface, method});
    }
    Wake();
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

  void Wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(m_wakeFd, &one, sizeof one);
  }

  void Run(const std::string& address, std::promise<std::string>& connected) {
    try {
      m_connection = address.empty() ? sdbus::createSessionBusConnection()
                                     : sdbus::createSessionBusConnectionWithAddress(address);
      m_daemon = sdbus::createProxy(*m_connection, kDaemonName, kDaemonPath);
      m_matches.push_back(m_connection->addMatch(
          std::string("type='signal',sender='") + kDaemonName + "',interface='" + kDaemonName +
              "',member='NameOwnerChanged',arg0namespace='org.mpris.MediaPlayer2'",
          [this](sdbus::Message& message) { Guarded([&] { OnNameOwnerChanged(message); }); }));
      m_matches.push_back(m_connection->addMatch(
          std::string("type='signal',interface='") + kPropertiesInterface +
              "',member='PropertiesChanged',path='" + kObjectPath + "'",
          [this](sdbus::Message& message) { Guarded([&] { OnPropertiesChanged(message); }); }));
    } catch (const sdbus::Error& error) {
      Close();
      connected.set_value("no session bus: " + Describe(error));
      return;
    }
    connected.set_value("");
    try {
      ListNames();
      Loop();
    } catch (const sdbus::Error& error) {
      m_sink({BusNews::Kind::kNote, {}, "the session bus is gone: " + Describe(error)});
      m_sink({BusNews::Kind::kBusLost, {}, ""});
    }
    Close();
  }

  void Close() {
    m_players.clear();
    m_matches.clear();
    m_daemon.reset();
    m_connection.reset();
  }

  void Loop() {
    while (!m_stop) {
      while (m_connection->processPendingRequest()) {
        if (m_stop) return;
      }
      TakeRequests();
      sdbus::IConnection::PollData bus = m_connection->getEventLoopPollData();
      pollfd fds[2] = {{bus.fd, bus.events, 0}, {m_wakeFd, POLLIN, 0}};
      if (poll(fds, 2, bus.getPollTimeout()) < 0 && errno != EINTR) {
        throw sdbus::Error("org.freedesktop.DBus.Error.IOError", "poll failed");
      }
      if ((fds[0].revents & (POLLHUP | POLLERR)) != 0 && (fds[0].revents & POLLIN) == 0) {
        throw sdbus::Error("org.freedesktop.DBus.Error.Disconnected", "the connection was closed");
      }
      if ((fds[1].revents & POLLIN) != 0) {
        std::uint64_t count;
        [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
      }
    }
  }

  // A reply or signal handler must not throw into sd-bus: what went wrong becomes a note.
  template <class F>
  void Guarded(F&& handle) {
    try {
      handle();
    } catch (const std::exception& error) {
      Note(std::string("a malformed message from the bus: ") + error.what());
    }
  }

  void Note(std::string text) { m_sink({BusNews::Kind::kNote, {}, std::move(text)}); }

  void Publish() {
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
          Guarded([&] {
            if (error != nullptr) {
              Note("listing the players failed: " + Describe(*error));
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
      Note("reading the properties of " + name + " failed: " + Describe(*error));
    } else {
      if (tracked.owner.empty()) tracked.owner = reply.getSender();
      Properties properties;
      reply >> properties;
      Apply(tracked.info, properties);
    }
    if (tracked.readsPending == 0) Publish();
  }

  void OnPropertiesChanged(sdbus::Message& message) {
    std::string interface;
    Properties changed;
    std::vector<std::string> invalidated;
    message >> interface >> changed >> invalidated;
    if (interface != kRootInterface && interface != kPlayerInterface) return;
    std::string sender = message.getSender();
    bool any = false;
    for (auto& [name, tracked] : m_players) {
      if (tracked.owner.empty() || tracked.owner != sender) continue;
      Apply(tracked.info, changed);
      Invalidate(tracked.info, invalidated);
      any = any || tracked.readsPending == 0;
    }
    if (any) Publish();
  }

  void TakeRequests() {
    std::deque<Request> requests;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      requests.swap(m_requests);
    }
    for (const Request& request : requests) Send(request);
  }

  void Send(const Request& request) {
    auto it = m_players.find(request.busName);
    if (it == m_players.end()) {
      Note(request.method + " to " + request.busName + " dropped: the player is not on the bus");
      return;
    }
    sdbus::MethodCall call = it->second.proxy->createMethodCall(request.interface, request.method);
    it->second.proxy->callMethod(
        call,
        [this, request](sdbus::MethodReply&, const sdbus::Error* error) {
          if (error != nullptr) {
            Note(request.method + " to " + request.busName + " failed: " + Describe(*error));
          }
        },
        kCallTimeout);
  }

  NewsSink m_sink;
  int m_wakeFd;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::deque<Request> m_requests;  // guarded by m_mutex

  // The bus thread's own.
  std::unique_ptr<sdbus::IConnection> m_connection;
  std::unique_ptr<sdbus::IProxy> m_daemon;
  std::vector<sdbus::Slot> m_matches;
  std::map<std::string, Tracked> m_players;
  std::uint64_t m_appeared = 0;
};

std::optional<std::string> CheckSessionBus(const std::string& address) {
  try {
    std::unique_ptr<sdbus::IConnection> connection =
        address.empty() ? sdbus::createSessionBusConnection()
                        : sdbus::createSessionBusConnectionWithAddress(address);
    connection->getUniqueName();
  } catch (const sdbus::Error& error) {
    return "no session bus: " + Describe(error);
  }
  return std::nullopt;
}

std::variant<std::unique_ptr<PlayerBus>, std::string> PlayerBus::Connect(
    const std::string& address, NewsSink sink) {
  auto worker = std::make_unique<Worker>(std::move(sink));
  std::string error = worker->Start(address);
  if (!error.empty()) return error;
  return std::unique_ptr<PlayerBus>(new PlayerBus(std::move(worker)));
}

PlayerBus::PlayerBus(std::unique_ptr<Worker> worker) : m_worker(std::move(worker)) {}

PlayerBus::~PlayerBus() { m_worker->Stop(); }

void PlayerBus::Call(const std::string& busName, const std::string& interface,
                     const std::string& method) {
  m_worker->Call(busName, interface, method);
}

}  // namespace host::mpris
