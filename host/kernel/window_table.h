// The handset's top-level windows, in creation order. Handles are never reused, so a handle of
// a destroyed window stays dead.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/kernel/handset.h"

namespace host {

struct WindowRecord {
  WindowInfo info;
  WindowProc proc;
};

class WindowTable {
 public:
  HWND Add(std::u16string className, std::u16string title, RECT rect, DWORD pid,
           WindowProc proc);
  // Null for a null or dead handle; valid until the window is removed.
  WindowRecord* Peek(HWND hwnd) const;
  // Forgets the window; its record (null when there was none) for the caller to keep while
  // its procedure may still run.
  std::unique_ptr<WindowRecord> Remove(HWND hwnd);
  std::vector<HWND> OwnedBy(DWORD pid) const;
  // The first window created whose class (when given) and title (when given) match exactly.
  HWND FindByName(const std::u16string* className, const std::u16string* title) const;
  std::vector<WindowInfo> List() const;
  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (const auto& [id, record] : m_windows) visit(record->info);
  }

 private:
  std::map<std::uintptr_t, std::unique_ptr<WindowRecord>> m_windows;
  std::uintptr_t m_next = 0x10000;
};

}  // namespace host
