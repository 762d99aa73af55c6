// Fuzzing the recording reader: any bytes as a CSV recording. What must hold: no crash and no
// sanitizer report (no overflow from extreme times); a recording read has samples in strictly
// ascending time within the bounds, and can be played at any moment of its loop; an error's
// message holds no control character.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/sensors/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto result = host::sensors::ParseRecording(text);
  if (!result) {
    for (char c : result.error().message()) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
    return 0;
  }
  const auto& recording = *result;
  if (recording.samples.empty()) std::abort();
  std::int64_t last = -1;
  for (const auto& sample : recording.samples) {
    if (sample.atMs <= last || sample.atMs > host::sensors::kMaxRecordedMs) std::abort();
    last = sample.atMs;
  }
  std::int64_t length = recording.LengthMs();
  for (std::int64_t at : {std::int64_t{0}, length / 2, length - 1}) recording.At(at);
  return 0;
}
