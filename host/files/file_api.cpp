// The handset's calls on open files (platform/windows.h) over the current handset's FileSystem:
// CreateFileW and what works on its handles. Names are resolved inside the handset's root
// (host/files/handset_path.h); the calls on names are in file_names.cpp and file_replace.cpp.
//
// Windows rules the settings engine relies on: a file without any write permission bit is
// FILE_ATTRIBUTE_READONLY and cannot be opened for writing, truncated or deleted, whoever runs
// the host (root included); only regular files are opened (a folder, a FIFO or a device node
// is refused at once, never waited for).
//
// Share modes: a handle with write access that does not share writing (no FILE_SHARE_WRITE)
// holds an exclusive advisory lock (flock) on its file for as long as it is open. Where the
// handset would refuse a second such open with a sharing violation, the host waits for the
// first to be closed, so that two programs changing one settings file take turns. After the
// wait the open checks that the name still leads to the file it locked (the writer before it
// may have replaced the file) and opens the name afresh if not. Reading shares are not enforced;
// a handle that only reads and shares no writing, during which the handset lets nobody write
// the file, keeps the size its open saw for GetFileSize.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/files/file_calls.h"
#include "host/kernel/kernel_object.h"
#include "platform/windows.h"

namespace {

using namespace host::file_calls;
using host::Handset;
using host::HandsetPath;

// How often an open that waited for the lock opens the name afresh because the file it locked
// was replaced meanwhile; each round means another writer has finished its change.
constexpr int kMaxLockRounds = 64;

// An open file. Closing the handle closes the descriptor, through the handset's file system.
class FileObject final : public host::KernelObject {
 public:
  // fixedSize: the file's size when no handle may change it while this one is open.
  FileObject(int fd, DWORD access, std::optional<std::uint64_t> fixedSize)
      : m_fd(fd), m_access(access), m_fixedSize(fixedSize) {}
  ~FileObject() override {
    // A handle nobody closed: the handset is going away.
    if (m_fd >= 0 && Handset::CurrentOrNull() != nullptr) Files().Close(m_fd);
  }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  BOOL Close() override {
    int result = Files().Close(m_fd);
    m_fd = -1;
    return result < 0 ? Fail(ErrorFromErrno(-result)) : TRUE;
  }

  int fd() const { return m_fd; }
  bool CanRead() const { return (m_access & GENERIC_READ) != 0; }
  bool CanWrite() const { return (m_access & GENERIC_WRITE) != 0; }
  const std::optional<std::uint64_t>& fixed_size() const { return m_fixedSize; }

 private:
  int m_fd;
  DWORD m_access;
  std::optional<std::uint64_t> m_fixedSize;
};

FileObject* LookupFile(HANDLE handle) { return Current().LookupHandleAs<FileObject>(handle); }

// Opens the file for CreateFileW; a descriptor or -errno. *created tells whether the call
// made the file. O_NONBLOCK keeps an open of a FIFO from waiting for its other end; it changes
// nothing for regular files.
int OpenForCreate(const std::string& host, DWORD disposition, int accessFlags, bool* created) {
  *created = false;
  accessFlags |= O_NONBLOCK | O_NOCTTY;
  if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
    return Files().Open(host, accessFlags, 0);
  }
  // A file that vanishes between the two opens is created on the next round.
  for (int round = 0;; ++round) {
    int fd = Files().Open(host, accessFlags | O_CREAT | O_EXCL, kNewFileMode);
    if (fd >= 0) {
      *created = true;
      return fd;
    }
    if (fd != -EEXIST || disposition == CREATE_NEW) return fd;
    fd = Files().Open(host, accessFlags, 0);
    if (fd != -ENOENT || round == 2) return fd;
  }
}

// Gives back a descriptor CreateFileW will not hand out, removing the file it made.
HANDLE Abandon(int fd, bool created, const std::string& host, DWORD error) {
  Files().Close(fd);
  if (created) Files().Unlink(host);
  return FailHandle(error);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

struct Opened {
  int fd = -1;
  bool created = false;
  struct stat st {};
};

// Opens the name and, for a handle that keeps writers out, takes the file's lock: a descriptor
// of the file the name leads to once the lock is held. -errno on failure; -EISDIR for a folder,
// -EINVAL for anything else that is no regular file.
int OpenLocked(const std::string& host, DWORD disposition, int accessFlags, bool lock,
               Opened* opened) {
  for (int round = 0;; ++round) {
    opened->fd = OpenForCreate(host, disposition, accessFlags, &opened->created);
    if (opened->fd < 0) return opened->fd;
    int result = Files().Fstat(opened->fd, &opened->st);
    if (result >= 0 && !S_ISREG(opened->st.st_mode)) {
      result = S_ISDIR(opened->st.st_mode) ? -EISDIR : -EINVAL;
    }
    if (result >= 0 && lock) result = Files().Lock(opened->fd);
    if (result < 0 || !lock || opened->created) return result;
    // The lock is held; the file may have changed, or been replaced, while the open waited.
    struct stat named;
    result = Files().Fstat(opened->fd, &opened->st);
    if (result >= 0) result = Files().Stat(host, &named);
    if (result < 0 || SameFile(named, opened->st) || round == kMaxLockRounds) return result;
    Files().Close(opened->fd);
  }
}

enum class Transfer { kRead, kWrite };

// The open file a ReadFile or WriteFile call names, its arguments checked (the count done set
// to 0 first); null with the last error set when the call must fail.
FileObject* TransferFile(Transfer transfer, HANDLE hFile, const void* buffer, DWORD count,
                         DWORD* done, OVERLAPPED* overlapped) {
  if (done != nullptr) *done = 0;
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (overlapped != nullptr || (buffer == nullptr && count > 0)) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (!(transfer == Transfer::kRead ? file->CanRead() : file->CanWrite())) {
    Fail(ERROR_ACCESS_DENIED);
  } else {
    return file;
  }
  return nullptr;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE /*hTemplateFile*/) {
  if (lpFileName == nullptr) return FailHandle(ERROR_INVALID_PARAMETER);
  std::u16string_view name(lpFileName);
  if (!name.empty() && name.back() == u':') {
    return Current().OpenDevice(name, dwDesiredAccess, dwShareMode);
  }
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    return FailHandle(ERROR_INVALID_PARAMETER);
  }
  bool write = (dwDesiredAccess & GENERIC_WRITE) != 0;
  bool read = (dwDesiredAccess & GENERIC_READ) != 0;
  if (dwCreationDisposition == TRUNCATE_EXISTING && !write) {
    return FailHandle(ERROR_INVALID_PARAMETER);
  }
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = ResolveFile(lpFileName, &error);
  if (!path) return FailHandle(error);

  int accessFlags = write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
  bool lock = write && (dwShareMode & FILE_SHARE_WRITE) == 0;
  Opened opened;
  if (int result = OpenLocked(path->host, dwCreationDisposition, accessFlags, lock, &opened);
      result < 0) {
    if (opened.fd < 0) return FailHandle(PathError(-result, path->host));
    DWORD code = result == -EISDIR || result == -EINVAL ? ERROR_ACCESS_DENIED
                                                          : ErrorFromErrno(-result);
    return Abandon(opened.fd, opened.created, path->host, code);
  }
  int fd = opened.fd;
  bool created = opened.created;
  const struct stat& st = opened.st;
  bool truncate =
      dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  // Root may write anything on the host; the handset refuses a read-only file to everyone.
  if (!created && IsReadOnly(st) && (write || truncate)) {
    return Abandon(fd, created, path->host, ERROR_ACCESS_DENIED);
  }
  if (!created && truncate) {
    if (int result = Files().Truncate(fd, 0); result < 0) {
      return Abandon(fd, created, path->host, ErrorFromErrno(-result));
    }
  }
  if (created && (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    // The new file is read-only from now on; this handle may still write it.
    if (int result = Files().Fchmod(fd, st.st_mode & ~kWriteBits & 07777); result < 0) {
      return Abandon(fd, created, path->host, ErrorFromErrno(-result));
    }
  }
  bool mayExist =
      dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  Current().set_last_error(!created && mayExist ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  // A handle that only reads and shares no writing: while it is open the handset refuses every
  // open for writing (a sharing violation), so the file keeps the size it has now, and
  // GetFileSize needs no second fstat. (Writers of this system replace the file instead.)
  std::optional<std::uint64_t> fixedSize;
  if (!write && (dwShareMode & FILE_SHARE_WRITE) == 0) {
    fixedSize = static_cast<std::uint64_t>(st.st_size);
  }
  return Current().AddHandle(std::make_unique<FileObject>(fd, dwDesiredAccess, fixedSize));
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) {
  FileObject* file = TransferFile(Transfer::kRead, hFile, lpBuffer, nNumberOfBytesToRead,
                                  lpNumberOfBytesRead, lpOverlapped);
  if (file == nullptr) return FALSE;
  auto* bytes = static_cast<unsigned char*>(lpBuffer);
  DWORD done = 0;
  // The call reads until the count is reached or the file ends, as on the handset.
  while (done < nNumberOfBytesToRead) {
    long result = Files().Read(file->fd(), bytes + done, nNumberOfBytesToRead - done);
    if (result == 0) break;
    if (result < 0) {
      if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
      return Fail(-result == EIO ? ERROR_READ_FAULT : ErrorFromErrno(static_cast<int>(-result)));
    }
    done += static_cast<DWORD>(result);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) {
  FileObject* file = TransferFile(Transfer::kWrite, hFile, lpBuffer, nNumberOfBytesToWrite,
                                  lpNumberOfBytesWritten, lpOverlapped);
  if (file == nullptr) return FALSE;
  const auto* bytes = static_cast<const unsigned char*>(lpBuffer);
  DWORD done = 0;
  // Even a write of 0 bytes is one call to the file system.
  do {
    long result = Files().Write(file->fd(), bytes + done, nNumberOfBytesToWrite - done);
    if (result < 0 || (result == 0 && nNumberOfBytesToWrite > 0)) {
      if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
      int err = result == 0 ? EIO : static_cast<int>(-result);
      return Fail(err == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(err));
    }
    done += static_cast<DWORD>(result);
  } while (done < nNumberOfBytesToWrite);
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
  return TRUE;
}

DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  std::uint64_t size;
  if (file->fixed_size()) {
    size = *file->fixed_size();
  } else {
    struct stat st;
    if (int result = Files().Fstat(file->fd(), &st); result < 0) {
      Fail(ErrorFromErrno(-result));
      return INVALID_FILE_SIZE;
    }
    size = static_cast<std::uint64_t>(st.st_size);
  }
  if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  auto low = static_cast<DWORD>(size);
  // A size whose low part looks like the failure value is told apart by the last error.
  if (low == INVALID_FILE_SIZE) Current().set_last_error(ERROR_SUCCESS);
  return low;
}

BOOL SetEndOfFile(HANDLE hFile) {
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED);
  long position = Files().Seek(file->fd(), -1);
  if (position < 0) return Fail(ErrorFromErrno(static_cast<int>(-position)));
  if (int result = Files().Truncate(file->fd(), position); result < 0) {
    return Fail(ErrorFromErrno(-result));
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED);
  if (int result = Files().Fsync(file->fd()); result < 0) {
    return Fail(result == -EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(-result));
  }
  return TRUE;
}

