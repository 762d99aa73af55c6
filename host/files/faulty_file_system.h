// A FileSystem for tests that forwards every call to another one and fails the calls a test
// chooses, so that disk-full, I/O errors and short reads can be shown without a real fault.
//
//   host::FaultyFileSystem faulty(handset.files());
//   handset.set_files(&faulty);
//   faulty.Fail(host::FileOp::kWrite, 3, ENOSPC);  // the third Write from now is refused
#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <optional>

#include "host/files/forwarding_file_system.h"

namespace host {

// The calls of a FileSystem. An Open with O_CREAT counts as kOpenCreate, any other as kOpen.
enum class FileOp {
  kOpen,
  kOpenCreate,
  kClose,
  kRead,
  kWrite,
  kSeek,
  kTruncate,
  kFsync,
  kFstat,
  kStat,
  kChmod,
  kFchmod,
  kFchown,
  kLock,
  kUnlink,
  kRename,
  kLink,
  kRealPath,
};
inline constexpr std::size_t kFileOpCount = static_cast<std::size_t>(FileOp::kRealPath) + 1;

// Whether a chosen fault hits one call or every call from then on.
enum class FaultRepeat { kOnce, kFromThenOn };

class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  // REQUIRES: base outlives this object.
  explicit FaultyFileSystem(FileSystem& base);
  // Takes itself out of the current handset (if installed there), so that the handles still
  // open when it goes are closed through the handset's own file system.
  ~FaultyFileSystem() override;

  // The k-th call of op from now on (k >= 1) fails with -error without reaching the base;
  // with FaultRepeat::kFromThenOn every later one fails as well. Replaces an earlier choice
  // for the same op.
  void Fail(FileOp op, int k, int error = EIO, FaultRepeat repeat = FaultRepeat::kOnce);
  // From now on Reads hand out at most bytes more bytes in all, then report the end of the
  // file: a file that reads shorter than it is.
  void EndReadsAfter(std::size_t bytes);
  // Forgets every chosen fault; the counts go on.
  void Heal();
  // How many calls of op reached this object (failed ones included).
  int Calls(FileOp op) const { return m_calls[Index(op)]; }

  int Open(const std::string& path, int flags, mode_t mode) override;
  int Close(int fd) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  long Seek(int fd, long offset) override;
  int Truncate(int fd, long length) override;
  int Fsync(int fd) override;
  int Fstat(int fd, struct stat* st) override;
  int Stat(const std::string& path, struct stat* st) override;
  int Chmod(const std::string& path, mode_t mode) override;
  int Fchmod(int fd, mode_t mode) override;
  int Fchown(int fd, uid_t owner, gid_t group) override;
  int Lock(int fd) override;
  int Unlink(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Link(const std::string& from, const std::string& to) override;
  int RealPath(const std::string& path, std::string* resolved) override;

 private:
  struct Fault {
    int at = 0;  // the call count at which it strikes
    int error = EIO;
    FaultRepeat repeat = FaultRepeat::kOnce;
  };

  static std::size_t Index(FileOp op) { return static_cast<std::size_t>(op); }
  // Counts the call; the error to report, or 0 to forward it.
  int Strike(FileOp op);

  std::array<int, kFileOpCount> m_calls{};
  std::array<std::optional<Fault>, kFileOpCount> m_faults{};
  std::optional<std::size_t> m_readBudget;
};

}  // namespace host
