#include "host/launch/settings_saves.h"

#include <fcntl.h>

#include <cstring>

#include <nlohmann/json.hpp>

#include "host/files/file_calls.h"

namespace host::launch {

SettingsSaves::SettingsSaves(Handset& handset, std::u16string_view settingsPath, Report report)
    : ForwardingFileSystem(handset.files()),
      m_handset(handset),
      m_path(handset.HostPath(settingsPath)),
      m_report(std::move(report)),
      m_next(handset.trace()) {
  m_handset.set_files(this);
  m_handset.set_trace(this);
}

SettingsSaves::~SettingsSaves() {
  EndTurn();
  if (m_handset.trace() == this) m_handset.set_trace(m_next);
  if (&m_handset.files() == this) m_handset.set_files(&base());
}

bool SettingsSaves::Watched(const std::string& path) const {
  if (path.compare(0, m_path.size(), m_path) != 0) return false;
  // The settings file, or its writer's temporary files: ".tmp", or a number and ".tmp".
  std::string_view rest = std::string_view(path).substr(m_path.size());
  if (rest.empty() || rest == ".tmp") return true;
  constexpr std::string_view kTmp = ".tmp";
  if (rest.size() < 2 + kTmp.size() || rest.front() != '.' ||
      rest.substr(rest.size() - kTmp.size()) != kTmp) {
    return false;
  }
  std::string_view number = rest.substr(1, rest.size() - 1 - kTmp.size());
  return number.find_first_not_of("0123456789") == std::string_view::npos;
}

void SettingsSaves::EndTurn() {
  if (!m_turnWrote) return;
  m_lastSaveFailed = m_turnError.has_value();
  if (m_turnError) {
    ++m_failedSaves;
    if (m_report) {
      m_report("the settings could not be saved to " + m_path + " (" +
               std::strerror(*m_turnError) + ")");
    }
  }
  m_turnWrote = false;
  m_turnError.reset();
}

bool SettingsSaves::Wants(std::string_view ev) const {
  return ev == "exit" || (m_next != nullptr && m_next->Wants(ev));
}

void SettingsSaves::Record(std::int64_t t, std::string_view ev, TraceFields fields) {
  // The exit processing is over: its saves are the run's last.
  if (ev == "exit") EndTurn();
  if (m_next != nullptr && m_next->Wants(ev)) m_next->Record(t, ev, std::move(fields));
}

void SettingsSaves::Waiting(std::optional<std::int64_t> waitMs) {
  EndTurn();
  if (m_next != nullptr) m_next->Waiting(waitMs);
}

template <class T>
T SettingsSaves::Noted(T result) {
  m_turnWrote = true;
  if (result < 0 && !m_turnError) m_turnError = static_cast<int>(-result);
  return result;
}

template <class T>
T SettingsSaves::NotedFor(int fd, T result) {
  return m_open.count(fd) > 0 ? Noted(result) : result;
}

int SettingsSaves::Open(const std::string& path, int flags, mode_t mode) {
  int fd = base().Open(path, flags, mode);
  bool write = (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) != 0;
  if (!write || !Watched(path)) return fd;
  // A leftover temporary file: its writer removes it and creates it anew.
  if (fd == -EEXIST && (flags & O_EXCL) != 0) return fd;
  if (fd >= 0 && path == m_path) {
    struct stat st;
    if (base().Fstat(fd, &st) == 0 && file_calls::IsReadOnly(st)) {
      // The handset refuses it (host/files/file_api.cpp), whoever the host's user is.
      Noted(-EACCES);
      m_open[fd] = path;
      return fd;
    }
  }
  Noted(fd);
  if (fd >= 0) m_open[fd] = path;
  return fd;
}

int SettingsSaves::Close(int fd) {
  int result = base().Close(fd);
  result = NotedFor(fd, result);
  m_open.erase(fd);
  return result;
}

long SettingsSaves::Write(int fd, const void* buffer, std::size_t size) {
  return NotedFor(fd, base().Write(fd, buffer, size));
}

int SettingsSaves::Truncate(int fd, long length) {
  return NotedFor(fd, base().Truncate(fd, length));
}

int SettingsSaves::Fsync(int fd) { return NotedFor(fd, base().Fsync(fd)); }

int SettingsSaves::Rename(const std::string& from, const std::string& to) {
  int result = base().Rename(from, to);
  return Watched(from) || Watched(to) ? Noted(result) : result;
}

}  // namespace host::launch
