// Finding an accelerometer among the kernel's IIO devices, and reading its raw values.
//
// An accelerometer is a device of udev subsystem "iio" with the attribute in_accel_x_raw. They
// are taken in the order of their sysfs names, numbers compared as numbers (iio:device2 before
// iio:device10). Per axis (x, y, z):
//   scale  in_accel_<axis>_scale, else in_accel_scale, else 1;
//   offset in_accel_<axis>_offset, else in_accel_offset, else 0;
// and the mount matrix comes from the udev property ACCEL_MOUNT_MATRIX, else the attribute
// in_accel_mount_matrix, else mount_matrix, else the identity (iio_mapping.h). An unusable
// matrix is replaced by the identity, and a scale or offset of nan or inf is taken as missing,
// each with one debug line.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <optional>

#include "host/crt/result.h"
#include "host/sensors/iio_mapping.h"

namespace host::sensors {

// Debug lines of the IIO back-end (a device gone, back, a matrix refused); may be called from
// the reader thread.
using IioDebugSink = std::function<void(std::string_view line)>;

// The error of a read of something that is not a regular file (a FIFO, a device node): sysfs
// attributes always are one, and anything else could block the reader.
inline constexpr int kNotRegularFile = 1 << 20;  // beyond every errno

// Why a raw read failed: the file and errno (EINVAL: not a number; kNotRegularFile).
struct IioReadFailure {
  const std::string* path = nullptr;
  int error = 0;

  // "FILE holds no whole number", or UnreadableMessage.
  std::string Describe() const;
};

// The three files in_accel_{x,y,z}_raw of one device. Each read opens, reads and closes them
// again, so a file replaced meanwhile is seen; it allocates nothing. The files are opened
// relative to the device's folder, held open, which spares the kernel the walk of the long
// sysfs path at 100 reads a second; a folder removed (the device unbound) fails the open.
class IioRawFiles {
 public:
  IioRawFiles() = default;
  explicit IioRawFiles(std::string_view sysPath);
  ~IioRawFiles();
  IioRawFiles(IioRawFiles&& other) noexcept;
  IioRawFiles& operator=(IioRawFiles&& other) noexcept;

  // The three raw values; false with the failing file and errno (EINVAL: not a number).
  bool Read(std::array<long, 3>& raw, IioReadFailure& failure) const;

 private:
  int m_folder = -1;  // the device's folder (O_PATH), or -1: the paths are opened whole
  std::array<std::string, 3> m_paths;
};

struct IioAccelerometer {
  std::string sysPath;  // e.g. /sys/devices/platform/.../iio:device1
  std::string sysName;  // iio:device1
  std::string name;     // its name attribute, e.g. "mma8452"; empty when it has none
  IioCalibration calibration;
  std::string matrixSource;  // ACCEL_MOUNT_MATRIX, in_accel_mount_matrix, mount_matrix, identity
  IioRawFiles raw;

  // "iio:device1 (mma8452)".
  std::string Describe() const;
};

// The first accelerometer (name empty), or the one whose name attribute or sysfs name is name.
// Checks that its raw values can be read. Errors, in one line: none found (naming what was
// looked for) or no such name, both with errnum ENODEV; a file that cannot be read (naming it
// and the usual fix).
Result<IioAccelerometer> FindIioAccelerometer(std::string_view name, const IioDebugSink& debug);

// The trimmed text of the attribute sysPath/attribute; nullopt when the file does not exist.
// Refuses anything but a regular file, without blocking.
Result<std::optional<std::string>> ReadIioAttribute(const std::string& sysPath,
                                                    const std::string& attribute);

// "cannot read FILE: REASON" for an errno or kNotRegularFile, with the usual fix when permission
// was refused.
std::string UnreadableMessage(const std::string& path, int error);

}  // namespace host::sensors
