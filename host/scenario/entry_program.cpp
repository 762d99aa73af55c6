#include "host/scenario/entry_program.h"

namespace host::scenario {

void EntryProgram::Start(Handset&, DWORD pid) {
  m_pid = pid;
  m_exitCode = m_entry(pid);
}

}  // namespace host::scenario
