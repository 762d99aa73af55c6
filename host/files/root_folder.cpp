#include "host/files/root_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "host/kernel/ending_signals.h"

namespace host {
namespace {

namespace fs = std::filesystem;

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

}  // namespace

std::variant<std::unique_ptr<RootFolder>, std::string> RootFolder::Make(
    const std::optional<std::string>& given) {
  std::error_code code;
  std::unique_ptr<RootFolder> root;
  if (given) {
    fs::create_directories(*given, code);
    if (code || !fs::is_directory(*given, code)) {
      return "cannot use " + *given + " as the handset's root folder" +
             (code ? " (" + code.message() + ")" : std::string(" (not a folder)"));
    }
    root.reset(new RootFolder(*given, false));
  } else {
    std::string pattern = (fs::temp_directory_path(code) / "quorvane-XXXXXX").string();
    // Made under the signals' lock, so a signal cannot come between its making and its action.
    auto path = std::make_shared<std::string>(std::move(pattern));
    std::uint64_t key = 0;
    if (!code) {
      key = ending_signals::Add([path] { RemoveAll(*path); },
                                [path] { return mkdtemp(path->data()) != nullptr; });
    }
    if (key == 0) return std::string("cannot make a temporary folder for the handset's root");
    root.reset(new RootFolder(*path, true));
    root->m_signalKey = key;
  }
  auto lock = RootLock::Take(root->m_path);
  if (auto* error = std::get_if<std::string>(&lock)) return *error;
  root->m_lock = std::get<std::unique_ptr<RootLock>>(std::move(lock));
  return root;
}

RootFolder::~RootFolder() {
  m_lock.reset();
  if (m_temporary) ending_signals::Remove(m_signalKey, [this] { RemoveAll(m_path); });
}

}  // namespace host
