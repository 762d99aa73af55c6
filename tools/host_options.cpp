#include "tools/host_options.h"

#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string_view>
#include <utility>

#include "host/crt/utf.h"
#include "host/dbus/bus_thread.h"
#include "host/feedback/feedback_client.h"
#include "host/kernel/kernel_object.h"
#include "host/sensors/replay.h"

namespace tools {
namespace {

// The bridge (or the feedback client) as a kernel object of the handset, whose handle nobody
// closes: handles go first when the handset is destroyed, while it still stands, so the bridge
// ends the player's process and the bus threads stop before the handset is gone.
class KeptWithHandset final : public host::KernelObject {
 public:
  explicit KeptWithHandset(std::shared_ptr<void> kept) : m_kept(std::move(kept)) {}

 private:
  std::shared_ptr<void> m_kept;
};

// Whether fd (-1: none) becomes readable within ms.
bool Readable(int fd, int ms) {
  pollfd watched{fd, POLLIN, 0};
  return poll(&watched, 1, ms) > 0 && (watched.revents & POLLIN) != 0;
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

bool WaitForSessionBus(const std::function<host::Status()>& check,
                       const std::function<bool(int ms)>& pause,
                       const std::function<void(const std::string&)>& note) {
  int pauseMs = kBusRetryFirstMs;
  for (bool told = false;; told = true) {
    host::Status answered = check();
    if (answered) {
      if (told && note) note("the session bus answers");
      return true;
    }
    if (!told && note) note("waiting for the session bus (" + answered.error().message() + ")");
    if (!pause(pauseMs)) return false;
    pauseMs = std::min(pauseMs * 2, kBusRetryLongestMs);
  }
}

HostDevices::~HostDevices() = default;

host::Result<std::unique_ptr<HostDevices>> HostDevices::Open(const AccSource& acc,
                                                             const PlayerChoice& player,
                                                             host::MotionMode motion,
                                                             host::EndingSignals* signals,
                                                             int busAnswerMs,
                                                             const LateDevices* late) {
  std::unique_ptr<HostDevices> devices(new HostDevices());
  devices->m_player = player;
  int stopFd = signals != nullptr ? signals->fd() : -1;
  auto stopped = [signals]() -> std::optional<host::Error> {
    if (signals == nullptr || signals->Take() == 0) return std::nullopt;
    return host::Error(std::string("stopped by ") + host::EndingSignals::Name(signals->received()));
  };
  // The player first: its bus is told missing before a large recording is read.
  if (player.kind == PlayerKind::kMpris) {
    host::dbus::ConnectOptions bus;
    bus.deadline = std::chrono::milliseconds(busAnswerMs);
    bus.stopFd = stopFd;
    auto check = [&bus] { return host::dbus::CheckSessionBus(bus); };
    if (late != nullptr) {
      if (!WaitForSessionBus(check, [stopFd](int ms) { return !Readable(stopFd, ms); },
                             late->note)) {
        return stopped().value_or(host::Error("stopped"));
      }
    } else if (host::Status answered = check(); !answered) {
      if (std::optional<host::Error> stop = stopped()) return *stop;
      return answered.error().Prefixed("--player " + PlayerText(player));
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
      IioWait wait;
      if (late != nullptr) wait = {stopFd, late->note};
      auto opened =
          OpenIioSensor(acc.detail, "quorvane", std::cerr, late != nullptr ? &wait : nullptr);
      if (!opened) {
        return opened.error().Prefixed("--acc " +
                                       (acc.detail.empty() ? std::string("iio") : "iio:" + acc.detail));
      }
      if (*opened == nullptr) return stopped().value_or(host::Error("stopped"));
      devices->m_sensor = std::move(*opened);
      break;
    }
  }
  if (devices->m_sensor) devices->m_sensor->SetMotionMode(motion);
  return devices;
}

void HostDevices::InstallPlayer(host::Handset& handset, host::launch::PlayingListener playing) {
  if (m_player.feedback) {
    auto client = host::feedback::FeedbackClient::Start(handset, {});
    if (client) {
      handset.AddHandle(std::make_unique<KeptWithHandset>(std::move(*client)));
    } else {
      handset.AddDebugOutput(u"[Feedback] no feedback: " +
                             host::FromUtf8(client.error().message()).value_or(u"?"));
    }
  }
  switch (m_player.kind) {
    case PlayerKind::kBuiltin:
      return;
    case PlayerKind::kMpris: {
      host::mpris::BridgeOptions options;
      options.filter = m_player.filter;
      options.command = m_player.command.value_or("");
      auto bridge = host::mpris::MprisBridge::Start(handset, options);
      if (!bridge) {
        std::cerr << "quorvane: --player mpris: " << bridge.error().message() << "\n";
        return;
      }
      std::shared_ptr<host::mpris::MprisBridge> kept = std::move(*bridge);
      host::mpris::BridgeEvents events = m_events;
      if (playing) {
        // The gestures' gate hears the playback status as well.
        events.playingChanged = [told = std::move(events.playingChanged),
                                 playing = std::move(playing)](bool now) {
          if (told) told(now);
          playing(now);
        };
      }
      kept->set_events(std::move(events));
      m_bridge = kept;
      handset.AddHandle(std::make_unique<KeptWithHandset>(kept));
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
