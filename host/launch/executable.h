// What a run of the application starts, and the one place that starts it.
//
// An EntryProgram is a program whose code is one entry function that runs the process's whole
// life: its Start calls the entry and returns when it has returned, that is, when the process's
// code has ended (the handset's applications run this way: their message loop runs inside the
// entry, and their exit processing before it returns). RunToExit starts one as a process and
// ends the process afterwards; every mode (the window, the demo, the service and scripts) starts
// the application through it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/kernel/handset.h"

namespace host::launch {

class EntryProgram : public Program {
 public:
  // The entry gets the process id and returns the exit code.
  using Entry = std::function<int(DWORD pid)>;

  explicit EntryProgram(Entry entry) : m_entry(std::move(entry)) {}

  void Start(Handset& handset, DWORD pid) override;

  DWORD pid() const { return m_pid; }
  // The entry's result once it has returned.
  std::optional<int> exit_code() const { return m_exitCode; }

 private:
  Entry m_entry;
  DWORD m_pid = 0;
  std::optional<int> m_exitCode;
};

// Where the application is installed on the handset, and how its program is made.
struct Executable {
  // The handset path of the executable, e.g. u"\\Program Files\\Quorvane\\Quorvane.exe"; its
  // settings file lies beside it.
  std::u16string path;
  // Makes the program for one run.
  std::function<std::unique_ptr<EntryProgram>()> make;
};

// Starts program as a process of the executable at path (its folder made on the host when
// missing) and returns when its entry has returned: the process's code, exit processing
// included, has ended. Then traces "exit" {"code"} and ends the process. Returns the exit code
// (0 when the entry gave none).
// REQUIRES: program is not null; called on the handset's thread, with no process of this
// program running.
int RunToExit(Handset& handset, std::unique_ptr<EntryProgram> program, std::u16string_view path);

// The settings file of the executable at path: its folder followed by "\config.ini".
std::u16string SettingsPathOf(std::u16string_view path);

}  // namespace host::launch
