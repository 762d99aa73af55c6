#include "host/mpris/player_bridge.h"

#include "host/crt/utf.h"
#include "host/mpris/bridge_core.h"
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
  void Start(Handset& handset, DWORD pid) override { handset.EndProcess(pid); }
};

// Makes the launcher, or says on the debug output why the command cannot start.
ProgramFactory LauncherFactory(Handset& handset, std::string command) {
  return [&handset, command = std::move(command)]() {
    auto refused = [&handset](const std::string& text) {
      handset.AddDebugOutput(u"[MPRIS] " + Wide(text));
      return std::unique_ptr<Program>();
    };
    if (command.empty()) {
      return refused("no player command to start a player with (--player-command)");
    }
    Result<std::vector<std::string>> words = SplitCommandLine(command);
    if (!words) return refused(words.error().message());
    Result<pid_t> started = StartDetached(*words);
    if (!started) return refused(started.error().message());
    return std::unique_ptr<Program>(std::make_unique<Launcher>());
  };
}

}  // namespace

Result<std::unique_ptr<MprisBridge>> MprisBridge::Start(Handset& handset, BridgeOptions options) {
  std::unique_ptr<MprisBridge> bridge(new MprisBridge());
  bridge->m_core = std::make_shared<Core>(handset, options.filter);
  std::weak_ptr<Core> core = bridge->m_core;
  Result<std::unique_ptr<PlayerBus>> bus =
      PlayerBus::Connect(options.bus, options.filter, [&handset, core](BusNews news) {
        handset.PostFromThread([core, news = std::move(news)]() mutable {
          if (std::shared_ptr<Core> alive = core.lock()) alive->Receive(std::move(news));
        });
      });
  if (!bus) return bus.error();
  bridge->m_bus = std::move(*bus);
  bridge->m_core->set_bus(bridge->m_bus.get());
  handset.RegisterProgram(programs::kMusicPlayerPath,
                          LauncherFactory(handset, std::move(options.command)));
  return bridge;
}

MprisBridge::~MprisBridge() {
  // No news comes after the bus thread has stopped; queued news finds the core gone.
  m_bus.reset();
  m_core->set_bus(nullptr);
  m_core->EndPlayerProcess();
}

void MprisBridge::set_events(BridgeEvents events) { m_core->set_events(std::move(events)); }

std::optional<PlayerInfo> MprisBridge::Chosen() const {
  const PlayerInfo* player = m_core->Chosen();
  return player != nullptr ? std::optional<PlayerInfo>(*player) : std::nullopt;
}

bool MprisBridge::playing() const { return m_core->playing(); }
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

std::string ChoiceLine(const PlayerInfo* chosen, const PlayerFilter& filter) {
  const std::string prefix(kMprisBusPrefix);
  if (chosen == nullptr) {
    if (filter.name().empty()) return "waiting for a player (" + prefix + "*)";
    return "waiting for " + prefix + filter.name();
  }
  std::string name = chosen->busName.substr(std::min(prefix.size(), chosen->busName.size()));
  return "player: " + name.substr(0, name.find('.')) + " (" + chosen->busName + ")";
}

}  // namespace host::mpris
