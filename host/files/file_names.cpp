// The handset's calls on file names (platform/windows.h): existence tests, attributes and
// deleting, over the current handset's FileSystem. Names are resolved inside the handset's root.
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "host/files/file_calls.h"
#include "host/kernel/kernel_object.h"
#include "platform/windows.h"

namespace {

using namespace host::file_calls;
using host::HandsetPath;

// A FindFirstFileW search. Without wildcards it has found its one entry at once.
class SearchObject final : public host::KernelObject {};

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

// A name, resolved as resolve does it, and its entry's status.
struct Entry {
  HandsetPath path;
  struct stat st;
};

// The named entry; empty with the call's error in error when the name does not resolve or the
// entry cannot be looked at.
std::optional<Entry> StatName(LPCWSTR name,
                              std::optional<HandsetPath> (*resolve)(LPCWSTR, DWORD*),
                              DWORD& error) {
  error = ERROR_SUCCESS;
  std::optional<HandsetPath> path = resolve(name, &error);
  if (!path) return std::nullopt;
  Entry entry{std::move(*path), {}};
  if (int result = Files().Stat(entry.path.host, &entry.st); result < 0) {
    error = PathError(-result, entry.path.host);
    return std::nullopt;
  }
  return entry;
}

}  // namespace

BOOL DeleteFileW(LPCWSTR lpFileName) {
  DWORD error;
  std::optional<Entry> entry = StatName(lpFileName, ResolveFile, error);
  if (!entry) return Fail(error);
  // Folders are not files; read-only files are kept until their bit is cleared.
  if (S_ISDIR(entry->st.st_mode) || IsReadOnly(entry->st)) return Fail(ERROR_ACCESS_DENIED);
  if (int result = Files().Unlink(entry->path.host); result < 0) {
    return Fail(PathError(-result, entry->path.host));
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
  DWORD error;
  std::optional<Entry> entry = StatName(lpFileName, Resolve, error);
  if (!entry) {
    Fail(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(entry->st);
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  DWORD error;
  std::optional<Entry> entry = StatName(lpFileName, Resolve, error);
  if (!entry) return Fail(error);
  const std::string& host = entry->path.host;
  // Only the read-only bit maps onto the host: it takes every write bit away; clearing it
  // gives the owner's back. The other bits describe the entry and are not set this way.
  mode_t mode = entry->st.st_mode & 07777;
  mode_t wanted = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? mode & ~kWriteBits
                  : (mode & kWriteBits) == 0                         ? mode | kOwnerWrite
                                                                     : mode;
  if (wanted == mode) return TRUE;
  if (int result = Files().Chmod(host, wanted); result < 0) return Fail(PathError(-result, host));
  return TRUE;
}
