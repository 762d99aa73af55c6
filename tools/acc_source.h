// The accelerometer sources that --acc names, as far as the tools share them: a real IIO
// accelerometer (iio, iio:NAME) and a recording (replay:FILE).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

#include "host/sensors/iio_sensor.h"
#include "host/sensors/replay.h"

namespace tools {

// "iio" -> "" (the first accelerometer), "iio:NAME" -> NAME; nullopt for anything else.
std::optional<std::string> IioSelector(std::string_view acc);

// "replay:FILE" -> FILE; nullopt for anything else.
std::optional<std::string> ReplayFile(std::string_view acc);

// The IIO accelerometer that selector names, sampled on its own real clock while ACC0: is open;
// its debug lines go to err as "PROGRAM: LINE". Or what is wrong, in one line.
std::variant<std::unique_ptr<host::sensors::IioSensor>, std::string> OpenIioSensor(
    const std::string& selector, const std::string& program, std::ostream& err);

// The recording in FILE, or "FILE[:LINE]: what is wrong".
std::variant<host::sensors::Recording, std::string> LoadReplay(const std::string& file);

}  // namespace tools
