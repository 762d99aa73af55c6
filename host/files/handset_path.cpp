#include "host/files/handset_path.h"

#include <string_view>
#include <vector>

#include "host/kernel/handset.h"
#include "host/kernel/handset_names.h"

namespace host {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsForbidden(char16_t c) {
  return c < 0x20 || std::u16string_view(u"<>:\"|?*").find(c) != std::u16string_view::npos;
}

}  // namespace

std::optional<HandsetPath> ResolveHandsetPath(const Handset& handset, LPCWSTR fileName,
                                              DWORD* error) {
  if (fileName == nullptr) {
    *error = ERROR_INVALID_PARAMETER;
    return std::nullopt;
  }
  std::u16string_view text(fileName);
  if (text.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  for (char16_t c : text) {
    if (!IsSeparator(c) && IsForbidden(c)) {
      *error = ERROR_INVALID_NAME;
      return std::nullopt;
    }
  }
  std::vector<std::u16string_view> parts = FoldHandsetPath(text);
  HandsetPath path;
  for (std::u16string_view part : parts) {
    path.handset += u'\\';
    path.handset += part;
  }
  if (path.handset.empty()) path.handset.push_back(u'\\');
  path.name = parts.empty() ? std::u16string() : std::u16string(parts.back());
  path.host = handset.HostPath(path.handset);
  path.trailingSeparator = IsSeparator(text.back());
  return path;
}

std::string HostFolder(const std::string& hostPath) {
  std::size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

}  // namespace host
