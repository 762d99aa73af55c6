// The one seam between the handset's file calls and the host's files, held by the handset as it
// holds the clock (Handset::files()). Every Win32 file call in host/files/file_api.cpp goes
// through a FileSystem, so tests can swap in one that fails on purpose
// (host/files/faulty_file_system.h).
// Paths are host paths (UTF-8). Results follow POSIX: >= 0 on success, -errno on failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace host {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // open(2): a descriptor, or -errno.
  virtual int Open(const std::string& path, int flags, mode_t mode) = 0;
  virtual int Close(int fd) = 0;
  // read(2)/write(2) at the file position: bytes moved, or -errno.
  virtual long Read(int fd, void* buffer, std::size_t size) = 0;
  virtual long Write(int fd, const void* buffer, std::size_t size) = 0;
  // lseek(2) with SEEK_CUR 0 when offset is -1 gives the position; else SEEK_SET.
  virtual long Seek(int fd, long offset) = 0;
  virtual int Truncate(int fd, long length) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Fstat(int fd, struct stat* st) = 0;
  virtual int Stat(const std::string& path, struct stat* st) = 0;
  virtual int Chmod(const std::string& path, mode_t mode) = 0;
  virtual int Fchmod(int fd, mode_t mode) = 0;
  // fchown(2); -1 leaves the owner or the group as it is.
  virtual int Fchown(int fd, uid_t owner, gid_t group) = 0;
  // flock(2) LOCK_EX: waits until no other open file holds the lock on the file, then holds it
  // until fd is closed.
  virtual int Lock(int fd) = 0;
  virtual int Unlink(const std::string& path) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // link(2): a second name for the file from (never through a link at to).
  virtual int Link(const std::string& from, const std::string& to) = 0;
  // realpath(3): the path without links, "." or ".." into *resolved.
  virtual int RealPath(const std::string& path, std::string* resolved) = 0;
};

// The host's real files.
std::unique_ptr<FileSystem> MakePosixFileSystem();

}  // namespace host
