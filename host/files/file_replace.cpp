// ReplaceFileW (platform/windows.h): puts a new file in the place of an old one in one step,
// over the current handset's FileSystem.
//
// The replacement takes the old file's owner, group and permissions and reaches the disk before
// it takes the old file's name, so that after a crash the name holds either the old or the new
// content, never a mix. A name that is a symbolic link keeps its link: the file the link leads to
// is replaced, in that file's own folder (the replacement is moved there first). A hard link
// cannot survive the replace: the other names keep the old content.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "host/files/file_calls.h"
#include "platform/windows.h"

namespace {

using namespace host::file_calls;
using host::HandsetPath;
using host::HostFolder;

// How many names beside the target a replacement that lies elsewhere may try.
constexpr int kMoveNames = 16;

std::string LastPart(const std::string& hostPath) {
  return hostPath.substr(hostPath.rfind('/') + 1);
}

// The file the host path names, with links followed: the path itself when its last part is no
// link. *destination is set; -errno on failure.
int FileNamed(const std::string& path, std::string* destination) {
  std::string real;
  std::string folder;
  if (int result = Files().RealPath(path, &real); result < 0) return result;
  if (int result = Files().RealPath(HostFolder(path), &folder); result < 0) return result;
  if (folder.back() != '/') folder += '/';
  *destination = real == folder + LastPart(path) ? path : real;
  return 0;
}

// Copies the file at from into a new file at to (never an existing one) and syncs it.
int CopyInto(const std::string& from, const std::string& to) {
  int in = Files().Open(from, O_RDONLY, 0);
  if (in < 0) return in;
  int out = Files().Open(to, O_WRONLY | O_CREAT | O_EXCL, kNewFileMode);
  if (out < 0) {
    Files().Close(in);
    return out;
  }
  char buffer[1 << 16];
  long result = 0;
  while ((result = Files().Read(in, buffer, sizeof buffer)) > 0) {
    for (long done = 0; done < result && result > 0;) {
      long put = Files().Write(out, buffer + done, static_cast<std::size_t>(result - done));
      if (put <= 0) result = put == 0 ? -EIO : put;
      else done += put;
    }
  }
  if (result >= 0) result = Files().Fsync(out);
  Files().Close(in);
  int closed = Files().Close(out);
  if (result >= 0) result = closed;
  if (result < 0) Files().Unlink(to);
  return static_cast<int>(result);
}

// Gives the replacement a new name in the folder of destination (a link, or a copy when the
// two lie on different file systems) and removes the old name. *moved is the new name.
int MoveBeside(const std::string& replacement, const std::string& destination,
               std::string* moved) {
  for (int i = 0; i < kMoveNames; ++i) {
    std::string name = destination + "." + std::to_string(i) + ".new";
    int result = Files().Link(replacement, name);
    if (result == -EXDEV || result == -EPERM) result = CopyInto(replacement, name);
    if (result == -EEXIST) continue;
    if (result < 0) return result;
    Files().Unlink(replacement);
    *moved = name;
    return 0;
  }
  return -EEXIST;
}

// The replacement takes the owner and group (as far as the host permits: a user who is not
// root keeps the file, and gives it the group when a member of it) and the permissions of the
// old file, and reaches the disk.
int TakeOver(const std::string& replacement, const struct stat& old) {
  int fd = Files().Open(replacement, O_RDONLY, 0);
  if (fd < 0) return fd;
  if (Files().Fchown(fd, old.st_uid, old.st_gid) < 0) {
    Files().Fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  // After the owner: a change of owner may clear the set-id bits.
  int result = Files().Fchmod(fd, old.st_mode & 07777);
  if (result >= 0) result = Files().Fsync(fd);
  int closed = Files().Close(fd);
  return result < 0 ? result : closed;
}

// A second name for the old file at backup, replacing an older backup.
int KeepBackup(const std::string& old, const std::string& backup) {
  int result = Files().Unlink(backup);
  if (result < 0 && result != -ENOENT) return result;
  return Files().Link(old, backup);
}

}  // namespace

BOOL ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName,
                  LPCWSTR lpBackupFileName, DWORD /*dwReplaceFlags*/, LPVOID /*lpExclude*/,
                  LPVOID /*lpReserved*/) {
  DWORD error = ERROR_SUCCESS;
  std::optional<HandsetPath> target = ResolveFile(lpReplacedFileName, &error);
  if (!target) return Fail(error);
  std::optional<HandsetPath> replacement = ResolveFile(lpReplacementFileName, &error);
  if (!replacement) return Fail(error);
  std::optional<HandsetPath> backup;
  if (lpBackupFileName != nullptr) {
    backup = ResolveFile(lpBackupFileName, &error);
    if (!backup) return Fail(error);
  }

  struct stat targetStat;
  if (int result = Files().Stat(target->host, &targetStat); result < 0) {
    return Fail(PathError(-result, target->host));
  }
  struct stat replacementStat;
  if (int result = Files().Stat(replacement->host, &replacementStat); result < 0) {
    return Fail(PathError(-result, replacement->host));
  }
  if (!S_ISREG(targetStat.st_mode) || !S_ISREG(replacementStat.st_mode) ||
      IsReadOnly(targetStat)) {
    return Fail(ERROR_ACCESS_DENIED);
  }

  std::string destination;
  if (int result = FileNamed(target->host, &destination); result < 0) {
    return Fail(PathError(-result, target->host));
  }
  std::string source = replacement->host;
  std::string sourceFolder;
  std::string destinationFolder;
  int result = Files().RealPath(HostFolder(source), &sourceFolder);
  if (result >= 0) result = Files().RealPath(HostFolder(destination), &destinationFolder);
  if (result >= 0 && sourceFolder != destinationFolder) {
    result = MoveBeside(replacement->host, destination, &source);
  }
  if (result < 0) return Fail(WriteError(-result));

  // From here on a failure leaves a moved replacement behind unless it is removed.
  auto failMoved = [&](int err) {
    if (source != replacement->host) Files().Unlink(source);
    return Fail(WriteError(err));
  };
  if (result = TakeOver(source, targetStat); result < 0) return failMoved(-result);
  if (backup) {
    if (result = KeepBackup(destination, backup->host); result < 0) return failMoved(-result);
  }
  if (result = Files().Rename(source, destination); result < 0) return failMoved(-result);
  // The new name is lasting only once the folder is on the disk; until then it is a failure.
  if (result = SyncFile(HostFolder(destination), O_DIRECTORY); result < 0) {
    return Fail(WriteError(-result));
  }
  if (backup && HostFolder(backup->host) != HostFolder(destination)) {
    if (result = SyncFile(HostFolder(backup->host), O_DIRECTORY); result < 0) {
      return Fail(WriteError(-result));
    }
  }
  return TRUE;
}
