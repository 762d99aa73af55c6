// The host folder that is the handset's "\" for one run of quorvane: a given folder (made when
// missing, kept) or a new temporary one (removed at the end), locked against a second quorvane
// (host/files/root_lock.h) and checked to be writable. An ending signal ends the run as a
// shutdown does (host/kernel/ending_signals.h), so a temporary folder goes with the object then
// too.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/crt/result.h"
#include "host/files/root_lock.h"

namespace host {

class RootFolder {
 public:
  // given: that folder, made when missing; nullopt: a new folder /tmp/quorvane-XXXXXX (under
  // $TMPDIR when set). On failure the one-line reason: not a folder, cannot be made, or what
  // keeps its lock from being taken (host/files/root_lock.h: "already running (pid N) on ...").
  static Result<std::unique_ptr<RootFolder>> Make(const std::optional<std::string>& given);

  // Removes a temporary folder; a given one stays.
  ~RootFolder();
  RootFolder(const RootFolder&) = delete;
  RootFolder& operator=(const RootFolder&) = delete;

  const std::string& path() const { return m_path; }
  bool temporary() const { return m_temporary; }

 private:
  RootFolder(std::string path, bool temporary) : m_path(std::move(path)), m_temporary(temporary) {}

  std::string m_path;
  bool m_temporary;
  std::unique_ptr<RootLock> m_lock;
};

}  // namespace host
