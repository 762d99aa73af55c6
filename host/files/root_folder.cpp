#include "host/files/root_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace host {
namespace {

namespace fs = std::filesystem;

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

}  // namespace

Result<std::unique_ptr<RootFolder>> RootFolder::Make(const std::optional<std::string>& given) {
  std::error_code code;
  std::unique_ptr<RootFolder> root;
  if (given) {
    fs::create_directories(*given, code);
    if (code || !fs::is_directory(*given, code)) {
      return Error("cannot use " + *given + " as the handset's root folder" +
                       (code ? " (" + code.message() + ")" : std::string(" (not a folder)")),
                   code.value());
    }
    root.reset(new RootFolder(*given, false));
  } else {
    std::string pattern = (fs::temp_directory_path(code) / "quorvane-XXXXXX").string();
    if (code || mkdtemp(pattern.data()) == nullptr) {
      return Error("cannot make a temporary folder for the handset's root");
    }
    root.reset(new RootFolder(pattern, true));
  }
  Result<std::unique_ptr<RootLock>> lock = RootLock::Take(root->m_path);
  if (!lock) return lock.error();
  root->m_lock = std::move(*lock);
  return root;
}

RootFolder::~RootFolder() {
  m_lock.reset();
  if (m_temporary) RemoveAll(m_path);
}

}  // namespace host
