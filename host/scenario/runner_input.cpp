// The runner's input commands: tap, toolbar, choose, move, point, slider, command, timer. Each
// finds its target first (input_targets.h) and delivers only then, so that a command that
// names nothing changes nothing.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "host/scenario/runner.h"
#include "host/ui/input.h"
#include "platform/mzfc.h"

namespace host::scenario {

CMzWnd* Runner::InputWindow(const Command& command) {
  CMzWnd* wnd = MainWindow();
  if (wnd == nullptr) {
    Report(command.line, std::string(command.name) + ": the application has no window");
  }
  return wnd;
}

template <class Target>
std::optional<Target> Runner::Found(const Command& command, Result<Target> found) {
  if (!found) {
    std::string words(command.name);
    for (const std::string& arg : command.args) words += " " + arg;
    Report(command.line, found.error().Prefixed(words).message());
    return std::nullopt;
  }
  return *found;
}

std::optional<std::pair<CMzWnd*, POINT>> Runner::ControlCentre(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  std::optional<POINT> at =
      Found(command, FindTapTarget(*wnd, static_cast<int>(command.numbers[0])));
  if (!at) return std::nullopt;
  return std::pair{wnd, *at};
}

std::optional<Runner::Step> Runner::Tap(const Command& command) {
  std::optional<std::pair<CMzWnd*, POINT>> target = ControlCentre(command);
  if (!target) return std::nullopt;
  TapAt(m_handset, *target->first, target->second);
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Toolbar(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  std::optional<POINT> at =
      Found(command, FindToolbarTarget(*wnd, static_cast<int>(command.numbers[0])));
  if (!at) return std::nullopt;
  TapAt(m_handset, *wnd, *at);
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Choose(const Command& command) {
  if (ui::OpenMenu() == nullptr) {
    Report(command.line, "choose: no menu is open");
    return std::nullopt;
  }
  if (!ui::PickMenuItem(m_handset, static_cast<int>(command.numbers[0]))) {
    Report(command.line, "choose " + command.args[0] + ": the open menu has no such item");
    return std::nullopt;
  }
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Move(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  ui::SendPointer(m_handset, *wnd, ui::PointerAction::kMove, static_cast<int>(command.numbers[0]),
                  static_cast<int>(command.numbers[1]));
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Point(const Command& command) {
  std::optional<std::pair<CMzWnd*, POINT>> target = ControlCentre(command);
  if (!target) return std::nullopt;
  auto [wnd, at] = *target;
  ui::SendPointer(m_handset, *wnd, ui::PointerAction::kMove, at.x, at.y);
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Slider(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  std::optional<CUiStatusBar*> slider = Found(command, FindSlider(*wnd));
  if (!slider) return std::nullopt;
  ui::SetSliderPad(**slider, static_cast<int>(command.numbers[0]));
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::CommandCall(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  const std::vector<std::int64_t>& n = command.numbers;
  wnd->OnUiCommand(static_cast<WPARAM>(n[0]), n.size() > 1 ? static_cast<LPARAM>(n[1]) : 0);
  return Step::kRunLoop;
}

std::optional<Runner::Step> Runner::Timer(const Command& command) {
  CMzWnd* wnd = InputWindow(command);
  if (wnd == nullptr) return std::nullopt;
  auto id = static_cast<std::uint64_t>(command.numbers[0]);
  m_handset.Emit("fire", [&] { return TraceFields{{"id", id}}; });
  m_handset.SendToWindow(wnd->m_hWnd, WM_TIMER, static_cast<WPARAM>(id), 0);
  return Step::kRunLoop;
}

}  // namespace host::scenario
