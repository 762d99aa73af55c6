// libudev's objects held by std::unique_ptr, which gives back the reference when it goes.
#pragma once

#include <libudev.h>

#include <memory>

namespace host::sensors {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

}  // namespace host::sensors
