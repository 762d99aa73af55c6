#include "tools/host_options.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string_view>
#include <utility>

#include "host/crt/utf.h"
#include "host/drivers/motion_stage.h"
#include "host/kernel/kernel_object.h"
#include "host/dbus/bus_thread.h"
#include "host/feedback/feedback_client.h"
#include "host/sensors/replay.h"
#include "tools/acc_source.h"

namespace {

constexpr std::string_view kReplay = "replay:";
constexpr std::string_view kIio = "iio";
constexpr std::string_view kMpris = "mpris";

// "iio", "iio:NAME" -> true with name set; anything else -> false.
bool Named(std::string_view text, std::string_view kind, std::string& name) {
  if (text.substr(0, kind.size()) != kind) return false;
  std::string_view rest = text.substr(kind.size());
  if (rest.empty()) {
    name.clear();
    return true;
  }
  if (rest.front() != ':' || rest.size() == 1) return false;
  name = std::string(rest.substr(1));
  return true;
}

// The bridge (or the feedback client) as a kernel object of the handset, whose handle nobody
// closes: handles go first when the handset is destroyed, while it still stands, so the bridge
// ends the player's process and the bus threads stop before the handset is gone.
class KeptWithHandset final : public host::KernelObject {
 public:
  explicit KeptWithHandset(std::shared_ptr<void> kept) : m_kept(std::move(kept)) {}

 private:
  std::shared_ptr<void> m_kept;
};

}  // namespace

void AddHostOptions(CLI::App& app, HostOptions& options) {
  app.add_option("--acc", options.acc,
                 "The accelerometer: sim (arrow keys and tilt pad in the window; the demo's own "
                 "tilts; at rest in the service), replay:FILE (a CSV recording \"ms,x,y,z\", "
                 "played in a loop) or iio[:NAME] (a Linux IIO accelerometer: the first, or the "
                 "one with that name attribute or sysfs name; docs/sensors.md). Default: sim; "
                 "iio for --service.")
      ->type_name("SOURCE");
  app.add_option("--player", options.player,
                 "The music player behind \"\\Windows\\MzMusic.exe\": builtin (a player that "
                 "makes no sound) or mpris[:NAME] (a real player over MPRIS). Default: builtin; "
                 "mpris for --service.")
      ->type_name("builtin|mpris[:NAME]");
  app.add_option("--player-command", options.playerCommand,
                 "With --player mpris: the command that starts the player when the handset "
                 "launches it.")
      ->type_name("CMD");
  app.add_option("--feedback", options.feedback,
                 "on: each flick that skips a song gives feedbackd's \"button-pressed\" "
                 "feedback (a buzz, as the phone's profile says); off: none. Default: on.")
      ->check(CLI::IsMember({"on", "off"}))
      ->type_name("on|off");
  app.add_option("--motion", options.motion,
                 "The accelerometer driver's motion stage for replay:FILE and iio: raw (the "
                 "values as measured), gravity (gravity taken out) or flick (a flick's "
                 "strength, steady shocks held back; docs/motion.md). Default: " +
                     std::string(host::MotionModeName(host::kDefaultMotionMode)) +
                     ". The window's tilt and scripts stay raw.")
      ->type_name("MODE");
}

HostDevices::~HostDevices() = default;

std::variant<std::unique_ptr<HostDevices>, std::string> HostDevices::Open(
    const HostOptions& options, const HostDefaults& defaults) {
  std::unique_ptr<HostDevices> devices(new HostDevices());
  const std::string& acc = options.acc.value_or(defaults.acc);
  const std::string& player = options.player.value_or(defaults.player);

  const std::string& feedback = options.feedback.value_or("on");
  if (feedback != "on" && feedback != "off") return "--feedback " + feedback + ": give on or off";
  devices->m_feedback = feedback == "on";

  // The player first: its mistakes are told before a large recording is read.
  std::string name;
  if (player == "builtin") {
    devices->m_playerKind = PlayerKind::kBuiltin;
    if (options.playerCommand) {
      return std::string("--player-command applies to --player mpris, not to the built-in player");
    }
  } else if (Named(player, kMpris, name)) {
    devices->m_playerKind = PlayerKind::kMpris;
    devices->m_playerFilter = host::mpris::PlayerFilter::Parse(player);
    if (!devices->m_playerFilter) {
      return "--player " + player +
             ": a player's NAME is letters, digits, '_', '-' and dots between them";
    }
    devices->m_playerCommand = options.playerCommand;
    if (host::Status bus = host::dbus::CheckSessionBus({}); !bus) {
      return "--player " + player + ": " + bus.error().message();
    }
  } else {
    return "--player " + player + ": give builtin or mpris[:NAME]";
  }

  std::optional<host::MotionMode> motion = host::kDefaultMotionMode;
  if (options.motion) motion = host::MotionModeNamed(*options.motion);
  if (!motion) return "--motion " + *options.motion + ": give " + host::MotionModeNames();

  if (acc == "sim") {
    devices->m_accKind = AccKind::kSim;
  } else if (acc.compare(0, kReplay.size(), kReplay) == 0 && acc.size() > kReplay.size()) {
    devices->m_accKind = AccKind::kReplay;
    std::string file = acc.substr(kReplay.size());
    host::Result<host::sensors::Recording> recording = host::sensors::LoadRecording(file);
    if (!recording) return recording.error().Prefixed(file).message();
    devices->m_sensor = std::make_unique<host::sensors::ReplaySensor>(std::move(*recording));
  } else if (Named(acc, kIio, name)) {
    devices->m_accKind = AccKind::kIio;
    auto opened = tools::OpenIioSensor(name, "quorvane", std::cerr);
    if (auto* error = std::get_if<std::string>(&opened)) return "--acc " + acc + ": " + *error;
    devices->m_sensor = std::get<std::unique_ptr<host::sensors::IioSensor>>(std::move(opened));
  } else {
    return "--acc " + acc + ": give sim, replay:FILE or iio[:NAME]";
  }
  if (devices->m_sensor) devices->m_sensor->SetMotionMode(*motion);
  return devices;
}

void HostDevices::InstallPlayer(host::Handset& handset) {
  if (m_feedback) {
    auto client = host::feedback::FeedbackClient::Start(handset, {});
    if (client) {
      handset.AddHandle(std::make_unique<KeptWithHandset>(std::move(*client)));
    } else {
      handset.AddDebugOutput(u"[Feedback] no feedback: " +
                             host::FromUtf8(client.error().message()).value_or(u"?"));
    }
  }
  switch (m_playerKind) {
    case PlayerKind::kBuiltin:
      return;
    case PlayerKind::kMpris: {
      host::mpris::BridgeOptions options;
      options.filter = *m_playerFilter;
      options.command = m_playerCommand.value_or("");
      auto bridge = host::mpris::MprisBridge::Start(handset, options);
      if (!bridge) {
        std::cerr << "quorvane: --player mpris: " << bridge.error().message() << "\n";
        return;
      }
      std::shared_ptr<host::mpris::MprisBridge> kept = std::move(*bridge);
      m_bridge = kept;
      handset.AddHandle(std::make_unique<KeptWithHandset>(std::move(kept)));
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
