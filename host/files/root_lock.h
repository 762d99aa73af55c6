// One application per root: a lock file in the handset's root folder, held (flock, exclusive)
// for as long as the object lives, with the holder's process id written into it. A second
// quorvane on the same root is told who holds it, so two programs never write one settings file
// at once. The lock goes with the process, also when it is killed; the file stays behind.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace host {

// The lock file's name in the root. Hidden, so the handset's own listings do not show it.
inline constexpr char kRootLockName[] = ".quorvane.lock";

class RootLock {
 public:
  // Takes the lock of the folder root (which must exist). On failure a one-line reason:
  // "already running (pid N)" when another process holds it, or why the lock file cannot be
  // made (the folder is not writable).
  static std::variant<std::unique_ptr<RootLock>, std::string> Take(const std::string& root);

  ~RootLock();
  RootLock(const RootLock&) = delete;
  RootLock& operator=(const RootLock&) = delete;

 private:
  explicit RootLock(int fd) : m_fd(fd) {}
  int m_fd;
};

}  // namespace host
