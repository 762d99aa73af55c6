// The accelerometer sources that --acc names, as the tools share them: the one parser of the
// option's text, a real IIO accelerometer (iio, iio:NAME) and a recording (replay:FILE).
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "host/crt/result.h"
#include "host/sensors/iio_sensor.h"
#include "host/sensors/replay.h"

namespace tools {

// What --acc names.
struct AccSource {
  enum class Kind {
    kSim,     // the mode's own simulated tilt ("sim")
    kReplay,  // a recording ("replay:FILE")
    kIio,     // a Linux IIO accelerometer ("iio", "iio:NAME")
  };
  Kind kind = Kind::kSim;
  // kReplay: the recording's file; kIio: the device's name, or "" for the first one.
  std::string detail;

  bool operator==(const AccSource&) const = default;
};

// "sim", "replay:FILE", "iio" or "iio:NAME" (FILE and NAME not empty). Otherwise an error
// "--acc TEXT: give sim, replay:FILE or iio[:NAME]".
host::Result<AccSource> ParseAccSource(std::string_view text);

// How to wait for an IIO accelerometer that does not exist yet (host/sensors/iio_wait.h).
struct IioWait {
  int stopFd = -1;  // readable: the wait ends
  // Told once when the wait begins ("waiting for an accelerometer") and when it has ended with
  // a device ("accelerometer: iio:device0 (mma8452)").
  std::function<void(const std::string&)> note;
};

// The IIO accelerometer that selector names, sampled on its own real clock while ACC0: is open;
// its debug lines go to err as "PROGRAM: LINE". Or what is wrong, in one line. With wait, a
// device that does not exist yet is waited for; a stop during the wait gives a null sensor.
host::Result<std::unique_ptr<host::sensors::IioSensor>> OpenIioSensor(
    const std::string& selector, const std::string& program, std::ostream& err,
    const IioWait* wait = nullptr);

// The recording in FILE, or the error "FILE[:LINE]: what is wrong".
host::Result<host::sensors::Recording> LoadReplay(const std::string& file);

}  // namespace tools
