#include "host/files/root_folder.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace host {
namespace {

namespace fs = std::filesystem;

// The temporary folders that exist now, and the thread that removes them on a signal.
class TemporaryFolders {
 public:
  static TemporaryFolders& Get() {
    // Never destroyed: the waiting thread may use it until the process has ended.
    static TemporaryFolders* folders = new TemporaryFolders();
    return *folders;
  }

  // Makes a new folder from the mkdtemp pattern and keeps it for the signals; false when it
  // cannot be made. Made and kept under the lock, so a signal cannot come in between.
  bool Make(std::string& pattern) {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_watching) {
      m_watching = true;
      StartWatch();
    }
    if (mkdtemp(pattern.data()) == nullptr) return false;
    m_paths.insert(pattern);
    return true;
  }

  // Removes the folder; from then on a signal leaves it alone.
  void Remove(const std::string& path) {
    std::lock_guard<std::mutex> hold(m_mutex);
    std::error_code ignored;
    fs::remove_all(path, ignored);
    m_paths.erase(path);
  }

 private:
  static sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGPIPE);
    return set;
  }

  void StartWatch() {
    sigset_t set = Signals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([this, set] {
      int signal = 0;
      while (sigwait(&set, &signal) != 0) {
      }
      {
        // Held until the process has ended: no folder is made or removed meanwhile.
        m_mutex.lock();
        for (const std::string& path : m_paths) {
          std::error_code ignored;
          fs::remove_all(path, ignored);
        }
      }
      // Ends the process as the signal would have: default action, raised in this thread.
      struct sigaction action = {};
      action.sa_handler = SIG_DFL;
      sigaction(signal, &action, nullptr);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(signal);
      _Exit(128 + signal);
    }).detach();
  }

  std::mutex m_mutex;
  std::set<std::string> m_paths;
  bool m_watching = false;
};

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
    if (code || !TemporaryFolders::Get().Make(pattern)) {
      return std::string("cannot make a temporary folder for the handset's root");
    }
    root.reset(new RootFolder(pattern, true));
  }
  auto lock = RootLock::Take(root->m_path);
  if (auto* error = std::get_if<std::string>(&lock)) return *error;
  root->m_lock = std::get<std::unique_ptr<RootLock>>(std::move(lock));
  return root;
}

RootFolder::~RootFolder() {
  m_lock.reset();
  if (m_temporary) TemporaryFolders::Get().Remove(m_path);
}

}  // namespace host
