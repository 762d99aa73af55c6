#include "tools/host_options.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "host/kernel/kernel_object.h"
#include "host/mpris/player_bus.h"
#include "host/sensors/replay.h"

namespace tools {
namespace {

// The bridge as a kernel object of the handset, whose handle nobody closes: handles go first
// when the handset is destroyed, while it still stands, so the bridge ends the player's process
// and stops its bus thread before the handset is gone.
class BridgeObject final : public host::KernelObject {
 public:
  explicit BridgeObject(std::shared_ptr<host::mpris::MprisBridge> bridge)
      : m_bridge(std::move(bridge)) {}

 private:
  std::shared_ptr<host::mpris::MprisBridge> m_bridge;
};

// The session bus there and answering, asked on a thread of its own: a bus that accepts the
// connection and then says nothing would hold the caller for minutes. The thread is left to
// end by itself when the answer does not come in time.
host::Status CheckSessionBusWithin(int ms, host::EndingSignals* signals) {
  struct Answer {
    std::mutex mutex;
    std::optional<std::optional<std::string>> error;  // set once answered
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~Answer() { close(fd); }
  };
  auto answer = std::make_shared<Answer>();
  if (answer->fd < 0) return host::Error::FromErrno("cannot wait for the session bus", errno);
  std::thread([answer] {
    std::optional<std::string> error = host::mpris::CheckSessionBus("");
    std::lock_guard hold(answer->mutex);
    answer->error = std::move(error);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(answer->fd, &one, sizeof one);
  }).detach();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (true) {
    {
      std::lock_guard hold(answer->mutex);
      if (answer->error) return *answer->error ? host::Status(host::Error(**answer->error)) : host::Ok();
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) break;
    if (signals != nullptr) {
      if (signals->Wait(static_cast<int>(left), answer->fd) != 0) {
        return host::Error(std::string("stopped by ") + host::EndingSignals::Name(signals->received()));
      }
    } else {
      pollfd fd{answer->fd, POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left));
    }
  }
  const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
  std::string waited = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
  return host::Error(std::string("the session bus") +
                     (address != nullptr ? " at " + std::string(address) : "") +
                     " does not answer (waited " + waited + ")");
}

// --player's text for a choice of a real player.
std::string PlayerText(const PlayerChoice& player) {
  return player.filter.name().empty() ? "mpris" : "mpris:" + player.filter.name();
}

}  // namespace

host::Result<PlayerChoice> ParsePlayer(std::string_view player,
                                       const std::optional<std::string>& command) {
  PlayerChoice choice;
  if (player == "builtin") {
    if (command) {
      return host::Error("--player-command applies to --player mpris, not to the built-in player");
    }
    return choice;
  }
  std::string text(player);
  std::optional<host::mpris::PlayerFilter> filter = host::mpris::PlayerFilter::Parse(player);
  if (!filter) {
    bool named = text.rfind("mpris:", 0) == 0 && text.size() > 6;
    return host::Error("--player " + text +
                       (named ? ": a player's NAME is letters, digits, '_', '-' and dots between "
                                "them"
                              : ": give builtin or mpris[:NAME]"));
  }
  choice.kind = PlayerKind::kMpris;
  choice.filter = *filter;
  choice.command = command;
  return choice;
}

HostDevices::~HostDevices() = default;

host::Result<std::unique_ptr<HostDevices>> HostDevices::Open(const AccSource& acc,
                                                             const PlayerChoice& player,
                                                             host::EndingSignals* signals,
                                                             int busAnswerMs) {
  std::unique_ptr<HostDevices> devices(new HostDevices());
  devices->m_player = player;
  // The player first: its bus is told missing before a large recording is read.
  if (player.kind == PlayerKind::kMpris) {
    if (host::Status bus = CheckSessionBusWithin(busAnswerMs, signals); !bus) {
      return bus.error().Prefixed("--player " + PlayerText(player));
    }
  }
  devices->m_accKind = acc.kind;
  switch (acc.kind) {
    case AccSource::Kind::kSim:
      break;
    case AccSource::Kind::kReplay: {
      host::Result<host::sensors::Recording> recording = LoadReplay(acc.detail);
      if (!recording) return recording.error();
      devices->m_sensor = std::make_unique<host::sensors::ReplaySensor>(std::move(*recording));
      break;
    }
    case AccSource::Kind::kIio: {
      auto opened = OpenIioSensor(acc.detail, "quorvane", std::cerr);
      if (!opened) {
        return opened.error().Prefixed("--acc " +
                                       (acc.detail.empty() ? std::string("iio") : "iio:" + acc.detail));
      }
      devices->m_sensor = std::move(*opened);
      break;
    }
  }
  return devices;
}

void HostDevices::InstallPlayer(host::Handset& handset) {
  switch (m_player.kind) {
    case PlayerKind::kBuiltin:
      return;
    case PlayerKind::kMpris: {
      host::mpris::BridgeOptions options;
      options.filter = m_player.filter;
      options.command = m_player.command.value_or("");
      auto bridge = host::mpris::MprisBridge::Start(handset, options);
      if (auto* error = std::get_if<std::string>(&bridge)) {
        std::cerr << "quorvane: --player mpris: " << *error << "\n";
        return;
      }
      std::shared_ptr<host::mpris::MprisBridge> kept =
          std::move(std::get<std::unique_ptr<host::mpris::MprisBridge>>(bridge));
      m_bridge = kept;
      handset.AddHandle(std::make_unique<BridgeObject>(std::move(kept)));
      return;
    }
  }
}

std::u16string HostDevices::PlayerFooter() const {
  std::shared_ptr<host::mpris::MprisBridge> bridge = m_bridge.lock();
  if (bridge == nullptr) return u"";
  std::optional<host::mpris::PlayerInfo> chosen = bridge->Chosen();
  return chosen ? host::mpris::DescribePlayer(*chosen) : u"";
}

std::vector<std::u16string> HostDevices::PlayerWindowLines(HWND hwnd) const {
  std::shared_ptr<host::mpris::MprisBridge> bridge = m_bridge.lock();
  if (bridge == nullptr || hwnd == nullptr || hwnd != bridge->window()) return {};
  std::optional<host::mpris::PlayerInfo> chosen = bridge->Chosen();
  return chosen ? host::mpris::PlayerLines(*chosen) : std::vector<std::u16string>{};
}

}  // namespace tools
