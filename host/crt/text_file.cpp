#include "host/crt/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace host {
namespace {

Error Unreadable(int error) { return Error::FromErrno("cannot be read", error); }

}  // namespace

std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  constexpr std::size_t kGiB = std::size_t{1} << 30;
  if (bytes >= kGiB && bytes % kGiB == 0) return std::to_string(bytes / kGiB) + " GiB";
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

Result<std::string> ReadTextFile(const std::string& path, std::size_t maxBytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Unreadable(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int error = errno;
    ::close(fd);
    return Unreadable(error);
  }
  Error tooLarge("is larger than " + SizeText(maxBytes));
  if (S_ISDIR(st.st_mode) || (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))) {
    ::close(fd);
    return Error(S_ISDIR(st.st_mode) ? "is a folder" : "is no regular file");
  }
  if (S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return tooLarge;
  }
  std::string text;
  if (S_ISREG(st.st_mode)) text.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  while (true) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      ::close(fd);
      return Unreadable(error);
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > maxBytes) {
      ::close(fd);
      return tooLarge;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
}

}  // namespace host
