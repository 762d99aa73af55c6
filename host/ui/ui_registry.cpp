#include "host/ui/ui_registry.h"

#include <algorithm>
#include <vector>

#include "host/kernel/handset.h"

namespace host::ui {
namespace {

struct AppEntry {
  CMzApp* app;
  DWORD pid;
};

struct Registry {
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  // The handset goes: its windows with it.
  ~Registry() {
    for (CMzWnd* wnd : windows) wnd->m_hWnd = nullptr;
  }

  std::vector<AppEntry> apps;
  std::vector<CMzWnd*> windows;
  std::vector<CMzWnd*> modals;  // innermost last
};

// The current handset's registry, made when asked for.
Registry* Make() {
  Handset* handset = Handset::CurrentOrNull();
  return handset != nullptr ? &handset->locals().Get<Registry>() : nullptr;
}

// The current handset's registry when it has one: unregistering makes none.
Registry* Find() {
  Handset* handset = Handset::CurrentOrNull();
  return handset != nullptr ? handset->locals().Find<Registry>() : nullptr;
}

template <class T>
void EraseValue(std::vector<T*>& v, T* value) {
  v.erase(std::remove(v.begin(), v.end(), value), v.end());
}

}  // namespace

void RegisterApp(CMzApp* app) {
  if (Registry* registry = Make()) {
    registry->apps.push_back({app, Handset::Current().current_pid()});
  }
}

void UnregisterApp(CMzApp* app) {
  if (Registry* registry = Find()) {
    std::erase_if(registry->apps, [app](const AppEntry& e) { return e.app == app; });
  }
}

CMzApp* CurrentApp() {
  Registry* registry = Find();
  if (registry == nullptr) return nullptr;
  DWORD pid = Handset::Current().current_pid();
  for (auto it = registry->apps.rbegin(); it != registry->apps.rend(); ++it) {
    if (it->pid == pid) return it->app;
  }
  return nullptr;
}

void RegisterWindow(CMzWnd* wnd) {
  Registry& registry = *Make();
  EraseValue(registry.windows, wnd);
  registry.windows.push_back(wnd);
}

void UnregisterWindow(CMzWnd* wnd) {
  if (Registry* registry = Find()) {
    EraseValue(registry->windows, wnd);
    EraseValue(registry->modals, wnd);
  }
}

CMzWnd* WindowObject(HWND hwnd) {
  Registry* registry = Find();
  if (hwnd == nullptr || registry == nullptr) return nullptr;
  for (CMzWnd* wnd : registry->windows) {
    if (wnd->m_hWnd == hwnd) return wnd;
  }
  return nullptr;
}

void PushModal(CMzWnd* wnd) {
  if (Registry* registry = Make()) registry->modals.push_back(wnd);
}

void PopModal(CMzWnd* wnd) {
  Registry* registry = Find();
  if (registry == nullptr) return;
  auto& modals = registry->modals;
  auto it = std::find(modals.rbegin(), modals.rend(), wnd);
  if (it != modals.rend()) modals.erase(std::next(it).base());
}

CMzWnd* TopModal() {
  Registry* registry = Find();
  return registry == nullptr || registry->modals.empty() ? nullptr : registry->modals.back();
}

}  // namespace host::ui
