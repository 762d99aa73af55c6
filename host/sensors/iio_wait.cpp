#include "host/sensors/iio_wait.h"

#include <poll.h>

#include <cerrno>

#include "host/sensors/udev_ptr.h"

namespace host::sensors {

Result<std::optional<IioAccelerometer>> WaitForIioAccelerometer(std::string_view name,
                                                                const IioDebugSink& debug,
                                                                int stopFd) {
  const Error unusable("cannot use udev to wait for an IIO device");
  UdevPtr<udev> context(udev_new());
  if (!context) return unusable;
  // Events after udev's rules have run: the device's permissions are set by then.
  UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
  if (!monitor ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "iio", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor.get()) < 0) {
    return unusable;
  }
  int monitorFd = udev_monitor_get_fd(monitor.get());
  while (true) {
    Result<IioAccelerometer> found = FindIioAccelerometer(name, debug);
    if (found) return std::optional<IioAccelerometer>(std::move(*found));
    if (found.error().errnum() != ENODEV) return found.error();
    pollfd fds[] = {{stopFd, POLLIN, 0}, {monitorFd, POLLIN, 0}};
    int ready = poll(fds, 2, -1);
    if (ready < 0 && errno != EINTR) {
      return Error::FromErrno("cannot wait for an IIO device", errno);
    }
    if (fds[0].revents & POLLIN) return std::optional<IioAccelerometer>();
    // Every event is taken; one look covers them all.
    if (fds[1].revents & POLLIN) {
      while (UdevPtr<udev_device>(udev_monitor_receive_device(monitor.get()))) {
      }
    }
  }
}

}  // namespace host::sensors
