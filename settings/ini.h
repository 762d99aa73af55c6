// The settings file engine: five stateless functions over a UTF-16LE INI file.
// The file format and the lookup rules are described in docs/settings-file.md.
//
// All strings are zero-terminated UTF-16. The arguments always come in the order section,
// key, value or result, file path. Every function returns 1 on success and 0 on failure,
// never throws, and keeps no state between calls: each call reads the whole file afresh.
#pragma once

#include "platform/windows.h"

// Makes sure the file at path exists and starts with the byte-order mark FF FE.
// The path must end in ".ini" (any letter case), contain a "\" and lie in an existing
// directory whose part of the path is shorter than MAX_PATH code units. An existing file
// with the mark keeps its content (a read-only bit is cleared); a file that is shorter than
// 2 bytes or starts otherwise is replaced by one holding the mark alone. A file that cannot
// be opened or read is left alone and gives 0.
int IniPrepareFile(const WCHAR* path);

// Reads the value of key in section. On success *out points to a new zero-terminated copy
// of the value, which the caller owns and releases with delete[]. On failure *out keeps its
// former content, except when the copy cannot be allocated: then *out is null.
// Never changes the file.
int IniReadString(const WCHAR* section, const WCHAR* key, WCHAR** out, const WCHAR* path);

// Reads the value of key in section as a decimal integer (as wcstol in base 10: leading white
// space skipped, text after the number ignored, no digits give 0, out-of-range values give
// the nearest limit). On failure *out is not touched. Never changes the file.
int IniReadInt(const WCHAR* section, const WCHAR* key, int* out, const WCHAR* path);

// Changes the settings file at path, which must exist and start with the mark
// (IniPrepareFile sees to that):
//   key and value given: sets the key, adding the key and its section when missing;
//   value null: deletes the key (1 when there is nothing to delete);
//   key null: deletes the whole section (1 when there is none).
// Refuses (0, file untouched) a null or empty section, a section with CR or LF, a key that
// is empty, contains "=", CR or LF or starts with a space or tab, and a value with CR or LF.
// A change is all or nothing: on 0 the file is as it was.
int IniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* path);

// IniWriteString with value as signed decimal text.
int IniWriteInt(const WCHAR* section, const WCHAR* key, int value, const WCHAR* path);
