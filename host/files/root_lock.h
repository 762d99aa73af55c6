// One application per root: a lock file in the handset's root folder, held (flock, exclusive)
// for as long as the object lives, with the holder's process id written into it. A second
// quorvane on the same root is told who holds it, so two programs never write one settings file
// at once. The lock goes with the process, also when it is killed; the file stays behind.
//
// Only a regular file with one name is taken as the lock file: anything else at its name (a
// hard link to another file, a symbolic link, a folder, a FIFO, a device) is refused and left as
// it is, never written.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/crt/result.h"

namespace host {

// The lock file's name in the root. Hidden, so the handset's own listings do not show it.
inline constexpr char kRootLockName[] = ".quorvane.lock";

class RootLock {
 public:
  // Takes the lock of the folder root (which must exist). On failure a one-line reason:
  // "already running (pid N) on ROOT" when another process holds it, else what is wrong with
  // ROOT/.quorvane.lock ("cannot make ROOT/.quorvane.lock: Permission denied", "ROOT/.quorvane.lock
  // is not a lock file: a hard link of a file with 2 names; remove it").
  static Result<std::unique_ptr<RootLock>> Take(const std::string& root);
  // The process id of the process that holds root's lock now (0 when the file does not say);
  // nullopt when nobody holds it (or there is no lock file). Looks without taking the lock
  // from anyone.
  static std::optional<long> Holder(const std::string& root);

  ~RootLock();
  RootLock(const RootLock&) = delete;
  RootLock& operator=(const RootLock&) = delete;

 private:
  explicit RootLock(int fd) : m_fd(fd) {}
  int m_fd;
};

}  // namespace host
