// IniPrepareFile: makes sure a settings file with the byte-order mark exists before anything
// reads or writes it.
#include <new>

#include "platform/wstring.h"
#include "settings/ini.h"
#include "settings/ini_file.h"

namespace {

// The extension, from the last ".", is ".ini" in any letter case.
bool HasIniExtension(const WCHAR* path) {
  const WCHAR* dot = wcsrchr(path, u'.');
  if (dot == nullptr || wcslen(dot) != 4) return false;
  WCHAR extension[5];
  wcscpy(extension, dot);
  return wcscmp(_wcsupr(extension), u".INI") == 0;
}

bool Exists(const WCHAR* path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

enum class Start { kMark, kOther, kUnknown };

// How the open file starts. kOther only when its first bytes were read and are not the mark,
// or the file is shorter than 2 bytes; kUnknown when it cannot be read.
Start ReadStart(HANDLE file) {
  BYTE start[2] = {0, 0};
  DWORD done = 0;
  while (done < 2) {
    DWORD got = 0;
    if (!ReadFile(file, start + done, 2 - done, &got, nullptr)) return Start::kUnknown;
    if (got == 0) break;  // the end of a file shorter than 2 bytes
    done += got;
  }
  if (done == 2 && start[0] == kIniMark[0] && start[1] == kIniMark[1]) return Start::kMark;
  return Start::kOther;
}

Start ReadStart(const WCHAR* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Start::kUnknown;
  Start start = ReadStart(file);
  CloseHandle(file);
  return start;
}

// Replaces a file that is no settings file by one holding the mark alone, in one step. The
// old content is not thrown away: unless the file was empty it stays beside, as path +
// ".invalid" (replacing an older one), for the user to convert (docs/settings-file.md).
int ReplaceInvalid(const WCHAR* path) {
  // Opened for writing, sharing reading only: no other writer is at work meanwhile, and
  // another preparing program, which may have been first, is seen.
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int result = 0;
  switch (ReadStart(file)) {
    case Start::kMark:
      result = 1;
      break;
    case Start::kUnknown:
      break;
    case Start::kOther: {
      static constexpr WCHAR kInvalid[] = u".invalid";
      WCHAR* backup = new (std::nothrow) WCHAR[wcslen(path) + sizeof kInvalid / sizeof(WCHAR)];
      if (backup == nullptr) break;
      wcscpy(backup, path);
      wcscat(backup, kInvalid);
      bool keep = GetFileSize(file, nullptr) != 0;
      IniPiece mark{kIniMark, 2};
      result = IniReplaceFile(path, &mark, 1, keep ? backup : nullptr) ? 1 : 0;
      if (result == 1 && keep) {
        NKDbgPrintfW(u"[Ini] %s has no FF FE mark and is no settings file; moved aside to %s\n",
                     path, backup);
      }
      delete[] backup;
      break;
    }
  }
  CloseHandle(file);
  return result;
}

}  // namespace

int IniPrepareFile(const WCHAR* path) {
  if (path == nullptr || wcslen(path) < 5) return 0;
  if (!HasIniExtension(path)) return 0;

  const WCHAR* slash = wcsrchr(path, u'\\');
  if (slash == nullptr) return 0;
  // The directory part must fit a path buffer of MAX_PATH code units with its terminator;
  // a longer one is refused rather than cut.
  std::size_t directoryLength = static_cast<std::size_t>(slash - path);
  if (directoryLength >= MAX_PATH) return 0;
  if (directoryLength > 0) {
    WCHAR directory[MAX_PATH] = {};
    wcsncpy(directory, path, directoryLength);
    if (!Exists(directory)) return 0;
  }

  if (Exists(path)) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    switch (ReadStart(path)) {
      case Start::kMark:
        return 1;
      case Start::kUnknown:
        // A file that cannot be opened or read may well hold good settings: it is kept.
        return 0;
      case Start::kOther:
        // Not a settings file (too short, or other text): replaced by an empty one.
        return ReplaceInvalid(path);
    }
  }

  // A new file. Created only when no file of the name exists (a file another program created
  // meanwhile is then prepared as found); a crash before the mark is written leaves a file
  // shorter than 2 bytes, which the next call replaces.
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    return ReadStart(path) == Start::kMark ? 1 : ReplaceInvalid(path);
  }
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = WriteFile(file, kIniMark, 2, &written, nullptr) && written == 2;
  ok = CloseHandle(file) && ok;
  return ok ? 1 : 0;
}
