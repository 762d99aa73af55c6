// A FileSystem that forwards every call to another one, as the base of file systems that
// change a few calls and pass the rest on (leveldb's EnvWrapper): the fault-injecting one
// (host/files/faulty_file_system.h) and the one that traces watched files
// (host/scenario/file_watch.h). A subclass overrides what it changes and calls the base's
// version, or base() directly, to forward.
#pragma once

#include "host/kernel/file_system.h"

namespace host {

class ForwardingFileSystem : public FileSystem {
 public:
  // REQUIRES: base outlives this object.
  explicit ForwardingFileSystem(FileSystem& base) : m_base(base) {}
  ForwardingFileSystem(const ForwardingFileSystem&) = delete;
  ForwardingFileSystem& operator=(const ForwardingFileSystem&) = delete;

  int Open(const std::string& path, int flags, mode_t mode) override {
    return m_base.Open(path, flags, mode);
  }
  int Close(int fd) override { return m_base.Close(fd); }
  long Read(int fd, void* buffer, std::size_t size) override {
    return m_base.Read(fd, buffer, size);
  }
  long Write(int fd, const void* buffer, std::size_t size) override {
    return m_base.Write(fd, buffer, size);
  }
  long Seek(int fd, long offset) override { return m_base.Seek(fd, offset); }
  int Truncate(int fd, long length) override { return m_base.Truncate(fd, length); }
  int Fsync(int fd) override { return m_base.Fsync(fd); }
  int Fstat(int fd, struct stat* st) override { return m_base.Fstat(fd, st); }
  int Stat(const std::string& path, struct stat* st) override { return m_base.Stat(path, st); }
  int Chmod(const std::string& path, mode_t mode) override { return m_base.Chmod(path, mode); }
  int Fchmod(int fd, mode_t mode) override { return m_base.Fchmod(fd, mode); }
  int Fchown(int fd, uid_t owner, gid_t group) override {
    return m_base.Fchown(fd, owner, group);
  }
  int Lock(int fd) override { return m_base.Lock(fd); }
  int Unlink(const std::string& path) override { return m_base.Unlink(path); }
  int Rename(const std::string& from, const std::string& to) override {
    return m_base.Rename(from, to);
  }
  int Link(const std::string& from, const std::string& to) override {
    return m_base.Link(from, to);
  }
  int RealPath(const std::string& path, std::string* resolved) override {
    return m_base.RealPath(path, resolved);
  }

 protected:
  FileSystem& base() { return m_base; }

 private:
  FileSystem& m_base;
};

}  // namespace host
