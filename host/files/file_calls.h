// What the handset's file calls (file_api.cpp, file_names.cpp, file_replace.cpp) share: the
// current handset's file system, the last-error helpers, the mapping of host errors to the
// handset's codes, and the resolving of names.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "host/kernel/file_system.h"
#include "host/files/handset_path.h"
#include "host/kernel/handset.h"
#include "platform/windows.h"

namespace host::file_calls {

inline constexpr mode_t kWriteBits = 0222;
inline constexpr mode_t kOwnerWrite = 0200;
inline constexpr mode_t kNewFileMode = 0666;  // less the umask, as every program creates files

inline Handset& Current() { return Handset::Current(); }
inline FileSystem& Files() { return Handset::Current().files(); }

// Sets the last error and gives the failure result.
BOOL Fail(DWORD error);
HANDLE FailHandle(DWORD error);

// A file without any write bit is the handset's read-only file.
inline bool IsReadOnly(const struct stat& st) { return (st.st_mode & kWriteBits) == 0; }

// The error a failed host call stands for. EIO is left to the caller, which knows whether it
// was reading or writing.
DWORD ErrorFromErrno(int err);
// As ErrorFromErrno, but an EIO is a write fault.
DWORD WriteError(int err);
// As ErrorFromErrno, telling a missing folder (ERROR_PATH_NOT_FOUND) from a missing file.
DWORD PathError(int err, const std::string& hostPath);

// The handset name resolved inside the root; nullopt with *error set.
std::optional<HandsetPath> Resolve(LPCWSTR fileName, DWORD* error);
// Resolve for the calls that name a file: a name ending in "\" names none.
std::optional<HandsetPath> ResolveFile(LPCWSTR fileName, DWORD* error);

// Writes the data of the file (or, with O_DIRECTORY, the folder) at host to the disk.
int SyncFile(const std::string& host, int flags);

}  // namespace host::file_calls
