// The host's real files: each call is the POSIX call of the same name, retried when a signal
// interrupts it, with errno turned into the result.
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "host/kernel/file_system.h"

namespace host {
namespace {

// Runs call until no signal interrupts it; -errno on failure.
template <class Call>
auto Retry(Call call) -> decltype(call()) {
  for (;;) {
    auto result = call();
    if (result >= 0) return result;
    if (errno != EINTR) return -errno;
  }
}

class PosixFileSystem final : public FileSystem {
 public:
  int Open(const std::string& path, int flags, mode_t mode) override {
    return Retry([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
  }
  int Close(int fd) override {
    // close(2) must not be retried: the descriptor is gone even when it reports EINTR.
    return ::close(fd) == 0 || errno == EINTR ? 0 : -errno;
  }
  long Read(int fd, void* buffer, std::size_t size) override {
    return Retry([&] { return ::read(fd, buffer, size); });
  }
  long Write(int fd, const void* buffer, std::size_t size) override {
    return Retry([&] { return ::write(fd, buffer, size); });
  }
  long Seek(int fd, long offset) override {
    return offset == -1 ? Retry([&] { return ::lseek(fd, 0, SEEK_CUR); })
                        : Retry([&] { return ::lseek(fd, offset, SEEK_SET); });
  }
  int Truncate(int fd, long length) override {
    return Retry([&] { return ::ftruncate(fd, length); });
  }
  int Fsync(int fd) override { return Retry([&] { return ::fsync(fd); }); }
  int Fstat(int fd, struct stat* st) override { return Retry([&] { return ::fstat(fd, st); }); }
  int Stat(const std::string& path, struct stat* st) override {
    return Retry([&] { return ::stat(path.c_str(), st); });
  }
  int Chmod(const std::string& path, mode_t mode) override {
    return Retry([&] { return ::chmod(path.c_str(), mode); });
  }
  int Fchmod(int fd, mode_t mode) override { return Retry([&] { return ::fchmod(fd, mode); }); }
  int Fchown(int fd, uid_t owner, gid_t group) override {
    return Retry([&] { return ::fchown(fd, owner, group); });
  }
  int Lock(int fd) override { return Retry([&] { return ::flock(fd, LOCK_EX); }); }
  int Unlink(const std::string& path) override {
    return Retry([&] { return ::unlink(path.c_str()); });
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Retry([&] { return std::rename(from.c_str(), to.c_str()); });
  }
  int Link(const std::string& from, const std::string& to) override {
    return Retry([&] { return ::link(from.c_str(), to.c_str()); });
  }
  int RealPath(const std::string& path, std::string* resolved) override {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return -errno;
    *resolved = buffer;
    return 0;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakePosixFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace host
