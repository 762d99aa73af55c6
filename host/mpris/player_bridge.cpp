#include "host/mpris/player_bridge.h"

#include "host/crt/utf.h"
#include "host/mpris/player_bus.h"
#include "host/mpris/player_command.h"
#include "host/programs/music_player.h"

namespace host::mpris {
namespace {

std::u16string Wide(const std::string& text) { return FromUtf8(text).value_or(u"?"); }

// What CreateProcessW of the player's path runs: the player command. Like a shell that has
// started its command, its process ends at once; the player's own appears with it on the bus.
class Launcher final : public Program {
 public:
  explicit Launcher(Handset& handset) : m_handset(handset) {}
  void Start(DWORD pid) override { m_handset.EndProcess(pid); }

 private:
  Handset& m_handset;
};

}  // namespace

class MprisBridge::Core {
 public:
  Core(Handset& handset, PlayerFilter filter) : m_handset(handset), m_filter(std::move(filter)) {}
  ~Core() { EndPlayerProcess(); }
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  void set_bus(PlayerBus* bus) { m_bus = bus; }

  // On the loop's thread.
  void Receive(BusNews news) {
    switch (news.kind) {
      case BusNews::Kind::kPlayers:
        m_players = std::move(news.players);
        break;
      case BusNews::Kind::kNote:
        Debug(news.note);
        return;
      case BusNews::Kind::kBusLost:
        m_players.clear();
        m_connected = false;
        m_bus = nullptr;
        break;
    }
    Follow();
  }

  void EndPlayerProcess() {
    if (m_pid == 0) return;
    DWORD pid = m_pid;
    m_pid = 0;
    m_window = nullptr;
    m_handset.EndProcess(pid);
  }

  const PlayerInfo* Chosen() const { return ChoosePlayer(m_players, m_filter); }
  DWORD pid() const { return m_pid; }
  HWND window() const { return m_window; }
  const std::vector<PlayerInfo>& players() const { return m_players; }
  bool connected() const { return m_connected; }

 private:
  // The player's process and window exist exactly while a player is chosen.
  void Follow() {
    bool chosen = Chosen() != nullptr;
    if (chosen && m_pid == 0) {
      m_handset.StartProcess(programs::kMusicPlayerPath, std::make_unique<PlayerProcess>(*this));
    } else if (!chosen && m_pid != 0) {
      EndPlayerProcess();
    }
  }

  class PlayerProcess final : public Program {
   public:
    explicit PlayerProcess(Core& core) : m_core(core) {}
    void Start(DWORD pid) override { m_core.Opened(pid); }

   private:
    Core& m_core;
  };

  void Opened(DWORD pid) {
    m_pid = pid;
    m_window = m_handset.CreateWindow(
        kPlayerWindowClass, programs::kNowPlayingTitle, m_handset.work_area(), pid,
        [this](HWND, UINT msg, WPARAM wParam, LPARAM) { return OnMessage(msg, wParam); });
    if (WindowInfo* info = m_handset.FindWindowInfo(m_window)) info->visible = true;
  }

  LRESULT OnMessage(UINT msg, WPARAM wParam) {
    const PlayerInfo* player = Chosen();
    if (player == nullptr) return 0;
    switch (msg) {
      case programs::kPlayerControlMessage:
        if (wParam == programs::kPlayerPrevious) {
          CallIf(*player, player->canGoPrevious, "CanGoPrevious", kPlayerInterface, "Previous");
        } else if (wParam == programs::kPlayerPlayPause) {
          Call(*player, kPlayerInterface, "PlayPause");
        } else if (wParam == programs::kPlayerNext) {
          CallIf(*player, player->canGoNext, "CanGoNext", kPlayerInterface, "Next");
        }
        break;
      case WM_CLOSE:
        // Only a true CanQuit counts: an unknown one would leave the user guessing.
        CallIf(*player, player->canQuit.value_or(false), "CanQuit", kRootInterface, "Quit");
        break;
      case WM_SHOWWINDOW:
        if (wParam != FALSE) {
          CallIf(*player, player->canRaise.value_or(false), "CanRaise", kRootInterface, "Raise");
        }
        break;
      default:
        break;
    }
    return 0;
  }

  // A capability that is not known to be false lets the call through.
  void CallIf(const PlayerInfo& player, std::optional<bool> can, const char* property,
              const char* interface, const char* method) {
    if (can == false) {
      Debug(std::string(method) + " to " + player.busName + " dropped: its " + property +
            " is not true");
      return;
    }
    Call(player, interface, method);
  }

  void Call(const PlayerInfo& player, const char* interface, const char* method) {
    if (m_bus == nullptr) {
      Debug(std::string(method) + " to " + player.busName + " dropped: no bus");
      return;
    }
    m_bus->Call(player.busName, interface, method);
  }

  void Debug(const std::string& text) { m_handset.AddDebugOutput(u"[MPRIS] " + Wide(text)); }

  Handset& m_handset;
  PlayerFilter m_filter;
  PlayerBus* m_bus = nullptr;
  std::vector<PlayerInfo> m_players;
  bool m_connected = true;
  DWORD m_pid = 0;
  HWND m_window = nullptr;
};

std::variant<std::unique_ptr<MprisBridge>, std::string> MprisBridge::Start(Handset& handset,
                                                                           BridgeOptions options) {
  std::unique_ptr<MprisBridge> bridge(new MprisBridge());
  bridge->m_core = std::make_shared<Core>(handset, options.filter);
  std::weak_ptr<Core> core = bridge->m_core;
  auto bus = PlayerBus::Connect(options.busAddress, [&handset, core](BusNews news) {
    handset.PostFromThread([core, news = std::move(news)]() mutable {
      if (std::shared_ptr<Core> alive = core.lock()) alive->Receive(std::move(news));
    });
  });
  if (std::string* error = std::get_if<std::string>(&bus)) return *error;
  bridge->m_bus = std::move(std::get<std::unique_ptr<PlayerBus>>(bus));
  bridge->m_core->set_bus(bridge->m_bus.get());
  handset.RegisterProgram(programs::kMusicPlayerPath, [&handset, command = options.command]() {
    auto refused = [&handset](const std::string& text) {
      handset.AddDebugOutput(u"[MPRIS] " + Wide(text));
      return std::unique_ptr<Program>();
    };
    if (command.empty()) return refused("no player command to start a player with (--player-command)");
    Result<std::vector<std::string>> words = SplitCommandLine(command);
    if (!words) return refused(words.error().message());
    Result<pid_t> started = StartDetached(*words);
    if (!started) return refused(started.error().message());
    return std::unique_ptr<Program>(std::make_unique<Launcher>(handset));
  });
  return bridge;
}

MprisBridge::~MprisBridge() {
  // No news comes after the bus thread has stopped; queued news finds the core gone.
  m_bus.reset();
  m_core->set_bus(nullptr);
  m_core->EndPlayerProcess();
}

std::optional<PlayerInfo> MprisBridge::Chosen() const {
  const PlayerInfo* player = m_core->Chosen();
  return player != nullptr ? std::optional<PlayerInfo>(*player) : std::nullopt;
}

DWORD MprisBridge::pid() const { return m_core->pid(); }
HWND MprisBridge::window() const { return m_core->window(); }
const std::vector<PlayerInfo>& MprisBridge::players() const { return m_core->players(); }
bool MprisBridge::connected() const { return m_core->connected(); }

std::vector<std::u16string> PlayerLines(const PlayerInfo& player) {
  return {Wide(player.identity.empty() ? player.busName : player.identity), Wide(player.title),
          Wide(PlaybackStatusName(player.status))};
}

std::u16string DescribePlayer(const PlayerInfo& player) {
  std::vector<std::u16string> lines = PlayerLines(player);
  return lines[0] + u": " + (lines[1].empty() ? u"(no title)" : lines[1]) + u" (" + lines[2] +
         u")";
}

}  // namespace host::mpris
