// The layout of one scan in an IIO device's buffer, as the kernel's sysfs-bus-iio ABI describes
// it: each enabled channel of scan_elements/ has an index (*_index) and a type (*_type); a scan
// holds the enabled channels in the order of their indexes, each aligned to its own storage size,
// and its length is a multiple of the largest storage size. So x, y, z of 16 bits and a 64-bit
// time stamp take 16 bytes: 0, 2, 4, two bytes of padding, the time stamp at 8.
//
// Plain data and pure functions: no files, no allocation when decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"

namespace host::sensors {

// A channel's *_type: "le:s12/16>>4" is little-endian, signed, 12 bits of value in 16 bits of
// storage, shifted left by 4; "be:u10/16X3>>0" repeats the element three times.
struct IioScanType {
  bool bigEndian = false;
  bool isSigned = false;
  int bits = 0;         // 1 to storageBits
  int storageBits = 0;  // 8, 16, 32 or 64
  int repeat = 1;
  int shift = 0;  // bits + shift <= storageBits

  // The bytes the channel takes in a scan, and its alignment.
  std::size_t StorageBytes() const { return static_cast<std::size_t>(storageBits / 8) * repeat; }
};

// Parses a *_type text (blanks around it ignored). Errors name what is wrong: "not of the form
// [be|le]:[s|u]BITS/STORAGE>>SHIFT", "a storage size of 0 bits", "12 bits do not fit in 8".
Result<IioScanType> ParseScanType(std::string_view text);

struct IioScanChannel {
  std::string name;  // e.g. "in_accel_x"
  int index = 0;
  IioScanType type;
  std::size_t offset = 0;  // in the scan; set by LayOutScan
};

struct IioScanLayout {
  std::vector<IioScanChannel> channels;  // in index order, with their offsets
  std::size_t bytes = 0;                 // one scan

  // The channel named name, or nullptr.
  const IioScanChannel* Find(std::string_view name) const;
};

// The layout of a scan of the enabled channels. Errors: no channel, two channels with one index.
Result<IioScanLayout> LayOutScan(std::vector<IioScanChannel> enabled);

// The value of the channel's first element in scan (at least the layout's bytes long): taken in
// its byte order, shifted right, masked to its bits and, when signed, sign-extended.
std::int64_t ScanValue(const IioScanChannel& channel, const std::uint8_t* scan);

}  // namespace host::sensors
