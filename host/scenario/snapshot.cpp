#include "host/scenario/snapshot.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/render/control_view.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

namespace host::scenario {
namespace {

using Json = nlohmann::ordered_json;

Json RectJson(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// A toolbar's buttons are listed by their texts.
void ButtonsAsTexts(Json& control) {
  if (Json* buttons = control.contains("buttons") ? &control["buttons"] : nullptr) {
    Json texts = Json::array();
    for (const Json& button : *buttons) texts.push_back(button.value("text", ""));
    *buttons = std::move(texts);
  }
  for (Json& child : control["children"]) ButtonsAsTexts(child);
}

Json WindowJson(Handset& handset, CMzWnd& wnd) {
  const WindowInfo* info = handset.FindWindowInfo(wnd.m_hWnd);
  if (info == nullptr) return nullptr;
  Json controls = ControlsJson(wnd);
  for (Json& control : controls) ButtonsAsTexts(control);
  return {{"class", ToUtf8(info->className)},
          {"title", ToUtf8(info->title)},
          {"visible", info->visible},
          {"rect", RectJson(info->rect)},
          {"controls", std::move(controls)}};
}

Json TimersJson(Handset& handset, HWND hwnd) {
  std::vector<std::pair<std::uint64_t, std::int64_t>> timers;
  for (const Handset::TimerInfo& timer : handset.Timers()) {
    if (timer.hwnd == hwnd) timers.emplace_back(timer.id, timer.periodMs);
  }
  std::sort(timers.begin(), timers.end());
  Json list = Json::array();
  for (const auto& [id, ms] : timers) list.push_back({id, ms});
  return list;
}

Json MenuJson(Handset& handset) {
  CPopupMenu* menu = ui::OpenMenu();
  const WindowInfo* info = menu != nullptr ? handset.FindWindowInfo(menu->m_hWnd) : nullptr;
  if (info == nullptr) return nullptr;
  Json items = Json::array();
  for (const ui::MenuItem& item : ui::MenuStateOf(*menu).items) {
    items.push_back({item.id, ToUtf8(item.text), item.attribute});
  }
  return {{"rect", RectJson(info->rect)}, {"items", std::move(items)}};
}

}  // namespace

nlohmann::ordered_json Snapshot(Handset& handset, CMzWnd* window,
                                const AccelerometerDriver& accelerometer) {
  Json processes = Json::array();
  for (const ProcessInfo& process : handset.Processes()) processes.push_back(ToUtf8(process.exeName));
  Json windows = Json::array();
  for (const WindowInfo& info : handset.Windows()) {
    windows.push_back({{"title", ToUtf8(info.title)}, {"visible", info.visible}});
  }
  return {{"window", window != nullptr ? WindowJson(handset, *window) : Json(nullptr)},
          {"timers", window != nullptr ? TimersJson(handset, window->m_hWnd) : Json::array()},
          {"menu", MenuJson(handset)},
          {"device", {{"open", accelerometer.open_count() > 0}}},
          {"processes", std::move(processes)},
          {"windows", std::move(windows)}};
}

}  // namespace host::scenario
