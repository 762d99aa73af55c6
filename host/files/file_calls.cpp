#include "host/files/file_calls.h"

#include <fcntl.h>

#include <cerrno>

namespace host::file_calls {

BOOL Fail(DWORD error) {
  Current().set_last_error(error);
  return FALSE;
}

HANDLE FailHandle(DWORD error) {
  Current().set_last_error(error);
  return INVALID_HANDLE_VALUE;
}

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

DWORD WriteError(int err) { return err == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(err); }

DWORD PathError(int err, const std::string& hostPath) {
  if (err == ENOENT) {
    struct stat st;
    if (Files().Stat(HostFolder(hostPath), &st) < 0 || !S_ISDIR(st.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
  }
  return ErrorFromErrno(err);
}

std::optional<HandsetPath> Resolve(LPCWSTR fileName, DWORD* error) {
  return ResolveHandsetPath(Current(), fileName, error);
}

std::optional<HandsetPath> ResolveFile(LPCWSTR fileName, DWORD* error) {
  std::optional<HandsetPath> path = Resolve(fileName, error);
  if (path && (path->trailingSeparator || path->name.empty())) {
    *error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  return path;
}

int SyncFile(const std::string& host, int flags) {
  int fd = Files().Open(host, O_RDONLY | flags, 0);
  if (fd < 0) return fd;
  int result = Files().Fsync(fd);
  int closed = Files().Close(fd);
  return result < 0 ? result : closed;
}

}  // namespace host::file_calls
