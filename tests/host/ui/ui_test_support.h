// A fresh handset with a virtual clock per test, a trace that keeps the events, scripted input,
// and a window that writes down what its hooks hear.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/ui/input.h"
#include "platform/mzfc.h"
#include "tests/support/sequence.h"

namespace host::ui_test {

using test_support::SameSequence;

// "left,top,right,bottom"
inline std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Keeps every event as "ev {fields}".
class RecordingTrace final : public Trace {
 public:
  void Record(std::int64_t, std::string_view ev, nlohmann::ordered_json fields) override {
    events.push_back(std::string(ev) + " " + fields.dump());
  }
  std::vector<std::string> events;
};

// Steps at set times. When the loop waits, the clock runs to the next timer or the next step,
// whichever comes first, and a step whose time has come runs. When no step is left, timers go
// on firing until the end time (10 s unless set); then the input ends (the loop ends, quit 0).
class ScriptedInput final : public InputSource {
 public:
  explicit ScriptedInput(VirtualClock& clock) : m_clock(clock) {}
  void At(std::int64_t ms, std::function<void()> step) { m_steps.push_back({ms, std::move(step)}); }
  void EndAt(std::int64_t ms) { m_endMs = ms; }
  bool Idle(std::int64_t wakeAtMs) override {
    std::int64_t next = m_steps.empty() ? m_endMs : m_steps.front().ms;
    if (wakeAtMs >= 0 && wakeAtMs <= next) {
      m_clock.AdvanceTo(std::max(wakeAtMs, m_clock.NowMs()));
      return true;
    }
    if (m_steps.empty()) return false;
    m_clock.AdvanceTo(std::max(next, m_clock.NowMs()));
    std::function<void()> step = std::move(m_steps.front().step);
    m_steps.pop_front();
    step();
    return true;
  }

 private:
  struct Step {
    std::int64_t ms;
    std::function<void()> step;
  };
  VirtualClock& m_clock;
  std::deque<Step> m_steps;
  std::int64_t m_endMs = 10000;
};

// Writes "command ID INDEX", "move X Y pad=P", "timer ID @T" for its hooks; a test can hang
// actions on commands and timers.
class RecordingWnd : public CMzWndEx {
 public:
  void OnUiCommand(WPARAM wParam, LPARAM lParam) override {
    log.push_back("command " + std::to_string(wParam) + " " + std::to_string(lParam));
    if (onCommand) onCommand(static_cast<int>(LOWORD(wParam)), static_cast<int>(lParam));
  }
  void OnMouseMove(UINT, int x, int y) override {
    std::string entry = "move " + std::to_string(x) + " " + std::to_string(y);
    if (slider != nullptr) entry += " pad=" + std::to_string(slider->GetPadpos());
    log.push_back(entry);
  }
  void OnTimer(UINT_PTR id) override {
    log.push_back("timer " + std::to_string(id) + " @" +
                  std::to_string(Handset::Current().clock().NowMs()));
    if (onTimer) onTimer(static_cast<int>(id));
  }
  int OnInitDialog() override {
    initSize = std::to_string(GetWidth()) + "x" + std::to_string(GetHeight());
    return CMzWndEx::OnInitDialog();
  }

  std::vector<std::string> log;
  std::string initSize;
  CUiStatusBar* slider = nullptr;  // its pad is written down with every move
  std::function<void(int id, int index)> onCommand;
  std::function<void(int id)> onTimer;
};

class UiTest : public ::testing::Test {
 protected:
  UiTest() {
    m_handset.set_trace(&m_trace);
    m_handset.set_input(&m_input);
  }

  // The events of the kinds given, in order.
  std::vector<std::string> Events(const std::set<std::string>& kinds) const {
    std::vector<std::string> out;
    for (const std::string& e : m_trace.events) {
      if (kinds.count(e.substr(0, e.find(' '))) != 0) out.push_back(e);
    }
    return out;
  }

  // Runs the message loop as an application does; returns the quit code.
  int RunLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return static_cast<int>(msg.wParam);
  }

  void Tap(CMzWnd& wnd, int x, int y) {
    ui::SendPointer(m_handset, wnd, ui::PointerAction::kDown, x, y);
    ui::SendPointer(m_handset, wnd, ui::PointerAction::kUp, x, y);
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  RecordingTrace m_trace;
  ScriptedInput m_input{m_clock};
};

}  // namespace host::ui_test
