#include "tools/acc_source.h"

#include <cerrno>
#include <mutex>

#include "host/sensors/iio_wait.h"

namespace tools {

host::Result<AccSource> ParseAccSource(std::string_view text) {
  constexpr std::string_view kReplay = "replay:";
  constexpr std::string_view kIio = "iio";
  if (text == "sim") return AccSource{AccSource::Kind::kSim, ""};
  if (text.size() > kReplay.size() && text.substr(0, kReplay.size()) == kReplay) {
    return AccSource{AccSource::Kind::kReplay, std::string(text.substr(kReplay.size()))};
  }
  if (text == kIio) return AccSource{AccSource::Kind::kIio, ""};
  if (text.size() > kIio.size() + 1 && text.substr(0, kIio.size() + 1) == "iio:") {
    return AccSource{AccSource::Kind::kIio, std::string(text.substr(kIio.size() + 1))};
  }
  return host::Error("--acc " + std::string(text) + ": give sim, replay:FILE or iio[:NAME]");
}

host::Result<std::unique_ptr<host::sensors::IioSensor>> OpenIioSensor(
    const std::string& selector, const std::string& program, std::ostream& err,
    const IioWait* wait) {
  // The reader thread writes too: one line at a time.
  static std::mutex lines;
  host::sensors::IioDebugSink debug = [program, &err](std::string_view line) {
    std::lock_guard lock(lines);
    err << program << ": " << line << std::endl;
  };
  auto found = host::sensors::FindIioAccelerometer(selector, debug);
  if (!found && found.error().errnum() == ENODEV && wait != nullptr) {
    if (wait->note) {
      wait->note("waiting for an accelerometer" +
                 (selector.empty() ? std::string() : " named " + selector));
    }
    auto waited = host::sensors::WaitForIioAccelerometer(selector, debug, wait->stopFd);
    if (!waited) return waited.error();
    if (!*waited) return std::unique_ptr<host::sensors::IioSensor>();
    found = std::move(**waited);
    if (wait->note) wait->note("accelerometer: " + found->Describe());
  }
  if (!found) return found.error();
  // The samples' own time line, shared by every sensor of the process.
  static const host::RealClock clock;
  return {std::make_unique<host::sensors::IioSensor>(std::move(*found), selector, clock, debug)};
}

host::Result<host::sensors::Recording> LoadReplay(const std::string& file) {
  host::Result<host::sensors::Recording> recording = host::sensors::LoadRecording(file);
  if (!recording) return recording.error().Prefixed(file);
  return std::move(*recording);
}

}  // namespace tools
