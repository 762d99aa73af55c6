// The handset's running processes and the programs that can be launched by path.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/kernel/handset.h"

namespace host {

class ProcessTable {
 public:
  // Lists a new process for the handset path; its exe name is the path's last component.
  DWORD Add(std::u16string path);
  // REQUIRES: pid is listed.
  void SetProgram(DWORD pid, std::unique_ptr<Program> program);
  bool Contains(DWORD pid) const;
  // Takes the process off the list and hands back its program (null when it has none).
  std::unique_ptr<Program> Remove(DWORD pid);
  // In the order the processes were started.
  std::vector<ProcessInfo> List() const;

  // Paths compare without regard to ASCII case, as handset paths do.
  void RegisterProgram(std::u16string path, ProgramFactory factory);
  const ProgramFactory* FindProgram(std::u16string_view path) const;
  // The paths of the registered programs, sorted.
  std::vector<std::u16string> ProgramPaths() const;

 private:
  struct Process {
    ProcessInfo info;
    std::unique_ptr<Program> program;
  };
  struct PathLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
  };

  std::map<DWORD, Process> m_processes;
  DWORD m_nextPid = 0x1000;
  std::map<std::u16string, ProgramFactory, PathLess> m_programs;
};

// The last component of a handset path: "\Windows\MzMusic.exe" -> "MzMusic.exe".
std::u16string ExeNameOf(std::u16string_view path);

}  // namespace host
