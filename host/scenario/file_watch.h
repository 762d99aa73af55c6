// Files in the trace: the "file" event shows a handset file's content, on request (the script's
// file command) or each time a watched file has been written (watch).
//
// FileWatch is a FileSystem that forwards every call to another one and, after a call that has
// changed a watched file (closing a descriptor written through, a rename onto it, unlinking it),
// traces the file as it is then. Rewriting a file with the same content is traced as well. Every
// open of a watched file is traced as "fopen" {"path", "write", "ok"}: the settings engine opens
// the file once per key it reads or writes, also when a write leaves the bytes as they were.
#pragma once

#include <map>
#include <set>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "host/files/forwarding_file_system.h"
#include "host/kernel/handset.h"

namespace host::scenario {

// {"path": handset path, "exists", "size" (bytes), "text"}: text is the content after a UTF-16LE
// byte-order mark (FF FE) as UTF-8, or null for any other content, which then comes as "hex".
nlohmann::ordered_json FileJson(Handset& handset, std::u16string_view handsetPath);

class FileWatch final : public ForwardingFileSystem {
 public:
  // Installs itself as the handset's file system over the one the handset has now.
  // REQUIRES: the handset outlives this object.
  explicit FileWatch(Handset& handset);
  // Gives the handset its own file system back.
  ~FileWatch() override;

  // Traces the file after each change from now on.
  void Watch(std::u16string handsetPath);

  int Open(const std::string& path, int flags, mode_t mode) override;
  int Close(int fd) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Truncate(int fd, long length) override;
  int Unlink(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Link(const std::string& from, const std::string& to) override;

 private:
  struct OpenFile {
    std::string path;
    bool changed = false;
  };

  // Traces the file when path is watched.
  void Changed(const std::string& path);

  Handset& m_handset;
  std::map<std::string, std::u16string> m_watched;  // host path -> handset path
  std::map<int, OpenFile> m_open;
};

}  // namespace host::scenario
