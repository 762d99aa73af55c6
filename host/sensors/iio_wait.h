// Waiting for an accelerometer that is not there yet: a service started at login may come up
// before the sensor's driver has bound. A udev monitor of subsystem "iio" wakes the wait
// whenever such a device is added, changed or removed; each wake looks again.
//
//   auto found = WaitForIioAccelerometer("", debug, signals.fd());
//   if (!found) { /* what is wrong: exit 2 */ }
//   if (!*found) { /* stopped */ }
#pragma once

#include <optional>
#include <string_view>

#include "host/crt/result.h"
#include "host/sensors/iio_device.h"

namespace host::sensors {

// Waits until FindIioAccelerometer(name, debug) finds a device, or stopFd (-1: none) becomes
// readable (it is not read). Looks once as soon as the monitor listens, so a device that
// appears meanwhile is not missed, then after each event of the monitor. Returns the device;
// nullopt when stopped first; an error when udev cannot be monitored or a device was found that
// cannot be used (FindIioAccelerometer's errors other than ENODEV).
Result<std::optional<IioAccelerometer>> WaitForIioAccelerometer(std::string_view name,
                                                                const IioDebugSink& debug,
                                                                int stopFd);

}  // namespace host::sensors
