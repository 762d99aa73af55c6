// The settings file on disk: loading it whole into memory, and replacing it in one step.
// Shared by the reader, the writer and IniPrepareFile; see docs/settings-file.md.
#pragma once

#include <cstddef>

#include "platform/windows.h"

// The byte-order mark every settings file starts with: FF FE (UTF-16LE).
inline constexpr BYTE kIniMark[2] = {0xFF, 0xFE};

// A settings file read whole into one zero-filled buffer of its size + 2 bytes (+1 when the
// size is odd). The settings text starts after the mark and ends at the first zero code unit,
// so it is always zero-terminated. The object owns the buffer. A file loaded for reading is
// closed once loaded; one loaded for a change (kReadWrite) stays open until the object goes:
// its handle shares reading only, so it keeps every other writer out for the whole
// read-modify-replace (two programs changing the file take turns, and neither loses a change).
// A file of a few hundred bytes, as the application's own, needs no allocation: the buffer
// is then part of the object.
class IniText {
 public:
  enum class Access { kRead, kReadWrite };

  IniText() = default;
  ~IniText();
  IniText(const IniText&) = delete;
  IniText& operator=(const IniText&) = delete;

  // Reads the file at path, opened with the given access (kReadWrite makes a read-only file
  // fail). False when the file cannot be opened, is shorter than 2 bytes, cannot be read
  // whole, the buffer cannot be allocated, or the mark is missing.
  // REQUIRES: nothing is loaded yet.
  bool Load(const WCHAR* path, Access access);

  // The settings text: length() code units, then a zero.
  const WCHAR* text() const { return m_units + 1; }
  WCHAR* text() { return m_units + 1; }
  std::size_t length() const { return m_length; }
  // The file's size in bytes.
  DWORD file_size() const { return m_fileSize; }
  // True when the text fills the file exactly: nothing after a zero code unit and no odd
  // last byte. Only then is mark + text byte for byte the file.
  bool fills_file() const { return m_fileSize == 2 + 2 * m_length; }

 private:
  static constexpr std::size_t kInlineUnits = 512;

  HANDLE m_file = INVALID_HANDLE_VALUE;  // open while a change is under way
  WCHAR* m_units = nullptr;  // the mark, the text, at least one zero
  WCHAR m_inline[kInlineUnits];
  DWORD m_fileSize = 0;
  std::size_t m_length = 0;
};

// One stretch of new file content.
struct IniPiece {
  const void* data;
  std::size_t bytes;
};

// Text pieces, two bytes per code unit.
inline IniPiece IniUnits(const WCHAR* text, std::size_t count) { return {text, 2 * count}; }

// Replaces the file at path by the concatenated pieces, all or nothing: the pieces go to a
// temporary file beside it, created anew (never an existing file, never through a link), which
// is flushed to disk and then takes the file's place (ReplaceFileW keeps the old file's owner
// and permissions). A temporary file that a writer which died left behind is removed first; a
// name that cannot be removed (a folder) is passed over for the next one. With backup, the old
// file keeps a second name there (replacing an older file of that name). On any failure the
// temporary file is deleted, the file at path is unchanged, and the result is false.
// REQUIRES: the file at path exists, and the caller keeps other writers out (an IniText loaded
// for kReadWrite, or a handle of its own opened for writing that shares reading only).
bool IniReplaceFile(const WCHAR* path, const IniPiece* pieces, std::size_t count,
                    const WCHAR* backup = nullptr);
