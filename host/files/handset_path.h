// Handset file names as the file calls take them: "\" separates (a "/" is taken as "\" too),
// "." and ".." are folded inside the handset's root, so no name leads outside it.
#pragma once

#include <optional>
#include <string>

#include "platform/windows.h"

namespace host {

class Handset;

struct HandsetPath {
  std::u16string handset;  // "\a\b", or "\" for the root itself
  std::u16string name;     // the last component ("" for the root)
  std::string host;        // the host path of handset (Handset::HostPath)
  bool trailingSeparator;  // the name as given ended in "\" (it then names no file)
};

// Resolves fileName on handset; nullopt with *error set (ERROR_INVALID_PARAMETER for null,
// ERROR_PATH_NOT_FOUND for "", ERROR_INVALID_NAME for a control character or one of <>:"|?*).
std::optional<HandsetPath> ResolveHandsetPath(const Handset& handset, LPCWSTR fileName,
                                              DWORD* error);

// The folder that holds hostPath ("/a/b" -> "/a", "/b" -> "/").
std::string HostFolder(const std::string& hostPath);

}  // namespace host
