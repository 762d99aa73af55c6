// The handset's processes: starting and ending them, CreateProcessW and the tool-help snapshot.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/kernel/handset_impl.h"
#include "host/crt/utf.h"
#include "host/kernel/screen_generation.h"
#include "platform/process_local.h"

namespace host {
namespace {

// The process list as it was when the snapshot was taken.
class ProcessSnapshot final : public KernelObject {
 public:
  explicit ProcessSnapshot(std::vector<ProcessInfo> processes)
      : m_processes(std::move(processes)) {}

  // Fills entry with the process at position, or FALSE with ERROR_NO_MORE_FILES past the end.
  BOOL Fill(Handset& handset, std::size_t position, PROCESSENTRY32* entry) {
    if (position >= m_processes.size()) {
      handset.set_last_error(ERROR_NO_MORE_FILES);
      return FALSE;
    }
    const ProcessInfo& process = m_processes[position];
    DWORD size = entry->dwSize;
    *entry = PROCESSENTRY32{};
    entry->dwSize = size;
    entry->cntUsage = 1;
    entry->th32ProcessID = process.pid;
    entry->cntThreads = 1;
    std::size_t n = std::min<std::size_t>(process.exeName.size(), MAX_PATH - 1);
    std::copy_n(process.exeName.begin(), n, entry->szExeFile);
    entry->szExeFile[n] = u'\0';
    m_next = position + 1;
    return TRUE;
  }
  std::size_t next() const { return m_next; }

 private:
  std::vector<ProcessInfo> m_processes;
  std::size_t m_next = 0;
};

enum class Step { kFirst, kNext };

BOOL WalkSnapshot(Handset& handset, HANDLE snapshot, PROCESSENTRY32* entry, Step step) {
  auto* processes = handset.LookupHandleAs<ProcessSnapshot>(snapshot);
  if (processes == nullptr) {
    handset.set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (entry == nullptr || entry->dwSize != sizeof(PROCESSENTRY32)) {
    handset.set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return processes->Fill(handset, step == Step::kFirst ? 0 : processes->next(), entry);
}

}  // namespace

std::vector<std::u16string> Handset::ProgramPaths() const {
  return m_impl->processes.ProgramPaths();
}

void Handset::RegisterProgram(std::u16string path, ProgramFactory factory) {
  m_impl->processes.RegisterProgram(std::move(path), std::move(factory));
  ScreenChanged();  // the home screen offers it
}

DWORD Handset::StartProcess(std::u16string path, std::unique_ptr<Program> program) {
  DWORD pid = m_impl->processes.Add(std::move(path));
  ScreenChanged();  // the home screen lists the running programs
  if (program == nullptr) return pid;
  Program& started = *program;
  m_impl->processes.SetProgram(pid, std::move(program));
  DWORD callerPid = m_currentPid;
  m_currentPid = pid;
  m_impl->running.push_back({nullptr, pid});
  started.Start(*this, pid);
  m_impl->running.pop_back();
  m_currentPid = callerPid;
  m_impl->ReleaseEnded();
  return pid;
}

void Handset::EndProcess(DWORD pid) {
  if (!m_impl->processes.Contains(pid)) return;
  for (HWND hwnd : m_impl->windows.OwnedBy(pid)) DestroyWindow(hwnd);
  std::unique_ptr<Program> program = m_impl->processes.Remove(pid);
  ScreenChanged();
  auto locals = m_impl->processLocals.extract(pid);
  // A program usually ends from its own code (a window procedure, or the loop inside Start);
  // it and its storage must outlive that call. Otherwise both go now, the storage first.
  if (m_impl->Runs(pid)) {
    if (program != nullptr) m_impl->ended.emplace_back(pid, std::move(program));
    if (!locals.empty()) m_impl->endedLocals.emplace_back(pid, std::move(locals.mapped()));
  }
}

LocalStorage& Handset::ProcessLocals(DWORD pid) {
  std::unique_ptr<LocalStorage>& locals = m_impl->processLocals[pid];
  if (locals == nullptr) locals = std::make_unique<LocalStorage>();
  return *locals;
}

LocalStorage* Handset::FindProcessLocals(DWORD pid) {
  if (m_impl == nullptr) return nullptr;  // the handset is going
  auto it = m_impl->processLocals.find(pid);
  return it == m_impl->processLocals.end() ? nullptr : it->second.get();
}

std::vector<ProcessInfo> Handset::Processes() const { return m_impl->processes.List(); }

BOOL Handset::Launch(std::u16string_view path) {
  const ProgramFactory* factory = m_impl->processes.FindProgram(path);
  std::unique_ptr<Program> program = factory != nullptr ? (*factory)() : nullptr;
  Emit("launch", [&] { return TraceFields{{"path", ToUtf8(path)}, {"ok", program != nullptr}}; });
  if (program == nullptr) {
    m_lastError = ERROR_FILE_NOT_FOUND;
    return FALSE;
  }
  StartProcess(std::u16string(path), std::move(program));
  return TRUE;
}

}  // namespace host

void* ProcessLocalObject(const void* key, void* (*make)(), void (*destroy)(void*)) {
  host::Handset& handset = host::Handset::Current();
  return handset.ProcessLocals(handset.current_pid()).Get(key, make, destroy);
}

BOOL CreateProcessW(LPCWSTR pszImageName, LPWSTR, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD, LPVOID, LPCWSTR, STARTUPINFOW*, PROCESS_INFORMATION*) {
  host::Handset& handset = host::Handset::Current();
  if (pszImageName == nullptr) {
    handset.set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return handset.Launch(pszImageName);
}

HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD) {
  host::Handset& handset = host::Handset::Current();
  std::vector<host::ProcessInfo> processes;
  if ((dwFlags & TH32CS_SNAPPROCESS) != 0) processes = handset.Processes();
  return handset.AddHandle(std::make_unique<host::ProcessSnapshot>(std::move(processes)));
}

BOOL Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
  return host::WalkSnapshot(host::Handset::Current(), hSnapshot, lppe, host::Step::kFirst);
}

BOOL Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
  return host::WalkSnapshot(host::Handset::Current(), hSnapshot, lppe, host::Step::kNext);
}

BOOL CloseToolhelp32Snapshot(HANDLE hSnapshot) {
  host::Handset& handset = host::Handset::Current();
  if (handset.LookupHandleAs<host::ProcessSnapshot>(hSnapshot) == nullptr) {
    handset.set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return handset.CloseHandle(hSnapshot);
}
