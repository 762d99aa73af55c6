#include "host/kernel/handset.h"

#include <cassert>

#include <nlohmann/json.hpp>

#include "host/kernel/file_system.h"
#include "host/kernel/handset_impl.h"
#include "host/kernel/handset_names.h"
#include "host/crt/utf.h"

namespace host {
namespace {
Handset* g_current = nullptr;
}  // namespace

Handset::Handset(Clock& clock, std::string root)
    : m_clock(clock),
      m_root(std::move(root)),
      m_posixFiles(MakePosixFileSystem()),
      m_files(m_posixFiles.get()),
      m_locals(std::make_unique<LocalStorage>()),
      m_impl(std::make_unique<Impl>()) {
  assert(g_current == nullptr);
  g_current = this;
}

Handset::~Handset() {
  // Objects and programs may still call the handset while they go; the handset's local storage
  // goes after them, since they may unregister from it.
  m_handles.clear();
  m_impl.reset();
  m_locals.reset();
  g_current = nullptr;
}

Handset& Handset::Current() {
  assert(g_current != nullptr);
  return *g_current;
}

Handset* Handset::CurrentOrNull() { return g_current; }

std::vector<std::u16string_view> FoldHandsetPath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = path.size();
    std::u16string_view part = path.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

std::string Handset::HostPath(std::u16string_view handsetPath) const {
  std::string out = m_root;
  while (!out.empty() && out.back() == '/') out.pop_back();
  std::vector<std::u16string_view> parts = FoldHandsetPath(handsetPath);
  if (parts.empty()) return out + '/';
  for (std::u16string_view part : parts) {
    out += '/';
    out += ToUtf8(part);
  }
  return out;
}

void Handset::RecordEmpty(std::string_view ev) {
  m_trace->Record(m_clock.NowMs(), ev, TraceFields::object());
}

void Handset::set_files(FileSystem* fs) { m_files = fs != nullptr ? fs : m_posixFiles.get(); }

HANDLE Handset::AddHandle(std::unique_ptr<KernelObject> object) {
  std::uintptr_t id = m_nextHandle;
  m_nextHandle += 4;
  m_handles.emplace(id, std::move(object));
  return reinterpret_cast<HANDLE>(id);
}

KernelObject* Handset::LookupHandle(HANDLE handle) {
  auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == m_handles.end() ? nullptr : it->second.get();
}

BOOL Handset::CloseHandle(HANDLE handle) {
  auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == m_handles.end()) {
    m_lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  std::unique_ptr<KernelObject> object = std::move(it->second);
  m_handles.erase(it);
  return object->Close();
}

void Handset::AddDebugOutput(std::u16string text) {
  Emit("debug", [&] { return TraceFields{{"text", ToUtf8(text)}}; });
  // Keeps the last lines only, so a handset that runs for days (the service, with an absent
  // sensor's "not opened" every 100 ms) does not grow without end.
  constexpr std::size_t kDebugOutputKept = 4096;
  if (m_debug.size() >= 2 * kDebugOutputKept) {
    m_debug.erase(m_debug.begin(), m_debug.end() - (kDebugOutputKept - 1));
  }
  m_debug.push_back(std::move(text));
}

}  // namespace host
