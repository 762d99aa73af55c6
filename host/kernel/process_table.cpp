#include "host/kernel/process_table.h"

#include <algorithm>

#include "host/crt/ascii_case.h"

namespace host {

std::u16string ExeNameOf(std::u16string_view path) {
  std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool ProcessTable::PathLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return LessIgnoringAsciiCase(a, b);
}

DWORD ProcessTable::Add(std::u16string path) {
  DWORD pid = m_nextPid;
  m_nextPid += 4;
  Process& process = m_processes[pid];
  process.info.pid = pid;
  process.info.exeName = ExeNameOf(path);
  process.info.path = std::move(path);
  return pid;
}

void ProcessTable::SetProgram(DWORD pid, std::unique_ptr<Program> program) {
  m_processes.at(pid).program = std::move(program);
}

bool ProcessTable::Contains(DWORD pid) const { return m_processes.contains(pid); }

std::unique_ptr<Program> ProcessTable::Remove(DWORD pid) {
  auto it = m_processes.find(pid);
  if (it == m_processes.end()) return nullptr;
  std::unique_ptr<Program> program = std::move(it->second.program);
  m_processes.erase(it);
  return program;
}

std::vector<ProcessInfo> ProcessTable::List() const {
  std::vector<ProcessInfo> list;
  for (const auto& [pid, process] : m_processes) list.push_back(process.info);
  return list;
}

std::vector<std::u16string> ProcessTable::ProgramPaths() const {
  std::vector<std::u16string> paths;
  for (const auto& [path, factory] : m_programs) paths.push_back(path);
  return paths;
}

void ProcessTable::RegisterProgram(std::u16string path, ProgramFactory factory) {
  m_programs.insert_or_assign(std::move(path), std::move(factory));
}

const ProgramFactory* ProcessTable::FindProgram(std::u16string_view path) const {
  auto it = m_programs.find(path);
  return it == m_programs.end() ? nullptr : &it->second;
}

}  // namespace host
