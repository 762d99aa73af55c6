#include "settings/ini_file.h"

#include <bit>
#include <cstring>
#include <new>

#include "platform/wstring.h"

// The buffer holds the file's bytes as they are; reading them as code units needs the
// handset's byte order.
static_assert(std::endian::native == std::endian::little);

namespace {

// Files past this size are not settings files; it also keeps the size arithmetic in range.
constexpr DWORD kMaxFileSize = 0x7FFFFFF0;

// Reads exactly size bytes, going on after short reads. A failure, or the end of the file
// before size bytes, gives false: a partly read file must never pass for the whole file,
// since a rewrite from it would lose the rest.
bool ReadAll(HANDLE file, BYTE* buffer, DWORD size) {
  DWORD done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!ReadFile(file, buffer + done, size - done, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

// Writes exactly size bytes, going on after short writes.
bool WriteAll(HANDLE file, const void* data, std::size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  while (size > 0) {
    DWORD chunk = size > kMaxFileSize ? kMaxFileSize : static_cast<DWORD>(size);
    DWORD put = 0;
    if (!WriteFile(file, bytes, chunk, &put, nullptr) || put == 0) return false;
    bytes += put;
    size -= put;
  }
  return true;
}

// The number of code units before the first zero. Takes the lowest code unit of each block
// without a branch per unit, which the compiler turns into vector instructions: a large file
// is measured many times faster than by wcslen.
// REQUIRES: text[count - 1] is zero.
std::size_t TextLength(const WCHAR* text, std::size_t count) {
  constexpr std::size_t kBlock = 32;
  std::size_t at = 0;
  for (; at + kBlock <= count; at += kBlock) {
    WCHAR lowest = text[at];
    for (std::size_t i = 1; i < kBlock; ++i) lowest = text[at + i] < lowest ? text[at + i] : lowest;
    if (lowest == 0) break;
  }
  while (text[at] != 0) ++at;
  return at;
}

}  // namespace

IniText::~IniText() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  if (m_units != m_inline) delete[] m_units;
}

bool IniText::Load(const WCHAR* path, Access access) {
  DWORD rights = access == Access::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  HANDLE file = CreateFileW(path, rights, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;

  DWORD size = GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE || size < 2 || size > kMaxFileSize) {
    CloseHandle(file);
    return false;
  }
  // size + 2 bytes, one more when odd: the mark, the text and at least one zero code unit.
  std::size_t units = (static_cast<std::size_t>(size) + 1) / 2 + 1;
  if (units <= kInlineUnits) {
    m_units = m_inline;
    std::memset(m_inline, 0, units * sizeof(WCHAR));
  } else {
    m_units = new (std::nothrow) WCHAR[units]();
  }
  if (m_units == nullptr) {
    CloseHandle(file);
    return false;
  }
  bool read = ReadAll(file, reinterpret_cast<BYTE*>(m_units), size);
  if (!read || std::memcmp(m_units, kIniMark, 2) != 0 || access == Access::kRead) {
    CloseHandle(file);
    if (!read || std::memcmp(m_units, kIniMark, 2) != 0) return false;
  } else {
    m_file = file;
  }

  m_fileSize = size;
  m_length = TextLength(text(), units - 1);
  return true;
}

namespace {

// The names a temporary file may take: "config.ini.tmp", then "config.ini.1.tmp" and on.
constexpr int kTempNames = 8;

// Creates a new temporary file beside path under a name of its own; its handle, or
// INVALID_HANDLE_VALUE. *temp receives the name.
HANDLE CreateTemporary(const WCHAR* path, WCHAR* temp) {
  for (int i = 0; i < kTempNames; ++i) {
    wcscpy(temp, path);
    if (i == 0) {
      wcscat(temp, u".tmp");
    } else {
      WCHAR number[16];
      swprintf(number, 16, u".%d.tmp", i);
      wcscat(temp, number);
    }
    // A file of this name can only be left over from a writer that died: whoever changes the
    // file holds it open for writing, so no other writer is at work. It goes; a name that
    // cannot go (a folder, a link that leads nowhere) is passed over.
    for (int attempt = 0; attempt < 2; ++attempt) {
      HANDLE file = CreateFileW(temp, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) return file;
      if (GetLastError() != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
      if (attempt > 0 || !DeleteFileW(temp)) break;
    }
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool IniReplaceFile(const WCHAR* path, const IniPiece* pieces, std::size_t count,
                    const WCHAR* backup) {
  // The temporary file lies beside the settings file, so the replace stays on one disk.
  static constexpr std::size_t kSuffixUnits = 16;
  std::size_t pathLength = wcslen(path);
  WCHAR* temp = new (std::nothrow) WCHAR[pathLength + kSuffixUnits];
  if (temp == nullptr) return false;

  bool done = false;
  HANDLE file = CreateTemporary(path, temp);
  if (file != INVALID_HANDLE_VALUE) {
    bool written = true;
    for (std::size_t i = 0; i < count && written; ++i) {
      written = WriteAll(file, pieces[i].data, pieces[i].bytes);
    }
    // The data must be on the disk before the new file takes the old one's place.
    written = written && FlushFileBuffers(file);
    written = CloseHandle(file) && written;
    done = written && ReplaceFileW(path, temp, backup, REPLACEFILE_WRITE_THROUGH, nullptr,
                                   nullptr);
    if (!done) DeleteFileW(temp);
  }
  delete[] temp;
  return done;
}
