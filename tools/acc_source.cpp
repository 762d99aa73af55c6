#include "tools/acc_source.h"

#include <mutex>

namespace tools {

std::optional<std::string> IioSelector(std::string_view acc) {
  if (acc == "iio") return std::string();
  constexpr std::string_view kNamed = "iio:";
  if (acc.size() > kNamed.size() && acc.substr(0, kNamed.size()) == kNamed) {
    return std::string(acc.substr(kNamed.size()));
  }
  return std::nullopt;
}

std::optional<std::string> ReplayFile(std::string_view acc) {
  constexpr std::string_view kReplay = "replay:";
  if (acc.size() > kReplay.size() && acc.substr(0, kReplay.size()) == kReplay) {
    return std::string(acc.substr(kReplay.size()));
  }
  return std::nullopt;
}

std::variant<std::unique_ptr<host::sensors::IioSensor>, std::string> OpenIioSensor(
    const std::string& selector, const std::string& program, std::ostream& err) {
  // The reader thread writes too: one line at a time.
  static std::mutex lines;
  host::sensors::IioDebugSink debug = [program, &err](std::string_view line) {
    std::lock_guard lock(lines);
    err << program << ": " << line << std::endl;
  };
  auto found = host::sensors::FindIioAccelerometer(selector, debug);
  if (!found) return found.error().message();
  // The samples' own time line, shared by every sensor of the process.
  static const host::RealClock clock;
  return std::make_unique<host::sensors::IioSensor>(
      std::move(*found), selector, clock, debug);
}

std::variant<host::sensors::Recording, std::string> LoadReplay(const std::string& file) {
  host::Result<host::sensors::Recording> recording = host::sensors::LoadRecording(file);
  if (!recording) return recording.error().Prefixed(file).message();
  return std::move(*recording);
}

}  // namespace tools
