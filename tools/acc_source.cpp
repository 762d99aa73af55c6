#include "tools/acc_source.h"

#include <mutex>

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

std::variant<std::unique_ptr<host::sensors::IioSensor>, std::string> OpenIioSensor(
    const std::string& selector, const std::string& program, std::ostream& err) {
  // The reader thread writes too: one line at a time.
  static std::mutex lines;
  host::sensors::IioDebugSink debug = [program, &err](std::string_view line) {
    std::lock_guard lock(lines);
    err << program << ": " << line << std::endl;
  };
  auto found = host::sensors::FindIioAccelerometer(selector, debug);
  if (auto* error = std::get_if<host::sensors::IioError>(&found)) return error->message;
  // The samples' own time line, shared by every sensor of the process.
  static const host::RealClock clock;
  return std::make_unique<host::sensors::IioSensor>(
      std::get<host::sensors::IioAccelerometer>(std::move(found)), selector, clock, debug);
}

std::variant<host::sensors::Recording, std::string> LoadReplay(const std::string& file) {
  auto recording = host::sensors::LoadRecording(file);
  if (auto* error = std::get_if<host::sensors::RecordingError>(&recording)) {
    std::string message = file;
    if (error->line > 0) message += ':' + std::to_string(error->line);
    return message + ": " + error->message;
  }
  return std::get<host::sensors::Recording>(std::move(recording));
}

}  // namespace tools
