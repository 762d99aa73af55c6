#include "host/files/faulty_file_system.h"

#include <fcntl.h>

#include <algorithm>

#include "host/kernel/handset.h"

namespace host {

FaultyFileSystem::FaultyFileSystem(FileSystem& base) : ForwardingFileSystem(base) {}

FaultyFileSystem::~FaultyFileSystem() {
  Handset* handset = Handset::CurrentOrNull();
  if (handset != nullptr && &handset->files() == this) handset->set_files(nullptr);
}

void FaultyFileSystem::Fail(FileOp op, int k, int error, FaultRepeat repeat) {
  m_faults[Index(op)] = Fault{m_calls[Index(op)] + std::max(k, 1), error, repeat};
}

void FaultyFileSystem::EndReadsAfter(std::size_t bytes) { m_readBudget = bytes; }

void FaultyFileSystem::Heal() {
  m_faults.fill(std::nullopt);
  m_readBudget.reset();
}

int FaultyFileSystem::Strike(FileOp op) {
  int count = ++m_calls[Index(op)];
  const std::optional<Fault>& fault = m_faults[Index(op)];
  if (!fault) return 0;
  bool strikes = fault->repeat == FaultRepeat::kOnce ? count == fault->at : count >= fault->at;
  return strikes ? fault->error : 0;
}

int FaultyFileSystem::Open(const std::string& path, int flags, mode_t mode) {
  if (int error = Strike((flags & O_CREAT) != 0 ? FileOp::kOpenCreate : FileOp::kOpen)) {
    return -error;
  }
  return base().Open(path, flags, mode);
}

int FaultyFileSystem::Close(int fd) {
  // The descriptor is given back even when the close is reported as failed, as close(2) does.
  int error = Strike(FileOp::kClose);
  int result = base().Close(fd);
  return error != 0 ? -error : result;
}

long FaultyFileSystem::Read(int fd, void* buffer, std::size_t size) {
  if (int error = Strike(FileOp::kRead)) return -error;
  if (m_readBudget) size = std::min(size, *m_readBudget);
  long result = base().Read(fd, buffer, size);
  if (m_readBudget && result > 0) *m_readBudget -= static_cast<std::size_t>(result);
  return result;
}

long FaultyFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  if (int error = Strike(FileOp::kWrite)) return -error;
  return base().Write(fd, buffer, size);
}

long FaultyFileSystem::Seek(int fd, long offset) {
  if (int error = Strike(FileOp::kSeek)) return -error;
  return base().Seek(fd, offset);
}

int FaultyFileSystem::Truncate(int fd, long length) {
  if (int error = Strike(FileOp::kTruncate)) return -error;
  return base().Truncate(fd, length);
}

int FaultyFileSystem::Fsync(int fd) {
  if (int error = Strike(FileOp::kFsync)) return -error;
  return base().Fsync(fd);
}

int FaultyFileSystem::Fstat(int fd, struct stat* st) {
  if (int error = Strike(FileOp::kFstat)) return -error;
  return base().Fstat(fd, st);
}

int FaultyFileSystem::Stat(const std::string& path, struct stat* st) {
  if (int error = Strike(FileOp::kStat)) return -error;
  return base().Stat(path, st);
}

int FaultyFileSystem::Chmod(const std::string& path, mode_t mode) {
  if (int error = Strike(FileOp::kChmod)) return -error;
  return base().Chmod(path, mode);
}

int FaultyFileSystem::Fchmod(int fd, mode_t mode) {
  if (int error = Strike(FileOp::kFchmod)) return -error;
  return base().Fchmod(fd, mode);
}

int FaultyFileSystem::Fchown(int fd, uid_t owner, gid_t group) {
  if (int error = Strike(FileOp::kFchown)) return -error;
  return base().Fchown(fd, owner, group);
}

int FaultyFileSystem::Lock(int fd) {
  if (int error = Strike(FileOp::kLock)) return -error;
  return base().Lock(fd);
}

int FaultyFileSystem::Unlink(const std::string& path) {
  if (int error = Strike(FileOp::kUnlink)) return -error;
  return base().Unlink(path);
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int error = Strike(FileOp::kRename)) return -error;
  return base().Rename(from, to);
}

int FaultyFileSystem::Link(const std::string& from, const std::string& to) {
  if (int error = Strike(FileOp::kLink)) return -error;
  return base().Link(from, to);
}

int FaultyFileSystem::RealPath(const std::string& path, std::string* resolved) {
  if (int error = Strike(FileOp::kRealPath)) return -error;
  return base().RealPath(path, resolved);
}

}  // namespace host
