// Reading an IIO accelerometer through the kernel's buffer instead of polling its sysfs files.
//
// Open sets the device up: the channels x, y, z (and the time stamp, when there is one) enabled;
// a trigger picked when the device has none set, by the usual names "<name>-dev<N>" or
// "<name>-trigger"; sampling_frequency the nearest value of sampling_frequency_available that is
// at least 100 Hz; buffer/length for 4 s of scans, then buffer/enable; /dev/iio:deviceN opened
// without blocking. The kernel then queues the scans, and nothing wakes until Drain reads what
// was queued. Closing undoes it in order: the buffer disabled, the channels as they were, the
// trigger as it was, the sampling frequency and the length restored.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/crt/result.h"
#include "host/sensors/iio_scan_format.h"

namespace host::sensors {

// One scan: the raw x, y, z and when it was taken on the caller's clock.
struct IioScan {
  std::array<long, 3> raw{};
  std::int64_t atMs = 0;
  std::int64_t timestampNs = 0;  // the device's own, when it has a time stamp channel
};

class IioBuffer {
 public:
  // Whether the device at sysPath offers a buffer for x, y and z: scan_elements/in_accel_x_en
  // (and y, z) and buffer/enable.
  static bool Offered(const std::string& sysPath);

  // Sets the buffer of the device sysPath (sysfs name sysName, e.g. iio:device1; name its name
  // attribute) up and opens its node. Errors, in one line: busy (another program holds the
  // buffer or its node; errnum EBUSY), a channel's type or index that cannot be used, an index
  // gap, a file that cannot be read or written. Whatever was changed is undone on an error.
  static Result<std::unique_ptr<IioBuffer>> Open(const std::string& sysPath,
                                                 const std::string& sysName,
                                                 const std::string& name);
  // Undoes the set-up; failures (a device gone) are ignored.
  ~IioBuffer();
  IioBuffer(const IioBuffer&) = delete;
  IioBuffer& operator=(const IioBuffer&) = delete;

  // Reads, without blocking, every scan queued since the last drain, oldest first. The newest
  // is taken as read at nowMs, the others before it by their time stamps (else by the sampling
  // period). A partial scan waits for its rest. When the kernel's queue was full, the scans
  // read before it emptied are dropped: they may be seconds old. Allocates nothing. Error: the
  // node failed or ended (the device went away); the span is valid until the next call.
  Result<std::span<const IioScan>> Drain(std::int64_t nowMs);

  // "100 Hz, trigger mma8452-dev0" for the debug line.
  std::string Describe() const;

 private:
  // An attribute to write back on close; the lowest rank first.
  struct Undo {
    int rank = 0;
    std::string path;
    std::string value;
  };

  IioBuffer() = default;
  // Writes value to sysPath/attribute unless it holds it, keeping what it held for the undo of
  // rank.
  Status Change(const std::string& sysPath, const std::string& attribute, const std::string& value,
                int rank);
  void Restore();
  IioScan Decode(const std::uint8_t* scan) const;

  std::string m_node;  // /dev/iio:deviceN
  int m_fd = -1;
  IioScanLayout m_layout;
  const IioScanChannel* m_axes[3] = {};
  const IioScanChannel* m_timestamp = nullptr;
  double m_frequencyHz = 0;  // 0: unknown
  std::string m_trigger;
  std::vector<Undo> m_undo;
  std::vector<std::uint8_t> m_bytes;  // what was read; a partial scan stays at the front
  std::size_t m_pending = 0;
  std::size_t m_length = 0;       // the kernel's queue, in scans
  std::vector<IioScan> m_scans;  // at most m_length
};

}  // namespace host::sensors
