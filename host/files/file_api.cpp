// The handset's file calls (platform/windows.h) over the current handset's FileSystem.
//
// Names are resolved inside the handset's root (host/files/handset_path.h).
//
// Windows rules the settings engine relies on: a file without any write permission bit is
// FILE_ATTRIBUTE_READONLY and cannot be opened for writing, truncated or deleted, whoever runs
// the host (root included); folders are not opened as files. Share modes are accepted but not
// enforced.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/kernel/file_system.h"
#include "host/files/handset_path.h"
#include "host/kernel/handset.h"
#include "host/kernel/kernel_object.h"
#include "platform/windows.h"

namespace {

using host::FileSystem;
using host::Handset;
using host::HostFolder;
using host::HandsetPath;

constexpr mode_t kWriteBits = 0222;
constexpr mode_t kOwnerWrite = 0200;
constexpr mode_t kNewFileMode = 0666;  // less the umask, as every program creates files

Handset& Current() { return Handset::Current(); }
FileSystem& Files() { return Handset::Current().files(); }

BOOL Fail(DWORD error) {
  Current().set_last_error(error);
  return FALSE;
}

HANDLE FailHandle(DWORD error) {
  Current().set_last_error(error);
  return INVALID_HANDLE_VALUE;
}

bool IsReadOnly(const struct stat& st) { return (st.st_mode & kWriteBits) == 0; }

// The error a failed host call stands for. EIO is left to the caller, which knows whether it
// was reading or writing.
DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENAMETOOLONG:
    case ELOOP: return ERROR_INVALID_NAME;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EXDEV: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

std::optional<HandsetPath> Resolve(LPCWSTR fileName, DWORD* error) {
  return host::ResolveHandsetPath(Current(), fileName, error);
}

// Resolve for the calls that name a file: a name ending in "\" names none.
std::optional<HandsetPath> ResolveFile(LPCWSTR fileName, DWORD* error) {
  std::optional<HandsetPath> path = Resolve(fileName, error);
  if (path && (path->trailingSeparator || path->name.empty())) {
    *error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  return path;
}

// As ErrorFromErrno, telling a missing folder (ERROR_PATH_NOT_FOUND) from a missing file.
DWORD PathError(int err, const std::string& hostPath) {
  if (err == ENOENT) {
    struct stat st;
    if (Files().Stat(HostFolder(hostPath), &st) < 0 || !S_ISDIR(st.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
  }
  return ErrorFromErrno(err);
}

// An open file. Closing the handle closes the descriptor, through the handset's file system.
class FileObject final : public host::KernelObject {
 public:
  FileObject(int fd, DWORD access) : m_fd(fd), m_access(access) {}
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

 private:
  int m_fd;
  DWORD m_access;
};

// A FindFirstFileW search. Without wildcards it has found its one entry at once.
class SearchObject final : public host::KernelObject {};

FileObject* LookupFile(HANDLE handle) { return Current().LookupHandleAs<FileObject>(handle); }

FILETIME ToFileTime(const struct timespec& t) {
  // FILETIME counts 100 ns from 1601-01-01; the host counts from 1970-01-01.
  constexpr std::int64_t kEpochDifference = 11644473600;
  std::int64_t ticks = (static_cast<std::int64_t>(t.tv_sec) + kEpochDifference) * 10000000 +
                       t.tv_nsec / 100;
  auto value = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

DWORD AttributesOf(const struct stat& st) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// Opens the file for CreateFileW; a descriptor or -errno. *created tells whether the call
// made the file.
int OpenForCreate(const std::string& host, DWORD disposition, int accessFlags, bool* created) {
  *created = false;
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

// Writes the data of the file at host to the disk.
int SyncFile(const std::string& host, int flags) {
  int fd = Files().Open(host, O_RDONLY | flags, 0);
  if (fd < 0) return fd;
  int result = Files().Fsync(fd);
  int closed = Files().Close(fd);
  return result < 0 ? result : closed;
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
  bool created = false;
  int fd = OpenForCreate(path->host, dwCreationDisposition, accessFlags, &created);
  if (fd < 0) return FailHandle(PathError(-fd, path->host));

  struct stat st;
  if (int result = Files().Fstat(fd, &st); result < 0) {
    return Abandon(fd, created, path->host, ErrorFromErrno(-result));
  }
  bool truncate =
      dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  if (S_ISDIR(st.st_mode)) return Abandon(fd, created, path->host, ERROR_ACCESS_DENIED);
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
  return Current().AddHandle(std::make_unique<FileObject>(fd, dwDesiredAccess));
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToRead > 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!file->CanRead()) return Fail(ERROR_ACCESS_DENIED);
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
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  FileObject* file = LookupFile(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToWrite > 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED);
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
  struct stat st;
  if (int result = Files().Fstat(file->fd(), &st); result < 0) {
    Fail(ErrorFromErrno(-result));
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<std::uint64_t>(st.st_size);
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

BOOL DeleteFileW(LPCWSTR lpFileName) {
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = ResolveFile(lpFileName, &error);
  if (!path) return Fail(error);
  struct stat st;
  if (int result = Files().Stat(path->host, &st); result < 0) {
    return Fail(PathError(-result, path->host));
  }
  // Folders are not files; read-only files are kept until their bit is cleared.
  if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
  if (int result = Files().Unlink(path->host); result < 0) {
    return Fail(PathError(-result, path->host));
  }
  return TRUE;
}

BOOL ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName,
                  LPCWSTR lpBackupFileName, DWORD /*dwReplaceFlags*/, LPVOID /*lpExclude*/,
                  LPVOID /*lpReserved*/) {
  if (lpBackupFileName != nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> target = ResolveFile(lpReplacedFileName, &error);
  if (!target) return Fail(error);
  std::optional<HandsetPath> replacement = ResolveFile(lpReplacementFileName, &error);
  if (!replacement) return Fail(error);

  struct stat targetStat;
  if (int result = Files().Stat(target->host, &targetStat); result < 0) {
    return Fail(PathError(-result, target->host));
  }
  struct stat replacementStat;
  if (int result = Files().Stat(replacement->host, &replacementStat); result < 0) {
    return Fail(PathError(-result, replacement->host));
  }
  if (S_ISDIR(targetStat.st_mode) || S_ISDIR(replacementStat.st_mode) || IsReadOnly(targetStat)) {
    return Fail(ERROR_ACCESS_DENIED);
  }

  // The replacement takes the target's permissions and reaches the disk before it takes the
  // target's name, so that after a crash the name holds either the old or the new content.
  int fd = Files().Open(replacement->host, O_RDONLY, 0);
  if (fd < 0) return Fail(PathError(-fd, replacement->host));
  int result = Files().Fchmod(fd, targetStat.st_mode & 07777);
  if (result >= 0) result = Files().Fsync(fd);
  int closed = Files().Close(fd);
  if (result >= 0) result = closed;
  if (result < 0) return Fail(result == -EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(-result));

  if (result = Files().Rename(replacement->host, target->host); result < 0) {
    return Fail(ErrorFromErrno(-result));
  }
  // The new name is lasting only once the folder is on the disk; until then it is a failure.
  if (result = SyncFile(HostFolder(target->host), O_DIRECTORY); result < 0) {
    return Fail(result == -EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(-result));
  }
  return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR lpFileName, WIN32_FIND_DATAW* lpFindFileData) {
  if (lpFindFileData == nullptr) return FailHandle(ERROR_INVALID_PARAMETER);
  if (lpFileName != nullptr &&
      std::u16string_view(lpFileName).find_first_of(u"*?") != std::u16string_view::npos) {
    // Only existence tests of one name are offered; pattern searches are not.
    return FailHandle(ERROR_NOT_SUPPORTED);
  }
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = Resolve(lpFileName, &error);
  if (!path) return FailHandle(error);
  if (path->trailingSeparator || path->name.empty()) return FailHandle(ERROR_FILE_NOT_FOUND);
  struct stat st;
  if (int result = Files().Stat(path->host, &st); result < 0) {
    return FailHandle(PathError(-result, path->host));
  }
  *lpFindFileData = WIN32_FIND_DATAW{};
  lpFindFileData->dwFileAttributes = AttributesOf(st);
  lpFindFileData->ftCreationTime = ToFileTime(st.st_ctim);
  lpFindFileData->ftLastAccessTime = ToFileTime(st.st_atim);
  lpFindFileData->ftLastWriteTime = ToFileTime(st.st_mtim);
  auto size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  lpFindFileData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  lpFindFileData->nFileSizeLow = static_cast<DWORD>(size);
  path->name.copy(lpFindFileData->cFileName, MAX_PATH - 1);
  return Current().AddHandle(std::make_unique<SearchObject>());
}

BOOL FindClose(HANDLE hFindFile) {
  if (Current().LookupHandleAs<SearchObject>(hFindFile) == nullptr) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  return Current().CloseHandle(hFindFile);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = Resolve(lpFileName, &error);
  if (!path) {
    Fail(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (int result = Files().Stat(path->host, &st); result < 0) {
    Fail(PathError(-result, path->host));
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(st);
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = Resolve(lpFileName, &error);
  if (!path) return Fail(error);
  struct stat st;
  if (int result = Files().Stat(path->host, &st); result < 0) {
    return Fail(PathError(-result, path->host));
  }
  // Only the read-only bit maps onto the host: it takes every write bit away; clearing it
  // gives the owner's back. The other bits describe the entry and are not set this way.
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? mode & ~kWriteBits
                  : (mode & kWriteBits) == 0                         ? mode | kOwnerWrite
                                                                     : mode;
  if (wanted == mode) return TRUE;
  if (int result = Files().Chmod(path->host, wanted); result < 0) {
    return Fail(PathError(-result, path->host));
  }
  return TRUE;
}
