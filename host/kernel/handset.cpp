#include "host/kernel/handset.h"

#include <cassert>

#include "host/files/file_system.h"

namespace host {
namespace {
Handset* g_current = nullptr;
}  // namespace

Handset::Handset(Clock& clock, std::string root)
    : m_clock(clock),
      m_root(std::move(root)),
      m_posixFiles(MakePosixFileSystem()),
      m_files(m_posixFiles.get()) {
  assert(g_current == nullptr);
  g_current = this;
}

Handset::~Handset() {
  m_handles.clear();
  g_current = nullptr;
}

Handset& Handset::Current() {
  assert(g_current != nullptr);
  return *g_current;
}

Handset* Handset::CurrentOrNull() { return g_current; }

std::string Handset::HostPath(std::u16string_view handsetPath) const {
  std::string out = m_root;
  while (!out.empty() && out.back() == '/') out.pop_back();
  if (handsetPath.empty() || handsetPath.front() != u'\\') out += '/';
  for (char16_t c : handsetPath) {
    char32_t cp = c;
    if (c == u'\\') {
      out += '/';
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      // Surrogates are passed through as their own code units; names on the handset are BMP.
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
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

HANDLE Handset::OpenDevice(std::u16string_view, DWORD, DWORD) {
  // Placeholder until the device table exists.
  m_lastError = ERROR_DEV_NOT_EXIST;
  return INVALID_HANDLE_VALUE;
}

}  // namespace host
