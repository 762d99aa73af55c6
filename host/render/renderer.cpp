#include "host/render/renderer.h"

#include "host/kernel/handset.h"
#include "host/kernel/screen_generation.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"

namespace host {

bool Painter::SameWindows(const Handset& handset) const {
  if (!(handset.work_area() == m_last.workArea)) return false;
  std::size_t i = 0;
  bool same = true;
  handset.VisitWindows([&](const WindowInfo& info) {
    if (!same) return;
    if (i == m_last.windows.size()) {
      same = false;
      return;
    }
    const WindowView& last = m_last.windows[i++];
    same = last.hwnd == info.hwnd && last.visible == info.visible && last.rect == info.rect &&
           last.ours == (ui::FindWnd(info.hwnd) != nullptr) && last.title == info.title &&
           last.className == info.className;
  });
  return same && i == m_last.windows.size();
}

bool Painter::Update(const Handset& handset) {
  bool asked = false;
  handset.VisitWindows([&asked](const WindowInfo& info) {
    CMzWnd* wnd = ui::FindWnd(info.hwnd);
    if (wnd != nullptr && ui::StateOf(*wnd).needsPaint) asked = true;
  });
  // Nothing the screen shows changed since the last paint (the same window records, and no
  // change counted since): no snapshot is needed to know it.
  if (m_painted && ScreenGeneration() == m_generation && SameWindows(handset)) {
    if (!asked) return false;
    MarkPainted(handset);
    ++m_skipped;
    return false;
  }
  bool first = !m_painted;
  ScreenView screen = Capture(handset);
  if (!first && screen == m_last) {
    ++m_skipped;
    return false;
  }
  m_last = std::move(screen);
  m_renderer.Paint(m_last);
  return true;
}

void Painter::PaintNow(const Handset& handset) {
  m_last = Capture(handset);
  m_renderer.Paint(m_last);
}

void Painter::MarkPainted(const Handset& handset) {
  handset.VisitWindows([](const WindowInfo& info) {
    if (CMzWnd* wnd = ui::FindWnd(info.hwnd)) ui::MarkPainted(*wnd);
  });
}

ScreenView Painter::Capture(const Handset& handset) {
  MarkPainted(handset);
  m_painted = true;
  m_generation = ScreenGeneration();
  ++m_captures;
  return CaptureScreen(handset);
}

}  // namespace host
