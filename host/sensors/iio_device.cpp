#include "host/sensors/iio_device.h"

#include <fcntl.h>
#include <grp.h>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "host/crt/text_lines.h"
#include "host/sensors/udev_ptr.h"

namespace host::sensors {
namespace {

constexpr const char* kAxes[] = {"x", "y", "z"};

// Reads a small attribute file (path relative to folder, or AT_FDCWD) into buffer; its length,
// or -errno (-kNotRegularFile for anything but a regular file). Opened without blocking, so a
// FIFO or a device node in its place cannot hang the reader.
long ReadSmallFileAt(int folder, const char* path, char* buffer, std::size_t size) {
  int fd = openat(folder, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -errno;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -kNotRegularFile;
  }
  ssize_t length;
  do {
    length = read(fd, buffer, size);
  } while (length < 0 && errno == EINTR);
  int error = length < 0 ? errno : 0;
  close(fd);
  return length < 0 ? -error : length;
}

const char* RawFileName(int axis) {
  static constexpr const char* kNames[] = {"in_accel_x_raw", "in_accel_y_raw", "in_accel_z_raw"};
  return kNames[axis];
}

}  // namespace

Result<std::optional<std::string>> ReadIioAttribute(const std::string& sysPath,
                                                    const std::string& attribute) {
  std::string path = sysPath + "/" + attribute;
  char buffer[256];
  long length = ReadSmallFileAt(AT_FDCWD, path.c_str(), buffer, sizeof buffer);
  if (length == -ENOENT) return std::optional<std::string>();
  if (length < 0) {
    int error = static_cast<int>(-length);
    return Error(UnreadableMessage(path, error), error == kNotRegularFile ? 0 : error);
  }
  return std::optional<std::string>(std::string(Trimmed(std::string_view(buffer, length))));
}

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// iio:device2 before iio:device10.
bool SysNameLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    std::size_t digits = s.find_last_not_of("0123456789") + 1;
    unsigned long number = 0;
    std::from_chars(s.data() + digits, s.data() + s.size(), number);
    return std::make_tuple(s.substr(0, digits), digits == s.size() ? 0ul : number + 1, s);
  };
  return split(a) < split(b);
}

struct Candidate {
  std::string sysPath;
  std::string sysName;
  std::string matrixProperty;  // empty when the property is not set
  bool hasMatrixProperty = false;
};

// Every IIO device, in sysfs-name order, and which of them are accelerometers.
Result<std::vector<Candidate>> IioDevices(std::vector<std::string>& others) {
  UdevPtr<udev> context(udev_new());
  if (!context) return Error("cannot use udev to look for IIO devices");
  UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "iio") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    return Error("cannot use udev to look for IIO devices");
  }
  std::vector<Candidate> found;
  udev_list_entry* entry;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevPtr<udev_device> device(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device) continue;
    Candidate candidate;
    candidate.sysPath = udev_device_get_syspath(device.get());
    candidate.sysName = udev_device_get_sysname(device.get());
    if (!Exists(candidate.sysPath + "/in_accel_x_raw")) {
      others.push_back(candidate.sysName);
      continue;
    }
    if (const char* matrix = udev_device_get_property_value(device.get(), "ACCEL_MOUNT_MATRIX")) {
      candidate.matrixProperty = matrix;
      candidate.hasMatrixProperty = true;
    }
    found.push_back(std::move(candidate));
  }
  auto less = [](const Candidate& a, const Candidate& b) { return SysNameLess(a.sysName, b.sysName); };
  std::sort(found.begin(), found.end(), less);
  std::sort(others.begin(), others.end(), SysNameLess);
  return found;
}

// Reads the number in attribute, or keeps value when the file does not exist or holds no
// finite number (nan, inf: one debug line, as for an unusable matrix).
Status ReadNumber(const Candidate& candidate, const char* what, const std::string& attribute,
                  const IioDebugSink& debug, double& value) {
  const std::string& sysPath = candidate.sysPath;
  auto text = ReadIioAttribute(sysPath, attribute);
  if (!text) return text.error();
  const std::optional<std::string>& present = *text;
  if (!present) return Ok();
  double number = 0;
  const char* begin = present->data();
  const char* end = begin + present->size();
  if (begin != end && *begin == '+') ++begin;
  auto [stop, problem] = std::from_chars(begin, end, number);
  if (problem != std::errc() || stop != end || begin == end) {
    return Error(sysPath + "/" + attribute + " holds \"" + *present + "\", not a number");
  }
  if (!std::isfinite(number)) {
    if (debug) {
      debug("iio: " + candidate.sysName + ": the " + what + " \"" + *present + "\" of " +
            attribute + " is unusable; taking it as missing");
    }
    return Ok();
  }
  value = number;
  return Ok();
}

// Per axis: the axis's own attribute, else the shared one, else fallback.
Status ReadPerAxis(const Candidate& candidate, const char* what, double fallback,
                   const IioDebugSink& debug, std::array<double, 3>& values) {
  double shared = fallback;
  Status read = ReadNumber(candidate, what, std::string("in_accel_") + what, debug, shared);
  for (int axis = 0; axis < 3 && read; ++axis) {
    values[axis] = shared;
    std::string own = std::string("in_accel_") + kAxes[axis] + "_" + what;
    read = ReadNumber(candidate, what, own, debug, values[axis]);
  }
  return read;
}

Status ReadMatrix(const Candidate& candidate, IioAccelerometer& device,
                  const IioDebugSink& debug) {
  std::optional<std::string> text;
  if (candidate.hasMatrixProperty) {
    text = candidate.matrixProperty;
    device.matrixSource = "ACCEL_MOUNT_MATRIX";
  } else {
    for (const char* attribute : {"in_accel_mount_matrix", "mount_matrix"}) {
      auto value = ReadIioAttribute(candidate.sysPath, attribute);
      if (!value) return value.error();
      text = *value;
      if (text) {
        device.matrixSource = attribute;
        break;
      }
    }
  }
  if (!text) {
    device.matrixSource = "identity";
    return Ok();
  }
  if (std::optional<MountMatrix> matrix = ParseMountMatrix(*text)) {
    device.calibration.matrix = *matrix;
    return Ok();
  }
  if (debug) {
    debug("iio: " + device.sysName + ": the mount matrix \"" + *text + "\" of " +
          device.matrixSource + " is unusable; using the identity");
  }
  device.matrixSource = "identity";
  return Ok();
}

std::string Listed(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

}  // namespace

IioRawFiles::IioRawFiles(std::string_view sysPath) {
  std::string folder(sysPath);
  m_folder = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int axis = 0; axis < 3; ++axis) {
    m_paths[axis] = folder + "/" + RawFileName(axis);
  }
}

IioRawFiles::~IioRawFiles() {
  if (m_folder >= 0) close(m_folder);
}

IioRawFiles::IioRawFiles(IioRawFiles&& other) noexcept
    : m_folder(std::exchange(other.m_folder, -1)), m_paths(std::move(other.m_paths)) {}

IioRawFiles& IioRawFiles::operator=(IioRawFiles&& other) noexcept {
  if (this != &other) {
    if (m_folder >= 0) close(m_folder);
    m_folder = std::exchange(other.m_folder, -1);
    m_paths = std::move(other.m_paths);
  }
  return *this;
}

bool IioRawFiles::Read(std::array<long, 3>& raw, IioReadFailure& failure) const {
  for (int axis = 0; axis < 3; ++axis) {
    char buffer[32];
    long length = m_folder >= 0
                      ? ReadSmallFileAt(m_folder, RawFileName(axis), buffer, sizeof buffer)
                      : ReadSmallFileAt(AT_FDCWD, m_paths[axis].c_str(), buffer, sizeof buffer);
    std::string_view text = length >= 0 ? Trimmed(std::string_view(buffer, length)) : "";
    const char* begin = text.data();
    const char* end = begin + text.size();
    std::from_chars_result parsed{begin, std::errc::invalid_argument};
    if (length >= 0 && !text.empty()) parsed = std::from_chars(begin, end, raw[axis]);
    if (length < 0 || parsed.ec != std::errc() || parsed.ptr != end) {
      failure.path = &m_paths[axis];
      failure.error = length < 0 ? static_cast<int>(-length) : EINVAL;
      return false;
    }
  }
  return true;
}

std::string IioReadFailure::Describe() const {
  return error == EINVAL ? *path + " holds no whole number" : UnreadableMessage(*path, error);
}

std::string IioAccelerometer::Describe() const {
  return name.empty() || name == sysName ? sysName : sysName + " (" + name + ")";
}

std::string UnreadableMessage(const std::string& path, int error) {
  if (error == kNotRegularFile) return "cannot read " + path + ": not a regular file";
  std::string message = "cannot read " + path + ": " + std::generic_category().message(error);
  if (error == EACCES || error == EPERM) {
    std::string groupName;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
      if (const struct group* owner = getgrgid(info.st_gid)) groupName = owner->gr_name;
    }
    message += "; let your user read it with a udev rule (e.g. SUBSYSTEM==\"iio\", "
               "RUN+=\"/bin/chmod a+r /sys%p/in_accel_*\") or by adding your user to the "
               "file's group" +
               (groupName.empty() ? std::string() : " (" + groupName + ")");
  }
  return message;
}

Result<IioAccelerometer> FindIioAccelerometer(std::string_view name, const IioDebugSink& debug) {
  std::vector<std::string> others;
  auto devices = IioDevices(others);
  if (!devices) return devices.error();
  const std::vector<Candidate>& accelerometers = *devices;

  std::vector<std::string> described;
  for (const Candidate& candidate : accelerometers) {
    IioAccelerometer device;
    device.sysPath = candidate.sysPath;
    device.sysName = candidate.sysName;
    auto deviceName = ReadIioAttribute(candidate.sysPath, "name");
    if (deviceName && *deviceName) device.name = **deviceName;
    if (name.empty() || name == device.name || name == device.sysName) {
      if (!deviceName) return deviceName.error();
      Status read = ReadPerAxis(candidate, "scale", 1, debug, device.calibration.scale);
      if (read) read = ReadPerAxis(candidate, "offset", 0, debug, device.calibration.offset);
      if (read) read = ReadMatrix(candidate, device, debug);
      if (!read) return read.error();
      device.raw = IioRawFiles(device.sysPath);
      std::array<long, 3> raw;
      IioReadFailure failure;
      if (!device.raw.Read(raw, failure)) return Error(failure.Describe());
      return device;
    }
    described.push_back(device.Describe());
  }
  std::string looked = "devices of subsystem iio with in_accel_x_raw";
  std::string seen = others.empty() ? "" : "; other IIO devices: " + Listed(others);
  if (accelerometers.empty()) {
    return Error("no IIO accelerometer found (looked for " + looked + seen + ")", ENODEV);
  }
  return Error("no IIO accelerometer named " + std::string(name) + " (looked for the name " +
               "attribute or sysfs name among " + looked + ": " + Listed(described) + ")",
               ENODEV);
}

}  // namespace host::sensors
