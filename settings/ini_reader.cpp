// IniReadString and IniReadInt: one read of the file, one search, no copy but the one handed
// out by IniReadString.
#include <cstring>
#include <new>

#include "platform/wstring.h"
#include "settings/ini.h"
#include "settings/ini_file.h"
#include "settings/ini_lookup.h"

namespace {

// Loads the file and finds the key's value. False when any of it fails.
bool FindValue(IniText& file, const WCHAR* section, const WCHAR* key, const WCHAR* path,
               IniKey* found) {
  // An empty key name is never in the file: it would match every "=" at a line start.
  if (section == nullptr || key == nullptr || path == nullptr || *section == 0 || *key == 0) {
    return false;
  }
  if (!file.Load(path, IniText::Access::kRead)) return false;
  IniSection where;
  return IniFindSection(file.text(), file.length(), section, &where) &&
         IniFindKey(file.text(), file.length(), where, key, found);
}

}  // namespace

int IniReadString(const WCHAR* section, const WCHAR* key, WCHAR** out, const WCHAR* path) {
  if (out == nullptr) return 0;
  IniText file;
  IniKey found;
  if (!FindValue(file, section, key, path, &found)) return 0;

  std::size_t length = found.valueEnd - found.valueStart;
  WCHAR* copy = new (std::nothrow) WCHAR[length + 1];
  *out = copy;
  if (copy == nullptr) return 0;
  std::memcpy(copy, file.text() + found.valueStart, length * sizeof(WCHAR));
  copy[length] = 0;
  return 1;
}

int IniReadInt(const WCHAR* section, const WCHAR* key, int* out, const WCHAR* path) {
  if (out == nullptr) return 0;
  IniText file;
  IniKey found;
  if (!FindValue(file, section, key, path, &found)) return 0;

  // The loaded text is ours: ending the value in place spares a copy, and keeps the number
  // from running on into the next line.
  file.text()[found.valueEnd] = 0;
  *out = wcstol(file.text() + found.valueStart, nullptr, 10);
  return 1;
}
