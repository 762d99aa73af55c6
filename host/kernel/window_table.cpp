#include "host/kernel/window_table.h"

namespace host {

HWND WindowTable::Add(std::u16string className, std::u16string title, RECT rect, DWORD pid,
                      WindowProc proc) {
  std::uintptr_t id = m_next;
  m_next += 4;
  auto record = std::make_unique<WindowRecord>();
  record->info.hwnd = reinterpret_cast<HWND>(id);
  record->info.className = std::move(className);
  record->info.title = std::move(title);
  record->info.rect = rect;
  record->info.pid = pid;
  record->proc = std::move(proc);
  m_windows.emplace(id, std::move(record));
  return reinterpret_cast<HWND>(id);
}

WindowRecord* WindowTable::Peek(HWND hwnd) const {
  auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == m_windows.end() ? nullptr : it->second.get();
}

std::unique_ptr<WindowRecord> WindowTable::Remove(HWND hwnd) {
  auto node = m_windows.extract(reinterpret_cast<std::uintptr_t>(hwnd));
  return node.empty() ? nullptr : std::move(node.mapped());
}

std::vector<HWND> WindowTable::OwnedBy(DWORD pid) const {
  std::vector<HWND> owned;
  for (const auto& [id, record] : m_windows) {
    if (record->info.pid == pid) owned.push_back(record->info.hwnd);
  }
  return owned;
}

HWND WindowTable::FindByName(const std::u16string* className, const std::u16string* title) const {
  for (const auto& [id, record] : m_windows) {
    if (className != nullptr && record->info.className != *className) continue;
    if (title != nullptr && record->info.title != *title) continue;
    return record->info.hwnd;
  }
  return nullptr;
}

std::vector<WindowInfo> WindowTable::List() const {
  std::vector<WindowInfo> list;
  for (const auto& [id, record] : m_windows) list.push_back(record->info);
  return list;
}

}  // namespace host
