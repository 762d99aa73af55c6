#include "host/files/root_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>

namespace host {
namespace {

// The process id written in the lock file, or 0.
long HolderOf(int fd) {
  char text[32] = {};
  ssize_t got = pread(fd, text, sizeof text - 1, 0);
  if (got <= 0) return 0;
  char* end = nullptr;
  long pid = strtol(text, &end, 10);
  return pid > 0 ? pid : 0;
}

}  // namespace

std::variant<std::unique_ptr<RootLock>, std::string> RootLock::Take(const std::string& root) {
  std::string path = root + "/" + kRootLockName;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    return "cannot write in " + root + " (" + std::strerror(errno) + ")";
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    long holder = HolderOf(fd);
    close(fd);
    if (error == EWOULDBLOCK) {
      return "already running (pid " + (holder > 0 ? std::to_string(holder) : "unknown") +
             ") on " + root;
    }
    return "cannot lock " + path + " (" + std::strerror(error) + ")";
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
    int error = errno;
    close(fd);
    return "cannot write in " + root + " (" + std::strerror(error) + ")";
  }
  return std::unique_ptr<RootLock>(new RootLock(fd));
}

RootLock::~RootLock() {
  // Closing the last descriptor releases the lock; the file stays for the next run.
  close(m_fd);
}

}  // namespace host
