// A program whose code is one entry function that runs the process's whole life: Start calls it
// and returns when it has returned, that is, when the process's code has ended. The handset's
// applications run this way (their message loop runs inside the entry); whoever started the
// process then traces the exit and ends the process.
#pragma once

#include <functional>
#include <optional>

#include "host/kernel/handset.h"

namespace host::scenario {

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

}  // namespace host::scenario
