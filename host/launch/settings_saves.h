// The saves of the application's settings file, watched so that one that fails is told, in
// every mode with a person behind it (the window, the demo, the service).
//
// SettingsSaves is two things at once, each installed over what the handset has:
//   - a file system that forwards every call and notes the writes that fail: opening the
//     settings file or a temporary file beside it ("config.ini.tmp", "config.ini.1.tmp") for
//     writing, writing, truncating, syncing and closing them, and renaming one onto the other.
//     A settings file that is read-only counts as refused, as the handset refuses it to every
//     writer (also to root). An exclusive create that finds a leftover temporary file is no
//     failure: the writer removes it and tries again.
//   - a link of the handset's trace, which hands every event on and learns from it where one
//     turn of the message loop ends (the loop waits: Trace::Waiting) and that the application
//     has ended ("exit", traced after its exit processing).
// The failures of one turn are one failed save (the application writes its seven values key by
// key, and Exit's save and the exit save come in one turn), told once through the report:
//     the settings could not be saved to /home/me/.local/share/quorvane/Program Files/
//     Quorvane/config.ini (Permission denied)
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/files/forwarding_file_system.h"
#include "host/kernel/handset.h"
#include "host/kernel/trace.h"

namespace host::launch {

class SettingsSaves final : public ForwardingFileSystem, public Trace {
 public:
  // One line, without the program's name.
  using Report = std::function<void(const std::string& line)>;

  // Watches the settings file at the handset path settingsPath. Installs itself as the
  // handset's file system and trace; the trace it replaces gets every event as before.
  // REQUIRES: handset outlives the object; neither the handset's file system nor its trace is
  // replaced meanwhile by anything that does not put the old one back.
  SettingsSaves(Handset& handset, std::u16string_view settingsPath, Report report);
  // Tells what is not told yet, and gives the handset its file system and trace back.
  ~SettingsSaves() override;

  // Turns in which a save failed, so far.
  int failed_saves() const { return m_failedSaves; }
  // Whether the last turn that wrote the settings file failed: the file does not hold what the
  // application saved last (at the end of a run: its exit save).
  bool last_save_failed() const { return m_lastSaveFailed; }
  // Ends the current turn: its failed save, if any, is told now.
  void EndTurn();

  // The trace link.
  bool Wants(std::string_view ev) const override;
  bool WantsRepeats(std::string_view ev) const override {
    return m_next == nullptr || !m_next->Wants(ev) || m_next->WantsRepeats(ev);
  }
  void Record(std::int64_t t, std::string_view ev, TraceFields fields) override;
  void Waiting(std::optional<std::int64_t> waitMs) override;

  // The file system.
  int Open(const std::string& path, int flags, mode_t mode) override;
  int Close(int fd) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Truncate(int fd, long length) override;
  int Fsync(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;

 private:
  // The settings file itself or a temporary file of its writer.
  bool Watched(const std::string& path) const;
  // Notes a failed write (result < 0: -errno) of the current turn; returns result.
  template <class T>
  T Noted(T result);
  template <class T>
  T NotedFor(int fd, T result);

  Handset& m_handset;
  std::string m_path;  // host path of the settings file
  Report m_report;
  Trace* m_next;
  std::map<int, std::string> m_open;  // descriptors of watched files opened for writing
  bool m_turnWrote = false;           // the current turn wrote a watched file
  std::optional<int> m_turnError;     // the errno of its first failed write
  int m_failedSaves = 0;
  bool m_lastSaveFailed = false;
};

}  // namespace host::launch
