#include "host/ui/ui_registry.h"

#include <algorithm>

namespace host::ui {
namespace {

struct WindowEntry {
  CMzWnd* wnd;
  Handset* handset;
};

// Made on first use, so that a global application object may register during static
// initialisation whatever the order of the translation units, and never destroyed, so that it
// may still unregister (and its window with it) during exit processing.
std::vector<CMzApp*>& Apps() {
  static auto* apps = new std::vector<CMzApp*>;
  return *apps;
}

std::vector<WindowEntry>& Windows() {
  static auto* windows = new std::vector<WindowEntry>;
  return *windows;
}

std::vector<CMzWnd*>& Modals() {
  static auto* modals = new std::vector<CMzWnd*>;
  return *modals;
}

template <class T>
void EraseValue(std::vector<T*>& v, T* value) {
  v.erase(std::remove(v.begin(), v.end(), value), v.end());
}

}  // namespace

void RegisterApp(CMzApp* app) { Apps().push_back(app); }

void UnregisterApp(CMzApp* app) { EraseValue(Apps(), app); }

CMzApp* CurrentApp() { return Apps().empty() ? nullptr : Apps().back(); }

void RegisterWindow(CMzWnd* wnd, Handset* handset) {
  UnregisterWindow(wnd);
  Windows().push_back({wnd, handset});
}

void UnregisterWindow(CMzWnd* wnd) {
  auto& windows = Windows();
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [wnd](const WindowEntry& e) { return e.wnd == wnd; }),
                windows.end());
  EraseValue(Modals(), wnd);
}

Handset* HandsetOf(const CMzWnd* wnd) {
  for (const WindowEntry& e : Windows()) {
    if (e.wnd == wnd) return e.handset;
  }
  return nullptr;
}

CMzWnd* WindowObject(HWND hwnd) {
  Handset* current = Handset::CurrentOrNull();
  if (hwnd == nullptr || current == nullptr) return nullptr;
  for (const WindowEntry& e : Windows()) {
    if (e.handset == current && e.wnd->m_hWnd == hwnd) return e.wnd;
  }
  return nullptr;
}

void PushModal(CMzWnd* wnd) { Modals().push_back(wnd); }

void PopModal(CMzWnd* wnd) {
  auto& modals = Modals();
  auto it = std::find(modals.rbegin(), modals.rend(), wnd);
  if (it != modals.rend()) modals.erase(std::next(it).base());
}

CMzWnd* TopModal() {
  Handset* current = Handset::CurrentOrNull();
  for (auto it = Modals().rbegin(); it != Modals().rend(); ++it) {
    if (HandsetOf(*it) == current) return *it;
  }
  return nullptr;
}

}  // namespace host::ui
