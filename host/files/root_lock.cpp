#include "host/files/root_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// What the file is when it is no lock file of ours; "" for a regular file with one name.
std::string NotALock(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISFIFO(st.st_mode)) return "a FIFO";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (st.st_nlink != 1) {
    return "a hard link of a file with " + std::to_string(st.st_nlink) + " names";
  }
  return "";
}

}  // namespace

Result<std::unique_ptr<RootLock>> RootLock::Take(const std::string& root) {
  std::string path = root + "/" + kRootLockName;
  auto refused = [&](const std::string& what) {
    return Error(path + " is not a lock file: " + what + "; remove it");
  };
  // Without following a link, and without waiting at a FIFO or a device.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                0644);
  if (fd < 0) {
    int error = errno;
    if (error == ELOOP) return refused("a symbolic link");
    if (error == EISDIR) return refused("a folder");
    return Error::FromErrno("cannot make " + path, error);
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int error = errno;
    close(fd);
    return Error::FromErrno("cannot make " + path, error);
  }
  if (std::string what = NotALock(st); !what.empty()) {
    close(fd);
    return refused(what);
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    long holder = HolderOf(fd);
    close(fd);
    if (error == EWOULDBLOCK) {
      return Error("already running (pid " + (holder > 0 ? std::to_string(holder) : "unknown") +
                   ") on " + root);
    }
    return Error::FromErrno("cannot lock " + path, error);
  }
  std::string pid = std::to_string(getpid()) + "\n";
  // Written over the old id and cut after it, so that a reader never finds the file empty.
  if (pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()) ||
      ftruncate(fd, static_cast<off_t>(pid.size())) != 0) {
    int error = errno;
    close(fd);
    return Error::FromErrno("cannot write " + path, error);
  }
  return std::unique_ptr<RootLock>(new RootLock(fd));
}

std::optional<long> RootLock::Holder(const std::string& root) {
  std::string path = root + "/" + kRootLockName;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  // A shared lock is granted unless a holder has the exclusive one; it is given back at once.
  std::optional<long> holder;
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) holder = HolderOf(fd);
  } else {
    flock(fd, LOCK_UN);
  }
  close(fd);
  return holder;
}

RootLock::~RootLock() {
  // Closing the last descriptor releases the lock; the file stays for the next run.
  close(m_fd);
}

}  // namespace host
