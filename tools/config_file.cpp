#include "tools/config_file.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <sstream>

namespace tools {
namespace {

// The whole file, refusing what is no regular file or too large; a FIFO is never waited for.
host::Result<std::string> ReadSmallRegularFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return host::Error::FromErrno(path + ": cannot be read", errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return host::Error(path + ": not a regular file");
  }
  std::string text;
  char buffer[4096];
  while (text.size() <= kMaxConfigBytes) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      ::close(fd);
      return host::Error::FromErrno(path + ": cannot be read", error);
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (text.size() > kMaxConfigBytes) return host::Error(path + ": larger than 64 kB");
  return text;
}

std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

host::Result<std::vector<ConfigLine>> ReadConfigFile(const std::string& path) {
  host::Result<std::string> text = ReadSmallRegularFile(path);
  if (!text) return text.error();
  // CLI11's own reading of a line: quotes, and values that are lists.
  CLI::ConfigTOML cli11;
  std::vector<ConfigLine> lines;
  std::map<std::string, int> seen;  // name -> line
  std::istringstream in(*text);
  int number = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++number;
    std::string line = Trimmed(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    auto at = [&](const std::string& message) {
      return host::Error::AtLine(number, message).Prefixed(path);
    };
    if (line.front() == '[') {
      return at(line + ": sections are not read; write each option as name = value");
    }
    if (line.find('=') == std::string::npos) return at(line + ": not name = value");
    std::istringstream one(line);
    std::vector<CLI::ConfigItem> items = cli11.from_config(one);
    if (items.size() != 1 || items[0].name.empty()) return at(line + ": not name = value");
    ConfigLine read{number, items[0].fullname(), items[0].inputs};
    if (auto [it, inserted] = seen.emplace(read.name, number); !inserted) {
      return at(read.name + " is given twice (lines " + std::to_string(it->second) + " and " +
                std::to_string(number) + ")");
    }
    lines.push_back(std::move(read));
  }
  return lines;
}

}  // namespace tools
