#include "host/launch/executable.h"

#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

namespace host::launch {
namespace {

std::u16string_view FolderOf(std::u16string_view path) {
  std::size_t slash = path.rfind(u'\\');
  return path.substr(0, slash == std::u16string_view::npos ? 0 : slash);
}

}  // namespace

void EntryProgram::Start(Handset&, DWORD pid) {
  m_pid = pid;
  m_exitCode = m_entry(pid);
}

int RunToExit(Handset& handset, std::unique_ptr<EntryProgram> program, std::u16string_view path) {
  // A folder that cannot be made shows as files the application cannot open, as on the handset.
  std::error_code ignored;
  std::filesystem::create_directories(handset.HostPath(FolderOf(path)), ignored);
  EntryProgram* entry = program.get();
  DWORD pid = handset.StartProcess(std::u16string(path), std::move(program));
  int code = entry->exit_code().value_or(0);
  handset.Emit("exit", [&] { return TraceFields{{"code", code}}; });
  handset.EndProcess(pid);
  return code;
}

std::u16string SettingsPathOf(std::u16string_view path) {
  return std::u16string(FolderOf(path)) + u"\\config.ini";
}

}  // namespace host::launch
