// quorvane's options file ($XDG_CONFIG_HOME/quorvane/quorvane.conf unless --config names
// another): one option a line, "name = value" with the long option's name, in CLI11's INI form
// (quotes around the value, "#" or ";" at the start of a comment line); blank lines are skipped.
//
// The file is read only when it is a regular file of at most kMaxConfigBytes, opened without
// waiting (a FIFO or a device is refused at once, never read). Every line must set an option:
// a "[section]" header, a line without "=" and a name given twice are refused with the file
// and the line. Which names are options, and what their values may be, the caller checks
// (tools/mode.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/crt/result.h"

namespace tools {

inline constexpr std::size_t kMaxConfigBytes = 64 * 1024;

// One line that sets an option.
struct ConfigLine {
  int line = 0;                     // from 1
  std::string name;                 // as written, without quotes: "acc"
  std::vector<std::string> values;  // as CLI11 reads them: usually one, without quotes
};

// The lines of the file at path that set options, in order. Errors are one line for a person,
// "PATH: ..." or "PATH:LINE: ...":
//   PATH: cannot be read: No such file or directory
//   PATH: not a regular file
//   PATH: larger than 64 kB
//   PATH:3: [player]: sections are not read; write each option as name = value
//   PATH:2: plyer mpris: not name = value
//   PATH:7: acc is given twice (lines 3 and 7)
host::Result<std::vector<ConfigLine>> ReadConfigFile(const std::string& path);

}  // namespace tools
